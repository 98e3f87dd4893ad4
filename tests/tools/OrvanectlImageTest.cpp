#include "model/ConfigFile.h"
#include "model/ModelCatalog.h"

#include "support/PjsimProcess.h"
#include "support/RunProgram.h"
#include "support/TempDir.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace orvane {
namespace {

using test::PjsimProcess;

std::string SourceFile(const std::string& relative) {
    std::ifstream in(std::string(ORVANE_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A working directory with a configuration of the sample model AX-310N (which takes and shows
// images) whose network slots are pjsim's projectors; slot n+1 is projector slots[n], or a
// serial port for 0.
class OrvanectlImage : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.Write("OrvaneModel.txt", SourceFile("res/OrvaneModel.txt"));
        dir_.Write("txtdef.cat", SourceFile("res/txtdef.cat"));
        dir_.Write("GETENG", "");
        dir_.Write("LinkCore.conf", "[Timeouts]\nConnectMs=400\nReplyMs=400\n");
    }

    void Configure(const PjsimProcess& sim, const std::vector<int>& slots) {
        ModelList list;
        ASSERT_TRUE(LoadModelCatalogFrom(dir_.File("OrvaneModel.txt"), list).ok());
        const int index = FindModelIndex(list, "AX-310N");
        ASSERT_GE(index, 0);
        CModelInfo2 m = *list[static_cast<std::size_t>(index)];
        ASSERT_EQ(m.ImageSendEnable, 1);
        m.PjtNum = static_cast<int32_t>(slots.size());
        for (std::size_t s = 0; s < slots.size(); ++s) {
            m.ConnectMethod[s] = slots[s] > 0 ? 1 : 0;
            m.ComNo[s] = 0;
            m.PortNo[s] = slots[s] > 0 ? sim.Port(slots[s]) : 0;
            SetText(m.IPAddress[s], "127.0.0.1");
            SetText(m.Password[s], "");
        }
        ConfigControls controls;
        controls.modelName = "AX-310N";
        controls.rowChecked[0] = true;
        dir_.Write("Orvane.txt", FormatConfigFile(m, controls, false));
    }

    test::ProgramResult Ctl(std::vector<std::string> args) {
        args.insert(args.begin(), {"--dir", dir_.path(), "--program-dir", dir_.path(), "image", "send"});
        return test::RunProgram("orvanectl", args);
    }

    std::string WriteImage(const std::string& name, const std::vector<unsigned char>& bytes) {
        dir_.Write(name, std::string(bytes.begin(), bytes.end()));
        return dir_.File(name);
    }

    test::TempDir dir_;
};

TEST_F(OrvanectlImage, SendsTheFileToEveryNetworkedProjectorAndReportsTheRefusals) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=off")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    Configure(sim, {1, 0, 2});
    // Named .bmp: the content decides.
    const std::string file = WriteImage("slide.bmp", test::MakePng(1024, 768, 5000));

    auto all = Ctl({file});
    EXPECT_EQ(all.exitCode, 1);
    EXPECT_EQ(all.err, "Image refused(127.0.0.1)\n");
    auto images = sim.LogLines("IMAGE ");
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].rfind("IMAGE 1 bytes=", 0), 0u) << images[0];
    EXPECT_NE(images[0].find("format=png size=1024x768 reply=ack"), std::string::npos) << images[0];

    auto one = Ctl({file, "--slot", "1", "--show"});
    EXPECT_EQ(one.exitCode, 0) << one.err;
    EXPECT_EQ(sim.LogLines("IMAGE ").size(), 2u);
    EXPECT_EQ(sim.Requests().back().type, 0x7002);
    EXPECT_EQ(sim.Requests().back().reply, "ack");

    auto serial = Ctl({file, "--slot", "2"});
    EXPECT_EQ(serial.exitCode, 2);
    EXPECT_NE(serial.err.find("slot 2"), std::string::npos) << serial.err;
}

TEST_F(OrvanectlImage, FileThatCannotBeSentStopsBeforeAnyProjectorIsAsked) {
    PjsimProcess sim({PjsimProcess::Tcp("power=on")});
    ASSERT_TRUE(sim.Ready()) << sim.Error();
    Configure(sim, {1});
    std::vector<unsigned char> cut = test::MakeJpeg(640, 480, 2000);
    cut.resize(cut.size() - 100);
    for (const std::string& file :
         {WriteImage("photo.jpg", {'B', 'M', 0, 0, 0, 0}), WriteImage("cut.jpg", cut),
          WriteImage("huge.jpg", test::MakeJpeg(100, 100, 16u * 1024 * 1024)), dir_.File("missing.png")}) {
        SCOPED_TRACE(file);
        auto r = Ctl({file});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
    }
    EXPECT_TRUE(sim.Requests().empty());
}

} // namespace
} // namespace orvane
