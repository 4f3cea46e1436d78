#include "app/entry.h"

#include <QApplication>

#include "app/placeholder_window.h"
#include "app/qt_tuner_host.h"

namespace app {

int runTolmary(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Tolmary");
    QApplication::setApplicationName("Tolmary");
    // Common controls need no initialisation here: Qt's widgets are ready with the application.
    QtTunerHost host;
    PlaceholderWindow window(host);
    window.show();
    return QApplication::exec();
}

}  // namespace app
