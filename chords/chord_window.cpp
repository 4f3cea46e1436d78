#include "chords/chord_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QFontInfo>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <algorithm>
#include <vector>

#include "chords/chord_texts.h"
#include "chords/chord_window_layout.h"
#include "controls/enter_key.h"
#include "controls/single_window.h"

namespace chords {

namespace {

using namespace layout;

constexpr int chordIndexNamed(std::string_view name) {
    for (int i = 0; i < chordCount; ++i)
        if (catalogue[i].buttonName == name)
            return i;
    return -1;
}

// The chords that take the focus right after "C dur", ahead of the rest of the grid.
constexpr std::array<int, 5> earlyTabChords{chordIndexNamed("E"), chordIndexNamed("em"),
                                            chordIndexNamed("esep"), chordIndexNamed("emsep"),
                                            chordIndexNamed("cm")};
static_assert(std::find(earlyTabChords.begin(), earlyTabChords.end(), -1) == earlyTabChords.end());

QString chordCaption(const ChordGrip& grip) {
    const auto kind = static_cast<int>(grip.kind);
    if (grip.kind == ChordKind::major)
        return QString::fromLatin1(rootNames[grip.root]) + QString::fromLatin1(kindCaptions[kind]);
    return QString::fromLatin1(kindCaptions[kind]);
}

// The boxes were sized for a small system font; where the default font is larger, the help
// text would run out of its box and lose its last lines. Shrink the default font, half a point
// at a time, until the wrapped text fits.
void shrinkFontToFit(QLabel* label) {
    constexpr double smallestPointSize = 6.0;
    QFont font = label->font();
    double points = QFontInfo(font).pointSizeF();
    while (label->heightForWidth(label->width()) > label->height() && points > smallestPointSize) {
        points -= 0.5;
        font.setPointSizeF(points);
        label->setFont(font);
    }
}

}  // namespace

frmPrijemi::frmPrijemi(std::function<void()> endProgram, std::weak_ptr<ChordHost> host)
    : endProgram_(std::move(endProgram)), display_(*this, std::move(host)) {
    setObjectName(QStringLiteral("frmPrijemi"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(chordWindowCaption());
    // The window's own colour: text in the tooltip text colour of the platform.
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, colours.color(QPalette::ToolTipText));
    setPalette(colours);
    // A plain resizable frame; nothing is laid out, so every control keeps its place.
    resize(clientWidth, clientHeight);

    buildNeck();
    buildChordButtons();
    buildHelpTexts();
    buildExitButtons();
    buildPlayControls();
    chainTabOrder();
    chordButtons_[0]->setFocus();
    controls::letEnterPressButtons(*this);

    // Loading clears the neck, so the window never opens with a grip shown.
    display_.cisti();
    display_.showStoredHand();
}

void frmPrijemi::buildNeck() {
    neck_ = new QLabel(this);
    neck_->setObjectName(QStringLiteral("Vrat"));
    neck_->setGeometry(0, 0, neckWidth, neckHeight);

    // Created after the neck, so every marker lies above it.
    const QPixmap marker(QStringLiteral(":/chords/marker.png"));
    for (int i = 0; i < markerCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromStdString(markerName(i)));
        label->setPixmap(marker);
        label->resize(markerWidth, markerHeight);
        markers_[i] = label;
    }
}

void frmPrijemi::buildChordButtons() {
    for (int i = 0; i < chordCount; ++i) {
        const ChordGrip& grip = catalogue[i];
        const GridColumn& column = gridColumns[static_cast<int>(grip.kind)];
        auto* button = new QPushButton(chordCaption(grip), this);
        button->setObjectName(QString::fromLatin1(grip.buttonName));
        // The grid shows the root only on the major column; a reader needs it on every grip.
        button->setAccessibleName(
            QString::fromLatin1(rootNames[grip.root]) + QLatin1Char(' ') +
            QString::fromLatin1(kindCaptions[static_cast<int>(grip.kind)]).trimmed());
        button->setGeometry(column.left, gridTop + gridRowStep * grip.root, column.width,
                            buttonHeight);
        connect(button, &QPushButton::clicked, this, [this, &grip] {
            display_.showChord(grip);
            play_->setEnabled(true);
        });
        chordButtons_[i] = button;
    }
}

void frmPrijemi::buildHelpTexts() {
    // Plain text keeps the runs of spaces that rich text would fold into one.
    const auto makeHelp = [this](const char* name, const QString& text, const QRect& box) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setText(text);
        label->setGeometry(box);
        shrinkFontToFit(label);
    };
    makeHelp("Label1", helpTextBarre(), barreHelpBox);
    makeHelp("Label2", helpTextSharps(), sharpsHelpBox);
}

