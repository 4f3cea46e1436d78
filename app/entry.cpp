#include "app/entry.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <string_view>

#include "app/qt_translation.h"
#include "app/qt_tuner_host.h"
#include "app/terminal_tuner.h"
#include "app/termination_signals.h"
#include "tuner/frm_main.h"
#include "tuner/version_info.h"

namespace app {

int runTolmary(int argc, char** argv) {
    // The two options of our own; everything else is Qt's (-platform, -style, ...).
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(usageText(), stdout);
            return 0;
        }
        if (option == "--listen")
            return runTerminalTuner();
    }
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Tolmary");
    QApplication::setApplicationName("Tolmary");
    QApplication::setApplicationVersion(tuner::VersionInfo::load().fileVersion());
    // The program's icon, for every window that does not bring its own.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/tolmary.ico")));
    // Qt's own texts in Slovenian where the system has them; the message boxes' buttons read
    // Slovenian either way, as the host names them itself.
    installQtTranslation(application);
    // Common controls need no initialisation here: Qt's widgets are ready with the application.
    // A session that ends or a Ctrl+C closes the windows as their close boxes do: the settings
    // are stored and the program ends with success.
    TerminationSignals endings([] {
        QApplication::closeAllWindows();
        QCoreApplication::quit();
    });
    QtTunerHost host;
    // The window lives until the event loop has ended: closing it during a held note must
    // leave everything the note's wait still uses in place until the wait returns.
    tuner::frmMain window(host);
    window.show();
    return QApplication::exec();
}

}  // namespace app
