#include "fwupdate/gzip_member.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/paths.h"

namespace fwupdate {

namespace {

// The gzip reader buffers its input in blocks of this size; larger than zlib's default so that a
// large image is read in few system calls.
constexpr unsigned kReaderBuffer = 128 * 1024;

std::string ProgramName() {
    std::string name = platform::FileNamePart(platform::ExecutablePath());
    return name.empty() ? std::string("fwupdate") : name;
}

platform::Error ProgramError(std::string_view reason) {
    std::string text = ProgramName();
    text += ": ";
    text += reason;
    return platform::Fail(std::move(text));
}

struct GzCloser {
    void operator()(gzFile_s* file) const { gzclose(file); }
};

void PutLe32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

}  // namespace

platform::Result<void> DecompressMember(const std::string& name) {
    std::string input(name);
    std::string output(name);
    if (name.size() > 3 && name.ends_with(".gz")) {
        output.resize(name.size() - 3);
    } else {
        input += ".gz";
    }

    std::unique_ptr<gzFile_s, GzCloser> in(gzopen(input.c_str(), "rb"));
    if (!in) {
        std::string reason("can't gzopen ");
        reason += input;
        return ProgramError(reason);
    }
    gzbuffer(in.get(), kReaderBuffer);
    // zlib's reader passes anything that is not gzip through unchanged; a member that is not gzip
    // data has been damaged, so it must not end up on disk as if it were the file.
    if (gzdirect(in.get()) != 0) {
        std::string reason(input);
        reason += ": not in gzip format";
        return ProgramError(reason);
    }

    std::FILE* out = std::fopen(output.c_str(), "wb");
    if (out == nullptr) {
        std::string text(output);
        text += ": ";
        text += std::strerror(errno);
        return platform::Fail(std::move(text));
    }
    std::setvbuf(out, nullptr, _IOFBF, kReaderBuffer);

    auto buffer = std::make_unique<char[]>(kDecompressBlock);
    for (;;) {
        int length = gzread(in.get(), buffer.get(), static_cast<unsigned>(kDecompressBlock));
        if (length < 0) {
            int code = 0;
            std::string reason(gzerror(in.get(), &code));
            std::fclose(out);
            return ProgramError(reason);
        }
        if (length == 0) {
            // zlib ends a member cut short like a complete one and keeps the error for gzclose;
            // naming it here says what went wrong instead of "failed gzclose".
            int code = Z_OK;
            const char* message = gzerror(in.get(), &code);
            if (code != Z_OK) {
                std::string reason(message);
                std::fclose(out);
                return ProgramError(reason);
            }
            break;
        }
        if (std::fwrite(buffer.get(), 1, static_cast<size_t>(length), out) != static_cast<size_t>(length)) {
            std::fclose(out);
            return ProgramError("failed fwrite");
        }
    }
    if (std::fclose(out) != 0) {
        return ProgramError("failed fclose");
    }
    if (gzclose(in.release()) != Z_OK) {
        return ProgramError("failed gzclose");
    }
    std::remove(input.c_str());
    return {};
}

void EndOnDecompressionFailure(const platform::Error& error) {
    std::fprintf(stderr, "%s\n", error.message.c_str());
    std::fflush(nullptr);
    // Not exit(): another thread (the progress window) may be running, and static destructors must
    // not pull its state away under it.
    std::_Exit(1);
}

std::string GzipMember(std::string_view data) {
    // The header is written here rather than by zlib, which would put in its own system code and
    // derive the extra flags from the level.
    std::string out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x0b", 10);

    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    size_t headerSize = out.size();
    out.resize(headerSize + deflateBound(&stream, static_cast<uLong>(data.size())));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data() + headerSize);
    stream.avail_out = static_cast<uInt>(out.size() - headerSize);
    deflate(&stream, Z_FINISH);
    out.resize(headerSize + stream.total_out);
    deflateEnd(&stream);

    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    PutLe32(out, static_cast<uint32_t>(crc));
    PutLe32(out, static_cast<uint32_t>(data.size() & 0xFFFFFFFFu));
    return out;
}

}  // namespace fwupdate
