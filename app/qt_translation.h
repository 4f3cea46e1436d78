#pragma once
// Qt's own texts (a text box's context menu, dialogs) in Slovenian, whatever the user's locale:
// the program speaks nothing else.

class QCoreApplication;

namespace app {

// Loads and installs the system's Slovenian Qt translation for `application`. Returns false,
// leaving Qt's texts English, where the system has none (package qt6-translations-l10n).
bool installQtTranslation(QCoreApplication& application);

}  // namespace app
