#pragma once
// The user's number conventions and language, applied once at start-up.
#include <QLocale>

class QCoreApplication;
class QTranslator;

namespace kinevo::gui {

// Puts the process's numeric locale (LC_NUMERIC) back to "C", which Qt set
// from the environment; makes the locale's decimal separator the program's
// (documents, tables and value fields then hold "0,5" on a French desktop;
// reading still accepts both), and on a French desktop loads Qt's own French texts so that file
// dialogs and the colour chooser speak the language of the program.
// Returns the installed translator (owned by `app`), or nullptr when Qt's
// texts stay in English.
QTranslator* ApplyUserLocale(QCoreApplication& app, const QLocale& locale = QLocale::system());

}  // namespace kinevo::gui
