// The Kinevo desktop program.
#include <QApplication>
#include <cstring>
#include <iostream>

#include "gui/app/main_window.h"
#include "kinevo_version.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::cout << "Kinevo " << KINEVO_VERSION_STRING << "\n";
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kinevo"));
  kinevo::gui::MainWindow w;
  w.show();
  return app.exec();
}
