#pragma once
// Pieces shared by the calculator and the formula keyboard: the one-line
// editor that the pad buttons write into, and the pad buttons themselves.
#include <QLineEdit>
#include <QToolButton>
#include <functional>
#include <string>

#include "core/common/signal.h"
#include "core/formulas/input_line.h"

class QGridLayout;

namespace kinevo::gui {

// The line of a pad.  Typing "," or "." gives the decimal separator and
// "/" the division sign; Enter is kept from the dialog and reported.
// Positions given to and read from the core count characters, whatever
// Qt's own unit.
class TPadLine : public QLineEdit {
  Q_OBJECT
 public:
  explicit TPadLine(QWidget* parent = nullptr);

  // Text and caret; with a selection, the caret is at its start (a button
  // inserts there and leaves the selected characters after its text).
  TInputLine Line() const;
  void ShowLine(const TInputLine& line);

  // Whether "," "." and "/" are translated (not in unit and comment lines).
  bool TranslateKeys = true;
  // Before a key that types or erases (Enter included).
  std::function<void()> BeforeKey;
  // Enter or Return.  With no listener, the key goes on to the dialog's
  // default button.
  TSignal<> OnEnter;
  // After the user changed the text by typing or pasting.
  TSignal<> OnEdited;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
};

// A pad button: a small flat button named after its role (the name is also
// how tests find it), with its label and hint.
QToolButton* MakePadButton(QWidget* parent, const char* name, const QString& label,
                           const QString& hint);

// One button of a pad as the windows lay them out.
struct TPadKey {
  const char* name;  // "SpeedButtonSin"
  TPadButton button;
  const char* label;  // UTF-8
  const char* hint;   // UTF-8
  int row, column, columnSpan = 1, rowSpan = 1;
};

// Adds the keys to `grid`; `pressed` runs with the key's button.
void AddPadKeys(QWidget* parent, QGridLayout* grid, const TPadKey* keys, int count,
                const std::function<void(TPadButton)>& pressed);

QString ToQ(const std::string& s);
std::string FromQ(const QString& s);

}  // namespace kinevo::gui
