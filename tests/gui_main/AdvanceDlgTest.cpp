// The advanced-adjustment dialog against projectors that pjsim plays on 127.0.0.1: the
// controls a model gets, the values it reads, what it sends and what it shows when the
// projector refuses or cannot be reached.

#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"

#include "adjust/qt/AdvanceDlg.h"
#include "support/PjsimProcess.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace orvane;
using orvane::test::GuiSandbox;
using orvane::test::MessageBoxRecorder;
using orvane::test::PjsimProcess;
using orvane::test::PjsimRequest;

namespace {

// A model with a few items on three tabs, one range that does not parse, two lists and
// two my-buttons; slot 1 (0-based) points at `port`.
CModelInfo2 Model(int port) {
    CModelInfo2 m;
    m.Name = "AX-210";
    m.PjtNum = 2;
    for (int s = 0; s < 2; ++s) {
        m.ConnectMethod[s] = 1;
        m.PortNo[s] = port;
        SetText(m.IPAddress[s], "127.0.0.1");
        SetText(m.Password[s], "");
    }
    m.Brightness = "0,100";
    m.Tint = "-10,10";
    m.KeystoneV = "-30,30";
    m.Bass = "0,20";
    m.Contrast = "100,0"; // hidden
    m.AspectNum = 3;
    const char* aspects[] = {"Normal", "4:3", "16:9"};
    for (int i = 0; i < 3; ++i) {
        m.AspectCode[i] = i;
        SetText(m.AspectName[i], aspects[i]);
    }
    m.GammaNum = 2;
    m.GammaCode[0] = 0;
    SetText(m.GammaName[0], "Standard");
    m.GammaCode[1] = 1;
    SetText(m.GammaName[1], "Movie");
    m.WhisperNum = 0;
    m.ColorTempNum = -1;
    m.MyButtonNum = 2;
    m.MyButtonCode[0] = 7;
    SetText(m.MyButtonName[0], "Blank");
    m.MyButtonCode[1] = 9;
    SetText(m.MyButtonName[1], "Freeze");
    return m;
}

std::vector<PjsimRequest> Sets(const PjsimProcess& sim, int type) {
    std::vector<PjsimRequest> out;
    for (const PjsimRequest& r : sim.Requests()) {
        if (r.action == 1 && r.type == type)
            out.push_back(r);
    }
    return out;
}

} // namespace

class AdvanceDlgTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GuiSandbox> box_;
    std::unique_ptr<MessageBoxRecorder> boxes_;

    static bool Open(CAdvanceDlg& dialog, CModelInfo2 model, int slot) {
        dialog.CopyData(&model, slot);
        model.Brightness = "changed after the copy";
        QSignalSpy read(&dialog, &CAdvanceDlg::valuesRead);
        dialog.OnInitDialog();
        dialog.show();
        return read.wait(10000);
    }

