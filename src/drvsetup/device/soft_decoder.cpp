#include "drvsetup/device/soft_decoder.h"

#include <algorithm>
#include <array>
#include <optional>

#include "drvsetup/config/hklm_reg_data.h"
#include "drvsetup/config/setup_key_ids.h"
#include "drvsetup/config/vexa_setting.h"
#include "drvsetup/device/guid_tools.h"
#include "platform/registry.h"

namespace drvsetup {

namespace {

constexpr const char* kMpeg2Demultiplexer = "{AFB6C280-2C41-11D3-8A60-0000F81E0E4A}";
constexpr const char* kMpeg2SplitterOther = "{3AE86B20-7BE8-11D1-ABE6-00A0C905F375}";
constexpr const char* kMpeg1Splitter = "{336475D0-942A-11CE-A870-00AA002FEAB5}";

struct SplitterKindEntry {
    const char* guid;
    int32_t kind;
};

constexpr std::array kSplitterKinds{
    SplitterKindEntry{kMpeg2SplitterOther, 1},
    SplitterKindEntry{kMpeg2Demultiplexer, 2},
    SplitterKindEntry{"{4EDEAD14-2AAF-4B94-B9B9-128D0D5D71AB}", 3},
    SplitterKindEntry{kMpeg1Splitter, 10},
    SplitterKindEntry{"{47B0901D-6273-4C21-B5B6-8CDD911B4E35}", 13},
};

// Decoders known to play well behind a splitter, most preferred first.
struct DecoderPreference {
    std::vector<const char*> splitters;
    std::vector<const char*> video;
    std::vector<const char*> audio;
};

const std::vector<DecoderPreference>& DecoderPreferences() {
    static const std::vector<DecoderPreference> table{
        {{kMpeg2Demultiplexer, kMpeg2SplitterOther},
         {"{45DD4624-2FD8-4721-81E1-415C5336A7FD}", "{8ACD52ED-9C2D-4008-9129-DCE955D86065}",
          "{9BC1B781-85E3-11D2-98D0-0080C84E9C39}", "{9A24C955-8845-4AC6-ADAD-9874E3B1317E}",
          "{F50B3F13-19C4-11CF-AA9A-02608C9BABA2}", "{0246CA20-776D-11D2-8010-00104B9B8592}",
          "{61DC8C73-3303-4A3B-86DC-20FBC250DCB1}", "{7EF53EA1-98E5-11D2-BFEA-006097C50E25}"},
         {"{9BC1B780-85E3-11D2-98D0-0080C84E9C39}", "{284DC28A-4A7D-442C-BC2E-D7480556E4D8}",
          "{7E2E0DC1-31FD-11D2-9C21-00104B3801F6}", "{71EF0221-05E1-4555-9243-B12F2D64D2A4}",
          "{1EDECD41-8B69-11D1-BFE9-006097C50D9C}"}},
        {{kMpeg1Splitter},
         {"{FEB50740-7BEF-11CE-9BD9-0000E202599C}", "{9A24C955-8845-4AC6-ADAD-9874E3B1317E}",
          "{0246CA20-776D-11D2-8010-00104B9B8592}", "{7EF53EA1-98E5-11D2-BFEA-006097C50E25}"},
         {"{4A2286E0-7BEF-11CE-9BD9-0000E202599C}"}},
    };
    return table;
}

platform::Guid GuidOf(const char* text) {
    return platform::StringToGuid(text).value_or(platform::Guid{});
}

bool IsOneOf(const platform::Guid& guid, const std::vector<const char*>& texts) {
    return std::any_of(texts.begin(), texts.end(),
                       [&guid](const char* text) { return GuidOf(text) == guid; });
}

std::optional<platform::Guid> ParseGuid(std::string_view text) {
    platform::Guid guid;
    if (!TextToGuid(text, guid)) {
        return std::nullopt;
    }
    return guid;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    return upper;
}

// The text from its first "{" to its end; none without a "{".
std::optional<std::string> FromBrace(std::string_view text) {
    size_t brace = text.find('{');
    if (brace == std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(text.substr(brace));
}

std::string JoinKey(std::string_view parent, std::string_view child) {
    std::string path(parent);
    path.push_back('\\');
    path.append(child);
    return path;
}

std::string NameAndGuid(const ICFilterIDName& entry) {
    std::string text = entry.Name();
    text.push_back('|');
    text.append(platform::GuidToString(entry.Guid()));
    return text;
}

std::vector<std::string> ListNames(const HKLM_RegDataRW& reg, bool subkeys) {
    if (!reg.Key()) {
        return {};
    }
    platform::Result<std::vector<std::string>> names =
        subkeys ? reg.Key()->SubkeyNames() : reg.Key()->ValueNames();
    return names ? std::move(names).value() : std::vector<std::string>{};
}

using DecoderList = std::vector<std::unique_ptr<ICFilterIDName>>;

void LoadDecoders(const std::string& keyPath, DecoderList& list) {
    HKLM_RegDataRW reg(keyPath, false);
    for (const std::string& name : ListNames(reg, false)) {
        StringRegData data(name, "Error");
        data.Load(reg);
        platform::Guid guid{};
        TextToGuid(data.Get(), guid);
        list.push_back(std::make_unique<CFilterIDName>(guid, name));
    }
}

void SaveDecoders(const std::string& keyPath, const DecoderList& list) {
    HKLM_RegDataRW reg(keyPath, false);
    for (const std::unique_ptr<ICFilterIDName>& entry : list) {
        reg.WriteString(entry->Name(), platform::GuidToString(entry->Guid()));
    }
}

int32_t SelectByIndex(const DecoderList& list, int32_t index, StringRegData& choice) {
    if (index < 0 || static_cast<size_t>(index) >= list.size()) {
        return 0;
    }
    choice.Set(platform::GuidToString(list[static_cast<size_t>(index)]->Guid()));
    return 1;
}

int32_t SelectByGuidText(const DecoderList& list, std::string_view text, StringRegData& choice) {
    std::string upper = Upper(text);
    for (const std::unique_ptr<ICFilterIDName>& entry : list) {
        std::string guidText = platform::GuidToString(entry->Guid());
        if (guidText == upper) {
            choice.Set(guidText);
            return 1;
        }
    }
    return 0;
}

const ICFilterIDName* FindDecoder(const DecoderList& list, const platform::Guid& guid) {
    auto it = std::find_if(list.begin(), list.end(), [&guid](const std::unique_ptr<ICFilterIDName>& entry) {
        return entry->Guid() == guid;
    });
    return it == list.end() ? nullptr : it->get();
}

const ICFilterIDName* Selected(const DecoderList& list, const StringRegData& choice) {
    std::optional<platform::Guid> guid = ParseGuid(choice.Get());
    return guid ? FindDecoder(list, *guid) : nullptr;
}

bool ChooseDefault(const platform::Guid& splitter, const DecoderList& list,
                   std::vector<const char*> DecoderPreference::*column, StringRegData& choice) {
    const std::vector<DecoderPreference>& table = DecoderPreferences();
    auto row = std::find_if(table.begin(), table.end(), [&splitter](const DecoderPreference& entry) {
        return IsOneOf(splitter, entry.splitters);
    });
    if (row == table.end()) {
        return true;
    }
    for (const char* preferred : (*row).*column) {
        if (FindDecoder(list, GuidOf(preferred)) != nullptr) {
            choice.Set(preferred);
            return true;
        }
    }
    if (list.empty()) {
        choice.Set("");
        return false;
    }
    choice.Set(platform::GuidToString(list.front()->Guid()));
    return true;
}

void AddNumbered(DecoderList& list, std::unique_ptr<ICFilterIDName> entry) {
    std::string name = std::to_string(list.size() + 1);
    name.push_back('_');
    name.append(entry->Name());
    entry->SetName(name);
    list.push_back(std::move(entry));
}

}  // namespace

int32_t SplitterKindOf(const platform::Guid& splitter) {
    for (const SplitterKindEntry& entry : kSplitterKinds) {
        if (GuidOf(entry.guid) == splitter) {
            return entry.kind;
        }
    }
    return 0;
}

// ---- SplitterFilterNode ----

SplitterFilterNode::SplitterFilterNode(const platform::Guid& splitter, int32_t streamType,
                                       std::string keyPath)
    : splitter_(splitter, "Unknown"),
      keyPath_(std::move(keyPath)),
      streamType_(streamType),
      videoChoice_("VideoGuid", ""),
      audioChoice_("AudioGuid", "") {}

int32_t SplitterFilterNode::SelectVideoByIndex(int32_t index) {
    return drvsetup::SelectByIndex(video_, index, videoChoice_);
}

int32_t SplitterFilterNode::SelectAudioByIndex(int32_t index) {
    return drvsetup::SelectByIndex(audio_, index, audioChoice_);
}

int32_t SplitterFilterNode::SelectVideoByGuidText(std::string_view text) {
    return drvsetup::SelectByGuidText(video_, text, videoChoice_);
}

int32_t SplitterFilterNode::SelectAudioByGuidText(std::string_view text) {
    return drvsetup::SelectByGuidText(audio_, text, audioChoice_);
}

const ICFilterIDName* SplitterFilterNode::SelectedVideo() const {
    return Selected(video_, videoChoice_);
}

const ICFilterIDName* SplitterFilterNode::SelectedAudio() const {
    return Selected(audio_, audioChoice_);
}

ICFilterIDName* SplitterFilterNode::VideoAt(int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < video_.size() ? video_[static_cast<size_t>(index)].get()
                                                                    : nullptr;
}

ICFilterIDName* SplitterFilterNode::AudioAt(int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < audio_.size() ? audio_[static_cast<size_t>(index)].get()
                                                                    : nullptr;
}

void SplitterFilterNode::Load() {
    video_.clear();
    audio_.clear();
    HKLM_RegDataRW reg(keyPath_, false);
    StringRegData name("SplitterName", splitter_.Name());
    StringRegData guidText("SplitterGuid", platform::GuidToString(splitter_.Guid()));
    name.Load(reg);
    guidText.Load(reg);
    videoChoice_.Load(reg);
    audioChoice_.Load(reg);
    platform::Guid guid = splitter_.Guid();
    TextToGuid(guidText.Get(), guid);
    splitter_ = CFilterIDName(guid, name.Get());
    LoadDecoders(JoinKey(keyPath_, "Video"), video_);
    LoadDecoders(JoinKey(keyPath_, "Audio"), audio_);
}

void SplitterFilterNode::Save() {
    HKLM_RegDataRW reg(keyPath_, false);
    reg.WriteString("SplitterName", splitter_.Name());
    reg.WriteString("SplitterGuid", platform::GuidToString(splitter_.Guid()));
    videoChoice_.Save(reg);
    audioChoice_.Save(reg);
    SaveDecoders(JoinKey(keyPath_, "Video"), video_);
    SaveDecoders(JoinKey(keyPath_, "Audio"), audio_);
}

bool SplitterFilterNode::ChooseDefaultVideo() {
    return ChooseDefault(splitter_.Guid(), video_, &DecoderPreference::video, videoChoice_);
}

bool SplitterFilterNode::ChooseDefaultAudio() {
    return ChooseDefault(splitter_.Guid(), audio_, &DecoderPreference::audio, audioChoice_);
}

void SplitterFilterNode::AddVideo(std::unique_ptr<ICFilterIDName> entry) {
    AddNumbered(video_, std::move(entry));
}

void SplitterFilterNode::AddAudio(std::unique_ptr<ICFilterIDName> entry) {
    AddNumbered(audio_, std::move(entry));
}

void SplitterFilterNode::ApplySetupIni(const IVexaSetting& record) {
    std::optional<std::string> audio = FromBrace(record.GetString(key::Mpeg2AudioDecoder));
    std::optional<platform::Guid> audioGuid = audio ? ParseGuid(*audio) : std::nullopt;
    if (!audioGuid) {
        return;
    }
    if (FindDecoder(audio_, *audioGuid) != nullptr) {
        SelectAudioByGuidText(*audio);
    }
    std::optional<std::string> video = FromBrace(record.GetString(key::mpeg2VideoDecoderGuid));
    std::optional<platform::Guid> videoGuid = video ? ParseGuid(*video) : std::nullopt;
    if (videoGuid && FindDecoder(video_, *videoGuid) != nullptr) {
        SelectVideoByGuidText(*video);
    }
}

void SplitterFilterNode::StoreToSetupIni(IVexaSetting& record) const {
    const ICFilterIDName* video = SelectedVideo();
    const ICFilterIDName* audio = SelectedAudio();
    record.SetString(key::Mpeg2Splitter, NameAndGuid(splitter_));
    record.SetString(key::mpeg2VideoDecoderGuid, video != nullptr ? NameAndGuid(*video) : std::string());
    record.SetString(key::Mpeg2AudioDecoder, audio != nullptr ? NameAndGuid(*audio) : std::string());
}

// ---- StreamSplitters ----

StreamSplitters::StreamSplitters(std::string_view streamKey, std::string_view streamGuidText,
                                 int32_t streamType)
    : splitterChoice_("SelectedSplitterGuid", "Error"),
      keyPath_(JoinKey(kSoftwareDecoderKey, streamKey)),
      streamGuid_("StreamGuid", std::string(streamGuidText)),
      streamType_(streamType) {}

ISplitterFilterNode* StreamSplitters::SelectedNode() {
    std::optional<platform::Guid> guid = ParseGuid(splitterChoice_.Get());
    if (!guid) {
        return nullptr;
    }
    for (const std::unique_ptr<ISplitterFilterNode>& node : nodes_) {
        if (node->Splitter().Guid() == *guid) {
            return node.get();
        }
    }
    return nullptr;
}

void StreamSplitters::Load() {
    HKLM_RegDataRW reg(keyPath_, false);
    for (const std::string& name : ListNames(reg, true)) {
        std::optional<platform::Guid> guid = ParseGuid(name);
        if (!guid) {
            continue;
        }
        auto node = std::make_unique<SplitterFilterNode>(*guid, streamType_, JoinKey(keyPath_, name));
        node->Load();
        nodes_.push_back(std::move(node));
    }
    splitterChoice_.Load(reg);
    streamGuid_.Load(reg);
}

void StreamSplitters::Save() {
    {
        HKLM_RegDataRW reg(keyPath_, false);
        splitterChoice_.Save(reg);
        streamGuid_.Save(reg);
    }
    for (const std::unique_ptr<ISplitterFilterNode>& node : nodes_) {
        node->Save();
    }
}

int32_t StreamSplitters::SelectByIndex(int32_t index) {
    ISplitterFilterNode* node = NodeAt(index);
    if (node == nullptr) {
        return 0;
    }
    splitterChoice_.Set(platform::GuidToString(node->Splitter().Guid()));
    return 1;
}

int32_t StreamSplitters::SelectByGuidText(std::string_view text) {
    std::string upper = Upper(text);
    for (const std::unique_ptr<ISplitterFilterNode>& node : nodes_) {
        std::string guidText = platform::GuidToString(node->Splitter().Guid());
        if (guidText == upper) {
            splitterChoice_.Set(guidText);
            return 1;
        }
    }
    return 0;
}

ISplitterFilterNode* StreamSplitters::NodeAt(int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < nodes_.size() ? nodes_[static_cast<size_t>(index)].get()
                                                                    : nullptr;
}

void StreamSplitters::Clear() {
    HKLM_RegDataRW root(kSoftwareDecoderKey, false);
    platform::Result<platform::Registry*> registry = platform::CurrentRegistry();
    std::optional<platform::Guid> stream = ParseGuid(streamGuid_.Get());
    const char* doomed = nullptr;
    if (stream == GuidOf(media_subtype::Mpeg2Program)) {
        doomed = "ProgramStream";
    } else if (stream == GuidOf(media_subtype::Mpeg2Transport)) {
        doomed = "TransportStream";
    } else if (stream == GuidOf(media_subtype::Mpeg1System)) {
        doomed = "Mpeg1Stream";
    }
    if (root.IsOpen() && registry && doomed != nullptr) {
        // A key that is already gone is what Clear wants anyway.
        (void)(*registry)->DeleteTree(JoinKey(kSoftwareDecoderKey, doomed));
    }
    nodes_.clear();
    splitterChoice_.Set("");
}

int32_t StreamSplitters::ChooseDefaults() {
    std::optional<platform::Guid> stream = ParseGuid(streamGuid_.Get());
    std::vector<const char*> preferred;
    if (stream == GuidOf(media_subtype::Mpeg2Program)) {
        preferred = {kMpeg2Demultiplexer, kMpeg2SplitterOther};
    } else if (stream == GuidOf(media_subtype::Mpeg1System)) {
        preferred = {kMpeg1Splitter};
    } else {
        return 0;
    }
    ISplitterFilterNode* chosen = nullptr;
    for (const std::unique_ptr<ISplitterFilterNode>& node : nodes_) {
        if (IsOneOf(node->Splitter().Guid(), preferred)) {
            chosen = node.get();
        }
    }
    if (chosen == nullptr) {
        splitterChoice_.Set("");
        return 0;
    }
    splitterChoice_.Set(platform::GuidToString(chosen->Splitter().Guid()));
    for (const std::unique_ptr<ISplitterFilterNode>& node : nodes_) {
        node->ChooseDefaultVideo();
        node->ChooseDefaultAudio();
    }
    return 1;
}

bool StreamSplitters::AddNode(std::unique_ptr<ISplitterFilterNode> node) {
    nodes_.push_back(std::move(node));
    return true;
}

void StreamSplitters::CopySelectionFrom(IStreamSplitters& other) {
    splitterChoice_.Set(other.SelectedSplitterSetting().Get());
    for (const std::unique_ptr<ISplitterFilterNode>& node : nodes_) {
        for (int32_t i = 0; i < other.NodeCount(); ++i) {
            ISplitterFilterNode* counterpart = other.NodeAt(i);
            if (counterpart->Splitter().Guid() == node->Splitter().Guid()) {
                node->VideoGuidSetting().Set(counterpart->VideoGuidSetting().Get());
                node->AudioGuidSetting().Set(counterpart->AudioGuidSetting().Get());
                break;
            }
        }
    }
}

// ---- StreamFilterList ----

namespace {

// Writes the record's program-stream choice as the only splitter known, so a fresh system starts with
// what the setup INI names.
void SeedFromSetupIni(const IVexaSetting& record) {
    std::string splitter = record.GetString(key::Mpeg2Splitter);
    std::string video = record.GetString(key::mpeg2VideoDecoderGuid);
    std::string audio = record.GetString(key::Mpeg2AudioDecoder);
    if (splitter.empty() || video.empty() || audio.empty()) {
        return;
    }
    std::string splitterGuid = AfterBar(splitter);
    std::string videoGuid = AfterBar(video);
    std::string audioGuid = AfterBar(audio);
    std::string streamKey = JoinKey(kSoftwareDecoderKey, "ProgramStream");
    std::string nodeKey = JoinKey(streamKey, splitterGuid);

    HKLM_RegDataRW stream(streamKey, false);
    stream.WriteString("SelectedSplitterGuid", splitterGuid);
    HKLM_RegDataRW node(nodeKey, false);
    node.WriteString("SplitterGuid", splitterGuid);
    node.WriteString("SplitterName", BeforeBar(splitter));
    node.WriteString("VideoGuid", videoGuid);
    node.WriteString("AudioGuid", audioGuid);
    HKLM_RegDataRW(JoinKey(nodeKey, "Video"), false).WriteString(BeforeBar(video), videoGuid);
    HKLM_RegDataRW(JoinKey(nodeKey, "Audio"), false).WriteString(BeforeBar(audio), audioGuid);
}

}  // namespace

StreamFilterList::StreamFilterList(uint8_t saveOnDestroy, const IVexaSetting& record)
    : program_("ProgramStream", media_subtype::Mpeg2Program, stream_type::ProgramStream),
      mpeg4Asf_("Mpeg4AsfStream", media_subtype::Mpeg2Program, stream_type::Mpeg4Asf),
      transport_("TransportStream", media_subtype::Mpeg2Transport, stream_type::TransportStream),
      mpeg1_("Mpeg1Stream", media_subtype::Mpeg1System, stream_type::Mpeg1Stream),
      saveOnDestroy_(saveOnDestroy) {
    platform::Result<platform::Registry*> registry = platform::CurrentRegistry();
    if (registry && !(*registry)->KeyExists(kSoftwareDecoderKey)) {
        SeedFromSetupIni(record);
    }
    ReloadAll();
    ApplySetupIni(record);
}

StreamFilterList::~StreamFilterList() {
    if (saveOnDestroy_ == 1) {
        SaveAll();
    }
}

void StreamFilterList::SaveAll() {
    for (StreamSplitters* set : {&program_, &transport_, &mpeg1_, &mpeg4Asf_}) {
        set->Save();
    }
}

void StreamFilterList::ReloadAll() {
    for (StreamSplitters* set : {&program_, &transport_, &mpeg1_, &mpeg4Asf_}) {
        set->DeleteNodes();
        set->Load();
    }
}

bool StreamFilterList::IsReadyFor(int32_t outputType) {
    switch (outputType) {
        case 0:
        case 4: {
            ISplitterFilterNode* node = mpeg1_.SelectedNode();
            return node != nullptr && node->IsComplete();
        }
        case 1:
        case 3:
        case 5: {
            ISplitterFilterNode* node = program_.SelectedNode();
            return node != nullptr && node->IsComplete();
        }
        case 57:
            // The MPEG-4 / ASF output plays without a chosen splitter.
            (void)mpeg4Asf_.SelectedNode();
            return true;
        default:
            return true;
    }
}

void StreamFilterList::CopySelectionsFrom(IStreamFilterList& other) {
    program_.CopySelectionFrom(other.ProgramStream());
    mpeg4Asf_.CopySelectionFrom(other.Mpeg4AsfStream());
    transport_.CopySelectionFrom(other.TransportStream());
    mpeg1_.CopySelectionFrom(other.Mpeg1Stream());
}

void StreamFilterList::ApplySetupIni(const IVexaSetting& record) {
    std::optional<std::string> text = FromBrace(record.GetString(key::Mpeg2Splitter));
    std::optional<platform::Guid> guid = text ? ParseGuid(*text) : std::nullopt;
    if (!guid) {
        return;
    }
    for (int32_t i = 0; i < program_.NodeCount(); ++i) {
        ISplitterFilterNode* node = program_.NodeAt(i);
        if (node->Splitter().Guid() == *guid) {
            program_.SelectByGuidText(*text);
            node->ApplySetupIni(record);
            return;
        }
    }
}

void StreamFilterList::StoreToSetupIni(IVexaSetting& record) {
    if (ISplitterFilterNode* node = program_.SelectedNode()) {
        node->StoreToSetupIni(record);
    }
}

}  // namespace drvsetup
