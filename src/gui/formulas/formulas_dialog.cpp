#include "gui/formulas/formulas_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "gui/formulas/keyboard_window.h"

namespace kinevo::gui {

namespace {

QString Q(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string S(const QString& s) { return s.toUtf8().toStdString(); }

const QColor kHeaderColour(0xEC, 0xE9, 0xD8);
const QColor kLabelColour(0xF4, 0xF2, 0xE8);

const char* kFormulasHelp =
    "<h3>Formules</h3>"
    "<p>Une formule calcule une grandeur pour chaque ligne du tableau des résultats. "
    "Cliquer dans la colonne <b>Saisir une formule</b> pour en créer une.</p>"
    "<p>Variables prédéfinies : <b>t</b>, <b>x</b>, <b>y</b>, <b>vx</b>, <b>vy</b>, <b>v</b>, "
    "<b>ax</b>, <b>ay</b>, <b>a</b>, <b>O</b>, <b>R</b>, <b>w</b>, suivies du numéro du système "
    "(<b>x2</b>, <b>vy3</b>) ; <b>B</b> est l'angle des axes.</p>"
    "<p>Exemples :</p><ul>"
    "<li>Ec=0,5*m*v^2</li>"
    "<li>Ep=m*g*y</li>"
    "<li>Em=Ec+Ep</li>"
    "<li>d=sqrt((x2-x1)^2+(y2-y1)^2)</li>"
    "<li>v_lam[i+1]=v_lam[i]+g*(t[i+1]-t[i]) avec la constante v_lam[1]</li>"
    "</ul>"
    "<p>Fonctions : sin, cos, tan, arcsin, arccos, arctan, arctan(y;x), ln, log, exp, abs, sqrt ; "
    "pi vaut 3,14159…</p>"
    "<p>Ligne du haut : clic à gauche, un chiffre de moins ; à droite, un chiffre de plus ; au "
    "milieu, "
    "la colonne se replie ; clic droit, la formule est supprimée.</p>";

const char* kConstantsHelp =
    "<h3>Constantes</h3>"
    "<p>Une constante a un nom, une valeur et une unité. La valeur est un nombre ou une formule "
    "d'autres constantes précédée de « = ».</p>"
    "<p>Exemples :</p><ul>"
    "<li>g = 9,81 (m/s²)</li>"
    "<li>m = 0,250 (kg)</li>"
    "<li>Ray = 0,05 (m)</li>"
    "<li>Vol = =4*pi*Ray^3/3 (m³)</li>"
    "<li>v_lam[1] = 0 : valeur initiale d'une formule récurrente</li>"
    "</ul>"
    "<p>Effacer le nom supprime la constante.</p>";

}  // namespace

void TConstantCellEditor::keyPressEvent(QKeyEvent* e) {
  const QString t = e->text();
  if (t.size() == 1 && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    const std::string typed = TFormulaGrid::TypedCharacter(column_, t.at(0).unicode());
    if (typed != S(t)) {
      if (!typed.empty()) insert(Q(typed));
      return;
    }
  }
  QLineEdit::keyPressEvent(e);
}

QWidget* TConstantDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                         const QModelIndex& index) const {
  auto* e = new TConstantCellEditor(index.column(), parent);
  e->setFrame(false);
  return e;
}

TBoiteFormules::TBoiteFormules(TFormules& formulas, QWidget* parent)
    : QDialog(parent), f_(formulas), logic_(formulas) {
  setWindowTitle(QStringLiteral("Formules et constantes"));
  resize(860, 460);
  auto* layout = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  layout->addWidget(pages_);

  auto makePage = [&](const QString& title, QTableWidget*& grid, QTextBrowser*& help,
                      const char* html) {
    auto* split = new QSplitter(Qt::Horizontal, pages_);
    grid = new QTableWidget(split);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(20);
    help = new QTextBrowser(split);
    help->setHtml(QString::fromUtf8(html));
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    pages_->addTab(split, title);
  };
  makePage(QStringLiteral("Formules"), gridF_, helpF_, kFormulasHelp);
  makePage(QStringLiteral("Constantes"), gridC_, helpC_, kConstantsHelp);
  gridF_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  gridF_->horizontalHeader()->setMinimumSectionSize(TFormulaGrid::kCollapsedWidth);
  gridF_->viewport()->installEventFilter(this);
  gridC_->setItemDelegate(new TConstantDelegate(gridC_));
  gridC_->setEditTriggers(QAbstractItemView::AllEditTriggers);
  connect(gridC_, &QTableWidget::cellChanged, this,
          [this](int row, int col) { ConstantEdited(row, col); });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Fermer"));
  auto* exportButton = buttons->addButton(QStringLiteral("Exporter"), QDialogButtonBox::ActionRole);
  auto* copyButton =
      buttons->addButton(QStringLiteral("Copier le tableau"), QDialogButtonBox::ActionRole);
  connect(exportButton, &QPushButton::clicked, this, &TBoiteFormules::ExportTable);
  connect(copyButton, &QPushButton::clicked, this, &TBoiteFormules::CopyTable);
  auto* calculator =
      buttons->addButton(QStringLiteral("Calculatrice"), QDialogButtonBox::ActionRole);
  calculator->setObjectName(QStringLiteral("ButtonCalculatrice"));
  connect(calculator, &QPushButton::clicked, this, [this] {
    if (ShowCalculator) ShowCalculator();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  Refresh();
}

void TBoiteFormules::Refresh() {
  refreshing_ = true;
  const int cols = logic_.ColCount(), rows = logic_.RowCount();
  gridF_->setColumnCount(cols);
  gridF_->setRowCount(rows);
  for (int c = 0; c < cols; ++c) {
    gridF_->setColumnWidth(c, logic_.ColumnWidth(c));
    for (int r = 0; r < rows; ++r) {
      auto* item = new QTableWidgetItem(Q(logic_.Cell(c, r)));
      if (r < TFormulaGrid::kHeaderRows) {
        item->setBackground(kHeaderColour);
        if (r == 0) item->setTextAlignment(Qt::AlignCenter);
      } else if (c == 0) {
        item->setBackground(kLabelColour);
      } else {
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      }
      gridF_->setItem(r, c, item);
    }
  }
  const int crow = logic_.ConstantRows();
  gridC_->setColumnCount(3);
  gridC_->setRowCount(crow);
  gridC_->setColumnWidth(0, 110);
  gridC_->setColumnWidth(1, 160);
  gridC_->setColumnWidth(2, 110);
  for (int r = 0; r < crow; ++r) {
    for (int c = 0; c < 3; ++c) {
      auto* item = new QTableWidgetItem(Q(logic_.ConstantCell(c, r)));
      if (r == 0) {
        item->setBackground(kHeaderColour);
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
      }
      gridC_->setItem(r, c, item);
    }
  }
  // Expressions show as "=..." once, then as their value.
  for (int i = 0; i < f_.ConstantCount(); ++i) f_.Constant(i).ShowExpression = false;
  refreshing_ = false;
}

void TBoiteFormules::ExportTable() {
  exporter_.SetDialog(Messages ? *Messages : ownMessages_);
  exporter_.SaveAsText(FormulasTable(f_, logic_), VideoFileName ? VideoFileName() : std::string());
}

void TBoiteFormules::CopyTable() {
  exporter_.SetDialog(Messages ? *Messages : ownMessages_);
  exporter_.Copy(FormulasTable(f_, logic_));
}

void TBoiteFormules::ConstantEdited(int row, int col) {
  if (refreshing_ || row < 1) return;
  const std::string text = S(gridC_->item(row, col)->text());
  std::string beside;
  if (col == 0 && gridC_->item(row, 1)) beside = S(gridC_->item(row, 1)->text());
  logic_.ApplyConstantCell(col, row, text, beside);
  // Refresh after the editor has closed.
  QMetaObject::invokeMethod(
      this, [this] { Refresh(); }, Qt::QueuedConnection);
  OnChange();
}

bool TBoiteFormules::DefaultEditor(int page, std::string& formula, std::string& unit,
                                   std::string& comment) {
  QDialog dlg(this);
  dlg.setWindowTitle(QStringLiteral("Formule"));
  auto* form = new QFormLayout(&dlg);
  auto* ef = new QLineEdit(Q(formula), &dlg);
  auto* eu = new QLineEdit(Q(unit), &dlg);
  auto* ec = new QLineEdit(Q(comment), &dlg);
  form->addRow(QStringLiteral("Formule"), ef);
  form->addRow(QStringLiteral("Unité"), eu);
  form->addRow(QStringLiteral("Commentaire"), ec);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
  (page == 0 ? ef : eu)->setFocus();
  if (dlg.exec() != QDialog::Accepted) return false;
  formula = S(ef->text());
  unit = S(eu->text());
  comment = S(ec->text());
  return true;
}

void TBoiteFormules::ClickFormulaGrid(const QPoint& pos, bool rightButton) {
  const QModelIndex index = gridF_->indexAt(pos);
  if (!index.isValid()) return;
  const int row = index.row(), col = index.column();
  const QRect rect = gridF_->visualRect(index);
  if (row == 0) {
    if (logic_.ClickControl(col, pos.x() - rect.x(), rect.width(), rightButton)) {
      Refresh();
      OnChange();
    }
    return;
  }
  if (rightButton || row > 3) return;
  const int i = logic_.FormulaOfColumn(col);
  const bool isNew = logic_.IsNewColumn(col);
  if (!isNew && (i < 0 || !f_.Formula(i).Curve.Expanded)) return;
  std::string formula = isNew ? "" : f_.Formula(i).FormulaText();
  std::string unit = isNew ? "" : f_.Formula(i).UnitText;
  std::string comment = isNew ? "" : f_.Formula(i).Comment;
  const int page = (row == 1 || isNew) ? 0 : 1;
  if (keyboard_ != nullptr) {
    EditWithKeyboard(col, page, rect);
    return;
  }
  const bool accepted = EditTexts ? EditTexts(page, formula, unit, comment)
                                  : DefaultEditor(page, formula, unit, comment);
  if (!accepted) return;
  logic_.ApplyTexts(col, formula, unit, comment);
  Refresh();
  OnChange();
}

void TBoiteFormules::SetKeyboard(TClavier* keyboard) {
  keyboard_ = keyboard;
  keyboardValidated_ =
      keyboard != nullptr
          ? keyboard->Model().OnValidate.Connect([this](void*) { KeyboardValidated(); })
          : TConnection();
}

int32_t TBoiteFormules::ColumnOfFormula(int32_t index) const {
  if (index < 0) return logic_.ColCount() - 1;  // the new formula's column
  for (int32_t c = 0; c < logic_.ColCount(); ++c)
    if (logic_.FormulaOfColumn(c) == index) return c;
  return logic_.ColCount() - 1;
}

// The keyboard stays open over the cell: each formula validated there is
// applied at once, and a refused one leaves the keyboard open for a fix.
void TBoiteFormules::EditWithKeyboard(int col, int page, const QRect& cell) {
  TClavier& k = *keyboard_;
  editedFormula_ = logic_.IsNewColumn(col) ? -1 : logic_.FormulaOfColumn(col);
  const bool isNew = editedFormula_ < 0;
  k.SetFormulaText(isNew ? "" : f_.Formula(editedFormula_).FormulaText());
  k.SetUnitText(isNew ? "" : f_.Formula(editedFormula_).UnitText);
  k.SetCommentText(isNew ? "" : f_.Formula(editedFormula_).Comment);
  k.SetPage(page);
  k.SetPositionFenetre(QRect(gridF_->viewport()->mapToGlobal(cell.topLeft()), cell.size()));
  keyboardOpen_ = true;
  k.exec();
  keyboardOpen_ = false;
  if (editedFormula_ >= 0 && editedFormula_ < f_.FormulaCount()) {
    TFormules::TEditGroup edit(f_);
    TRec& r = f_.Formula(editedFormula_);
    f_.SetUnit(r, k.UnitText());
    f_.SetComment(r, k.CommentText());
  }
  Refresh();
  OnChange();
}

void TBoiteFormules::KeyboardValidated() {
  if (!keyboardOpen_) return;
  TClavier& k = *keyboard_;
  const int32_t before = f_.FormulaCount();
  logic_.ApplyTexts(ColumnOfFormula(editedFormula_), k.FormulaText(), k.UnitText(),
                    k.CommentText());
  // A formula typed in the new column now has a column of its own; an
  // emptied formula is gone, and the next one typed is new.
  if (editedFormula_ < 0 && f_.FormulaCount() > before)
    editedFormula_ = f_.FormulaCount() - 1;
  else if (editedFormula_ >= 0 && f_.FormulaCount() < before)
    editedFormula_ = -1;
  Refresh();
  OnChange();
}

bool TBoiteFormules::eventFilter(QObject* watched, QEvent* event) {
  if (watched == gridF_->viewport() && event->type() == QEvent::MouseButtonPress) {
    auto* me = static_cast<QMouseEvent*>(event);
    ClickFormulaGrid(me->position().toPoint(), me->button() == Qt::RightButton);
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace kinevo::gui
