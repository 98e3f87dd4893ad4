#include "model/ModelCatalog.h"
#include "model/BuiltInModelTable.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <map>
#include <set>

namespace orvane {
namespace {

class ModelCatalogTest : public ::testing::Test {
protected:
    ModelList Load(const std::string& text) {
        box_.Write("OrvaneModel.txt", text);
        ModelList list;
        static_cast<void>(LoadModelCatalog(list)); // the tests judge the list
        return list;
    }
    test::Sandbox box_;
};

TEST_F(ModelCatalogTest, NumMissingZeroOrNegativeGivesAnEmptyList) {
    for (const char* text : {"[MODEL]\n", "[MODEL]\nNum=0\n", "[MODEL]\nNum=-3\nModel_001=A\n", ""})
        EXPECT_TRUE(Load(text).empty()) << text;
    ModelList list;
    list.push_back(std::make_unique<CModelInfo2>());
    static_cast<void>(LoadModelCatalogFrom(box_.File("missing.txt"), list)); // missing: the list says so
    EXPECT_TRUE(list.empty());
}

TEST_F(ModelCatalogTest, MissingModelKeyStillAppendsARecordWithDefaults) {
    auto list = Load("[MODEL]\nNum=2\nModel_001=AX\n[AX]\nType=4\n");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->Name, "AX");
    EXPECT_EQ(list[0]->Type, 4);
    const CModelInfo2& m = *list[1];
    EXPECT_EQ(m.Name, "");
    EXPECT_EQ(m.Type, 0);
    EXPECT_EQ(m.ModelID, 0);
    EXPECT_EQ(m.ConnectMethod[4], 0);
    EXPECT_STREQ(m.IPAddress[3], "192.168.1.10");
    EXPECT_EQ(m.PjtNum, 0);
    EXPECT_EQ(m.SelectPrj, -1);
    EXPECT_EQ(m.IconSize, 0);
    EXPECT_EQ(m.AlwaysOnTop, 0);
    EXPECT_EQ(m.ToolbarButtonCount, -1);
    EXPECT_EQ(m.ToolbarConfig, 1);
    EXPECT_EQ(m.ToolbarImgSend, 1);
    EXPECT_EQ(m.PjtKind[0], -1);
    EXPECT_EQ(m.AspectNum, 0);
    EXPECT_EQ(m.InputNum, 0);
    EXPECT_EQ(m.InputCode[0], -1);
    EXPECT_EQ(m.InputShow[0], -1);
}

TEST_F(ModelCatalogTest, FieldsAreReadIntoEverySlotAndList) {
    auto list = Load("[MODEL]\nNum=1\nModel_001=AX\n"
                     "[AX]\nType=2\nModelID=101\nConnectMethod=1\nComNo=3\nPortNo=9715\nDiscovery=7\n"
                     "ImageSendEnable=7\nImageDispEnable=-1\nVolume=0,63\nElectricZoom=1,9\nWhisperType=4\n"
                     "AspectNum=2\nAspect_001=5\nAspect_002=6;16:9;wide\n"
                     "GammaNum=1\nGamma_001=\n"
                     "ColorTempNum=1\nColorTemp_001=3;Warm\n"
                     "InputNum=3\nInput_001=0;Computer in 1\nInput_002=3;HDMI 1\nInput_003=1;Video\n"
                     "MyButtonNum=1\nMyButton_001=9;Info\n");
    ASSERT_EQ(list.size(), 1u);
    const CModelInfo2& m = *list[0];
    EXPECT_EQ(m.ModelID, 101);
    for (int s = 0; s < 5; ++s) {
        EXPECT_EQ(m.ConnectMethod[s], 1);
        EXPECT_EQ(m.ComNo[s], 3);
        EXPECT_EQ(m.PortNo[s], 9715);
        EXPECT_STREQ(m.Password[s], "");
    }
    EXPECT_EQ(m.Discovery, 7);
    EXPECT_EQ(m.ImageSendEnable, 1);
    EXPECT_EQ(m.ImageDispEnable, 0);
    EXPECT_EQ(m.Volume, "0,63");
    EXPECT_EQ(m.ElectricZoom, "1,9");
    EXPECT_EQ(m.Brightness, "");
    EXPECT_EQ(m.WhisperType, 4);
    EXPECT_EQ(m.AspectCode[0], 5);
    EXPECT_STREQ(m.AspectName[0], "");
    EXPECT_EQ(m.AspectCode[1], 6);
    EXPECT_STREQ(m.AspectName[1], "16:9;wide"); // the catalog keeps further ';'
    EXPECT_EQ(m.AspectCode[2], 0);              // cleared beyond the count
    EXPECT_EQ(m.GammaCode[0], 0);
    EXPECT_STREQ(m.GammaName[0], "");
    EXPECT_STREQ(m.ColorTempName[0], "Warm");
    EXPECT_EQ(m.InputNum, 3);
    EXPECT_STREQ(m.InputName[1], "HDMI 1");
    EXPECT_EQ(m.InputCode[1], 3);
    EXPECT_EQ(m.InputShow[2], 1);
    EXPECT_EQ(m.InputCode[3], -1);
    EXPECT_EQ(m.InputShow[3], -1);
    EXPECT_EQ(m.MyButtonCode[0], 9);
}

TEST_F(ModelCatalogTest, LampModesDefaultWhenTheCountIsMissing) {
    auto list = Load("[MODEL]\nNum=2\nModel_001=A\nModel_002=B\n[A]\n[B]\nWhisperNum=1\n");
    const CModelInfo2& a = *list[0];
    EXPECT_EQ(a.WhisperNum, 2);
    EXPECT_EQ(a.WhisperCode[0], 0);
    EXPECT_STREQ(a.WhisperName[0], "Normal");
    EXPECT_EQ(a.WhisperCode[1], 1);
    EXPECT_STREQ(a.WhisperName[1], "Whisper");
    const CModelInfo2& b = *list[1];
    EXPECT_EQ(b.WhisperNum, 1);
    EXPECT_EQ(b.WhisperCode[0], 0);
    EXPECT_STREQ(b.WhisperName[0], "");
}

TEST_F(ModelCatalogTest, ZeroOrMissingModelIdTakesTheBuiltInId) {
    auto list = Load("[MODEL]\nNum=3\nModel_001=LM107\nModel_002=LM107-W\nModel_003=Unknown\n"
                     "[LM107]\nModelID=0\n[Unknown]\nModelID=0\n");
    EXPECT_EQ(list[0]->ModelID, 1);
    EXPECT_EQ(list[1]->ModelID, 1);
    EXPECT_EQ(list[2]->ModelID, 0);
}

TEST_F(ModelCatalogTest, OversizedCountsAndLabelsAreClampedWithoutOverrun) {
    std::string text = "[MODEL]\nNum=1\nModel_001=Big\n[Big]\nAspectNum=40\nInputNum=40\nMyButtonNum=1000000\n";
    std::string label(300, 'L');
    for (int n = 1; n <= 40; ++n) {
        char key[32];
        std::snprintf(key, sizeof key, "%03d=%d;", n, n);
        text += std::string("Aspect_") + key + label + "\nInput_" + key + label + "\n";
    }
    auto list = Load(text);
    const CModelInfo2& m = *list[0];
    EXPECT_EQ(m.AspectNum, 32);
    EXPECT_EQ(m.AspectCode[31], 32);
    // The reader cuts values at 127 characters, the record at 63.
    EXPECT_EQ(std::strlen(m.AspectName[31]), 63u);
    EXPECT_EQ(m.InputNum, 16);
    EXPECT_EQ(m.InputCode[15], 16);
    EXPECT_EQ(m.MyButtonNum, 32);
}

TEST_F(ModelCatalogTest, HugeModelCountIsBounded) {
    auto list = Load("[MODEL]\nNum=2000000000\nModel_001=A\n");
    EXPECT_EQ(list.size(), static_cast<std::size_t>(kMaxCatalogModels));
    EXPECT_EQ(list[0]->Name, "A");
}

// The listing's names and ids come without records: they must be the records' own, for
// whatever the catalog holds.
TEST_F(ModelCatalogTest, NamesAndIdsAreThoseOfTheRecords) {
    std::string sample;
    ASSERT_TRUE(
        ReadWholeFile(std::string(ORVANE_SOURCE_DIR) + "/res/OrvaneModel.txt", sample, kMaxModelCatalogSize).ok());
    for (const std::string& text :
         {sample, std::string("[MODEL]\nNum=3\nModel_001=LM107\nModel_003=X\n[X]\nModelID=7\n"),
          std::string("[MODEL]\nNum=2000000000\nModel_001=A\n"), std::string("[MODEL]\nNum=-1\n")}) {
        const ModelList list = Load(text);
        std::vector<CatalogModelId> ids{{"left over", 1}};
        EXPECT_FALSE(LoadModelCatalogIdsFrom(box_.File("OrvaneModel.txt"), ids).failed());
        ASSERT_EQ(ids.size(), list.size()) << text.substr(0, 40);
        for (std::size_t i = 0; i < ids.size(); ++i) {
            EXPECT_EQ(ids[i].name, list[i]->Name);
            EXPECT_EQ(ids[i].modelId, list[i]->ModelID) << list[i]->Name;
        }
    }
    std::vector<CatalogModelId> ids{{"left over", 1}};
    EXPECT_TRUE(LoadModelCatalogIdsFrom(box_.File("missing.txt"), ids).missing());
    EXPECT_TRUE(ids.empty());
}

TEST_F(ModelCatalogTest, TheSampleCatalogCoversEveryLayoutAndList) {
    ModelList list;
    ASSERT_TRUE(LoadModelCatalogFrom(std::string(ORVANE_SOURCE_DIR) + "/res/OrvaneModel.txt", list).ok());
    ASSERT_GE(list.size(), 8u);
    std::set<int> ids;
    bool discovery = false, imageSend = false, sixteen = false, lists = false;
    for (const auto& m : list) {
        ids.insert(m->ModelID);
        discovery |= m->Discovery == 1;
        imageSend |= m->ImageSendEnable == 1;
        sixteen |= m->InputNum == 16;
        lists |= m->AspectNum > 0 && m->GammaNum > 0 && m->ColorTempNum > 0 && m->MyButtonNum > 0 && m->WhisperNum > 0;
        EXPECT_GT(m->ModelID, 0) << m->Name;
    }
    EXPECT_TRUE(ids.count(500));
    EXPECT_TRUE(ids.count(224) || ids.count(501));
    EXPECT_TRUE(ids.count(176)); // volume-less
    EXPECT_TRUE(discovery && imageSend && sixteen && lists);
}

TEST(ModelInfo2, FreshValues) {
    CModelInfo2 m;
    EXPECT_EQ(m.Type, -1);
    EXPECT_EQ(m.ModelID, -1);
    EXPECT_EQ(m.ImageSendEnable, 0);
    EXPECT_EQ(m.PjtNum, -1);
    EXPECT_EQ(m.InputShow[15], -1);
    EXPECT_EQ(m.AspectCode[31], -1);
    EXPECT_STREQ(m.IPAddress[0], "");
    EXPECT_EQ(m.Volume, "");
}

TEST(ModelInfo2, CopyKeepsTheDestinationsKindCodesAndCopiesEveryEntry) {
    CModelInfo2 src;
    src.Name = "AX";
    src.ColorTempNum = 1; // entries beyond the count are copied too
    for (int i = 0; i < 32; ++i) {
        src.ColorTempCode[i] = i * 3;
        SetText(src.ColorTempName[i], "T" + std::to_string(i));
    }
    src.PjtKind[0] = 9;
    src.Bass = "0,10";
    SetText(src.Password[4], "secret");
    CModelInfo2 dst;
    dst.PjtKind[0] = 1;
    dst.PjtKind[2] = 10;
    dst = src;
    EXPECT_EQ(dst.Name, "AX");
    EXPECT_EQ(dst.Bass, "0,10");
    EXPECT_STREQ(dst.Password[4], "secret");
    for (int i = 0; i < 32; ++i) {
        EXPECT_EQ(dst.ColorTempCode[i], i * 3);
        EXPECT_EQ(std::string(dst.ColorTempName[i]), "T" + std::to_string(i));
    }
    EXPECT_EQ(dst.PjtKind[0], 1);
    EXPECT_EQ(dst.PjtKind[2], 10);
    EXPECT_EQ(dst.PjtKind[1], -1);
}

TEST(ModelInfo2, SetTextCutsAndTerminates) {
    char field[9];
    std::memset(field, 'x', sizeof field);
    SetText(field, "ABCDEFGHIJ");
    EXPECT_STREQ(field, "ABCDEFGH");
    SetText(field, "A");
    EXPECT_STREQ(field, "A");
    EXPECT_EQ(field[8], '\0');
}

TEST(BuiltInModelTable, StructureHolds) {
    auto rows = BuiltInModelTable();
    ASSERT_EQ(rows.size(), 62u);
    std::set<std::string> names;
    std::map<int, int> perId;
    int previous = 0;
    for (const auto& row : rows) {
        std::string name = row.name;
        EXPECT_GE(name.size(), 4u);
        EXPECT_LE(name.size(), 9u);
        for (char c : name)
            EXPECT_TRUE((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-') << name;
        names.insert(name);
        EXPECT_GE(row.id, previous);
        previous = row.id;
        ++perId[row.id];
    }
    EXPECT_EQ(names.size(), 62u);
    EXPECT_EQ(perId.size(), 46u);
    EXPECT_EQ(perId.count(34) + perId.count(35), 0u);
    EXPECT_EQ(perId.begin()->first, 1);
    EXPECT_EQ(perId.rbegin()->first, 48);
    const std::set<int> two = {1, 11, 12, 13, 15, 23, 29, 32, 33, 45}, three = {21, 39, 44};
    for (const auto& [id, n] : perId)
        EXPECT_EQ(n, three.count(id) ? 3 : two.count(id) ? 2 : 1) << "id " << id;
}

TEST(BuiltInModelTable, OnlyExactNamesMatch) {
    for (const auto& row : BuiltInModelTable())
        EXPECT_EQ(LookupBuiltInModelId(row.name), row.id);
    const char* name = BuiltInModelTable()[5].name;
    std::string lower = name;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(LookupBuiltInModelId(lower.c_str()), 0);
    EXPECT_EQ(LookupBuiltInModelId((std::string(name) + " ").c_str()), 0);
    EXPECT_EQ(LookupBuiltInModelId((std::string(name) + "A").c_str()), 0);
    EXPECT_EQ(LookupBuiltInModelId(std::string(name).substr(1).c_str()), 0);
    EXPECT_EQ(LookupBuiltInModelId(""), 0);
    EXPECT_EQ(LookupBuiltInModelId(nullptr), 0);
}

} // namespace
} // namespace orvane
