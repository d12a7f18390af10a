#include "gui/app/user_locale.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "core/common/number_format.h"

namespace kinevo::gui {

QTranslator* ApplyUserLocale(QCoreApplication& app, const QLocale& locale) {
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
