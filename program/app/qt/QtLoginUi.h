#pragma once

#include "accounts/qt/LoginDialog.h"
#include "accounts/qt/UserCfgDialog.h"
#include "app/LoginUi.h"
#include "widgets/OrvaneMessageBox.h"

namespace orvane {

// The login gate's dialogs and messages on screen. A header only: orvane_app_qt, which
// offers it, brings the account component along for the program that creates one.
class QtLoginUi : public ILoginUi {
public:
    int RunLogin(int mode) override {
        CLoginDialog dialog(nullptr);
        dialog.m_nMode = mode;
        return dialog.DoModal();
    }

    void RunUserConfig() override {
        CUserCfgDialog dialog(nullptr);
        dialog.DoModal();
    }

    void ShowMessage(int set, int number, unsigned style) override {
        CatalogMessageBox(nullptr, set, number, static_cast<int>(style));
    }
};

} // namespace orvane
