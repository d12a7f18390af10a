#pragma once
// The program's named cursors: their fixed numbers, their hot spots (where
// the pointer really acts) and their 32 x 32 pictures.  The pictures are
// drawn here; tools/make_cursors writes them as resources/cursors/<name>.png
// and the program loads them from the resources (drawing any that is
// missing).
#include <QCursor>
#include <QImage>
#include <QString>
#include <string>
#include <vector>

namespace kinevo::gui {

struct TCursorDef {
  int number;
  std::string name;
  int hotX, hotY;
};

// The 50 cursors in number order (1 "AmortiExpHaut" ... 50 "ZoomY").
const std::vector<TCursorDef>& CursorDefs();
const TCursorDef* FindCursorDef(const std::string& name);

// The picture of a named cursor, transparent outside the drawing; a null
// image for an unknown name.
QImage DrawCursorPicture(const std::string& name);

// The registry of screen cursors, filled once at start-up before any window
// exists.
class NamedCursors {
 public:
  // Loads every cursor from ":/cursors/<name>.png" (or draws it).
  static void Register();
  static bool Registered();
  // The cursor of a name; the arrow for "" and unknown names.
  static QCursor Get(const std::string& name);
  static QCursor Get(int number);
};

}  // namespace kinevo::gui
