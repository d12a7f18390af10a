#include "gui/video/key_codes.h"

#include <QKeyEvent>

namespace kinevo::gui {

namespace {

// X keyboard (xkb) codes of the digit row: evdev KEY_1 .. KEY_0 plus 8.
constexpr quint32 kScanDigit1 = 10;
constexpr quint32 kScanDigit0 = 19;

int DigitRowKey(quint32 scan) {
  if (scan < kScanDigit1 || scan > kScanDigit0) return 0;
  return scan == kScanDigit0 ? '0' : static_cast<int>('1' + (scan - kScanDigit1));
}

int KeypadKey(int qtKey) {
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 96 + (qtKey - Qt::Key_0);
  switch (qtKey) {
    case Qt::Key_Asterisk:
      return 106;
    case Qt::Key_Plus:
      return 107;
    case Qt::Key_Minus:
      return 109;
    case Qt::Key_Period:
    case Qt::Key_Comma:
      return 110;
    case Qt::Key_Slash:
      return 111;
    default:
      return -1;  // not a pad-only key: Enter, arrows ... read as usual
  }
}

int NamedKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
      return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Shift:
      return 16;
    case Qt::Key_Control:
      return 17;
    case Qt::Key_Alt:
      return 18;
    case Qt::Key_Escape:
      return 27;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Delete:
      return 46;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      return 187;
    case Qt::Key_Minus:
      return 189;
    default:
      break;
  }
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return '0' + (qtKey - Qt::Key_0);
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return 112 + (qtKey - Qt::Key_F1);
  return 0;
}

}  // namespace

int CoreKeyCode(int qtKey, Qt::KeyboardModifiers mods, quint32 nativeScanCode) {
  if (mods & Qt::KeypadModifier) {
    const int pad = KeypadKey(qtKey);
    if (pad >= 0) return pad;
  } else if (const int digit = DigitRowKey(nativeScanCode)) {
    return digit;
  }
  return NamedKey(qtKey);
}

int CoreKeyCode(const QKeyEvent& e) {
  return CoreKeyCode(e.key(), e.modifiers(), e.nativeScanCode());
}

}  // namespace kinevo::gui
