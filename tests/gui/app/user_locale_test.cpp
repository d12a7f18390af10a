// The locale applied at start-up: the decimal separator of the program and
// Qt's own texts in French on a French desktop only.
#include "gui/app/user_locale.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTranslator>

#include "core/common/number_format.h"
#include "support/french_numeric_locale.h"
#include "support/qt_test_application.h"

namespace kinevo::gui {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_app");

QString QtCancel() { return QCoreApplication::translate("QPlatformTheme", "Cancel"); }

TEST(UserLocale, FrenchDesktopGivesCommaAndFrenchQtTextsOthersKeepEnglishTexts) {
  ScopedDecimalSeparator keep('.');
  // Qt set the C library's numeric locale from the French environment; the
  // start-up puts it back.
  test::FrenchNumericLocale french;
  ASSERT_TRUE(french.Active());
  QTranslator* texts = ApplyUserLocale(*QCoreApplication::instance(), QLocale(QLocale::French));
  EXPECT_EQ(DecimalSeparator(), ',');
  EXPECT_EQ(FloatToText(0.5), "0,5");
  EXPECT_FALSE(french.Active());
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  ASSERT_NE(texts, nullptr) << "Qt's French texts (qt6-translations-l10n) were not found";
  EXPECT_EQ(QtCancel(), QStringLiteral("Annuler"));
  QCoreApplication::removeTranslator(texts);
  delete texts;

  EXPECT_EQ(ApplyUserLocale(*QCoreApplication::instance(), QLocale(QLocale::English)), nullptr);
  EXPECT_EQ(DecimalSeparator(), '.');
  EXPECT_EQ(QtCancel(), QStringLiteral("Cancel"));
  // German numbers use a comma too, but Qt's texts stay English since the
  // program's own are French, not German.
  EXPECT_EQ(ApplyUserLocale(*QCoreApplication::instance(), QLocale(QLocale::German)), nullptr);
  EXPECT_EQ(DecimalSeparator(), ',');
}

}  // namespace
}  // namespace kinevo::gui
