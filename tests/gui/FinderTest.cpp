// The discovery component: its messages, how it merges what it finds, its settings, and
// real searches against pjsim on loopback.

#include "support/qt/GuiSandbox.h"
#include "support/qt/MessageBoxRecorder.h"
#include "support/qt/ModalDriver.h"
#include "support/qt/PjsimDiscovery.h"

#include "catalog/MessageCatalog.h"
#include "config/qt/CSelPjt.h"
#include "config/qt/CnfConn.h"
#include "config/qt/ConfDlg.h"
#include "config/qt/IpAddressEdit.h"
#include "finder/DiscoveryMessage.h"
#include "finder/FinderSettings.h"
#include "finder/FoundProjectors.h"
#include "finder/UdpSocket.h"
#include "finder/qt/DiscDlg.h"
#include "support/qt/ShownTexts.h"

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QtTest>

#include <cstring>

using namespace orvane;
using namespace orvane::test;
using finder::CDiscDlg;
using finder::DiscoveryAnswer;
using finder::FoundProjector;

namespace {

FoundProjector P(std::initializer_list<uint8_t> addr, const std::string& name, const std::string& info = {}) {
    FoundProjector p;
    std::copy(addr.begin(), addr.end(), p.addr);
    p.name = name;
    p.info = info;
    return p;
}

QStringList Names(const std::vector<FoundProjector>& list) {
    QStringList names;
    for (const FoundProjector& p : list)
        names << QString::fromStdString(p.name);
    return names;
}

// Points the finder at pjsim's responder, with a short listening time. The PJLink search
// goes to pjsim's PJLink projector at `pjlinkPort`, or nowhere when it is 0.
void PointFinderAt(GuiSandbox& sandbox, quint16 port, int listenMs, int pjlinkPort = 0) {
    sandbox.Write("Finder.conf", "[Probe]\nAddress=127.0.0.1\nPort=" + std::to_string(port) +
                                     "\nListenMs=" + std::to_string(listenMs) + "\n[PJLink]\nSearch=" +
                                     (pjlinkPort != 0 ? "1\nPort=" + std::to_string(pjlinkPort) : "0") + "\n");
}

// Closes the discovery dialog once its search is over.
[[nodiscard]] ModalDriver CloseWhenSearchEnds() {
    return ModalDriver::When<CDiscDlg>([](CDiscDlg* dlg) {
        auto* poll = new QTimer(dlg);
        QObject::connect(poll, &QTimer::timeout, dlg, [dlg, poll] {
            if (!dlg->IsSearching() && dlg->Progress()->value() == 100) {
                poll->stop();
                dlg->reject();
            }
        });
        poll->start(20);
    });
}

} // namespace

class FinderTest : public QObject {
    Q_OBJECT
private slots:
    void init() { sandbox_ = std::make_unique<GuiSandbox>(GuiSandbox::kModelCatalog); }
    void cleanup() { sandbox_.reset(); }

    void probeAndAnswerMessages() {
        uint64_t id = 0;
        QVERIFY(finder::ParseProbe(finder::FormatProbe(0x9f3c0a7b21d4e615ull), id));
        QCOMPARE(id, 0x9f3c0a7b21d4e615ull);
        QVERIFY(!finder::ParseProbe("ORVANE-DISCOVER/1 xyz\n", id));

        DiscoveryAnswer a;
        a.name = "Hall A";
        a.info = "first floor";
        a.hasAddr = true;
        const uint8_t addr[4] = {192, 168, 0, 5};
        std::copy(std::begin(addr), std::end(addr), a.addr);
        DiscoveryAnswer back;
        QVERIFY(finder::ParseAnswer(finder::FormatAnswer(42, a), 42, back));
        QCOMPARE(back.name, a.name);
        QCOMPARE(back.info, a.info);
        QVERIFY(back.hasAddr);
        QCOMPARE(back.addr[3], uint8_t(5));
        // Another search's answer is not taken, nor is a probe.
        QVERIFY(!finder::ParseAnswer(finder::FormatAnswer(43, a), 42, back));
        QVERIFY(!finder::ParseAnswer(finder::FormatProbe(42), 42, back));

        // CR LF lines, the first of a repeated key, unknown keys, long texts, no address.
        const std::string text = "ORVANE-PROJECTOR/1 2a\r\nname=" + std::string(70, 'n') +
                                 "\r\nname=second\r\nmodel=X\r\ninfo=" + std::string(40, 'i') + "\r\naddr=0.0.0.0\r\n";
        QVERIFY(finder::ParseAnswer(text, 42, back));
        QCOMPARE(back.name, std::string(64, 'n'));
        QCOMPARE(back.info, std::string(31, 'i'));
        QVERIFY(!back.hasAddr);
        QVERIFY(finder::ParseAnswer("ORVANE-PROJECTOR/1 2a\naddr=300.1.1.1\n", 42, back));
        QVERIFY(!back.hasAddr);
        QVERIFY(back.name.empty());
        // A name cut inside a Chinese character loses the whole character.
        QVERIFY(
            finder::ParseAnswer("ORVANE-PROJECTOR/1 2a\nname=" + std::string(63, 'a') + "\xE4\xB8\xAD\n", 42, back));
        QCOMPARE(back.name, std::string(63, 'a'));
    }

