#pragma once

#include <QWidget>

#include <array>
#include <cstdint>

class QLineEdit;

namespace orvane {

// An IPv4 address entry of four fields of 0..255, any of which may be left blank. The
// connection page needs to tell "fewer than four fields filled" from a complete address,
// which one plain line edit cannot show.
class IpAddressEdit : public QWidget {
    Q_OBJECT
public:
    explicit IpAddressEdit(QWidget* parent = nullptr);

    // Number of fields that are not blank, 0..4.
    int FilledFieldCount() const;
    // The four fields; a blank field reads as 0. Returns FilledFieldCount().
    int GetAddress(uint8_t (&bytes)[4]) const;
    // "%d.%d.%d.%d" of GetAddress.
    QString AddressText() const;

    void SetAddress(const uint8_t (&bytes)[4]);
    // Shows a dotted address; anything that is not one leaves every field blank.
    void SetAddressText(const QString& dotted);
    void ClearAddress();

    QLineEdit* Field(int i) const { return fields_[static_cast<std::size_t>(i)]; }

private:
    std::array<QLineEdit*, 4> fields_{};
};

} // namespace orvane
