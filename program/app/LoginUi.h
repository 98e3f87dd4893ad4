#pragma once

namespace orvane {

// DoModal results of the login dialog that the login gate tells apart; any other value
// is a failed try.
inline constexpr int kLoginAccepted = 1;
inline constexpr int kLoginCancelled = 2;
inline constexpr int kLoginUserAdmin = 3;

// The value the gate puts into the login dialog's mode member before every run: the
// login that also offers the user administration button.
inline constexpr int kLoginDialogMode = 2;

// Message box style of the gate's two messages: OK button and the error icon.
inline constexpr unsigned kMessageStyleError = 0x10;

// The dialogs and the message box the login gate needs, so that the gate's decisions can
// be followed without a display.
class ILoginUi {
public:
    virtual ~ILoginUi() = default;

    // Constructs a login dialog without parent, sets its mode member to `mode`, runs it
    // modally and destroys it; returns the result of its DoModal.
    virtual int RunLogin(int mode) = 0;

    // Constructs the user administration dialog without parent, runs it modally and
    // destroys it. Its result does not matter to the gate.
    virtual void RunUserConfig() = 0;

    // Shows catalog message (set, number) in a modal message box of `style`, captioned
    // with the application name.
    virtual void ShowMessage(int set, int number, unsigned style) = 0;
};

} // namespace orvane
