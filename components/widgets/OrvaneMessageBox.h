#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace orvane {

class CModelInfo2;
struct FileReadResult;

// Message box styles: the low four bits choose the buttons, the next four the icon.
inline constexpr int MB_OK = 0x00;
inline constexpr int MB_OKCANCEL = 0x01;
inline constexpr int MB_YESNOCANCEL = 0x03;
inline constexpr int MB_YESNO = 0x04;
inline constexpr int MB_ICONSTOP = 0x10; // also "hand" and "error"
inline constexpr int MB_ICONQUESTION = 0x20;
inline constexpr int MB_ICONWARNING = 0x30;
inline constexpr int MB_ICONINFORMATION = 0x40;

// What a message box returns: the button that closed it.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// One message box as the program asks for it.
struct MessageBoxRequest {
    QWidget* owner = nullptr;
    QString caption; // the application title
    QString text;
    int style = 0;
};

// Answers a message box instead of a person: returns the button id. Tests install one
// to record and answer boxes; the default (none installed) shows a QMessageBox.
using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Installs `handler` (an empty one restores the real boxes); returns the one before.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The caption of every box: the application name (AppName), "No Message Catalog" when
// there is no catalog to take it from.
QString ApplicationTitle();

// Every message box of the program goes through here: modal to `owner`, captioned with
// the application title, with the icon and buttons `style` asks for. Returns IDOK,
// IDCANCEL, IDYES or IDNO.
int OrvaneMessageBox(QWidget* owner, const QString& text, int style);

// A box with catalog text (set, number); `args` fill its inserts.
int CatalogMessageBox(QWidget* owner, int set, int number, int style, const std::vector<std::string>& args = {});

// (2201, 3300): a file cannot be read and is left as it is; %1 names it, %2 the reason.
inline constexpr int kFileReadFailedMessage = 3300;

// The error box for a file the program cannot read, naming it by its full path.
int ShowFileReadFailure(QWidget* owner, const std::string& path, const FileReadResult& result);

// A box about one projector slot (0-based) of `model`: catalog text (2201, number)
// followed by the slot's address, "(192.168.1.10)" or "(com1)".
int ShowSlotError(QWidget* owner, const CModelInfo2& model, int slot, int number, int style);

} // namespace orvane
