#include "gui/formulas/keyboard_window.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/formulas/pad_line.h"

namespace kinevo::gui {

namespace {

const TPadKey kKeys[] = {
    {"SpeedButtonDebut", pbHome, "|◄", "Début de la ligne", 0, 0},
    {"SpeedButtonDecSelStart", pbLeft, "◄", "Un caractère à gauche", 0, 1},
    {"SpeedButtonIncSelStart", pbRight, "►", "Un caractère à droite", 0, 2},
    {"SpeedButtonFin", pbEnd, "►|", "Fin de la ligne", 0, 3},
    {"SpeedButtonEffacer", pbDelete, "⌫", "Effacer le caractère avant le curseur", 0, 4},
    {"SpeedButtonAC", pbClear, "AC", "Effacer la ligne", 0, 5},
    {"SpeedButtonArc", pbArc, "Arc", "Fonctions réciproques : arcsin, arccos, arctan", 1, 0},
    {"SpeedButtonSin", pbSin, "sin", "Sinus", 1, 1},
    {"SpeedButtonCos", pbCos, "cos", "Cosinus", 1, 2},
    {"SpeedButtonTan", pbTan, "tan", "Tangente", 1, 3},
    {"SpeedButtonLn", pbLn, "ln", "Logarithme népérien", 1, 4},
    {"SpeedButtonLog", pbLog, "log", "Logarithme décimal", 1, 5},
    {"SpeedButtonExp", pbExp, "exp", "Exponentielle", 2, 0},
    {"SpeedButtonPuissance10", pbPower10, "10ˣ", "Puissance de 10", 2, 1},
    {"SpeedButtonRacine", pbSqrt, "√", "Racine carrée", 2, 2},
    {"SpeedButtonAbs", pbAbs, "|x|", "Valeur absolue", 2, 3},
    {"SpeedButtonPuissance", pbPower, "xʸ", "Puissance", 2, 4},
    {"SpeedButtonCarre", pbSquare, "x²", "Carré", 2, 5},
    {"SpeedButtonOP", pbOpen, "(", "Parenthèse ouvrante", 3, 0},
    {"SpeedButtonFP", pbClose, ")", "Parenthèse fermante", 3, 1},
    {"SpeedButtonCrochetOuvert", pbBracketOpen, "[", "Crochet ouvrant", 3, 2},
    {"SpeedButtonCrochetFerme", pbBracketClose, "]", "Crochet fermant", 3, 3},
    {"SpeedButtonInvX", pbInverse, "1/x", "Inverse", 3, 4},
    {"SpeedButtonPi", pbPi, "π", "Pi", 3, 5},
    {"SpeedButtonAdd", pbAdd, "+", "Addition", 4, 0},
    {"SpeedButtonMinus", pbMinus, "−", "Soustraction", 4, 1},
    {"SpeedButtonMult", pbMult, "×", "Multiplication", 4, 2},
    {"SpeedButtonDiv", pbDiv, "÷", "Division", 4, 3},
    {"SpeedButtonE", pbE, "E", "Exposant : 1,5E3 vaut 1500", 4, 4},
    {"SpeedButtonEgal", pbEqual, "=", "Signe égal : nom=formule", 4, 5},
    {"SpeedButtonIMoins1", pbIndexBefore, "[i-1]", "Valeur de la ligne précédente", 5, 0},
    {"SpeedButtonI", pbIndex, "[i]", "Valeur de la ligne", 5, 1},
    {"SpeedButtonIPlus1", pbIndexAfter, "[i+1]", "Valeur de la ligne suivante", 5, 2},
};

}  // namespace

// ---------------------------------------------------------------- TFavouriteCombo

TFavouriteCombo::TFavouriteCombo(const TFavouriteList& list, QWidget* parent)
    : QComboBox(parent), list_(list) {
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(12);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TFavouriteCombo::Reload() {
  clear();
  for (const std::string& item : list_.Items()) addItem(ToQ(item));
  setCurrentIndex(-1);
}

void TFavouriteCombo::showPopup() {
  const int longest = list_.LongestItem();
  const int textWidth =
      longest < 0 ? 0 : fontMetrics().horizontalAdvance(ToQ(list_.Items()[longest]));
  view()->setMinimumWidth(FavouriteListWidth(width(), textWidth));
  QComboBox::showPopup();
}

void TFavouriteCombo::hidePopup() {
  const bool wasOpen = view()->isVisible();
  QComboBox::hidePopup();
  if (wasOpen) OnClosed();
}

// ---------------------------------------------------------------- TClavier

TClavier::TClavier(ISettingsStore* settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  setObjectName(QStringLiteral("Clavier"));
  setWindowTitle(QString::fromUtf8(TKeyboardModel::kCaption));
  if (settings_ != nullptr)
    settings_->Read([this](const IKeyReader& keys) { model_.LoadFavourites(keys); });

  auto* layout = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("PageControl"));
  pages_->addTab(BuildFormulaPage(), QStringLiteral("Formule"));
  pages_->addTab(BuildTextsPage(), QStringLiteral("Textes"));
  layout->addWidget(pages_);
  connect(pages_, &QTabWidget::currentChanged, this, [this](int page) {
    (page == TKeyboardModel::kFormulaPage ? memoF_ : memoU_)->setFocus();
  });
  resize(400, 360);
}

TClavier::~TClavier() {
  // The children outlive this part of the object: nothing may call back here.
  links_.DisconnectAll();
  // Nobody is left to tell as the window goes.
  (void)SaveFavourites();
}

TStatus TClavier::SaveFavourites() {
  if (settings_ == nullptr || !model_.FavouritesChanged()) return {};
  return settings_->Update([this](IKeyWriter& keys) { model_.SaveFavourites(keys); });
}

QWidget* TClavier::BuildFormulaPage() {
  auto* page = new QWidget(pages_);
  page->setObjectName(QStringLiteral("TabSheetF"));
  auto* v = new QVBoxLayout(page);

  memoF_ = new TPadLine(page);
  memoF_->setObjectName(QStringLiteral("MemoF"));
  links_ += memoF_->OnEnter.Connect([this] { Validate(); });
  comboF_ = new TFavouriteCombo(model_.FavouriteFormulas, page);
  comboF_->setObjectName(QStringLiteral("ComboBoxF"));
  comboF_->setToolTip(QStringLiteral("Formules favorites"));
  comboF_->setPlaceholderText(comboF_->toolTip());
  // Closing the list, chosen or not, gives the line back its caret.
  links_ += comboF_->OnClosed.Connect([this] {
    memoF_->setFocus();
    memoF_->end(false);
  });
  auto* historyRow = new QHBoxLayout;
  historyRow->addWidget(memoF_, 1);
  auto* favouriteRow = new QHBoxLayout;
  favouriteRow->addWidget(comboF_, 1);
  WireLine({memoF_, &TKeyboardModel::Formula, &TKeyboardModel::FormulaHistory,
            &TKeyboardModel::FavouriteFormulas, comboF_},
           "F", "Ajouter la formule saisie à la liste", historyRow, favouriteRow);
  v->addLayout(historyRow);
  v->addLayout(favouriteRow);

  auto* clip = new QHBoxLayout;
  auto clipButton = [&](const char* name, const char* label, const char* hint) {
    QToolButton* b = MakePadButton(page, name, QString::fromUtf8(label), QString::fromUtf8(hint));
    clip->addWidget(b);
    return b;
  };
  QToolButton* copy =
      clipButton("ButtonCopier", "Copier", "Copier la formule dans le presse-papier");
  QToolButton* cut =
      clipButton("ButtonCouper", "Couper", "Couper la formule vers le presse-papier");
  QToolButton* paste = clipButton("ButtonColler", "Coller", "Coller le presse-papier au curseur");
  connect(copy, &QToolButton::clicked, this, [this] {
    memoF_->selectAll();
    memoF_->copy();
    memoF_->deselect();
    memoF_->setFocus();
  });
  connect(cut, &QToolButton::clicked, this, [this] {
    memoF_->selectAll();
    memoF_->copy();
    memoF_->clear();
    memoF_->setFocus();
  });
  connect(paste, &QToolButton::clicked, this, [this] {
    memoF_->paste();
    memoF_->setFocus();
  });
  v->addLayout(clip);

  auto* grid = new QGridLayout;
  grid->setSpacing(3);
  AddPadKeys(page, grid, kKeys, static_cast<int>(std::size(kKeys)),
             [this](TPadButton b) { Press(b); });
  QToolButton* exe = MakePadButton(page, "SpeedButtonExe", QStringLiteral("Valider"),
                                   QStringLiteral("Valider la saisie"));
  connect(exe, &QToolButton::clicked, this, [this] { Validate(); });
  grid->addWidget(exe, 5, 3, 1, 3);
  Button("SpeedButtonArc")->setCheckable(true);
  v->addLayout(grid);
  return page;
}

QWidget* TClavier::BuildTextsPage() {
  auto* page = new QWidget(pages_);
  page->setObjectName(QStringLiteral("TabSheetUC"));
  auto* v = new QVBoxLayout(page);
  auto addLine = [&](const char* label, const char* suffix, TPadLine*& memo,
                     TFavouriteCombo*& combo, const TFavouriteList& list, const char* comboHint,
                     const char* addHint, TInputLine TKeyboardModel::*line,
                     TKeyboardHistory TKeyboardModel::*history,
                     TFavouriteList TKeyboardModel::*favourites) {
    v->addWidget(new QLabel(QString::fromUtf8(label), page));
    memo = new TPadLine(page);
    memo->setObjectName(QStringLiteral("Memo") + QLatin1String(suffix));
    memo->TranslateKeys = false;  // "m/s" keeps its slash
    combo = new TFavouriteCombo(list, page);
    combo->setObjectName(QStringLiteral("ComboBox") + QLatin1String(suffix));
    combo->setToolTip(QString::fromUtf8(comboHint));
    combo->setPlaceholderText(combo->toolTip());
    auto* historyRow = new QHBoxLayout;
    historyRow->addWidget(memo, 1);
    auto* favouriteRow = new QHBoxLayout;
    favouriteRow->addWidget(combo, 1);
    WireLine({memo, line, history, favourites, combo}, suffix, addHint, historyRow, favouriteRow);
    v->addLayout(historyRow);
    v->addLayout(favouriteRow);
  };
  addLine("Unité", "U", memoU_, comboU_, model_.FavouriteUnits, "Unités fréquemment utilisées",
          "Ajouter l'unité saisie à la liste", &TKeyboardModel::Unit, &TKeyboardModel::UnitHistory,
          &TKeyboardModel::FavouriteUnits);
  addLine("Commentaire", "C", memoC_, comboC_, model_.FavouriteComments, "Commentaires courants",
          "Ajouter le commentaire saisi à la liste", &TKeyboardModel::Comment,
          &TKeyboardModel::CommentHistory, &TKeyboardModel::FavouriteComments);
  v->addStretch(1);
  ok_ = new QPushButton(QStringLiteral("OK"), page);
  ok_->setObjectName(QStringLiteral("BitBtnUC"));
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, [this] {
    Validate();
    accept();
  });
  auto* okRow = new QHBoxLayout;
  okRow->addStretch(1);
  okRow->addWidget(ok_);
  v->addLayout(okRow);
  return page;
}

