#include "drvsetup/device/soft_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drvsetup/config/hw_setting.h"
#include "drvsetup/config/setup_key_ids.h"
#include "platform/registry.h"
#include "support/temp_root.h"

namespace {

using namespace drvsetup;

const std::string kDemux = "{AFB6C280-2C41-11D3-8A60-0000F81E0E4A}";
const std::string kOtherMpeg2 = "{3AE86B20-7BE8-11D1-ABE6-00A0C905F375}";
const std::string kMpeg1Splitter = "{336475D0-942A-11CE-A870-00AA002FEAB5}";
const std::string kForeign = "{11111111-2222-3333-4444-555555555555}";
const std::string kVideoBest = "{45DD4624-2FD8-4721-81E1-415C5336A7FD}";
const std::string kVideoSecond = "{8ACD52ED-9C2D-4008-9129-DCE955D86065}";
const std::string kVideoSixth = "{0246CA20-776D-11D2-8010-00104B9B8592}";
const std::string kVideoOther = "{99999999-8888-7777-6666-555555555555}";
const std::string kAudioBest = "{9BC1B780-85E3-11D2-98D0-0080C84E9C39}";
const std::string kAudioOther = "{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";
const std::string kProgramKey = "SOFTWARE\\Vexa High-Tech\\SotwareDecoder\\ProgramStream";
const std::string kTransportKey = "SOFTWARE\\Vexa High-Tech\\SotwareDecoder\\TransportStream";

platform::Guid G(const std::string& text) {
    return platform::StringToGuid(text).value();
}

std::string Bar(std::string_view name, std::string_view guid) {
    std::string text(name);
    text.push_back('|');
    text.append(guid);
    return text;
}

std::string Key(std::string_view parent, std::string_view child) {
    std::string path(parent);
    path.push_back('\\');
    path.append(child);
    return path;
}

class SoftDecoderTest : public ::testing::Test {
  protected:
    platform::Registry& Registry() { return *platform::CurrentRegistry().value(); }

    void Put(const std::string& key, const std::string& name, const std::string& text) {
        ASSERT_TRUE(Registry().OpenKey(key, true).value().SetString(name, text).ok());
    }
    std::optional<std::string> Get(const std::string& key, const std::string& name) {
        std::optional<platform::RegKey> found = Registry().FindKey(key);
        return found ? found->QueryString(name) : std::nullopt;
    }

    // A splitter subkey with its choices and decoders, as another program of the kit would leave it.
    void PutNode(const std::string& streamKey, const std::string& splitter, const std::string& name,
                 const std::vector<std::pair<std::string, std::string>>& video,
                 const std::vector<std::pair<std::string, std::string>>& audio,
                 const std::string& videoChoice = "", const std::string& audioChoice = "") {
        std::string node = Key(streamKey, splitter);
        Put(node, "SplitterName", name);
        Put(node, "SplitterGuid", splitter);
        Put(node, "VideoGuid", videoChoice);
        Put(node, "AudioGuid", audioChoice);
        Registry().OpenKey(Key(node, "Video"), true).value();
        Registry().OpenKey(Key(node, "Audio"), true).value();
        for (const auto& [decoder, guid] : video) {
            Put(Key(node, "Video"), decoder, guid);
        }
        for (const auto& [decoder, guid] : audio) {
            Put(Key(node, "Audio"), decoder, guid);
        }
    }

    HwSettingIO Record(const std::string& splitter, const std::string& video, const std::string& audio) {
        HwSettingIO record(718, 718);
        record.SetString(key::Mpeg2Splitter, splitter);
        record.SetString(key::mpeg2VideoDecoderGuid, video);
        record.SetString(key::Mpeg2AudioDecoder, audio);
        return record;
    }

    HwSettingIO SeedRecord() {
        return Record(Bar("Demux", kDemux), Bar("V", kVideoBest), Bar("A", kAudioBest));
    }

