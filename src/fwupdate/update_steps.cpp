#include "fwupdate/update_steps.h"

#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

#include "fwupdate/disk_password.h"
#include "fwupdate/flash_steps.h"
#include "fwupdate/gzip_member.h"
#include "fwupdate/input_lock_journal.h"
#include "fwupdate/messages.h"
#include "fwupdate/payload_archive.h"
#include "fwupdate/power_control.h"
#include "fwupdate/rom_dump.h"
#include "fwupdate/running_bios.h"
#include "fwupdate/smi_enable.h"
#include "fwupdate/working_folder.h"
#include "platform/ascii.h"
#include "platform/paths.h"

namespace fwupdate {

namespace {

std::filesystem::path CurrentFolder() {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path() : folder;
}

// The payload's programs (the flash tools) are started from the working folder. Windows runs any
// ".exe"; the file system here runs only files marked executable, and extraction writes plain files.
void MarkProgramsExecutable(const std::filesystem::path& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        std::error_code fileError;
        if (entry.is_regular_file(fileError) &&
            platform::EqualsNoCase(entry.path().extension().string(), ".exe")) {
            std::filesystem::permissions(entry.path(),
                                         std::filesystem::perms::owner_exec |
                                             std::filesystem::perms::group_exec |
                                             std::filesystem::perms::others_exec,
                                         std::filesystem::perm_options::add, fileError);
        }
    }
}

// A flash tool run: the tool's exit status decides, its files go whatever the status.
uint32_t RunFlashTool(const std::string& command, void (*deleteToolSet)()) {
    const int status = RunTool(WorkingFolderPath(), command);
    deleteToolSet();
    return status == 0 ? 0 : 1;
}

class RealUpdateSteps : public UpdateSteps {
  public:
    RealUpdateSteps(const ResourceModule& resources, std::function<bool()> startWindow)
        : resources_(resources), startWindow_(std::move(startWindow)) {}

    uint32_t ParseOptions(std::string_view commandLine, UpdateContext& context) override {
        return fwupdate::ParseOptions(commandLine, context);
    }
    uint32_t CheckPower(const UpdateContext& context) override { return fwupdate::CheckPower(context.flags); }
    bool PrepareWorkingFolder() override {
        // A run that ended while input was locked left its journal there; input is given back before
        // the folder is emptied of the journal and the driver it needs.
        if (const std::string folder = WorkingFolderPath(); !folder.empty()) {
            RecoverInputLock(platform::NativePath(folder));
        }
        return fwupdate::PrepareWorkingFolder();
    }
    bool CheckDiskSpace(const UpdateContext& context) override {
        return fwupdate::CheckDiskSpace(FreeDiskMiB(CurrentFolder()), context.flags, resources_);
    }
    int Message(const UpdateContext& context, uint32_t type, const std::string& title,
                const std::string& text) override {
        return ShowMessage(context.flags, type, title, "%s", text.c_str());
    }

    bool StartProgressWindow() override { return startWindow_ && startWindow_(); }
    void Pause(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration); }

    void LockInput() override { LockInputJournaled(CurrentFolder(), platform::ExecutablePath()); }
    void UnlockInput() override { UnlockInputJournaled(CurrentFolder()); }
    void DumpRom() override { fwupdate::DumpRom(); }
    void DeleteToolFiles() override { fwupdate::DeleteToolFiles(); }
    void DeleteUnselectedImages(const UpdateContext& context) override {
        fwupdate::DeleteUnselectedImages(CurrentFolder(), context.images);
    }
    void DeleteDriverFile() override { fwupdate::DeleteDriverFile(); }

    uint32_t CheckHddPassword() override { return CheckHardDiskPassword(); }
    void ListImages(UpdateContext& context) override {
        context.images = fwupdate::ListImages(CurrentFolder(), context.flags);
    }
    uint32_t ReadRunningBios(UpdateContext& context) override {
        return ReadRunningBiosIdentity(context.running);
    }
    uint32_t ReadImage(std::string_view file, UpdateContext& context) override {
        return ReadImageIdentity(CurrentFolder() / file, context.image);
    }
    uint32_t SelectImages(UpdateContext& context) override {
        return fwupdate::SelectImages(CurrentFolder(), context.images, context.running, context.flags,
                                      context.image, ReadImageIdentity);
    }
    uint32_t CheckDate(const UpdateContext& context) override {
        return fwupdate::CheckDate(context.flags, context.running, context.image);
    }
    void CompleteBiosCommand(UpdateContext& context) override {
        // Options that would not fit the tool's command buffer are left off rather than cut.
        fwupdate::CompleteBiosCommand(context.running, context.image, context.flags, context.biosCommand);
    }
    uint32_t CheckModel(UpdateContext& context) override {
        return CheckModelAndPart(context.flags, context.running, context.image);
    }
    void PatchEscd() override { fwupdate::PatchEscd(CurrentFolder() / kSelectedBiosImage); }
    uint32_t FlashBios(const UpdateContext& context) override {
        return RunFlashTool(context.biosCommand, DeleteBiosToolSet);
    }
    uint32_t FlashMicom(const UpdateContext& context) override {
        return RunFlashTool(context.micomCommand, DeleteMicomToolSet);
    }
    uint32_t EnableSmi() override { return fwupdate::EnableSmi(); }
    uint32_t SetAutoPowerOn() override { return fwupdate::SetAutoPowerOn(); }
    void PowerOff() override { fwupdate::PowerOff(kExitWindowsPowerOff); }

  private:
    const ResourceModule& resources_;
    std::function<bool()> startWindow_;
};

}  // namespace

std::unique_ptr<UpdateSteps> MakeUpdateSteps(const ResourceModule& resources,
                                             std::function<bool()> startWindow) {
    return std::make_unique<RealUpdateSteps>(resources, std::move(startWindow));
}

bool ExtractPayloadHere() {
    const std::string executable = platform::ExecutablePath();
    if (executable.empty()) {
        return false;
    }
    std::optional<uint32_t> offset = ReadArchiveOffset(executable);
    if (!offset) {
        return false;
    }
    const std::filesystem::path here = CurrentFolder();
    if (here.empty()) {
        return false;
    }
    auto status = ExtractAll(std::filesystem::path(executable), *offset, here);
    if (!status) {
        EndOnDecompressionFailure(status.error());
    }
    if (*status != ExtractStatus::kSuccess) {
        return false;
    }
    MarkProgramsExecutable(here);
    return true;
}

}  // namespace fwupdate
