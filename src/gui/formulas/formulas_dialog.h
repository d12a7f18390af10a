#pragma once
// The formulas dialog (TBoiteFormules): the formulas grid (GridExF) and the
// constants grid (GridExC), each beside a help pane.  The behaviour of the
// cells lives in core/formulas/formula_grid.h; this window shows it.
#include <QDialog>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <functional>
#include <string>

#include "core/common/signal.h"
#include "core/formulas/formula_grid.h"
#include "core/formulas/user_formulas.h"
#include "gui/common/message_dialog.h"
#include "gui/export/table_exporter.h"

class QTableWidget;
class QTabWidget;
class QTextBrowser;

namespace kinevo::gui {

// Editor of the constants grid: "." and "," give the decimal separator,
// "/" the division sign and "~" nothing, in the first two columns.
class TConstantCellEditor : public QLineEdit {
 public:
  TConstantCellEditor(int column, QWidget* parent) : QLineEdit(parent), column_(column) {}

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  int column_;
};

class TConstantDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex& index) const override;
};

class TClavier;

class TBoiteFormules : public QDialog {
  Q_OBJECT
 public:
  TBoiteFormules(TFormules& formulas, QWidget* parent = nullptr);

  // Edits the three texts of a formula column (page 0: formula, 1: texts).
  // The keyboard dialog plugs in here; by default a small editor opens.
  // Returns false when the user cancelled.
  std::function<bool(int page, std::string& formula, std::string& unit, std::string& comment)>
      EditTexts;
  // Called after every accepted change (the results window refreshes).
  TSignal<> OnChange;
  // The formula keyboard edits the texts when set (null: EditTexts or the
  // small editor).  Every formula it validates is checked and applied at
  // once; the unit and comment it holds are stored when it closes.
  void SetKeyboard(TClavier* keyboard);
  // Shows the calculator (button "Calculatrice").
  std::function<void()> ShowCalculator;

  // "Exporter" and "Copier le tableau" report through `Messages` (the
  // program's message dialog; by default the window's own), and propose a
  // file named after `VideoFileName`.
  TUserDlg* Messages = nullptr;
  std::function<std::string()> VideoFileName;
  TTableExporter& Exporter() { return exporter_; }
  void ExportTable();
  void CopyTable();

  void Refresh();
  QTableWidget* FormulaGrid() const { return gridF_; }
  QTableWidget* ConstantGrid() const { return gridC_; }
  QTabWidget* Pages() const { return pages_; }
  TFormulaGrid& GridLogic() { return logic_; }

  // A click in the formulas grid at a point of its viewport.
  void ClickFormulaGrid(const QPoint& pos, bool rightButton);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ConstantEdited(int row, int col);
  bool DefaultEditor(int page, std::string& formula, std::string& unit, std::string& comment);
  void EditWithKeyboard(int col, int page, const QRect& cell);
  void KeyboardValidated();
  int32_t ColumnOfFormula(int32_t index) const;

  TFormules& f_;
  TFormulaGrid logic_;
  QTabWidget* pages_ = nullptr;
  QTableWidget* gridF_ = nullptr;
  QTableWidget* gridC_ = nullptr;
  QTextBrowser* helpF_ = nullptr;
  QTextBrowser* helpC_ = nullptr;
  bool refreshing_ = false;
  TClavier* keyboard_ = nullptr;
  TConnection keyboardValidated_;
  // While the keyboard is open: the formula it edits, -1 for a new one.
  bool keyboardOpen_ = false;
  int32_t editedFormula_ = -1;
  TQtUserDlgPresenter presenter_{this};
  TUserDlg ownMessages_{&presenter_};
  TTableExporter exporter_{ownMessages_, this};
};

}  // namespace kinevo::gui
