#include "adjust/qt/AdvanceDlg.h"

#include "adjust/SetSender.h"

#include "catalog/MessageCatalog.h"
#include "catalog/SlotError.h"
#include "widgets/OrvaneMessageBox.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

using namespace adjust;

namespace {

constexpr int kCaptionFirstItem = 100;
constexpr int kCaptionFirstTab = 140;
constexpr int kCaptionFirstChoice = 145; // aspect, lamp mode, gamma, colour temperature
constexpr int kCaptionMyButtons = 149;
constexpr int kCaptionTitle = 150;
constexpr int kStatusReading = 151;
constexpr int kStatusRead = 152;
constexpr int kStatusSet = 153;
constexpr int kCaptionClose = 154;
constexpr int kTipRefused = 155;
constexpr int kTipNoAnswer = 156;
constexpr int kStatusPressed = 157;
constexpr int kStatusUnreachable = 158;
constexpr int kMsgUnreachable = 3000;
constexpr int kMsgRefusedKeeps = 3001;
constexpr int kMsgRefused = 3002;
constexpr int kMsgNoAnswer = 3003;

template <typename... Args> QString Text(int set, int number, const Args&... args) {
    return QString::fromStdString(orvane::CatalogText(set, number, args...));
}

} // namespace

CAdvanceDlg::CAdvanceDlg(QWidget* parent) : QDialog(parent) {}

CAdvanceDlg::~CAdvanceDlg() {
    if (reader_.joinable())
        reader_.join();
    // The sender sends the operator's last values before it ends.
    sender_.reset();
}

void CAdvanceDlg::CopyData(orvane::CModelInfo2* model, int slot) {
    if (model != nullptr)
        model_ = *model;
    slot_ = slot;
}

int CAdvanceDlg::DoModal() {
    OnInitDialog();
    return exec();
}

void CAdvanceDlg::OnInitDialog() {
    if (initialised_)
        return;
    initialised_ = true;
    connection_ = SlotConnection::FromModel(model_, slot_);
    items_ = BuildItems(model_);
    setWindowTitle(Text(orvane::kCatalogSetUi, kCaptionTitle, model_.Name, connection_.Address()));
    BuildControls();
    sender_ = std::make_unique<SetSender>(connection_, [this](const SetOutcome& outcome) {
        QMetaObject::invokeMethod(
            this, [this, outcome] { OnSetOutcome(outcome); }, Qt::QueuedConnection);
    });
    StartReading();
}

