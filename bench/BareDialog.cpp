// The floors of the start-up benchmark: a Qt program that shows an empty dialog, and
// nothing else; with "--text", a dialog that shows a line of text, which is what makes the
// toolkit load its fonts and start its accessibility bridge, as every window with text does.

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Orvane"));
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0)
        (new QVBoxLayout(&dialog))->addWidget(new QLabel(QStringLiteral("Power On"), &dialog));
    dialog.show();
    return app.exec();
}
