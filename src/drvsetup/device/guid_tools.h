#pragma once

// GUIDs read out of registry and setup values: a tolerant text-to-GUID conversion, and the two halves
// of a "name|GUID text" pair.

#include <string>
#include <string_view>

#include "platform/guid.h"

namespace drvsetup {

// Upper-cases the text, strips blanks and control characters around it, keeps only hex digits, braces
// and hyphens, and converts what is left when it is a braced GUID. On failure `guid` is left unchanged.
bool TextToGuid(std::string_view text, platform::Guid& guid);
// The part after the first "|" (empty without one), and the part before it (empty without one).
std::string AfterBar(std::string_view text);
std::string BeforeBar(std::string_view text);

}  // namespace drvsetup
