#pragma once

// Message requests: every box the updater shows goes through here, so "/NO_MESSAGEBOX" silences all
// of them in one place. Texts are UTF-8 as the string tables hold them.

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

#include "fwupdate/options.h"

namespace fwupdate {

class ResourceModule;

// Box types as the sequence asks for them (they are the message-box flags).
inline constexpr uint32_t kMessageError = 16;        // error icon, OK
inline constexpr uint32_t kMessageInformation = 64;  // information icon, OK
inline constexpr uint32_t kMessageOkCancel = 65;     // information icon, OK and Cancel

// The formatted text is cut to this many bytes less one, never inside a UTF-8 sequence.
inline constexpr size_t kMessageBufferSize = 1024;

// printf-style formatting into a message buffer.
std::string FormatMessageText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatMessageTextV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// Formats the text and shows a box without owner; returns the answer (IDOK, IDCANCEL). With
// kFlagNoMessageBox nothing is shown and the answer is IDOK.
int ShowMessage(UpdateFlags flags, uint32_t type, std::string_view title, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// The conversions of a printf format in order, flags and widths dropped ("%ld %d" gives "%ld%d";
// "%%" is no conversion). Two formats with equal conversions take the same arguments.
std::string FormatConversions(std::string_view format);

// A string-table text that will be used as a printf format. A translation whose conversions differ
// from the English text's would read arguments that were never passed, so the English text is used
// instead. At most bufferChars - 1 characters, as LoadString.
std::string LoadFormatString(const ResourceModule& module, uint32_t id, size_t bufferChars = 256);

}  // namespace fwupdate
