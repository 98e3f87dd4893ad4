// orvanectl watch: one line per change of a projector in use, named as status names them,
// from polls at the status interval and from the notifications of class 2 PJLink projectors.

#include "CtlContext.h"

#include "commands/InputChecks.h"
#include "link/CommandTransport.h"
#include "model/OptionFile.h"

#include "linkcore/LinkSettings.h"
#include "linkcore/PjlinkNotifyListener.h"
#include "linkcore/PjlinkSettings.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <mutex>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace orvane::ctl {

namespace {

using Clock = std::chrono::steady_clock;

// The self-pipe that wakes the watch: a signal, or a notification that wants a poll.
int g_wakeWrite = -1;
std::atomic<bool> g_interrupted{false};

void OnStopSignal(int /*signal*/) {
    g_interrupted = true;
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = write(g_wakeWrite, &byte, 1);
}

// What was last printed of a projector, as status shows it: power 0-2 and the input's name
// ("-" for none while not on), "?" for what could not be read; nothing before the first line.
struct Shown {
    std::optional<std::string> power;
    std::optional<std::string> input;
};

class Watch {
public:
    explicit Watch(CommandTransport& transport) : transport_(transport), model_(transport.Model()) {
        shown_.resize(static_cast<std::size_t>(transport.SlotsInUse()));
        pollWanted_.resize(shown_.size(), 0);
    }

    int Run(int seconds, int wakeRead) {
        StartListening();
        const auto interval = std::chrono::seconds(PollInterval());
        const Clock::time_point end =
            seconds > 0 ? Clock::now() + std::chrono::seconds(seconds) : Clock::time_point::max();
        Clock::time_point nextPoll = Clock::now();
        for (;;) {
            const Clock::time_point now = Clock::now();
            if (g_interrupted || now >= end)
                break;
            if (now >= nextPoll) {
                for (int slot = 0; slot < static_cast<int>(shown_.size()); ++slot)
                    Poll(slot);
                // An interval of 0 polls once, for the first lines, and then only hears.
                nextPoll = interval.count() > 0 ? now + interval : Clock::time_point::max();
            }
            for (int slot = 0; slot < static_cast<int>(shown_.size()); ++slot) {
                if (TakePollWanted(slot))
                    Poll(slot);
            }
            const Clock::time_point until = std::min(nextPoll, end);
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
            pollfd p{wakeRead, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(std::clamp<long long>(wait, 0, 60000))) > 0) {
                char drain[64];
                while (read(wakeRead, drain, sizeof drain) > 0) {
                }
            }
        }
        listener_.Stop();
        return kExitOk;
    }

private:
    static int PollInterval() {
        OptionValues options;
        (void)ReadOptions(options); // a missing or broken file keeps the default
        return options.UpdateInterval;
    }

    void StartListening() {
        pjlink_ = linkcore::PjlinkSettings::FromProfile(linkcore::LinkSettings::Load().Profile());
        std::vector<std::string> sources;
        for (int slot = 0; slot < static_cast<int>(shown_.size()); ++slot) {
            if (IsPjlinkSlot(model_, slot, pjlink_))
                sources.push_back(FieldText(model_.IPAddress[slot]));
        }
        if (sources.empty())
            return;
        std::string error;
        if (!listener_.Start(
                pjlink_, std::move(sources),
                [this](const std::string& source, const linkcore::PjlinkNotification& n) { OnNotification(source, n); },
                error))
            PrintError("note: " + error + "; changes show at the polls only");
    }

