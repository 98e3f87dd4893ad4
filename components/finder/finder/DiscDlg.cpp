#include "finder/DiscDlg.h"

#include "finder/DiscoveryMessage.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHostAddress>
#include <QLabel>
#include <QNetworkDatagram>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QTreeWidget>
#include <QUdpSocket>
#include <QVBoxLayout>
#include <algorithm>

namespace finder {

namespace {
// The probe goes out this many times, spread over the listening time, so that one lost
// datagram does not hide a projector.
constexpr int kProbeCount = 3;
constexpr int kTickMs = 50;

QString AddressText(const uint8_t (&a)[4]) {
    return QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
}
} // namespace

CDiscDlg::CDiscDlg(int mode, QWidget* parent) : QDialog(parent), mode_(mode), settings_(FinderSettings::Load()) {
    setWindowTitle(tr("Projector Discovery"));
    resize(480, 320);
    auto* layout = new QVBoxLayout(this);
    view_ = new QTreeWidget(this);
    view_->setRootIsDecorated(false);
    view_->setColumnCount(3);
    view_->setHeaderLabels({tr("Name"), tr("Information"), tr("IP Address")});
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
    searchButton_ = buttons->addButton(tr("Search"), QDialogButtonBox::ActionRole);
    searchButton_->setAutoDefault(false);
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);

    ticker_ = new QTimer(this);
    ticker_->setInterval(kTickMs);
    connect(ticker_, &QTimer::timeout, this, [this] { OnTick(); });
    connect(searchButton_, &QPushButton::clicked, this, [this] { StartSearch(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

CDiscDlg::~CDiscDlg() = default;

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
        status_->setText(
            tr("The probe address in %1 is not valid.").arg(QString::fromLatin1(FinderSettings::kFileName)));
        return;
    }
    delete socket_;
    socket_ = new QUdpSocket(this);
    if (!socket_->bind(QHostAddress::AnyIPv4, 0)) {
        status_->setText(tr("Cannot open a UDP socket: %1").arg(socket_->errorString()));
        return;
    }
    connect(socket_, &QUdpSocket::readyRead, this, [this] { OnReadyRead(); });
    base_ = list_;
    answers_.clear();
    searchId_ = QRandomGenerator::global()->generate64() | 1; // never 0
    probesSent_ = 0;
    searching_ = true;
    searchButton_->setEnabled(false);
    progress_->setValue(0);
    status_->setText(tr("Searching..."));
    clock_.start();
    SendProbe();
    ticker_->start();
}

void CDiscDlg::SendProbe() {
    const std::string probe = FormatProbe(searchId_);
    socket_->writeDatagram(probe.data(), static_cast<qint64>(probe.size()),
                           QHostAddress(QString::fromStdString(settings_.address)),
                           static_cast<quint16>(settings_.port));
    ++probesSent_;
}

void CDiscDlg::OnTick() {
    const qint64 elapsed = clock_.elapsed();
    const int listenMs = settings_.listenMs;
    if (probesSent_ < kProbeCount && elapsed >= static_cast<qint64>(listenMs) * probesSent_ / kProbeCount)
        SendProbe();
    progress_->setValue(static_cast<int>(std::min<qint64>(100, elapsed * 100 / listenMs)));
    if (elapsed >= listenMs)
        FinishSearch();
}

void CDiscDlg::OnReadyRead() {
    bool changed = false;
    while (socket_ != nullptr && socket_->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket_->receiveDatagram(kMaxDatagram + 1);
        const QByteArray data = datagram.data();
        DiscoveryAnswer answer;
        if (!ParseAnswer(std::string_view(data.constData(), static_cast<std::size_t>(data.size())), searchId_, answer))
            continue;
        FoundProjector p;
        p.name = answer.name;
        p.info = answer.info;
        if (answer.hasAddr) {
            std::copy(std::begin(answer.addr), std::end(answer.addr), p.addr);
        } else {
            bool ok = false;
            const quint32 v4 = datagram.senderAddress().toIPv4Address(&ok);
            if (!ok)
                continue;
            p.addr[0] = static_cast<uint8_t>(v4 >> 24);
            p.addr[1] = static_cast<uint8_t>(v4 >> 16);
            p.addr[2] = static_cast<uint8_t>(v4 >> 8);
            p.addr[3] = static_cast<uint8_t>(v4);
        }
        changed = AddAnswer(answers_, p) || changed;
    }
    if (changed) {
        list_ = MergeFound(base_, answers_);
        ShowList();
    }
}

void CDiscDlg::FinishSearch() {
    OnReadyRead(); // answers already waiting still count
    ticker_->stop();
    searching_ = false;
    delete socket_;
    socket_ = nullptr;
    list_ = MergeFound(base_, answers_);
    progress_->setValue(100);
    searchButton_->setEnabled(true);
    status_->setText(tr("%n projector(s) answered.", nullptr, static_cast<int>(answers_.size())));
    ShowList();
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