void TClavier::WireLine(const TLineParts& p, const char* suffix, const char* addHint,
                        QBoxLayout* historyRow, QBoxLayout* favouriteRow) {
  QWidget* page = p.line->parentWidget();
  const std::string s(suffix);
  auto name = [&](const char* stem) { return std::string(stem) + s; };
  QToolButton* pred = MakePadButton(page, name("ButtonPred").c_str(), QStringLiteral("◄◄"),
                                    QString::fromUtf8("Saisie précédente"));
  QToolButton* succ = MakePadButton(page, name("ButtonSucc").c_str(), QStringLiteral("►►"),
                                    QStringLiteral("Saisie suivante"));
  QToolButton* add = MakePadButton(page, name("ButtonAdd").c_str(), QStringLiteral("+"),
                                   QString::fromUtf8(addHint));
  QToolButton* del = MakePadButton(page, name("ButtonSuppr").c_str(), QStringLiteral("−"),
                                   QString::fromUtf8("Supprimer l'item sélectionné de la liste"));
  for (QToolButton* b : {pred, succ, add, del})
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  historyRow->addWidget(pred);
  historyRow->addWidget(succ);
  favouriteRow->addWidget(add);
  favouriteRow->addWidget(del);

  connect(pred, &QToolButton::clicked, this, [this, p] {
    PullLines();
    model_.Previous(model_.*p.history, model_.*p.model);
    PushLines();
    p.line->setFocus();
  });
  connect(succ, &QToolButton::clicked, this, [this, p] {
    PullLines();
    model_.Next(model_.*p.history, model_.*p.model);
    PushLines();
    p.line->setFocus();
  });
  connect(add, &QToolButton::clicked, this, [this, p] {
    if ((model_.*p.favourites).Add(FromQ(p.line->text()))) p.combo->Reload();
  });
  connect(del, &QToolButton::clicked, this, [this, p] {
    if ((model_.*p.favourites).Delete(p.combo->currentIndex())) p.combo->Reload();
  });
  connect(p.combo, &QComboBox::activated, this, [this, p](int index) {
    const std::vector<std::string>& items = (model_.*p.favourites).Items();
    if (index < 0 || index >= static_cast<int>(items.size())) return;
    p.line->setText(ToQ(items[index]));
    p.line->end(false);
    p.line->setFocus();
  });
}

