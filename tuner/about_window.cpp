#include "tuner/about_window.h"

#include <QFont>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include "controls/enter_key.h"
#include "controls/single_window.h"
#include "tuner/about_texts.h"
#include "tuner/catalogue.h"
#include "tuner/help_page.h"
#include "tuner/version_info.h"

namespace tuner {
namespace {

// Wide enough for the page's 473-pixel figures with the browser's margins and scroll bar.
constexpr int windowWidth = 560;
constexpr int windowHeight = 560;

}  // namespace

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent) {
    // The page's own links lead nowhere inside the program.
    setOpenLinks(false);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    if (type == QTextDocument::ImageResource) {
        const QString path = figureResource(name.fileName());
        if (!path.isEmpty()) {
            const QImage figure(path);
            if (!figure.isNull())
                return figure;
        }
        return {};
    }
    return QTextBrowser::loadResource(type, name);
}

AboutWindow::AboutWindow() {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(toQString(about_texts::title));
    resize(windowWidth, windowHeight);

    const VersionInfo info = VersionInfo::load();
    auto* name = new QLabel(info.productName(), this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.5);
    name->setFont(bold);
    auto* description = new QLabel(info.fileDescription(), this);
    version_ = new QLabel(toQString(about_texts::versionPrefix) + info.fileVersion(), this);

    help_ = new HelpBrowser(this);
    help_->setObjectName(QStringLiteral("helpPage"));
    if (const auto page = loadHelpPage())
        help_->setHtml(*page);
    else
        help_->setPlainText(toQString(about_texts::helpMissing));

    auto* closeButton = new QPushButton(toQString(about_texts::close), this);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(description);
    layout->addWidget(version_);
    layout->addWidget(help_, 1);
    layout->addLayout(buttons);
    controls::letEnterPressButtons(*this);
}

AboutWindow* showAboutWindow() {
    static QPointer<AboutWindow> open;
    return controls::showSingleWindow(open, [] { return new AboutWindow; });
}

}  // namespace tuner
