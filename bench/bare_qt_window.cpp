// The least a Qt Widgets program does to show a window: the yardstick for the desktop
// bench's start-up figure.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.resize(514, 387);
    window.show();
    return app.exec();
}
