#include "config/CheckedRowGuard.h"

namespace orvane {

bool CheckedRowGuard::AllowChange(int row, bool wasChecked, bool willBeChecked) {
    if (!wasChecked || willBeChecked)
        return true;
    if (QuietUncheck != 0) {
        QuietUncheck = 0;
        return true;
    }
    return row != CheckedRow;
}

int CheckedRowGuard::AfterChange(int row, bool wasChecked, bool nowChecked) {
    if (wasChecked || !nowChecked)
        return -1;
    const int previous = CheckedRow;
    CheckedRow = row;
    return previous == row ? -1 : previous;
}

} // namespace orvane
