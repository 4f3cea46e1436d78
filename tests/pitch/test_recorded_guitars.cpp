// The listening tuner on recorded guitars as three microphones deliver them: close, a laptop's
// (the low strings' fundamentals cut, hum, a small room) and a phone's across the room (the
// guitar 20 dB down, partials 10 to 25 dB over the room's noise). Whatever the microphone, a
// reading never names the wrong note.

#include <QDir>
#include <QRegularExpression>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <limits>

#include "pitch/live_estimator.h"
#include "pitch/pitch_estimator.h"
#include "tests/support/listening.h"
#include "tests/support/microphone_model.h"
#include "tests/support/wav_file.h"

namespace {

constexpr double leadSeconds = 0.25;
// Readings are counted from this long after the pluck, and their error from the steady part.
constexpr double countFromSeconds = 0.3;
constexpr double steadyFromSeconds = 0.5;

struct Excerpt {
    QString name;
    int note = 0;
    double detuneCents = 0.0;
    testing::Recording clean;
};

int noteNumber(const QString& name, int octave) {
    static const QString names = "C C#D D#E F F#G G#A A#B ";
    const int pitchClass = static_cast<int>(names.indexOf(name.leftJustified(2, ' '))) / 2;
    return (octave + 1) * 12 + pitchClass;
}

std::vector<Excerpt> excerpts() {
    std::vector<Excerpt> all;
    const QDir dir(TOLMARY_EXCERPT_DIR);
    const QRegularExpression pattern(R"(^\w+-([A-G]#?)(\d)([+-]\d+)\.wav$)");
    for (const QString& file : dir.entryList({"*.wav"}, QDir::Files, QDir::Name)) {
        const auto m = pattern.match(file);
        auto recording = testing::readWav(dir.filePath(file).toStdString());
        if (!m.hasMatch() || !recording)
            continue;
        all.push_back({file, noteNumber(m.captured(1), m.captured(2).toInt()),
                       m.captured(3).toDouble(), std::move(*recording)});
    }
    return all;
}

double centsBetween(double hz, double reference) {
    return 1200.0 * std::log2(hz / reference);
}

double noteHz(double note) {
    return 440.0 * std::exp2((note - 69.0) / 12.0);
}

// The note's own first partial (real notes drift), read at leisure from the close recording
// over the 0.3 s that end at `end`.
double truthHz(const Excerpt& e, std::size_t end) {
    const auto span = static_cast<std::size_t>(0.3 * e.clean.rate);
    const std::size_t start = end - std::min(end, span);
    const auto hz =
        pitch::estimateFundamentalHz(e.clean.samples.data() + start, end - start, e.clean.rate,
                                     noteHz(e.note + e.detuneCents / 100.0));
    return hz.value_or(0.0);
}

struct Heard {
    int counted = 0;  // readings from countFromSeconds on
    int wrong = 0;    // readings that name another note
    std::vector<double> steadyErrors;
    // Seconds from the pluck to the first reading, and to the end of the audio.
    double first = std::numeric_limits<double>::infinity();
    double last = 0.0;
};

Heard listen(const Excerpt& e, const std::vector<float>& audio,
             double lowestNote = pitch::LiveEstimator::defaultLowestNote) {
    pitch::LiveEstimator estimator(e.clean.rate, lowestNote);
    const auto readings =
        testing::pushInChunks(estimator, audio, static_cast<std::size_t>(0.01 * e.clean.rate));
    Heard heard;
    heard.last = static_cast<double>(audio.size()) / e.clean.rate - leadSeconds;
    if (!readings.empty())
        heard.first = static_cast<double>(readings.front().atSample) / e.clean.rate - leadSeconds;
    for (const pitch::Reading& r : readings) {
        const double t = static_cast<double>(r.atSample) / e.clean.rate - leadSeconds;
        heard.wrong += std::lround(12.0 * std::log2(r.hz / 440.0)) + 69 != e.note;
        heard.counted += t >= countFromSeconds;
        if (t >= steadyFromSeconds)
            heard.steadyErrors.push_back(
                std::abs(centsBetween(r.hz, truthHz(e, static_cast<std::size_t>(r.atSample)))));
    }
    return heard;
}

double median(std::vector<double> v) {
    if (v.empty())
        return 0.0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

}  // namespace

class TestRecordedGuitars : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        excerpts_ = excerpts();
        QVERIFY2(excerpts_.size() >= 12, "the committed excerpts are missing");
    }

    // Every set: no reading of the wrong note, ever. Close and through a laptop every note is
    // read at least 10 times a second from 0.3 s after the pluck (the laptop's muted D2 too,
    // its fundamental and 2nd partial cut, from the partials left); through a phone across the
    // room at least 5 times a second all but the muted D2, which sinks into the noise within a
    // second (the clean E4 only where a little noise under it is not taken for a note a fifth
    // below): most of them under 20 dB over the noise, or with room under their series for a
    // lower note's hidden partials, read once a row of windows has heard them (the overdriven
    // G3 only from the series an octave below the one that stands out); steady notes within
    // the median error of the set.
    void readsEveryNoteRight_data() {
        QTest::addColumn<int>("set");
        QTest::addColumn<double>("perSecond");
        QTest::addColumn<int>("fastNotes");
        QTest::addColumn<double>("medianCents");
        QTest::newRow("clean") << 0 << 10.0 << 12 << 0.25;
        QTest::newRow("laptop") << 1 << 10.0 << 12 << 0.5;
        // A distorted tone's own pitch wanders by cents: the truth itself is that uncertain.
        QTest::newRow("phone") << 2 << 5.0 << 11 << 3.0;
    }
    void readsEveryNoteRight() {
        QFETCH(int, set);
        QFETCH(double, perSecond);
        QFETCH(int, fastNotes);
        QFETCH(double, medianCents);
        std::vector<Heard> heard;
        listenThrough(set, pitch::LiveEstimator::defaultLowestNote, heard);
        if (QTest::currentTestFailed())
            return;
        int fast = 0;
        std::vector<double> steadyErrors;
        for (const Heard& h : heard) {
            fast += h.counted >= perSecond * (h.last - countFromSeconds);
            steadyErrors.insert(steadyErrors.end(), h.steadyErrors.begin(), h.steadyErrors.end());
        }
        QVERIFY2(fast >= fastNotes,
                 qPrintable(QString("%1 notes read at %2/s").arg(fast).arg(perSecond)));
        QVERIFY2(median(steadyErrors) <= medianCents,
                 qPrintable(QString("median error %1 c").arg(median(steadyErrors))));
    }

    // Over `--listen`'s range, down to a bass's B0, a guitar's pluck is read as soon as over
    // the guitar's own (a window holding 8 periods of B0 would wait 0.3 s), and never as the
    // wrong note, close or through either microphone.
    void readsSoonOverABassRange_data() {
        QTest::addColumn<int>("set");
        QTest::addColumn<double>("lowestNote");
        // The median over the excerpts; 0 where not asked.
        QTest::addColumn<double>("firstSeconds");
        QTest::newRow("clean, guitar range")
            << 0 << pitch::LiveEstimator::defaultLowestNote << 0.25;
        QTest::newRow("clean, bass range") << 0 << pitch::LiveEstimator::lowestBassNote << 0.25;
        QTest::newRow("laptop, bass range") << 1 << pitch::LiveEstimator::lowestBassNote << 0.0;
        QTest::newRow("phone, bass range") << 2 << pitch::LiveEstimator::lowestBassNote << 0.0;
    }
    void readsSoonOverABassRange() {
        QFETCH(int, set);
        QFETCH(double, lowestNote);
        QFETCH(double, firstSeconds);
        std::vector<Heard> heard;
        listenThrough(set, lowestNote, heard);
        if (QTest::currentTestFailed())
            return;
        std::vector<double> firsts;
        for (const Heard& h : heard)
            firsts.push_back(h.first);
        if (firstSeconds > 0.0)
            QVERIFY2(median(firsts) <= firstSeconds,
                     qPrintable(QString("first reading after %1 s").arg(median(firsts))));
    }

    // A wrong note may hang on one draw of the noise: each excerpt through the laptop and
    // phone sets' microphones in turn, with a dozen draws of the room's noise and reverb.
    void neverAWrongNoteWhateverTheNoise() {
        for (std::size_t set : {1, 2}) {
            const testing::MicrophoneSet mics = testing::microphoneSets()[set];
            for (unsigned draw = 1; draw <= 12; ++draw)
                for (std::size_t i = 0; i < excerpts_.size(); ++i) {
                    const Excerpt& e = excerpts_[i];
                    const auto audio = testing::throughMicrophone(
                        e.clean.samples, e.clean.rate,
                        mics.microphones[(i + draw) % mics.microphones.size()],
                        static_cast<unsigned>(i + 1 + 100 * draw));
                    const Heard h = listen(e, audio);
                    QVERIFY2(h.wrong == 0, qPrintable(QString("%1 through %2, draw %3: %4 "
                                                              "readings of the wrong note")
                                                          .arg(e.name, mics.name)
                                                          .arg(draw)
                                                          .arg(h.wrong)));
                }
        }
    }

private:
    // Each excerpt through one of a set's microphones in turn, as heard; none may be read as
    // the wrong note.
    void listenThrough(int set, double lowestNote, std::vector<Heard>& heard) {
        const testing::MicrophoneSet mics =
            testing::microphoneSets()[static_cast<std::size_t>(set)];
        for (std::size_t i = 0; i < excerpts_.size(); ++i) {
            const Excerpt& e = excerpts_[i];
            const auto audio = testing::throughMicrophone(
                e.clean.samples, e.clean.rate, mics.microphones[i % mics.microphones.size()],
                static_cast<unsigned>(i + 1));
            heard.push_back(listen(e, audio, lowestNote));
            QVERIFY2(heard.back().wrong == 0,
                     qPrintable(QString("%1: %2 readings of the wrong note")
                                    .arg(e.name)
                                    .arg(heard.back().wrong)));
        }
    }

    std::vector<Excerpt> excerpts_;
};

QTEST_APPLESS_MAIN(TestRecordedGuitars)
#include "test_recorded_guitars.moc"
