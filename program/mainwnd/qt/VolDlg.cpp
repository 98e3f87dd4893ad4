#include "mainwnd/qt/VolDlg.h"

#include "catalog/MessageCatalog.h"
#include "mainwnd/VolumePanel.h"
#include "mainwnd/qt/ButtonIcons.h"
#include "mainwnd/qt/VolumeController.h"
#include "widgets/TranslateWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>

namespace orvane {

// Places in dialog units: the captions' column, up button, down button, the bar right of
// the buttons and the number under it.
const CVolDlg::Template CVolDlg::kTemplate = {173,
                                              QSize(37, 46),
                                              1138,
                                              1139,
                                              1163,
                                              1168,
                                              1,
                                              23,
                                              QRect(2, 9, 21, 13),
                                              QRect(2, 23, 21, 14),
                                              QRect(26, 2, 9, 30),
                                              QRect(24, 34, 12, 9),
                                              16,
                                              10};
const CVolDlg::Template CVol36Dlg::kTemplate = {178,
                                                QSize(37, 61),
                                                1139,
                                                1140,
                                                1164,
                                                1169,
                                                1,
                                                23,
                                                QRect(2, 9, 21, 20),
                                                QRect(2, 30, 21, 20),
                                                QRect(26, 2, 9, 45),
                                                QRect(24, 49, 12, 9),
                                                24,
                                                10};
const CVolDlg::Template CVol48Dlg::kTemplate = {181,
                                                QSize(49, 77),
                                                1141,
                                                1142,
                                                1165,
                                                1170,
                                                1,
                                                30,
                                                QRect(2, 10, 28, 26),
                                                QRect(2, 37, 28, 26),
                                                QRect(34, 2, 11, 61),
                                                QRect(31, 64, 17, 10),
                                                32,
                                                11};

namespace {
// The thin border, and the bare rows a caption keeps from it.
constexpr int kBorderPixels = 1;
constexpr int kCaptionMarginPixels = 2;
} // namespace

CVolDlg::CVolDlg(VolumeController* owner) : CVolDlg(owner, kTemplate) {}

CVolDlg::CVolDlg(VolumeController* owner, const Template& t)
    : OrvaneDialog(owner->Window()), owner_(owner), template_(t) {
    // A panel without caption that stays with its owner and takes no task-bar entry.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    setFixedSize(DluSize(t.size.width(), t.size.height()));
    QFont small = font();
    small.setPixelSize(t.fontPixels);

    up_ = MakeCtrl<QPushButton>(this, t.upId, t.upButton);
    down_ = MakeCtrl<QPushButton>(this, t.downId, t.downButton);
    // Each caption sits against its button and ends a margin short of the border: a font
    // taller than the room loses the far edge of its line, never the margin.
    const QRect column = DluRect(t.captionLeft, 0, t.captionWidth, 0);
    const int inner = kBorderPixels + kCaptionMarginPixels;
    auto label = [&](int top, int bottom, Qt::Alignment toButton, const char* caption) {
        auto* l = new QLabel(this);
        l->setGeometry(column.x(), top, column.width(), bottom - top);
        l->setText(QString::fromLatin1(caption));
        l->setAlignment(Qt::AlignHCenter | toButton);
        l->setFont(small);
        return l;
    };
    upLabel_ = label(inner, up_->y(), Qt::AlignBottom, "29;up");
    downLabel_ = label(down_->y() + down_->height(), height() - inner, Qt::AlignTop, "30;down");
    for (QPushButton* b : {up_, down_}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoDefault(false);
    }
    bar_ = MakeCtrl<QProgressBar>(this, t.barId, t.bar);
    bar_->setOrientation(Qt::Vertical);
    bar_->setTextVisible(false);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    number_ = MakeCtrl<QLineEdit>(this, t.numberId, t.number);
    number_->setReadOnly(true);
    number_->setFrame(false);
    number_->setAlignment(Qt::AlignCenter);
    number_->setFont(small);
    number_->setFocusPolicy(Qt::NoFocus);
    number_->setContentsMargins(0, 0, 0, 0);
    number_->setTextMargins(0, 0, 0, 0);

    timer_.setInterval(kVolumeTickMs);
    connect(&timer_, &QTimer::timeout, this, [this] { OnTimer(); });
    connect(up_, &QPushButton::clicked, this, [this] { OnUp(); });
    connect(down_, &QPushButton::clicked, this, [this] { OnDown(); });
}

CVolDlg::~CVolDlg() = default;

CVolDlg* CVolDlg::Create(int iconSize, VolumeController* owner) {
    CVolDlg* panel = nullptr;
    if (iconSize == 1) {
        panel = new CVol36Dlg(owner);
    } else if (iconSize == 2) {
        panel = new CVol48Dlg(owner);
    } else {
        panel = new CVolDlg(owner);
    }
    panel->OnInitDialog();
    panel->hide();
    return panel;
}

bool CVolDlg::OnInitDialog() {
    owner_->PanelInitialised();
    TranslateWindow(kCatalogSetUi, this);
    const int px = template_.arrowPixels;
    up_->setIcon(PictureIcon("vol_up", px));
    down_->setIcon(PictureIcon("vol_down", px));
    up_->setIconSize(QSize(px, px));
    down_->setIconSize(QSize(px, px));
    return true;
}

void CVolDlg::showEvent(QShowEvent* event) {
    OrvaneDialog::showEvent(event);
    StartIdleTimer();
    owner_->PanelShown();
    // A range of 0..0 would turn the bar into a busy indicator: an empty range shows an
    // empty bar instead.
    const int maximum = owner_->RangeMaximum();
    bar_->setRange(0, maximum > 0 ? maximum : 1);
    if (maximum <= 0)
        bar_->setValue(0);
    bar_->update();
}

void CVolDlg::hideEvent(QHideEvent* event) {
    OrvaneDialog::hideEvent(event);
    // Hidden, there is nothing to count down.
    StopIdleTimer();
    owner_->PanelHidden();
}

void CVolDlg::paintEvent(QPaintEvent* event) {
    OrvaneDialog::paintEvent(event);
    // The thin border of a panel without caption.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// Through the window's commands, so that a click during a command waits for it as a
// toolbar click does.
void CVolDlg::OnUp() {
    owner_->StepClicked(UpId());
}

void CVolDlg::OnDown() {
    owner_->StepClicked(DownId());
}

void CVolDlg::OnTimer() {
    if (owner_->IdleTick()) {
        StopIdleTimer();
        hide();
    }
}

void CVolDlg::SetLevel(int level) {
    if (level < 0)
        return;
    if (level <= bar_->maximum()) {
        bar_->setValue(level);
    } else {
        bar_->setValue(bar_->maximum());
    }
    number_->setText(QString::number(level));
    // The bar repaints itself only when its fill moves by a whole chunk, so a step of a
    // long range, or a level that arrives just after the panel showed, would leave it
    // behind the number.
    bar_->update();
}

void CVolDlg::StartIdleTimer() {
    timer_.start();
}

void CVolDlg::StopIdleTimer() {
    timer_.stop();
}

} // namespace orvane
