// The live estimator on streams of synthetic notes whose fundamental is known exactly: what it
// must read (every reading within its tolerance, the first soon after the pluck, then at least
// ten a second), what it must not read at all, and that the chunking of the stream changes
// nothing.

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "pitch/live_estimator.h"
#include "pitch/pitch_estimator.h"
#include "tests/support/listening.h"
#include "tests/support/microphone_model.h"
#include "tests/support/synthetic_notes.h"

using pitch::centsBetween;
using pitch::LiveEstimator;
using pitch::noteFrequencyHz;
using pitch::Reading;
using testing::addNoise;
using testing::render;
using testing::Sinusoid;

namespace {

using Signal = std::vector<float>;

constexpr double rate = 48000.0;
// Silence before each tone, so that its onset is heard.
constexpr double leadSeconds = 0.3;

std::vector<Reading> listen(const Signal& signal, double sampleRate, std::size_t chunk = 480,
                            double lowestNote = LiveEstimator::defaultLowestNote) {
    LiveEstimator estimator(sampleRate, lowestNote);
    return testing::pushInChunks(estimator, signal, chunk);
}

Signal afterSilence(const Signal& tone, double sampleRate = rate) {
    Signal signal(static_cast<std::size_t>(leadSeconds * sampleRate));
    signal.insert(signal.end(), tone.begin(), tone.end());
    return signal;
}

// Harmonics of `f0` with the given amplitudes, steady.
Signal harmonics(double f0, const std::vector<double>& amplitudes, double seconds = 2.5) {
    std::vector<Sinusoid> partials;
    for (std::size_t k = 1; k <= amplitudes.size(); ++k)
        partials.push_back({k * f0, amplitudes[k - 1], 0.0, 0.7 * static_cast<double>(k)});
    return render(partials, seconds, rate);
}

Signal plucked(double f0, double stiffness, double decaySeconds, double sampleRate = rate) {
    return render(testing::pluckedString(f0, stiffness, decaySeconds, sampleRate), 2.5, sampleRate);
}

}  // namespace

