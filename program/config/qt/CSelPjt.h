#pragma once

#include "config/FoundList.h"
#include "widgets/DialogTemplate.h"

#include <cstdint>

class QPushButton;
class QTreeWidget;

namespace orvane {

// Picks one projector of the found list; the connection page's Select... fills its IP
// address control with the chosen address.
class CCSelPjt : public OrvaneDialog {
    Q_OBJECT
public:
    static constexpr int kListId = 1001;

    explicit CCSelPjt(QWidget* parent = nullptr);

    // Copies `count` entries of the found list before DoModal.
    void SetList(const FoundAddrArray& addr, const FoundNameArray& name, const FoundInfoArray& info, int count);

    bool OnInitDialog() override;
    // Takes the selected row's address into ChosenAddr and closes with IDOK. Without a
    // selected row there is no address to return: OK stays disabled and does nothing.
    void OnOK() override;

    uint32_t ChosenAddr = 0; // first octet in the high byte
    FoundNameArray FoundName = {};
    FoundInfoArray FoundInfo = {};
    FoundAddrArray FoundAddr = {};
    int FoundCount = 0;

    QTreeWidget* List = nullptr;
    QPushButton* OkButton = nullptr;

private:
    int SelectedRow() const;
};

} // namespace orvane
