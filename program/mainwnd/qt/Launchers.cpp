// The main window's launchers of the dialogs that belong to components.

#include "mainwnd/qt/OrvaneDlg.h"

#include "adjust/qt/AdvanceDlg.h"
#include "config/qt/AdvPjt.h"
#include "widgets/OrvaneMessageBox.h"

#include <memory>

namespace orvane {

void COrvaneDlg::OnAdvance() {
    if (runner_.Busy())
        return;
    CAdvPjt select(this);
    volume_.Hide();
    if (workingModel_.PjtNum == 0)
        return;
    poller_.ControlPoller(kPollerSuspend);
    select.Model = &workingModel_;
    if (operator_->RunProjectorChoice(select) == IDOK) {
        const int slot = select.SelectedSlot;
        flags_.ModalOpen = 1;
        const int plugin = plugins_.FindPlugin(workingModel_.Name);
        if (plugin >= 0 && slot >= 0 && slot < CModelInfo2::kSlots) {
            // A model a plug-in brought: the plug-in's own dialog, for the chosen projector.
            plugins_.Entry(plugin).buildDialog(workingModel_.ConnectMethod[slot], workingModel_.ComNo[slot],
                                               workingModel_.PortNo[slot], workingModel_.IPAddress[slot],
                                               workingModel_.Password[slot]);
        } else {
            auto dialog = std::make_unique<CAdvanceDlg>(nullptr);
            dialog->CopyData(&workingModel_, slot);
            operator_->RunAdvance(*dialog);
        }
        flags_.ModalOpen = 0;
    }
    poller_.ControlPoller(kPollerResume);
}

} // namespace orvane
