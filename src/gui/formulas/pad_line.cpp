#include "gui/formulas/pad_line.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <algorithm>

namespace kinevo::gui {

namespace {

// Qt counts UTF-16 units; the core counts characters.
int CharsBefore(const QString& text, int units) {
  int chars = 0;
  for (int i = 0; i < units && i < text.size(); ++i)
    if (!text.at(i).isLowSurrogate()) ++chars;
  return chars;
}

int UnitsBefore(const QString& text, int chars) {
  int i = 0;
  for (int n = 0; n < chars && i < text.size(); ++n) i += text.at(i).isHighSurrogate() ? 2 : 1;
  return std::min(i, static_cast<int>(text.size()));
}

}  // namespace

QString ToQ(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string FromQ(const QString& s) { return s.toUtf8().toStdString(); }

TPadLine::TPadLine(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::textEdited, this, [this] { OnEdited(); });
}

TInputLine TPadLine::Line() const {
  const int at = hasSelectedText() ? selectionStart() : cursorPosition();
  return TInputLine(FromQ(text()), CharsBefore(text(), at));
}

void TPadLine::ShowLine(const TInputLine& line) {
  const QString t = ToQ(line.Text());
  if (t != text()) setText(t);
  setCursorPosition(UnitsBefore(t, line.Caret()));
}

void TPadLine::keyPressEvent(QKeyEvent* e) {
  const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
  const bool command = (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0;
  const QString t = e->text();
  const bool typing = !command && !t.isEmpty() && t.at(0).isPrint();
  const bool erasing = e->key() == Qt::Key_Backspace || e->key() == Qt::Key_Delete;
  if ((enter || typing || erasing) && BeforeKey) BeforeKey();
  if (enter && OnEnter) {
    // Kept from the dialog, whose default button would otherwise take it.
    e->accept();
    OnEnter();
    return;
  }
  if (TranslateKeys && typing && t.size() == 1) {
    const QString translated = ToQ(TranslateTypedCharacter(t.at(0).unicode()));
    if (translated != t) {
      insert(translated);
      OnEdited();
      return;
    }
  }
  QLineEdit::keyPressEvent(e);
}

QToolButton* MakePadButton(QWidget* parent, const char* name, const QString& label,
                           const QString& hint) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(label);
  b->setToolTip(hint);
  b->setFocusPolicy(Qt::NoFocus);  // the line keeps the focus and its caret
  b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  b->setMinimumSize(40, 28);
  return b;
}

void AddPadKeys(QWidget* parent, QGridLayout* grid, const TPadKey* keys, int count,
                const std::function<void(TPadButton)>& pressed) {
  for (int i = 0; i < count; ++i) {
    const TPadKey& k = keys[i];
    QToolButton* b =
        MakePadButton(parent, k.name, QString::fromUtf8(k.label), QString::fromUtf8(k.hint));
    const TPadButton button = k.button;
    QObject::connect(b, &QToolButton::clicked, parent, [pressed, button] { pressed(button); });
    if (k.rowSpan > 1) b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    grid->addWidget(b, k.row, k.column, k.rowSpan, k.columnSpan);
  }
}

}  // namespace kinevo::gui
