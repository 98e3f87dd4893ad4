#include "model/ConfigFile.h"

#include "model/BuiltInModelTable.h"
#include "platform/FileUtil.h"
#include "platform/PrivateProfile.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace orvane {

namespace {

constexpr std::size_t kMaxPath = 4095;

// "replace every ';' by a string end": the fields of a configuration entry, by position.
std::vector<std::string> SplitFields(const std::string& value) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t semi = value.find(';', start);
        fields.push_back(value.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
        if (semi == std::string::npos)
            break;
        start = semi + 1;
    }
    return fields;
}

const std::string& Field(const std::vector<std::string>& fields, std::size_t i) {
    static const std::string empty;
    return i < fields.size() ? fields[i] : empty;
}

void ReadList(const PrivateProfile& ini, const ListField& list, CModelInfo2& m) {
    const int count = BeginListRead(m, list, ini.GetInt(list.section, list.countKey));
    for (int n = 1; n <= count; ++n) {
        auto fields = SplitFields(ini.GetString(list.section, NumberedKey(list.entryPrefix, n)));
        (m.*list.codes)[n - 1] = ProfileAtoi(Field(fields, 0));
        SetText((m.*list.names)[n - 1], Field(fields, 1));
    }
}

void ReadFromProfile(const PrivateProfile& ini, CModelInfo2& m) {
    m.Name = ini.GetString("GENERAL", "MODEL");
    m.ModelID = ini.GetInt("GENERAL", "ModelID");
    if (m.ModelID == 0)
        m.ModelID = LookupBuiltInModelId(m.Name.c_str());
    m.Type = ini.GetInt("GENERAL", "Type");
    m.Discovery = ini.GetInt("GENERAL", "Discovery");
    m.ImageSendEnable = ini.GetInt("GENERAL", "ImageSendEnable") < 1 ? 0 : 1;
    m.ImageDispEnable = ini.GetInt("GENERAL", "ImageDispEnable") < 1 ? 0 : 1;

    // A count outside 0..5 would send commands past the five slots: no projector then.
    m.PjtNum = ini.GetInt("PROJECTOR", "PJTNUM");
    if (m.PjtNum > CModelInfo2::kSlots || m.PjtNum < 0)
        m.PjtNum = 0;
    const std::string select = ini.GetString("PROJECTOR", "SELECTPRJ");
    if (!select.empty()) {
        m.SelectPrj = ProfileAtoi(select);
    } else {
        m.SelectPrj = m.PjtNum > 0 ? 1 : 0;
    }
    if (m.SelectPrj < 0 || m.SelectPrj > CModelInfo2::kSlots)
        m.SelectPrj = 0;

    for (int n = 1; n <= CModelInfo2::kSlots; ++n) {
        char section[32];
        std::snprintf(section, sizeof section, "%s-%d", "CONNECT", n);
        m.ConnectMethod[n - 1] = ini.GetInt(section, "CONMETHOD");
        m.ComNo[n - 1] = ini.GetInt(section, "COMPORTNO");
        m.PortNo[n - 1] = ini.GetInt(section, "TCPPORTNO");
        SetText(m.IPAddress[n - 1], ini.GetString(section, "IPADDRESS"));
        SetText(m.Password[n - 1], ini.GetString(section, "PASSWORD"));
    }

    const std::string config = ini.GetString("TOOLBAR", "CONFIG");
    m.ToolbarConfig = config.empty() ? 1 : ProfileAtoi(config);
    m.ToolbarPowerOn = ini.GetInt("TOOLBAR", "POWERON");
    m.ToolbarPowerOff = ini.GetInt("TOOLBAR", "POWEROFF");
    m.ToolbarBlankOn = ini.GetInt("TOOLBAR", "BLANKON");
    m.ToolbarBlankOff = ini.GetInt("TOOLBAR", "BLANKOFF");
    m.ToolbarVolume = ini.GetInt("TOOLBAR", "VOLUME");
    m.ToolbarMute = ini.GetInt("TOOLBAR", "MUTE");
    m.ToolbarFreezeOn = ini.GetInt("TOOLBAR", "FREEZEON");
    m.ToolbarFreezeOff = ini.GetInt("TOOLBAR", "FREEZEOFF");
    m.ToolbarAdvance = ini.GetInt("TOOLBAR", "ADVANCE");
    m.ToolbarAbout = ini.GetInt("TOOLBAR", "ABOUT");
    m.ToolbarImgSend = ini.GetInt("TOOLBAR", "IMGSEND");

    m.InputNum = ini.GetInt("INPUTSOURCE", "InputNum");
    if (m.InputNum > CModelInfo2::kInputCapacity)
        m.InputNum = CModelInfo2::kInputCapacity;
    for (int i = 0; i < CModelInfo2::kInputCapacity; ++i) {
        m.InputCode[i] = -1;
        m.InputShow[i] = -1;
        std::memset(m.InputName[i], 0, sizeof m.InputName[i]);
    }
    for (int n = 1; n <= m.InputNum; ++n) {
        auto fields = SplitFields(ini.GetString("INPUTSOURCE", NumberedKey("Input_", n)));
        m.InputShow[n - 1] = ProfileAtoi(Field(fields, 0));
        m.InputCode[n - 1] = ProfileAtoi(Field(fields, 1));
        SetText(m.InputName[n - 1], Field(fields, 2));
        SetText(m.InputNameView[n - 1], ini.GetString("INPUTSOURCEVIEW", NumberedKey("InputNameView_", n)));
    }

    ReadList(ini, WhisperList(), m);
    ReadList(ini, AspectList(), m);
    ReadList(ini, GammaList(), m);
    ReadList(ini, ColorTempList(), m);
    ReadList(ini, MyButtonList(), m);

    m.IconSize = ini.GetInt("SCREEN", "ICON");
    m.AlwaysOnTop = ini.GetInt("SCREEN", "ALWAYSONTOP");

    for (const RangeField& r : StoredRangeFields())
        m.*r.field = ini.GetString(r.name, "Min-Max");
}

