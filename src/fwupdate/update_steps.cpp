#include "fwupdate/update_steps.h"

#include <filesystem>
#include <system_error>

#include "fwupdate/gzip_member.h"
#include "fwupdate/payload_archive.h"
#include "platform/paths.h"

namespace fwupdate {

bool ExtractPayloadHere() {
    const std::string executable = platform::ExecutablePath();
    if (executable.empty()) {
        return false;
    }
    std::optional<uint32_t> offset = ReadArchiveOffset(executable);
    if (!offset) {
        return false;
    }
    std::error_code ec;
    std::filesystem::path here = std::filesystem::current_path(ec);
    if (ec) {
        return false;
    }
    auto status = ExtractAll(std::filesystem::path(executable), *offset, here);
    if (!status) {
        EndOnDecompressionFailure(status.error());
    }
    return *status == ExtractStatus::kSuccess;
}

}  // namespace fwupdate
