// The start-up's steps that wait for the toolbar's first paint: once each, in order, at the
// first of paint, deadline or an explicit run.

#include "mainwnd/qt/FirstPaintSteps.h"

#include <QTest>
#include <QWidget>

#include <string>

using namespace orvane;

class FirstPaintStepsTest : public QObject {
    Q_OBJECT

private:
    std::string ran_;

    void AddTwo(FirstPaintSteps& steps) {
        steps.Add([this] { ran_ += "a"; });
        steps.Add([this] { ran_ += "b"; });
    }

private slots:
    void init() { ran_.clear(); }

    void theFirstPaintRunsThemOnceInOrder() {
        QWidget widget;
        FirstPaintSteps steps;
        AddTwo(steps);
        steps.RunAfterPaintOf(&widget);
        QCoreApplication::processEvents();
        QVERIFY(ran_.empty()); // not before the widget is painted
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QTRY_COMPARE(ran_, std::string("ab"));
        QVERIFY(!steps.Pending());
        widget.repaint();
        QCoreApplication::processEvents();
        QCOMPARE(ran_, std::string("ab"));
    }

    void anEarlierRunOrTheDeadlineComesFirst() {
        for (const bool byDeadline : {false, true}) {
            ran_.clear();
            QWidget widget;
            FirstPaintSteps steps;
            AddTwo(steps);
            steps.RunAfterPaintOf(&widget);
            if (byDeadline)
                steps.RunWithin(10);
            else
                steps.Run(); // a command before the paint
            QTRY_COMPARE(ran_, std::string("ab"));
            widget.show();
            QVERIFY(QTest::qWaitForWindowExposed(&widget));
            steps.Run();
            QCoreApplication::processEvents();
            QCOMPARE(ran_, std::string("ab"));
        }
    }

    void droppedStepsNeverRun() {
        QWidget widget;
        FirstPaintSteps steps;
        AddTwo(steps);
        steps.RunAfterPaintOf(&widget);
        steps.RunWithin(0);
        steps.Drop();
        QVERIFY(!steps.Pending());
        widget.show();
        QVERIFY(QTest::qWaitForWindowExposed(&widget));
        QTest::qWait(20);
        QVERIFY(ran_.empty());
    }
};

QTEST_MAIN(FirstPaintStepsTest)
#include "FirstPaintStepsTest.moc"
