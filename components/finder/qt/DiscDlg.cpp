#include "finder/qt/DiscDlg.h"

#include "catalog/MessageCatalog.h"
#include "finder/DiscoveryMessage.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace finder {

namespace {
// The probe goes out this many times, spread over the listening time, so that one lost
// datagram does not hide a projector.
constexpr int kProbeCount = 3;
constexpr int kTickMs = 50;

// Catalog texts: set 11 (the list's headers are those of the projector selection).
constexpr int kIpAddressHeader = 34;
constexpr int kNameHeader = 41;
constexpr int kInfoHeader = 53;
constexpr int kTitle = 330;
constexpr int kSearch = 331;
constexpr int kClose = 332;
constexpr int kSearching = 333;
constexpr int kAnswered = 334; // %1 how many
// Set 2201.
constexpr int kBadProbeAddress = 1200; // %1 settings file
constexpr int kNoSocket = 1201;        // %1 the system's reason

template <typename... Args> QString UiText(int number, const Args&... args) {
    return QString::fromStdString(orvane::CatalogText(orvane::kCatalogSetUi, number, args...));
}

template <typename... Args> QString ErrorText(int number, const Args&... args) {
    return QString::fromStdString(orvane::CatalogText(orvane::kCatalogSetErrors, number, args...));
}

QString AddressText(const uint8_t (&a)[4]) {
    return QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
}
} // namespace

