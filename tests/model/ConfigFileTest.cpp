#include "model/ConfigFile.h"
#include "model/ModelCatalog.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

namespace orvane {
namespace {

// A small but complete projector set: two projectors, three inputs, two ranges.
CModelInfo2 SampleRecord() {
    CModelInfo2 m;
    m.Name = "AX-210";
    m.Type = 1;
    m.ModelID = 101;
    m.Discovery = 0;
    m.ImageSendEnable = 1;
    m.ImageDispEnable = 0;
    m.PjtNum = 2;
    m.SelectPrj = 2;
    m.ConnectMethod[0] = 5; // any non-zero method is network, written as 1
    m.ComNo[0] = 0;
    m.PortNo[0] = 23;
    SetText(m.IPAddress[0], "192.168.1.10");
    SetText(m.Password[0], "pw1");
    m.ConnectMethod[1] = 0;
    m.ComNo[1] = 2;
    m.PortNo[1] = 0;
    m.InputNum = 3;
    const char* names[] = {"Computer in 1", "HDMI 1", "Video"};
    for (int i = 0; i < 3; ++i) {
        SetText(m.InputName[i], names[i]);
        m.InputCode[i] = i * 3;
        m.InputShow[i] = 1;
    }
    SetText(m.InputNameView[1], "HD1");
    m.WhisperNum = 2;
    m.WhisperCode[0] = 0;
    SetText(m.WhisperName[0], "Normal");
    m.WhisperCode[1] = 1;
    SetText(m.WhisperName[1], "Eco");
    m.AspectNum = 1;
    m.AspectCode[0] = 2;
    SetText(m.AspectName[0], "16:9;wide");
    m.GammaNum = 0;
    m.ColorTempNum = 0;
    m.MyButtonNum = 0;
    m.Volume = "0,63";
    m.AutoPowerOff = "0,99";
    m.DZoom = "0,20"; // not stored in configuration files
    m.IconSize = 1;
    m.AlwaysOnTop = 1;
    return m;
}

ConfigControls SampleControls() {
    ConfigControls c;
    c.modelName = "AX-210";
    c.rowChecked[1] = true;
    c.config = c.powerOn = c.powerOff = c.blankOn = c.volume = c.about = true;
    c.inputChecked[0] = true;
    c.inputChecked[1] = true;
    c.iconChoice = 1;
    c.alwaysOnTop = true;
    return c;
}

const char* const kExpectedHead = "[GENERAL]\r\n"
                                  "MODEL=AX-210\r\n"
                                  "ModelID=101\r\n"
                                  "Type=1\r\n"
                                  "Discovery=0\r\n"
                                  "ImageSendEnable=1\r\n"
                                  "ImageDispEnable=0\r\n"
                                  "[PROJECTOR]\r\n"
                                  "PJTNUM=2\r\n"
                                  "SELECTPRJ=2\r\n"
                                  "[CONNECT-1]\r\r\n"
                                  "CONMETHOD=1\r\n"
                                  "COMPORTNO=0\r\n"
                                  "TCPPORTNO=23\r\n"
                                  "IPADDRESS=192.168.1.10\r\n"
                                  "PASSWORD=pw1\r\n"
                                  "[CONNECT-2]\r\r\n"
                                  "CONMETHOD=0\r\n"
                                  "COMPORTNO=2\r\n"
                                  "TCPPORTNO=0\r\n"
                                  "IPADDRESS=\r\n"
                                  "PASSWORD=\r\n"
                                  "[TOOLBAR]\r\r\n"
                                  "CONFIG=1\r\r\n"
                                  "POWERON=1\r\r\n"
                                  "POWEROFF=1\r\r\n"
                                  "BLANKON=1\r\r\n"
                                  "BLANKOFF=0\r\r\n"
                                  "VOLUME=1\r\r\n"
                                  "MUTE=0\r\r\n"
                                  "FREEZEON=0\r\r\n"
                                  "FREEZEOFF=0\r\r\n"
                                  "ADVANCE=0\r\r\n"
                                  "ABOUT=1\r\r\n"
                                  "IMGSEND=0\r\r\n"
                                  "[INPUTSOURCE]\r\r\n"
                                  "InputNum=3\r\r\n"
                                  "Input_001=1;0;Computer in 1\r\r\n"
                                  "Input_002=1;3;HDMI 1\r\r\n"
                                  "Input_003=0;6;Video\r\r\n"
                                  "[WHISPER]\r\r\n"
                                  "WhisperNum=2\r\r\n"
                                  "Whisper_001=0;Normal\r\r\n"
                                  "Whisper_002=1;Eco\r\r\n"
                                  "[ASPECT]\r\r\n"
                                  "AspectNum=1\r\r\n"
                                  "Aspect_001=2;16:9;wide\r\r\n"
                                  "[GAMMA]\r\r\n"
                                  "GammaNum=0\r\r\n"
                                  "[COLORTEMP]\r\r\n"
                                  "ColorTempNum=0\r\r\n"
                                  "[MYBUTTON]\r\r\n"
                                  "MyButtonNum=0\r\r\n"
                                  "[SCREEN]\r\r\n"
                                  "ICON=1\r\r\n"
                                  "ALWAYSONTOP=1\r\r\n"
                                  "[AutoPowerOff]\r\n"
                                  "Min-Max=0,99\r\n"
                                  "[Volume]\r\n"
                                  "Min-Max=0,63\r\n"
                                  "[INPUTSOURCEVIEW]\r\n";

TEST(ConfigFileFormat, BothFilesAreByteExactAndDifferOnlyInLabelLineEndings) {
    const std::string current = FormatConfigFile(SampleRecord(), SampleControls(), false);
    const std::string perModel = FormatConfigFile(SampleRecord(), SampleControls(), true);
    EXPECT_EQ(current, std::string(kExpectedHead) +
                           "InputNameView_001=\r\r\nInputNameView_002=HD1\r\r\nInputNameView_003=\r\r\n");
    EXPECT_EQ(perModel,
              std::string(kExpectedHead) + "InputNameView_001=\r\nInputNameView_002=HD1\r\nInputNameView_003=\r\n");
}

TEST(ConfigFileFormat, ModelIdZeroAndSelectionLinesAndInputCounts) {
    CModelInfo2 m = SampleRecord();
    m.ModelID = 0;
    m.PjtNum = 4;
    ConfigControls c = SampleControls();
    c.rowChecked[1] = true;
    c.rowChecked[3] = true;
    c.rowChecked[4] = true; // row 5 is beyond PjtNum: no line
    std::string text = FormatConfigFile(m, c, false);
    EXPECT_EQ(text.find("ModelID="), std::string::npos);
    EXPECT_NE(text.find("PJTNUM=4\r\nSELECTPRJ=2\r\nSELECTPRJ=4\r\n[CONNECT-1]"), std::string::npos);
    EXPECT_EQ(text.find("[CONNECT-5]"), std::string::npos);

    m.InputNum = 0;
    EXPECT_EQ(FormatConfigFile(m, c, false).find("INPUTSOURCEVIEW"), std::string::npos);
    m.InputNum = -1;
    text = FormatConfigFile(m, c, false);
    EXPECT_TRUE(text.ends_with("[INPUTSOURCEVIEW]\r\n")) << text.substr(text.size() - 40);
    EXPECT_NE(text.find("InputNum=-1\r\r\n[WHISPER]"), std::string::npos);

    // No ticked row: no SELECTPRJ line at all.
    c = ConfigControls();
    c.modelName = "AX-210";
    EXPECT_EQ(FormatConfigFile(m, c, false).find("SELECTPRJ"), std::string::npos);
}

TEST(ConfigFileFormat, IconChoiceOutsideTheThreeIsWrittenAsZero) {
    ConfigControls c = SampleControls();
    c.iconChoice = 2;
    EXPECT_NE(FormatConfigFile(SampleRecord(), c, false).find("ICON=2\r\r\n"), std::string::npos);
    c.iconChoice = 3;
    EXPECT_NE(FormatConfigFile(SampleRecord(), c, false).find("ICON=0\r\r\n"), std::string::npos);
}

TEST(ConfigFileFormat, LineBreaksInsideValuesCannotSplitTheFile) {
    CModelInfo2 m = SampleRecord();
    SetText(m.Password[0], "a\r\nPJTNUM=5");
    ConfigControls c = SampleControls();
    std::string text = FormatConfigFile(m, c, false);
    EXPECT_NE(text.find("PASSWORD=aPJTNUM=5\r\n"), std::string::npos);
}

class ConfigFileIo : public ::testing::Test {
protected:
    CModelInfo2 ReadBack(const std::string& path, int index = 0) {
        CModelInfo2 m;
        OptionValues options;
        ReadConfigFile(path, index, m, list_, options);
        return m;
    }
    // The same into a record that has every range set already.
    CModelInfo2 ReadBackOverRanges(const std::string& path) {
        CModelInfo2 m;
        for (const RangeField& r : AllRangeFields())
            m.*r.field = "1,2";
        OptionValues options;
        ReadConfigFile(path, 0, m, list_, options);
        return m;
    }
    test::Sandbox box_;
    ModelList list_;
};

TEST_F(ConfigFileIo, WriteThenReadKeepsEveryStoredField) {
    CModelInfo2 m = SampleRecord();
    ConfigControls c = SampleControls();
    ASSERT_EQ(WriteConfigFiles(m, c), 0);
    EXPECT_EQ(box_.Read("Orvane.txt"), FormatConfigFile(m, c, false));
    EXPECT_EQ(box_.Read("AX-210.txt"), FormatConfigFile(m, c, true));

    for (const char* file : {"./Orvane.txt", "AX-210.txt"}) {
        CModelInfo2 r = ReadBackOverRanges(file == std::string("AX-210.txt") ? ModelFilePath("AX-210") : file);
        EXPECT_EQ(r.Name, "AX-210");
        EXPECT_EQ(r.ModelID, 101);
        EXPECT_EQ(r.Type, 1);
        EXPECT_EQ(r.ImageSendEnable, 1);
        EXPECT_EQ(r.PjtNum, 2);
        EXPECT_EQ(r.SelectPrj, 2);
        EXPECT_EQ(r.ConnectMethod[0], 1);
        EXPECT_EQ(r.PortNo[0], 23);
        EXPECT_STREQ(r.IPAddress[0], "192.168.1.10");
        EXPECT_STREQ(r.Password[0], "pw1");
        EXPECT_EQ(r.ComNo[1], 2);
        EXPECT_EQ(r.ToolbarConfig, 1);
        EXPECT_EQ(r.ToolbarBlankOff, 0);
        EXPECT_EQ(r.ToolbarAbout, 1);
        EXPECT_EQ(r.InputNum, 3);
        EXPECT_EQ(r.InputShow[0], 1);
        EXPECT_EQ(r.InputShow[2], 0);
        EXPECT_EQ(r.InputCode[2], 6);
        EXPECT_STREQ(r.InputName[2], "Video");
        EXPECT_STREQ(r.InputNameView[1], "HD1");
        EXPECT_STREQ(r.WhisperName[1], "Eco");
        EXPECT_STREQ(r.AspectName[0], "16:9"); // cut at its ';' on reading
        EXPECT_EQ(r.IconSize, 1);
        EXPECT_EQ(r.AlwaysOnTop, 1);
        EXPECT_EQ(r.Volume, "0,63");
        EXPECT_EQ(r.AutoPowerOff, "0,99");
        EXPECT_EQ(r.Brightness, ""); // a stored range without its section is emptied
        EXPECT_EQ(r.DZoom, "1,2");   // not stored: keeps what the record had
    }
}

TEST_F(ConfigFileIo, SixteenInputsSurviveAWriteAndRead) {
    CModelInfo2 m = SampleRecord();
    m.InputNum = 16;
    for (int i = 0; i < 16; ++i) {
        SetText(m.InputName[i], "In " + std::to_string(i + 1));
        m.InputCode[i] = 100 + i;
        m.InputShow[i] = i % 2;
    }
    ConfigControls c = SampleControls();
    for (int i = 0; i < 10; ++i)
        c.inputChecked[i] = i % 2 == 1;
    ASSERT_EQ(WriteConfigFiles(m, c), 0);
    CModelInfo2 r = ReadBack("./Orvane.txt");
    ASSERT_EQ(r.InputNum, 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(r.InputCode[i], 100 + i);
        EXPECT_EQ(r.InputShow[i], i % 2);
        EXPECT_EQ(std::string(r.InputName[i]), "In " + std::to_string(i + 1));
    }
}

TEST_F(ConfigFileIo, ReaderDefaultsForMissingSectionsAndKeys) {
    box_.Write("c.txt", "[GENERAL]\r\nMODEL=LM107\r\nImageSendEnable=-4\r\n[PROJECTOR]\r\nPJTNUM=3\r\n"
                        "[CONNECT-4]\r\r\nCONMETHOD=1\r\nIPADDRESS=10.0.0.4\r\n");
    CModelInfo2 m;
    m.WhisperType = 7;
    m.DShiftV = "keep";
    m.PjtKind[1] = 9;
    OptionValues options;
    ASSERT_EQ(ReadConfigFile("c.txt", 0, m, list_, options), ConfigSource::File);
    EXPECT_EQ(m.ModelID, 1); // from the built-in table
    EXPECT_EQ(m.ImageSendEnable, 0);
    EXPECT_EQ(m.SelectPrj, 1);        // no SELECTPRJ with projectors in use
    EXPECT_EQ(m.ConnectMethod[3], 1); // slot 4 read even with PJTNUM 3
    EXPECT_STREQ(m.IPAddress[3], "10.0.0.4");
    EXPECT_EQ(m.ConnectMethod[4], 0);
    EXPECT_EQ(m.PortNo[4], 0);
    EXPECT_STREQ(m.Password[4], "");
    EXPECT_EQ(m.ToolbarConfig, 1); // missing CONFIG means shown
    EXPECT_EQ(m.ToolbarPowerOn, 0);
    EXPECT_EQ(m.WhisperNum, 2);
    EXPECT_STREQ(m.WhisperName[0], "Normal");
    EXPECT_STREQ(m.WhisperName[1], "Whisper");
    EXPECT_EQ(m.WhisperCode[1], 1);
    EXPECT_EQ(m.InputNum, 0);
    EXPECT_EQ(m.InputCode[0], -1);
    EXPECT_EQ(m.WhisperType, 7);
    EXPECT_EQ(m.DShiftV, "keep");
    EXPECT_EQ(m.PjtKind[1], 9);
    EXPECT_EQ(options.UpdateInterval, 30);
}

TEST_F(ConfigFileIo, OutOfRangeProjectorCountsNeverIndexPastTheSlots) {
    box_.Write("a.txt", "[PROJECTOR]\nPJTNUM=6\nSELECTPRJ=3\n");
    CModelInfo2 a = ReadBack("a.txt");
    EXPECT_EQ(a.PjtNum, 0);
    EXPECT_EQ(a.SelectPrj, 3);
    box_.Write("b.txt", "[PROJECTOR]\nPJTNUM=-2\nSELECTPRJ=77\n");
    CModelInfo2 b = ReadBack("b.txt");
    EXPECT_EQ(b.PjtNum, 0);
    EXPECT_EQ(b.SelectPrj, 0);
    box_.Write("c.txt", "[PROJECTOR]\nPJTNUM=2\nSELECTPRJ=-1\nSELECTPRJ=1\n");
    EXPECT_EQ(ReadBack("c.txt").SelectPrj, 0);
    box_.Write("d.txt", "[PROJECTOR]\nPJTNUM=0\n");
    EXPECT_EQ(ReadBack("d.txt").SelectPrj, 0);
}

TEST_F(ConfigFileIo, OversizedValuesAreCutToTheirFields) {
    std::string text = "[PROJECTOR]\nPJTNUM=1\n[CONNECT-1]\nIPADDRESS=" + std::string(10000, '1') +
                       "\nPASSWORD=" + std::string(300, 'p') + "\n[INPUTSOURCE]\nInputNum=40\n";
    for (int n = 1; n <= 40; ++n)
        text += "Input_0" + std::to_string(n / 10) + std::to_string(n % 10) + "=1;" + std::to_string(n) + ";" +
                std::string(300, 'n') + "\n";
    text += "[INPUTSOURCEVIEW]\nInputNameView_001=ABCDEFGHIJKL\n[ASPECT]\nAspectNum=40\n";
    box_.Write("big.txt", text);
    CModelInfo2 m = ReadBack("big.txt");
    EXPECT_EQ(std::strlen(m.IPAddress[0]), 63u);
    EXPECT_EQ(std::strlen(m.Password[0]), 63u);
    EXPECT_EQ(m.InputNum, 16);
    EXPECT_EQ(m.InputCode[15], 16);
    EXPECT_EQ(std::strlen(m.InputName[0]), 63u);
    EXPECT_STREQ(m.InputNameView[0], "ABCDEFGH");
    EXPECT_EQ(m.AspectNum, 32);
}

TEST_F(ConfigFileIo, MissingFileCopiesTheCatalogRecordButKeepsKindCodes) {
    auto rec = std::make_unique<CModelInfo2>();
    rec->Name = "AX";
    rec->PjtKind[0] = 4;
    list_.push_back(std::move(rec));
    CModelInfo2 m;
    m.PjtKind[0] = 9;
    OptionValues options;
    box_.Write("OrvaneOpt.txt", "1\n1\n12\n");
    EXPECT_EQ(ReadConfigFile(box_.File("none.txt"), 0, m, list_, options), ConfigSource::Catalog);
    EXPECT_EQ(m.Name, "AX");
    EXPECT_EQ(m.PjtKind[0], 9);
    EXPECT_EQ(options.UpdateInterval, 12);
    EXPECT_EQ(ReadConfigFile(box_.File("none.txt"), 5, m, list_, options), ConfigSource::None);
    EXPECT_EQ(ReadConfigFile(box_.File("none.txt"), -1, m, list_, options), ConfigSource::None);
}

TEST_F(ConfigFileIo, ModelNamesThatAreNotPlainFileNamesHaveNoFile) {
    EXPECT_EQ(ModelFilePath("AX-210"), box_.File("AX-210.txt"));
    for (const char* bad : {"", ".", "..", "../evil", "a/b", "a\\b"})
        EXPECT_EQ(ModelFilePath(bad), "") << bad;
    EXPECT_EQ(ModelFilePath(std::string(5000, 'a')), "");

    CModelInfo2 m = SampleRecord();
    ConfigControls c = SampleControls();
    c.modelName = "../escape";
    EXPECT_EQ(WriteConfigFiles(m, c), kModelConfigWriteFailed);
    struct stat st;
    EXPECT_NE(stat((box_.dir().path() + "/../escape.txt").c_str(), &st), 0);
}

TEST_F(ConfigFileIo, FilesAreOwnerOnlyAndAFailedWriteKeepsTheOldFile) {
    ASSERT_EQ(WriteConfigFiles(SampleRecord(), SampleControls()), 0);
    struct stat st;
    ASSERT_EQ(stat("Orvane.txt", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(box_.File("AX-210.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A full disk: writes beyond 100 bytes fail. The old files must survive whole.
    const std::string before = box_.Read("Orvane.txt");
    CModelInfo2 changed = SampleRecord();
    changed.PjtNum = 1;
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = {100, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int result = WriteConfigFiles(changed, SampleControls());
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, kCurrentConfigWriteFailed | kModelConfigWriteFailed);
    EXPECT_EQ(box_.Read("Orvane.txt"), before);
    // No temporary files are left behind.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(box_.dir().path()))
        entries += e.path().filename().string().find(".txt.") != std::string::npos;
    EXPECT_EQ(entries, 0);
}

TEST_F(ConfigFileIo, CopyToCurrentIsUnchangedWhateverTheLineLength) {
    std::string content = "[GENERAL]\r\nMODEL=X\r\n" + std::string(2000, 'z') + "\r\r\n\x01\x02no newline";
    box_.Write("X.txt", content);
    ASSERT_EQ(CopyConfigToCurrent(box_.File("X.txt")), 0);
    EXPECT_EQ(box_.Read("Orvane.txt"), content);
    EXPECT_EQ(CopyConfigToCurrent(box_.File("missing.txt")), -1);
    EXPECT_EQ(box_.Read("Orvane.txt"), content);
}

} // namespace
} // namespace orvane
