// The formulas dialog's "Exporter" and "Copier le tableau" buttons.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPushButton>
#include <filesystem>

#include "core/common/number_format.h"
#include "gui/formulas/formulas_dialog.h"
#include "support/scripted_dialog.h"
#include "support/shots.h"
#include "support/temp_dir.h"

using namespace kinevo;
using namespace kinevo::gui;

namespace {

class Rows : public IFormulaTable {
 public:
  int32_t RowCount() const override { return 3; }
  int32_t SystemsCount() const override { return 1; }
  double RowTime(int32_t row) const override { return 0.5 * row; }
  bool HasValue(int32_t, int32_t, int32_t) const override { return true; }
  double Value(int32_t, int32_t, int32_t row) const override { return 2.0 * row; }
  double AxisAngle() const override { return 0; }
};

QPushButton* ButtonCalled(QWidget& w, const QString& text) {
  for (auto* b : w.findChildren<QPushButton*>())
    if (b->text() == text) return b;
  return nullptr;
}

TEST(FormulasExport, ButtonsCopyAndSaveTheFormulasTable) {
  ScopedDecimalSeparator sep('.');
  Rows rows;
  TFormules f;
  f.SetTable(&rows);
  f.AddFormula("d=3*x", "distance", "m");
  f.ComputeAll();
  test::ScriptedDialog shown;
  TUserDlg dlg(&shown);
  TBoiteFormules box(f);
  box.Messages = &dlg;
  test::TempDir dir;
  box.VideoFileName = [&] { return dir.File("essai.avi"); };
  box.Exporter().ChooseSaveFile = [](QWidget*, const QString&, const QString& proposed,
                                     const QString&) { return proposed; };

  QPushButton* copy = ButtonCalled(box, QStringLiteral("Copier le tableau"));
  QPushButton* save = ButtonCalled(box, QStringLiteral("Exporter"));
  ASSERT_NE(copy, nullptr);
  ASSERT_NE(save, nullptr);
  box.resize(900, 420);
  EXPECT_TRUE(test::Shot(box, "formulas_dialog_export"));
  copy->click();
  const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
  ASSERT_GE(lines.size(), 9);
  EXPECT_EQ(lines[3], QStringLiteral("t\t3*x"));
  EXPECT_EQ(lines[4], QStringLiteral("s\tm"));
  EXPECT_EQ(lines[5], QStringLiteral("temps\tdistance"));
  EXPECT_EQ(lines[7], QStringLiteral("0.5\t6"));
  save->click();
  EXPECT_TRUE(std::filesystem::exists(dir.File("essai.txt")));
  EXPECT_TRUE(shown.Contains("Enregistrement dans un fichier texte effectué."));
}

}  // namespace
