#include "app/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace app {

bool installQtTranslation(QCoreApplication& application) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(&application);
    // Debian ships Slovenian as one catalogue, qt_sl; where Qt's modules come as separate
    // catalogues, qt_sl names them and qtbase_sl holds the widgets' texts.
    for (const QString& name : {QStringLiteral("qt_sl.qm"), QStringLiteral("qtbase_sl.qm")})
        if (translator->load(name, folder) && QCoreApplication::installTranslator(translator))
            return true;
    delete translator;
    return false;
}

}  // namespace app
