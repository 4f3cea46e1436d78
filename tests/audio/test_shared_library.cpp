// Libraries opened by name when first needed: a function found works when called, and a
// missing library or function says which, as the message a failed backend leaves on stderr.

#include <QtTest>
#include <cstring>

#include "audio/shared_library.h"

class SharedLibraryTest : public QObject {
    Q_OBJECT
private slots:
    void bind_data();
    void bind();
};

void SharedLibraryTest::bind_data() {
    QTest::addColumn<QByteArray>("soname");
    QTest::addColumn<QByteArray>("function");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("why");  // what the error must contain
    QTest::newRow("found") << QByteArray("libc.so.6") << QByteArray("strlen") << true << "";
    QTest::newRow("no such function")
        << QByteArray("libc.so.6") << QByteArray("tolmary_no_such_function") << false
        << "libc.so.6 has no tolmary_no_such_function";
    QTest::newRow("no such library") << QByteArray("libtolmary-absent.so.0") << QByteArray("strlen")
                                     << false << "libtolmary-absent.so.0";
}

void SharedLibraryTest::bind() {
    QFETCH(QByteArray, soname);
    QFETCH(QByteArray, function);
    QFETCH(bool, found);
    QFETCH(QString, why);
    audio::SharedLibrary library(soname.constData());
    decltype(&std::strlen) slot = nullptr;
    QCOMPARE(library.bind(slot, function.constData()), found);
    QCOMPARE(slot != nullptr, found);
    if (found) {
        QCOMPARE(slot("tolmary"), std::size_t(7));
        QVERIFY(library.error().empty());
    } else {
        QVERIFY2(QString::fromStdString(library.error()).contains(why), library.error().c_str());
    }
}

QTEST_GUILESS_MAIN(SharedLibraryTest)
#include "test_shared_library.moc"
