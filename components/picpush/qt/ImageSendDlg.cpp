#include "picpush/qt/ImageSendDlg.h"

#include "picpush/ImageCheck.h"
#include "picpush/qt/LetterboxEncoder.h"

#include "catalog/MessageCatalog.h"
#include "model/ModelInfo2.h"
#include "widgets/OrvaneMessageBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstring>

namespace picpush {

namespace {

// Catalog texts of set 11.
enum Caption {
    kTitle = 200,
    kOpen = 201,
    kOutputSize = 202,
    kShowAtOnce = 203,
    kSend = 204,
    kCancel = 205,
    kClose = 206,
    kColumnNumber = 207,
    kColumnAddress = 208,
    kColumnStatus = 209,
    kColumnProgress = 210,
    kSent = 211,
    kRefused = 212,
    kNoAnswer = 213,
    kCancelled = 214,
    kNotShown = 215,
    kWaiting = 216,
    kSending = 217,
    kNoImage = 218,
    kFileFilter = 219,
    kOpenTitle = 220,
    kImageInfo = 221,
    kProjectors = 222,
    kPreviewTitle = 223,
    kNoProjector = 224,
    kReady = 225,
    kCancelling = 226,
};

// Catalog texts of set 2201.
constexpr int kUnreadableFile = 3104;
constexpr int kCannotEncode = 3105;

constexpr int kColNumber = 0;
constexpr int kColAddress = 1;
constexpr int kColStatus = 2;
constexpr int kColProgress = 3;

constexpr int kDefaultSizeIndex = 1;
const QSize kPreviewSize(320, 200);

QString Text(int number, const std::vector<std::string>& args = {}) {
    return QString::fromUtf8(orvane::CatalogText(orvane::kCatalogSetUi, number, args));
}

int ResultCaption(SendResult result) {
    switch (result) {
    case SendResult::Sent:
        return kSent;
    case SendResult::Refused:
        return kRefused;
    case SendResult::NoAnswer:
        return kNoAnswer;
    case SendResult::Cancelled:
        return kCancelled;
    case SendResult::NotShown:
        return kNotShown;
    }
    return kNoAnswer;
}

} // namespace

const std::vector<QSize>& CImageSendDlg::OutputSizes() {
    static const std::vector<QSize> sizes = {{1024, 768}, {1280, 800}, {1920, 1080}};
    return sizes;
}

CImageSendDlg::CImageSendDlg(int mode, QWidget* parent) : QDialog(parent), mode_(mode) {
    setWindowTitle(Text(kTitle));
    setModal(true);

    list_ = new QTreeWidget(this);
    list_->setColumnCount(4);
    list_->setHeaderLabels({Text(kColumnNumber), Text(kColumnAddress), Text(kColumnStatus), Text(kColumnProgress)});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->header()->setStretchLastSection(true);
    list_->setColumnWidth(kColNumber, 60);
    list_->setColumnWidth(kColAddress, 150);
    list_->setColumnWidth(kColStatus, 130);
    list_->setMinimumWidth(480);
    connect(list_, &QTreeWidget::itemChanged, this, [this] { UpdateControls(); });

    preview_ = new QLabel(this);
    preview_->setFixedSize(kPreviewSize);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setFrameShape(QFrame::StyledPanel);
    preview_->setText(Text(kNoImage));
    info_ = new QLabel(this);
    info_->setWordWrap(true);
    info_->setMinimumHeight(info_->fontMetrics().lineSpacing() * 2); // file name and size: no jump when they come

    openButton_ = new QPushButton(Text(kOpen), this);
    connect(openButton_, &QPushButton::clicked, this, [this] { OnOpen(); });
    sizeBox_ = new QComboBox(this);
    for (const QSize& size : OutputSizes())
        sizeBox_->addItem(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()));
    sizeBox_->setCurrentIndex(kDefaultSizeIndex);
    connect(sizeBox_, &QComboBox::currentIndexChanged, this, [this] {
        Encode();
        UpdateControls();
    });
    showBox_ = new QCheckBox(Text(kShowAtOnce), this);

