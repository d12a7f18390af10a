// Writes the program's named cursors as 32 x 32 PNG files into a folder
// (resources/cursors/ in the source tree by default): run it after changing
// their drawing, then commit the pictures.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "gui/app/cursor_pictures.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString dir =
      argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(KINEVO_CURSORS_DIR);
  QDir().mkpath(dir);
  int written = 0;
  for (const auto& d : kinevo::gui::CursorDefs()) {
    const QString path = dir + "/" + QString::fromStdString(d.name) + ".png";
    if (!kinevo::gui::DrawCursorPicture(d.name).save(path, "PNG")) {
      std::fprintf(stderr, "make_cursors: cannot write %s\n", qPrintable(path));
      return 1;
    }
    ++written;
  }
  std::printf("%d cursors written to %s\n", written, qPrintable(dir));
  return 0;
}
