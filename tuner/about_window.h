#pragma once
// The "O programu" window: the program's name, description and version from the version
// information, and the English help page with its two figures. Modeless and without an owner;
// at most one is open, like the chord window. Without the help resources it shows a short notice
// in place of the page and is otherwise the same. Enter presses its focused button.

#include <QTextBrowser>
#include <QWidget>

class QLabel;

namespace tuner {

// Shows the help page, handing the page's figure names to their resources.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT

public:
    explicit HelpBrowser(QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;
};

class AboutWindow : public QWidget {
    Q_OBJECT

public:
    // Builds the window; it deletes itself when closed.
    AboutWindow();

    QLabel* versionLabel() const { return version_; }
    HelpBrowser* helpBrowser() const { return help_; }

private:
    QLabel* version_ = nullptr;
    HelpBrowser* help_ = nullptr;
};

// Shows the program's single about window (see controls/single_window.h).
AboutWindow* showAboutWindow();

}  // namespace tuner
