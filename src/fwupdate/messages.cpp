#include "fwupdate/messages.h"

#include <cstdio>
#include <cstring>

#include "fwupdate/resource_module.h"
#include "platform/message_box.h"

namespace fwupdate {

namespace {

// Drops a UTF-8 sequence that the cut at the buffer's end left incomplete.
void TrimBrokenUtf8Tail(std::string& text) {
    size_t lead = text.size();
    size_t continuation = 0;
    while (lead > 0 && (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80 && continuation < 3) {
        --lead;
        ++continuation;
    }
    if (lead == 0) {
        return;
    }
    auto first = static_cast<unsigned char>(text[lead - 1]);
    size_t expected = first < 0x80    ? 0
                      : first >= 0xF0 ? 3
                      : first >= 0xE0 ? 2
                      : first >= 0xC0 ? 1
                                      : continuation;
    if (first >= 0x80 && continuation < expected) {
        text.resize(lead - 1);
    }
}

}  // namespace

std::string FormatMessageTextV(const char* format, va_list args) {
    char buffer[kMessageBufferSize];
    int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (length < 0) {
        return {};
    }
    std::string text(buffer, std::min(static_cast<size_t>(length), sizeof buffer - 1));
    if (static_cast<size_t>(length) >= sizeof buffer) {
        TrimBrokenUtf8Tail(text);
    }
    return text;
}

std::string FormatMessageText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatMessageTextV(format, args);
    va_end(args);
    return text;
}

int ShowMessage(UpdateFlags flags, uint32_t type, std::string_view title, const char* format, ...) {
    if ((flags & kFlagNoMessageBox) != 0) {
        return platform::IDOK;
    }
    va_list args;
    va_start(args, format);
    std::string text = FormatMessageTextV(format, args);
    va_end(args);
    return platform::MessageBox(text, title, type);
}

std::string FormatConversions(std::string_view format) {
    std::string conversions;
    size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            ++i;
            continue;
        }
        ++i;
        if (i < format.size() && format[i] == '%') {
            ++i;
            continue;
        }
        std::string conversion = "%";
        // Flags, width and precision do not change the arguments, except "*", which takes one.
        while (i < format.size() && std::strchr("-+ #0123456789.*", format[i]) != nullptr) {
            if (format[i] == '*') {
                conversion += '*';
            }
            ++i;
        }
        while (i < format.size() && std::strchr("hlLqjzt", format[i]) != nullptr) {
            conversion += format[i++];
        }
        if (i < format.size()) {
            conversion += format[i++];
        }
        conversions += conversion;
    }
    return conversions;
}

std::string LoadFormatString(const ResourceModule& module, uint32_t id, size_t bufferChars) {
    std::string text = LoadString(module, id, bufferChars);
    const char* english = EnglishString(id);
    if (english != nullptr && FormatConversions(text) != FormatConversions(english)) {
        return LoadString(*ExecutableResources(), id, bufferChars);
    }
    return text;
}

}  // namespace fwupdate