void CAdvanceDlg::BuildControls() {
    auto* layout = new QVBoxLayout(this);

    // The mode lists, two to a row.
    if (!items_.choices.empty()) {
        auto* modes = new QGridLayout();
        int n = 0;
        for (const ChoiceItem& item : items_.choices) {
            ChoiceControls c;
            c.item = item;
            c.label = new QLabel(Caption(item.type), this);
            c.combo = new QComboBox(this);
            for (const ChoiceEntry& entry : item.entries)
                c.combo->addItem(QString::fromStdString(entry.label), entry.code);
            c.combo->setCurrentIndex(-1);
            c.label->setBuddy(c.combo);
            modes->addWidget(c.label, n / 2, (n % 2) * 2);
            modes->addWidget(c.combo, n / 2, (n % 2) * 2 + 1);
            const std::uint16_t type = item.type;
            QComboBox* combo = c.combo;
            connect(combo, &QComboBox::activated, this,
                    [this, type, combo](int index) { Submit(type, combo->itemData(index).toInt()); });
            choices_.push_back(c);
            known_.push_back({type});
            ++n;
        }
        modes->setColumnStretch(1, 1);
        modes->setColumnStretch(3, 1);
        layout->addLayout(modes);
    }

    // The sliders, on the tabs that have any.
    tabs_ = new QTabWidget(this);
    QGridLayout* grids[kTabCount] = {};
    for (int index : DisplayOrder()) {
        auto found = std::find_if(items_.ranges.begin(), items_.ranges.end(),
                                  [index](const RangeItem& r) { return r.index == index; });
        if (found == items_.ranges.end())
            continue;
        const int tab = static_cast<int>(found->tab);
        if (grids[tab] == nullptr) {
            auto* scroll = new QScrollArea(tabs_);
            scroll->setWidgetResizable(true);
            scroll->setFrameShape(QFrame::NoFrame);
            auto* page = new QWidget(scroll);
            grids[tab] = new QGridLayout(page);
            grids[tab]->setColumnStretch(1, 1);
            scroll->setWidget(page);
            tabs_->addTab(scroll, Text(orvane::kCatalogSetUi, kCaptionFirstTab + tab));
        }
        QGridLayout* grid = grids[tab];
        QWidget* page = grid->parentWidget();
        RangeControls r;
        r.item = *found;
        r.label = new QLabel(Caption(found->type), page);
        r.slider = new QSlider(Qt::Horizontal, page);
        r.slider->setRange(found->min, found->max);
        r.slider->setMinimumWidth(200);
        r.spin = new QSpinBox(page);
        r.spin->setRange(found->min, found->max);
        r.spin->setKeyboardTracking(false);
        r.spin->setAlignment(Qt::AlignRight);
        r.label->setBuddy(r.spin);
        const QString range = QStringLiteral("%1 .. %2").arg(found->min).arg(found->max);
        r.slider->setToolTip(range);
        r.spin->setToolTip(range);
        const int row = grid->rowCount();
        grid->addWidget(r.label, row, 0);
        grid->addWidget(r.slider, row, 1);
        grid->addWidget(r.spin, row, 2);

        const std::uint16_t type = found->type;
        QSlider* slider = r.slider;
        QSpinBox* spin = r.spin;
        // Dragging sends as it goes (the sender spaces the sets); the release sends the
        // value the slider came to rest at, unless that one went already.
        connect(slider, &QSlider::valueChanged, this, [this, type, spin](int value) {
            const QSignalBlocker block(spin);
            spin->setValue(value);
            Submit(type, value);
        });
        connect(slider, &QSlider::sliderReleased, this, [this, type, slider] {
            Known& k = KnownOf(type);
            if (!k.submitted || k.lastSubmitted != slider->value())
                Submit(type, slider->value());
        });
        connect(spin, &QSpinBox::valueChanged, this, [this, type, slider](int value) {
            const QSignalBlocker block(slider);
            slider->setValue(value);
            Submit(type, value);
        });
        ranges_.push_back(r);
        known_.push_back({type});
    }
    for (QGridLayout* grid : grids) {
        if (grid != nullptr)
            grid->setRowStretch(grid->rowCount(), 1);
    }
    tabs_->setVisible(tabs_->count() > 0);
    layout->addWidget(tabs_, 1);

    // The my-buttons: each press sends its code.
    if (!items_.myButtons.entries.empty()) {
        auto* group = new QGroupBox(Text(orvane::kCatalogSetUi, kCaptionMyButtons), this);
        auto* row = new QHBoxLayout(group);
        for (const ChoiceEntry& entry : items_.myButtons.entries) {
            auto* button = new QPushButton(QString::fromStdString(entry.label), group);
            button->setAutoDefault(false);
            const int code = entry.code;
            connect(button, &QPushButton::clicked, this, [this, code] { Submit(kTypeMyButton, code); });
            row->addWidget(button);
            myButtons_.push_back(button);
        }
        row->addStretch(1);
        layout->addWidget(group);
        known_.push_back({kTypeMyButton});
    }

    auto* bottom = new QHBoxLayout();
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    busy_ = new QProgressBar(this);
    busy_->setRange(0, 0);
    busy_->setMaximumWidth(120);
    busy_->setTextVisible(false);
    close_ = new QPushButton(Text(orvane::kCatalogSetUi, kCaptionClose), this);
    // Not the default button: Return belongs to the value boxes (see keyPressEvent).
    close_->setAutoDefault(false);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    bottom->addWidget(status_, 1);
    bottom->addWidget(busy_);
    bottom->addWidget(close_);
    layout->addLayout(bottom);

    setMinimumWidth(460);
}