    void mergeReplacesByAddressKeepsTheRestAndCuts() {
        const std::vector<FoundProjector> previous = {P({10, 0, 0, 1}, "old-1"), P({10, 0, 0, 2}, "old-2"),
                                                      P({10, 0, 0, 1}, "old-1-again"), P({10, 0, 0, 3}, "old-3")};
        const std::vector<FoundProjector> answers = {P({10, 0, 0, 9}, "new-9"), P({10, 0, 0, 1}, "new-1a"),
                                                     P({10, 0, 0, 1}, "new-1b")};
        QCOMPARE(Names(finder::MergeFound(previous, answers)),
                 (QStringList{"new-1a", "new-1b", "old-2", "old-3", "new-9"}));
        QCOMPARE(Names(finder::MergeFound(previous, {})), Names(previous));
        QCOMPARE(Names(finder::MergeFound({}, answers)), Names(answers));

        std::vector<FoundProjector> many;
        for (int i = 0; i < 300; ++i)
            many.push_back(P({10, 1, uint8_t(i / 256), uint8_t(i % 256)}, "p" + std::to_string(i)));
        const auto merged = finder::MergeFound(many, {P({10, 9, 9, 9}, "late")});
        QCOMPARE(merged.size(), std::size_t(256));
        QCOMPARE(merged.back().name, std::string("p255"));

        // The same projector answering to a repeated probe counts once.
        std::vector<FoundProjector> got;
        QVERIFY(finder::AddAnswer(got, P({10, 0, 0, 1}, "a", "x")));
        QVERIFY(!finder::AddAnswer(got, P({10, 0, 0, 1}, "a", "x")));
        QVERIFY(finder::AddAnswer(got, P({10, 0, 0, 1}, "b", "x")));
        QCOMPARE(got.size(), std::size_t(2));
    }

    void arraysHaveTheExchangeLayout() {
        static FoundAddrArray addr;
        static FoundNameArray names;
        static FoundInfoArray infos;
        std::memset(names, 'z', sizeof names); // stale bytes must not survive a write
        const std::vector<FoundProjector> list = {P({1, 2, 3, 4}, "first", "i1"),
                                                  P({5, 6, 7, 8}, std::string(80, 'L'), std::string(40, 'I'))};
        QCOMPARE(finder::WriteFoundArrays(list, &addr[0][0], &names[0][0], &infos[0][0]), 2);
        QCOMPARE(addr[1][0], static_cast<unsigned char>(5));
        QCOMPARE(std::string(names[0]), std::string("first"));
        QCOMPARE(std::string(names[1]), std::string(64, 'L'));
        QCOMPARE(std::string(infos[1]), std::string(31, 'I'));
        QCOMPARE(names[0][64], '\0');
        const auto back = finder::ReadFoundArrays(&addr[0][0], &names[0][0], &infos[0][0], 2);
        QCOMPARE(back.size(), std::size_t(2));
        QVERIFY(back[0] == list[0]);
        QCOMPARE(finder::ReadFoundArrays(&addr[0][0], &names[0][0], &infos[0][0], 999).size(), std::size_t(256));
        QCOMPARE(finder::ReadFoundArrays(&addr[0][0], &names[0][0], &infos[0][0], -1).size(), std::size_t(0));
    }

