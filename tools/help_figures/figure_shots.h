#pragma once
// Screenshots of the tuner window, rendered off screen with its default choices: the whole
// window for the README, and the help page's two figures from the window with English texts.

#include <QImage>
#include <QRect>

namespace help_figures {

enum class Language { slovenian, english };

// The tuner window's client area, 514 x 387. English replaces every caption and the two lists'
// shown entries; the bottom three buttons can be left out so a crop below them stays plain.
QImage renderTunerWindow(Language language, bool withCommandButtons = true);

// Figure 1.0, 473 x 114: the top of the window, the instrument list circled in red.
QImage figureChoices(const QImage& window);
// Figure 1.1, 473 x 269: the string buttons, pointers and neck, over the status bar.
QImage figureStrings(const QImage& windowWithoutCommands);

inline constexpr QSize figureChoicesSize{473, 114};
inline constexpr QSize figureStringsSize{473, 269};

}  // namespace help_figures
