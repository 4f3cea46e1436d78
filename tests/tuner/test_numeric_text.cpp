// Reading numbers from the duration box and the settings store.

#include <QtTest>

#include "tuner/numeric_text.h"

class NumericTextTest : public QObject {
    Q_OBJECT
private slots:
    void numericValue_data();
    void numericValue();
    void durationSeconds_data();
    void durationSeconds();
};

void NumericTextTest::numericValue_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << "3780" << true << 3780.0;
    QTest::newRow("negative") << "-1500" << true << -1500.0;
    QTest::newRow("decimal point") << "2617.5" << true << 2617.5;
    QTest::newRow("blanks around") << " 42 " << true << 42.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("letters") << "abc" << false << 0.0;
    QTest::newRow("number then letters") << "12ab" << false << 0.0;
    QTest::newRow("decimal comma") << "1,5" << false << 0.0;
    QTest::newRow("nan") << "nan" << false << 0.0;
    QTest::newRow("inf") << "inf" << false << 0.0;
    QTest::newRow("negative infinity") << "-inf" << false << 0.0;
    QTest::newRow("past the double range") << "1e400" << false << 0.0;
}

void NumericTextTest::numericValue() {
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QFETCH(double, value);
    const auto v = tuner::numericValue(text);
    QCOMPARE(v.has_value(), numeric);
    if (numeric)
        QCOMPARE(*v, value);
}

void NumericTextTest::durationSeconds_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("seconds");  // -1: refused
    QTest::newRow("digit") << "7" << 7;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("half rounds to even, down") << "2.5" << 2;
    QTest::newRow("half rounds to even, up") << "3.5" << 4;
    QTest::newRow("below half") << "0.4" << 0;
    QTest::newRow("letter") << "x" << -1;
    QTest::newRow("too long for a note") << "40000" << -1;
}

void NumericTextTest::durationSeconds() {
    QFETCH(QString, text);
    QFETCH(int, seconds);
    const auto s = tuner::durationSeconds(text);
    QCOMPARE(s.value_or(-1), seconds);
}

QTEST_GUILESS_MAIN(NumericTextTest)
#include "test_numeric_text.moc"