    void settingsDefaultToTheBroadcastButNeverGuess() {
        finder::FinderSettings defaults = finder::FinderSettings::LoadFrom(sandbox_->File("missing.conf"));
        QCOMPARE(defaults.address, std::string("255.255.255.255"));
        QCOMPARE(defaults.port, 9716);
        QCOMPARE(defaults.listenMs, 3000);
        QVERIFY(defaults.valid);

        // The sandbox's own file keeps probes on loopback.
        finder::FinderSettings loaded = finder::FinderSettings::Load();
        QCOMPARE(loaded.address, std::string("127.0.0.1"));
        QCOMPARE(loaded.port, 9);

        sandbox_->Write("bad.conf", "[Probe]\nAddress=projectors.local\nListenMs=5\n");
        finder::FinderSettings bad = finder::FinderSettings::LoadFrom(sandbox_->File("bad.conf"));
        QVERIFY(!bad.valid);
        QCOMPARE(bad.listenMs, finder::FinderSettings::kMinListenMs);
        sandbox_->Write("port.conf", "[Probe]\nAddress=127.0.0.1\nPort=70000\n");
        QVERIFY(!finder::FinderSettings::LoadFrom(sandbox_->File("port.conf")).valid);
    }

    void invalidSettingsSendNothing() {
        sandbox_->Write("Finder.conf", "[Probe]\nAddress=not-an-address\nListenMs=100\n");
        CDiscDlg dlg(0);
        dlg.StartSearch();
        QVERIFY(!dlg.IsSearching());
        QCOMPARE(dlg.List().size(), std::size_t(0));
    }

    void pjsimAnswersAProbeForEachProjector() {
        PjsimDiscovery sim({QStringLiteral("Hall-A"), QStringLiteral("Hall-B")},
                           QString::fromStdString(sandbox_->File("pjsim.log")));
        QVERIFY2(sim.Ready(), qPrintable(sim.Error()));
        finder::UdpSocket socket;
        QCOMPARE(socket.Open(), 0);
        // Something that is no probe gets no answer; the probe after it gets two.
        QCOMPARE(socket.SendTo("127.0.0.1", sim.DiscoveryPort(), "hello\n"), 0);
        QCOMPARE(socket.SendTo("127.0.0.1", sim.DiscoveryPort(), finder::FormatProbe(0xabc)), 0);
        std::vector<DiscoveryAnswer> answers;
        std::string data;
        uint8_t sender[4] = {};
        QElapsedTimer clock;
        clock.start();
        while (answers.size() < 2 && clock.elapsed() < 5000) {
            if (!socket.Receive(data, sender, finder::kMaxDatagram + 1)) {
                socket.WaitReadable(200);
                continue;
            }
            DiscoveryAnswer a;
            QVERIFY2(finder::ParseAnswer(data, 0xabc, a), data.c_str());
            QCOMPARE(sender[0], uint8_t(127));
            answers.push_back(a);
        }
        QCOMPARE(answers.size(), std::size_t(2));
        QCOMPARE(answers[0].name, std::string("Hall-A"));
        QCOMPARE(answers[1].name, std::string("Hall-B"));
        QCOMPARE(QString::fromStdString(answers[0].info), sim.ProjectorAddress(1));
        QCOMPARE(QString::fromStdString(answers[1].info), sim.ProjectorAddress(2));
        QVERIFY(answers[0].hasAddr);
        QCOMPARE(answers[0].addr[0], uint8_t(127));
        QCOMPARE(answers[0].addr[3], uint8_t(1));
        QVERIFY(!socket.WaitReadable(300)); // nothing more: the "hello" was not answered
    }

