#include "service/ServiceCore.h"

#include "adjust/AdjustItems.h"
#include "catalog/MessageCatalog.h"
#include "catalog/SlotError.h"
#include "commands/CommandIds.h"
#include "commands/CommandSequence.h"
#include "commands/InputChecks.h"
#include "link/CommandTransport.h"
#include "linkcore/PjlinkInfo.h"
#include "service/InputButtons.h"
#include "service/RoomCommands.h"

#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>

#include <algorithm>
#include <cstring>
#include <deque>
#include <iostream>
#include <sstream>

namespace orvane::service {

namespace asio = boost::asio;
using Clock = std::chrono::steady_clock;

// One projector as the link reaches it (its address), whichever slot objects stand for it.
struct ServiceCore::Line {
    bool polling = false;
    bool commandUsing = false;
    bool gathering = false;                    // the slow PJLink items are being asked
    std::deque<std::function<void()>> waiting; // commands waiting for the running exchange

    bool Busy() const { return polling || commandUsing || gathering || !waiting.empty(); }
};

// A room's commands in order; a reloaded room takes over the one of the room it replaces.
struct ServiceCore::Lane {
    std::deque<std::shared_ptr<CommandRun>> queue;
    bool running = false;
};

struct ServiceCore::Projector {
    Projector(asio::io_context& loop, std::string roomId, int slotIndex) : room(std::move(roomId)), timer(loop) {
        slot = slotIndex;
    }
    std::string room;
    int slot = 0; // 0-based
    Endpoint endpoint;
    std::shared_ptr<Line> line;
    ProjectorState state;
    asio::steady_timer timer;
    bool polling = false; // this slot's own poll; the line says whether any exchange runs
    bool queued = false;
    bool removed = false;
    int failures = 0;
    bool pollCountsFailing = false; // the poll under way started after a failed one
    std::optional<Clock::time_point> lastInfo;
};

// NOLINTNEXTLINE(bugprone-exception-escape): the JSON members throw only on exhausted memory
struct ServiceCore::RoomState {
    std::string id;
    std::unique_ptr<CModelInfo2> model;
    std::vector<std::shared_ptr<Projector>> projectors; // the slots in use
    std::vector<std::string> commands;
    std::vector<std::string> inputs;
    nlohmann::json inputButtons; // what a remote draws them with
    nlohmann::json volumeRange;
    bool hasVolume = false;
    std::shared_ptr<Lane> lane;
};

struct ServiceCore::CommandRun {
    std::shared_ptr<RoomState> room;
    CommandRequest request;
    std::optional<CommandSequence> sequence;
    // Per slot: the failure told, if any, as the catalog message and its insert, so that the
    // answer can be in the language its request asked for.
    struct Failure {
        int number = 0;
        std::string insert;
    };
    std::vector<std::optional<Failure>> failures;
    int adjustNext = 0;
    CommandDone done;
};

namespace {

const std::vector<double> kPollBuckets = {0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10};

// The one object of `key` that everything naming it shares, made on the first ask. The map
// only watches it: it goes with its last holder, and the next ask makes a new one.
template <typename T>
std::shared_ptr<T> SharedFor(std::map<std::string, std::weak_ptr<T>, std::less<>>& map, const std::string& key) {
    std::weak_ptr<T>& entry = map[key];
    std::shared_ptr<T> shared = entry.lock();
    if (!shared) {
        shared = std::make_shared<T>();
        entry = shared;
    }
    return shared;
}

Endpoint EndpointOf(const CModelInfo2& m, int slot, const LinkConfig& link) {
    Endpoint e;
    e.method = m.ConnectMethod[slot];
    e.comNo = m.ComNo[slot];
    e.port = m.PortNo[slot];
    e.ip = FieldText(m.IPAddress[slot]);
    e.password = FieldText(m.Password[slot]);
    e.pjlink = IsPjlinkSlot(m, slot, link.pjlink);
    return e;
}

bool SameEndpoint(const Endpoint& a, const Endpoint& b) {
    return a.method == b.method && a.comNo == b.comNo && a.port == b.port && a.ip == b.ip && a.password == b.password &&
           a.pjlink == b.pjlink;
}

// The toolbar's message for a failing slot: the catalog text and the slot's address, in the
// service's own language, or in `language` from `catalog` when one is given.
std::string SlotMessage(const CModelInfo2& m, int slot, int number, const std::string& insert,
                        const CatalogFile* catalog = nullptr, int language = 0) {
    std::string text;
    if (language != 0) {
        const std::string inserts[] = {insert};
        text = CatalogTextIn(catalog, language, kCatalogSetErrors, number,
                             insert.empty() ? std::span<const std::string>() : std::span<const std::string>(inserts));
    } else {
        text = insert.empty() ? CatalogText(kCatalogSetErrors, number) : CatalogText(kCatalogSetErrors, number, insert);
    }
    return FormatSlotError(text, m.ConnectMethod[slot], FieldText(m.IPAddress[slot]), m.ComNo[slot]);
}

LinkOp Get(std::uint16_t type) {
    LinkOp op;
    op.request = {kActionGet, type, 0};
    return op;
}

std::optional<std::uint16_t> DataOf(const LinkOpResult& r) {
    if (!r.answered || r.reply.reply[0] != kReplyData)
        return std::nullopt;
    return ReplyValue(r.reply.reply.data());
}

// A label value in the text format: backslash, double quote and line feed escaped.
std::string Escape(std::string_view value) {
    std::string out;
    for (char c : value) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string Labels(std::initializer_list<std::pair<const char*, std::string>> labels) {
    std::string out = "{";
    for (const auto& [name, value] : labels)
        out += (out.size() > 1 ? "," : "") + std::string(name) + "=\"" + Escape(value) + "\"";
    return out + "}";
}

} // namespace

ServiceCore::ServiceCore(asio::io_context& loop, Options options, std::shared_ptr<const LinkConfig> link)
    : loop_(loop), options_(options), link_(std::move(link)) {
    pollDuration_.bounds = kPollBuckets;
    pollDuration_.counts.assign(kPollBuckets.size(), 0);
}

ServiceCore::~ServiceCore() {
    try {
        Stop();
    } catch (...) { // NOLINT(bugprone-empty-catch): nothing is left to tell at the end
    }
}

void ServiceCore::Stop() {
    notify_.reset();
    *alive_ = false;
    alive_ = std::make_shared<bool>(true);
    for (const auto& room : rooms_) {
        for (const auto& p : room->projectors) {
            p->removed = true;
            p->timer.cancel();
        }
    }
    pollQueue_.clear();
}

void ServiceCore::SetRooms(std::vector<RoomFile> files) {
    std::vector<std::shared_ptr<RoomState>> next;
    std::vector<std::shared_ptr<Projector>> fresh;
    for (RoomFile& file : files) {
        auto room = std::make_shared<RoomState>();
        room->id = file.id;
        room->model = std::move(file.model);
        room->commands = ToolbarCommands(*room->model);
        room->inputs = ToolbarInputs(*room->model);
        room->inputButtons = ToolbarInputButtons(*room->model);
        room->volumeRange = VolumeRange(*room->model);
        room->hasVolume = HasVolumeRange(*room->model);
        room->lane = SharedFor(lanes_, room->id);
        const auto old = std::find_if(rooms_.begin(), rooms_.end(), [&](const auto& r) { return r->id == room->id; });
        const int slots = ClampCount(room->model->PjtNum, CModelInfo2::kSlots);
        for (int slot = 0; slot < slots; ++slot) {
            const Endpoint endpoint = EndpointOf(*room->model, slot, *link_);
            std::shared_ptr<Projector> kept;
            if (old != rooms_.end() && slot < static_cast<int>((*old)->projectors.size()) &&
                SameEndpoint((*old)->projectors[static_cast<std::size_t>(slot)]->endpoint, endpoint)) {
                kept = (*old)->projectors[static_cast<std::size_t>(slot)];
                // The kind the commands learnt belongs to the projector, not to the file.
                room->model->PjtKind[slot] = (*old)->model->PjtKind[slot];
            }
            if (!kept) {
                kept = std::make_shared<Projector>(loop_, room->id, slot);
                kept->endpoint = endpoint;
                kept->state.slot = slot + 1;
                kept->state.address = endpoint.method == CModelInfo2::kMethodNetwork
                                          ? endpoint.Address()
                                          : "com" + std::to_string(static_cast<long long>(endpoint.comNo) + 1);
                kept->state.pjlink = endpoint.pjlink;
                kept->line = SharedFor(lines_, kept->state.address);
                fresh.push_back(kept);
            }
            room->projectors.push_back(kept);
        }
        next.push_back(std::move(room));
    }
    std::sort(next.begin(), next.end(), [](const auto& a, const auto& b) { return a->id < b->id; });
    // Projectors that are gone stop polling; a command under way on one still ends.
    for (const auto& room : rooms_) {
        for (const auto& p : room->projectors) {
            const bool stays = std::any_of(next.begin(), next.end(), [&p](const auto& r) {
                return std::find(r->projectors.begin(), r->projectors.end(), p) != r->projectors.end();
            });
            if (!stays) {
                p->removed = true;
                p->timer.cancel();
            }
        }
    }
    rooms_ = std::move(next);
    roomText_.clear();
    std::erase_if(lines_, [](const auto& entry) { return entry.second.expired(); });
    std::erase_if(lanes_, [](const auto& entry) { return entry.second.expired(); });
    if (notify_) {
        notify_->SetSources(PjlinkAddresses());
    } else if (hearNotifications_ && !PjlinkAddresses().empty()) {
        if (std::string error; !StartHearing(error))
            std::cerr << "orvaned: no PJLink notifications: " << error << std::endl;
    }
    for (const auto& p : fresh)
        SchedulePoll(p, Clock::now());
}

std::vector<std::string> ServiceCore::PjlinkAddresses() const {
    std::vector<std::string> addresses;
    for (const auto& room : rooms_) {
        for (const auto& p : room->projectors) {
            if (p->endpoint.pjlink)
                addresses.push_back(p->endpoint.ip);
        }
    }
    return addresses;
}

bool ServiceCore::HearNotifications(std::string& error) {
    hearNotifications_ = true;
    // Without PJLink projectors there is nobody to hear, and the port stays free.
    return PjlinkAddresses().empty() || notify_ || StartHearing(error);
}

bool ServiceCore::StartHearing(std::string& error) {
    auto receiver = std::make_unique<NotifyReceiver>(
        loop_, [this](const std::string& source, const linkcore::PjlinkNotification& n) { OnNotification(source, n); });
    if (!receiver->Start(link_->pjlink, error))
        return false;
    receiver->SetSources(PjlinkAddresses());
    notify_ = std::move(receiver);
    return true;
}

void ServiceCore::OnNotification(std::string_view source, const linkcore::PjlinkNotification& n) {
    using Kind = linkcore::PjlinkNotification::Kind;
    for (const auto& room : rooms_) {
        for (const auto& p : room->projectors) {
            if (!p->endpoint.pjlink || p->endpoint.ip != source || p->removed)
                continue;
            ProjectorState next = p->state;
            if (n.kind == Kind::Power) {
                next.power = n.power > 1 ? kPowerTransit : n.power;
            } else if (n.kind == Kind::Input) {
                std::uint16_t code = 0;
                const int index = link_->pjlink.CodeFor(n.value, code) ? FindInputIndex(*room->model, code) : -1;
                next.input.reset();
                if (index >= 0)
                    next.input = FieldText(room->model->InputName[index]);
            } else if (n.kind == Kind::ErrorStatus) {
                next.told.errors = n.errors;
            } else if (n.kind == Kind::AvMute) {
                next.told.avmute = n.value;
            }
            Update(p, std::move(next));
            if (n.kind == Kind::Power || n.kind == Kind::Lookup)
                SchedulePoll(p, Clock::now());
        }
    }
}

// --- polls ---------------------------------------------------------------------------------------

void ServiceCore::SchedulePoll(const std::shared_ptr<Projector>& p, Clock::time_point at) {
    if (p->removed)
        return;
    p->timer.expires_at(at);
    std::weak_ptr<bool> alive = alive_;
    p->timer.async_wait([this, alive, p](const boost::system::error_code& error) {
        const auto live = alive.lock();
        if (error || !live || !*live || p->removed)
            return;
        PollDue(p);
    });
}

void ServiceCore::PollDue(const std::shared_ptr<Projector>& p) {
    // A command (or another slot's poll) has the projector: this round is skipped.
    if (p->line->Busy() || p->polling) {
        SchedulePoll(p, Clock::now() + options_.pollInterval);
        return;
    }
    if (pollsInFlight_ + commandsInFlight_ >= options_.maxInFlight || !MayStartPoll(*p)) {
        if (!p->queued) {
            p->queued = true;
            pollQueue_.push_back(p);
        }
        return;
    }
    StartPoll(p);
}

void ServiceCore::StartPoll(const std::shared_ptr<Projector>& p) {
    const std::shared_ptr<RoomState>* room = FindRoom(p->room);
    if (room == nullptr)
        return;
    const Clock::time_point started = Clock::now();
    // PJLink has no volume level to read.
    const bool withVolume = (*room)->hasVolume && !p->endpoint.pjlink;
    std::vector<LinkOp> ops;
    ops.reserve(3);
    ops.push_back(Get(kTypePower));
    ops.push_back(Get(kTypeInput));
    if (withVolume)
        ops.push_back(Get(kTypeVolume));
    // The slow items follow a poll that found the projector, on a connection of their own.
    const bool withInfo = p->endpoint.pjlink && (!p->lastInfo || started - *p->lastInfo >= options_.infoInterval);
    p->polling = true;
    p->line->polling = true;
    p->pollCountsFailing = p->failures > 0;
    if (p->pollCountsFailing)
        peakFailingPollsInFlight_ = std::max(peakFailingPollsInFlight_, ++failingPollsInFlight_);
    ++pollsInFlight_;
    peakPollsInFlight_ = std::max(peakPollsInFlight_, pollsInFlight_);
    std::weak_ptr<bool> alive = alive_;
    RunExchange(loop_, p->endpoint, link_, std::move(ops),
                [this, alive, p, withInfo, withVolume, started](const ExchangeOutcome& outcome) {
                    const auto live = alive.lock();
                    if (!live || !*live)
                        return;
                    PollDone(p, outcome, withInfo, withVolume, started);
                });
}

void ServiceCore::PollDone(const std::shared_ptr<Projector>& p, const ExchangeOutcome& outcome, bool withInfo,
                           bool withVolume, Clock::time_point started) {
    --pollsInFlight_;
    if (p->pollCountsFailing)
        --failingPollsInFlight_;
    p->polling = false;
    p->line->polling = false;
    const Clock::time_point now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - started).count();
    ++pollDuration_.count;
    pollDuration_.sum += seconds;
    for (std::size_t i = 0; i < pollDuration_.bounds.size(); ++i) {
        if (seconds <= pollDuration_.bounds[i]) {
            ++pollDuration_.counts[i];
            break;
        }
    }