private slots:
    void init() {
        box_ = std::make_unique<GuiSandbox>(GuiSandbox::kEnglishCatalog);
        box_->Write("LinkCore.conf", "[Timeouts]\nConnectMs=400\nReplyMs=400\n");
        boxes_ = std::make_unique<MessageBoxRecorder>();
    }

    void cleanup() {
        boxes_.reset();
        box_.reset();
    }

    void showsTheModelsItemsWithTheProjectorsValues() {
        PjsimProcess sim({PjsimProcess::Tcp("power=on,refuse=0x4102,values=0x4000:64+0x4015:-7+0x4100:2")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        CAdvanceDlg dialog;
        QVERIFY(Open(dialog, Model(sim.Port(1)), 1));

        QCOMPARE(dialog.windowTitle(), QStringLiteral("Advanced Adjustment - AX-210 (127.0.0.1)"));
        QTabWidget* tabs = dialog.Tabs();
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Picture"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Geometry"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("Sound"));
        QVERIFY(dialog.Slider(0x4001) == nullptr); // Contrast's range does not parse

        QCOMPARE(dialog.Slider(0x4000)->value(), 64);
        QCOMPARE(dialog.SpinBox(0x4000)->value(), 64);
        QCOMPARE(dialog.Slider(0x4015)->minimum(), -30);
        QCOMPARE(dialog.SpinBox(0x4015)->value(), -7);
        QCOMPARE(dialog.Combo(0x4100)->currentText(), QStringLiteral("16:9"));
        QVERIFY(dialog.Combo(0x4101) == nullptr); // no lamp modes
        QVERIFY(dialog.Slider(0x4000)->isEnabled());

        // Gamma is refused: shown, but disabled with the reason.
        QVERIFY(!dialog.Combo(0x4102)->isEnabled());
        QCOMPARE(dialog.Combo(0x4102)->toolTip(), QStringLiteral("The projector does not offer this adjustment"));
        QCOMPARE(dialog.MyButtons().size(), std::size_t(2));
        QVERIFY(boxes_->Boxes().empty());

        // Every shown item read once, all on one projector.
        int gets = 0;
        for (const PjsimRequest& r : sim.Requests())
            gets += r.action == 2;
        QCOMPARE(gets, 6); // aspect, gamma, brightness, tint, keystone V, bass
    }

    void changesReachTheProjectorAndRefusalsPutTheControlBack() {
        PjsimProcess sim(
            {PjsimProcess::Tcp("power=on,values=0x4000:64"), PjsimProcess::Tcp("power=off,values=0x4000:30")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        {
            CAdvanceDlg dialog;
            QVERIFY(Open(dialog, Model(sim.Port(1)), 0));
            QSignalSpy finished(&dialog, &CAdvanceDlg::setFinished);
            dialog.SpinBox(0x4015)->setValue(-12);
            QVERIFY(finished.wait(5000));
            QCOMPARE(Sets(sim, 0x4015).back().setting, 0xFFF4);
            QCOMPARE(dialog.StatusText(), QStringLiteral("Keystone V set to -12"));

            dialog.Combo(0x4100)->activated(1); // 4:3
            QVERIFY(finished.wait(5000));
            QCOMPARE(Sets(sim, 0x4100).back().setting, 1);
            QCOMPARE(dialog.StatusText(), QStringLiteral("Aspect set to 4:3"));

            dialog.MyButtons()[1]->click();
            QVERIFY(finished.wait(5000));
            QCOMPARE(Sets(sim, 0x4104).back().setting, 9);
            QCOMPARE(dialog.StatusText(), QStringLiteral("Freeze pressed"));

            // A drag: the slider moves many times, the projector gets a few spaced sets ending
            // with where it came to rest.
            QSlider* slider = dialog.Slider(0x4000);
            slider->setSliderDown(true);
            for (int v = 65; v <= 90; ++v) {
                slider->setValue(v);
                QTest::qWait(5);
            }
            slider->setSliderDown(false);
            QTRY_VERIFY_WITH_TIMEOUT(!Sets(sim, 0x4000).empty() && Sets(sim, 0x4000).back().setting == 90, 5000);
            QVERIFY(Sets(sim, 0x4000).size() < 26);
            QCOMPARE(dialog.SpinBox(0x4000)->value(), 90);
        }
        // The projector that is off refuses: the control goes back to its value, the status
        // line says so, and no message box interrupts.
        CAdvanceDlg off;
        QVERIFY(Open(off, Model(sim.Port(2)), 0));
        QCOMPARE(off.Slider(0x4000)->value(), 30);
        QSignalSpy finished(&off, &CAdvanceDlg::setFinished);
        off.SpinBox(0x4000)->setValue(70);
        QVERIFY(finished.wait(5000));
        QCOMPARE(off.Slider(0x4000)->value(), 30);
        QCOMPARE(off.SpinBox(0x4000)->value(), 30);
        QCOMPARE(off.StatusText(), QStringLiteral("Brightness: the projector refused 70 and keeps 30"));
        QVERIFY(boxes_->Boxes().empty());
    }

    // Return in a value box sends that value and leaves the dialog open, as Tab would;
    // Escape, or Return on the focused Close button, ends it.
    void returnCommitsTheValueAndLeavesTheDialogOpen() {
        PjsimProcess sim({PjsimProcess::Tcp("power=on,values=0x4000:64")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        for (const int value : {71, 72}) {
            CAdvanceDlg dialog;
            QVERIFY(Open(dialog, Model(sim.Port(1)), 0));
            QSignalSpy finished(&dialog, &CAdvanceDlg::setFinished);
            QSpinBox* spin = dialog.SpinBox(0x4000);
            spin->selectAll();
            QTest::keyClicks(spin, QString::number(value));
            QTest::keyClick(spin, Qt::Key_Return);
            QVERIFY(finished.wait(5000));
            QCOMPARE(Sets(sim, 0x4000).back().setting, value);
            QTest::keyClick(dialog.Combo(0x4100), Qt::Key_Enter);
            QVERIFY(dialog.isVisible());
            if (value == 71) {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else {
                for (QPushButton* close : dialog.findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly)) {
                    close->setFocus();
                    QTest::keyClick(close, Qt::Key_Return);
                }
            }
            QVERIFY(!dialog.isVisible());
        }
    }

    void aProjectorThatCannotBeReachedGivesOneBoxAndNothingToAdjust() {
        PjsimProcess gone({PjsimProcess::Tcp()});
        const int port = gone.Port(1);
        gone.Stop();
        CAdvanceDlg dialog;
        QVERIFY(Open(dialog, Model(port), 0));
        QCOMPARE(boxes_->Count(), std::size_t(1));
        QCOMPARE(boxes_->Boxes()[0].text,
                 QStringLiteral("Advanced adjustment could not reach the projector(127.0.0.1)"));
        QCOMPARE(boxes_->Boxes()[0].style, MB_ICONSTOP);
        QVERIFY(!dialog.Slider(0x4000)->isEnabled());
        QVERIFY(!dialog.Combo(0x4100)->isEnabled());
        QVERIFY(!dialog.MyButtons()[0]->isEnabled());
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(AdvanceDlgTest)
#include "AdvanceDlgTest.moc"
