#include "app/entry.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "app/first_frame.h"
#include "app/font_config_preload.h"
#include "app/no_display.h"
#include "app/qt_translation.h"
#include "app/qt_tuner_host.h"
#include "app/terminal_tuner.h"
#include "app/termination_signals.h"
#include "pitch/reference_pitch.h"
#include "tuner/frm_main.h"
#include "tuner/version_info.h"

namespace app {

namespace {

// A command line the program cannot follow: why, on standard error, and the exit code 2.
int refused(const std::string& why) {
    std::fprintf(stderr, "tolmary: %s\n", why.c_str());
    return 2;
}

}  // namespace

int runTolmary(int argc, char** argv) {
    // The options of our own; everything else is Qt's (-platform, -style, ...).
    bool listen = false;
    std::optional<std::string_view> a4Text;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(usageText(), stdout);
            return 0;
        }
        if (option == "--listen")
            listen = true;
        else if (option == "--a4")
            a4Text = i + 1 < argc ? std::string_view(argv[++i]) : std::string_view();
        else if (option.starts_with("--a4="))
            a4Text = option.substr(5);
    }
    if (a4Text) {
        const auto a4 = pitch::referenceA4(*a4Text);
        if (!a4)
            return refused(
                "A4 mora biti celo število hercev od " + std::to_string(pitch::lowestA4) + " do " +
                std::to_string(pitch::highestA4) + ", ne \"" + std::string(*a4Text) + "\".");
        if (!listen)
            return refused("--a4 velja le skupaj z --listen.");
        return runTerminalTuner(*a4);
    }
    if (listen)
        return runTerminalTuner();
    // Runs beside the connection to the display, which waits on the X server as much as it
    // computes.
    FontConfigPreload fontConfig;
    std::optional<NoDisplayMessage> noDisplay(std::in_place);
    QApplication application(argc, argv);
    noDisplay.reset();
    QApplication::setOrganizationName("Tolmary");
    QApplication::setApplicationName("Tolmary");
    QApplication::setApplicationVersion(tuner::VersionInfo::load().fileVersion());
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
    fontConfig.wait();
    QtTunerHost host;
    // The window lives until the event loop has ended: closing it during a held note must
    // leave everything the note's wait still uses in place until the wait returns.
    tuner::frmMain window(host);
    // What the first frame does without waits until it is on the screen: the synth's thread and
    // libraries, and the program's icon for the windows that do not bring their own.
    afterFirstFrame(window, [&host] {
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/tolmary.ico")));
        host.startSynthLoading();
    });
    window.show();
    return QApplication::exec();
}

}  // namespace app
