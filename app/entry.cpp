#include "app/entry.h"

#include <QApplication>

#include "app/qt_tuner_host.h"
#include "tuner/frm_main.h"

namespace app {

int runTolmary(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Tolmary");
    QApplication::setApplicationName("Tolmary");
    // Common controls need no initialisation here: Qt's widgets are ready with the application.
    QtTunerHost host;
    // The window lives until the event loop has ended: closing it during a held note must
    // leave everything the note's wait still uses in place until the wait returns.
    tuner::frmMain window(host);
    window.show();
    return QApplication::exec();
}

}  // namespace app
