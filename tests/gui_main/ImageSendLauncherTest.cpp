// The Image Send button: which projectors the image-send dialog is handed, and what the main
// window leaves as it was around the dialog.

#include "ScriptedOperator.h"
#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"

#include "commands/CommandIds.h"
#include "mainwnd/qt/OrvaneDlg.h"
#include "picpush/qt/ImageSendDlg.h"
#include "platform/FileUtil.h"
#include "support/PjsimProcess.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <unistd.h>

using namespace orvane;
using orvane::test::GuiSandbox;
using orvane::test::MessageBoxRecorder;
using orvane::test::PjsimProcess;

namespace {

std::string WorkingDirectory() {
    char buffer[4096] = {};
    return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

} // namespace

class ImageSendLauncherTest : public QObject {
    Q_OBJECT

private slots:
    void networkSlotsOfAcceptedKindsGoToTheDialog() {
        GuiSandbox box;
        MessageBoxRecorder boxes;
        PjsimProcess sim({PjsimProcess::Tcp("power=on,kind=9"), PjsimProcess::Tcp("power=on,kind=3")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        // Slot 1 serial, slot 2 a refused kind, slot 3 an accepted one.
        box.WriteConfig("AX-310N", {1, sim.Port(1), sim.Port(2)},
                        [](CModelInfo2& m, ConfigControls&) { m.ConnectMethod[0] = 0; });
        box.WriteOptions(1, 0, 60);
        test::ScriptedOperator scripted;
        COrvaneDlg window;
        window.SetArguments({"AX-310N"});
        window.SetOperatorSide(&scripted);
        QVERIFY(window.OnInitDialog());

        std::vector<int> handed;
        int modalOpen = -1;
        bool pollerSuspended = true;
        int mode = 0;
        const std::string programDir = ProgramDir();
        scripted.imageSend = [&](picpush::CImageSendDlg& dialog) {
            handed = dialog.Slots();
            mode = dialog.Mode();
            modalOpen = window.Flags().ModalOpen;
            pollerSuspended = window.Poller().IsSuspended();
            // As a file dialog may leave it.
            [[maybe_unused]] const int moved = chdir("/");
            return 0;
        };
        QSignalSpy finished(&window, &COrvaneDlg::commandFinished);
        window.OnCommand(kCmdImageSend);
        QVERIFY(finished.wait(10000));

        QCOMPARE(handed, std::vector<int>{2});
        QCOMPARE(mode, 1);
        QCOMPARE(modalOpen, 0);
        QVERIFY(!pollerSuspended);
        QCOMPARE(WorkingDirectory(), programDir);
        QCOMPARE(window.WorkingModel().PjtKind[1], 9);
        QVERIFY(boxes.Boxes().empty());
        window.OnDestroy();
    }
};

QTEST_MAIN(ImageSendLauncherTest)
#include "ImageSendLauncherTest.moc"
