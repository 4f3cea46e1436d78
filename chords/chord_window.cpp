#include "chords/chord_window.h"

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
#include "controls/enter_key.h"
#include "controls/single_window.h"

namespace chords {

namespace {

constexpr int kClientWidth = 783;
constexpr int kClientHeight = 471;

// The chord grid: one column per chord kind, one row per root; neighbours overlap by a pixel.
struct GridColumn {
    int left;
    int width;
};
constexpr std::array<GridColumn, kKindCount> kGridColumns{
    {{8, 73}, {80, 65}, {144, 65}, {208, 65}, {272, 65}}};
constexpr int kGridTop = 144;
constexpr int kGridRowStep = 24;
constexpr int kButtonHeight = 25;

constexpr QRect kBarreHelpBox{344, 152, 433, 113};
constexpr QRect kSharpsHelpBox{344, 280, 425, 49};
constexpr QRect kBackToTunerBox{360, 392, 97, kButtonHeight};
constexpr QRect kExitBox{480, 392, 81, kButtonHeight};

constexpr int chordIndexNamed(std::string_view name) {
    for (int i = 0; i < kChordCount; ++i) {
        if (kCatalogue[i].buttonName == name) {
            return i;
        }
    }
    return -1;
}

// The chords that take the focus right after "C dur", ahead of the rest of the grid.
constexpr std::array<int, 5> kEarlyTabChords{chordIndexNamed("E"), chordIndexNamed("em"),
                                             chordIndexNamed("esep"), chordIndexNamed("emsep"),
                                             chordIndexNamed("cm")};
static_assert(std::find(kEarlyTabChords.begin(), kEarlyTabChords.end(), -1) ==
              kEarlyTabChords.end());

QString chordCaption(const ChordGrip& grip) {
    const auto kind = static_cast<int>(grip.kind);
    if (grip.kind == ChordKind::Major) {
        return QString::fromLatin1(kRootNames[grip.root]) +
               QString::fromLatin1(kKindCaptions[kind]);
    }
    return QString::fromLatin1(kKindCaptions[kind]);
}

// The boxes were sized for a small system font; where the default font is larger, the help
// text would run out of its box and lose its last lines. Shrink the default font, half a point
// at a time, until the wrapped text fits.
void shrinkFontToFit(QLabel* label) {
    constexpr double kSmallestPointSize = 6.0;
    QFont font = label->font();
    double points = QFontInfo(font).pointSizeF();
    while (label->heightForWidth(label->width()) > label->height() && points > kSmallestPointSize) {
        points -= 0.5;
        font.setPointSizeF(points);
        label->setFont(font);
    }
}

}  // namespace

frmPrijemi::frmPrijemi(std::function<void()> endProgram)
    : endProgram_(std::move(endProgram)), display_(*this) {
    setObjectName(QStringLiteral("frmPrijemi"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(chordWindowCaption());
    // The window's own colour: text in the tooltip text colour of the platform.
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, colours.color(QPalette::ToolTipText));
    setPalette(colours);
    // A plain resizable frame; nothing is laid out, so every control keeps its place.
    resize(kClientWidth, kClientHeight);

    buildNeck();
    buildChordButtons();
    buildHelpTexts();
    buildExitButtons();
    chainTabOrder();
    chordButtons_[0]->setFocus();
    controls::letEnterPressButtons(*this);

    // Loading clears the neck, so the window never opens with a grip shown.
    display_.cisti();
}

void frmPrijemi::buildNeck() {
    auto* neck = new QLabel(this);
    neck->setObjectName(QStringLiteral("Vrat"));
    neck->setPixmap(QPixmap(QStringLiteral(":/chords/neck.png")));
    neck->setGeometry(0, 0, kNeckWidth, kNeckHeight);

    // Created after the neck, so every marker lies above it.
    const QPixmap marker(QStringLiteral(":/chords/marker.png"));
    for (int i = 0; i < kMarkerCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromStdString(markerName(i)));
        label->setPixmap(marker);
        label->setGeometry(kMarkerPlaces[i].left, kMarkerPlaces[i].top, kMarkerWidth,
                           kMarkerHeight);
        markers_[i] = label;
    }
}

void frmPrijemi::buildChordButtons() {
    for (int i = 0; i < kChordCount; ++i) {
        const ChordGrip& grip = kCatalogue[i];
        const GridColumn& column = kGridColumns[static_cast<int>(grip.kind)];
        auto* button = new QPushButton(chordCaption(grip), this);
        button->setObjectName(QString::fromLatin1(grip.buttonName));
        button->setGeometry(column.left, kGridTop + kGridRowStep * grip.root, column.width,
                            kButtonHeight);
        connect(button, &QPushButton::clicked, this, [this, &grip] { display_.showChord(grip); });
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
    makeHelp("Label1", helpTextBarre(), kBarreHelpBox);
    makeHelp("Label2", helpTextSharps(), kSharpsHelpBox);
}

void frmPrijemi::buildExitButtons() {
    backToTuner_ = new QPushButton(QStringLiteral("Nazaj na tuner"), this);
    backToTuner_->setObjectName(QStringLiteral("ZapriAkorde"));
    backToTuner_->setGeometry(kBackToTunerBox);
    connect(backToTuner_, &QPushButton::clicked, this, &QWidget::close);

    exitProgram_ = new QPushButton(QStringLiteral("Izhod"), this);
    exitProgram_->setObjectName(QStringLiteral("Command1"));
    exitProgram_->setGeometry(kExitBox);
    // Ends the program outright: no window's closing step may run first.
    connect(exitProgram_, &QPushButton::clicked, this, [this] {
        if (endProgram_) {
            endProgram_();
        }
    });
}

// "C dur" first, then E major and its kin, then the grid column by column, then the exits.
// Pictures and labels never take the focus, so only the buttons are chained.
void frmPrijemi::chainTabOrder() {
    std::vector<QWidget*> order;
    std::array<bool, kChordCount> placed{};
    const auto addChord = [&](int index) {
        if (!placed[index]) {
            placed[index] = true;
            order.push_back(chordButtons_[index]);
        }
    };
    addChord(0);
    for (int index : kEarlyTabChords) {
        addChord(index);
    }
    for (int kind = 0; kind < kKindCount; ++kind) {
        for (int root = 0; root < kRootCount; ++root) {
            addChord(root * kKindCount + kind);
        }
    }
    order.push_back(backToTuner_);
    order.push_back(exitProgram_);
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void frmPrijemi::setMarkerVisible(int markerIndex, bool visible) {
    markers_[markerIndex]->setVisible(visible);
}

frmPrijemi* showChordWindow(std::function<void()> endProgram) {
    static QPointer<frmPrijemi> openWindow;
    return controls::showSingleWindow(
        openWindow, [&] { return new frmPrijemi(std::move(endProgram)); });
}

}  // namespace chords
