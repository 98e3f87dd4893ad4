// orvanectl's projector commands: each runs the same handler as its toolbar button, against
// the configuration in use, and reports every failing projector with the message box's text.

#include "CtlContext.h"

#include "catalog/MessageCatalog.h"
#include "commands/CommandHandlers.h"
#include "commands/CommandIds.h"
#include "commands/InputChecks.h"
#include "commands/InputTables.h"
#include "commands/StatusPoller.h"
#include "link/CommandTransport.h"
#include "mainwnd/VolumePanel.h"
#include "model/ConfigFile.h"
#include "model/OptionFile.h"
#include "platform/FileUtil.h"

#include <chrono>
#include <iostream>
#include <memory>
#include <thread>

namespace orvane::ctl {

namespace {

// Every failing projector: the text the message box would show, one line on stderr. The
// message catalog is opened only for the first of them: a command that every projector
// accepts has no text to look up, and reading the catalog would be most of its time.
class StderrSlotErrors : public ISlotErrorSink {
public:
    ~StderrSlotErrors() override {
        if (catalogOpened_)
            CloseCatalog();
    }
    void SetTransport(const CommandTransport* transport) { transport_ = transport; }

    int ShowSlotError(int slot, int number, int /*style*/, const std::string& message) override {
        if (!catalogOpened_) {
            catalogOpened_ = true;
            OpenCatalog();
        }
        std::cerr << (transport_ != nullptr ? transport_->SlotErrorMessage(slot, number) : message) << std::endl;
        ++reported_;
        return 1;
    }
    int Reported() const { return reported_; }

private:
    const CommandTransport* transport_ = nullptr;
    bool catalogOpened_ = false;
    int reported_ = 0;
};

// A shell has no toolbar window: the window steps do nothing, but Freeze On still waits as
// long as the window would stay hidden.
class NoWindow : public IMainWindowSide {
public:
    void HideVolumePopup() override {}
    void ToggleVolumePopup() override {}
    void HideMainWindow() override {}
    void ShowMainWindow() override {}
    bool IsMainWindowVisible() override { return false; }
    void Sleep(int milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
};

// What the main window owns for its commands, for one run of orvanectl. The poller is
// never started; its status refresh still runs after input commands, as in the window.
struct Session {
    CModelInfo2 working;
    CPjtInterface link;
    CPjtInterface pollLink;
    StderrSlotErrors errors;
    NoWindow window;
    CommandTransport transport{working, link, pollLink, errors};
    StatusPoller poller{transport, nullptr};
    CommandHandlers handlers{transport, poller, window};
};

} // namespace

// The configuration in use: ./Orvane.txt, or the per-model file of `configName` as the
// program's first argument names one. 0 when loaded, else the exit status.
int LoadConfiguration(const std::string& configName, CModelInfo2& working) {
    std::string path = kCurrentConfigFile;
    if (!configName.empty()) {
        path = ModelFilePath(configName);
        if (path.empty()) {
            PrintError("the name \"" + configName + "\" cannot name a configuration file");
            return kExitUsage;
        }
    }
    if (ProbeReadable(path).missing()) {
        PrintError("no configuration: " + path + " not found (use --dir, or --config MODEL)");
        return kExitUsage;
    }
    // The file is there, so the model catalog would never be looked at: a projector
    // command does not read it.
    const ModelList noCatalog;
    OptionValues options;
    FileReadResult read;
    if (ReadConfigFile(path, 0, working, noCatalog, options, &read) != ConfigSource::File) {
        PrintError(ReadFailureText(path, read));
        return kExitFailed;
    }
    return 0;
}

namespace {

// Runs `command` with a loaded session; the catalog is opened when a message needs it.
int WithSession(const std::string& configName, const std::function<int(Session&)>& command) {
    auto session = std::make_unique<Session>();
    if (int rc = LoadConfiguration(configName, session->working); rc != 0)
        return rc;
    session->errors.SetTransport(&session->transport);
    if (session->transport.SlotsInUse() == 0)
        PrintError("note: the configuration has no projectors");
    return command(*session);
}

int RunHandler(const std::string& configName, int commandId) {
    return WithSession(configName, [commandId](Session& s) {
        const int reported = s.handlers.Run(commandId);
        return reported == 0 ? kExitOk : kExitFailed;
    });
}

int RunVolumeStep(const std::string& configName, bool up) {
    return WithSession(configName, [up](Session& s) {
        const int reported = up ? s.handlers.VolumeUp() : s.handlers.VolumeDown();
        return reported == 0 ? kExitOk : kExitFailed;
    });
}

// What the volume panel would show: the reported projector's level and the bar's maximum.
int RunVolumeLevel(const std::string& configName) {
    return WithSession(configName, [](Session& s) {
        const int level = s.handlers.ReadVolumeLevel();
        if (level < 0) {
            std::cout << "level=?" << std::endl;
            return kExitFailed;
        }
        std::cout << "level=" << level << " max=" << VolumeRangeMaximum(s.working.Volume) << std::endl;
        return kExitOk;
    });
}

std::string JoinWords(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& w : words)
        text += (text.empty() ? "" : " ") + w;
    return text;
}

int RunInput(const std::string& configName, const std::vector<std::string>& words) {
    const std::string name = JoinWords(words);
    // "pjlink:32": a PJLink input by its code, for inputs the model's table has no name for.
    if (name.size() > 7 && (name.rfind("pjlink:", 0) == 0 || name.rfind("PJLINK:", 0) == 0)) {
        std::string code = name.substr(7);
        for (char& c : code)
            c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        return RunPjlinkInput(configName, code);
    }
    return WithSession(configName, [&name](Session& s) {
        const auto table = InputTableForModel(s.working.ModelID);
        const int commandId = FindInputCommand(table, name);
        if (commandId == 0) {
            std::string valid;
            for (const InputRow& row : table)
                valid += "\n  " + std::string(row.name);
            PrintError("unknown input \"" + name + "\" for model " + s.working.Name + " (ModelID " +
                       std::to_string(s.working.ModelID) + "); valid names:" + valid);
            return kExitUsage;
        }
        return s.handlers.Run(commandId) == 0 ? kExitOk : kExitFailed;
    });
}

std::string SlotAddress(const CModelInfo2& m, int slot) {
    if (m.ConnectMethod[slot] == CModelInfo2::kMethodNetwork)
        return FieldText(m.IPAddress[slot]);
    return "com" + std::to_string(static_cast<long long>(m.ComNo[slot]) + 1);
}

// One line per slot in use. Once a projector has not answered one query (its link did not
// open, or no answer came within the reply time-out), its remaining queries are skipped and
// shown as "?": a projector that does not answer costs one time-out, not three.
int RunStatus(const std::string& configName) {
    return WithSession(configName, [](Session& s) {
        CModelInfo2& m = s.working;
        bool failed = false;
        for (int slot = 0; slot < s.transport.SlotsInUse(); ++slot) {
            std::string kind = "?", power = "?", input = "?";
            bool answering = true;
            ReplyBuffer reply{};
            // True when the query got a data reply; a query without an answer ends the slot's turn.
            auto ask = [&](std::uint16_t type) {
                if (!answering)
                    return false;
                reply.fill(0);
                if (s.transport.SendToSlot(slot, kActionGet, type, 0, reply.data()) != kExchangeOk) {
                    answering = false;
                    return false;
                }
                return reply[0] == kReplyData;
            };
            std::int32_t kindCode = kKindUnknown;
            if (ask(kTypeKind)) {
                kindCode = reply[1];
                kind = std::to_string(kindCode);
            }
            // Projectors of a refused kind are not talked to beyond their kind.
            if (!IsRefusedKind(kindCode)) {
                if (ask(kTypePower))
                    power = std::to_string(ReplyValue(reply.data()));
                if (ask(kTypeInput)) {
                    const std::uint16_t code = ReplyValue(reply.data());
                    const int index = FindInputIndex(m, code);
                    input = index >= 0 ? FieldText(m.InputName[index]) : std::to_string(code);
                } else if (answering && power != "?" && power != "1") {
                    // Off or in standby a projector may refuse to tell an input ("not now"):
                    // that is its state, not a failure.
                    input = "-";
                }
            }
            if (!IsRefusedKind(kindCode) && (kind == "?" || power == "?" || input == "?"))
                failed = true;
            std::cout << slot + 1 << ' ' << SlotAddress(m, slot) << " kind=" << kind << " power=" << power
                      << " input=" << input << '\n';
        }
        std::cout.flush();
        return failed ? kExitFailed : kExitOk;
    });
}

} // namespace

int WithTransport(const std::string& configName, const std::function<int(CommandTransport&)>& command) {
    // Such commands word their messages themselves, through the transport.
    OpenCatalog();
    const int rc = WithSession(configName, [&command](Session& s) { return command(s.transport); });
    CloseCatalog();
    return rc;
}

int LoadWorkingConfiguration(const std::string& configName, CModelInfo2& working) {
    return LoadConfiguration(configName, working);
}

void AddProjectorCommands(CLI::App& app, CtlContext& ctx) {
    struct Args {
        std::string config;
        std::string state;
        std::vector<std::string> words;
    };
    auto a = std::make_shared<Args>();
    const std::string configHelp = "Use the per-model file MODEL.txt of the program directory instead of ./Orvane.txt";
    auto addConfig = [&](CLI::App* cmd) { cmd->add_option("--config", a->config, configHelp)->type_name("MODEL"); };

    auto* power = app.add_subcommand("power", "Power the projectors on or off (as the Power On/Off buttons)");
    power->add_option("state", a->state, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    addConfig(power);
    power->callback(
        [&ctx, a] { ctx.run = [a] { return RunHandler(a->config, a->state == "on" ? kCmdPowerOn : kCmdPowerOff); }; });

    auto* blank = app.add_subcommand("blank", "Blank the picture on or off");
    blank->add_option("state", a->state, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    addConfig(blank);
    blank->callback(
        [&ctx, a] { ctx.run = [a] { return RunHandler(a->config, a->state == "on" ? kCmdBlankOn : kCmdBlankOff); }; });

    auto* freeze = app.add_subcommand("freeze", "Freeze the picture on or off");
    freeze->add_option("state", a->state, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    addConfig(freeze);
    freeze->callback([&ctx, a] {
        ctx.run = [a] { return RunHandler(a->config, a->state == "on" ? kCmdFreezeOn : kCmdFreezeOff); };
    });

    auto* mute = app.add_subcommand("mute", "Mute the sound (as the Mute button)");
    addConfig(mute);
    mute->callback([&ctx, a] { ctx.run = [a] { return RunHandler(a->config, kCmdMute); }; });

    auto* unmute = app.add_subcommand("unmute", "Unmute the sound (what the Volume button sends)");
    addConfig(unmute);
    unmute->callback([&ctx, a] { ctx.run = [a] { return RunHandler(a->config, kCmdVolume); }; });

    auto* volume = app.add_subcommand(
        "volume", "One volume step up or down (as the volume popup); without one the reported projector's level");
    volume->add_option("direction", a->state, "up or down")->check(CLI::IsMember({"up", "down"}));
    addConfig(volume);
    volume->callback([&ctx, a] {
        ctx.run = [a] {
            return a->state.empty() ? RunVolumeLevel(a->config) : RunVolumeStep(a->config, a->state == "up");
        };
    });

    auto* input = app.add_subcommand("input", "Switch the input source; NAME as in the model's input table, any "
                                              "case, or pjlink:CODE for a PJLink input");
    input->add_option("name", a->words, "Input name, e.g. \"HDMI 1\" or hdmi 1")->required();
    addConfig(input);
    input->callback([&ctx, a] { ctx.run = [a] { return RunInput(a->config, a->words); }; });

    auto* status = app.add_subcommand("status", "Kind, power state and input of every projector in use");
    addConfig(status);
    status->callback([&ctx, a] { ctx.run = [a] { return RunStatus(a->config); }; });
}

} // namespace orvane::ctl
