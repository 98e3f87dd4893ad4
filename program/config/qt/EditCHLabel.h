#pragma once

#include "config/ChannelLabel.h"
#include "widgets/DialogTemplate.h"

#include <array>

class QLabel;
class QLineEdit;

namespace orvane {

class CModelInfo2;

// Edits the short toolbar labels of the first ten inputs. OK writes them into the
// working record at once; they reach the files with the configuration dialog's OK.
class CEditCHLabel : public OrvaneDialog {
    Q_OBJECT
public:
    // Rows from the top: the static with the input's name and the edit box of its label.
    static constexpr std::array<int, kLabelEditorRows> kStaticIds = {1156, 1157, 1158, 1159, 1160,
                                                                     1161, 1162, 1164, 1166, 1168};
    static constexpr std::array<int, kLabelEditorRows> kEditIds = {1149, 1150, 1151, 1152, 1153,
                                                                   1154, 1155, 1163, 1165, 1167};

    explicit CEditCHLabel(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void OnOK() override;

    CModelInfo2* Model = nullptr; // set before DoModal

    QLineEdit* LabelEdit(int row) const { return edits_[static_cast<std::size_t>(row)]; }
    QLabel* NameStatic(int row) const { return statics_[static_cast<std::size_t>(row)]; }

private:
    int labelLength_ = 4;
    std::array<QLabel*, kLabelEditorRows> statics_{};
    std::array<QLineEdit*, kLabelEditorRows> edits_{};
};

} // namespace orvane