    const std::shared_ptr<RoomState>* room = FindRoom(p->room);
    ProjectorState next = p->state;
    const auto& results = outcome.results;
    next.reachable = outcome.opened && !results.empty() && results[0].answered;
    if (!next.reachable) {
        next.power.reset();
        next.input.reset();
        next.volume.reset();
        next.told = {};
        p->lastInfo.reset();
        ++p->failures;
    } else {
        p->failures = 0;
        next.lastSeen = std::chrono::system_clock::now();
        const std::optional<std::uint16_t> power = DataOf(results[0]);
        next.power.reset();
        if (power && *power <= kPowerTransit)
            next.power = *power;
        next.input.reset();
        if (const std::optional<std::uint16_t> code = DataOf(results[1]); code && room != nullptr) {
            const int index = FindInputIndex(*(*room)->model, *code);
            if (index >= 0)
                next.input = FieldText((*room)->model->InputName[index]);
        }
        if (withVolume) {
            const LinkOpResult& volume = results[2];
            // What the volume popup shows: byte 1 of the data reply.
            next.volume.reset();
            if (volume.answered && volume.reply.reply[0] == kReplyData)
                next.volume = volume.reply.reply[1];
        }
    }
    const bool reachable = next.reachable;
    Update(p, std::move(next));
    if (withInfo && reachable) {
        p->lastInfo = now;
        Gather(p);
    }

