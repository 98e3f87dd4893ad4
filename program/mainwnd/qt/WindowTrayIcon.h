#pragma once

#include "mainwnd/TrayLogic.h"

#include <QObject>
#include <QString>

class QIcon;
class QSystemTrayIcon;
class QWidget;

namespace orvane {

class CModelInfo2;
class IOperatorSide;

// The main window's icon in the tray: the icon with the window title as its tip, the
// double click that brings a hidden window back and the right click's menu (Hide or Show,
// Config, Exit, Cancel). What to do about a click is TrayLogic's decision; the command
// chosen from the menu goes back to the window. Window's thread only.
class WindowTrayIcon : public QObject {
    Q_OBJECT
public:
    // The tip names `model`; `flags` is the window's state, which the clicks read and set.
    WindowTrayIcon(QWidget* window, const CModelInfo2& model, WindowFlags& flags, IOperatorSide& operatorSide);
    ~WindowTrayIcon() override;

    void SetOperatorSide(IOperatorSide& operatorSide) { operator_ = &operatorSide; }

    // AddTrayIcon: a new icon whose tip carries the model name in force now. An icon there
    // already goes first: the icon is never changed in place.
    void Add(const QIcon& icon);
    // RemoveTrayIcon.
    void Remove();
    QSystemTrayIcon* Icon() const { return icon_; }
    // Empty without an icon.
    QString Tip() const;

    // The tray's mouse message; callable without an icon.
    void OnNotify(TrayMouse event);

signals:
    // An entry of the tray menu was chosen.
    void commandChosen(int commandId);

private:
    QWidget* window_;
    const CModelInfo2& model_;
    WindowFlags& flags_;
    IOperatorSide* operator_;
    QSystemTrayIcon* icon_ = nullptr;
};

} // namespace orvane
