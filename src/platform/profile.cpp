#include "platform/profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <system_error>
#include <unordered_map>

#include "platform/ascii.h"
#include "platform/codepage.h"
#include "platform/paths.h"

namespace platform::profile {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

constexpr std::string_view kCrLf = "\r\n";

// One of the line ends a line can have, as a view of a constant.
std::string_view LineEnd(std::string_view end) {
    if (end == kCrLf) {
        return kCrLf;
    }
    return end == "\n" ? std::string_view("\n") : std::string_view();
}

// A line of the file. Its text is a view of the bytes the file was read from (which the file keeps)
// until it is changed, and of its own copy from then on: a file of a hundred thousand lines then
// costs no allocation per line, and moving a line never moves its text.
struct Line {
    static Line Borrowed(std::string_view text, std::string_view lineEnd) {
        Line line;
        line.text = text;
        line.eol = LineEnd(lineEnd);
        return line;
    }
    static Line Owned(std::string text, std::string_view lineEnd) {
        Line line;
        line.SetText(std::move(text));
        line.eol = LineEnd(lineEnd);
        return line;
    }
    void SetText(std::string newText) {
        owned = std::make_unique<std::string>(std::move(newText));
        text = *owned;
    }

    std::unique_ptr<std::string> owned;
    std::string_view text;  // without its line end
    std::string_view eol;   // "\r\n", "\n" or "" for a last line without one
    // UTF-16 files only: the line with its end as it was read, in both forms. A line whose text is
    // still what was read goes back as the original UTF-16, so characters the code page cannot hold
    // survive a write elsewhere in the file. Held apart, as few lines need it and a file may have
    // hundreds of thousands of lines.
    struct Original {
        std::u16string utf16;
        std::string ansi;
    };
    std::unique_ptr<Original> original;
};

constexpr std::string_view kUtf16LeMark = "\xFF\xFE";

enum class LineKind { Other, Key };

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

// A line of a section: a key line, or anything else (blank, comment).
std::optional<KeyLine> ParseKeyLine(std::string_view text) {
    size_t eq = text.find('=');
    std::string_view key = Trim(eq == std::string_view::npos ? text : text.substr(0, eq));
    if (key.empty() || key.front() == ';') {
        return std::nullopt;
    }
    std::string_view value = eq == std::string_view::npos ? std::string_view() : Trim(text.substr(eq + 1));
    return KeyLine{key, value};
}

// The name of a section line, or nothing when the line is not one.
std::optional<std::string_view> ParseSectionLine(std::string_view text) {
    std::string_view rest = text;
    while (!rest.empty() && IsBlank(rest.front()))
        rest.remove_prefix(1);
    if (rest.empty() || rest.front() != '[') {
        return std::nullopt;
    }
    rest.remove_prefix(1);
    size_t close = rest.find(']');
    return Trim(close == std::string_view::npos ? rest : rest.substr(0, close));
}

struct Section {
    std::optional<Line> header;  // none for the lines before the first section
    std::string name;
    std::vector<Line> lines;
    // First line of each key, by folded name; rebuilt after lines move.
    mutable std::unordered_map<std::string, size_t> keyIndex;
    mutable bool indexed = false;

    const std::unordered_map<std::string, size_t>& Keys() const {
        if (!indexed) {
            keyIndex.clear();
            for (size_t i = 0; i < lines.size(); ++i) {
                if (auto kv = ParseKeyLine(lines[i].text)) {
                    keyIndex.emplace(FoldCase(kv->key), i);
                }
            }
            indexed = true;
        }
        return keyIndex;
    }
};

// Holds an exclusive lock on a folder while a file in it is read, changed and written, so that two
// processes changing the same profile file do not lose each other's keys. The file itself cannot carry
// the lock: the atomic write replaces it by another one. Without the folder no lock is taken, and the
// write then reports the missing folder.
class FolderLock {
  public:
    explicit FolderLock(const std::filesystem::path& file) {
        const std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
        fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0) {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

  private:
    int fd_ = -1;
};

}  // namespace

struct ProfileFile::Data {
    // The bytes an ANSI file was read from; lines not changed since are views of them.
    std::string source;
    std::vector<Section> sections;  // sections[0] holds the lines before the first section
    std::unordered_map<std::string, size_t> sectionIndex;
    bool changed = false;
    bool utf16 = false;  // read from (and written back as) UTF-16LE with the byte-order mark

