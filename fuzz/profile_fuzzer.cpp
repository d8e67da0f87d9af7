// Profile files: any bytes are read, every name listed is found again, and a write followed by a read
// gives back what was written, with the bytes saved to disk equal to those held in memory.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/profile.h"

namespace {

using platform::profile::ProfileFile;

// Names and values that read back exactly as written: no blanks around them, no quotes, no brackets,
// "=", ";" or line ends.
std::string PlainText(FuzzedDataProvider& input, bool allowEmpty) {
    static constexpr std::string_view kAlphabet = "abcXYZ019_-. ";
    std::string text;
    const size_t length = input.ConsumeIntegralInRange<size_t>(allowEmpty ? 0 : 1, 12);
    for (size_t i = 0; i < length; ++i) {
        text += kAlphabet[input.ConsumeIntegralInRange<size_t>(0, kAlphabet.size() - 1)];
    }
    while (!text.empty() && text.front() == ' ') {
        text.erase(0, 1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    if (text.empty() && !allowEmpty) {
        text = "k";
    }
    return text;
}

size_t CountIgnoringCase(const std::vector<std::string>& names, std::string_view wanted) {
    size_t count = 0;
    for (const std::string& name : names) {
        count += name.size() == wanted.size() &&
                 std::equal(name.begin(), name.end(), wanted.begin(), [](char a, char b) {
                     return std::tolower(static_cast<unsigned char>(a)) ==
                            std::tolower(static_cast<unsigned char>(b));
                 });
    }
    return count;
}

void CheckReading(const ProfileFile& file) {
    for (const std::string& section : file.SectionNames()) {
        for (const std::string& key : file.KeyNames(section)) {
            (void)file.ReadString(section, key, "default");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = PlainText(input, false);
    const std::string key = PlainText(input, false);
    const std::string value = PlainText(input, true);
    const int action = input.ConsumeIntegralInRange(0, 2);
    // A write to disk costs more than everything else here, so only some inputs take it.
    const bool toDisk = input.ConsumeIntegralInRange(0, 15) == 0;
    const std::string bytes = input.ConsumeRemainingBytesAsString();

    ProfileFile file = ProfileFile::FromBytes(bytes);
    CheckReading(file);
    if (file.Changed()) {
        kit_fuzz::Fail("reading changes the file");
    }

    // Deleting takes the first occurrence only, so a duplicate may still be found afterwards.
    const bool single = CountIgnoringCase(file.SectionNames(), section) == 1 &&
                        CountIgnoringCase(file.KeyNames(section), key) == 1;
    switch (action) {
        case 0:
            file.WriteString(section, key, value);
            break;
        case 1:
            file.DeleteKey(section, key);
            break;
        default:
            file.DeleteSection(section);
            break;
    }
    const std::string written = file.Bytes();
    const ProfileFile reread = ProfileFile::FromBytes(written);
    CheckReading(reread);
    const std::string read = reread.ReadString(section, key, "missing");
    if (action == 0 && read != value) {
        kit_fuzz::Fail("a written key reads back differently");
    }
    if (action != 0 && single && read != "missing") {
        kit_fuzz::Fail("a deleted key is still found");
    }

    if (!toDisk) {
        return 0;
    }
    const std::filesystem::path path = kit_fuzz::FreshFolder("profile") / "file.ini";
    if (!file.Save(path.string()).ok()) {
        kit_fuzz::Fail("saving into a writable folder fails");
    }
    if (ProfileFile::Load(path.string()).Bytes() != written) {
        kit_fuzz::Fail("the saved file differs from the bytes in memory");
    }
    return 0;
}