    auto wait = options_.pollInterval;
    for (int i = 0; i < p->failures && wait < options_.maxBackoff; ++i)
        wait *= 2;
    SchedulePoll(p, started + std::min(wait, options_.maxBackoff));
    if (!p->line->waiting.empty())
        Release(*p->line);
    StartQueuedPolls();
}

void ServiceCore::Gather(const std::shared_ptr<Projector>& p) {
    p->line->gathering = true;
    ++gatheringsInFlight_;
    std::vector<linkcore::PjlinkQuery> queries = {{'1', "CLSS", "?"}};
    for (linkcore::PjlinkQuery& query : linkcore::PjlinkInfoQueries())
        queries.push_back(std::move(query));
    AskInfo(p, std::move(queries), linkcore::PjlinkInfo{}, true, false);
}

void ServiceCore::AskInfo(const std::shared_ptr<Projector>& p, std::vector<linkcore::PjlinkQuery> queries,
                          linkcore::PjlinkInfo info, bool first, bool afterFailure) {
    std::vector<LinkOp> ops;
    for (const linkcore::PjlinkQuery& query : queries) {
        LinkOp op;
        op.pjlinkCommand = true;
        // The class a connection before this one was told stays the projector's own.
        op.pjlinkClass = query.cls != 0 || info.pjlinkClass == 0 ? query.cls : info.pjlinkClass == 2 ? '2' : '1';
        op.name = query.name;
        op.param = query.param;
        ops.push_back(std::move(op));
    }
    std::weak_ptr<bool> alive = alive_;
    RunExchange(
        loop_, p->endpoint, link_, std::move(ops),
        [this, alive, p, queries = std::move(queries), info = std::move(info), first,
         afterFailure](const ExchangeOutcome& outcome) mutable {
            const auto live = alive.lock();
            if (!live || !*live)
                return;
            // The exchange ends at the first item that failed; what follows it is asked
            // on a new connection, as orvanectl info does, unless this was the second
            // failure in a row or the connection did not open.
            std::size_t taken = 0;
            bool failed = false;
            while (taken < queries.size() && !failed) {
                const LinkOpResult& r = outcome.results[taken];
                linkcore::TakePjlinkAnswer(queries[taken++], r.answered ? std::optional(r.value) : std::nullopt, info);
                failed = !r.answered;
            }
            const bool giveUp = failed && (!outcome.opened || (afterFailure && taken == 1));
            if (p->removed || giveUp) {
                GatherDone(p, info);
                return;
            }
            if (taken < queries.size()) {
                queries.erase(queries.begin(), queries.begin() + static_cast<std::ptrdiff_t>(taken));
                AskInfo(p, std::move(queries), std::move(info), first, true);
                return;
            }
            if (std::vector<linkcore::PjlinkQuery> rest = linkcore::PjlinkClass2Queries(info); first && !rest.empty()) {
                AskInfo(p, std::move(rest), std::move(info), false, failed);
                return;
            }
            GatherDone(p, info);
        });
}

void ServiceCore::GatherDone(const std::shared_ptr<Projector>& p, const linkcore::PjlinkInfo& info) {
    --gatheringsInFlight_;
    if (!p->removed) {
        if (info.answered) {
            ProjectorState next = p->state;
            TakePjlinkInfo(info, next);
            Update(p, std::move(next));
        } else {
            p->lastInfo.reset(); // asked again after the next poll that finds it
        }
    }
    Line& line = *p->line;
    line.gathering = false;
    if (!line.waiting.empty() && !line.polling)
        Release(line);
    StartQueuedPolls();
}

bool ServiceCore::MayStartPoll(const Projector& p) const {
    // Projectors that failed their last poll get half the exchanges at most: a floor of them
    // switched off at the wall, each costing its whole time-out, must not hold back the
    // polls of the ones that answer.
    return p.failures == 0 || failingPollsInFlight_ < std::max(1, options_.maxInFlight / 2);
}

void ServiceCore::StartQueuedPolls() {
    std::size_t taken = 0;
    std::vector<std::weak_ptr<Projector>> held; // failing ones over their share, in their order
    while (taken < pollQueue_.size() &&
           pollsInFlight_ + commandsInFlight_ + gatheringsInFlight_ < options_.maxInFlight) {
        const std::shared_ptr<Projector> p = pollQueue_[taken++].lock();
        if (!p)
            continue;
        if (p->removed) {
            p->queued = false;
            continue;
        }
        if (!MayStartPoll(*p)) {
            held.push_back(p);
            continue;
        }
        p->queued = false;
        if (p->line->Busy() || p->polling) {
            SchedulePoll(p, Clock::now() + options_.pollInterval);
            continue;
        }
        StartPoll(p);
    }
    pollQueue_.erase(pollQueue_.begin(), pollQueue_.begin() + static_cast<std::ptrdiff_t>(taken));
    pollQueue_.insert(pollQueue_.begin(), held.begin(), held.end());
}

// --- one projector at a time ---------------------------------------------------------------------

void ServiceCore::Acquire(Line& line, std::function<void()> use) {
    if (line.polling || line.commandUsing || line.gathering) {
        line.waiting.push_back(std::move(use));
        return;
    }
    line.commandUsing = true;
    use();
}

void ServiceCore::Release(Line& line) {
    line.commandUsing = false;
    if (line.waiting.empty() || line.polling || line.gathering)
        return;
    std::function<void()> use = std::move(line.waiting.front());
    line.waiting.pop_front();
    line.commandUsing = true;
    use();
}

void ServiceCore::Refresh(const std::shared_ptr<Projector>& p) {
    if (p->removed || p->polling || p->queued)
        return;
    p->timer.cancel();
    SchedulePoll(p, Clock::now());
}

// --- commands ------------------------------------------------------------------------------------

void ServiceCore::RunCommand(std::string_view roomId, const nlohmann::json& body, CommandDone done) {
    const std::shared_ptr<RoomState>* room = FindRoom(roomId);
    if (room == nullptr) {
        done({404, {{"error", "no room \"" + std::string(roomId) + "\""}}});
        return;
    }
    auto run = std::make_shared<CommandRun>();
    run->room = *room;
    std::string error;
    if (!ParseCommandRequest(body, *run->room->model, run->request, error)) {
        done({400, {{"error", error}}});
        return;
    }
    run->done = std::move(done);
    run->failures.resize(run->room->projectors.size());
    run->room->lane->queue.push_back(run);
    StartNextCommand(run->room->lane);
}

void ServiceCore::StartNextCommand(const std::shared_ptr<Lane>& lane) {
    // Within a room commands run one after the other, as the toolbar's buttons do.
    if (lane->running || lane->queue.empty())
        return;
    lane->running = true;
    const std::shared_ptr<CommandRun> run = lane->queue.front();
    lane->queue.pop_front();
    const std::shared_ptr<RoomState>& room = run->room;
    // The message texts come from the catalog, which another thread may never close here.
    if (!IsCatalogOpen())
        OpenCatalog();
    const CommandRequest& r = run->request;
    if (r.command == "adjust") {
        CarryAdjust(run);
        return;
    }
    if (r.volumeStep != 0) {
        run->sequence.emplace(
            CommandSequence::SendToAll(*room->model, r.volumeStep > 0 ? kActionIncrement : kActionDecrement,
                                       kTypeVolume, 0, r.volumeStep > 0 ? kMsgVolumeUp : kMsgVolumeDown));
    } else {
        if (std::optional<CommandSequence> sequence = CommandSequence::ForCommand(r.commandId, *room->model))
            run->sequence.emplace(std::move(*sequence));
    }
    if (!run->sequence) {
        FinishCommand(run);
        return;
    }
    Carry(run);
}

void ServiceCore::Carry(const std::shared_ptr<CommandRun>& run) {
    CommandSequence& sequence = *run->sequence;
    for (CommandStep step = sequence.Next(); step.kind != CommandStep::Kind::Done; step = sequence.Next()) {
        if (step.kind == CommandStep::Kind::SlotError) {
            if (step.slot >= 0 && step.slot < static_cast<int>(run->failures.size()))
                run->failures[static_cast<std::size_t>(step.slot)] = CommandRun::Failure{step.message, {}};
            continue;
        }
        if (step.kind != CommandStep::Kind::Exchange)
            continue; // the window's and the poller's steps have nothing to act on here
        if (step.slot < 0 || step.slot >= static_cast<int>(run->room->projectors.size())) {
            sequence.Answer(kExchangeOpenFailed, ReplyBuffer{});
            continue;
        }
        const std::shared_ptr<Projector> p = run->room->projectors[static_cast<std::size_t>(step.slot)];
        std::weak_ptr<bool> alive = alive_;
        Acquire(*p->line, [this, alive, run, p, step] {
            ++commandsInFlight_;
            LinkOp op;
            op.request = {step.action, step.type, step.setting};
            RunExchange(loop_, p->endpoint, link_, {op}, [this, alive, run, p](const ExchangeOutcome& outcome) {
                const auto live = alive.lock();
                if (!live || !*live)
                    return;
                --commandsInFlight_;
                ReplyBuffer reply{};
                int result = kExchangeOpenFailed;
                if (outcome.opened) {
                    result = kExchangeSendFailed;
                    if (outcome.results[0].answered) {
                        result = kExchangeOk;
                        std::memcpy(reply.data(), outcome.results[0].reply.reply.data(), outcome.results[0].reply.size);
                    }
                }
                Release(*p->line);
                run->sequence->Answer(result, reply);
                Carry(run);
                StartQueuedPolls();
            });
        });
        return;
    }
    FinishCommand(run);
}

void ServiceCore::CarryAdjust(const std::shared_ptr<CommandRun>& run) {
    const CommandRequest& r = run->request;
    const int slots = static_cast<int>(run->room->projectors.size());
    while (run->adjustNext < slots && r.adjustSlot != 0 && run->adjustNext != r.adjustSlot - 1)
        ++run->adjustNext;
    if (run->adjustNext >= slots) {
        FinishCommand(run);
        return;
    }
    const int slot = run->adjustNext++;
    const std::shared_ptr<Projector> p = run->room->projectors[static_cast<std::size_t>(slot)];
    std::weak_ptr<bool> alive = alive_;
    Acquire(*p->line, [this, alive, run, p, slot] {
        ++commandsInFlight_;
        LinkOp set;
        set.request = {kActionSet, run->request.adjustType, adjust::ToWire(run->request.adjustValue)};
        // After a refusal the dialog reads back what the projector kept, on the same connection.
        LinkOp readBack = Get(run->request.adjustType);
        readBack.onlyAfterRefusal = true;
        RunExchange(
            loop_, p->endpoint, link_, {set, readBack}, [this, alive, run, p, slot](const ExchangeOutcome& outcome) {
                const auto live = alive.lock();
                if (!live || !*live)
                    return;
                --commandsInFlight_;
                const bool accepted =
                    outcome.opened && outcome.results[0].answered && outcome.results[0].reply.reply[0] == kReplyAck;
                if (!accepted) {
                    run->failures[static_cast<std::size_t>(slot)] = CommandRun::Failure{3004, run->request.adjustName};
                }
                Release(*p->line);
                CarryAdjust(run);
                StartQueuedPolls();
            });
    });
}

void ServiceCore::FinishCommand(const std::shared_ptr<CommandRun>& run) {
    const std::shared_ptr<RoomState> room = run->room;
    const CModelInfo2& model = *room->model;
    const int language = run->request.language;
    const CatalogFile* catalog = language != 0 ? AnswerCatalog(language) : nullptr;
    // The event and last_error are everyone's, in the service's language; the answer is in
    // the one its request asked for.
    nlohmann::json told = nlohmann::json::array();
    nlohmann::json results = nlohmann::json::array();
    bool ok = true;
    for (std::size_t slot = 0; slot < run->failures.size(); ++slot) {
        // A projector an adjustment for another slot left alone takes no part.
        if (run->request.adjustSlot != 0 && static_cast<int>(slot) != run->request.adjustSlot - 1)
            continue;
        const std::optional<CommandRun::Failure>& failure = run->failures[slot];
        const int n = static_cast<int>(slot);
        std::optional<std::string> message;
        std::optional<std::string> asked;
        if (failure) {
            message = SlotMessage(model, n, failure->number, failure->insert);
            asked =
                language != 0 ? SlotMessage(model, n, failure->number, failure->insert, catalog, language) : message;
        }
        ok = ok && !failure;
        auto result = [&](const std::optional<std::string>& text) {
            return nlohmann::json{{"slot", slot + 1},
                                  {"ok", !failure},
                                  {"message", text ? nlohmann::json(*text) : nlohmann::json(nullptr)}};
        };
        told.push_back(result(message));
        results.push_back(result(asked));
        const std::shared_ptr<Projector>& p = room->projectors[slot];
        ProjectorState next = p->state;
        next.lastError = message;
        Update(p, std::move(next));
    }
    nlohmann::json answer = {{"command", run->request.command}, {"ok", ok}, {"results", std::move(results)}};
    ++commandCounts_[{room->id, run->request.command, ok ? "ok" : "failed"}];
    nlohmann::json event = {
        {"room", room->id}, {"command", run->request.command}, {"ok", ok}, {"results", std::move(told)}};
    Publish({"command", event});
    const std::shared_ptr<Lane> lane = room->lane;
    lane->running = false;
    CommandDone done = std::move(run->done);
    done({ok ? 200 : 502, std::move(answer)});
    // A PJLink projector tells blank, mute and freeze among its slow items, so after a command
    // that sets them those are asked again with the next poll.
    const bool pictureRead = run->request.changesPictureState;
    if (pictureRead) {
        for (const std::shared_ptr<Projector>& p : room->projectors) {
            if (p->endpoint.pjlink)
                p->lastInfo.reset();
        }
    }
    // What the command changed is read back at once, unless another command of the room is
    // waiting: that one goes first, and the read follows the last (or the next poll).
    if (lane->queue.empty()) {
        for (std::size_t slot = 0; slot < room->projectors.size(); ++slot) {
            const std::shared_ptr<Projector>& p = room->projectors[slot];
            const bool changed =
                run->request.changesPolledState &&
                (run->request.adjustSlot == 0 || static_cast<int>(slot) == run->request.adjustSlot - 1);
            if (changed || (pictureRead && p->endpoint.pjlink))
                Refresh(p);
        }
    }
    StartNextCommand(lane);
}

const CatalogFile* ServiceCore::AnswerCatalog(int language) {
    auto found = answerCatalogs_.find(language);
    if (found == answerCatalogs_.end()) {
        found = answerCatalogs_.emplace(language, LoadCatalogFile(CatalogFileName(language))).first;
    }
    return found->second.get();
}

// --- state ---------------------------------------------------------------------------------------

void ServiceCore::Update(const std::shared_ptr<Projector>& p, ProjectorState next) {
    const bool changed = !p->state.SameApartFromLastSeen(next);
    p->state = std::move(next);
    // last_seen is part of the answer, so any update makes the room's text stale.
    if (const auto text = roomText_.find(p->room); text != roomText_.end())
        roomText_.erase(text);
    if (!changed || p->removed)
        return;
    if (const std::shared_ptr<RoomState>* room = FindRoom(p->room))
        Publish({"projector", ProjectorEvent(**room, p->state)});
}

void ServiceCore::Publish(const ServiceEvent& event) {
    // A listener may unsubscribe itself (or another) while it is told.
    std::vector<Subscription> ids;
    ids.reserve(listeners_.size());
    for (const auto& [id, listener] : listeners_)
        ids.push_back(id);
    for (Subscription id : ids) {
        const auto it = listeners_.find(id);
        if (it != listeners_.end()) {
            const Listener listener = it->second;
            listener(event);
        }
    }
}

nlohmann::json ServiceCore::ProjectorEvent(const RoomState& room, const ProjectorState& state) const {
    nlohmann::json data = {{"room", room.id}};
    data.update(ProjectorJson(state));
    return data;
}

nlohmann::json ServiceCore::RoomJson(const RoomState& room) const {
    const CModelInfo2& m = *room.model;
    nlohmann::json projectors = nlohmann::json::array();
    for (const auto& p : room.projectors)
        projectors.push_back(ProjectorJson(p->state));
    const int slots = static_cast<int>(room.projectors.size());
    return {{"id", room.id},
            {"model", m.Name},
            {"reported_slot",
             m.SelectPrj >= 1 && m.SelectPrj <= slots ? nlohmann::json(m.SelectPrj) : nlohmann::json(nullptr)},
            {"inputs", room.inputs},
            {"commands", room.commands},
            {"input_buttons", room.inputButtons},
            {"volume_range", room.volumeRange},
            {"projectors", projectors}};
}

nlohmann::json ServiceCore::Rooms() const {
    nlohmann::json rooms = nlohmann::json::array();
    for (const auto& room : rooms_)
        rooms.push_back(RoomJson(*room));
    return {{"rooms", rooms}};
}

std::optional<nlohmann::json> ServiceCore::Room(std::string_view id) const {
    if (const std::shared_ptr<RoomState>* room = FindRoom(id))
        return RoomJson(**room);
    return std::nullopt;
}

const std::shared_ptr<ServiceCore::RoomState>* ServiceCore::FindRoom(std::string_view id) const {
    // Every poll looks its room up, among hundreds.
    const auto found =
        std::lower_bound(rooms_.begin(), rooms_.end(), id,
                         [](const std::shared_ptr<RoomState>& r, std::string_view key) { return r->id < key; });
    return found != rooms_.end() && (*found)->id == id ? &*found : nullptr;
}

std::optional<std::string> ServiceCore::RoomText(std::string_view id) const {
    if (const auto cached = roomText_.find(id); cached != roomText_.end())
        return cached->second;
    std::optional<nlohmann::json> room = Room(id);
    if (!room)
        return std::nullopt;
    std::string text = room->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    roomText_.emplace(std::string(id), text);
    return text;
}

std::vector<ServiceEvent> ServiceCore::CurrentState() const {
    std::vector<ServiceEvent> events;
    for (const auto& room : rooms_) {
        for (const auto& p : room->projectors)
            events.push_back({"projector", ProjectorEvent(*room, p->state)});
    }
    return events;
}

IServiceModel::Subscription ServiceCore::Subscribe(Listener listener) {
    const Subscription id = nextSubscription_++;
    listeners_.emplace(id, std::move(listener));
    return id;
}

void ServiceCore::Unsubscribe(Subscription subscription) {
    listeners_.erase(subscription);
}

std::string ServiceCore::Metrics() const {
    std::ostringstream out;
    auto family = [&out](const char* name, const char* type, const char* help) {
        out << "# HELP " << name << ' ' << help << "\n# TYPE " << name << ' ' << type << '\n';
    };
    // Every projector's samples of one family; `each` writes them for one projector.
    auto perProjector = [this](const std::function<void(const RoomState&, const ProjectorState&)>& each) {
        for (const auto& room : rooms_) {
            for (const auto& p : room->projectors)
                each(*room, p->state);
        }
    };
    auto where = [](const RoomState& room, const ProjectorState& s) {
        return std::pair<std::string, std::string>{room.id, std::to_string(s.slot)};
    };

    family("orvane_projector_up", "gauge", "Whether the projector answered its last poll.");
    perProjector([&](const RoomState& room, const ProjectorState& s) {
        const auto [id, slot] = where(room, s);
        out << "orvane_projector_up" << Labels({{"room", id}, {"slot", slot}}) << ' ' << (s.reachable ? 1 : 0) << '\n';
    });
    family("orvane_projector_power", "gauge", "Power state: 0 off, 1 on, 2 between the two.");
    perProjector([&](const RoomState& room, const ProjectorState& s) {
        const auto [id, slot] = where(room, s);
        if (s.power) {
            out << "orvane_projector_power" << Labels({{"room", id}, {"slot", slot}}) << ' ' << *s.power << '\n';
        }
    });
    family("orvane_projector_lamp_hours", "gauge", "Lamp hours as the projector reports them.");
    perProjector([&](const RoomState& room, const ProjectorState& s) {
        const auto [id, slot] = where(room, s);
        for (std::size_t i = 0; s.told.lamps && i < s.told.lamps->size(); ++i) {
            out << "orvane_projector_lamp_hours"
                << Labels({{"room", id}, {"slot", slot}, {"lamp", std::to_string(i + 1)}}) << ' '
                << (*s.told.lamps)[i].hours << '\n';
        }
    });
    family("orvane_projector_error", "gauge", "Error status per component: 0 ok, 1 warning, 2 error.");
    perProjector([&](const RoomState& room, const ProjectorState& s) {
        const auto [id, slot] = where(room, s);
        for (std::size_t i = 0; s.told.errors && i < s.told.errors->size(); ++i) {
            out << "orvane_projector_error"
                << Labels({{"room", id}, {"slot", slot}, {"component", linkcore::PjlinkInfo::kErrorItems[i]}}) << ' '
                << (*s.told.errors)[i] << '\n';
        }
    });
    family("orvane_poll_duration_seconds", "histogram", "Time of one projector's poll.");
    std::uint64_t cumulative = 0;
    for (std::size_t i = 0; i < pollDuration_.bounds.size(); ++i) {
        cumulative += pollDuration_.counts[i];
        std::ostringstream bound;
        bound << pollDuration_.bounds[i];
        out << "orvane_poll_duration_seconds_bucket{le=\"" << bound.str() << "\"} " << cumulative << '\n';
    }
    out << "orvane_poll_duration_seconds_bucket{le=\"+Inf\"} " << pollDuration_.count << '\n'
        << "orvane_poll_duration_seconds_sum " << pollDuration_.sum << '\n'
        << "orvane_poll_duration_seconds_count " << pollDuration_.count << '\n';
    family("orvane_commands_total", "counter", "Commands answered, by room, command and result.");
    for (const auto& [key, count] : commandCounts_) {
        out << "orvane_commands_total" << Labels({{"room", key[0]}, {"command", key[1]}, {"result", key[2]}}) << ' '
            << count << '\n';
    }
    return out.str();
}

} // namespace orvane::service
