// The Debian package lists as the installer reads them. What `make run` installs must never
// bring a second sound server to fight the desktop's over its socket, an X server or a tool
// that only the tests use; those belong to the test list, which repeats nothing of the run list.

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

QStringList packages(const QString& list) {
    QProcess installer;
    installer.start("bash", {qEnvironmentVariable("TOLMARY_SOURCE_DIR") + "/tools/install-deps.sh",
                             "--list", list});
    if (!installer.waitForFinished() || installer.exitCode() != 0)
        return {};
    return QString::fromUtf8(installer.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

}  // namespace

class PackageListsTest : public QObject {
    Q_OBJECT

private slots:
    void runListHoldsNoServerOrTestTool_data() {
        const QStringList testList = packages("test");
        QVERIFY2(testList.contains("xvfb"), qPrintable(testList.join(' ')));
        QStringList escaped;
        for (const QString& name : testList)
            escaped << QRegularExpression::escape(name);
        QTest::addColumn<QString>("pattern");
        QTest::newRow("sound server") << "pulseaudio|pipewire(-.+)?|wireplumber|jackd2?";
        QTest::newRow("X server") << "xvfb|xserver-.+|xwayland|xnest|tigervnc-.+";
        QTest::newRow("package of the test list") << escaped.join(u'|');
    }

    void runListHoldsNoServerOrTestTool() {
        QFETCH(QString, pattern);
        const QRegularExpression forbidden("^(" + pattern + ")$");
        const QStringList runList = packages("run");
        QVERIFY2(runList.contains("qt6-base-dev"), qPrintable(runList.join(' ')));
        for (const QString& name : runList)
            QVERIFY2(!forbidden.match(name).hasMatch(), qPrintable(name));
    }
};

QTEST_GUILESS_MAIN(PackageListsTest)
#include "test_package_lists.moc"