void frmPrijemi::buildExitButtons() {
    backToTuner_ = new QPushButton(QStringLiteral("Nazaj na tuner"), this);
    backToTuner_->setObjectName(QStringLiteral("ZapriAkorde"));
    backToTuner_->setGeometry(backToTunerBox);
    connect(backToTuner_, &QPushButton::clicked, this, &QWidget::close);

    exitProgram_ = new QPushButton(QStringLiteral("Izhod"), this);
    exitProgram_->setObjectName(QStringLiteral("Command1"));
    exitProgram_->setGeometry(exitBox);
    // Ends the program outright: no window's closing step may run first.
    connect(exitProgram_, &QPushButton::clicked, this, [this] {
        display_.silence();
        if (endProgram_)
            endProgram_();
    });
}

void frmPrijemi::buildPlayControls() {
    play_ = new QPushButton(QStringLiteral("Zaigraj"), this);
    play_->setObjectName(QStringLiteral("cmdZaigraj"));
    play_->setAccessibleName(play_->text());
    play_->setGeometry(playBox);
    play_->setEnabled(false);  // until a chord button shows a grip
    connect(play_, &QPushButton::clicked, this, [this] { display_.play(); });

    leftHanded_ = new QCheckBox(QString::fromUtf8("Za levičarje"), this);
    leftHanded_->setObjectName(QStringLiteral("chkLevicar"));
    leftHanded_->setGeometry(leftHandedBox);
    connect(leftHanded_, &QCheckBox::clicked, this,
            [this](bool checked) { display_.chooseHand(checked ? Hand::left : Hand::right); });
}

// "C dur" first, then E major and its kin, then the grid column by column, then the exits.
// Pictures and labels never take the focus, so only the buttons are chained.
void frmPrijemi::chainTabOrder() {
    std::vector<QWidget*> order;
    std::array<bool, chordCount> placed{};
    const auto addChord = [&](int index) {
        if (!placed[index]) {
            placed[index] = true;
            order.push_back(chordButtons_[index]);
        }
    };
    addChord(0);
    for (int index : earlyTabChords)
        addChord(index);
    for (int kind = 0; kind < kindCount; ++kind)
        for (int root = 0; root < rootCount; ++root)
            addChord(root * kindCount + kind);
    order.push_back(backToTuner_);
    order.push_back(exitProgram_);
    order.push_back(leftHanded_);
    order.push_back(play_);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void frmPrijemi::setMarkerVisible(int markerIndex, bool visible) {
    markers_[markerIndex]->setVisible(visible);
}

void frmPrijemi::showHand(Hand hand) {
    neck_->setPixmap(QPixmap(hand == Hand::left ? QStringLiteral(":/chords/neck_left.png")
                                                : QStringLiteral(":/chords/neck.png")));
    for (int i = 0; i < markerCount; ++i)
        markers_[i]->move(markerLeft(markerPlaces[i], hand), markerPlaces[i].top);
    leftHanded_->setChecked(hand == Hand::left);
}

void frmPrijemi::closeEvent(QCloseEvent* event) {
    display_.silence();
    event->accept();
}

frmPrijemi* showChordWindow(std::function<void()> endProgram, std::weak_ptr<ChordHost> host) {
    static QPointer<frmPrijemi> openWindow;
    return controls::showSingleWindow(
        openWindow, [&] { return new frmPrijemi(std::move(endProgram), std::move(host)); });
}

}  // namespace chords
