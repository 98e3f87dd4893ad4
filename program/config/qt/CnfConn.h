#pragma once

#include "config/CheckedRowGuard.h"
#include "config/FoundList.h"
#include "config/ProjectorSlotList.h"
#include "widgets/DialogTemplate.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace orvane {

class CModelInfo2;
struct ConfigControls;
class IpAddressEdit;

// The connection page of the configuration dialog: the projectors of the set and how each
// is reached. Insert, Update and Delete change the working record at once; one row is
// checked, the projector whose state the toolbar reports.
class CCnfConn : public OrvaneDialog {
    Q_OBJECT
public:
    // Control ids of the page.
    static constexpr int kPortComboId = 1000;
    static constexpr int kIpCtrlId = 1002;
    static constexpr int kPasswordId = 1004;
    static constexpr int kComComboId = 1007;
    static constexpr int kRs232cId = 1028;
    static constexpr int kNetworkId = 1029;
    static constexpr int kListId = 1123;
    static constexpr int kInsertId = 1124;
    static constexpr int kUpdateId = 1125;
    static constexpr int kDeleteId = 1126;
    static constexpr int kSelectId = 1127;

    explicit CCnfConn(QWidget* parent = nullptr);

    bool OnInitDialog() override;

    // Operations of the configuration dialog.
    void Bind(CModelInfo2* model);
    void TakeFoundList(const FoundAddrArray& addr, const FoundNameArray& name, const FoundInfoArray& info, int count);
    void Refresh();
    // 0 when OK may go on; -1 when not (a message has been shown and the control focused,
    // except for an empty list, which refuses silently).
    int Validate();
    // The ticked rows, for the configuration writer.
    void FillControls(ConfigControls& controls) const;
    // The port list and Select... by the model's discovery flag; the port box text stays.
    void SetDiscoveryChoices(bool discovery);
    void SetPortText(const QString& text);

    // Handlers.
    void OnRs232c();
    void OnNetwork();
    void OnInsert();
    void OnUpdate();
    void OnDelete();
    void OnSelect();
    void OnClickList();

    // Editor <-> controls.
    void ShowFields();
    void FillList();
    void Capture();

    FoundAddrArray FoundAddr = {};
    FoundNameArray FoundName = {};
    FoundInfoArray FoundInfo = {};
    int FoundCount = 0;
    SlotValues Edit;              // the row being edited
    CModelInfo2* Model = nullptr; // working record
    int SelectPrjCopy = 0;        // the record's SelectPrj when bound
    CheckedRowGuard Check;        // CheckedRow and QuietUncheck

    QTreeWidget* List = nullptr;
    IpAddressEdit* IPCtrl = nullptr;
    QComboBox* PortCombo = nullptr;
    QComboBox* ComCombo = nullptr;
    QLineEdit* PasswordEdit = nullptr;
    QRadioButton* Rs232cRadio = nullptr;
    QRadioButton* NetworkRadio = nullptr;
    QPushButton* SelectButton = nullptr;
    QPushButton* InsertButton = nullptr;
    QPushButton* UpdateButton = nullptr;
    QPushButton* DeleteButton = nullptr;

    // The list's hooks around a check change of a row (the guard and its follow-up).
    bool AllowCheckChange(int row, bool wasChecked, bool willBeChecked);
    void AfterCheckChange(int row, bool wasChecked, bool nowChecked);

    bool IsRowChecked(int row) const;
    void SetRowChecked(int row, bool checked);
    // The row the operator last clicked or selected, -1 for none.
    int SelectionMark() const;

private:
    void QuietlyUncheck(int row);
    void FocusCollision();
};

} // namespace orvane