    // Runs on the listener's thread.
    void OnNotification(const std::string& source, const linkcore::PjlinkNotification& n) {
        using Kind = linkcore::PjlinkNotification::Kind;
        for (int slot = 0; slot < static_cast<int>(shown_.size()); ++slot) {
            if (!IsPjlinkSlot(model_, slot, pjlink_) || FieldText(model_.IPAddress[slot]) != source)
                continue;
            if (n.kind == Kind::Input) {
                std::uint16_t code = 0;
                Show(slot, "input", pjlink_.CodeFor(n.value, code) ? InputName(code) : "?");
                continue;
            }
            if (n.kind == Kind::Power)
                Show(slot, "power", std::to_string(n.power > 1 ? kPowerTransit : n.power));
            // With a new power state or back on the network its input is worth asking now.
            if (n.kind == Kind::Power || n.kind == Kind::Lookup) {
                {
                    std::lock_guard lock(mutex_);
                    pollWanted_[static_cast<std::size_t>(slot)] = 1;
                }
                const char byte = 0;
                [[maybe_unused]] const ssize_t written = write(g_wakeWrite, &byte, 1);
            }
        }
    }

    bool TakePollWanted(int slot) {
        std::lock_guard lock(mutex_);
        return std::exchange(pollWanted_[static_cast<std::size_t>(slot)], 0) != 0;
    }

    std::string InputName(std::uint16_t code) const {
        const int index = FindInputIndex(model_, code);
        return index >= 0 ? FieldText(model_.InputName[index]) : std::to_string(code);
    }

    // The power state and input, read as status reads them.
    void Poll(int slot) {
        if (IsRefusedKind(transport_.EnsureKind(slot)))
            return;
        std::string power = "?";
        std::string input = "?";
        ReplyBuffer reply{};
        const int powerResult = transport_.SendToSlot(slot, kActionGet, kTypePower, 0, reply.data());
        if (powerResult == kExchangeOk && reply[0] == kReplyData)
            power = std::to_string(ReplyValue(reply.data()));
        if (powerResult == kExchangeOk) {
            reply.fill(0);
            if (transport_.SendToSlot(slot, kActionGet, kTypeInput, 0, reply.data()) == kExchangeOk) {
                if (reply[0] == kReplyData) {
                    input = InputName(ReplyValue(reply.data()));
                } else if (power != "?" && power != "1") {
                    input = "-"; // "not now": off or between states it has none
                }
            }
        }
        Show(slot, "power", power);
        Show(slot, "input", input);
    }

    // Prints "<n> <item>=<value>" when the value is new.
    void Show(int slot, const char* item, const std::string& value) {
        std::lock_guard lock(mutex_);
        const auto at = static_cast<std::size_t>(slot);
        std::optional<std::string>& shown = std::strcmp(item, "power") == 0 ? shown_[at].power : shown_[at].input;
        if (shown == value)
            return;
        shown = value;
        std::cout << slot + 1 << ' ' << item << '=' << value << std::endl;
    }

    CommandTransport& transport_;
    const CModelInfo2& model_;
    linkcore::PjlinkSettings pjlink_;
    linkcore::PjlinkNotifyListener listener_;
    std::mutex mutex_;
    std::vector<Shown> shown_;
    std::vector<char> pollWanted_; // per slot: a notification asked for a poll
};

int RunWatch(const std::string& configName, int seconds) {
    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        PrintError(std::string("cannot watch: ") + std::strerror(errno));
        return kExitFailed;
    }
    g_wakeWrite = wake[1];
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    const int rc = WithTransport(configName, [&](CommandTransport& transport) {
        Watch watch(transport);
        return watch.Run(seconds, wake[0]);
    });
    close(wake[0]);
    close(wake[1]);
    return rc;
}

} // namespace

void AddWatchCommand(CLI::App& app, CtlContext& ctx) {
    struct Args {
        std::string config;
        int seconds = 0;
    };
    auto a = std::make_shared<Args>();
    auto* watch = app.add_subcommand("watch", "Print one line per change of power state or input of every projector "
                                              "in use, until interrupted or --seconds have passed");
    watch->add_option("--seconds", a->seconds, "Stop after S seconds (default: run until interrupted)")
        ->type_name("S")
        ->check(CLI::Range(1, 86400));
    watch
        ->add_option("--config", a->config,
                     "Use the per-model file MODEL.txt of the program directory instead of ./Orvane.txt")
        ->type_name("MODEL");
    watch->callback([&ctx, a] { ctx.run = [a] { return RunWatch(a->config, a->seconds); }; });
}

} // namespace orvane::ctl
