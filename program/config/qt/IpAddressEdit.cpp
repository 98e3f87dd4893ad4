#include "config/qt/IpAddressEdit.h"

#include "config/ConnectionCheck.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>

namespace orvane {

IpAddressEdit::IpAddressEdit(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (i > 0)
            row->addWidget(new QLabel(QStringLiteral("."), this));
        auto* field = new QLineEdit(this);
        field->setMaxLength(3);
        field->setAlignment(Qt::AlignCenter);
        field->setValidator(new QIntValidator(0, 255, field));
        row->addWidget(field);
        fields_[i] = field;
    }
    // Typing the third digit moves on to the next field, as operators expect.
    for (std::size_t i = 0; i + 1 < fields_.size(); ++i) {
        QLineEdit* next = fields_[i + 1];
        connect(fields_[i], &QLineEdit::textEdited, this, [next](const QString& text) {
            if (text.size() == 3)
                next->setFocus();
        });
    }
    setFocusProxy(fields_[0]);
}

int IpAddressEdit::FilledFieldCount() const {
    int n = 0;
    for (QLineEdit* f : fields_) {
        if (!f->text().trimmed().isEmpty())
            ++n;
    }
    return n;
}

int IpAddressEdit::GetAddress(uint8_t (&bytes)[4]) const {
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const int v = fields_[i]->text().trimmed().toInt();
        bytes[i] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
    return FilledFieldCount();
}

QString IpAddressEdit::AddressText() const {
    uint8_t bytes[4];
    GetAddress(bytes);
    return QString::fromStdString(FormatDottedIPv4(bytes));
}

void IpAddressEdit::SetAddress(const uint8_t (&bytes)[4]) {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        fields_[i]->setText(QString::number(bytes[i]));
}

void IpAddressEdit::SetAddressText(const QString& dotted) {
    uint8_t bytes[4];
    if (ParseDottedIPv4(dotted.toStdString(), bytes)) {
        SetAddress(bytes);
    } else {
        ClearAddress();
    }
}

void IpAddressEdit::ClearAddress() {
    for (QLineEdit* f : fields_)
        f->clear();
}

} // namespace orvane
