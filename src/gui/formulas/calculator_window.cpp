#include "gui/formulas/calculator_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/common/number_format.h"
#include "gui/formulas/pad_line.h"

namespace kinevo::gui {

namespace {

// The pad, six columns wide.
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
    {"SpeedButtonPuissance", pbPower, "xʸ", "Puissance", 2, 3},
    {"SpeedButtonCarre", pbSquare, "x²", "Carré", 2, 4},
    {"SpeedButtonPi", pbPi, "π", "Pi", 2, 5},
    {"SpeedButton7", pb7, "7", "", 3, 0},
    {"SpeedButton8", pb8, "8", "", 3, 1},
    {"SpeedButton9", pb9, "9", "", 3, 2},
    {"SpeedButtonOP", pbOpen, "(", "Parenthèse ouvrante", 3, 3},
    {"SpeedButtonFP", pbClose, ")", "Parenthèse fermante", 3, 4},
    {"SpeedButtonDiv", pbDiv, "÷", "Division", 3, 5},
    {"SpeedButton4", pb4, "4", "", 4, 0},
    {"SpeedButton5", pb5, "5", "", 4, 1},
    {"SpeedButton6", pb6, "6", "", 4, 2},
    {"SpeedButtonE", pbE, "E", "Exposant : 1,5E3 vaut 1500", 4, 3, 2},
    {"SpeedButtonMult", pbMult, "×", "Multiplication", 4, 5},
    {"SpeedButton1", pb1, "1", "", 5, 0},
    {"SpeedButton2", pb2, "2", "", 5, 1},
    {"SpeedButton3", pb3, "3", "", 5, 2},
    {"SpeedButtonEgal", pbEqual, "=", "Calculer", 5, 3, 2, 2},
    {"SpeedButtonMinus", pbMinus, "−", "Soustraction", 5, 5},
    {"SpeedButton0", pb0, "0", "", 6, 0, 2},
    {"SpeedButtonSeparator", pbSeparator, ",", "Séparateur décimal", 6, 2},
    {"SpeedButtonAdd", pbAdd, "+", "Addition", 6, 5},
};

}  // namespace

TCalculatrice::TCalculatrice(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("Calculatrice"));
  setWindowTitle(QString::fromUtf8(TCalculatorModel::kCaption));
  auto* layout = new QVBoxLayout(this);

  memo_ = new TPadLine(this);
  memo_->setObjectName(QStringLiteral("Memo"));
  QFont big = memo_->font();
  big.setPointSizeF(big.pointSizeF() * 1.4);
  memo_->setFont(big);
  memo_->setMinimumHeight(34);
  memo_->BeforeKey = [this] { KeyTyped(); };
  links_ += memo_->OnEnter.Connect([this] { Press(pbEqual); });
  links_ += memo_->OnEdited.Connect([this] { Edited(); });
  layout->addWidget(memo_);

  auto* row = new QHBoxLayout;
  angle_ = new QButtonGroup(this);
  auto* radians = new QRadioButton(QStringLiteral("Radians"), this);
  auto* degrees = new QRadioButton(QString::fromUtf8("Degrés"), this);
  radians->setObjectName(QStringLiteral("RadioGroupAngle0"));
  degrees->setObjectName(QStringLiteral("RadioGroupAngle1"));
  angle_->addButton(radians, TCalculatorModel::kRadians);
  angle_->addButton(degrees, TCalculatorModel::kDegrees);
  radians->setChecked(true);
  connect(angle_, &QButtonGroup::idClicked, this, [this](int id) {
    model_.SetAngleIndex(id);
    memo_->setFocus();
  });
  row->addWidget(radians);
  row->addWidget(degrees);
  row->addStretch(1);
  QToolButton* pred = MakePadButton(this, "SpeedButtonPred", QStringLiteral("◄◄"),
                                    QString::fromUtf8("Saisie précédente"));
  QToolButton* succ = MakePadButton(this, "SpeedButtonSucc", QStringLiteral("►►"),
                                    QStringLiteral("Saisie suivante"));
  connect(pred, &QToolButton::clicked, this, [this] { Previous(); });
  connect(succ, &QToolButton::clicked, this, [this] { Next(); });
  row->addWidget(pred);
  row->addWidget(succ);
  layout->addLayout(row);

  auto* grid = new QGridLayout;
  grid->setSpacing(3);
  AddPadKeys(this, grid, kKeys, static_cast<int>(std::size(kKeys)),
             [this](TPadButton b) { Press(b); });
  layout->addLayout(grid);
  arc_ = Button("SpeedButtonArc");
  arc_->setCheckable(true);
  Button("SpeedButtonSeparator")->setText(QString(QChar::fromLatin1(DecimalSeparator())));

  setFocusProxy(memo_);
  resize(340, 380);
}

QToolButton* TCalculatrice::Button(const char* name) const {
  return findChild<QToolButton*>(QString::fromLatin1(name));
}

void TCalculatrice::Open() {
  // A modal dialog blocks every window but itself and the windows opened
  // modal over it; the modality can only change while hidden.
  const Qt::WindowModality wanted =
      QApplication::activeModalWidget() != nullptr && QApplication::activeModalWidget() != this
          ? Qt::ApplicationModal
          : Qt::NonModal;
  if (windowModality() != wanted) {
    hide();
    setWindowModality(wanted);
  }
  // The separator may have changed with the settings since the last showing.
  Button("SpeedButtonSeparator")->setText(QString(QChar::fromLatin1(DecimalSeparator())));
  show();
  raise();
  activateWindow();
  memo_->setFocus();
}

void TCalculatrice::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) hide();
}

void TCalculatrice::Press(TPadButton b) {
  model_.Line = memo_->Line();
  model_.Press(b);
  if (b == pbArc) {
    const bool arc = model_.ArcMode();
    arc_->setChecked(arc);
    Button("SpeedButtonSin")->setText(arc ? QStringLiteral("asin") : QStringLiteral("sin"));
    Button("SpeedButtonCos")->setText(arc ? QStringLiteral("acos") : QStringLiteral("cos"));
    Button("SpeedButtonTan")->setText(arc ? QStringLiteral("atan") : QStringLiteral("tan"));
  }
  Show();
}

void TCalculatrice::Previous() {
  model_.Line = memo_->Line();
  model_.Previous();
  Show();
}

void TCalculatrice::Next() {
  model_.Line = memo_->Line();
  model_.Next();
  Show();
}

void TCalculatrice::KeyTyped() {
  if (model_.KeyTyped()) memo_->clear();
}

void TCalculatrice::Edited() {
  const TInputLine line = memo_->Line();
  model_.LineEdited(line.Text(), line.Caret());
}

void TCalculatrice::Show() {
  memo_->ShowLine(model_.Line);
  memo_->setFocus();
}

}  // namespace kinevo::gui
