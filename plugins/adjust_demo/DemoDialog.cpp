#include "DemoDialog.h"

#include "linkcore/PjtInterface.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

constexpr std::uint16_t kTypeBrightness = 0x4000;
constexpr std::uint16_t kTypeContrast = 0x4001;
constexpr unsigned char kAck = 0x06;
constexpr unsigned char kData = 0x1D;

QSlider* MakeSlider(QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(0, 100);
    slider->setEnabled(false);
    slider->setMinimumWidth(220);
    return slider;
}

} // namespace

DemoDialog::DemoDialog(int method, int comNo, int tcpPort, const char* ip, const char* password) {
    connection_.method = method;
    connection_.comNo = comNo;
    connection_.port = tcpPort;
    std::snprintf(connection_.ip, sizeof connection_.ip, "%.63s", ip != nullptr ? ip : "");
    std::snprintf(connection_.password, sizeof connection_.password, "%.63s", password != nullptr ? password : "");

    const QString where = method == 1 ? QString::fromUtf8(connection_.ip) : QStringLiteral("COM%1").arg(comNo + 1);
    setWindowTitle(QStringLiteral("PX-Demo picture (%1)").arg(where));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    brightness_ = MakeSlider(this);
    brightness_->setObjectName(QStringLiteral("brightness"));
    contrast_ = MakeSlider(this);
    contrast_->setObjectName(QStringLiteral("contrast"));
    // Each slider with its value beside it.
    for (auto [caption, slider] : {std::pair{"Brightness", brightness_}, {"Contrast", contrast_}}) {
        auto* row = new QHBoxLayout();
        auto* value = new QLabel(this);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("000")));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        connect(slider, &QSlider::valueChanged, value, [value](int v) { value->setNum(v); });
        row->addWidget(slider, 1);
        row->addWidget(value);
        form->addRow(QString::fromLatin1(caption), row);
    }
    layout->addLayout(form);
    status_ = new QLabel(QStringLiteral("Reading the projector..."), this);
    layout->addWidget(status_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(brightness_, &QSlider::sliderReleased, this, [this] { Send(kTypeBrightness, brightness_->value()); });
    connect(contrast_, &QSlider::sliderReleased, this, [this] { Send(kTypeContrast, contrast_->value()); });
    Read();
}

DemoDialog::~DemoDialog() {
    if (worker_.joinable())
        worker_.join();
}

void DemoDialog::Run(std::function<void()> job) {
    if (worker_.joinable())
        worker_.join();
    worker_ = std::thread(std::move(job));
}

void DemoDialog::Read() {
    Connection c = connection_;
    Run([this, c]() mutable {
        CPjtInterface link;
        link.CopyData(c.method, c.comNo, c.port, c.ip, c.password);
        int values[2] = {-1, -1};
        if (link.Open(&link) != 0) {
            const std::uint16_t types[2] = {kTypeBrightness, kTypeContrast};
            for (int i = 0; i < 2; ++i) {
                unsigned char reply[128] = {};
                if (link.Send(2, types[i], 0, reply, &link) != 0 && reply[0] == kData)
                    values[i] = static_cast<std::int16_t>(reply[1] | (reply[2] << 8));
            }
            link.Close(&link);
        }
        QMetaObject::invokeMethod(
            this,
            [this, values] {
                QSlider* sliders[2] = {brightness_, contrast_};
                for (int i = 0; i < 2; ++i) {
                    if (values[i] >= 0) {
                        sliders[i]->setValue(values[i]);
                        sliders[i]->setEnabled(true);
                    }
                }
                status_->setText(values[0] >= 0 || values[1] >= 0 ? QStringLiteral("Ready")
                                                                  : QStringLiteral("The projector did not answer"));
            },
            Qt::QueuedConnection);
    });
}

void DemoDialog::Send(std::uint16_t type, int value) {
    Connection c = connection_;
    status_->setText(QStringLiteral("Sending..."));
    Run([this, c, type, value]() mutable {
        CPjtInterface link;
        link.CopyData(c.method, c.comNo, c.port, c.ip, c.password);
        bool accepted = false;
        if (link.Open(&link) != 0) {
            unsigned char reply[128] = {};
            accepted = link.Send(1, type, static_cast<unsigned short>(value), reply, &link) != 0 && reply[0] == kAck;
            link.Close(&link);
        }
        QMetaObject::invokeMethod(
            this,
            [this, accepted, type, value] {
                const QString name =
                    type == kTypeBrightness ? QStringLiteral("Brightness") : QStringLiteral("Contrast");
                status_->setText(accepted ? QStringLiteral("%1 set to %2").arg(name).arg(value)
                                          : QStringLiteral("The projector refused %1 %2").arg(name).arg(value));
            },
            Qt::QueuedConnection);
    });
}
