#pragma once

#include "widgets/DialogTemplate.h"

class QComboBox;

namespace orvane {

class CModelInfo2;

// Picks one projector slot of the working record, for the advanced adjustment.
class CAdvPjt : public OrvaneDialog {
    Q_OBJECT
public:
    static constexpr int kSlotComboId = 1133;

    explicit CAdvPjt(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;

    int SelectedSlot = 0;         // the chosen slot index after IDOK
    CModelInfo2* Model = nullptr; // set by the caller before DoModal
    QComboBox* SlotCombo = nullptr;
};

} // namespace orvane
