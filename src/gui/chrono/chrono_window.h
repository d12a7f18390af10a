#pragma once
// The "Chronophotographie" window: a preview of the chronophotograph of the
// analysis with its settings (one or all systems, one marked image every N,
// a range of images, vectors, threshold, marks only), saved as PNG, SVG or
// PDF, printed through the page layout of the results and copied; and the
// annotated video ("Exporter la vidéo annotée"), written on a worker while
// a progress bar with "Annuler" follows it.
#include <QDialog>
#include <QImage>
#include <array>
#include <functional>
#include <optional>
#include <string_view>
#include <thread>

#include "core/app/session.h"
#include "core/chrono/chronophotograph.h"
#include "core/chrono/strobe_picture.h"
#include "core/common/command_set.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QSpinBox;
class QWidget;

namespace kinevo::gui {

class TBoiteImprimer;
class PicturePane;

// The window's commands (its buttons).
#define KINEVO_CHRONO_COMMANDS(X) \
  X(ButtonChronoEnregistrer)      \
  X(ButtonChronoImprimer)         \
  X(ButtonChronoCopier)           \
  X(ButtonChronoVideoAnnotee)     \
  X(ButtonChronoAnnuler)          \
  X(ButtonChronoFermer)
KINEVO_COMMAND_SET(TChronoCommand, KINEVO_CHRONO_COMMANDS)

class ChronoWindow : public QDialog {
  Q_OBJECT
 public:
  // `print` gives the page layout dialog of the results (made when first
  // asked for and kept by its owner).
  ChronoWindow(TSession& session, std::function<TBoiteImprimer&()> print,
               QWidget* parent = nullptr);
  ~ChronoWindow() override;

  // Plans and composes the picture again from the settings and the
  // analysis; false, with the reason shown in place of the picture, when
  // there is none to show.
  bool Rebuild();
  TChronoSettings Settings() const;
  const QImage& Preview() const { return preview_; }
  const std::optional<TChronophotograph>& Plan() const { return plan_; }
  // The reason shown under the picture (or the count of images shown).
  QString StatusText() const;

  QAction* Action(TChronoCommand id) const;
  // By object name, for tests and scripts; null for no such command.
  QAction* Action(std::string_view name) const;

  // Asks for the name of a file to write: a title, the filters and the
  // proposed name; empty when cancelled.  Unset, the system's dialog.
  std::function<QString(const QString& title, const QString& filter, const QString& proposed)>
      ChooseFile;
  // The scale of the results' vector view for speeds or accelerations
  // (see TChronoSettings::vectorFactor), so that the arrows are drawn
  // alike; unset or 0, the picture chooses its own.
  std::function<double(bool acceleration)> VectorFactor;
  // Writes the picture at `path` (PNG, SVG or PDF by its ending); a failure
  // is told through the session's message dialog.
  bool SaveTo(const QString& path);
  void CopyPicture();
  void Print();
  // Starts writing the annotated video at `path` (".mp4" or ".avi"; without
  // either, the format chosen in the window) on a worker and answers at
  // once; false, with the reason told, when it cannot start.
  bool ExportAnnotatedTo(const QString& path);
  bool Exporting() const { return worker_.joinable(); }
  // Stops a running export; what it wrote is removed.
  void CancelExport();
  // Waits for a running export to end and tells its end (closing the
  // video, the window, tests).
  void WaitExport();
  // The end of an export: written, or the failure (a cancel included).
  TSignal<const TStatus&> OnAnnotatedFinished;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  QWidget* BuildSettings();
  QWidget* BuildVideoSettings();
  QWidget* BuildButtons();
  void BuildActions();
  QAction* Add(TChronoCommand id, const QString& caption, std::function<void()> run);
  void Wire();
  // The systems and the images offered follow the analysis.
  void SyncChoices();
  void ScheduleRebuild();
  // The plan of the settings over the active marks, with the results its
  // vectors need.
  TResult<TChronophotograph> PlanOf(TChronoSettings settings);
  // The name of a file to write, from ChooseFile or the system's dialog.
  QString Ask(const QString& title, const QString& filter, const QString& proposed);
  // Refuses the video and the document as outputs.
  TStatus OutputAllowed(const QString& path) const;
  void ShowFailure(const TError& error);
  void UpdateEnabled();
  bool SaveAs();
  void ExportAnnotated();
  // Run `run` ended (or is waited for): reports it once.
  void FinishExport(int run);
  QString ProposedName(const char* suffix) const;

  TSession& session_;
  std::function<TBoiteImprimer&()> print_;
  std::array<QAction*, TChronoCommandCount> actions_{};
  QComboBox* systems_ = nullptr;
  QSpinBox* every_ = nullptr;
  QSpinBox* first_ = nullptr;
  QSpinBox* last_ = nullptr;
  QComboBox* vectors_ = nullptr;
  QSpinBox* threshold_ = nullptr;
  QCheckBox* marksOnly_ = nullptr;
  QSpinBox* trail_ = nullptr;
  QSpinBox* slow_ = nullptr;
  QComboBox* format_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QWidget* settingsBox_ = nullptr;
  QWidget* videoBox_ = nullptr;
  PicturePane* picture_ = nullptr;
  QLabel* status_ = nullptr;
  bool pending_ = false;  // a rebuild is scheduled
  bool stale_ = true;     // the analysis changed since the last rebuild

  std::optional<TChronophotograph> plan_;
  // The composed picture, kept for the request it was made from: a change
  // of vectors or marks only draws the overlay again.
  std::optional<TStrobeRequest> groundOf_;
  Image ground_;
  QImage preview_;

  TStatus exportResult_;  // written by the worker, read once it ended
  QString exportPath_;
  int run_ = 0;  // the number of the latest run
  std::jthread worker_;
  TConnections links_;
};

}  // namespace kinevo::gui
