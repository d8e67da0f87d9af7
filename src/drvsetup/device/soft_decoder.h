#pragma once

// The software decoder choice kept in the registry for other software to read: for each of four stream
// kinds, the splitters known for it, the video and audio decoders known to work with each splitter,
// and which of them are selected. The objects here are a cache of
//   HKLM\SOFTWARE\Vexa High-Tech\SotwareDecoder\<stream>\<splitter GUID>\{Video,Audio}
// filled by Load and written back by Save.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drvsetup/config/reg_data.h"
#include "platform/guid.h"

namespace drvsetup {

class IVexaSetting;

inline constexpr const char* kSoftwareDecoderKey = "SOFTWARE\\Vexa High-Tech\\SotwareDecoder";

namespace media_subtype {
inline constexpr const char* Mpeg2Program = "{E06D8022-DB46-11CF-B4D1-00805F6CBBEA}";
inline constexpr const char* Mpeg2Transport = "{E06D8023-DB46-11CF-B4D1-00805F6CBBEA}";
inline constexpr const char* Mpeg1System = "{E436EB84-524F-11CE-9F53-0020AF0BA770}";
}  // namespace media_subtype

namespace stream_type {
inline constexpr int32_t ProgramStream = 3;
inline constexpr int32_t Mpeg4Asf = 57;
inline constexpr int32_t TransportStream = 6;
inline constexpr int32_t Mpeg1Stream = 4;
}  // namespace stream_type

class ICFilterIDName {
  public:
    virtual platform::Guid Guid() const = 0;
    virtual const std::string& Name() const = 0;
    virtual void SetName(std::string_view name) = 0;
    virtual ~ICFilterIDName() = default;
};

class CFilterIDName : public ICFilterIDName {
  public:
    CFilterIDName(const platform::Guid& guid, std::string name) : guid_(guid), name_(std::move(name)) {}
    platform::Guid Guid() const override { return guid_; }
    const std::string& Name() const override { return name_; }
    void SetName(std::string_view name) override { name_ = std::string(name); }