class TestLiveEstimator : public QObject {
    Q_OBJECT

private slots:
    void readsTheFundamental_data() {
        QTest::addColumn<Signal>("signal");
        QTest::addColumn<double>("sampleRate");
        QTest::addColumn<double>("trueHz");
        QTest::addColumn<double>("toleranceCents");
        QTest::addColumn<double>("lowestNote");
        // Seconds from the pluck to the first reading: 10 periods of the note and the attack,
        // and a window more where the fundamental is lost (that reading wants the window before
        // it to agree).
        QTest::addColumn<double>("responseSeconds");
        const auto add = [](const char* name, const Signal& tone, double trueHz,
                            double toleranceCents, double sampleRate = rate,
                            double lowestNote = LiveEstimator::defaultLowestNote,
                            double confirmSeconds = 0.0) {
            QTest::newRow(name) << afterSilence(tone, sampleRate) << sampleRate << trueHz
                                << toleranceCents << lowestNote
                                << (trueHz < 55 ? 0.3 : 0.25) + confirmSeconds;
        };
        // Steady sines over the whole range and its margin, at both usual rates.
        for (auto [note, sampleRate] : {std::pair{32.6, rate},
                                        {35.0, rate},
                                        {52.3, 44100.0},
                                        {69.0, rate},
                                        {72.4, 44100.0}}) {
            const double hz = noteFrequencyHz(note);
            add(qPrintable(QString("sine, note %1 at %2 Hz").arg(note).arg(sampleRate)),
                render({{hz, 0.3, 0.0, 1.0}}, 2.5, sampleRate), hz, 0.1, sampleRate);
        }
        // Stiff strings: the fundamental partial, not the stretched series' average.
        for (auto [note, stiffness] : {std::pair{40.3, 5e-4}, {57.0, 2e-4}, {64.0, 1e-4}}) {
            const double f0 = noteFrequencyHz(note);
            add(qPrintable(QString("plucked, note %1, B %2").arg(note).arg(stiffness)),
                plucked(f0, stiffness, 2.0), f0 * std::sqrt(1.0 + stiffness), 0.1);
        }
        for (double note : {36.0, 50.0, 67.0}) {
            const double f0 = noteFrequencyHz(note + 0.2);
            auto tone = plucked(f0, 3e-4, 2.0);
            const Signal firstSecond(tone.begin(), tone.begin() + static_cast<long>(rate));
            addNoise(tone, testing::rms(firstSecond) * std::pow(10.0, -30.0 / 20.0));
            add(qPrintable(QString("plucked in noise, note %1").arg(note)), tone,
                f0 * std::sqrt(1.0003), 0.5);
        }
        // Octave traps: a weak fundamental under strong second and third partials; even
        // partials so much stronger than the odd ones that the series an octave up sounds
        // stronger; a bright tone whose every third partial outweighs the rest, so that the
        // series on the third partial sounds stronger; the partials of the SoundFont's
        // distortion guitar at G2 (dB, as measured), whose third partial is the strongest.
        const double e2 = noteFrequencyHz(40.0), a2 = noteFrequencyHz(45.0);
        add("weak fundamental", harmonics(e2, {0.01, 0.5, 0.3, 0.1}), e2, 0.1);
        add("odd partials faint",
            harmonics(a2, {0.1, 0.5, 0.02, 0.4, 0.01, 0.3, 0.01, 0.2, 0.005, 0.1, 0.005, 0.1, 0.005,
                           0.1, 0.005, 0.1}),
            a2, 0.1);
        std::vector<double> bright, distorted;
        for (int k = 1; k <= 24; ++k)
            bright.push_back(k % 3 == 0 ? 0.1 : 0.03);
        for (double db : {40.0, 31.2, 44.4, 33.9, 37.9, 41.1, 33.7, 26.1, 39.7, 29.2, 30.8, 33.3,
                          16.4, 29.1, 19.8, 30.2, 24.0, 27.8, 29.8, 25.0, 25.0, 31.4, 19.4, 16.9})
            distorted.push_back(0.003 * std::pow(10.0, (db - 40.0) / 20.0));
        const double g2 = noteFrequencyHz(43.0);
        add("every third partial strong", harmonics(g2, bright), g2, 0.1);
        // A muted string behind a phone's high-pass: its fundamental and a stronger 2nd alone.
        add("weak fundamental and its octave alone", harmonics(a2, {0.2, 0.4}), a2, 0.1);
        add("distortion guitar", harmonics(g2, distorted), g2, 0.1);
        // An acoustic guitar's body resonates in the attack, well below the note but within
        // reach of its octave below; and a hard pluck rings sharp for its first milliseconds.
        const double f3 = noteFrequencyHz(53.0);
        auto resonating = testing::pluckedString(f3, 1e-4, 2.0, rate);
        resonating.push_back({77.4, 0.3 * resonating[0].amplitude, 0.1, 0.0});
        add("body resonance in the attack", render(resonating, 2.5, rate), f3 * std::sqrt(1.0001),
            0.1);
        auto sharpAttack = testing::pluckedString(f3, 1e-4, 0.5, rate);
        sharpAttack.push_back(
            {f3 * std::pow(2.0, 20.0 / 1200.0), 4 * sharpAttack[0].amplitude, 0.005, 0.0});
        add("pluck ringing sharp", render(sharpAttack, 2.5, rate), f3 * std::sqrt(1.0001), 0.1);
        // A tone whose stream drops out now and then (a sound server late, data lost on the
        // way): the windows across a gap would read it off; none is read.
        const double d3 = noteFrequencyHz(50.0);
        Signal dropping = harmonics(d3, {0.3, 0.2, 0.1, 0.05});
        for (double t = 0.4; t < 2.5; t += 0.5)
            std::fill_n(dropping.begin() + static_cast<long>(t * rate), 0.012 * rate, 0.0f);
        add("dropouts in a steady tone", dropping, d3, 0.1);
        // Low strings through a laptop's microphone: the fundamental 15 to 30 dB down under
        // the high-pass, a room, noise and hum; read from the partials above it, at the
        // fundamental partial's frequency, and never as the partial an octave or a twelfth up.
        for (double note : {35.0, 38.0, 40.0}) {
            const double f0 = noteFrequencyHz(note - 0.15);
            add(qPrintable(QString("note %1 through a laptop microphone").arg(note)),
                testing::throughMicrophone(plucked(f0, 2e-4, 3.0), rate,
                                           testing::laptopMicrophone()),
                f0 * std::sqrt(1.0002), 3.0, rate, LiveEstimator::defaultLowestNote, 0.05);
        }
        // A damped string's partials scatter by several cents and fit no series; through a
        // laptop's microphone its fundamental, the one partial read alone, is far over the
        // noise but no longer its strongest in level.
        {
            const double f0 = noteFrequencyHz(40.1);
            std::vector<testing::Sinusoid> damped;
            const double scatterCents[] = {0.0, 7.0, -6.0, 9.0, -8.0, 6.0};
            for (int k = 1; k <= 6; ++k)
                damped.push_back(
                    {k * f0 * std::pow(2.0, scatterCents[k - 1] / 1200.0), 0.2 / k, 1.5, 0.3 * k});
            add("damped E2 through a laptop microphone",
                testing::throughMicrophone(render(damped, 2.5, rate), rate,
                                           testing::laptopMicrophone()),
                f0, 3.0, rate, LiveEstimator::defaultLowestNote, 0.05);
        }
        // A G string a third of a semitone sharp sounds on the 4th harmonic of 50 Hz mains,
        // heard with the hum of a laptop's mains supply: read all the same.
        add("G3 on the 50 Hz hum's 4th harmonic, through a laptop microphone",
            testing::throughMicrophone(plucked(200.0, 1e-4, 3.0), rate,
                                       testing::laptopMicrophone()),
            200.0 * std::sqrt(1.0001), 0.5);
        // ...and where a high-pass at 250 Hz leaves its fundamental beside the hum's lower
        // harmonics, which come in on the wire after the filter: a distorted tone whose 4th
        // partial rings far over the rest.
        testing::Microphone filtered = testing::laptopMicrophone();
        filtered.highPassHz = 250.0;
        filtered.humDbfs = -50.0;
        add("distorted G3 on the 50 Hz hum's 4th harmonic, its fundamental filtered",
            testing::throughMicrophone(
                harmonics(200.0, {0.02, 0.05, 0.08, 0.2, 0.1, 0.05, 0.03, 0.05}), rate, filtered),
            200.0, 0.5, rate, LiveEstimator::defaultLowestNote, 0.05);
        // A bass string, where the range is set for it.
        const double e1 = noteFrequencyHz(28.0);
        add("bass E1, range from note 26", plucked(e1, 1e-4, 3.0), e1 * std::sqrt(1.0001), 0.1,
            rate, 26.0);
    }
    void readsTheFundamental() {
        QFETCH(Signal, signal);
        QFETCH(double, sampleRate);
        QFETCH(double, trueHz);
        QFETCH(double, toleranceCents);
        QFETCH(double, lowestNote);
        QFETCH(double, responseSeconds);
        const auto readings = listen(signal, sampleRate, 480, lowestNote);
        QVERIFY2(readings.size() > 1, "no readings");
        for (const Reading& r : readings) {
            const double error = centsBetween(r.hz, trueHz);
            QVERIFY2(std::abs(error) <= toleranceCents,
                     qPrintable(QString("%1 Hz, %2 cents off, at %3 s")
                                    .arg(r.hz)
                                    .arg(error)
                                    .arg(static_cast<double>(r.atSample) / sampleRate)));
        }
        const double first = static_cast<double>(readings.front().atSample) / sampleRate;
        const double last = static_cast<double>(readings.back().atSample) / sampleRate;
        QVERIFY2(first - leadSeconds <= responseSeconds,
                 qPrintable(QString("first after %1 s").arg(first - leadSeconds)));
        QVERIFY2(last - first >= 1.0, qPrintable(QString("read for only %1 s").arg(last - first)));
        QVERIFY2(static_cast<double>(readings.size() - 1) >= 10.0 * (last - first),
                 qPrintable(QString("%1 readings in %2 s").arg(readings.size()).arg(last - first)));
    }

