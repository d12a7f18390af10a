// Takes the pictures of the user guide from the real program: the main
// window on the demonstration analysis in each mode, and the results window
// in each view.  Run by scripts/help-shots (offscreen or under Xvfb).
//
//   help_shots DEMO.kvo OUTPUT_FOLDER
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "core/common/user_dialog.h"
#include "core/results/result_views.h"
#include "gui/app/cursor_pictures.h"
#include "gui/app/main_window.h"
#include "gui/app/resources.h"
#include "gui/results/results_form.h"

namespace {

// A message during the pictures means the demonstration or the program has
// changed: it is printed, and the last button (Ok, Ignorer ...) answers it
// so that the run never waits for a person.
class TLoggedMessages : public kinevo::IUserDlgPresenter {
 public:
  int32_t Present(const kinevo::TUserDlgContent& content, bool&) override {
    std::fprintf(stderr, "help_shots : message :");
    for (const auto& line : content.lines) std::fprintf(stderr, " %s", line.text.c_str());
    std::fprintf(stderr, "\n");
    ++count;
    return static_cast<int32_t>(content.buttons.size()) - 1;
  }
  int count = 0;
};

void Settle() {
  for (int i = 0; i < 20; ++i) {
    QApplication::processEvents();
    QThread::msleep(10);
  }
}

bool Save(QWidget* w, const QString& folder, const char* name) {
  Settle();
  w->repaint();
  const QString path = folder + "/" + name + ".png";
  if (!w->grab().toImage().save(path)) {
    std::fprintf(stderr, "help_shots : impossible d'écrire %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

bool Trigger(kinevo::gui::MainWindow& w, const char* action) {
  QAction* a = w.Action(action);
  if (a == nullptr || !a->isEnabled()) {
    std::fprintf(stderr, "help_shots : commande %s indisponible\n", action);
    return false;
  }
  a->trigger();
  Settle();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Usage : help_shots DEMO.kvo DOSSIER\n");
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kinevo"));
  kinevo::gui::LoadResources();
  kinevo::gui::NamedCursors::Register();
  const QString out = QString::fromLocal8Bit(argv[2]);
  QDir().mkpath(out);

  // Settings of their own, so that the pictures show the defaults and the
  // user's settings are left alone.
  QTemporaryDir settings;
  TLoggedMessages messages;
  kinevo::gui::MainWindowSetup setup;
  setup.messages = &messages;
  setup.settingsPath = (settings.path() + "/Kinevo.ini").toStdString();
  kinevo::gui::MainWindow w(setup);
  w.resize(1000, 720);
  w.show();
  Settle();
  w.OpenArgument(QString::fromLocal8Bit(argv[1]));
  Settle();
  if (!w.Session().Video.IsOpen()) {
    std::fprintf(stderr, "help_shots : le document %s ne s'ouvre pas\n", argv[1]);
    return 1;
  }

  bool ok = Trigger(w, "ButtonOutilMarque") && Save(&w, out, "fenetre_principale");
  ok = ok && Trigger(w, "ButtonOutilEchelle") && Save(&w, out, "outil_echelle");

  struct ViewShot {
    int view;
    const char* name;
    const char* model;  // the model button pressed first, if any
  };
  // The throw's trajectory with its parabola and the model's box.
  const ViewShot views[] = {{kinevo::rvTable, "resultats_tableau", nullptr},
                            {kinevo::rvTime, "resultats_temps", nullptr},
                            {kinevo::rvTrajectory, "resultats_trajectoire", "ButtonModeleParabole"},
                            {kinevo::rvVectors, "resultats_vecteurs", nullptr}};
  kinevo::TResForm& results = w.ResultsWindow();
  for (const auto& v : views) {
    if (!ok) break;
    w.ShowResults(v.view);
    results.resize(900, 600);
    if (v.model) {
      QAction* button = results.Action(v.model);
      ok = button != nullptr;
      if (ok) button->trigger();
      Settle();
    }
    ok = ok && results.isVisible() && Save(&results, out, v.name);
  }
  results.hide();

  ok = ok && Trigger(w, "ButtonModeTransparent") && Save(&w, out, "mode_transparent");
  ok = ok && Trigger(w, "ButtonModeTracking") && Save(&w, out, "mode_suivi");
  ok = ok && Trigger(w, "ButtonModeMontage") && Save(&w, out, "mode_montage");
  ok = ok && Trigger(w, "ButtonModeRepereFixe");
  return ok && messages.count == 0 ? 0 : 1;
}