// An operator types value after value, ending each with Return: the value box has sent its
// value by the time the key gets here, and the dialog stays open. Return on the focused
// Close button still closes.
void CAdvanceDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        if (focusWidget() == close_)
            close_->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CAdvanceDlg::StartReading() {
    std::vector<std::uint16_t> types;
    for (const ChoiceControls& c : choices_)
        types.push_back(c.item.type);
    for (const RangeControls& r : ranges_)
        types.push_back(r.item.type);
    for (const Known& k : known_)
        SetEnabled(k.type, false, QString());
    reading_ = true;
    busy_->show();
    setCursor(Qt::BusyCursor);
    SetStatus(Text(orvane::kCatalogSetUi, kStatusReading));
    const SlotConnection connection = connection_;
    reader_ = std::thread([this, connection, types] {
        std::vector<ItemValue> values;
        const bool reached = ReadValues(connection, types, values);
        QMetaObject::invokeMethod(
            this, [this, values, reached] { ApplyValues(values, reached); }, Qt::QueuedConnection);
    });
}

void CAdvanceDlg::ApplyValues(const std::vector<ItemValue>& values, bool reached) {
    if (reader_.joinable())
        reader_.join();
    reading_ = false;
    busy_->hide();
    unsetCursor();
    if (!reached) {
        SetStatus(Text(orvane::kCatalogSetUi, kStatusUnreachable));
        const std::string message =
            orvane::FormatSlotError(orvane::CatalogText(orvane::kCatalogSetErrors, kMsgUnreachable), connection_.method,
                                    connection_.ip, connection_.comNo);
        orvane::OrvaneMessageBox(this, QString::fromStdString(message), orvane::MB_ICONSTOP);
        emit valuesRead();
        return;
    }
    for (const ItemValue& v : values) {
        Known& k = KnownOf(v.type);
        switch (v.state) {
        case ValueState::Ok:
            k.valid = true;
            k.value = v.value;
            ShowValue(v.type, v.value);
            SetEnabled(v.type, true, QString());
            break;
        case ValueState::Refused:
            SetEnabled(v.type, false, Text(orvane::kCatalogSetUi, kTipRefused));
            break;
        case ValueState::NoAnswer:
            SetEnabled(v.type, false, Text(orvane::kCatalogSetUi, kTipNoAnswer));
            break;
        }
    }
    // The my-buttons are only ever pressed, never read: they work once the projector does.
    SetEnabled(kTypeMyButton, true, QString());
    SetStatus(Text(orvane::kCatalogSetUi, kStatusRead));
    emit valuesRead();
}

void CAdvanceDlg::Submit(std::uint16_t type, int value) {
    if (reading_ || sender_ == nullptr)
        return;
    Known& k = KnownOf(type);
    k.lastSubmitted = value;
    k.submitted = true;
    sender_->Submit(type, value);
}

void CAdvanceDlg::OnSetOutcome(const SetOutcome& outcome) {
    Known& k = KnownOf(outcome.type);
    // An outcome of a value the operator has since moved past says nothing about the
    // control; only the latest one may move it back.
    const bool latest = k.submitted && k.lastSubmitted == outcome.value;
    const QString caption = Caption(outcome.type);
    switch (outcome.state) {
    case ValueState::Ok:
        if (outcome.type != kTypeMyButton) {
            k.valid = true;
            k.value = outcome.value;
            SetStatus(Text(orvane::kCatalogSetUi, kStatusSet, caption.toStdString(),
                           ValueText(outcome.type, outcome.value).toStdString()));
        } else {
            SetStatus(
                Text(orvane::kCatalogSetUi, kStatusPressed, ValueText(outcome.type, outcome.value).toStdString()));
        }
        break;
    case ValueState::Refused:
        if (outcome.actualKnown) {
            k.valid = true;
            k.value = outcome.actual;
            SetStatus(Text(orvane::kCatalogSetErrors, kMsgRefusedKeeps, caption.toStdString(),
                           ValueText(outcome.type, outcome.value).toStdString(),
                           ValueText(outcome.type, outcome.actual).toStdString()));
        } else {
            SetStatus(Text(orvane::kCatalogSetErrors, kMsgRefused, caption.toStdString(),
                           ValueText(outcome.type, outcome.value).toStdString()));
        }
        if (latest && k.valid && outcome.type != kTypeMyButton) {
            ShowValue(outcome.type, k.value);
            k.lastSubmitted = k.value;
        }
        break;
    case ValueState::NoAnswer:
        SetStatus(Text(orvane::kCatalogSetErrors, kMsgNoAnswer, caption.toStdString()));
        break;
    }
    emit setFinished(outcome.type);
}