    // Silence, clicks, noise and tones that are no note of the range give no reading at all.
    void readsNothing_data() {
        QTest::addColumn<Signal>("signal");
        const std::size_t threeSeconds = static_cast<std::size_t>(3 * rate);
        QTest::newRow("silence") << Signal(threeSeconds);
        Signal room(threeSeconds), loud(threeSeconds), rumble(threeSeconds);
        addNoise(room, 1e-3);
        addNoise(loud, 0.2);
        // Noise whose level falls 6 dB an octave, as handling and wind sound.
        addNoise(rumble, 0.01);
        for (std::size_t i = 1; i < rumble.size(); ++i)
            rumble[i] = 0.999f * rumble[i - 1] + rumble[i];
        QTest::newRow("room noise") << room;
        QTest::newRow("loud noise") << loud;
        QTest::newRow("rumble") << rumble;
        Signal clicks = room;
        for (double t : {0.4, 0.77, 1.5, 2.1, 2.3})
            clicks[static_cast<std::size_t>(t * rate)] = 0.9f;
        QTest::newRow("clicks in room noise") << clicks;
        QTest::newRow("whistle above the range")
            << afterSilence(render({{1500.0, 0.3, 0.0, 0.0}}, 2.5, rate));
        // Mains hum with its harmonics is a series as exact as a string's, and a low note's.
        for (double mains : {50.0, 60.0})
            QTest::newRow(qPrintable(QString("%1 Hz hum in room noise").arg(mains))) << [&] {
                Signal hum = testing::mainsHum(threeSeconds, rate, mains, 0.01);
                addNoise(hum, 1e-3);
                return afterSilence(hum);
            }();
        // A transformer hums at twice the mains frequency and its harmonics, without the
        // mains frequency itself: a series on 100 Hz as exact as a G string's.
        QTest::newRow("transformer hum at 100 Hz") << [&] {
            Signal hum = testing::mainsHum(threeSeconds, rate, 100.0, 0.01);
            addNoise(hum, 1e-3);
            return afterSilence(hum);
        }();
        // The hum's series read through a laptop microphone's noise lands now and then a few
        // cents off 60 Hz: still the hum, not a B1 40 cents flat.
        testing::Microphone laptop = testing::laptopMicrophone();
        laptop.highPassHz = 120.0;
        laptop.humHz = 60.0;
        QTest::newRow("60 Hz hum through a laptop's microphone") << testing::throughMicrophone(
            Signal(static_cast<std::size_t>(10 * rate)), rate, laptop, 2);
        QTest::newRow("string muted at once")
            << afterSilence(plucked(noteFrequencyHz(45.0), 1e-4, 0.01));
    }
    void readsNothing() {
        QFETCH(Signal, signal);
        const auto readings = listen(signal, rate);
        QVERIFY2(readings.empty(), qPrintable(QString("%1 readings, the first %2 Hz")
                                                  .arg(readings.size())
                                                  .arg(readings.empty() ? 0 : readings[0].hz)));
    }

