#pragma once

// The operator's side of the main window in its tests: each dialog and menu is answered by
// the function the test gives, and run for real when it gives none.

#include "mainwnd/qt/OperatorSide.h"

#include <functional>
#include <optional>

namespace orvane::test {

class ScriptedOperator : public DesktopOperatorSide {
public:
    template <typename Dialog> using Answer = std::function<int(Dialog& dialog)>;

    Answer<CConfDlg> config;
    Answer<CAboutDlg> about;
    Answer<picpush::CImageSendDlg> imageSend;
    Answer<CAdvPjt> projectorChoice;
    Answer<CAdvanceDlg> advance;
    std::function<int(QMenu& menu, const QPoint& at)> menu;
    // Unset: as the platform says.
    std::optional<bool> trayAvailable;

    int RunConfig(CConfDlg& dialog) override {
        return config ? config(dialog) : DesktopOperatorSide::RunConfig(dialog);
    }
    int RunAbout(CAboutDlg& dialog) override { return about ? about(dialog) : DesktopOperatorSide::RunAbout(dialog); }
    int RunImageSend(picpush::CImageSendDlg& dialog) override {
        return imageSend ? imageSend(dialog) : DesktopOperatorSide::RunImageSend(dialog);
    }
    int RunProjectorChoice(CAdvPjt& dialog) override {
        return projectorChoice ? projectorChoice(dialog) : DesktopOperatorSide::RunProjectorChoice(dialog);
    }
    int RunAdvance(CAdvanceDlg& dialog) override {
        return advance ? advance(dialog) : DesktopOperatorSide::RunAdvance(dialog);
    }
    int RunMenu(QMenu& m, const QPoint& at) override {
        return menu ? menu(m, at) : DesktopOperatorSide::RunMenu(m, at);
    }
    bool TrayAvailable() override { return trayAvailable ? *trayAvailable : DesktopOperatorSide::TrayAvailable(); }
};

} // namespace orvane::test