    kit_test::TempSystemRoot root_;
};

TEST_F(SoftDecoderTest, FirstConstructionSeedsTheProgramStreamFromTheSetupIni) {
    HwSettingIO record = SeedRecord();
    StreamFilterList list(0, record);

    IStreamSplitters& program = list.ProgramStream();
    ASSERT_EQ(program.NodeCount(), 1);
    ISplitterFilterNode* node = program.NodeAt(0);
    EXPECT_EQ(node->Splitter().Name(), "Demux");
    EXPECT_EQ(node->Splitter().Guid(), G(kDemux));
    EXPECT_EQ(node->StreamType(), 3);
    EXPECT_EQ(node->SplitterKind(), 2);
    EXPECT_EQ(node->KeyPath(), Key(kProgramKey, kDemux));
    ASSERT_EQ(node->VideoCount(), 1);
    ASSERT_EQ(node->AudioCount(), 1);
    EXPECT_EQ(node->VideoAt(0)->Name(), "V");
    EXPECT_EQ(node->AudioAt(0)->Name(), "A");
    ASSERT_NE(node->SelectedVideo(), nullptr);
    EXPECT_EQ(node->SelectedVideo()->Guid(), G(kVideoBest));
    ASSERT_NE(node->SelectedAudio(), nullptr);
    EXPECT_EQ(node->SelectedAudio()->Guid(), G(kAudioBest));
    EXPECT_EQ(list.SelectedProgramNode(), node);
    EXPECT_EQ(Get(kProgramKey, "SelectedSplitterGuid"), kDemux);

    // The other kinds have their keys now and nothing in them.
    EXPECT_EQ(list.TransportStream().NodeCount(), 0);
    EXPECT_TRUE(Registry().KeyExists("SOFTWARE\\Vexa High-Tech\\SotwareDecoder\\Mpeg4AsfStream"));
    EXPECT_EQ(list.SelectedMpeg1Node(), nullptr);
    EXPECT_EQ(list.Mpeg1Stream().SelectedSplitterSetting().Get(), "Error");

    // Ready: the program-stream outputs have a complete choice, the MPEG-1 ones none.
    struct Case {
        int32_t output;
        bool ready;
    };
    for (Case c : {Case{1, true}, Case{3, true}, Case{5, true}, Case{0, false}, Case{4, false},
                   Case{57, true}, Case{2, true}, Case{-1, true}}) {
        EXPECT_EQ(list.IsReadyFor(c.output), c.ready) << c.output;
    }
}

TEST_F(SoftDecoderTest, AnEmptySetupValueSeedsNothingAndLaterRecordsDoNotReseed) {
    { StreamFilterList first(0, Record(Bar("Demux", kDemux), "", Bar("A", kAudioBest))); }
    EXPECT_TRUE(Registry().KeyExists("SOFTWARE\\Vexa High-Tech\\SotwareDecoder"));
    StreamFilterList second(0, SeedRecord());
    EXPECT_EQ(second.ProgramStream().NodeCount(), 0);
    EXPECT_FALSE(second.IsReadyFor(3));
}

TEST_F(SoftDecoderTest, ALaterRecordOnlyMovesSelectionsOntoExistingEntries) {
    { StreamFilterList seeded(0, SeedRecord()); }
    Put(Key(Key(kProgramKey, kDemux), "Video"), "V2", kVideoSecond);

    struct Case {
        std::string name;
        std::string splitter, video, audio;
        std::string videoChoice, audioChoice;
    };
    const Case cases[] = {
        {"both move where entries exist", Bar("Demux", kDemux), Bar("V2", kVideoSecond),
         Bar("A", kAudioOther), kVideoSecond, kAudioBest},
        {"lower case, no names", "x|{afb6c280-2c41-11d3-8a60-0000f81e0e4a}",
         "{8acd52ed-9c2d-4008-9129-dce955d86065}", "|{9bc1b780-85e3-11d2-98d0-0080c84e9c39}", kVideoSecond,
         kAudioBest},
        {"audio without a brace stops the video too", Bar("Demux", kDemux), Bar("V2", kVideoSecond), "junk",
         kVideoBest, kAudioBest},
        {"splitter without a brace", "Demux|AFB6C280-2C41-11D3-8A60-0000F81E0E4A", Bar("V2", kVideoSecond),
         Bar("A", kAudioBest), kVideoBest, kAudioBest},
        {"splitter of no node", Bar("X", kForeign), Bar("V2", kVideoSecond), Bar("A", kAudioBest), kVideoBest,
         kAudioBest},
        {"audio no GUID stops the video too", Bar("Demux", kDemux), Bar("V2", kVideoSecond), "A|{not-a-guid}",
         kVideoBest, kAudioBest},
    };
    for (const Case& c : cases) {
        StreamFilterList list(0, Record(c.splitter, c.video, c.audio));
        ASSERT_EQ(list.ProgramStream().NodeCount(), 1) << c.name;
        ISplitterFilterNode* node = list.ProgramStream().NodeAt(0);
        EXPECT_EQ(node->VideoCount(), 2) << c.name;
        EXPECT_EQ(node->VideoGuidSetting().Get(), c.videoChoice) << c.name;
        EXPECT_EQ(node->AudioGuidSetting().Get(), c.audioChoice) << c.name;
    }
}

TEST_F(SoftDecoderTest, DefaultDecodersFollowThePreferenceOfTheSplitter) {
    struct Case {
        std::string name;
        std::string splitter;
        std::vector<std::string> video;
        std::string start;  // the choice before
        bool result;
        std::string expected;
    };
    const Case cases[] = {
        {"second preferred beats sixth", kDemux, {kVideoSixth, kVideoSecond}, "", true, kVideoSecond},
        {"whatever the order", kOtherMpeg2, {kVideoSecond, kVideoSixth}, "", true, kVideoSecond},
        {"none preferred: first", kDemux, {kVideoOther, kAudioOther}, "", true, kVideoOther},
        {"empty list", kDemux, {}, kVideoBest, false, ""},
        {"MPEG-1 row", kMpeg1Splitter, {kVideoSecond, kVideoSixth}, "", true, kVideoSixth},
        {"splitter outside the table", kForeign, {kVideoSixth, kVideoSecond}, "kept", true, "kept"},
        {"outside the table, no decoders", kForeign, {}, "kept", true, "kept"},
    };
    for (const Case& c : cases) {
        SplitterFilterNode node(G(c.splitter), 3, "unused");
        for (const std::string& guid : c.video) {
            node.AddVideo(std::make_unique<CFilterIDName>(G(guid), "dec"));
        }
        node.VideoGuidSetting().Set(c.start);
        node.AudioGuidSetting().Set(c.start);
        EXPECT_EQ(node.ChooseDefaultVideo(), c.result) << c.name;
        EXPECT_EQ(node.VideoGuidSetting().Get(), c.expected) << c.name;
        // No audio decoders: outside the table nothing changes, inside the choice is emptied.
        EXPECT_EQ(node.ChooseDefaultAudio(), c.splitter == kForeign) << c.name;
        EXPECT_EQ(node.AudioGuidSetting().Get(), c.splitter == kForeign ? c.start : "") << c.name;
    }
}

TEST_F(SoftDecoderTest, AddedDecodersAreNumberedWithinTheirList) {
    SplitterFilterNode node(G(kDemux), 3, "unused");
    for (const char* name : {"a", "b", "c", "d"}) {
        node.AddVideo(std::make_unique<CFilterIDName>(G(kVideoOther), name));
    }
    node.AddAudio(std::make_unique<CFilterIDName>(G(kAudioOther), "x"));
    EXPECT_EQ(node.VideoAt(0)->Name(), "1_a");
    EXPECT_EQ(node.VideoAt(3)->Name(), "4_d");
    EXPECT_EQ(node.AudioAt(0)->Name(), "1_x");
    EXPECT_EQ(node.VideoAt(4), nullptr);
    EXPECT_EQ(node.AudioAt(-1), nullptr);
}

TEST_F(SoftDecoderTest, SelectingByIndexAndGuidText) {
    SplitterFilterNode node(G(kDemux), 3, "unused");
    node.AddVideo(std::make_unique<CFilterIDName>(G(kVideoBest), "v"));
    node.AddVideo(std::make_unique<CFilterIDName>(G(kVideoSecond), "w"));
    EXPECT_EQ(node.SelectVideoByIndex(2), 0);
    EXPECT_EQ(node.SelectedVideo(), nullptr);
    EXPECT_EQ(node.SelectVideoByIndex(1), 1);
    EXPECT_EQ(node.VideoGuidSetting().Get(), kVideoSecond);
    EXPECT_EQ(node.SelectVideoByGuidText("{45dd4624-2fd8-4721-81e1-415c5336a7fd}"), 1);
    EXPECT_EQ(node.VideoGuidSetting().Get(), kVideoBest);
    EXPECT_EQ(node.SelectVideoByGuidText(std::string(" ").append(kVideoSecond)),
              0);  // compared exactly, but for case
    EXPECT_EQ(node.SelectAudioByIndex(0), 0);
    EXPECT_FALSE(node.IsComplete());
    node.AudioGuidSetting().Set(kVideoBest);  // a GUID text naming no audio decoder
    EXPECT_EQ(node.SelectedAudio(), nullptr);
}

TEST_F(SoftDecoderTest, ChooseDefaultsOfASet) {
    PutNode(kTransportKey, kDemux, "Demux", {{"V", kVideoSixth}}, {});
    Put(kTransportKey, "SelectedSplitterGuid", "keep");
    PutNode(kProgramKey, kForeign, "Foreign", {{"V", kVideoSixth}}, {});
    Put(kProgramKey, "SelectedSplitterGuid", kForeign);
    StreamFilterList list(0, SeedRecord());

    EXPECT_EQ(list.TransportStream().ChooseDefaults(), 0);
    EXPECT_EQ(list.TransportStream().SelectedSplitterSetting().Get(), "keep");
    EXPECT_EQ(list.TransportStream().NodeAt(0)->VideoGuidSetting().Get(), "");

    EXPECT_EQ(list.ProgramStream().ChooseDefaults(), 0);
    EXPECT_EQ(list.ProgramStream().SelectedSplitterSetting().Get(), "");

    // With two preferred splitters the last in registry order wins, and every node gets its defaults.
    PutNode(kProgramKey, kDemux, "Demux", {{"V6", kVideoSixth}, {"V2", kVideoSecond}}, {{"A", kAudioOther}});
    PutNode(kProgramKey, kOtherMpeg2, "Other", {}, {});
    list.ReloadAll();
    ASSERT_EQ(list.ProgramStream().NodeCount(), 3);
    EXPECT_EQ(list.ProgramStream().ChooseDefaults(), 1);
    EXPECT_EQ(list.ProgramStream().SelectedSplitterSetting().Get(), kDemux);
    ISplitterFilterNode* demux = list.SelectedProgramNode();
    ASSERT_NE(demux, nullptr);
    EXPECT_EQ(demux->VideoGuidSetting().Get(), kVideoSecond);
    EXPECT_EQ(demux->AudioGuidSetting().Get(), kAudioOther);
    EXPECT_TRUE(list.IsReadyFor(3));
}

TEST_F(SoftDecoderTest, ClearingASetDeletesTheKeyOfItsStreamSubtype) {
    { StreamFilterList seeded(0, SeedRecord()); }
    PutNode(kTransportKey, kDemux, "Demux", {}, {});
    StreamFilterList list(0, SeedRecord());

    list.Mpeg4AsfStream().Clear();  // carries the program-stream subtype
    EXPECT_FALSE(Registry().KeyExists(kProgramKey));
    EXPECT_TRUE(Registry().KeyExists("SOFTWARE\\Vexa High-Tech\\SotwareDecoder\\Mpeg4AsfStream"));
    EXPECT_EQ(list.ProgramStream().NodeCount(), 1);  // the cache of the other set is untouched

    list.TransportStream().Clear();
    EXPECT_FALSE(Registry().KeyExists(kTransportKey));
    EXPECT_EQ(list.TransportStream().NodeCount(), 0);
    EXPECT_EQ(list.TransportStream().SelectedSplitterSetting().Get(), "");
    list.TransportStream().Clear();  // already gone: nothing to do
    EXPECT_TRUE(Registry().KeyExists("SOFTWARE\\Vexa High-Tech\\SotwareDecoder"));
}

TEST_F(SoftDecoderTest, SavedChoicesAndDecodersComeBackOnReload) {
    {
        StreamFilterList list(0, SeedRecord());
        auto node = std::make_unique<SplitterFilterNode>(
            G(kMpeg1Splitter), 4,
            Key("SOFTWARE\\Vexa High-Tech\\SotwareDecoder\\Mpeg1Stream", kMpeg1Splitter));
        node->Splitter().SetName("Mpeg1 Splitter");
        node->AddVideo(std::make_unique<CFilterIDName>(G(kVideoSixth), "video"));
        node->AddAudio(std::make_unique<CFilterIDName>(G(kAudioOther), "audio"));
        EXPECT_TRUE(list.Mpeg1Stream().AddNode(std::move(node)));
        EXPECT_EQ(list.Mpeg1Stream().ChooseDefaults(), 1);
        list.ProgramStream().NodeAt(0)->SelectVideoByIndex(5);  // out of range: no change
        list.SaveAll();
    }
    StreamFilterList again(1, SeedRecord());
    ISplitterFilterNode* node = again.SelectedMpeg1Node();
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->Splitter().Name(), "Mpeg1 Splitter");
    EXPECT_EQ(node->VideoAt(0)->Name(), "1_video");
    EXPECT_EQ(node->SelectedVideo()->Guid(), G(kVideoSixth));
    EXPECT_EQ(node->SelectedAudio()->Guid(), G(kAudioOther));
    EXPECT_TRUE(again.IsReadyFor(0));
    EXPECT_EQ(Get("SOFTWARE\\Vexa High-Tech\\SotwareDecoder\\Mpeg1Stream", "StreamGuid"),
              "{E436EB84-524F-11CE-9F53-0020AF0BA770}");
}

