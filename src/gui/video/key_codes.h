#pragma once
// Qt key events turned into the key numbers the view, the marking data and
// the tracker work with (13 Enter, 18 Alt, 37-40 arrows, 48-57 digits,
// 96-105 numeric pad, 107/109 pad '+'/'-', 187/189 the main '+'/'-' keys).
#include <Qt>
#include <QtGlobal>

class QKeyEvent;

namespace kinevo::gui {

// The digit row is read by physical key (its X keyboard scan codes 10 to 19),
// so that the '&' key of a French keyboard is digit 1 as on any other layout,
// shifted or not.  Keys the program does not know give 0.
int CoreKeyCode(int qtKey, Qt::KeyboardModifiers mods, quint32 nativeScanCode);
int CoreKeyCode(const QKeyEvent& e);

}  // namespace kinevo::gui
