#pragma once

// Read-ROM mode: the flash chip as the machine decodes it below 4 GiB, copied into
// "ReadRomFile.bin" of the working folder (the current directory).

namespace fwupdate {

// True when the whole ROM was written. Without a driver, or when a block cannot be read, no file
// is written (an existing one keeps its content).
bool DumpRom();

}  // namespace fwupdate