TEST_F(SoftDecoderTest, SaveOnDestroyWritesTheSelections) {
    {
        StreamFilterList list(1, SeedRecord());
        list.ProgramStream().NodeAt(0)->AudioGuidSetting().Set("");
    }
    EXPECT_EQ(Get(Key(kProgramKey, kDemux), "AudioGuid"), "");
    {
        StreamFilterList list(0, SeedRecord());
        list.ProgramStream().NodeAt(0)->VideoGuidSetting().Set("");
    }
    EXPECT_EQ(Get(Key(kProgramKey, kDemux), "VideoGuid"), kVideoBest);
}

TEST_F(SoftDecoderTest, OddRegistryContentLoadsWithoutHarm) {
    std::string node = Key(kProgramKey, kOtherMpeg2);
    PutNode(kProgramKey, kOtherMpeg2, "Odd",
            {{"garbage", std::string("\x01\xff{zz", 5)}, {"long", std::string(5000, 'A')}},
            {{"", kAudioBest}});
    Put(node, "SplitterGuid", "not a guid");
    Put(kProgramKey + "\\Not A Guid", "SplitterName", "ignored");
    Put(kProgramKey, "SelectedSplitterGuid", std::string("\x7f\x01", 2));
    StreamFilterList list(0, SeedRecord());

    ASSERT_EQ(list.ProgramStream().NodeCount(), 1);
    ISplitterFilterNode* odd = list.ProgramStream().NodeAt(0);
    EXPECT_EQ(odd->Splitter().Guid(), G(kOtherMpeg2));  // the subkey's GUID stays
    EXPECT_EQ(odd->SplitterKind(), 1);
    ASSERT_EQ(odd->VideoCount(), 2);
    EXPECT_EQ(odd->VideoAt(0)->Name(), "garbage");
    EXPECT_EQ(odd->VideoAt(0)->Guid(), platform::Guid{});
    EXPECT_EQ(odd->VideoAt(1)->Guid(), platform::Guid{});
    ASSERT_EQ(odd->AudioCount(), 1);
    EXPECT_EQ(odd->AudioAt(0)->Name(), "");
    EXPECT_EQ(list.SelectedProgramNode(), nullptr);
    list.SaveAll();
    EXPECT_EQ(Get(Key(node, "Video"), "garbage"), "{00000000-0000-0000-0000-000000000000}");
}

