#include "fwupdate/flash_steps.h"

#include <array>
#include <fstream>
#include <optional>
#include <vector>

#include "fwupdate/trace.h"
#include "platform/machine_rom.h"

namespace fwupdate {

namespace {

char FourthCharacter(std::string_view text) {
    return text.size() > 3 ? text[3] : '\0';
}

// The image file opened for reading and writing in place; every read is bounded by what the file
// holds, so a short or hostile file can only end the patch early.
class ImageFile {
  public:
    explicit ImageFile(const std::filesystem::path& path)
        : stream_(path, std::ios::in | std::ios::out | std::ios::binary) {
        if (stream_) {
            stream_.seekg(0, std::ios::end);
            std::streamoff end = stream_.tellg();
            size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
        }
    }
    bool IsOpen() const { return static_cast<bool>(stream_); }
    uint64_t size() const { return size_; }

    // Up to `count` bytes from `offset`; fewer at the end of the file.
    std::vector<uint8_t> Read(uint64_t offset, size_t count) {
        std::vector<uint8_t> bytes;
        if (offset >= size_)
            return bytes;
        bytes.resize(static_cast<size_t>(std::min<uint64_t>(count, size_ - offset)));
        stream_.clear();
        stream_.seekg(static_cast<std::streamoff>(offset));
        stream_.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        bytes.resize(static_cast<size_t>(std::max<std::streamsize>(stream_.gcount(), 0)));
        return bytes;
    }
    bool Write(uint64_t offset, std::span<const uint8_t> bytes) {
        stream_.clear();
        stream_.seekp(static_cast<std::streamoff>(offset));
        stream_.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
        stream_.flush();
        return static_cast<bool>(stream_);
    }

  private:
    std::fstream stream_;
    uint64_t size_ = 0;
};

bool Matches(const std::vector<uint8_t>& bytes, size_t at, std::string_view signature) {
    if (at > bytes.size() || signature.size() > bytes.size() - at)
        return false;
    for (size_t i = 0; i < signature.size(); ++i)
        if (bytes[at + i] != static_cast<uint8_t>(signature[i]))
            return false;
    return true;
}

uint32_t Dword(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
           uint32_t{bytes[at + 3]} << 24;
}

}  // namespace

std::string EffectiveBiosFlag(const BiosIdentity& running, const ImageIdentity& image) {
    std::string flag = image.biosFlagDefault;
    if (flag.size() < 4)
        flag.resize(4, ' ');
    char runningMark = FourthCharacter(running.biosFlag);
    if (runningMark == 'A' || runningMark == 'B')
        flag[3] = runningMark;
    else
        flag[3] = FourthCharacter(running.version) == 'E' ? 'B' : 'A';
    return flag;
}

bool CompleteBiosCommand(const BiosIdentity& running, const ImageIdentity& image, uint32_t flags,
                         std::string& command) {
    std::string flag = EffectiveBiosFlag(running, image);
    auto dmiOptions = [&] {
        std::string text = " /DO0:";
        text += flag;
        text += " /DO1:";
        text += running.purchaseDate;
        text += " /DSS:";
        text += running.systemSerial;
        return text;
    };
    std::string added;
    char runningMark = FourthCharacter(running.biosFlag);
    // A running flag that already says "A" or "B" was set by an earlier flash that carried the DMI
    // texts over; only an explicit "/MODE=3" repeats them.
    if (runningMark != 'A' && runningMark != 'B' && (flags & (kFlagModeDmiAlways | kFlagModeNoDmi)) == 0) {
        added += " /MODE=3";
        added += dmiOptions();
    }
    if (flags & kFlagModeDmiAlways)
        added += dmiOptions();
    return AppendCommand(command, added);
}

EscdPatchResult PatchEscd(const std::filesystem::path& path) {
    EscdPatchResult result;
    ImageFile file(path);
    if (!file.IsOpen())
        return result;
    const uint64_t size = file.size();
    const bool full = size >= 0x100000;
    const uint64_t start = full ? 0x100000 : 0x80000;

    // Scan in blocks that overlap by the length of a signature, so one across a block border is seen.
    constexpr size_t kBlock = 0x10000;
    constexpr size_t kOverlap = 4;
    std::optional<uint64_t> descriptorAt, zqdsAt;
    for (uint64_t block = start; size > 5 && block < size - 5 && !(descriptorAt && zqdsAt); block += kBlock) {
        std::vector<uint8_t> bytes = file.Read(block, kBlock + kOverlap);
        for (size_t i = 0; i < kBlock && block + i < size - 5 && !(descriptorAt && zqdsAt); ++i) {
            if (!descriptorAt && Matches(bytes, i, "ZFLPF"))
                descriptorAt = block + i;
            else if (!zqdsAt && Matches(bytes, i, "ZQDS"))
                zqdsAt = block + i;
        }
    }
    if (!descriptorAt || !zqdsAt)
        return result;

    const uint64_t base = std::min(*descriptorAt, *zqdsAt);
    std::vector<uint8_t> descriptor = file.Read(*descriptorAt, platform::kFlashDescriptorSize);
    if (descriptor.size() < platform::kFlashDescriptorSize)
        return result;
    const uint64_t table = base + Dword(descriptor, 53);

    // The index is an 8-bit count: a table without its ending entry is walked at most once round.
    const unsigned escdIndex = full ? 8 : 0;
    for (unsigned index = 0; index < 256; ++index) {
        uint64_t at = table + uint64_t{platform::kEscdEntrySize} * index;
        std::vector<uint8_t> bytes = file.Read(at, platform::kEscdEntrySize);
        if (bytes.size() < platform::kEscdEntrySize)
            break;
        platform::EscdEntry entry = platform::ReadEscdEntry(bytes);
        if (entry.start == 0 && entry.length == 0 && entry.end == 0 && entry.kind == 0)
            break;  // the ending entry: the ESCD entry lies beyond the table
        if (index != escdIndex)
            continue;
        uint32_t block = entry.length & 0xFFFF;
        entry.start += block;
        entry.end -= block;
        entry.length &= 0xFFFF0000u;
        entry.kind = 0x22;
        platform::PutEscdEntry(bytes, entry);
        if (file.Write(at, bytes)) {
            result.patched = true;
            result.entryOffset = at;
        }
        break;
    }
    return result;
}

std::string ToolCommandLine(std::string_view workingFolder, std::string_view commandText) {
    std::string line;
    if (workingFolder.find(' ') == std::string_view::npos) {
        line.append(workingFolder);
        line.append(commandText);
        return line;
    }
    // Unquoted, the blank would end the program name inside the folder path and another program, or
    // none, would be started.
    size_t programEnd = std::min(commandText.find(' '), commandText.size());
    line += '"';
    line.append(workingFolder);
    line.append(commandText.substr(0, programEnd));
    line += '"';
    line.append(commandText.substr(programEnd));
    return line;
}

int RunTool(std::string_view workingFolder, std::string_view commandText, const platform::EventPump& pump) {
    std::string line = ToolCommandLine(workingFolder, commandText);
    Trace("Bios command : %s\r\n", line.c_str());
    platform::Result<std::unique_ptr<platform::Process>> process =
        platform::Process::Start(line, workingFolder);
    if (!process)
        return -1;
    return (*process)->Wait(pump);
}

}  // namespace fwupdate