CDiscDlg::CDiscDlg(int mode, QWidget* parent) : QDialog(parent), mode_(mode), settings_(FinderSettings::Load()) {
    setWindowTitle(UiText(kTitle));
    resize(480, 320);
    auto* layout = new QVBoxLayout(this);
    view_ = new QTreeWidget(this);
    view_->setRootIsDecorated(false);
    view_->setColumnCount(3);
    view_->setHeaderLabels({UiText(kNameHeader), UiText(kInfoHeader), UiText(kIpAddressHeader)});
    view_->header()->setStretchLastSection(true);
    view_->setColumnWidth(0, 190);
    view_->setColumnWidth(1, 150);
    layout->addWidget(view_);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    layout->addWidget(progress_);
    status_ = new QLabel(this);
    layout->addWidget(status_);
    auto* buttons = new QDialogButtonBox(this);
    searchButton_ = buttons->addButton(UiText(kSearch), QDialogButtonBox::ActionRole);
    searchButton_->setAutoDefault(false);
    // The toolkit's own Close would read the toolkit's language, not the catalog's.
    buttons->addButton(UiText(kClose), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);

    ticker_ = new QTimer(this);
    ticker_->setInterval(kTickMs);
    connect(ticker_, &QTimer::timeout, this, [this] { OnTick(); });
    connect(searchButton_, &QPushButton::clicked, this, [this] { StartSearch(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

CDiscDlg::~CDiscDlg() {
    CloseSocket();
}

void CDiscDlg::SetPjtList(unsigned char* addr, char* names, char* infos, int count) {
    list_ = ReadFoundArrays(addr, names, infos, count);
    ShowList();
}

int CDiscDlg::DoModal() {
    ShowList();
    if (mode_ == 1)
        QTimer::singleShot(0, this, [this] { StartSearch(); });
    return exec();
}

int CDiscDlg::GetPjtList(unsigned char* addr, char* names, char* infos) {
    if (searching_)
        FinishSearch(); // closed while listening: what came so far counts
    return WriteFoundArrays(list_, addr, names, infos);
}

void CDiscDlg::StartSearch() {
    if (searching_)
        return;
    if (!settings_.valid) {
        status_->setText(ErrorText(kBadProbeAddress, FinderSettings::kFileName));
        return;
    }
    CloseSocket();
    if (const int error = socket_.Open(); error != 0) {
        status_->setText(ErrorText(kNoSocket, UdpSocket::ErrorText(error)));
        return;
    }
    notifier_ = new QSocketNotifier(static_cast<qintptr>(socket_.Fd()), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { OnReadyRead(); });
    if (settings_.pjlinkSearch) {
        // Without its socket the PJLink search is left out; our own probe still goes.
        pjlink_ = std::make_unique<PjlinkSearch>(settings_.pjlinkPort);
        if (pjlink_->Open() == 0) {
            pjlinkNotifier_ = new QSocketNotifier(static_cast<qintptr>(pjlink_->Fd()), QSocketNotifier::Read, this);
            connect(pjlinkNotifier_, &QSocketNotifier::activated, this, [this] { OnReadyRead(); });
        } else {
            pjlink_.reset();
        }
    }
    base_ = list_;
    answers_.clear();
    searchId_ = QRandomGenerator::global()->generate64() | 1; // never 0
    probesSent_ = 0;
    searching_ = true;
    searchButton_->setEnabled(false);
    progress_->setValue(0);
    status_->setText(UiText(kSearching));
    clock_.start();
    SendProbe();
    ticker_->start();
}

void CDiscDlg::SendProbe() {
    const std::string probe = FormatProbe(searchId_);
    // A probe that cannot leave (no route, say) is like one lost on the way: the next
    // one tries again, and the search ends with what answered.
    static_cast<void>(socket_.SendTo(settings_.address, settings_.port, probe));
    if (pjlink_)
        static_cast<void>(pjlink_->Send(settings_.address)); // the same holds for the PJLink search
    ++probesSent_;
}

void CDiscDlg::OnTick() {
    const qint64 elapsed = clock_.elapsed();
    const int listenMs = settings_.listenMs;
    if (probesSent_ < kProbeCount && elapsed >= static_cast<qint64>(listenMs) * probesSent_ / kProbeCount)
        SendProbe();
    progress_->setValue(static_cast<int>(std::min<qint64>(100, elapsed * 100 / listenMs)));
    // Names of PJLink projectors arrive while the search goes on.
    if (TakePjlinkAnswers()) {
        list_ = MergeFound(base_, answers_);
        ShowList();
    }
    if (elapsed >= listenMs)
        FinishSearch();
}

void CDiscDlg::OnReadyRead() {
    bool changed = false;
    std::string data;
    std::uint8_t sender[4] = {};
    while (socket_.Receive(data, sender, kMaxDatagram + 1)) {
        DiscoveryAnswer answer;
        if (!ParseAnswer(data, searchId_, answer))
            continue;
        FoundProjector p;
        p.name = answer.name;
        p.info = answer.info;
        if (answer.hasAddr) {
            std::copy(std::begin(answer.addr), std::end(answer.addr), p.addr);
        } else {
            std::copy(std::begin(sender), std::end(sender), p.addr);
        }
        changed = AddAnswer(answers_, p) || changed;
    }
    if (pjlink_)
        pjlink_->Receive();
    changed = TakePjlinkAnswers() || changed;
    if (changed) {
        list_ = MergeFound(base_, answers_);
        ShowList();
    }
}

void CDiscDlg::FinishSearch() {
    OnReadyRead(); // answers already waiting still count
    ticker_->stop();
    if (pjlink_) {
        // The name queries still running are short: each is bounded by the link's time-outs.
        pjlink_->Finish();
        TakePjlinkAnswers();
    }
    searching_ = false;
    CloseSocket();
    list_ = MergeFound(base_, answers_);
    progress_->setValue(100);
    searchButton_->setEnabled(true);
    status_->setText(UiText(kAnswered, answers_.size()));
    ShowList();
}

void CDiscDlg::CloseSocket() {
    // The notifier goes first: it must never watch a descriptor number that is closed
    // and may be handed out again.
    delete notifier_;
    notifier_ = nullptr;
    delete pjlinkNotifier_;
    pjlinkNotifier_ = nullptr;
    pjlink_.reset();
    socket_.Close();
}

bool CDiscDlg::TakePjlinkAnswers() {
    bool changed = false;
    if (pjlink_) {
        for (const FoundProjector& p : pjlink_->TakeFinished())
            changed = AddAnswer(answers_, p) || changed;
    }
    return changed;
}

void CDiscDlg::ShowList() {
    view_->clear();
    for (const FoundProjector& p : list_) {
        auto* row = new QTreeWidgetItem(view_);
        row->setText(0, QString::fromStdString(p.name));
        row->setText(1, QString::fromStdString(p.info));
        row->setText(2, AddressText(p.addr));
    }
}

} // namespace finder
