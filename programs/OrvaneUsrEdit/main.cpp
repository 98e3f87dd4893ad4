// OrvaneUsrEdit: adds users, changes their passwords and deletes them, in the user list
// beside the program (or the one named with --user-file).

#include "accounts/UserStore.h"
#include "accounts/qt/UserCfgDialog.h"
#include "catalog/MessageCatalog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("OrvaneUsrEdit");

    QCommandLineParser parser;
    parser.setApplicationDescription("Orvane user administration");
    parser.addHelpOption();
    QCommandLineOption userFile("user-file", "The user list to edit (default: OrvaneUsers.txt beside the program).",
                                "path");
    parser.addOption(userFile);
    parser.process(app);
    if (parser.isSet(userFile))
        accounts::SetUserFilePath(QFile::encodeName(parser.value(userFile)).toStdString());

    // The dialog speaks the toolbar's language: the same catalog, chosen the same way. Without
    // one the tool still runs, as the toolbar does.
    static_cast<void>(orvane::OpenCatalog());
    {
        CUserCfgDialog dialog(nullptr);
        dialog.DoModal();
    }
    orvane::CloseCatalog();
    return 0;
}
