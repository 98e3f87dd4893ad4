// The image-send dialog against projectors that pjsim plays on 127.0.0.1: what the operator
// opens is what the projectors get, each projector's result, and Cancel and Close during a
// transfer.

#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"

#include "catalog/MessageCatalog.h"
#include "picpush/qt/ImageSendDlg.h"
#include "support/PjsimProcess.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

using namespace orvane;
using namespace orvane::test;
using picpush::CImageSendDlg;

namespace {

CModelInfo2 Model(const PjsimProcess& sim, int projectors, int dispEnable = 1) {
    CModelInfo2 m;
    m.Name = "AX-310N";
    m.PjtNum = projectors;
    m.ImageSendEnable = 1;
    m.ImageDispEnable = dispEnable;
    for (int s = 0; s < projectors; ++s) {
        m.ConnectMethod[s] = 1;
        m.PortNo[s] = sim.Port(s + 1);
        SetText(m.IPAddress[s], "127.0.0.1");
        SetText(m.Password[s], "");
    }
    return m;
}

// A picture of random pixels, which JPEG cannot shrink much: many bulk frames.
QString WriteNoise(const GuiSandbox& box, const std::string& name, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, QRandomGenerator::global()->generate());
    }
    const QString path = QString::fromStdString(box.File(name));
    image.save(path);
    return path;
}

QString Status(int number) {
    return QString::fromUtf8(CatalogText(kCatalogSetUi, number));
}

} // namespace

class ImageSendDlgTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<GuiSandbox> box_;

