// The row of windows that read the same note: which windows count towards it, which leave it
// be and which break it, and when disagreeing readings start it anew.

#include <QtTest>

#include <cmath>
#include <optional>
#include <vector>

#include "pitch/note_row.h"

namespace {

constexpr int e2 = 40;
constexpr double e2Hz = 82.4069;

struct Heard {
    std::optional<int> note;
    std::optional<int> overLowerNote;
    // The reading's offset from E2 in cents, where the window read one.
    std::optional<double> cents;
    double spreadCents = 0.2;
    bool uncertain = true;
    bool lone = false;
};

Heard read(double cents = 0.0, double spread = 0.2, bool uncertain = true) {
    return {e2, std::nullopt, cents, spread, uncertain};
}
Heard unread(int note = e2) {
    return {note, std::nullopt, std::nullopt};
}
// One component, unread: it names no note of its own.
Heard lone(int note) {
    return {note, std::nullopt, std::nullopt, 0.2, true, true};
}
// An uncertain reading of another note, at its own frequency.
Heard readAt(int note) {
    return {note, std::nullopt, 100.0 * (note - e2)};
}
Heard overLower(int note) {
    return {std::nullopt, note, std::nullopt};
}
Heard nothing() {
    return {};
}

}  // namespace

Q_DECLARE_METATYPE(std::vector<Heard>)
Q_DECLARE_METATYPE(std::optional<int>)

class TestNoteRow : public QObject {
    Q_OBJECT

private slots:
    void windowsInARow_data() {
        QTest::addColumn<std::vector<Heard>>("windows");
        QTest::addColumn<int>("row");
        QTest::addColumn<std::optional<int>>("note");
        const std::optional<int> none;
        QTest::newRow("readings of one note")
            << std::vector{read(), read(), read()} << 3 << std::optional(e2);
        QTest::newRow("one heard but not read between them")
            << std::vector{read(), unread(), read()} << 2 << std::optional(e2);
        QTest::newRow("one that heard nothing between them")
            << std::vector{read(), nothing(), read()} << 2 << std::optional(e2);
        QTest::newRow("another note")
            << std::vector{read(), read(), unread(45)} << 0 << std::optional(45);
        QTest::newRow("a lone component on the row's 4th partial")
            << std::vector{read(), read(), lone(e2 + 24), read()} << 3 << std::optional(e2);
        QTest::newRow("a lone component off the row's series")
            << std::vector{read(), read(), lone(e2 + 5), read()} << 1 << std::optional(e2);
        QTest::newRow("a series of another note on the row's 4th partial")
            << std::vector{read(), read(), unread(e2 + 24), read()} << 1 << std::optional(e2);
        QTest::newRow("readings on the row's partials, twice in a row")
            << std::vector{read(), read(), readAt(e2 + 24), readAt(e2 + 28), read()} << 3
            << std::optional(e2);
        QTest::newRow("readings on the row's partials, three times in a row")
            << std::vector{read(), read(), readAt(e2 + 24), readAt(e2 + 28), readAt(e2 + 24)} << 1
            << std::optional(e2 + 24);
        QTest::newRow("a reading on the partial of a row of one")
            << std::vector{read(), readAt(e2 + 19)} << 1 << std::optional(e2 + 19);
        QTest::newRow("a reading off the row's series")
            << std::vector{read(), read(), readAt(e2 + 26), read()} << 1 << std::optional(e2);
        QTest::newRow("a lower note under the row's own series")
            << std::vector{read(), read(), overLower(e2), read()} << 1 << std::optional(e2);
        QTest::newRow("the octave above over a lower note")
            << std::vector{read(), read(), overLower(e2 + 12), read()} << 3 << std::optional(e2);
        QTest::newRow("the twelfth above over a lower note")
            << std::vector{read(), read(), overLower(e2 + 19), read()} << 3 << std::optional(e2);
        QTest::newRow("the double octave above over a lower note")
            << std::vector{read(), read(), overLower(e2 + 24), read()} << 1 << std::optional(e2);
        QTest::newRow("a lower note with no row to leave be")
            << std::vector{overLower(e2 + 12)} << 0 << none;
        QTest::newRow("uncertain readings 5 cents apart")
            << std::vector{read(), read(), read(5.0)} << 1 << std::optional(e2);
        QTest::newRow("uncertain readings 5 cents apart, within their spreads")
            << std::vector{read(0.0, 1.0), read(0.0, 1.0), read(5.0, 1.0)} << 3
            << std::optional(e2);
        QTest::newRow("a certain reading 5 cents from the row's")
            << std::vector{read(), read(), read(5.0, 0.2, false)} << 3 << std::optional(e2);
        QTest::newRow("compared with the latest reading, not the first")
            << std::vector{read(0.0), read(1.5), read(3.0), read(4.5)} << 4 << std::optional(e2);
    }
    void windowsInARow() {
        QFETCH(std::vector<Heard>, windows);
        QFETCH(int, row);
        QFETCH(std::optional<int>, note);
        pitch::NoteRow notes;
        for (const Heard& w : windows) {
            std::optional<pitch::Reading> reading;
            if (w.cents)
                reading = pitch::Reading{e2Hz * std::exp2(*w.cents / 1200.0), 0, w.spreadCents};
            notes.add({w.note, w.overLowerNote, reading, w.uncertain, w.lone});
        }
        QCOMPARE(notes.windows(), row);
        QCOMPARE(notes.note(), note);
    }
};

QTEST_APPLESS_MAIN(TestNoteRow)
#include "test_note_row.moc"