    sendButton_ = new QPushButton(Text(kSend), this);
    cancelButton_ = new QPushButton(Text(kCancel), this);
    closeButton_ = new QPushButton(Text(kClose), this);
    sendButton_->setDefault(true);
    connect(sendButton_, &QPushButton::clicked, this, [this] { Send(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { CancelTransfer(); });
    connect(closeButton_, &QPushButton::clicked, this, [this] { reject(); });

    auto* projectors = new QGroupBox(Text(kProjectors), this);
    auto* projectorLayout = new QVBoxLayout(projectors);
    projectorLayout->addWidget(list_);

    auto* picture = new QGroupBox(Text(kPreviewTitle), this);
    auto* pictureLayout = new QGridLayout(picture);
    pictureLayout->addWidget(preview_, 0, 0, 1, 2);
    pictureLayout->addWidget(info_, 1, 0, 1, 2);
    pictureLayout->addWidget(openButton_, 2, 0, 1, 2);
    pictureLayout->addWidget(new QLabel(Text(kOutputSize), picture), 3, 0);
    pictureLayout->addWidget(sizeBox_, 3, 1);
    pictureLayout->addWidget(showBox_, 4, 0, 1, 2);
    pictureLayout->setRowStretch(5, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(projectors, 1);
    top->addWidget(picture);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(sendButton_);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(closeButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    UpdatePreview();
    UpdateControls();
}

CImageSendDlg::~CImageSendDlg() {
    // The workers report to this object; none may outlive it.
    job_.Cancel();
    job_.Wait();
}

void CImageSendDlg::DataAdd(orvane::CModelInfo2* model, int slot) {
    if (model == nullptr || slot < 0 || slot >= orvane::CModelInfo2::kSlots)
        return;
    Row row;
    row.target.slot = slot;
    row.target.ipAddress = orvane::FieldText(model->IPAddress[slot]);
    row.target.tcpPort = model->PortNo[slot];
    row.target.password = orvane::FieldText(model->Password[slot]);
    canShow_ = canShow_ || model->ImageDispEnable == 1;

    row.item = new QTreeWidgetItem(list_);
    row.item->setText(kColNumber, QString::number(slot + 1));
    row.item->setCheckState(kColNumber, Qt::Checked);
    row.item->setText(
        kColAddress, QStringLiteral("%1:%2").arg(QString::fromStdString(row.target.ipAddress)).arg(row.target.tcpPort));
    row.item->setText(kColStatus, Text(kReady));
    row.progress = new QProgressBar(list_);
    row.progress->setRange(0, 100);
    row.progress->setValue(0);
    list_->setItemWidget(row.item, kColProgress, row.progress);
    rows_.push_back(row);
    UpdatePreview();
    UpdateControls();
}

int CImageSendDlg::DoModal() {
    exec();
    return QDialog::Rejected;
}

std::vector<int> CImageSendDlg::Slots() const {
    std::vector<int> result;
    for (const Row& row : rows_)
        result.push_back(row.target.slot);
    return result;
}

QByteArray CImageSendDlg::EncodedImage() const {
    if (!encoded_)
        return QByteArray();
    return QByteArray::fromRawData(reinterpret_cast<const char*>(encoded_->data()),
                                   static_cast<qsizetype>(encoded_->size()));
}

QSize CImageSendDlg::OutputSize() const {
    const int index = sizeBox_->currentIndex();
    return OutputSizes()[static_cast<std::size_t>(index < 0 ? kDefaultSizeIndex : index)];
}

void CImageSendDlg::SetOutputSize(int index) {
    sizeBox_->setCurrentIndex(index);
}

QProgressBar* CImageSendDlg::ProgressOf(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? rows_[static_cast<std::size_t>(row)].progress
                                                                    : nullptr;
}

QString CImageSendDlg::StatusOf(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < rows_.size()
               ? rows_[static_cast<std::size_t>(row)].item->text(kColStatus)
               : QString();
}

void CImageSendDlg::OnOpen() {
    QString path;
    if (chooser_) {
        path = chooser_(this);
    } else {
        path = QFileDialog::getOpenFileName(this, Text(kOpenTitle), QString(), Text(kFileFilter));
    }
    if (!path.isEmpty())
        OpenImage(path);
}

bool CImageSendDlg::OpenImage(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true); // a photo taken upright shows upright
    QImage image = reader.read();
    if (image.isNull()) {
        orvane::CatalogMessageBox(this, orvane::kCatalogSetErrors, kUnreadableFile, orvane::MB_OK | orvane::MB_ICONSTOP,
                                  {QDir::toNativeSeparators(path).toStdString()});
        return false;
    }
    path_ = path;
    source_ = std::move(image);
    Encode();
    UpdateControls();
    return encoded_ != nullptr;
}

void CImageSendDlg::Encode() {
    if (source_.isNull())
        return;
    output_ = Letterbox(source_, OutputSize());
    const QByteArray jpeg = EncodeJpeg(output_);
    encoded_.reset();
    if (!jpeg.isEmpty() && jpeg.size() <= static_cast<qsizetype>(kMaxImageBytes)) {
        encoded_ = std::make_shared<const std::vector<unsigned char>>(jpeg.begin(), jpeg.end());
    } else {
        orvane::CatalogMessageBox(this, orvane::kCatalogSetErrors, kCannotEncode, orvane::MB_OK | orvane::MB_ICONSTOP);
    }
    UpdatePreview();
}

void CImageSendDlg::UpdatePreview() {
    if (output_.isNull()) {
        preview_->setText(Text(kNoImage));
        info_->setText(rows_.empty() ? Text(kNoProjector) : QString());
        return;
    }
    preview_->setPixmap(
        QPixmap::fromImage(output_.scaled(kPreviewSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    const QFileInfo file(path_);
    const long long kilobytes = encoded_ ? static_cast<long long>(encoded_->size() + 1023) / 1024 : 0;
    info_->setText(file.fileName() + "\n" +
                   Text(kImageInfo, {std::to_string(output_.width()), std::to_string(output_.height()),
                                     std::to_string(kilobytes)}));
}

void CImageSendDlg::UpdateControls() {
    const bool busy = IsSending();
    bool anyChecked = false;
    for (const Row& row : rows_)
        anyChecked = anyChecked || row.item->checkState(kColNumber) == Qt::Checked;
    openButton_->setEnabled(!busy);
    sizeBox_->setEnabled(!busy);
    showBox_->setEnabled(!busy && canShow_);
    if (!canShow_)
        showBox_->setChecked(false);
    sendButton_->setEnabled(!busy && anyChecked && encoded_ != nullptr);
    cancelButton_->setEnabled(busy && !job_.CancelRequested());
    closeButton_->setEnabled(!closing_);
    // The list stays lit during a transfer, since it shows the progress; only its check boxes
    // are held.
    const QSignalBlocker quiet(list_);
    for (const Row& row : rows_) {
        const Qt::ItemFlags flags = row.item->flags();
        row.item->setFlags(busy ? flags & ~Qt::ItemIsUserCheckable : flags | Qt::ItemIsUserCheckable);
    }
}

bool CImageSendDlg::Send() {
    if (IsSending() || encoded_ == nullptr)
        return false;
    std::vector<ImageTarget> targets;
    sendingRows_.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        Row& row = rows_[i];
        row.progress->setValue(0);
        if (row.item->checkState(kColNumber) != Qt::Checked) {
            row.item->setText(kColStatus, QString());
            continue;
        }
        row.item->setText(kColStatus, Text(kWaiting));
        targets.push_back(row.target);
        sendingRows_.push_back(i);
    }
    if (targets.empty())
        return false;
    options_.show = showBox_->isChecked() && canShow_;
    ImageSendJob::Events events;
    // The workers' events are carried to this window's thread; none touches a widget itself.
    events.progress = [this](std::size_t index, std::size_t sent, std::size_t total) {
        QMetaObject::invokeMethod(
            this, [this, index, sent, total] { OnProgress(index, sent, total); }, Qt::QueuedConnection);
    };
    events.finished = [this](std::size_t index, SendResult result) {
        QMetaObject::invokeMethod(
            this, [this, index, result] { OnFinished(index, result); }, Qt::QueuedConnection);
    };
    events.allDone = [this] {
        QMetaObject::invokeMethod(
            this, [this] { OnAllDone(); }, Qt::QueuedConnection);
    };
    sending_ = true;
    if (!job_.Start(std::move(targets), encoded_, options_, std::move(events))) {
        sending_ = false;
        return false;
    }
    UpdateControls();
    return true;
}

void CImageSendDlg::CancelTransfer() {
    if (!IsSending())
        return;
    job_.Cancel();
    for (std::size_t row : sendingRows_) {
        QTreeWidgetItem* item = rows_[row].item;
        if (item->text(kColStatus) == Text(kWaiting) || item->text(kColStatus) == Text(kSending))
            item->setText(kColStatus, Text(kCancelling));
    }
    UpdateControls();
}

void CImageSendDlg::OnProgress(std::size_t index, std::size_t sent, std::size_t total) {
    if (index >= sendingRows_.size() || total == 0)
        return;
    Row& row = rows_[sendingRows_[index]];
    row.progress->setValue(static_cast<int>(sent * 100 / total));
    if (!job_.CancelRequested())
        row.item->setText(kColStatus, Text(kSending));
}

void CImageSendDlg::OnFinished(std::size_t index, SendResult result) {
    if (index >= sendingRows_.size())
        return;
    Row& row = rows_[sendingRows_[index]];
    row.item->setText(kColStatus, Text(ResultCaption(result)));
    if (result == SendResult::Sent || result == SendResult::NotShown)
        row.progress->setValue(100);
}

void CImageSendDlg::OnAllDone() {
    job_.Wait();
    sending_ = false;
    UpdateControls();
    emit transferFinished();
}

void CImageSendDlg::WaitForWorkers() {
    // The workers' last events must still be delivered, so the window keeps its loop going
    // (painting included) but takes no input meanwhile.
    while (IsSending()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        if (!job_.Running() && sending_) {
            QCoreApplication::sendPostedEvents(this);
            if (sending_)
                QThread::msleep(1);
        }
    }
}

void CImageSendDlg::reject() {
    if (closing_)
        return;
    if (IsSending()) {
        closing_ = true;
        CancelTransfer();
        WaitForWorkers();
        closing_ = false;
    }
    QDialog::reject();
}

} // namespace picpush