private slots:
    void init() {
        box_ = std::make_unique<GuiSandbox>();
        box_->Write("LinkCore.conf", "[Timeouts]\nConnectMs=400\nReplyMs=2000\n");
    }
    void cleanup() { box_.reset(); }

    void sendsTheLetterboxedJpegAndShowsEachResult() {
        TempDir images;
        PjsimProcess sim({PjsimProcess::Tcp("power=on"), PjsimProcess::Tcp("power=off")},
                         {"--image-dir", images.path()});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        CModelInfo2 m = Model(sim, 2);
        CImageSendDlg dlg(CImageSendDlg::kModeSend);
        dlg.DataAdd(&m, 0);
        dlg.DataAdd(&m, 1);
        QCOMPARE(dlg.Slots(), (std::vector<int>{0, 1}));
        QVERIFY(!dlg.SendButton()->isEnabled()); // nothing opened yet
        QVERIFY(dlg.ShowBox()->isEnabled());

        // A 4:3 picture in the default 1280 x 800: black bars left and right.
        QImage red(400, 300, QImage::Format_RGB32);
        red.fill(Qt::red);
        const QString path = QString::fromStdString(box_->File("slide.png"));
        QVERIFY(red.save(path));
        QVERIFY(dlg.OpenImage(path));
        QImage sent = QImage::fromData(dlg.EncodedImage(), "JPEG");
        QCOMPARE(sent.size(), QSize(1280, 800));
        QVERIFY(qRed(sent.pixel(20, 400)) < 30);
        QVERIFY(qRed(sent.pixel(640, 400)) > 220);
        dlg.SetOutputSize(2);
        QCOMPARE(QImage::fromData(dlg.EncodedImage(), "JPEG").size(), QSize(1920, 1080));

        dlg.ShowBox()->setChecked(true);
        QSignalSpy finished(&dlg, &CImageSendDlg::transferFinished);
        QTest::mouseClick(dlg.SendButton(), Qt::LeftButton);
        QVERIFY(finished.wait(20000));
        QCOMPARE(dlg.StatusOf(0), Status(211));
        QCOMPARE(dlg.StatusOf(1), Status(212));
        QCOMPARE(dlg.ProgressOf(0)->value(), 100);
        QCOMPARE(dlg.ProgressOf(1)->value(), 0);
        QVERIFY(dlg.SendButton()->isEnabled());

        // The projector got the very bytes the dialog encoded, and showed them.
        const QByteArray hash = QCryptographicHash::hash(dlg.EncodedImage(), QCryptographicHash::Sha256).toHex();
        const auto lines = sim.LogLines("IMAGE ");
        QCOMPARE(lines.size(), std::size_t{1});
        QVERIFY2(QString::fromStdString(lines[0]).contains("sha256=" + hash + " format=jpeg size=1920x1080 reply=ack"),
                 lines[0].c_str());
        QCOMPARE(QByteArray::fromStdString(images.Read("1-1.jpg")), dlg.EncodedImage());
        const auto requests = sim.Requests();
        QVERIFY(std::any_of(requests.begin(), requests.end(), [](const PjsimRequest& r) {
            return r.projector == 1 && r.type == 0x7002 && r.setting == 1 && r.reply == "ack";
        }));
    }

    void unreadableFileGivesOneBoxAndSendsNothing() {
        PjsimProcess sim({PjsimProcess::Tcp("power=on")});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        CModelInfo2 m = Model(sim, 1, 0);
        CImageSendDlg dlg(CImageSendDlg::kModeSend);
        dlg.DataAdd(&m, 0);
        QVERIFY(!dlg.ShowBox()->isEnabled()); // the model does not show images
        box_->Write("notes.png", "these are words, not pixels");
        const QString path = QString::fromStdString(box_->File("notes.png"));
        MessageBoxRecorder boxes;
        dlg.SetFileChooser([&](QWidget*) { return path; });
        QTest::mouseClick(dlg.OpenButton(), Qt::LeftButton);
        QCOMPARE(boxes.Count(), std::size_t{1});
        QVERIFY(boxes.Last().text.contains(path));
        QVERIFY(dlg.EncodedImage().isEmpty());
        QVERIFY(!dlg.SendButton()->isEnabled());
        QVERIFY(!dlg.Send());
        QVERIFY(sim.Requests().empty());
    }

    void cancelAndCloseStopEveryTransferBetweenFrames() {
        // Projectors 1 and 2 for Cancel, 3 and 4 for Close: a projector is busy for a moment
        // after a cancelled transfer, until it has seen the connection go.
        const std::string slow = PjsimProcess::Tcp("power=on,fault=slow:20");
        PjsimProcess sim({slow, slow, slow, slow});
        QVERIFY2(sim.Ready(), sim.Error().c_str());
        CModelInfo2 m = Model(sim, 4);
        const QString picture = WriteNoise(*box_, "noise.png", 640, 400);
        auto dialog = [&](int first) {
            auto dlg = std::make_unique<CImageSendDlg>(CImageSendDlg::kModeSend);
            dlg->DataAdd(&m, first);
            dlg->DataAdd(&m, first + 1);
            dlg->SetChunkSize(4096); // a few hundred frames of 20 ms each
            dlg->OpenImage(picture);
            return dlg;
        };

        auto dlg = dialog(0);
        QSignalSpy finished(dlg.get(), &CImageSendDlg::transferFinished);
        QVERIFY(dlg->Send());
        QVERIFY(!dlg->SendButton()->isEnabled());
        QVERIFY(!(dlg->List()->topLevelItem(0)->flags() & Qt::ItemIsUserCheckable));
        QTRY_VERIFY_WITH_TIMEOUT(dlg->ProgressOf(0)->value() > 0 && dlg->ProgressOf(1)->value() > 0, 10000);
        QCOMPARE(dlg->StatusOf(0), Status(217));
        QTest::mouseClick(dlg->CancelButton(), Qt::LeftButton);
        QVERIFY(finished.wait(10000));
        QCOMPARE(dlg->StatusOf(0), Status(214));
        QCOMPARE(dlg->StatusOf(1), Status(214));
        QVERIFY(dlg->ProgressOf(0)->value() < 100);

        // Closing during a transfer cancels it and returns once the workers are done.
        auto closing = dialog(2);
        QVERIFY(closing->Send());
        QTRY_VERIFY_WITH_TIMEOUT(closing->ProgressOf(0)->value() > 0, 10000);
        closing->reject();
        QVERIFY(!closing->IsSending());
        QCOMPARE(closing->StatusOf(0), Status(214));
        closing.reset();
        QVERIFY(sim.LogLines("IMAGE ").empty());
        QVERIFY(!sim.LogLines("BULK 3").empty());
    }
};

QTEST_MAIN(ImageSendDlgTest)
#include "ImageSendDlgTest.moc"