// Builds a file the way a text-mode stream writes it: every LF leaves as CR LF, so a
// line formatted with "\r\n" ends in CR CR LF.
class TextModeWriter {
public:
    void operator()(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        va_list copy;
        va_copy(copy, args);
        int n = std::vsnprintf(nullptr, 0, format, copy);
        va_end(copy);
        std::string line(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
        if (n > 0)
            std::vsnprintf(line.data(), line.size() + 1, format, args);
        va_end(args);
        for (char c : line) {
            if (c == '\n')
                out_ += '\r';
            out_ += c;
        }
    }
    std::string Take() { return std::move(out_); }

private:
    std::string out_;
};

// Values never span lines: a line break inside one would split the file's structure. Blanks
// at the ends and enclosing quotes are kept by quoting, so that the value reads back as it
// was (a password may well end in a blank).
std::string ValueText(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c != '\r' && c != '\n')
            out += c;
    }
    return ProfileValueText(out);
}

void WriteList(TextModeWriter& w, const CModelInfo2& m, const ListField& list) {
    const int32_t count = m.*list.count;
    w("[%s]\r\n", list.section);
    w("%s=%d\r\n", list.countKey, count);
    for (int n = 1; n <= ClampCount(count, CModelInfo2::kListCapacity); ++n) {
        w("%s%03d=%s\r\n", list.entryPrefix, n,
          ValueText(std::to_string((m.*list.codes)[n - 1]) + ";" + (m.*list.names)[n - 1]).c_str());
    }
}

} // namespace

std::string ModelFilePath(const std::string& modelName) {
    if (modelName.empty() || modelName == "." || modelName == ".." ||
        modelName.find_first_of("/\\") != std::string::npos || modelName.find('\0') != std::string::npos)
        return {};
    std::string path = ProgramDir() + "/" + modelName + ".txt";
    if (path.size() > kMaxPath)
        return {};
    return path;
}

ConfigSource ReadConfigFile(const std::string& path, int index, CModelInfo2& model, const ModelList& list,
                            OptionValues& options, FileReadResult* read) {
    ConfigSource source = ConfigSource::None;
    const PrivateProfile ini = PrivateProfile::Load(path, kMaxSettingsFileSize);
    if (ini.Loaded()) {
        ReadFromProfile(ini, model);
        source = ConfigSource::File;
    } else {
        if (index >= 0 && static_cast<std::size_t>(index) < list.size()) {
            model = *list[static_cast<std::size_t>(index)];
            source = ConfigSource::Catalog;
        }
        if (ini.ReadResult().failed())
            source = ConfigSource::Unreadable;
    }
    if (read != nullptr)
        *read = ini.ReadResult();
    // Only the record's own file is reported: an option file that is missing or unreadable
    // leaves the options as they were, as ReadOptions promises.
    static_cast<void>(ReadOptions(options));
    return source;
}

