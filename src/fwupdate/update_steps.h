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
#include <vector>

#include "fwupdate/bios_identity.h"

namespace fwupdate {

// Option flags that the sequence itself reads.
namespace update_flag {
inline constexpr uint32_t kBlockPowerOff = 0x00001;
inline constexpr uint32_t kSkipUpdateMicom = 0x00010;
inline constexpr uint32_t kNoMessageBox = 0x00020;
inline constexpr uint32_t kBreakEscd = 0x00100;
inline constexpr uint32_t kReadBios = 0x02000;
inline constexpr uint32_t kSkipUpdateFiles = 0x04000;
inline constexpr uint32_t kNoPrompt = 0x20000;
}  // namespace update_flag

// Message-box types of the updater's messages.
namespace message_type {
inline constexpr uint32_t kError = 16;
inline constexpr uint32_t kInformation = 64;
inline constexpr uint32_t kConfirm = 65;  // OK and Cancel, information icon
}  // namespace message_type

inline constexpr std::string_view kInitialBiosCommand = "SWinFlash bios.wph /P";
inline constexpr std::string_view kInitialMicomCommand = "WinUpV01_10 kbc.bin /FORCE";
// The name the selected BIOS image is used under, and the one "/SKIP_UPDATE_FILES" reads directly.
inline constexpr std::string_view kSelectedBiosImage = "bios.wph";

// What the steps of one run share: the option flags, the two command texts, the image lists and the
// two identities.
struct UpdateContext {
    uint32_t flags = 0;
    std::string biosCommand{kInitialBiosCommand};
    std::string micomCommand{kInitialMicomCommand};
    std::vector<std::string> biosImages;
    std::vector<std::string> micomImages;
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
    // A message request: the answer, or 1 (OK) without showing anything under "/NO_MESSAGEBOX". The
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

    // True when no hard disk has password protection enabled.
    virtual bool CheckHddPassword() = 0;
    // Sets the skip-MICOM flag when the working folder holds no MICOM image.
    virtual void ListImages(UpdateContext& context) = 0;
    virtual uint32_t ReadRunningBios(UpdateContext& context) = 0;
    virtual uint32_t ReadImage(std::string_view file, UpdateContext& context) = 0;
    virtual uint32_t SelectImages(UpdateContext& context) = 0;
    virtual uint32_t CheckDate(const UpdateContext& context) = 0;
    virtual void CompleteBiosCommand(UpdateContext& context) = 0;
    virtual uint32_t CheckModel(UpdateContext& context) = 0;
    virtual void PatchEscd() = 0;
    // Runs the flash tool and deletes its tool set: 0 or the step's result code.
    virtual uint32_t FlashBios(const UpdateContext& context) = 0;
    virtual uint32_t FlashMicom(const UpdateContext& context) = 0;
    virtual uint32_t EnableSmi() = 0;
    virtual uint32_t SetAutoPowerOn() = 0;
    virtual void PowerOff() = 0;
};

// Extracts the whole payload of the running executable into the current directory: what the progress
// window does when it appears. False when the executable cannot be read or the archive is unusable; a
// member that cannot be decompressed ends the process with status 1.
bool ExtractPayloadHere();

}  // namespace fwupdate
