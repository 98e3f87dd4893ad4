#pragma once

#include "widgets/DialogTemplate.h"

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace orvane {

class CModelInfo2;

// The sibling tool whose presence enables user administration, in the working directory.
inline constexpr const char* kUserEditTool = "./OrvaneUsrEdit";

// The options page: skip login, skip the configuration dialog, the status interval, and
// the user administration and channel-label editor buttons.
class CCtrlOptionDlg : public OrvaneDialog {
    Q_OBJECT
public:
    static constexpr int kSkipLoginId = 1144;
    static constexpr int kSkipConfigId = 1145;
    static constexpr int kUserEditId = 1146;
    static constexpr int kEditLabelId = 1147;
    static constexpr int kIntervalId = 1171;

    explicit CCtrlOptionDlg(QWidget* parent = nullptr);

    bool OnInitDialog() override;

    // When the options tab is selected: "user edit" is enabled only while the tool exists.
    void EnableUserEdit();
    // The text of the interval box, as the dialog's OK reads it.
    QString IntervalText() const;

    // Handlers.
    void OnSkipConfig();
    void OnSkipLogin();
    void OnUserEdit();
    void OnEditChLabel();

    // Runs the user administration dialog. The application sets it; without one the
    // button only checks that the tool is there.
    using UserAdminAction = std::function<void()>;
    static void SetUserAdminAction(UserAdminAction action);

    QPushButton* UserEditButton = nullptr;
    QCheckBox* SkipLoginBox = nullptr;
    QCheckBox* SkipConfigBox = nullptr;
    int SkipConfig = 0;
    int SkipLogin = 0;
    CModelInfo2* Model = nullptr; // handed over when the tab is selected
    QLineEdit* IntervalEdit = nullptr;
    int UpdateInterval = 30; // shown when the page opens

private:
    static UserAdminAction& Action();
};

} // namespace orvane