QToolButton* TClavier::Button(const char* name) const {
  return findChild<QToolButton*>(QString::fromLatin1(name));
}

void TClavier::PullLines() {
  model_.Formula = memoF_->Line();
  model_.Unit = memoU_->Line();
  model_.Comment = memoC_->Line();
}

void TClavier::PushLines() {
  memoF_->ShowLine(model_.Formula);
  memoU_->ShowLine(model_.Unit);
  memoC_->ShowLine(model_.Comment);
}

void TClavier::Press(TPadButton b) {
  PullLines();
  model_.Press(b);
  PushLines();
  if (b == pbArc) ShowArc();
  memoF_->setFocus();
}

void TClavier::ShowArc() {
  const bool arc = model_.ArcMode();
  Button("SpeedButtonArc")->setChecked(arc);
  Button("SpeedButtonSin")->setText(arc ? QStringLiteral("asin") : QStringLiteral("sin"));
  Button("SpeedButtonCos")->setText(arc ? QStringLiteral("acos") : QStringLiteral("cos"));
  Button("SpeedButtonTan")->setText(arc ? QStringLiteral("atan") : QStringLiteral("tan"));
}

void TClavier::Validate() {
  PullLines();
  model_.ValidateFormula();
}

std::string TClavier::FormulaText() const { return TrimText(FromQ(memoF_->text())); }
std::string TClavier::UnitText() const { return TrimText(FromQ(memoU_->text())); }
std::string TClavier::CommentText() const { return TrimText(FromQ(memoC_->text())); }

