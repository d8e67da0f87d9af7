// The exports every language library shares; the library's own source supplies kLanguageTable.
#include "fwupdate/lang/lang_module.h"
#include "fwupdate/lang/lang_table.h"

using fwupdate::lang::kLanguageTable;

extern "C" {

__attribute__((visibility("default"))) uint32_t VexaLangAbiVersion() {
    return kVexaLangAbiVersion;
}

__attribute__((visibility("default"))) const char* VexaLoadString(uint32_t id) {
    for (size_t i = 0; i < kLanguageTable.count; ++i) {
        if (kLanguageTable.strings[i].id == id) {
            return kLanguageTable.strings[i].text;
        }
    }
    return nullptr;
}

__attribute__((visibility("default"))) const char* VexaLanguageName() {
    return kLanguageTable.languageName;
}

__attribute__((visibility("default"))) uint16_t VexaLanguageId() {
    return kLanguageTable.languageId;
}

}  // extern "C"