TEST_F(SoftDecoderTest, StoreToSetupIniWritesTheProgramStreamChoice) {
    HwSettingIO seed = SeedRecord();
    StreamFilterList list(0, seed);
    HwSettingIO record(718, 718);
    list.StoreToSetupIni(record);
    EXPECT_EQ(record.GetString(key::Mpeg2Splitter), Bar("Demux", kDemux));
    EXPECT_EQ(record.GetString(key::mpeg2VideoDecoderGuid), Bar("V", kVideoBest));
    EXPECT_EQ(record.GetString(key::Mpeg2AudioDecoder), Bar("A", kAudioBest));

    list.ProgramStream().NodeAt(0)->AudioGuidSetting().Set("");
    list.StoreToSetupIni(record);
    EXPECT_EQ(record.GetString(key::Mpeg2AudioDecoder), "");
    EXPECT_EQ(record.GetString(key::mpeg2VideoDecoderGuid), Bar("V", kVideoBest));

    // Without a selected splitter the record is left alone.
    list.ProgramStream().SelectedSplitterSetting().Set("Error");
    HwSettingIO untouched = SeedRecord();
    list.StoreToSetupIni(untouched);
    EXPECT_EQ(untouched.GetString(key::Mpeg2AudioDecoder), Bar("A", kAudioBest));
}

