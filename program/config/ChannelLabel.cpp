#include "config/ChannelLabel.h"

namespace orvane {

namespace {
bool IsContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}
} // namespace

int LabelLengthForIconSize(int32_t iconSize) {
    if (iconSize == 1)
        return 6;
    if (iconSize == 2)
        return 8;
    return 4;
}

std::string CutLabel(std::string_view label, int maxChars) {
    const std::size_t maxBytes = CModelInfo2::kViewLabelBytes - 1;
    std::size_t end = 0;
    int chars = 0;
    while (end < label.size() && chars < maxChars) {
        std::size_t next = end + 1;
        while (next < label.size() && IsContinuationByte(static_cast<unsigned char>(label[next])))
            ++next;
        if (next > maxBytes)
            break;
        end = next;
        ++chars;
    }
    return std::string(label.substr(0, end));
}

int LabelRowCount(const CModelInfo2& model) {
    return ClampCount(model.InputNum, kLabelEditorRows);
}

} // namespace orvane
