#include "tuner/tuner_behaviour.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMetaObject>
#include <QSpinBox>
#include <QWidget>
#include <cmath>

#include "midi/midi_port.h"
#include "pitch/reference_pitch.h"
#include "tuner/chord_sound.h"
#include "tuner/numeric_text.h"
#include "tuner/tuner_texts.h"

namespace tuner {
TunerBehaviour::TunerBehaviour(TunerHost& host, TunerControls controls,
                               std::function<void()> showChords)
    : host_(host),
      controls_(controls),
      showChords_(std::move(showChords)),
      midiOut_(host.midiPort(), host.waitHost()),
      chordSound_(std::make_shared<ChordSound>(midiOut_, host.waitHost(), host,
                                               [this] { return checkedDuration(); })) {}

TunerBehaviour::~TunerBehaviour() {
    host_.midiPort().onLoadFailed(nullptr);
}

std::weak_ptr<chords::ChordHost> TunerBehaviour::chordHost() const {
    return chordSound_;
}

void TunerBehaviour::load() {
    host_.centreOnScreen(controls_.window);
    fillTuningList();
    fillInstrumentList();
    loadSettings();
    referenceChange();
    // The synth may still be loading its SoundFont when the window shows; if that fails, the
    // user hears of it as of a failed open, on the window's thread.
    host_.midiPort().onLoadFailed([this](int) {
        QMetaObject::invokeMethod(
            &controls_.window, [this] { synthFailed(); }, Qt::QueuedConnection);
    });
    std::int32_t code = 0;
    if (!midiOut_.connectMIDI(midi::mapperId, code)) {
        message(texts::midiFailed, texts::midiFailedTitle, MessageStyle::critical);
        return;
    }
    soundChange();
    tuningChange();
    midiOut_.setBaseNote(0);
}

void TunerBehaviour::synthFailed() {
    std::int32_t ignored = 0;
    midiOut_.closeMIDI(midi::mapperId, ignored);
    message(texts::midiFailed, texts::midiFailedTitle, MessageStyle::critical);
}

void TunerBehaviour::soundChange() {
    // Programs are 24 to 30 or 0, so narrowing to 16 bits keeps the value.
    midiOut_.setInstrument(
        static_cast<std::int16_t>(instrumentProgram(controls_.cmbInst.currentText())));
}

void TunerBehaviour::tuningChange() {
    const int t = controls_.cmbTune.currentIndex() + 1;
    if (t <= 0 || t > static_cast<int>(tuningRows.size()))
        return;
    currentNotes_ = tuningRows[static_cast<std::size_t>(t - 1)].notes;
    if (notesChanged_)
        notesChanged_(currentNotes_);
}

int TunerBehaviour::referenceA4() const {
    return controls_.spnA4.value();
}

void TunerBehaviour::referenceChange() {
    host_.midiPort().setReferencePitch(referenceA4());
    if (referenceChanged_)
        referenceChanged_(referenceA4());
}

void TunerBehaviour::playString(int index) {
    if (index < 0 || index >= stringCount)
        return;
    if (const auto seconds = checkedDuration())
        midiOut_.playNote(currentNotes_[static_cast<std::size_t>(index)],
                          static_cast<std::int16_t>(*seconds));
}

std::optional<int> TunerBehaviour::checkedDuration() {
    QLineEdit& dur = controls_.txtDur;
    const QString duration = dur.text();
    if (duration.isEmpty()) {
        message(texts::durationMissing, texts::durationMissingTitle, MessageStyle::critical);
        dur.setFocus();
        return std::nullopt;
    }
    const auto seconds = durationSeconds(duration);
    if (!seconds) {
        message(texts::durationNotNumeric, texts::durationNotNumericTitle, MessageStyle::critical);
        dur.setFocus();
        dur.setSelection(0, static_cast<int>(dur.text().size()));
    }
    return seconds;
}

int TunerBehaviour::filterKey(int keyAscii) const {
    constexpr int backspace = 8;
    if (keyAscii == backspace)
        return keyAscii;
    if (keyAscii >= '0' && keyAscii <= '9')
        return keyAscii;
    return 0;
}

void TunerBehaviour::loadDefaults() {
    const MessageAnswer answer =
        message(texts::defaultsQuestion, texts::defaultsTitle, MessageStyle::question);
    if (answer != MessageAnswer::yes)
        return;
    selectText(controls_.cmbInst, controls_.cmbInst.itemText(defaultSoundIndex));
    selectText(controls_.cmbTune, controls_.cmbTune.itemText(defaultTuningIndex));
    controls_.txtDur.setText(toQString(defaultDuration));
    soundChange();
    tuningChange();
}

void TunerBehaviour::showChordWindow() {
    if (showChords_)
        showChords_();
}

void TunerBehaviour::exitProgram() {
    host_.endProgram();
}

void TunerBehaviour::queryUnload() {
    saveSettings();
    std::int32_t ignored = 0;
    midiOut_.closeMIDI(midi::mapperId, ignored);
}

void TunerBehaviour::fillTuningList() {
    QComboBox& list = controls_.cmbTune;
    list.clear();
    for (const TuningRow& row : tuningRows)
        list.addItem(toQString(row.name));
    selectText(list, list.itemText(0));
}

void TunerBehaviour::fillInstrumentList() {
    QComboBox& list = controls_.cmbInst;
    list.clear();
    for (const SoundRow& row : soundRows)
        list.addItem(toQString(row.listText));
    selectText(list, list.itemText(defaultSoundIndex));
}

MessageAnswer TunerBehaviour::message(std::u16string_view text, std::u16string_view title,
                                      MessageStyle style) {
    return host_.messageBox(&controls_.window, toQString(text), toQString(title), style);
}

bool TunerBehaviour::selectText(QComboBox& list, const QString& wanted) {
    const int found = list.findText(wanted, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (wanted.isEmpty() || found < 0)
        return false;
    list.setCurrentIndex(found);
    return true;
}

void TunerBehaviour::loadSettings() {
    const QString section = toQString(texts::settingsSection);
    const auto read = [&](std::u16string_view key) {
        return host_.readSetting(section, toQString(key), QString());
    };
    const QString left = read(texts::keyLeft);
    const QString top = read(texts::keyTop);
    const QString windowState = read(texts::keyWindowState);
    const QString instrument = read(texts::keyInstrument);
    const QString tuning = read(texts::keyTuning);
    const QString duration = read(texts::keyDuration);
    const QString a4 = read(texts::keyA4);

    applyStoredPosition(left, top);
    if (const auto state = storedWindowState(windowState))
        controls_.window.setWindowState(*state == 1 ? Qt::WindowMinimized : Qt::WindowNoState);
    if (!instrument.isEmpty())
        selectText(controls_.cmbInst, instrument);
    if (!tuning.isEmpty())
        selectText(controls_.cmbTune, tuning);
    if (storedDurationFits(duration))
        controls_.txtDur.setText(duration);
    controls_.spnA4.setValue(pitch::referenceA4(a4.toStdString()).value_or(pitch::standardA4));
}

void TunerBehaviour::applyStoredPosition(const QString& left, const QString& top) {
    QWidget& window = controls_.window;
    bool moved = false;
    if (const auto value = numericValue(left))
        moved |= host_.setWindowLeft(window, *value);
    if (const auto value = numericValue(top))
        moved |= host_.setWindowTop(window, *value);
    // A position kept from a screen that is gone would hide the window: keep it centred.
    if (moved && !host_.onAnyScreen(window))
        host_.centreOnScreen(window);
}

void TunerBehaviour::saveSettings() {
    QWidget& window = controls_.window;
    QList<std::pair<QString, QString>> values;
    const auto add = [&](std::u16string_view key, const QString& value) {
        values.append({toQString(key), value});
    };
    const auto twips = [](double value) { return QString::number(std::llround(value)); };
    const int state = window.isMinimized() ? 1 : window.isMaximized() ? 2 : 0;
    add(texts::keyLeft, twips(host_.windowLeft(window)));
    add(texts::keyTop, twips(host_.windowTop(window)));
    add(texts::keyWindowState, QString::number(state));
    add(texts::keyInstrument, controls_.cmbInst.currentText());
    add(texts::keyTuning, controls_.cmbTune.currentText());
    add(texts::keyDuration, controls_.txtDur.text());
    add(texts::keyA4, QString::number(referenceA4()));
    // In one write: a store that cannot be written says so once.
    host_.writeSettings(toQString(texts::settingsSection), values);
}

}  // namespace tuner