  private:
    platform::Guid guid_;
    std::string name_;
};

class ISplitterFilterNode {
  public:
    virtual int32_t StreamType() const = 0;
    virtual int32_t SelectVideoByIndex(int32_t index) = 0;
    virtual int32_t SelectAudioByIndex(int32_t index) = 0;
    virtual int32_t SelectVideoByGuidText(std::string_view text) = 0;
    virtual int32_t SelectAudioByGuidText(std::string_view text) = 0;
    // none when the choice is no GUID text or names no decoder of the list.
    virtual const ICFilterIDName* SelectedVideo() const = 0;
    virtual const ICFilterIDName* SelectedAudio() const = 0;
    virtual StringRegData& VideoGuidSetting() = 0;
    virtual StringRegData& AudioGuidSetting() = 0;
    virtual ICFilterIDName& Splitter() = 0;
    virtual int32_t SplitterKind() const = 0;
    virtual const std::string& KeyPath() const = 0;
    virtual int32_t VideoCount() const = 0;
    virtual int32_t AudioCount() const = 0;
    virtual ICFilterIDName* VideoAt(int32_t index) = 0;
    virtual ICFilterIDName* AudioAt(int32_t index) = 0;
    virtual void Load() = 0;
    virtual void Save() = 0;
    virtual bool ChooseDefaultVideo() = 0;
    virtual bool ChooseDefaultAudio() = 0;
    virtual bool IsComplete() const = 0;
    // The entry is renamed "<n>_<name>", n counting from 1 within the list.
    virtual void AddVideo(std::unique_ptr<ICFilterIDName> entry) = 0;
    virtual void AddAudio(std::unique_ptr<ICFilterIDName> entry) = 0;
    virtual void ApplySetupIni(const IVexaSetting& record) = 0;
    virtual void StoreToSetupIni(IVexaSetting& record) const = 0;
    virtual ~ISplitterFilterNode() = default;
};

class IStreamSplitters {
  public:
    virtual ISplitterFilterNode* SelectedNode() = 0;
    virtual void Load() = 0;
    virtual void Save() = 0;
    virtual int32_t SelectByIndex(int32_t index) = 0;
    virtual int32_t SelectByGuidText(std::string_view text) = 0;
    virtual StringRegData& SelectedSplitterSetting() = 0;
    virtual int32_t NodeCount() const = 0;
    virtual ISplitterFilterNode* NodeAt(int32_t index) = 0;
    virtual void Clear() = 0;
    virtual int32_t ChooseDefaults() = 0;
    virtual bool AddNode(std::unique_ptr<ISplitterFilterNode> node) = 0;
    virtual void CopySelectionFrom(IStreamSplitters& other) = 0;
    virtual ~IStreamSplitters() = default;
};

class IStreamFilterList {
  public:
    virtual IStreamSplitters& ProgramStream() = 0;
    virtual IStreamSplitters& Mpeg4AsfStream() = 0;
    virtual IStreamSplitters& TransportStream() = 0;
    virtual IStreamSplitters& Mpeg1Stream() = 0;
    virtual ISplitterFilterNode* SelectedProgramNode() = 0;
    virtual ISplitterFilterNode* SelectedTransportNode() = 0;
    virtual ISplitterFilterNode* SelectedMpeg1Node() = 0;
    virtual ISplitterFilterNode* SelectedMpeg4AsfNode() = 0;
    virtual void SaveAll() = 0;
    virtual bool IsReadyFor(int32_t outputType) = 0;
    virtual void CopySelectionsFrom(IStreamFilterList& other) = 0;
    virtual void ReloadAll() = 0;
    virtual void ApplySetupIni(const IVexaSetting& record) = 0;
    virtual void StoreToSetupIni(IVexaSetting& record) = 0;
    virtual ~IStreamFilterList() = default;
};

// The kind code of a splitter: 1, 2, 3, 10 or 13 for the known ones, 0 for any other.
int32_t SplitterKindOf(const platform::Guid& splitter);

// One splitter of one stream kind, with the decoders known to work behind it.
//
// A decoder value whose data is no GUID text still becomes an entry under its value name, with the
// all-zero GUID: it stays visible to the engineer, never matches a real decoder choice, and is
// written back as the all-zero GUID text by Save. A "SplitterGuid" value that is no GUID text keeps
// the GUID of the node's own subkey, which is the splitter the node was filed under.
class SplitterFilterNode : public ISplitterFilterNode {
  public:
    SplitterFilterNode(const platform::Guid& splitter, int32_t streamType, std::string keyPath);

    int32_t StreamType() const override { return streamType_; }
    int32_t SelectVideoByIndex(int32_t index) override;
    int32_t SelectAudioByIndex(int32_t index) override;
    int32_t SelectVideoByGuidText(std::string_view text) override;
    int32_t SelectAudioByGuidText(std::string_view text) override;
    const ICFilterIDName* SelectedVideo() const override;
    const ICFilterIDName* SelectedAudio() const override;
    StringRegData& VideoGuidSetting() override { return videoChoice_; }
    StringRegData& AudioGuidSetting() override { return audioChoice_; }
    ICFilterIDName& Splitter() override { return splitter_; }
    int32_t SplitterKind() const override { return SplitterKindOf(splitter_.Guid()); }
    const std::string& KeyPath() const override { return keyPath_; }
    int32_t VideoCount() const override { return static_cast<int32_t>(video_.size()); }
    int32_t AudioCount() const override { return static_cast<int32_t>(audio_.size()); }
    ICFilterIDName* VideoAt(int32_t index) override;
    ICFilterIDName* AudioAt(int32_t index) override;
    void Load() override;
    void Save() override;
    bool ChooseDefaultVideo() override;
    bool ChooseDefaultAudio() override;
    bool IsComplete() const override { return SelectedVideo() != nullptr && SelectedAudio() != nullptr; }
    void AddVideo(std::unique_ptr<ICFilterIDName> entry) override;
    void AddAudio(std::unique_ptr<ICFilterIDName> entry) override;
    void ApplySetupIni(const IVexaSetting& record) override;
    // A choice that selects no decoder is stored as an empty text, which the setup INI reads as
    // "nothing chosen" (it holds no "{") rather than leaving an older choice that no longer applies.
    void StoreToSetupIni(IVexaSetting& record) const override;

