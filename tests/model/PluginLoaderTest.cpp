// The plug-in loader against the sample plug-in and against plug-ins that go wrong on
// purpose (built in the test tree from tests/plugins/TestPlugin.c).

#include "model/PluginLoader.h"
#include "model/ModelCatalog.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace orvane {
namespace {

namespace fs = std::filesystem;

// A working directory with a plugin folder holding copies of the named libraries.
class PluginLoaderTest : public ::testing::Test {
protected:
    void Put(const std::string& builtPath, const std::string& as) {
        fs::create_directories(box_.File("plugin"));
        fs::copy_file(builtPath, box_.File("plugin/" + as), fs::copy_options::overwrite_existing);
    }
    void PutTest(const std::string& name, const std::string& as = {}) {
        Put(std::string(ORVANE_TEST_PLUGIN_DIR) + "/Adjust_" + name + ".so",
            as.empty() ? "Adjust_" + name + ".so" : as);
    }
    void PutDemo() { Put(std::string(ORVANE_BIN_DIR) + "/plugin/Adjust_Demo.so", "Adjust_Demo.so"); }

    test::Sandbox box_;
};

TEST_F(PluginLoaderTest, LoadsTheUsablePluginsInNameOrderAfterTheCatalog) {
    if (!std::filesystem::exists(std::string(ORVANE_BIN_DIR) + "/plugin/Adjust_Demo.so"))
        GTEST_SKIP() << "the sample plug-in is built only with the Qt front end";
    PutTest("Wild");
    PutTest("Model500");
    PutTest("NoDialog"); // lacks buildDialog
    PutDemo();
    PutTest("Model167", "Other_Model167.so"); // not a plug-in's name
    std::ofstream(box_.File("plugin/Adjust_Text.so")) << "not a library\n";
    box_.Write("OrvaneModel.txt", "[MODEL]\nNum=1\nModel_001=AX-210\n[AX-210]\nModelID=101\n");

    PluginTable table;
    EXPECT_EQ(table.LoadPlugins(), 3);
    // Name order: Adjust_Demo, Adjust_Model500, Adjust_NoDialog, Adjust_Text, Adjust_Wild.
    EXPECT_TRUE(table.Entry(0).Usable());
    EXPECT_EQ(table.Entry(0).fileName, "Adjust_Demo.so");
    EXPECT_TRUE(table.Entry(1).Usable());
    EXPECT_FALSE(table.Entry(2).Usable());
    EXPECT_EQ(table.Entry(2).module, nullptr); // released again
    EXPECT_FALSE(table.Entry(3).Usable());
    EXPECT_TRUE(table.Entry(4).Usable());
    EXPECT_FALSE(table.Entry(5).Usable());

    ModelList list;
    ASSERT_TRUE(LoadModelCatalog(list).ok());
    table.AddPluginModels(list);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0]->Name, "AX-210");
    EXPECT_EQ(list[1]->Name, "PX-Demo");
    EXPECT_EQ(list[2]->Name, "Hushed 500");
    EXPECT_EQ(list[3]->Name, std::string(63, 'W'));
    EXPECT_EQ(table.Entry(1).modelName, "Hushed 500");
    EXPECT_EQ(table.FindPlugin("PX-Demo"), 0);
    EXPECT_EQ(table.FindPlugin("No dialog"), -1);
    EXPECT_EQ(std::string(table.DllModel->modelName, 63), std::string(63, 'W')); // the last one's data

    // The sample's model as the configuration dialog offers it.
    const CModelInfo2& demo = *list[1];
    EXPECT_EQ(demo.ModelID, 900);
    EXPECT_EQ(demo.PjtNum, 0);
    EXPECT_EQ(demo.IconSize, 0);
    EXPECT_EQ(demo.Brightness, "0,100");
    EXPECT_EQ(demo.Volume, "0,40");
    EXPECT_EQ(demo.Tint, "");
    EXPECT_EQ(demo.AspectNum, 2);
    EXPECT_STREQ(demo.AspectName[1], "16:9");
    EXPECT_EQ(demo.WhisperType, -1); // not taken
    for (int s = 0; s < CModelInfo2::kSlots; ++s) {
        EXPECT_EQ(demo.ConnectMethod[s], 1);
        EXPECT_EQ(demo.PortNo[s], 23);
        EXPECT_STREQ(demo.IPAddress[s], "192.168.1.10");
        EXPECT_STREQ(demo.Password[s], "");
    }
    EXPECT_EQ(demo.ToolbarConfig, 1);
    EXPECT_EQ(demo.ToolbarVolume, 1);
    EXPECT_EQ(demo.ToolbarImgSend, 1);

    // Model 500 hides the sound and freeze buttons.
    const CModelInfo2& hushed = *list[2];
    EXPECT_EQ(hushed.ToolbarVolume, 0);
    EXPECT_EQ(hushed.ToolbarMute, 0);
    EXPECT_EQ(hushed.ToolbarFreezeOn, 0);
    EXPECT_EQ(hushed.ToolbarFreezeOff, 0);
    EXPECT_EQ(hushed.ToolbarPowerOn, 1);
    EXPECT_EQ(hushed.ToolbarImgSend, 1);

    // Untrusted data: texts cut at 63 bytes, counts within 0..capacity.
    const CModelInfo2& wild = *list[3];
    EXPECT_EQ(wild.Brightness, std::string(63, '7'));
    EXPECT_EQ(wild.AspectNum, 32);
    EXPECT_EQ(wild.AspectCode[31], 131);
    EXPECT_EQ(std::string(wild.AspectName[0]), std::string(63, 'a'));
    EXPECT_EQ(wild.WhisperNum, 0);
    EXPECT_STREQ(wild.WhisperName[0], "");
    EXPECT_EQ(wild.GammaNum, 2);
    EXPECT_EQ(wild.InputNum, 16);
    EXPECT_EQ(wild.InputShow[15], 1);
    EXPECT_EQ(wild.MyButtonNum, 32);
}