    // Files one line, given with its line end if it has one, under the section it belongs to. A
    // borrowed piece must be part of `source`; any other is copied.
    Line& AddLine(std::string_view piece, bool borrow) {
        std::string_view text = piece;
        if (!text.empty() && text.back() == '\n') {
            text.remove_suffix(1);
            if (!text.empty() && text.back() == '\r') {
                text.remove_suffix(1);
            }
        }
        Line line = borrow ? Line::Borrowed(text, piece.substr(text.size()))
                           : Line::Owned(std::string(text), piece.substr(text.size()));
        if (auto name = ParseSectionLine(line.text)) {
            Section section;
            section.name = std::string(*name);
            section.header = std::move(line);
            sections.push_back(std::move(section));
            return *sections.back().header;
        }
        sections.back().lines.push_back(std::move(line));
        return sections.back().lines.back();
    }

    void IndexSections() {
        sectionIndex.clear();
        for (size_t i = 1; i < sections.size(); ++i) {
            sectionIndex.emplace(FoldCase(sections[i].name), i);
        }
    }

    const Section* Find(std::string_view name) const {
        auto it = sectionIndex.find(FoldCase(TrimSpaces(name)));
        return it == sectionIndex.end() ? nullptr : &sections[it->second];
    }
    Section* Find(std::string_view name) {
        auto it = sectionIndex.find(FoldCase(TrimSpaces(name)));
        return it == sectionIndex.end() ? nullptr : &sections[it->second];
    }

    // The last line of the file gets a line end before anything is written after it.
    void EndLastLine() {
        for (auto s = sections.rbegin(); s != sections.rend(); ++s) {
            if (!s->lines.empty()) {
                if (s->lines.back().eol.empty())
                    s->lines.back().eol = "\r\n";
                return;
            }
            if (s->header) {
                if (s->header->eol.empty())
                    s->header->eol = "\r\n";
                return;
            }
        }
    }

    bool Empty() const {
        for (const Section& s : sections) {
            if (s.header || !s.lines.empty())
                return false;
        }
        return true;
    }
};

ProfileFile::ProfileFile() : data_(std::make_unique<Data>()) {
    data_->sections.emplace_back();
}
ProfileFile::~ProfileFile() = default;
ProfileFile::ProfileFile(ProfileFile&&) noexcept = default;
ProfileFile& ProfileFile::operator=(ProfileFile&&) noexcept = default;

ProfileFile ProfileFile::FromBytes(std::string_view bytes) {
    ProfileFile file;
    Data& d = *file.data_;
    if (bytes.starts_with(kUtf16LeMark)) {
        // Lines are split on the UTF-16 text, so each keeps its own original; converting never
        // makes a line feed out of anything but U+000A.
        d.utf16 = true;
        std::string_view rest = bytes.substr(kUtf16LeMark.size());
        // Looked up once: finding the system root's page for every line of a long file costs more
        // than converting the line.
        const unsigned codePage = SystemCodePage();
        while (rest.size() >= 2) {
            // Up to and including the next U+000A, found on whole code units.
            size_t end = 0;
            while (end + 1 < rest.size() && !(rest[end] == '\n' && rest[end + 1] == '\0')) {
                end += 2;
            }
            end = std::min(end + 2, rest.size() - rest.size() % 2);
            std::u16string piece = Utf16FromLeBytes(rest.substr(0, end));
            rest.remove_prefix(end);
            std::string ansi = Utf16ToAnsi(piece, codePage).value();
            Line& line = d.AddLine(ansi, false);
            // ASCII comes back from the code page as it was, so only other lines need their original.
            if (!std::all_of(piece.begin(), piece.end(), [](char16_t c) { return c < 0x80; })) {
                line.original =
                    std::make_unique<Line::Original>(Line::Original{std::move(piece), std::move(ansi)});
            }
        }
    } else {
        d.source.assign(bytes);
        const std::string_view source = d.source;
        size_t pos = 0;
        while (pos < source.size()) {
            size_t nl = source.find('\n', pos);
            size_t end = nl == std::string_view::npos ? source.size() : nl + 1;
            d.AddLine(source.substr(pos, end - pos), true);
            pos = end;
        }
    }
    d.IndexSections();
    return file;
}

ProfileFile ProfileFile::Load(std::string_view path) {
    std::string bytes;
    if (!ReadWholeFile(NativePath(path), bytes)) {
        return ProfileFile();
    }
    return FromBytes(bytes);
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    std::string fallback(defaultValue);
    while (!fallback.empty() && fallback.back() == ' ')
        fallback.pop_back();
    const Section* s = data_->Find(section);
    if (s == nullptr) {
        return fallback;
    }
    const auto& keys = s->Keys();
    auto it = keys.find(FoldCase(TrimSpaces(key)));
    if (it == keys.end()) {
        return fallback;
    }
    return std::string(Unquote(ParseKeyLine(s->lines[it->second].text)->value));
}

bool ProfileFile::HasSection(std::string_view section) const {
    return data_->Find(section) != nullptr;
}

bool ProfileFile::HasKey(std::string_view section, std::string_view key) const {
    const Section* s = data_->Find(section);
    return s != nullptr && s->Keys().contains(FoldCase(TrimSpaces(key)));
}

std::vector<std::string> ProfileFile::SectionNames() const {
    std::vector<std::string> names;
    for (size_t i = 1; i < data_->sections.size(); ++i) {
        names.push_back(data_->sections[i].name);
    }
    return names;
}

std::vector<std::string> ProfileFile::KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    if (const Section* s = data_->Find(section)) {
        for (const Line& line : s->lines) {
            if (auto kv = ParseKeyLine(line.text)) {
                names.emplace_back(kv->key);
            }
        }
    }
    return names;
}

void ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    Data& d = *data_;
    std::string_view keyName = TrimSpaces(key);
    Section* s = d.Find(section);
    if (s == nullptr) {
        bool wasEmpty = d.Empty();
        d.EndLastLine();
        if (!wasEmpty) {
            d.sections.back().lines.push_back(Line::Owned("", kCrLf));
        }
        Section added;
        added.name = std::string(TrimSpaces(section));
        added.header = Line::Owned("[" + added.name + "]", kCrLf);
        d.sections.push_back(std::move(added));
        d.sectionIndex.emplace(FoldCase(d.sections.back().name), d.sections.size() - 1);
        s = &d.sections.back();
    }
    const auto& keys = s->Keys();
    if (auto it = keys.find(FoldCase(keyName)); it != keys.end()) {
        Line& line = s->lines[it->second];
        std::string spelled(ParseKeyLine(line.text)->key);
        line.SetText(spelled + "=" + std::string(value));
    } else {
        // After the last key of the section, before any blank lines or comments that follow it.
        size_t at = 0;
        for (size_t i = s->lines.size(); i > 0; --i) {
            if (ParseKeyLine(s->lines[i - 1].text)) {
                at = i;
                break;
            }
        }
        Line added = Line::Owned(std::string(keyName) + "=" + std::string(value), kCrLf);
        if (at > 0 && s->lines[at - 1].eol.empty()) {
            s->lines[at - 1].eol = "\r\n";
        } else if (at == 0 && s->header && s->header->eol.empty()) {
            s->header->eol = "\r\n";
        }
        if (at == s->lines.size() && at > 0) {
            s->keyIndex.emplace(FoldCase(keyName), at);  // appending moves no other line
            s->lines.push_back(std::move(added));
        } else {
            s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(added));
            s->indexed = false;
        }
    }
    d.changed = true;
}

void ProfileFile::DeleteKey(std::string_view section, std::string_view key) {
    Section* s = data_->Find(section);
    if (s == nullptr) {
        return;
    }
    const auto& keys = s->Keys();
    auto it = keys.find(FoldCase(TrimSpaces(key)));
    if (it == keys.end()) {
        return;
    }
    s->lines.erase(s->lines.begin() + static_cast<std::ptrdiff_t>(it->second));
    s->indexed = false;
    data_->changed = true;
}

void ProfileFile::DeleteSection(std::string_view section) {
    Data& d = *data_;
    auto it = d.sectionIndex.find(FoldCase(TrimSpaces(section)));
    if (it == d.sectionIndex.end()) {
        return;
    }
    d.sections.erase(d.sections.begin() + static_cast<std::ptrdiff_t>(it->second));
    d.IndexSections();
    d.changed = true;
}

