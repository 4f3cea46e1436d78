// The window never waits for the synth: it is built and shown while a slow SoundFont still
// loads, a string clicked meanwhile sounds once the synth is ready and for its whole length,
// and a load that fails brings the window's one message for a MIDI output it cannot use.

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <future>
#include <mutex>

#include "app/qt_tuner_host.h"
#include "controls/xp_button.h"
#include "midi/system_midi_port.h"
#include "tuner/frm_main.h"

namespace {

struct Heard {
    std::uint8_t status;
    std::uint8_t data1;
    std::uint8_t data2;
    qint64 atMs;
};

// The synth's stand-in: what it is sent, and when.
class RecordingSynth final : public midi::MidiDevice {
public:
    RecordingSynth(std::vector<Heard>& heard, std::mutex& mutex, const QElapsedTimer& clock)
        : heard_(heard), mutex_(mutex), clock_(clock) {}
    int send(const midi::ShortMessage& m) override {
        const std::lock_guard lock(mutex_);
        heard_.push_back({m.status(), m.data1(), m.data2(), clock_.elapsed()});
        return 0;
    }

private:
    std::vector<Heard>& heard_;
    std::mutex& mutex_;
    const QElapsedTimer& clock_;
};

}  // namespace

class TestStartUp : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(dir_.isValid());
        qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
        qputenv("XDG_CACHE_HOME", dir_.filePath("cache").toUtf8());
    }

    void clickDuringLoadingSoundsAfterIt_data() {
        QTest::addColumn<bool>("loads");
        QTest::newRow("synth loads") << true;
        QTest::newRow("synth fails") << false;
    }
    void clickDuringLoadingSoundsAfterIt() {
        QFETCH(bool, loads);
        QElapsedTimer clock;
        clock.start();
        std::mutex mutex;
        std::vector<Heard> heard;
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        // Loads until the test lets it go; a window that waits for it is held up for good
        // (here: 20 s, after which it loads and the checks below fail).
        auto port = std::make_unique<midi::SystemMidiPort>(
            [&, released, loads](std::string& error) -> std::unique_ptr<midi::MidiDevice> {
                released.wait_for(std::chrono::seconds(20));
                if (!loads) {
                    error = "no SoundFont in this test";
                    return nullptr;
                }
                return std::make_unique<RecordingSynth>(heard, mutex, clock);
            });
        port->prepareSynth();
        QStringList messages;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                messages << box->text();
                box->done(QMessageBox::Ok);
            }
        });
        answer.start(10);
        app::QtTunerHost host(std::move(port));
        tuner::frmMain window(host);
        window.txtDur()->setText("2");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // Let go once a 2-second note timed from the click would be over.
        bool silentUntilLoaded = false;
        qint64 releasedAtMs = 0;
        QTimer::singleShot(2100, [&] {
            {
                const std::lock_guard lock(mutex);
                silentUntilLoaded = heard.empty();
            }
            releasedAtMs = clock.elapsed();
            release.set_value();
        });
        QTest::mouseClick(window.cmdNote()[0], Qt::LeftButton);
        const bool releasedDuringTheNote = releasedAtMs > 0;
        if (!releasedDuringTheNote)
            release.set_value();
        QVERIFY2(releasedDuringTheNote, "the note was over before the synth was ready");
        QVERIFY(silentUntilLoaded);

        if (!loads) {
            QCOMPARE(messages, QStringList{"Ne morem povezati na MIDI Mapper"});
            QVERIFY(heard.empty());
            return;
        }
        QVERIFY(messages.isEmpty());
        const std::lock_guard lock(mutex);
        QCOMPARE(heard.size(), std::size_t{3});
        const int program = heard[0].data1;
        QCOMPARE(heard[0].status, std::uint8_t{0xC1});
        QVERIFY(program >= 24 && program <= 30);
        const int note = window.behaviour().currentNotes()[0];
        QCOMPARE(heard[1].status, std::uint8_t{0x91});
        QCOMPARE(int(heard[1].data1), note);
        QCOMPARE(int(heard[1].data2), 127);
        QCOMPARE(heard[2].status, std::uint8_t{0x81});
        QCOMPARE(int(heard[2].data1), note);
        QVERIFY(heard[1].atMs >= releasedAtMs);
        // Two whole seconds on the clock last at least one second of sound.
        QVERIFY2(heard[2].atMs - heard[1].atMs >= 1000,
                 qPrintable(QString("the note sounded %1 ms").arg(heard[2].atMs - heard[1].atMs)));
    }

private:
    QTemporaryDir dir_;
};

QTEST_MAIN(TestStartUp)
#include "test_start_up.moc"
