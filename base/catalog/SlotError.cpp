#include "catalog/SlotError.h"

#include "catalog/MessageFormat.h"

namespace orvane {

std::string FormatSlotError(std::string_view text, int connectMethod, std::string_view ipAddress, int comNo) {
    std::string message(text);
    if (connectMethod == 1) {
        message += '(';
        message += ipAddress;
        message += ')';
    } else {
        message += "(com";
        message += std::to_string(static_cast<long long>(comNo) + 1);
        message += ')';
    }
    if (message.size() > kSlotErrorMaxLength)
        message.resize(CutUtf8(message, kSlotErrorMaxLength).size());
    return message;
}

} // namespace orvane
