#pragma once

// gzip members: the decompression step of extraction (zlib's gzip file functions) and the writer the
// packer uses.

#include <string>
#include <string_view>

#include "platform/result.h"

namespace fwupdate {

// Block size of the decompression copy.
inline constexpr size_t kDecompressBlock = 16384;

// Decompresses a written member file beside itself and deletes the member file. A name ending in
// ".gz" (and longer than that) is the input and the output drops the suffix; any other name is the
// output and the input is the name plus ".gz". The error is the line fwupdate writes to standard
// error, "<program>: <reason>" ("fwupdate: can't gzopen X.gz", "fwupdate: unexpected end of file").
// A file that is not gzip data at all counts as corrupt rather than being copied as it is.
platform::Result<void> DecompressMember(const std::string& name);

// Writes the message to standard error and ends the process with status 1 at once: a payload that
// cannot be unpacked leaves nothing sensible to do, and callers of fwupdate expect exactly status 1.
[[noreturn]] void EndOnDecompressionFailure(const platform::Error& error);

// One gzip member of the data as the packer stores it: no stored name, zero time stamp, extra flags
// 0, operating-system code 11, best compression.
std::string GzipMember(std::string_view data);

}  // namespace fwupdate
