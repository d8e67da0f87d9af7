#pragma once

// What a language library ("ConResEn.dll", "ConResGr.dll", ...) exports. On this system a language
// library is a shared object that fwupdate loads by full path; it exports plain C functions so that
// the loader can recognise a library of another kit version and refuse it instead of misreading it:
//
//   uint32_t VexaLangAbiVersion(void);       kVexaLangAbiVersion; another value means "do not use"
//   const char* VexaLoadString(uint32_t id); the UTF-8 text of a string id, NULL when the table has none
//   const char* VexaLanguageName(void);      the language in English ("German")
//   uint16_t VexaLanguageId(void);           the primary LANGID the texts were written for (0x0407)
//
// The texts stay valid while the library is loaded.

#include <cstdint>

inline constexpr uint32_t kVexaLangAbiVersion = 1;

inline constexpr const char kVexaLangAbiVersionSymbol[] = "VexaLangAbiVersion";
inline constexpr const char kVexaLoadStringSymbol[] = "VexaLoadString";
inline constexpr const char kVexaLanguageNameSymbol[] = "VexaLanguageName";
inline constexpr const char kVexaLanguageIdSymbol[] = "VexaLanguageId";

extern "C" {
using VexaLangAbiVersionFn = uint32_t (*)();
using VexaLoadStringFn = const char* (*)(uint32_t id);
using VexaLanguageNameFn = const char* (*)();
using VexaLanguageIdFn = uint16_t (*)();
}
