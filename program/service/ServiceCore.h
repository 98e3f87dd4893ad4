#pragma once

#include "linkcore/PjlinkInfo.h"
#include "service/LinkExchange.h"
#include "service/NotifyReceiver.h"
#include "service/ProjectorState.h"
#include "service/ServiceConfig.h"
#include "service/ServiceModel.h"

#include <boost/asio/io_context.hpp>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {
class CatalogFile;
}

namespace orvane::service {

// The service's core on one event loop: every projector of every room polled over the link
// sessions, commands carried by the toolbar's own command sequences, and the state, events
// and metrics the network side reads through IServiceModel.
//
// Exchanges with one projector never overlap: a command waits for that projector's running
// poll, and a poll that falls due while a command uses the projector skips that round. The
// projector is its address, so this holds across a reload that makes a slot anew and for an
// address two rooms share. A room's commands run one after the other, also across a reload.
// At most maxInFlight polls are under way at once, and at most half of them for projectors
// that failed their last poll; commands are never held back by that cap
// but count against it, so that polls yield to them, and so does the asking of a PJLink
// projector's slow items that follows a poll. After a command whose effect the polls
// read (power, input, volume), its room's projectors are polled again at once.
class ServiceCore final : public IServiceModel {
public:
    struct Options {
        std::chrono::milliseconds pollInterval{5000};
        int maxInFlight = 64;
        // A projector that keeps failing is polled after twice the wait of the last time,
        // up to this.
        std::chrono::milliseconds maxBackoff{60'000};
        // Everything orvanectl info asks of a PJLink projector (name, lamps and error status
        // among it) is asked this often, after a poll, on connections of its own (a second
        // one for a class 2 projector's items), while the projector's polls and commands wait.
        std::chrono::milliseconds infoInterval{60'000};
    };

    ServiceCore(boost::asio::io_context& loop, Options options, std::shared_ptr<const LinkConfig> link);
    ~ServiceCore() override;

    // Takes these rooms (on start, and again on SIGHUP). A projector whose room, slot and
    // connection stay the same keeps its state; new ones are polled at once.
    void SetRooms(std::vector<RoomFile> rooms);
    // LinkCore.conf read again (SIGHUP): the next SetRooms and every later exchange use it.
    void SetLink(std::shared_ptr<const LinkConfig> link) { link_ = std::move(link); }
    // Stops polling; answers still under way are dropped.
    void Stop();

    // Hears the class 2 notifications of the PJLink projectors (LinkCore.conf's NotifyAddress
    // and NotifyPort as read now); false with the reason when they cannot be heard, and the
    // polls alone keep the state. Nothing is bound until a room has a PJLink projector.
    [[nodiscard]] bool HearNotifications(std::string& error);
    // A notification from `source` (dotted IPv4): the state of each PJLink projector at that
    // address changes at once and its event goes out, and one that tells of a new power
    // state or of coming on the network is polled at once for the rest.
    void OnNotification(std::string_view source, const linkcore::PjlinkNotification& notification);

    // Polls under way now, and the most there ever were at once.
    int PollsInFlight() const { return pollsInFlight_; }
    int PeakPollsInFlight() const { return peakPollsInFlight_; }
    // The most polls of projectors that had failed their last one under way at once.
    int PeakFailingPollsInFlight() const { return peakFailingPollsInFlight_; }

    nlohmann::json Rooms() const override;
    std::optional<nlohmann::json> Room(std::string_view id) const override;
    std::optional<std::string> RoomText(std::string_view id) const override;
    void RunCommand(std::string_view roomId, const nlohmann::json& body, CommandDone done) override;
    std::vector<ServiceEvent> CurrentState() const override;
    Subscription Subscribe(Listener listener) override;
    void Unsubscribe(Subscription subscription) override;
    std::string Metrics() const override;

private:
    struct Line;
    struct Lane;
    struct Projector;
    struct RoomState;
    struct CommandRun;
    struct Histogram {
        std::vector<double> bounds;
        std::vector<std::uint64_t> counts; // per bound, not cumulative
        std::uint64_t count = 0;
        double sum = 0;
    };

    void SchedulePoll(const std::shared_ptr<Projector>& p, std::chrono::steady_clock::time_point at);
    void PollDue(const std::shared_ptr<Projector>& p);
    void StartPoll(const std::shared_ptr<Projector>& p);
    void PollDone(const std::shared_ptr<Projector>& p, const ExchangeOutcome& outcome, bool withInfo, bool withVolume,
                  std::chrono::steady_clock::time_point started);
    void StartQueuedPolls();
    bool MayStartPoll(const Projector& p) const;
    // Asks the slow PJLink items; the projector's line is held until they are in.
    void Gather(const std::shared_ptr<Projector>& p);
    // One exchange of them; `first` asks the class and what every class answers, after which
    // a class 2 projector is asked the rest. `afterFailure`: the exchange before ended with an
    // item that failed.
    void AskInfo(const std::shared_ptr<Projector>& p, std::vector<linkcore::PjlinkQuery> queries,
                 linkcore::PjlinkInfo info, bool first, bool afterFailure);
    void GatherDone(const std::shared_ptr<Projector>& p, const linkcore::PjlinkInfo& info);

    // Runs `use` once no poll or command uses the projector's line; Release hands it on.
    static void Acquire(Line& line, std::function<void()> use);
    static void Release(Line& line);
    // Polls the projector now unless a poll of it is under way or waiting for its turn.
    void Refresh(const std::shared_ptr<Projector>& p);

    void StartNextCommand(const std::shared_ptr<Lane>& lane);
    void Carry(const std::shared_ptr<CommandRun>& run);
    void CarryAdjust(const std::shared_ptr<CommandRun>& run);
    void FinishCommand(const std::shared_ptr<CommandRun>& run);
    // The catalog an answer in `language` (1033, 2052) takes its messages from, read once.
    const CatalogFile* AnswerCatalog(int language);

    std::vector<std::string> PjlinkAddresses() const;
    bool StartHearing(std::string& error);
    void Publish(const ServiceEvent& event);
    void Update(const std::shared_ptr<Projector>& p, ProjectorState next);
    nlohmann::json RoomJson(const RoomState& room) const;
    // The room of this id in rooms_ (kept in the order of their ids), or null.
    const std::shared_ptr<RoomState>* FindRoom(std::string_view id) const;
    nlohmann::json ProjectorEvent(const RoomState& room, const ProjectorState& state) const;

    boost::asio::io_context& loop_;
    Options options_;
    std::shared_ptr<const LinkConfig> link_;
    std::vector<std::shared_ptr<RoomState>> rooms_; // by id
    // By address and by room id, for as long as a projector, room or command holds them.
    std::map<std::string, std::weak_ptr<Line>, std::less<>> lines_;
    std::map<std::string, std::weak_ptr<Lane>, std::less<>> lanes_;
    // Each room's answer text as last built; a change of one of its projectors drops it.
    mutable std::map<std::string, std::string, std::less<>> roomText_;
    std::map<int, std::shared_ptr<const CatalogFile>> answerCatalogs_;
    std::vector<std::weak_ptr<Projector>> pollQueue_;
    int pollsInFlight_ = 0;
    int peakPollsInFlight_ = 0;
    int failingPollsInFlight_ = 0;
    int peakFailingPollsInFlight_ = 0;
    int commandsInFlight_ = 0;
    int gatheringsInFlight_ = 0; // count against maxInFlight as polls do
    std::map<Subscription, Listener> listeners_;
    Subscription nextSubscription_ = 1;
    Histogram pollDuration_;
    std::map<std::vector<std::string>, std::uint64_t> commandCounts_; // {room, command, result}
    bool hearNotifications_ = false;
    std::unique_ptr<NotifyReceiver> notify_;
    // Callbacks from the loop check this first: the core may be gone while an exchange ends.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace orvane::service