    void discoveryDialogFindsTwoSimulatedProjectors() {
        PjsimDiscovery sim({QStringLiteral("Hall-A"), QStringLiteral("Hall-B")},
                           QString::fromStdString(sandbox_->File("pjsim.log")));
        QVERIFY2(sim.Ready(), qPrintable(sim.Error()));
        PointFinderAt(*sandbox_, sim.DiscoveryPort(), 600);

        // The list found so far: one projector elsewhere, and a stale entry for loopback.
        static FoundAddrArray addr;
        static FoundNameArray names;
        static FoundInfoArray infos;
        const std::vector<FoundProjector> before = {P({10, 1, 2, 3}, "Elsewhere", "old"),
                                                    P({127, 0, 0, 1}, "Stale", "gone")};
        int count = finder::WriteFoundArrays(before, &addr[0][0], &names[0][0], &infos[0][0]);

        CDiscDlg dlg(1, nullptr);
        dlg.SetPjtList(&addr[0][0], &names[0][0], &infos[0][0], count);
        QCOMPARE(dlg.ListView()->topLevelItemCount(), 2);
        int highestProgressSeen = 0;
        int midwayProgress = -1;
        const auto driver = ModalDriver::When<CDiscDlg>([&](CDiscDlg* d) {
            auto* poll = new QTimer(d);
            QObject::connect(poll, &QTimer::timeout, d, [&, d, poll] {
                const int value = d->Progress()->value();
                if (d->IsSearching() && value > 0 && value < 100)
                    midwayProgress = value;
                highestProgressSeen = std::max(highestProgressSeen, value);
                if (!d->IsSearching() && value == 100) {
                    poll->stop();
                    d->reject(); // Cancel: the list still comes back
                }
            });
            poll->start(20);
        });
        dlg.DoModal();
        count = dlg.GetPjtList(&addr[0][0], &names[0][0], &infos[0][0]);
        QCOMPARE(count, 3);
        QCOMPARE(std::string(names[0]), std::string("Elsewhere"));
        QCOMPARE(std::string(names[1]), std::string("Hall-A"));
        QCOMPARE(std::string(names[2]), std::string("Hall-B"));
        QCOMPARE(QString::fromLatin1(infos[1]), sim.ProjectorAddress(1));
        QCOMPARE(addr[2][0], static_cast<unsigned char>(127));
        QCOMPARE(addr[2][3], static_cast<unsigned char>(1));
        QCOMPARE(dlg.ListView()->topLevelItemCount(), 3);
        QCOMPARE(dlg.ListView()->topLevelItem(1)->text(2), QStringLiteral("127.0.0.1"));
        QVERIFY(midwayProgress > 0);
        QCOMPARE(highestProgressSeen, 100);
    }

    void pjlinkSearchMessages() {
        QCOMPARE(finder::FormatPjlinkSearch(), std::string("%2SRCH\r"));
        std::string mac;
        QVERIFY(finder::ParsePjlinkAck("%2ACKN=00:1a:2B:3c:4D:5e\r", mac));
        QCOMPARE(mac, std::string("00:1A:2B:3C:4D:5E"));
        QVERIFY(finder::ParsePjlinkAck("%2ACKN=00:11:22:33:44:55", mac));
        for (const char* bad : {"%2ACKN=00:11:22:33:44", "%1ACKN=00:11:22:33:44:55\r", "%2ACKN=00-11-22-33-44-55",
                                "%2ACKN=00:11:22:33:44:5G", "%2SRCH\r", "%2ACKN=00:11:22:33:44:55\r\r", ""})
            QVERIFY2(!finder::ParsePjlinkAck(bad, mac), bad);

        const finder::FinderSettings defaults = finder::FinderSettings::LoadFrom(sandbox_->File("missing.conf"));
        QVERIFY(defaults.pjlinkSearch);
        QCOMPARE(defaults.pjlinkPort, 4352);
        sandbox_->Write("pjlink.conf", "[PJLink]\nSearch=0\nPort=14352\n");
        const finder::FinderSettings set = finder::FinderSettings::LoadFrom(sandbox_->File("pjlink.conf"));
        QVERIFY(!set.pjlinkSearch);
        QCOMPARE(set.pjlinkPort, 14352);
        QVERIFY(set.valid);
        sandbox_->Write("pjlink.conf", "[PJLink]\nPort=0\n");
        QVERIFY(!finder::FinderSettings::LoadFrom(sandbox_->File("pjlink.conf")).valid);
    }

    void discoveryFindsAPjlinkProjectorBesideOurs() {
        PjsimDiscovery sim({QStringLiteral("Hall-A"), QStringLiteral("Ceiling,protocol=pjlink,class=2"),
                            QStringLiteral("Old,protocol=pjlink,class=1")},
                           QString::fromStdString(sandbox_->File("pjsim.log")));
        QVERIFY2(sim.Ready(), qPrintable(sim.Error()));
        const int pjlinkPort = sim.ProjectorAddress(2).section(QLatin1Char(':'), -1).toInt();
        PointFinderAt(*sandbox_, sim.DiscoveryPort(), 800, pjlinkPort);
        sandbox_->Write("LinkCore.conf", "[Timeouts]\nConnectMs=500\nReplyMs=500\n");

        CDiscDlg dlg(0);
        dlg.StartSearch();
        QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsSearching(), 5000);
        QCOMPARE(dlg.List().size(), std::size_t(2));
        QCOMPARE(dlg.List()[0].name, std::string("Hall-A"));
        QCOMPARE(dlg.List()[1].name, std::string("Ceiling"));
        QCOMPARE(dlg.List()[1].info, std::string("PJLink 02:4F:52:56:00:02"));
        QCOMPARE(dlg.List()[1].addr[0], uint8_t(127));
        QCOMPARE(dlg.List()[1].addr[3], uint8_t(1));
        // Three search datagrams went out, each answered; the name was asked once.
        const QString log = QString::fromStdString(sandbox_->Read("pjsim.log"));
        QCOMPARE(log.count(QStringLiteral("PJLINK 2 %2SRCH -> %2ACKN=02:4F:52:56:00:02")), 3);
        QCOMPARE(log.count(QStringLiteral("PJLINK 2 %1NAME ? -> %1NAME=Ceiling")), 1);

