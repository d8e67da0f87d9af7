#pragma once

// The steps the update sequence calls, one operation each, behind an interface: the sequence decides
// what happens after each step, the steps do the work. The real steps drive the working folder, the
// simulated notebook and the flash tools; the sequence's tests use a fake.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "fwupdate/bios_identity.h"
#include "fwupdate/checks.h"
#include "fwupdate/options.h"

namespace fwupdate {

class ResourceModule;

// What the steps of one run share: the option flags and the two command texts, the image lists and
// the two identities.
struct UpdateContext : UpdateOptions {
    ImageLists images;
    BiosIdentity running;
    ImageIdentity image;
};

class UpdateSteps {
  public:
    virtual ~UpdateSteps() = default;

    // Result codes are 0 for success or the code the sequence reports.
    virtual uint32_t ParseOptions(std::string_view commandLine, UpdateContext& context) = 0;
    virtual uint32_t CheckPower(const UpdateContext& context) = 0;
    virtual bool PrepareWorkingFolder() = 0;
    // False when there is too little room; the check has shown its own message then.
    virtual bool CheckDiskSpace(const UpdateContext& context) = 0;
    // A message request: the answer, or IDOK without showing anything under "/NO_MESSAGEBOX". The
    // texts are final; nothing in them is taken as a format.
    virtual int Message(const UpdateContext& context, uint32_t type, const std::string& title,
                        const std::string& text) = 0;

    // Starts the progress window, which extracts the payload and signals the sequence's event. False
    // when it cannot be started.
    virtual bool StartProgressWindow() = 0;
    virtual void Pause(std::chrono::milliseconds duration) = 0;

    virtual void LockInput() = 0;
    virtual void UnlockInput() = 0;
    virtual void DumpRom() = 0;
    virtual void DeleteToolFiles() = 0;
    virtual void DeleteUnselectedImages(const UpdateContext& context) = 0;
    virtual void DeleteDriverFile() = 0;

    // 0, or the result code of a hard disk with password protection enabled.
    virtual uint32_t CheckHddPassword() = 0;
    // Sets the skip-MICOM flag when the working folder holds no MICOM image.
    virtual void ListImages(UpdateContext& context) = 0;
    virtual uint32_t ReadRunningBios(UpdateContext& context) = 0;
    virtual uint32_t ReadImage(std::string_view file, UpdateContext& context) = 0;
    virtual uint32_t SelectImages(UpdateContext& context) = 0;
    virtual uint32_t CheckDate(const UpdateContext& context) = 0;
    virtual void CompleteBiosCommand(UpdateContext& context) = 0;
    virtual uint32_t CheckModel(UpdateContext& context) = 0;
    virtual void PatchEscd() = 0;
    // Runs the flash tool and deletes its tool set: 0, or non-zero when the tool failed or could not
    // be started.
    virtual uint32_t FlashBios(const UpdateContext& context) = 0;
    virtual uint32_t FlashMicom(const UpdateContext& context) = 0;
    virtual uint32_t EnableSmi() = 0;
    virtual uint32_t SetAutoPowerOn() = 0;
    virtual void PowerOff() = 0;
};

// The steps over the working folder, the simulated notebook and the flash tools. Messages and the
// disk-space message load their texts from `resources`; `startWindow` starts the progress window.
std::unique_ptr<UpdateSteps> MakeUpdateSteps(const ResourceModule& resources,
                                             std::function<bool()> startWindow);

// Extracts the whole payload of the running executable into the current directory: what the progress
// window does when it appears. False when the executable cannot be read or the archive is unusable; a
// member that cannot be decompressed ends the process with status 1.
bool ExtractPayloadHere();

}  // namespace fwupdate