  private:
    using DecoderList = std::vector<std::unique_ptr<ICFilterIDName>>;

    CFilterIDName splitter_;
    std::string keyPath_;
    int32_t streamType_;
    DecoderList video_;
    DecoderList audio_;
    StringRegData videoChoice_;
    StringRegData audioChoice_;
};

// The splitters of one stream kind.
class StreamSplitters : public IStreamSplitters {
  public:
    // streamKey: "ProgramStream", "TransportStream", ...
    StreamSplitters(std::string_view streamKey, std::string_view streamGuidText, int32_t streamType);

    ISplitterFilterNode* SelectedNode() override;
    void Load() override;
    void Save() override;
    int32_t SelectByIndex(int32_t index) override;
    int32_t SelectByGuidText(std::string_view text) override;
    StringRegData& SelectedSplitterSetting() override { return splitterChoice_; }
    int32_t NodeCount() const override { return static_cast<int32_t>(nodes_.size()); }
    ISplitterFilterNode* NodeAt(int32_t index) override;
    void Clear() override;
    int32_t ChooseDefaults() override;
    bool AddNode(std::unique_ptr<ISplitterFilterNode> node) override;
    void CopySelectionFrom(IStreamSplitters& other) override;

    const std::string& KeyPath() const { return keyPath_; }
    StringRegData& StreamGuidSetting() { return streamGuid_; }
    // Drops the cached nodes, leaving the registry as it is.
    void DeleteNodes() { nodes_.clear(); }

  private:
    std::vector<std::unique_ptr<ISplitterFilterNode>> nodes_;
    StringRegData splitterChoice_;
    std::string keyPath_;
    StringRegData streamGuid_;
    int32_t streamType_;
};

class StreamFilterList : public IStreamFilterList {
  public:
    // Seeds the registry from the record's decoder keys when the decoder key is missing, loads every
    // stream kind and applies the record's choices. With saveOnDestroy 1 the destructor saves all.
    StreamFilterList(uint8_t saveOnDestroy, const IVexaSetting& record);
    ~StreamFilterList() override;
    StreamFilterList(const StreamFilterList&) = delete;
    StreamFilterList& operator=(const StreamFilterList&) = delete;

    IStreamSplitters& ProgramStream() override { return program_; }
    IStreamSplitters& Mpeg4AsfStream() override { return mpeg4Asf_; }
    IStreamSplitters& TransportStream() override { return transport_; }
    IStreamSplitters& Mpeg1Stream() override { return mpeg1_; }
    ISplitterFilterNode* SelectedProgramNode() override { return program_.SelectedNode(); }
    ISplitterFilterNode* SelectedTransportNode() override { return transport_.SelectedNode(); }
    ISplitterFilterNode* SelectedMpeg1Node() override { return mpeg1_.SelectedNode(); }
    ISplitterFilterNode* SelectedMpeg4AsfNode() override { return mpeg4Asf_.SelectedNode(); }
    void SaveAll() override;
    bool IsReadyFor(int32_t outputType) override;
    void CopySelectionsFrom(IStreamFilterList& other) override;
    void ReloadAll() override;
    void ApplySetupIni(const IVexaSetting& record) override;
    void StoreToSetupIni(IVexaSetting& record) override;

  private:
    StreamSplitters program_;
    StreamSplitters mpeg4Asf_;
    StreamSplitters transport_;
    StreamSplitters mpeg1_;
    uint8_t saveOnDestroy_;
};

}  // namespace drvsetup
