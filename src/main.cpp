// The Kinevo desktop program.
#include <QApplication>
#include <QIcon>
#include <cstring>
#include <iostream>

#include "core/app/recovery.h"
#include "gui/app/cursor_pictures.h"
#include "gui/app/main_window.h"
#include "gui/app/resources.h"
#include "gui/app/test_script.h"
#include "gui/app/user_locale.h"
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
  // The desktop matches the windows with kinevo.desktop and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("kinevo"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/desktop/kinevo.svg")));
  kinevo::gui::ApplyUserLocale(app);
  // The named cursors are registered before any window exists; the message
  // dialog (title "Kinevo", font "Arial") belongs to the main window's session.
  kinevo::gui::LoadResources();
  kinevo::gui::NamedCursors::Register();
  kinevo::gui::MainWindowSetup setup;
  setup.recoveryFolder = kinevo::RecoveryFolder();
  // Tests drive the program without a screen through a script.
  const auto script = kinevo::gui::TestScript::FromEnvironment();
  if (script) {
    setup.messages = script.get();
    setup.values = script.get();
    setup.files = script.get();
  }
  kinevo::gui::MainWindow w(setup);
  // The program ends with its main window, whatever other window is open.
  QObject::connect(&w, &kinevo::gui::MainWindow::Closed, &app, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  w.show();
  w.OfferRecovery();
  // Exactly one argument: a ".avi" opens as a video, a ".kvo" as a document.
  const QStringList args = QApplication::arguments();
  if (args.size() == 2) w.OpenArgument(args[1]);
  if (script) script->Run(w);
  return app.exec();
}