void CAdvanceDlg::ShowValue(std::uint16_t type, int value) {
    for (RangeControls& r : ranges_) {
        if (r.item.type == type) {
            const QSignalBlocker a(r.slider);
            const QSignalBlocker b(r.spin);
            r.slider->setValue(value);
            r.spin->setValue(value);
        }
    }
    for (ChoiceControls& c : choices_) {
        if (c.item.type == type) {
            const QSignalBlocker block(c.combo);
            c.combo->setCurrentIndex(c.item.IndexOfCode(value));
        }
    }
}

void CAdvanceDlg::SetEnabled(std::uint16_t type, bool enabled, const QString& why) {
    auto apply = [&](QWidget* w) {
        w->setEnabled(enabled);
        if (!why.isEmpty())
            w->setToolTip(why);
    };
    for (RangeControls& r : ranges_) {
        if (r.item.type == type) {
            apply(r.label);
            apply(r.slider);
            apply(r.spin);
        }
    }
    for (ChoiceControls& c : choices_) {
        if (c.item.type == type) {
            apply(c.label);
            apply(c.combo);
        }
    }
    if (type == kTypeMyButton) {
        for (QPushButton* b : myButtons_)
            apply(b);
    }
}

QString CAdvanceDlg::Caption(std::uint16_t type) const {
    if (type >= kTypeFirstRange && type < kTypeFirstRange + 39)
        return Text(orvane::kCatalogSetUi, kCaptionFirstItem + (type - kTypeFirstRange));
    if (type >= kTypeAspect && type <= kTypeColorTemp)
        return Text(orvane::kCatalogSetUi, kCaptionFirstChoice + (type - kTypeAspect));
    return Text(orvane::kCatalogSetUi, kCaptionMyButtons);
}

QString CAdvanceDlg::ValueText(std::uint16_t type, int value) const {
    const ChoiceItem* list = nullptr;
    for (const ChoiceControls& c : choices_) {
        if (c.item.type == type)
            list = &c.item;
    }
    if (type == kTypeMyButton)
        list = &items_.myButtons;
    if (list != nullptr) {
        const int index = list->IndexOfCode(value);
        if (index >= 0)
            return QString::fromStdString(list->entries[static_cast<std::size_t>(index)].label);
    }
    return QString::number(value);
}

CAdvanceDlg::Known& CAdvanceDlg::KnownOf(std::uint16_t type) {
    for (Known& k : known_) {
        if (k.type == type)
            return k;
    }
    known_.push_back({type});
    return known_.back();
}

void CAdvanceDlg::SetStatus(const QString& text) {
    status_->setText(text);
}

QString CAdvanceDlg::StatusText() const {
    return status_ != nullptr ? status_->text() : QString();
}

QSlider* CAdvanceDlg::Slider(std::uint16_t type) const {
    for (const RangeControls& r : ranges_) {
        if (r.item.type == type)
            return r.slider;
    }
    return nullptr;
}

QSpinBox* CAdvanceDlg::SpinBox(std::uint16_t type) const {
    for (const RangeControls& r : ranges_) {
        if (r.item.type == type)
            return r.spin;
    }
    return nullptr;
}

QComboBox* CAdvanceDlg::Combo(std::uint16_t type) const {
    for (const ChoiceControls& c : choices_) {
        if (c.item.type == type)
            return c.combo;
    }
    return nullptr;
}