void TClavier::SetFormulaText(const std::string& text) {
  memoF_->setText(ToQ(text));
  memoF_->end(false);
}

void TClavier::SetUnitText(const std::string& text) {
  memoU_->setText(ToQ(text));
  memoU_->end(false);
}

void TClavier::SetCommentText(const std::string& text) {
  memoC_->setText(ToQ(text));
  memoC_->end(false);
}

void TClavier::SetPage(int page) {
  pages_->setCurrentIndex(page == TKeyboardModel::kTextsPage ? 1 : 0);
}

int TClavier::Page() const { return pages_->currentIndex(); }

void TClavier::SetPositionFenetre(const QRect& cell) {
  QScreen* screen = QGuiApplication::screenAt(cell.center());
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  const QSize size = frameGeometry().size();
  TScreenRect r{cell.left() - area.left(), cell.top() - area.top(),
                cell.left() - area.left() + cell.width(), cell.top() - area.top() + cell.height()};
  int32_t left = x() - area.left(), top = y() - area.top();
  KeyboardPosition(r, size.width(), size.height(), area.width(), area.height(), left, top);
  move(area.left() + left, area.top() + top);
}

void TClavier::showEvent(QShowEvent* e) {
  const bool editable = !FavouritesEditable || FavouritesEditable();
  for (const char* stem : {"ButtonAdd", "ButtonSuppr"})
    for (const char* suffix : {"F", "U", "C"})
      Button((std::string(stem) + suffix).c_str())->setVisible(editable);
  for (TFavouriteCombo* c : {comboF_, comboU_, comboC_}) c->Reload();
  QDialog::showEvent(e);
  (Page() == TKeyboardModel::kFormulaPage ? memoF_ : memoU_)->setFocus();
}

void TClavier::hideEvent(QHideEvent* e) {
  if (!e->spontaneous()) {
    PullLines();
    model_.Hidden();
  }
  QDialog::hideEvent(e);
}

}  // namespace kinevo::gui
