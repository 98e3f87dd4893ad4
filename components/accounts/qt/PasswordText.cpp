#include "accounts/qt/PasswordText.h"

#include "accounts/PasswordHash.h"

#include <QByteArray>

namespace accounts {

PasswordText::PasswordText(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    bytes_.assign(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    WipeMemory(utf8.data(), static_cast<std::size_t>(utf8.size()));
}

PasswordText::~PasswordText() {
    WipeMemory(bytes_.data(), bytes_.size());
}

} // namespace accounts