    // A distant phone leaves the partials of a low string little over the room's noise, and
    // the fundamental and 2nd partial under its high-pass: a reading there may not come, but
    // when it comes it names the string, not a partial of it.
    void neverAWrongNote_data() {
        QTest::addColumn<Signal>("signal");
        QTest::addColumn<double>("trueHz");
        for (double note : {35.0, 38.0, 40.0, 45.0}) {
            const double f0 = noteFrequencyHz(note + 0.1);
            for (double gainDb : {-20.0, -10.0}) {
                testing::Microphone phone = testing::phoneAcrossTheRoom();
                phone.gainDb = gainDb;
                QTest::newRow(qPrintable(QString("note %1 at %2 dB").arg(note).arg(gainDb)))
                    << testing::throughMicrophone(afterSilence(plucked(f0, 2e-4, 3.0)), rate, phone,
                                                  static_cast<unsigned>(note))
                    << f0 * std::sqrt(1.0002);
            }
        }
        // An overdriven B1 whose 4th partial rings far over the rest and whose odd partials
        // are gone but the 3rd: that one, weak in level under the high-pass but clear of the
        // noise there, is all that tells it from B2.
        const double b1 = noteFrequencyHz(35.0);
        for (double gainDb : {-18.0, -14.0, -10.0}) {
            testing::Microphone phone = testing::phoneAcrossTheRoom();
            phone.gainDb = gainDb;
            QTest::newRow(qPrintable(QString("overdriven B1 at %1 dB").arg(gainDb)))
                << testing::throughMicrophone(
                       afterSilence(harmonics(
                           b1, {0.01, 0.1, 0.3, 1.0, 0.0, 0.1, 0.0, 0.1, 0.0, 0.3, 0.0, 0.05})),
                       rate, phone, 35)
                << b1;
        }
        // An E2 whose every third partial rings on long after the rest have died, as a pickup
        // placed a third along the string leaves it: what remains is a series on B3, and with
        // no new pluck it is still E2's.
        const double e2 = noteFrequencyHz(40.0);
        std::vector<Sinusoid> thirds;
        for (int k = 1; k <= 12; ++k)
            thirds.push_back({k * e2, 0.3 / k, k % 3 == 0 ? 4.0 : 0.15, 0.0});
        testing::Microphone phone = testing::phoneAcrossTheRoom();
        phone.gainDb = 0.0;
        QTest::newRow("E2 ringing on in its every third partial")
            << testing::throughMicrophone(afterSilence(render(thirds, 4.0, rate)), rate, phone, 40)
            << e2;
        // An E2 whose partials off every third come up 0.15 s after the rest: until they do,
        // the windows hear a series on B3 under which E2's own partials could hide in the
        // noise, too briefly for a note that is not certain.
        std::vector<Sinusoid> onThirds, offThirds;
        for (int k = 1; k <= 12; ++k)
            (k % 3 == 0 ? onThirds : offThirds).push_back({k * e2, 0.3 / k, 1.5, 0.0});
        Signal lateOffThirds = render(onThirds, 2.5, rate);
        const Signal rest = render(offThirds, 2.35, rate);
        const auto late = lateOffThirds.end() - static_cast<std::ptrdiff_t>(rest.size());
        std::transform(rest.begin(), rest.end(), late, late, std::plus<>());
        testing::Microphone nearer = testing::phoneAcrossTheRoom();
        nearer.gainDb = -8.0;
        QTest::newRow("E2 whose partials off every third come late")
            << testing::throughMicrophone(afterSilence(lateOffThirds), rate, nearer, 40) << e2;
        // A D2 whose odd partials die within a fraction of a second, too faint through a phone
        // to be read while they sound: once no short window hears it, a second's window holds a
        // series on D3 (its even partials and what remains of the rest), which is no new note.
        const double d2 = noteFrequencyHz(38.0);
        std::vector<Sinusoid> oddDieFirst;
        for (int k = 1; k <= 12; ++k)
            oddDieFirst.push_back({k * d2, 0.3 / k, k % 2 != 0 ? 0.4 : 2.5, 0.3 * k});
        testing::Microphone far = testing::phoneAcrossTheRoom();
        far.gainDb = -22.0;
        QTest::newRow("D2 whose odd partials die first, faint")
            << testing::throughMicrophone(afterSilence(render(oddDieFirst, 3.0, rate)), rate, far,
                                          1)
            << d2;
        // An E3 whose odd partials, 14 dB under its even ones, come for a quarter of a second
        // and go for 0.7 s: between them, a phone hears only the series on E4, where the lower
        // note was heard a moment ago. (Where five windows in a row sufficed, E4 was read 18
        // times.)
        const double e3 = noteFrequencyHz(52.0);
        std::vector<Sinusoid> even, odd;
        for (int k = 1; k <= 16; ++k)
            (k % 2 == 0 ? even : odd)
                .push_back({k * e3 * std::sqrt(1.0 + 1e-4 * k * k), (k % 2 == 0 ? 0.1 : 0.02) / k,
                            3.0, 0.7 * k});
        Signal comingAndGoing = render(even, 3.0, rate);
        const Signal oddPartials = render(odd, 3.0, rate);
        for (std::size_t i = 0; i < comingAndGoing.size(); ++i)
            if (std::fmod(static_cast<double>(i) / rate, 0.95) < 0.25)
                comingAndGoing[i] += oddPartials[i];
        testing::Microphone nearPhone = testing::phoneAcrossTheRoom();
        nearPhone.gainDb += 6.0;
        QTest::newRow("E3 whose odd partials come and go")
            << testing::throughMicrophone(afterSilence(comingAndGoing), rate, nearPhone, 5)
            << e3 * std::sqrt(1.0001);
    }
    void neverAWrongNote() {
        QFETCH(Signal, signal);
        QFETCH(double, trueHz);
        for (const Reading& r : listen(signal, rate))
            QVERIFY2(std::abs(centsBetween(r.hz, trueHz)) < 50.0,
                     qPrintable(QString("%1 Hz for %2 Hz").arg(r.hz).arg(trueHz)));
    }

