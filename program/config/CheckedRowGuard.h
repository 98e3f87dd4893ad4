#pragma once

namespace orvane {

// Makes the check boxes of the projector list behave as radio buttons: exactly the row
// CheckedRow is checked, the operator moves the check by checking another row and cannot
// clear it. The page's own unchecks pass because it raises QuietUncheck first.
class CheckedRowGuard {
public:
    int CheckedRow = -1;  // -1: none
    int QuietUncheck = 0; // 1: the next uncheck is the page's own

    // Before a row's check state changes; false refuses the change.
    bool AllowChange(int row, bool wasChecked, bool willBeChecked);

    // After the change. Returns the row the page must now uncheck quietly, or -1.
    int AfterChange(int row, bool wasChecked, bool nowChecked);

    // Raise QuietUncheck only for an uncheck that will really happen: a flag left standing
    // would let the operator clear the checked row with the next click.
    void PrepareQuietUncheck(bool rowIsChecked) {
        if (rowIsChecked)
            QuietUncheck = 1;
    }
};

} // namespace orvane