TEST_F(SoftDecoderTest, CopySelectionsTakeTheChoicesOfMatchingSplitters) {
    PutNode(kProgramKey, kDemux, "Demux", {{"V", kVideoBest}, {"V2", kVideoSecond}}, {{"A", kAudioBest}},
            kVideoBest, kAudioBest);
    PutNode(kProgramKey, kForeign, "Foreign", {{"V", kVideoOther}}, {}, kVideoOther);
    StreamFilterList target(0, SeedRecord());
    StreamFilterList source(0, SeedRecord());
    // Registry order: the foreign splitter's GUID sorts first.
    ASSERT_EQ(target.ProgramStream().NodeAt(0)->Splitter().Guid(), G(kForeign));
    ISplitterFilterNode* targetForeign = target.ProgramStream().NodeAt(0);
    ISplitterFilterNode* targetDemux = target.ProgramStream().NodeAt(1);
    source.ProgramStream().SelectByGuidText(kForeign);
    source.ProgramStream().NodeAt(1)->SelectVideoByIndex(1);
    source.ProgramStream().NodeAt(0)->VideoGuidSetting().Set("");

    // A set without the foreign splitter leaves the target's foreign node as it was.
    StreamSplitters partial("ProgramStream", media_subtype::Mpeg2Program, 3);
    partial.AddNode(std::make_unique<SplitterFilterNode>(G(kDemux), 3, "unused"));
    partial.NodeAt(0)->VideoGuidSetting().Set(kVideoSecond);
    partial.SelectedSplitterSetting().Set(kDemux);
    target.ProgramStream().CopySelectionFrom(partial);
    EXPECT_EQ(target.ProgramStream().SelectedSplitterSetting().Get(), kDemux);
    EXPECT_EQ(targetDemux->VideoGuidSetting().Get(), kVideoSecond);
    EXPECT_EQ(targetDemux->AudioGuidSetting().Get(), "");
    EXPECT_EQ(targetForeign->VideoGuidSetting().Get(), kVideoOther);

    target.CopySelectionsFrom(source);
    EXPECT_EQ(target.ProgramStream().SelectedSplitterSetting().Get(), kForeign);
    EXPECT_EQ(target.SelectedProgramNode(), targetForeign);
    EXPECT_EQ(targetDemux->VideoGuidSetting().Get(), kVideoSecond);
    EXPECT_EQ(targetDemux->AudioGuidSetting().Get(), kAudioBest);
    EXPECT_EQ(targetForeign->VideoGuidSetting().Get(), "");
    EXPECT_EQ(target.Mpeg1Stream().SelectedSplitterSetting().Get(), "Error");
}

}  // namespace