    // A bass G string beside 50 Hz hum's 2nd harmonic, through a distant phone that takes its
    // fundamental: the hum, spread by the window over the place of the octave below's
    // fundamental, is no partial of a G1 there, and no candidate note of its own. The string is
    // read, and only as itself, whether it sounds 35 cents under the hum or 65.
    void humIsNoPartialOfANote_data() {
        QTest::addColumn<Signal>("signal");
        QTest::addColumn<double>("trueHz");
        QTest::addColumn<int>("minReadings");
        testing::Microphone phone = testing::phoneAcrossTheRoom();
        phone.humHz = 50.0;
        phone.humDbfs = -60.0;
        for (auto [note, seed] : {std::pair{43.0, 1u}, {42.7, 6u}}) {
            const double f0 = noteFrequencyHz(note);
            QTest::newRow(qPrintable(QString("bass note %1").arg(note)))
                << testing::throughMicrophone(afterSilence(plucked(f0, 2e-4, 3.0)), rate, phone,
                                              seed)
                << f0 << 10;
        }
    }
    void humIsNoPartialOfANote() {
        QFETCH(Signal, signal);
        QFETCH(double, trueHz);
        QFETCH(int, minReadings);
        const auto readings = listen(signal, rate, 480, 23.0);
        for (const Reading& r : readings)
            QVERIFY2(std::abs(centsBetween(r.hz, trueHz)) < 50.0,
                     qPrintable(QString("%1 Hz for %2 Hz").arg(r.hz).arg(trueHz)));
        QVERIFY2(std::ssize(readings) >= minReadings,
                 qPrintable(QString("%1 readings").arg(readings.size())));
    }

