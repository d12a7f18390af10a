#include "gui/video/key_codes.h"

#include <gtest/gtest.h>

#include <QKeyEvent>

using kinevo::gui::CoreKeyCode;

namespace {

struct KeyCase {
  const char* what;
  int qtKey;
  Qt::KeyboardModifiers mods;
  quint32 scan;  // X keyboard code of the physical key
  int expected;
};

int Translate(const KeyCase& k) {
  QKeyEvent e(QEvent::KeyPress, k.qtKey, k.mods, k.scan, 0, 0);
  return CoreKeyCode(e);
}

}  // namespace

// The same physical keys on a French and an English keyboard give the same
// numbers; the characters they type differ.
TEST(CoreKeyCode, DigitRowIsReadByPhysicalKeyOnBothLayouts) {
  const Qt::KeyboardModifiers none = Qt::NoModifier;
  const KeyCase cases[] = {
      {"AZERTY &", Qt::Key_Ampersand, none, 10, '1'},
      {"AZERTY shift 1", Qt::Key_1, Qt::ShiftModifier, 10, '1'},
      {"QWERTY 1", Qt::Key_1, none, 10, '1'},
      {"AZERTY e acute", Qt::Key_Eacute, none, 11, '2'},
      {"AZERTY quote", Qt::Key_Apostrophe, none, 13, '4'},
      {"QWERTY 4", Qt::Key_4, none, 13, '4'},
      {"AZERTY (", Qt::Key_ParenLeft, none, 14, '5'},
      {"AZERTY - on the 6 key", Qt::Key_Minus, none, 15, '6'},
      {"QWERTY 6", Qt::Key_6, none, 15, '6'},
      {"AZERTY a grave", Qt::Key_Agrave, none, 19, '0'},
      {"QWERTY 0 with Ctrl", Qt::Key_0, Qt::ControlModifier, 19, '0'},
      {"digit without a scan code", Qt::Key_7, none, 0, '7'},
  };
  for (const KeyCase& k : cases) EXPECT_EQ(Translate(k), k.expected) << k.what;
}

TEST(CoreKeyCode, PadSignsAndCommandKeys) {
  const Qt::KeyboardModifiers none = Qt::NoModifier, pad = Qt::KeypadModifier;
  const KeyCase cases[] = {
      // Numeric pad: its own digits and signs, whatever the layout.
      {"pad 0", Qt::Key_0, pad, 90, 96},
      {"pad 9", Qt::Key_9, pad, 81, 105},
      {"pad +", Qt::Key_Plus, pad, 86, 107},
      {"pad -", Qt::Key_Minus, pad, 82, 109},
      {"pad Enter", Qt::Key_Enter, pad, 104, 13},
      {"pad arrow without NumLock", Qt::Key_Left, pad, 83, 37},
      // The main '+' key: '=' unshifted, '+' shifted, on both layouts.
      {"AZERTY =", Qt::Key_Equal, none, 21, 187},
      {"AZERTY +", Qt::Key_Plus, Qt::ShiftModifier, 21, 187},
      {"QWERTY -", Qt::Key_Minus, none, 20, 189},
      {"AZERTY ) is no command", Qt::Key_ParenRight, none, 20, 0},
      {"Alt", Qt::Key_Alt, Qt::AltModifier, 64, 18},
      {"Enter", Qt::Key_Return, none, 36, 13},
      {"Escape", Qt::Key_Escape, none, 9, 27},
      {"left", Qt::Key_Left, none, 113, 37},
      {"up", Qt::Key_Up, none, 111, 38},
      {"right", Qt::Key_Right, none, 114, 39},
      {"down", Qt::Key_Down, none, 116, 40},
      {"AZERTY Ctrl+A (physical Q key)", Qt::Key_A, Qt::ControlModifier, 24, 65},
      {"Page Down", Qt::Key_PageDown, none, 117, 34},
      {"Home", Qt::Key_Home, none, 110, 36},
      // Qt codes of punctuation equal the arrow numbers; they must not move anything.
      {"' outside the digit row", Qt::Key_Apostrophe, none, 48, 0},
      {"( without a scan code", Qt::Key_ParenLeft, none, 0, 0},
      {"& without a scan code", Qt::Key_Ampersand, none, 0, 0},
  };
  for (const KeyCase& k : cases) EXPECT_EQ(Translate(k), k.expected) << k.what;
}
