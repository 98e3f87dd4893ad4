#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

namespace orvane {

// Steps that wait until a widget has been painted once: what the operator does not see
// yet is left until what they see is on the screen. The steps run once, in the order they
// were added, after the first paint of the watched widget has reached the screen, at a
// deadline, or when Run is called (say, by a click that needs them), whichever comes first.
class FirstPaintSteps : public QObject {
    Q_OBJECT
public:
    using Step = std::function<void()>;

    void Add(Step step) { steps_.push_back(std::move(step)); }
    // Runs the steps after the next paint of `widget`.
    void RunAfterPaintOf(QWidget* widget);
    // Runs them after `milliseconds` at the latest.
    void RunWithin(int milliseconds);
    void Run();
    // Forgets the steps that have not run.
    void Drop();
    bool Pending() const { return !steps_.empty(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StopWatching();

    std::vector<Step> steps_;
    QPointer<QWidget> watched_;
};

} // namespace orvane