    // A string plucked while another still rings: the readings follow the new note within
    // 250 ms of its pluck, and each reading is one of the two notes.
    void followsANewPluck() {
        const double e2 = noteFrequencyHz(40.0), a2 = noteFrequencyHz(45.0);
        const std::size_t pluck = static_cast<std::size_t>(1.5 * rate);
        Signal signal = render(testing::pluckedString(e2, 2e-4, 2.0, rate), 1.5 + 2.5, rate);
        const auto second = plucked(a2, 2e-4, 2.0);
        for (std::size_t i = 0; i < second.size(); ++i)
            signal[pluck + i] += 2.0f * second[i];
        int before = 0, after = 0;
        for (const Reading& r : listen(signal, rate)) {
            const bool isE2 = std::abs(centsBetween(r.hz, e2 * std::sqrt(1.0002))) < 0.2;
            const bool isA2 = std::abs(centsBetween(r.hz, a2 * std::sqrt(1.0002))) < 0.2;
            QVERIFY2(isE2 || isA2, qPrintable(QString("%1 Hz").arg(r.hz)));
            if (r.atSample > pluck + static_cast<std::size_t>(0.25 * rate)) {
                QVERIFY2(isA2, qPrintable(QString("%1 s after the pluck, %2 Hz")
                                              .arg(double(r.atSample - pluck) / rate)
                                              .arg(r.hz)));
                ++after;
            } else {
                before += isE2;
            }
        }
        QVERIFY(before >= 10);
        QVERIFY(after >= 10);
    }

