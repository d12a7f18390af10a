#include "cli/painting_app.h"

#include <cstdlib>
#include <iostream>

namespace kinevo::cli {

namespace {

// Qt's own diagnostics ("QStandardPaths: XDG_RUNTIME_DIR not set ...") are
// English lines for developers; the command says in French what failed.
void QuietQt(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtFatalMsg) std::cerr << text.toStdString() << "\n";
}

}  // namespace

std::unique_ptr<QGuiApplication> StartPainting() {
  // Headless: no display is needed to draw into files.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "kinevo-cli";
  static char* argv[] = {name, nullptr};
  qInstallMessageHandler(QuietQt);
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace kinevo::cli
