#pragma once

// The string table of a language library: ids 1 to 55 (6 is unused) with their UTF-8 texts. Each
// library's source defines kLanguageTable; lang_exports.cpp turns it into the library's exports.

#include <cstddef>
#include <cstdint>

namespace fwupdate::lang {

struct LangString {
    uint32_t id;
    const char* text;  // UTF-8; "\n" is a line break, printf specifiers as the program fills them
};

struct LangTable {
    const char* languageName;  // in English: "German"
    uint16_t languageId;       // the primary LANGID the texts were written for
    const LangString* strings;
    size_t count;
};

// Defined once in every language library.
extern const LangTable kLanguageTable;

}  // namespace fwupdate::lang