    // Through a phone across the room a fading note sinks into the noise of a 0.35 s window
    // long before a second's window loses it, and then into that one's: the readings follow it
    // until 2.8 s after the pluck or later, a quarter of a second apart at most, its tail read
    // where it continues the row that named the note (without that, they stopped at 1.9 to
    // 2.6 s; at 0.7 to 1.1 s while the longer window was asked only where the short one still
    // heard a note), and name no other note. A string 6 dB quieter still is too faint for the
    // short window from the pluck on: the longer one reads it (it was asked only for a note
    // read already, and none was).
    void followsAFadingNote_data() {
        QTest::addColumn<double>("note");
        QTest::addColumn<double>("decaySeconds");
        QTest::addColumn<double>("quieterDb");
        QTest::newRow("D3") << 50.0 << 2.0 << 0.0;
        QTest::newRow("G3") << 55.0 << 2.0 << 0.0;
        QTest::newRow("B3") << 59.0 << 1.0 << 0.0;
        QTest::newRow("G3 6 dB quieter, ringing on") << 55.0 << 10.0 << 6.0;
    }
    void followsAFadingNote() {
        QFETCH(double, note);
        QFETCH(double, decaySeconds);
        QFETCH(double, quieterDb);
        const double f0 = noteFrequencyHz(note);
        const Signal tone = render(testing::pluckedString(f0, 2e-4, decaySeconds, rate), 3.5, rate);
        testing::Microphone phone = testing::phoneAcrossTheRoom();
        phone.gainDb -= quieterDb;
        const auto readings =
            listen(testing::throughMicrophone(afterSilence(tone), rate, phone, 5), rate);
        QVERIFY2(!readings.empty(), "no readings");
        for (const Reading& r : readings)
            QVERIFY2(std::abs(centsBetween(r.hz, f0 * std::sqrt(1.0002))) < 50.0,
                     qPrintable(QString("%1 Hz").arg(r.hz)));
        const double last = static_cast<double>(readings.back().atSample) / rate - leadSeconds;
        QVERIFY2(last >= 2.8,
                 qPrintable(QString("the last reading %1 s after the pluck").arg(last)));
        for (std::size_t i = 1; i < readings.size(); ++i) {
            const double apart =
                static_cast<double>(readings[i].atSample - readings[i - 1].atSample) / rate;
            QVERIFY2(apart <= 0.25, qPrintable(QString("%1 s without a reading").arg(apart)));
        }
    }

    // A D3 read through a phone goes on being read when a component sounds an octave under it
    // (another string ringing in sympathy, an overdriven sample's artefact), the D3 partials a
    // D2 would hold: a string read is no partial of a note heard after it. (A D3 taken for the
    // D2's partials was read 6 times a second.)
    void keepsANoteReadOverAComponentBelow() {
        const double d3 = noteFrequencyHz(50.0), from = 1.0;
        Signal tone = render(testing::pluckedString(d3, 2e-4, 10.0, rate), 3.0, rate);
        const Signal below = render({{d3 / 2, 0.3, 0.0, 0.0}}, 3.0 - from, rate);
        for (std::size_t i = 0; i < below.size(); ++i)
            tone[static_cast<std::size_t>(from * rate) + i] += below[i];
        const auto readings = listen(
            testing::throughMicrophone(afterSilence(tone), rate, testing::phoneAcrossTheRoom(), 5),
            rate);
        int after = 0;
        for (const Reading& r : readings) {
            QVERIFY2(std::abs(centsBetween(r.hz, d3)) < 50.0,
                     qPrintable(QString("%1 Hz").arg(r.hz)));
            after += static_cast<double>(r.atSample) / rate - leadSeconds >= from + 0.3;
        }
        QVERIFY2(after >= 10.0 * (3.0 - from - 0.3),
                 qPrintable(QString("%1 readings after the component below began").arg(after)));
    }

