// The main window's launchers of the dialogs that belong to components.

#include "mainwnd/qt/OrvaneDlg.h"

#include "adjust/qt/AdvanceDlg.h"
#include "config/qt/AdvPjt.h"
#include "widgets/OrvaneMessageBox.h"

#include <memory>

namespace orvane {

void COrvaneDlg::OnAdvance() {
    if (busy_)
        return;
    CAdvPjt select(this);
    HideVolumePopup();
    if (WorkingModel.PjtNum == 0)
        return;
    ControlPoller(kPollerSuspend);
    select.Model = &WorkingModel;
    const int answer = advPjtRunner_ ? advPjtRunner_(select) : select.DoModal();
    if (answer == IDOK) {
        const int slot = select.SelectedSlot;
        Flags.ModalOpen = 1;
        const int plugin = Plugins.FindPlugin(WorkingModel.Name);
        if (plugin >= 0 && slot >= 0 && slot < CModelInfo2::kSlots) {
            // A model a plug-in brought: the plug-in's own dialog, for the chosen projector.
            Plugins.Entry(plugin).buildDialog(WorkingModel.ConnectMethod[slot], WorkingModel.ComNo[slot],
                                              WorkingModel.PortNo[slot], WorkingModel.IPAddress[slot],
                                              WorkingModel.Password[slot]);
        } else {
            auto dialog = std::make_unique<CAdvanceDlg>(nullptr);
            dialog->CopyData(&WorkingModel, slot);
            if (advanceRunner_)
                advanceRunner_(*dialog);
            else
                dialog->DoModal();
        }
        Flags.ModalOpen = 0;
    }
    ControlPoller(kPollerResume);
}

} // namespace orvane
