#include "linkcore/Session.h"

namespace linkcore {

void OutputQueue::Append(ByteView bytes) {
    if (bytes.empty())
        return;
    Piece piece;
    piece.owned.assign(bytes.begin(), bytes.end());
    // A moved vector keeps its buffer, so the view stays valid when pieces_ grows.
    piece.view = piece.owned;
    pieces_.push_back(std::move(piece));
    Rebuild();
}

void OutputQueue::AppendBorrowed(ByteView bytes) {
    if (bytes.empty())
        return;
    pieces_.push_back(Piece{{}, bytes});
    Rebuild();
}

void OutputQueue::Consume(std::size_t count) {
    std::size_t done = 0;
    while (count > 0 && done < pieces_.size()) {
        ByteView& view = pieces_[done].view;
        const std::size_t taken = std::min(count, view.size());
        view = view.subspan(taken);
        count -= taken;
        if (view.empty())
            ++done;
    }
    pieces_.erase(pieces_.begin(), pieces_.begin() + static_cast<std::ptrdiff_t>(done));
    Rebuild();
}

void OutputQueue::Clear() {
    pieces_.clear();
    views_.clear();
}

std::size_t OutputQueue::Size() const {
    std::size_t size = 0;
    for (const Piece& piece : pieces_)
        size += piece.view.size();
    return size;
}

void OutputQueue::Rebuild() {
    views_.clear();
    for (const Piece& piece : pieces_)
        views_.push_back(piece.view);
}

void Session::Begin(SessionTime now) {
    if (state_ != SessionState::Idle)
        return;
    OnBegin(now);
}

void Session::Connected(SessionTime now) {
    if (state_ != SessionState::Connecting)
        return;
    OnConnected(now);
}

void Session::Receive(ByteView bytes, SessionTime now) {
    if (bytes.empty() || state_ == SessionState::Idle || state_ == SessionState::Connecting ||
        state_ == SessionState::Finished)
        return;
    OnBytes(bytes, now);
}

void Session::PeerClosed(SessionTime /*now*/) {
    if (state_ == SessionState::Idle || state_ == SessionState::Finished)
        return;
    if (Waiting())
        OnLost(SessionEnd::PeerClosed);
    if (state_ != SessionState::Finished)
        Finish(SessionEnd::PeerClosed);
}

void Session::Tick(SessionTime now) {
    if (!deadline_ || now < *deadline_ || !Waiting())
        return;
    // The protocol decides: a serial line outlives a missed answer.
    OnLost(SessionEnd::TimedOut);
}

void Session::Close() {
    if (state_ == SessionState::Finished)
        return;
    if (Waiting())
        OnLost(SessionEnd::Closed);
    if (state_ != SessionState::Finished)
        Finish(SessionEnd::Closed);
}

std::optional<RequestResult> Session::TakeResult() {
    std::optional<RequestResult> out;
    out.swap(result_);
    return out;
}

void Session::Finish(SessionEnd end) {
    state_ = SessionState::Finished;
    end_ = end;
    deadline_.reset();
    output_.Clear();
}

} // namespace linkcore
