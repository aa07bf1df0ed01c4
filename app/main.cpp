// The desktop program: the main window, the hidden text window, the event loop.

#include <QApplication>

#include "ui/Platform.h"
#include "ui/Setup.h"
#include "ui/Textw.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The name the platform shows for the program. No display name is set: Qt
    // would append it to every window caption.
    QApplication::setApplicationName(QStringLiteral("Zantrel.exe"));

    zantrel::QtPlatform platform;
    zantrel::TMainForm mainForm(platform);
    zantrel::TTextWForm textWForm(platform);
    mainForm.SetTextWindow(&textWForm);
    return app.exec();
}
