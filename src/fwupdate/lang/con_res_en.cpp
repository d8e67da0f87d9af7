// ConResEn.dll: English, the table the executable also holds as its fallback.
#include <iterator>

#include "fwupdate/lang/english_strings.h"

namespace fwupdate::lang {

extern const LangTable kLanguageTable{"English", 0x0409, kEnglishStrings, std::size(kEnglishStrings)};

}  // namespace fwupdate::lang
