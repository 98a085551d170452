// German texts for Qt's own dialogs and buttons (file dialogs, message-box buttons, context
// menus of text fields), which otherwise speak English.
#pragma once

class QCoreApplication;

namespace korvalis {

/// Loads Qt's German translations from the Qt installation and installs them in `app`.
/// Returns false when they are not installed (the dialogs then stay in English).
bool installGermanTranslations(QCoreApplication& app);

}  // namespace korvalis
