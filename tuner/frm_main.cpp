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
#include <QStatusBar>

#include "chords/chord_window.h"
#include "controls/property_bag.h"
#include "controls/xp_button.h"
#include "tuner/about_window.h"
#include "tuner/duration_key_filter.h"
#include "tuner/frm_main_layout.h"

namespace tuner {
namespace {

QFont windowFont() {
    QFont font(toQString(layout::fontFace));
    font.setFamilies({toQString(layout::fontFace), toQString(layout::fontFallback)});
    font.setPointSizeF(layout::fontPoints);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    return font;
}

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
    buildFrame();
    buildChoices();
    buildStrings();
    buildCommands();
    readButtonProperties();
    chainTabOrder();
    behaviour_ = std::make_unique<TunerBehaviour>(
        host_, TunerControls{*this, *cmbInst, *cmbTune, *txtDur},
        [this] { chords::showChordWindow([&host = host_] { host.endProgram(); }); });
    connectHandlers();
    cmbInst->setFocus();
    behaviour_->load();
}

frmMain::~frmMain() = default;

void frmMain::buildFrame() {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(toQString(layout::caption));
    setWindowIcon(QIcon(toQString(layout::windowIcon)));
    setFont(windowFont());
    setFixedSize(layout::clientWidth / layout::twipsPerPixel,
                 layout::clientHeight / layout::twipsPerPixel);

    for (std::size_t i = 0; i < imgDisplay.size(); ++i) {
        imgDisplay[i] = new QLabel(this);
        imgDisplay[i]->setGeometry(layout::pixels(layout::imgDisplay[i].place));
        imgDisplay[i]->setPixmap(QIcon(toQString(layout::imgDisplay[i].text)).pixmap(16, 16));
        lblDisplay[i] = new QLabel(toQString(layout::lblDisplay[i].text), this);
        lblDisplay[i]->setGeometry(layout::pixels(layout::lblDisplay[i].place));
    }
    Line1 = solidStrip(this, layout::pixels(layout::line1),
                       QColor(layout::line1Red, layout::line1Green, layout::line1Blue));
    objStatus = new QStatusBar(this);
    objStatus->setSizeGripEnabled(false);
    objStatus->setGeometry(layout::pixels(layout::objStatus));
}

void frmMain::buildChoices() {
    cmbInst = new QComboBox(this);
    cmbInst->setGeometry(layout::pixels(layout::cmbInst));
    cmbTune = new QComboBox(this);
    cmbTune->setGeometry(layout::pixels(layout::cmbTune));
    txtDur = new QLineEdit(toQString(layout::txtDurText), this);
    txtDur->setGeometry(layout::pixels(layout::txtDur));
    txtDur->setAlignment(Qt::AlignCenter);
    txtDur->setMaxLength(layout::txtDurMaxLength);
    cmdDefaults = new controls::XPButton(this);
    cmdDefaults->setObjectName("cmdDefaults");
    cmdDefaults->setGeometry(layout::pixels(layout::cmdDefaults));
}

void frmMain::buildStrings() {
    // The neck comes first so that the red pointers lie in front of it; it is shown unscaled
    // from its top-left corner and cut off by its box.
    picNeck = new QLabel(this);
    picNeck->setGeometry(layout::pixels(layout::picNeck));
    picNeck->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picNeck->setScaledContents(false);
    picNeck->setPixmap(QPixmap(toQString(layout::neckPicture)));
    for (std::size_t i = 0; i < cmdNote.size(); ++i) {
        cmdNote[i] = new controls::XPButton(this);
        cmdNote[i]->setObjectName(QStringLiteral("cmdNote%1").arg(i));
        cmdNote[i]->setGeometry(layout::pixels(layout::cmdNote[i]));
        picString[i] = solidStrip(this, layout::pixels(layout::picString[i]), QColor(255, 0, 0));
    }
}

void frmMain::buildCommands() {
    std::array<QPushButton*, 3> buttons{};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i] = new QPushButton(toQString(layout::command[i].text), this);
        buttons[i]->setGeometry(layout::pixels(layout::command[i].place));
    }
    Command1 = buttons[0];
    Command2 = buttons[1];
    Command3 = buttons[2];
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
            button = cmdDefaults;
        } else if (name == "cmdNote") {
            const int index = entry["index"].toInt(-1);
            if (index >= 0 && index < static_cast<int>(cmdNote.size())) {
                button = cmdNote[static_cast<std::size_t>(index)];
            }
        }
        if (button) {
            button->readProperties(controls::PropertyBag::fromJson(entry["properties"].toObject()));
        }
    }
}

void frmMain::chainTabOrder() {
    for (QWidget* decoration :
         {static_cast<QWidget*>(picNeck), Line1, static_cast<QWidget*>(objStatus)}) {
        decoration->setFocusPolicy(Qt::NoFocus);
    }
    for (QWidget* pointer : picString)
        pointer->setFocusPolicy(Qt::NoFocus);
    std::vector<QWidget*> order{cmbInst, cmbTune};
    order.insert(order.end(), cmdNote.begin(), cmdNote.end());
    order.insert(order.end(), {txtDur, cmdDefaults, Command1, Command2, Command3});
    for (std::size_t i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void frmMain::connectHandlers() {
    TunerBehaviour* b = behaviour_.get();
    // Only the user's choice runs a list's handler; loading and the defaults run the sound and
    // tuning changes themselves after setting the selections.
    connect(cmbInst, &QComboBox::activated, this, [b] { b->soundChange(); });
    connect(cmbTune, &QComboBox::activated, this, [b] { b->tuningChange(); });
    for (std::size_t i = 0; i < cmdNote.size(); ++i) {
        connect(cmdNote[i], &controls::XPButton::click, this,
                [b, i] { b->playString(static_cast<int>(i)); });
    }
    connect(cmdDefaults, &controls::XPButton::click, this, [b] { b->loadDefaults(); });
    connect(Command1, &QPushButton::clicked, this, [b] { b->showChordWindow(); });
    connect(Command2, &QPushButton::clicked, this, [] { showAboutWindow(); });
    connect(Command3, &QPushButton::clicked, this, [b] { b->exitProgram(); });
    txtDur->installEventFilter(
        new DurationKeyFilter([b](int code) { return b->filterKey(code); }, txtDur));
}

void frmMain::closeEvent(QCloseEvent* event) {
    behaviour_->queryUnload();
    event->accept();
}

}  // namespace tuner