    // Notes through a phone across the room, read often and only as themselves:
    // - a D2 whose every third partial stands 9 dB over the rest: windows that read D2 alternate
    //   with windows that hear the series on A3 its 3rd partials make, which are the string's
    //   partials and no break in the row of D2's windows (where they broke it, the D2 was read 5
    //   times in 3 s), and where D2's own series shows beside them, D2 is read there (where it
    //   was not, 25 times);
    // - a B1 plucked where its 4th to 7th partials are faint, its fundamental too: what names it
    //   (its 11th and 13th partials, clear of the 2nd and 3rd of a note a fifth or fourth away)
    //   lies above its 8th (where only the first eight were looked for, it was read twice).
    void readsThroughAPhone_data() {
        QTest::addColumn<Signal>("signal");
        QTest::addColumn<double>("trueHz");
        QTest::addColumn<int>("minReadings");
        const auto throughPhone = [](const std::vector<Sinusoid>& partials, double gainDb,
                                     unsigned seed) {
            testing::Microphone phone = testing::phoneAcrossTheRoom();
            phone.gainDb += gainDb;
            return testing::throughMicrophone(afterSilence(render(partials, 3.0, rate)), rate,
                                              phone, seed);
        };
        const double d2 = noteFrequencyHz(38.0), b1 = noteFrequencyHz(35.0);
        const double b3 = noteFrequencyHz(59.0);
        std::vector<Sinusoid> strongThirds, faintMiddle, liftedHigh;
        for (int k = 1; k <= 16; ++k) {
            const double lift = k >= 9 ? 3.0 : k == 1 || (k >= 4 && k <= 7) ? 0.05 : 1.0;
            liftedHigh.push_back(
                {k * b3 * std::sqrt(1.0 + 1e-4 * k * k), lift * 0.1 / k, 2.0, 0.7 * k});
            strongThirds.push_back({k * d2 * std::sqrt(1.0 + 2e-4 * k * k),
                                    (k % 3 == 0 ? 1.0 : 0.35) * 0.1 / k, 2.0, 0.7 * k});
            faintMiddle.push_back({k * b1 * std::sqrt(1.0 + 2e-4 * k * k),
                                   (k == 1 || (k >= 4 && k <= 7) ? 0.1 : 1.0) * 0.3 / k, 2.0,
                                   0.7 * k});
        }
        QTest::newRow("D2 whose every third partial stands out")
            << throughPhone(strongThirds, 20.0, 5) << d2 << 30;
        QTest::newRow("B1 whose 4th to 7th partials are faint")
            << throughPhone(faintMiddle, 6.0, 1) << b1 << 20;
        QTest::newRow("B3 whose 9th to 16th partials stand out")
            << throughPhone(liftedHigh, 10.0, 3) << b3 << 20;
    }
    void readsThroughAPhone() {
        QFETCH(Signal, signal);
        QFETCH(double, trueHz);
        QFETCH(int, minReadings);
        const auto readings = listen(signal, rate);
        for (const Reading& r : readings)
            QVERIFY2(std::abs(centsBetween(r.hz, trueHz)) < 50.0,
                     qPrintable(QString("%1 Hz").arg(r.hz)));
        QVERIFY2(readings.size() >= static_cast<std::size_t>(minReadings),
                 qPrintable(QString("%1 readings").arg(readings.size())));
    }

    // A steady tone moved by a tenth of a cent moves the readings by as much: no smoothing,
    // no dead zone.
    void showsATenthOfACent() {
        const double f0 = noteFrequencyHz(45.0), ratio = std::pow(2.0, 0.1 / 1200.0);
        const double step = 1.5;
        std::vector<Sinusoid> before, after;
        for (int k = 1; k <= 8; ++k) {
            before.push_back({k * f0, 0.3 / k, 0.0, 0.5 * k});
            after.push_back(
                {k * f0 * ratio, 0.3 / k, 0.0, 0.5 * k + testing::twoPi * k * f0 * step});
        }
        Signal signal = render(before, step, rate);
        const auto rest = render(after, step, rate);
        signal.insert(signal.end(), rest.begin(), rest.end());
        const auto readings = listen(signal, rate);
        QVERIFY(!readings.empty());
        for (const Reading& r : readings) {
            const double t = static_cast<double>(r.atSample) / rate;
            if (t > step && t < step + 0.35)
                continue;  // the window holds both
            const double expected = t <= step ? 0.0 : 0.1;
            QVERIFY2(std::abs(centsBetween(r.hz, f0) - expected) < 0.01,
                     qPrintable(QString("%1 cents at %2 s").arg(centsBetween(r.hz, f0)).arg(t)));
        }
    }

    // A stream at no usable rate is not read, whatever it holds.
    void unusableRatesReadNothing() {
        const auto tone = render({{220.0, 0.3, 0.0, 0.0}}, 1.0, 8000.0);
        for (double sampleRate : {0.0, -48000.0, std::nan(""), 4000.0, 1e12})
            QVERIFY(listen(tone, sampleRate).empty());
    }

    // The same stream pushed in chunks of any size gives the same readings at the same samples.
    void chunkingChangesNothing() {
        auto signal = afterSilence(plucked(noteFrequencyHz(50.0), 2e-4, 1.0));
        addNoise(signal, 1e-3);
        const auto whole = listen(signal, rate, signal.size());
        QVERIFY(whole.size() > 10);
        for (std::size_t chunk : {1, 97, 4096}) {
            const auto pieces = listen(signal, rate, chunk);
            QCOMPARE(pieces.size(), whole.size());
            for (std::size_t i = 0; i < whole.size(); ++i) {
                QCOMPARE(pieces[i].atSample, whole[i].atSample);
                QCOMPARE(pieces[i].hz, whole[i].hz);
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestLiveEstimator)
#include "test_live_estimator.moc"