TEST_F(PluginLoaderTest, Model167HidesPowerAndThreeInputsAreShown) {
    PutTest("Model167");
    PluginTable table;
    ASSERT_EQ(table.LoadPlugins(), 1);
    ModelList list;
    table.AddPluginModels(list);
    ASSERT_EQ(list.size(), 1u);
    const CModelInfo2& m = *list[0];
    EXPECT_EQ(m.ToolbarPowerOn, 0);
    EXPECT_EQ(m.ToolbarPowerOff, 0);
    EXPECT_EQ(m.ToolbarVolume, 1);
    EXPECT_EQ(m.InputNum, 3);
    for (int i = 0; i < CModelInfo2::kInputCapacity; ++i) {
        EXPECT_EQ(m.InputShow[i], i < 3 ? 1 : -1) << i;
        EXPECT_EQ(m.InputCode[i], i < 3 ? 10 + i : -1) << i;
    }
    EXPECT_STREQ(m.InputName[1], "HDMI 2");
    EXPECT_STREQ(m.InputName[3], "");
}

TEST_F(PluginLoaderTest, ANameSharedWithTheCatalogFindsTheFirstPlugin) {
    PutTest("Twin");
    PutTest("Twin", "Adjust_Twin2.so");
    box_.Write("OrvaneModel.txt", "[MODEL]\nNum=1\nModel_001=AX-210\n");
    PluginTable table;
    ASSERT_EQ(table.LoadPlugins(), 2);
    ModelList list;
    ASSERT_TRUE(LoadModelCatalog(list).ok());
    table.AddPluginModels(list);
    ASSERT_EQ(list.size(), 3u); // both records are there
    EXPECT_EQ(list[1]->Name, "AX-210");
    EXPECT_EQ(list[2]->Name, "AX-210");
    EXPECT_EQ(table.FindPlugin("AX-210"), 0);
    EXPECT_EQ(table.FindPlugin("ax-210"), -1); // exact
}

TEST_F(PluginLoaderTest, WithoutAPluginFolderThereAreNone) {
    PluginTable table;
    EXPECT_EQ(table.LoadPlugins(), 0);
    ModelList list;
    table.AddPluginModels(list);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(table.FindPlugin(""), -1);
}

} // namespace
} // namespace orvane