        // Turned off, the search sends nothing.
        PointFinderAt(*sandbox_, sim.DiscoveryPort(), 300);
        CDiscDlg off(0);
        off.StartSearch();
        QTRY_VERIFY_WITH_TIMEOUT(!off.IsSearching(), 5000);
        QCOMPARE(off.List().size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(sandbox_->Read("pjsim.log")).count(QStringLiteral("%2SRCH")), 3);
    }

    void everyTextOfTheDiscoveryDialogIsChinese() {
        sandbox_->Write("txtzhs.cat", SourceFile("res/txtzhs.cat"));
        sandbox_->Write(kMarkerChinese, "");
        QCOMPARE(OpenCatalog(), 0);
        const CatalogTexts chinese(sandbox_->File("txtzhs.cat"), 1033);
        const std::string probe = "[PJLink]\nSearch=0\n[Probe]\nAddress=127.0.0.1\nPort=9\nListenMs=";
        enum Step { kOpen, kSearch, kSearchToTheEnd };
        const struct {
            std::string settings; // nothing answers on port 9 of loopback
            Step step;
            int set, number; // a text the state shows among the rest, with this insert
            const char* insert;
        } cases[] = {{probe + "200", kOpen, 11, 331, ""},
                     {probe + "5000", kSearch, 11, 333, ""},
                     {probe + "200", kSearchToTheEnd, 11, 334, "0"},
                     {"[Probe]\nAddress=not-an-address\n", kSearch, 2201, 1200, "Finder.conf"}};
        for (const auto& c : cases) {
            sandbox_->Write("Finder.conf", c.settings);
            CDiscDlg dlg(0);
            if (c.step != kOpen)
                dlg.StartSearch();
            if (c.step == kSearchToTheEnd)
                QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsSearching(), 5000);
            const QStringList shown = ShownTexts(&dlg);
            QVERIFY2(chinese.Strangers(shown).isEmpty(), qPrintable(chinese.Strangers(shown).join(", ")));
            QVERIFY(shown.contains(QString::fromStdString(CatalogText(c.set, c.number, c.insert))));
        }
    }

    void configurationDialogTakesTheFoundListToSelect() {
        PjsimDiscovery sim({QStringLiteral("Hall-A"), QStringLiteral("Hall-B")},
                           QString::fromStdString(sandbox_->File("pjsim.log")));
        QVERIFY2(sim.Ready(), qPrintable(sim.Error()));
        PointFinderAt(*sandbox_, sim.DiscoveryPort(), 400);
        CModelInfo2 working;
        CConfDlg dlg;
        dlg.Model = &working;
        dlg.ModelList = &sandbox_->Models();
        QVERIFY(dlg.OnInitDialog());
        const int index = dlg.ModelCombo->findText(QStringLiteral("AX-310N"));
        dlg.ModelCombo->setCurrentIndex(index);
        emit dlg.ModelCombo->activated(index);
        QVERIFY(dlg.DiscoveryButton->isEnabled());

        const auto closer = CloseWhenSearchEnds();
        dlg.DiscoveryButton->click();
        QCOMPARE(dlg.FoundCount, 2);
        QCOMPARE(dlg.PageConn->FoundCount, 2);

        dlg.PageConn->NetworkRadio->click();
        const auto driver = ModalDriver::When<CCSelPjt>([](CCSelPjt* sel) {
            QCOMPARE(sel->List->topLevelItemCount(), 2);
            QCOMPARE(sel->List->topLevelItem(1)->text(0), QStringLiteral("Hall-B"));
            sel->List->setCurrentItem(sel->List->topLevelItem(1));
            sel->OkButton->click();
        });
        dlg.PageConn->SelectButton->click();
        QCOMPARE(dlg.PageConn->IPCtrl->AddressText(), QStringLiteral("127.0.0.1"));
    }

private:
    std::unique_ptr<GuiSandbox> sandbox_;
};

QTEST_MAIN(FinderTest)
#include "FinderTest.moc"
