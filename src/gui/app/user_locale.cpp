#include "gui/app/user_locale.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <clocale>

#include "core/common/number_format.h"

namespace kinevo::gui {

QTranslator* ApplyUserLocale(QCoreApplication& app, const QLocale& locale) {
  // Qt set the C library's whole locale from the environment when the
  // application object was made; numbers go back to the C conventions, which
  // the file formats and the libraries that write them (libxlsxwriter) expect.
  std::setlocale(LC_NUMERIC, "C");
  SetDecimalSeparator(locale.decimalPoint() == QStringLiteral(",") ? ',' : '.');
  // The program's own texts are French whatever the locale: Qt's are
  // translated only to match them, never into another language.
  if (locale.language() != QLocale::French) return nullptr;
  auto* texts = new QTranslator(&app);
  if (!texts->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete texts;
    return nullptr;
  }
  QCoreApplication::installTranslator(texts);
  return texts;
}

}  // namespace kinevo::gui
