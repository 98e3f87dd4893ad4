#include "mainwnd/TrayLogic.h"

#include "catalog/MessageCatalog.h"
#include "catalog/MessageFormat.h"

namespace orvane {

std::vector<TrayMenuItem> TrayMenuItems(int menuId) {
    if (menuId == kMenuWindowShown) {
        return {{kCmdTrayHideShow, "54;&Hide"},
                {kCmdTrayConfig, "61;C&onfig"},
                {kCmdTrayExit, "55;&Exit"},
                {kCmdTrayCancel, "56;&Cancel"}};
    }
    if (menuId == kMenuWindowHidden) {
        return {{kCmdTrayHideShow, "57;&Show"},
                {kCmdTrayConfig, "61;C&onfig"},
                {kCmdTrayExit, "55;&Exit"},
                {kCmdTrayCancel, "56;&Cancel"}};
    }
    return {};
}

TrayResponse OnTrayMouse(TrayMouse event, WindowFlags& flags, int toolbarButtonCount) {
    TrayResponse response;
    switch (event) {
    case TrayMouse::LeftDoubleClick:
        if (flags.Shown == 0 && toolbarButtonCount != 0) {
            response.showWindow = true;
            flags.Shown = 1;
        }
        break;
    case TrayMouse::RightButtonDown:
        response.foreground = true;
        if (flags.ModalOpen == 0)
            response.menuId = flags.Shown == 0 ? kMenuWindowHidden : kMenuWindowShown;
        break;
    case TrayMouse::Other:
        break;
    }
    return response;
}

VisibilityChange OnHideShow(WindowFlags& flags, int toolbarButtonCount) {
    if (flags.Shown == 1) {
        flags.Shown = 0;
        return VisibilityChange::Hide;
    }
    if (toolbarButtonCount != 0) {
        flags.Shown = 1;
        return VisibilityChange::Show;
    }
    return VisibilityChange::None;
}

SysCommandAction ClassifySysCommand(unsigned commandId) {
    if ((commandId & 0xFFF0u) == static_cast<unsigned>(kCmdSysAbout))
        return SysCommandAction::About;
    if (commandId == kSysCommandMinimize)
        return SysCommandAction::HideInsteadOfMinimize;
    return SysCommandAction::Default;
}

std::string WindowTitleText(std::string_view modelName) {
    return CatalogText(kCatalogSetUi, 42, std::string(modelName));
}

std::string TrayTipText(std::string_view modelName) {
    return std::string(CutUtf8(WindowTitleText(modelName), kTrayTipMaxBytes));
}

} // namespace orvane