std::string FormatConfigFile(const CModelInfo2& m, const ConfigControls& c, bool perModelFile) {
    TextModeWriter w;
    w("[%s]\n", "GENERAL");
    w("%s=%s\n", "MODEL", ValueText(c.modelName).c_str());
    if (m.ModelID != 0)
        w("%s=%d\n", "ModelID", m.ModelID);
    w("%s=%d\n", "Type", m.Type);
    w("%s=%d\n", "Discovery", m.Discovery);
    w("%s=%d\n", "ImageSendEnable", m.ImageSendEnable);
    w("%s=%d\n", "ImageDispEnable", m.ImageDispEnable);

    w("[%s]\n", "PROJECTOR");
    w("%s=%d\n", "PJTNUM", m.PjtNum);
    const int slots = ClampCount(m.PjtNum, CModelInfo2::kSlots);
    for (int n = 1; n <= slots; ++n) {
        if (c.rowChecked[n - 1])
            w("%s=%d\n", "SELECTPRJ", n);
    }
    for (int n = 1; n <= slots; ++n) {
        w("[%s-%d]\r\n", "CONNECT", n);
        w("%s=%d\n", "CONMETHOD", m.ConnectMethod[n - 1] != 0 ? 1 : 0);
        w("%s=%d\n", "COMPORTNO", m.ComNo[n - 1]);
        w("%s=%d\n", "TCPPORTNO", m.PortNo[n - 1]);
        w("%s=%s\n", "IPADDRESS", ValueText(m.IPAddress[n - 1]).c_str());
        w("%s=%s\n", "PASSWORD", ValueText(m.Password[n - 1]).c_str());
    }

    w("[%s]\r\n", "TOOLBAR");
    const std::pair<const char*, bool> toolbar[] = {
        {"CONFIG", c.config},       {"POWERON", c.powerOn}, {"POWEROFF", c.powerOff}, {"BLANKON", c.blankOn},
        {"BLANKOFF", c.blankOff},   {"VOLUME", c.volume},   {"MUTE", c.mute},         {"FREEZEON", c.freezeOn},
        {"FREEZEOFF", c.freezeOff}, {"ADVANCE", c.advance}, {"ABOUT", c.about},       {"IMGSEND", c.imgSend},
    };
    for (const auto& [key, on] : toolbar)
        w("%s=%d\r\n", key, on ? 1 : 0);

    w("[%s]\r\n", "INPUTSOURCE");
    w("%s=%d\r\n", "InputNum", m.InputNum);
    const int inputs = ClampCount(m.InputNum, CModelInfo2::kInputCapacity);
    for (int n = 1; n <= inputs; ++n) {
        // Inputs 1 to 10 have a show box on the toolbar page; the ones beyond keep the
        // record's flag, so that a write followed by a read keeps all sixteen.
        const int show = n <= 10 ? (c.inputChecked[n - 1] ? 1 : 0) : m.InputShow[n - 1];
        w("%s%03d=%s\r\n", "Input_", n,
          ValueText(std::to_string(show) + ";" + std::to_string(m.InputCode[n - 1]) + ";" + m.InputName[n - 1])
              .c_str());
    }

    WriteList(w, m, WhisperList());
    WriteList(w, m, AspectList());
    WriteList(w, m, GammaList());
    WriteList(w, m, ColorTempList());
    WriteList(w, m, MyButtonList());

    w("[%s]\r\n", "SCREEN");
    w("%s=%d\r\n", "ICON", c.iconChoice == 1 ? 1 : (c.iconChoice == 2 ? 2 : 0));
    w("%s=%d\r\n", "ALWAYSONTOP", c.alwaysOnTop ? 1 : 0);

    for (const RangeField& r : StoredRangeFields()) {
        const std::string& range = m.*r.field;
        if (range.empty())
            continue;
        w("[%s]\n", r.name);
        w("%s=%s\n", "Min-Max", ValueText(range).c_str());
    }

    if (m.InputNum != 0) {
        w("[%s]\n", "INPUTSOURCEVIEW");
        for (int n = 1; n <= inputs; ++n) {
            w(perModelFile ? "%s%03d=%s\n" : "%s%03d=%s\r\n", "InputNameView_", n,
              ValueText(m.InputNameView[n - 1]).c_str());
        }
    }
    return w.Take();
}

int WriteConfigFiles(const CModelInfo2& model, const ConfigControls& controls) {
    int failed = 0;
    if (WriteFileAtomically(kCurrentConfigFile, FormatConfigFile(model, controls, false), kConfigFileMode) != 0)
        failed |= kCurrentConfigWriteFailed;
    const std::string modelPath = ModelFilePath(controls.modelName);
    if (modelPath.empty() ||
        WriteFileAtomically(modelPath, FormatConfigFile(model, controls, true), kConfigFileMode) != 0)
        failed |= kModelConfigWriteFailed;
    return failed;
}

int CopyConfigToCurrent(const std::string& path) {
    std::string content;
    if (!ReadWholeFile(path, content, kMaxSettingsFileSize).ok())
        return -1;
    return WriteFileAtomically(kCurrentConfigFile, content, kConfigFileMode);
}

} // namespace orvane
