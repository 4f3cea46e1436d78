#include "app/no_display.h"

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

namespace app {
namespace {

QtMessageHandler previousHandler = nullptr;

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        if (previousHandler)
            previousHandler(type, context, message);
        return;
    }
    // Qt's only fatal end while the application starts is the platform it cannot open.
    std::fprintf(stderr, "%s", noDisplayText());
    std::fflush(stderr);
    std::_Exit(1);
}

}  // namespace

const char* noDisplayText() {
    return "tolmary: okna ni mogoče odpreti, ker ni zaslona (ni povezave s strežnikom X\n"
           "ali Waylandom; preverite spremenljivko DISPLAY). V terminalu posluša mikrofon\n"
           "tolmary --listen.\n";
}

NoDisplayMessage::NoDisplayMessage() {
    previousHandler = qInstallMessageHandler(handler);
}

NoDisplayMessage::~NoDisplayMessage() {
    qInstallMessageHandler(previousHandler);
    previousHandler = nullptr;
}

}  // namespace app
