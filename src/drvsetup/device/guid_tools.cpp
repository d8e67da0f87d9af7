#include "drvsetup/device/guid_tools.h"

#include "drvsetup/shell/text_tools.h"

namespace drvsetup {

bool TextToGuid(std::string_view text, platform::Guid& guid) {
    text = TrimBlanks(text);
    std::string kept;
    for (char c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || c == '{' || c == '}' || c == '-') {
            kept.push_back(c);
        }
    }
    if (kept.size() != 38) {
        return false;
    }
    std::optional<platform::Guid> parsed = platform::StringToGuid(kept);
    if (!parsed) {
        return false;
    }
    guid = *parsed;
    return true;
}

std::string AfterBar(std::string_view text) {
    size_t bar = text.find('|');
    return bar == std::string_view::npos ? std::string() : std::string(text.substr(bar + 1));
}

std::string BeforeBar(std::string_view text) {
    size_t bar = text.find('|');
    return bar == std::string_view::npos ? std::string() : std::string(text.substr(0, bar));
}

}  // namespace drvsetup
