#include "tuner/frm_main.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QIcon>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>

#include "chords/chord_window.h"
#include "controls/accessibility.h"
#include "controls/enter_key.h"
#include "controls/picture_file.h"
#include "controls/property_bag.h"
#include "controls/xp_button.h"
#include "pitch/reference_pitch.h"
#include "tuner/about_window.h"
#include "tuner/duration_key_filter.h"
#include "tuner/frm_main_layout.h"
#include "tuner/listening_window.h"
#include "tuner/window_font.h"

namespace tuner {
namespace {

QWidget* solidStrip(QWidget* parent, const QRect& place, const QColor& colour) {
    auto* strip = new QWidget(parent);
    strip->setGeometry(place);
    strip->setAutoFillBackground(true);
    QPalette palette = strip->palette();
    palette.setColor(QPalette::Window, colour);
    strip->setPalette(palette);
    return strip;
}

}  // namespace

frmMain::frmMain(TunerHost& host) : QWidget(nullptr), host_(host) {
    // Before any child exists: Qt keeps the reader's view it first makes of a widget.
    controls::installAccessibility();
    buildFrame();
    buildChoices();
    buildStrings();
    buildCommands();
    readButtonProperties();
    chainTabOrder();
    describeForReaders();
    behaviour_ = std::make_unique<TunerBehaviour>(
        host_, TunerControls{*this, *cmbInst_, *cmbTune_, *txtDur_, *spnA4_}, [this] {
            chords::showChordWindow([&host = host_] { host.endProgram(); },
                                    behaviour_->chordHost());
        });
    connectHandlers();
    controls::letEnterPressButtons(*this);
    cmbInst_->setFocus();
    behaviour_->load();
}

frmMain::~frmMain() = default;

void frmMain::buildFrame() {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(toQString(layout::caption));
    setWindowIcon(QPixmap::fromImage(controls::readPicture(toQString(layout::windowIcon))));
    setFont(windowFont());
    setFixedSize(layout::clientWidth / layout::twipsPerPixel,
                 layout::clientHeight / layout::twipsPerPixel);

    for (std::size_t i = 0; i < imgDisplay_.size(); ++i) {
        imgDisplay_[i] = new QLabel(this);
        imgDisplay_[i]->setGeometry(layout::pixels(layout::imgDisplay[i].place));
        imgDisplay_[i]->setPixmap(
            QPixmap::fromImage(controls::readPicture(toQString(layout::imgDisplay[i].text))));
        lblDisplay_[i] = new QLabel(toQString(layout::lblDisplay[i].text), this);
        lblDisplay_[i]->setGeometry(layout::pixels(layout::lblDisplay[i].place));
    }
    Line1_ = solidStrip(this, layout::pixels(layout::line1),
                        QColor(layout::line1Red, layout::line1Green, layout::line1Blue));
    objStatus_ = new QStatusBar(this);
    objStatus_->setSizeGripEnabled(false);
    objStatus_->setGeometry(layout::pixels(layout::objStatus));
}

void frmMain::buildChoices() {
    cmbInst_ = new QComboBox(this);
    cmbInst_->setGeometry(layout::pixels(layout::cmbInst));
    cmbTune_ = new QComboBox(this);
    cmbTune_->setGeometry(layout::pixels(layout::cmbTune));
    txtDur_ = new QLineEdit(toQString(layout::txtDurText), this);
    txtDur_->setGeometry(layout::pixels(layout::txtDur));
    txtDur_->setAlignment(Qt::AlignCenter);
    txtDur_->setMaxLength(layout::txtDurMaxLength);
    lblA4_ = new QLabel(toQString(layout::lblA4.text), this);
    lblA4_->setGeometry(layout::pixels(layout::lblA4.place));
    spnA4_ = new QSpinBox(this);
    spnA4_->setObjectName("spnA4");
    spnA4_->setGeometry(layout::pixels(layout::spnA4));
    spnA4_->setRange(pitch::lowestA4, pitch::highestA4);
    spnA4_->setValue(pitch::standardA4);
    spnA4_->setSuffix(toQString(layout::spnA4Suffix));
    spnA4_->setAlignment(Qt::AlignCenter);
    cmdDefaults_ = new controls::XPButton(this);
    cmdDefaults_->setObjectName("cmdDefaults");
    cmdDefaults_->setGeometry(layout::pixels(layout::cmdDefaults));
    cmdListen_ = new controls::XPButton(this);
    cmdListen_->setObjectName("cmdListen");
    cmdListen_->setGeometry(layout::pixels(layout::cmdListen));
}

void frmMain::buildStrings() {
    // The neck comes first so that the red pointers lie in front of it; it is shown unscaled
    // from its top-left corner and cut off by its box.
    picNeck_ = new QLabel(this);
    picNeck_->setGeometry(layout::pixels(layout::picNeck));
    picNeck_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picNeck_->setScaledContents(false);
    picNeck_->setPixmap(QPixmap::fromImage(controls::readPicture(toQString(layout::neckPicture))));
    for (std::size_t i = 0; i < cmdNote_.size(); ++i) {
        cmdNote_[i] = new controls::XPButton(this);
        cmdNote_[i]->setObjectName(QStringLiteral("cmdNote%1").arg(i));
        cmdNote_[i]->setGeometry(layout::pixels(layout::cmdNote[i]));
        picString_[i] = solidStrip(this, layout::pixels(layout::picString[i]), QColor(255, 0, 0));
    }
}

void frmMain::buildCommands() {
    for (std::size_t i = 0; i < command_.size(); ++i) {
        command_[i] = new QPushButton(toQString(layout::command[i].text), this);
        command_[i]->setGeometry(layout::pixels(layout::command[i].place));
    }
}

void frmMain::readButtonProperties() {
    QFile file(toQString(layout::buttonProperties));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QJsonArray stored = QJsonDocument::fromJson(file.readAll()).object()["buttons"].toArray();
    for (const QJsonValue& value : stored) {
        const QJsonObject entry = value.toObject();
        const QString name = entry["name"].toString();
        controls::XPButton* button = nullptr;
        if (name == "cmdDefaults") {
            button = cmdDefaults_;
        } else if (name == "cmdListen") {
            button = cmdListen_;
        } else if (name == "cmdNote") {
            const int index = entry["index"].toInt(-1);
            if (index >= 0 && index < static_cast<int>(cmdNote_.size()))
                button = cmdNote_[static_cast<std::size_t>(index)];
        }
        if (button)
            button->readProperties(controls::PropertyBag::fromJson(entry["properties"].toObject()));
    }
}

void frmMain::chainTabOrder() {
    for (QWidget* decoration :
         {static_cast<QWidget*>(picNeck_), Line1_, static_cast<QWidget*>(objStatus_)})
        decoration->setFocusPolicy(Qt::NoFocus);
    for (QWidget* pointer : picString_)
        pointer->setFocusPolicy(Qt::NoFocus);
    std::vector<QWidget*> order{cmbInst_, cmbTune_};
    order.insert(order.end(), cmdNote_.begin(), cmdNote_.end());
    // "Poslušaj" and then the reference came last: the stops the window had keep their order.
    order.insert(order.end(),
                 {txtDur_, cmdDefaults_, Command1(), Command2(), Command3(), cmdListen_, spnA4_});
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void frmMain::describeForReaders() {
    const std::array<QWidget*, 3> labelled{cmbInst_, cmbTune_, txtDur_};
    for (std::size_t i = 0; i < labelled.size(); ++i) {
        lblDisplay_[i]->setBuddy(labelled[i]);
        QString name = lblDisplay_[i]->text();
        if (name.endsWith(u':'))
            name.chop(1);
        labelled[i]->setAccessibleName(name);
    }
    lblA4_->setBuddy(spnA4_);
    spnA4_->setAccessibleName(toQString(layout::spnA4Name));
    picNeck_->setAccessibleName(toQString(layout::neckName));
    picNeck_->setAccessibleDescription(toQString(layout::neckDescription));
    for (QWidget* decoration : imgDisplay_)
        controls::hideFromReaders(*decoration);
    for (QWidget* decoration : picString_)
        controls::hideFromReaders(*decoration);
    controls::hideFromReaders(*Line1_);
    controls::hideFromReaders(*objStatus_);
}

void frmMain::connectHandlers() {
    TunerBehaviour* b = behaviour_.get();
    // Only the user's choice runs a list's handler; loading and the defaults run the sound and
    // tuning changes themselves after setting the selections.
    connect(
        cmbInst_, &QComboBox::activated, this, [b] { b->soundChange(); });
    connect(cmbTune_, &QComboBox::activated, this, [b] { b->tuningChange(); });
    for (std::size_t i = 0; i < cmdNote_.size(); ++i) {
        connect(
            cmdNote_[i], &controls::XPButton::click, this,
            [b, i] { b->playString(static_cast<int>(i)); });
    }
    connect(
        cmdDefaults_, &controls::XPButton::click, this, [b] { b->loadDefaults(); });
    connect(
        Command1(), &QPushButton::clicked, this, [b] { b->showChordWindow(); });
    connect(
        Command2(), &QPushButton::clicked, this, [] { showAboutWindow(); });
    connect(
        Command3(), &QPushButton::clicked, this, [b] { b->exitProgram(); });
    connect(
        cmdListen_, &controls::XPButton::click, this, [this] { showListening(); });
    connect(
        spnA4_, &QSpinBox::valueChanged, this, [b] { b->referenceChange(); });
    b->onReferenceChanged([](int a4Hz) {
        if (ListeningWindow* listening = openListeningWindow())
            listening->setReference(a4Hz);
    });
    b->onNotesChanged([this](const StringNotes& notes) {
        if (ListeningWindow* listening = openListeningWindow())
            listening->setTargets(notes, stringNames());
    });
    txtDur_->installEventFilter(
        new DurationKeyFilter([b](int code) { return b->filterKey(code); }, txtDur_));
}

void frmMain::showListening() {
    if (ListeningWindow* listening = showListeningWindow(
            host_.microphone(), behaviour_->currentNotes(), stringNames(), &host_.waitHost()))
        listening->setReference(behaviour_->referenceA4());
}

StringNames frmMain::stringNames() const {
    StringNames names;
    for (std::size_t i = 0; i < names.size(); ++i)
        names[i] = cmdNote_[i]->caption();
    return names;
}

void frmMain::closeEvent(QCloseEvent* event) {
    behaviour_->queryUnload();
    event->accept();
}

}  // namespace tuner
