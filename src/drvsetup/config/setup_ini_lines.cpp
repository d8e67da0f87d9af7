#include "drvsetup/config/setup_ini_lines.h"

#include <algorithm>

#include "platform/paths.h"

namespace drvsetup {

namespace {

// A line with more brackets than this is left out of the index; a header has two.
constexpr size_t kIndexedBrackets = 8;

bool HasBracket(std::string_view line) {
    return line.find_first_of("[]") != std::string_view::npos;
}

}  // namespace

std::optional<std::pair<std::string_view, std::string_view>> SplitEntry(std::string_view line) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    return std::make_pair(TrimBlanks(line.substr(0, eq)), TrimBlanks(line.substr(eq + 1)));
}

SetupIniLines SetupIniLines::FromBytes(std::string_view bytes) {
    SetupIniLines ini;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c == '\n' || c == '\r') {
            ini.lines_.emplace_back(bytes.substr(start, i - start));
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < bytes.size()) {
        ini.lines_.emplace_back(bytes.substr(start));
    }
    ini.Index();
    return ini;
}

std::optional<SetupIniLines> SetupIniLines::Load(std::string_view path) {
    std::string bytes;
    if (!platform::ReadWholeFile(platform::NativePath(path), bytes)) {
        return std::nullopt;
    }
    return FromBytes(bytes);
}

void SetupIniLines::Index() {
    nextBracketLine_.assign(lines_.size(), lines_.size());
    size_t next = lines_.size();
    for (size_t i = lines_.size(); i > 0; --i) {
        nextBracketLine_[i - 1] = next;
        if (HasBracket(lines_[i - 1])) {
            next = i - 1;
        }
    }
    std::vector<size_t> opens, closes;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const std::string& line = lines_[i];
        opens.clear();
        closes.clear();
        for (size_t p = 0; p < line.size(); ++p) {
            if (line[p] == '[')
                opens.push_back(p);
            if (line[p] == ']')
                closes.push_back(p);
        }
        if (opens.empty() || closes.empty()) {
            continue;
        }
        if (opens.size() > kIndexedBrackets || closes.size() > kIndexedBrackets) {
            crowdedLines_.push_back(i);
            continue;
        }
        // Every "[" with every later "]" frames a name this line contains.
        for (size_t o : opens) {
            for (size_t c : closes) {
                if (c > o) {
                    bracketIndex_.emplace(line.substr(o + 1, c - o - 1), i);
                }
            }
        }
    }
}

std::vector<std::string> SetupIniLines::SectionNames() const {
    std::vector<std::string> names;
    for (const std::string& line : lines_) {
        std::string_view trimmed = TrimBlanks(line);
        if (trimmed.find('[') != std::string_view::npos && trimmed.find(']') != std::string_view::npos &&
            trimmed.find("[__info]") == std::string_view::npos) {
            // Holding both brackets, the trimmed line has at least two characters.
            names.emplace_back(trimmed.substr(1, trimmed.size() - 2));
        }
    }
    return names;
}

std::optional<size_t> SetupIniLines::FindSectionLine(std::string_view name) const {
    std::optional<size_t> found;
    if (auto it = bracketIndex_.find(std::string(name)); it != bracketIndex_.end()) {
        found = it->second;
    }
    if (!crowdedLines_.empty()) {
        std::string framed;
        framed.reserve(name.size() + 2);
        framed.push_back('[');
        framed.append(name);
        framed.push_back(']');
        for (size_t i : crowdedLines_) {
            if (found && i > *found) {
                break;
            }
            if (lines_[i].find(framed) != std::string::npos) {
                found = i;
                break;
            }
        }
    }
    return found;
}

std::span<const std::string> SetupIniLines::SectionBody(std::string_view name) const {
    std::optional<size_t> header = FindSectionLine(name);
    if (!header) {
        return {};
    }
    size_t first = *header + 1;
    size_t end = nextBracketLine_[*header];
    return std::span<const std::string>(lines_).subspan(first, end - first);
}

std::unordered_map<std::string, std::string> SetupIniLines::SectionEntries(std::string_view name) const {
    std::unordered_map<std::string, std::string> entries;
    for (const std::string& line : SectionBody(name)) {
        if (auto entry = SplitEntry(line)) {
            entries.emplace(entry->first, entry->second);
        }
    }
    return entries;
}

std::optional<std::string> SetupIniLines::SectionValue(std::string_view name, std::string_view key) const {
    for (const std::string& line : SectionBody(name)) {
        if (auto entry = SplitEntry(line); entry && entry->first == key) {
            return std::string(entry->second);
        }
    }
    return std::nullopt;
}

}  // namespace drvsetup