bool ProfileFile::Changed() const {
    return data_->changed;
}

std::string ProfileFile::Bytes() const {
    std::string out;
    if (data_->utf16) {
        out.assign(kUtf16LeMark);
    } else {
        size_t size = 0;
        for (const Section& s : data_->sections) {
            size += s.header ? s.header->text.size() + s.header->eol.size() : 0;
            for (const Line& line : s.lines) {
                size += line.text.size() + line.eol.size();
            }
        }
        out.reserve(size);
    }
    auto append = [&](const Line& line) {
        if (!data_->utf16) {
            out += line.text;
            out += line.eol;
            return;
        }
        std::string ansi(line.text);
        ansi += line.eol;
        if (line.original && ansi == line.original->ansi) {
            out += Utf16ToLeBytes(line.original->utf16);
        } else {
            out += Utf16ToLeBytes(SystemAnsiToUtf16(ansi));
        }
    };
    for (const Section& s : data_->sections) {
        if (s.header) {
            append(*s.header);
        }
        for (const Line& line : s.lines) {
            append(line);
        }
    }
    return out;
}

Result<void> ProfileFile::Save(std::string_view path) const {
    std::filesystem::path native = NativePath(path);
    std::error_code ec;
    std::filesystem::path folder = native.parent_path().empty() ? "." : native.parent_path();
    if (!std::filesystem::is_directory(folder, ec)) {
        return Fail("folder of " + native.string() + " does not exist");
    }
    if (std::filesystem::exists(native, ec) && ::access(native.c_str(), W_OK) != 0) {
        return Fail(native.string() + " is read-only");
    }
    if (!WriteFileAtomically(native, Bytes())) {
        return Fail("cannot write " + native.string());
    }
    return {};
}

std::string ReadString(std::string_view file, std::string_view section, std::string_view key,
                       std::string_view defaultValue) {
    return ProfileFile::Load(file).ReadString(section, key, defaultValue);
}

std::vector<std::string> SectionNames(std::string_view file) {
    return ProfileFile::Load(file).SectionNames();
}

std::vector<std::string> KeyNames(std::string_view file, std::string_view section) {
    return ProfileFile::Load(file).KeyNames(section);
}

bool WriteString(std::string_view file, std::string_view section, std::string_view key,
                 std::string_view value) {
    Batch batch{std::string(file)};
    batch.WriteString(section, key, value);
    return batch.Commit().ok();
}

bool DeleteKey(std::string_view file, std::string_view section, std::string_view key) {
    Batch batch{std::string(file)};
    batch.DeleteKey(section, key);
    return batch.Commit().ok();
}

bool DeleteSection(std::string_view file, std::string_view section) {
    Batch batch{std::string(file)};
    batch.DeleteSection(section);
    return batch.Commit().ok();
}

Batch::Batch(std::string file) : file_(std::move(file)) {}

void Batch::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    changes_.push_back({Change::Kind::Write, std::string(section), std::string(key), std::string(value)});
}

void Batch::DeleteKey(std::string_view section, std::string_view key) {
    changes_.push_back({Change::Kind::DeleteKey, std::string(section), std::string(key), {}});
}

void Batch::DeleteSection(std::string_view section) {
    changes_.push_back({Change::Kind::DeleteSection, std::string(section), {}, {}});
}

Result<void> UpdateFile(std::string_view path, const std::function<void(ProfileFile&)>& change) {
    const FolderLock lock(NativePath(path));
    ProfileFile contents = ProfileFile::Load(path);
    change(contents);
    if (!contents.Changed()) {
        return {};
    }
    return contents.Save(path);
}

Result<void> Batch::Commit() {
    Result<void> saved = UpdateFile(file_, [this](ProfileFile& contents) {
        for (const Change& c : changes_) {
            switch (c.kind) {
                case Change::Kind::Write:
                    contents.WriteString(c.section, c.key, c.value);
                    break;
                case Change::Kind::DeleteKey:
                    contents.DeleteKey(c.section, c.key);
                    break;
                case Change::Kind::DeleteSection:
                    contents.DeleteSection(c.section);
                    break;
            }
        }
    });
    changes_.clear();
    if (!saved) {
        return WithContext(saved.error(), "writing profile file");
    }
    return {};
}

}  // namespace platform::profile
