#pragma once
// The main window (TMainForm): hosts the video view, owns the session with
// every long-lived object, and turns menu commands, tool buttons, keys and
// the mouse wheel into calls on the marking data, the view and the file
// workflow.  Which commands exist, are enabled and are checked is decided
// by core/app/commands; the readiness checks by core/app/readiness.
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/app/commands.h"
#include "core/app/readiness.h"
#include "core/app/session.h"
#include "core/app/session_recovery.h"
#include "core/app/value_dialog.h"
#include "core/document/file_association.h"
#include "core/document/options.h"
#include "gui/app/status_fields.h"
#include "gui/common/mode_commands.h"

class QProgressDialog;
class QAction;
class QLabel;
class QMenu;
class QSlider;
class QToolBar;
class QToolButton;

namespace kinevo {
class TResForm;
}

namespace kinevo::gui {

class VideoWidget;
class TQtUserDlgPresenter;
class TQtValueDialogPresenter;
class TQtPasswordPrompt;
class TBoiteTemps;
class TBoiteBasculer;
class TBoiteInstant;
class TRecordWindows;
class TFileSearchWindow;
class TFormulaTools;
class TrackingUi;
class RecoveryKeeper;
class CaptureUi;
class TimingNotice;

// What the window is built with; the defaults are the program's.
struct MainWindowSetup {
  // The settings file; "" for the user's (SettingsFilePath()).
  std::string settingsPath;
  // Null: the program's Qt dialogs.
  IUserDlgPresenter* messages = nullptr;
  IValueDialogPresenter* values = nullptr;
  IFileDialogs* files = nullptr;
  // The password prompt of the options lock.
  IPasswordPrompt* passwords = nullptr;
  // The ".kvo" association the options dialog shows and changes; null for
  // the user's freedesktop files.
  IFileAssociation* association = nullptr;
  // The folder of the bridge plugins; "" for the one beside the program.
  std::string bridgeFolder;
  // Where the crash recovery keeps its copies of unsaved work; "" for no
  // recovery (the program gives RecoveryFolder()).
  std::string recoveryFolder;
};

class MainWindow : public QMainWindow, public IModeCommands {
  Q_OBJECT
 public:
  explicit MainWindow(const MainWindowSetup& setup = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  TSession& Session() { return *session_; }
  VideoWidget* View() const { return view_; }
  QAction* Action(TCommand command) const;
  // By object name, as tests and scripts find them; null for none.
  QAction* Action(const std::string& name) const;
  QMenu* Popup() const { return popup_; }
  QSlider* TrackBar() const { return trackBar_; }
  QLabel* Field(const std::string& name) const;
  QString Hint() const;
  TMainMem& MainMem() { return mainMem_; }
  TBoiteValeur& ValueDialog() { return *values_; }
  // The dialogs kept for the life of the window (their test hooks too).
  TBoiteTemps& TimeDialog() { return *timeDialog_; }
  TBoiteBasculer& GroupDialog() { return *groupDialog_; }
  TBoiteInstant& InstantDialog() { return *instantDialog_; }
  // The calculator (ShowCalculator, also for the results window's
  // "Calculatrice") and the formula keyboard.
  TFormulaTools& FormulaTools() { return *formulaTools_; }
  // The tracking mode's controller, tool bar and menu.
  TrackingUi& Tracking() { return *tracking_; }
  // The capture mode's controller, preview, tool bar and settings dialog.
  CaptureUi& Capture() { return *capture_; }
  // The file search window, created the first time it is asked for.
  TFileSearchWindow* FileSearch();

  // Opens the program's argument: ".avi" as a video, ".kvo" as a document.
  void OpenArgument(const QString& path);
  // At start-up: offers the unsaved work of programs that did not end
  // cleanly.
  void OfferRecovery();
  // The crash recovery; null without a recovery folder.
  TSessionRecovery* Recovery();
  // The names and colours dialog, modal; replaceable for tests.
  std::function<void()> RunNamesDialog;
  // Brings every button, menu item and status field up to date.
  void RefreshCommands();
  void RefreshTitle();
  // The features this window offers (subsystems present in the program).
  static TFeatures Features();

  // The readiness checks of the result buttons: answers the outcome.
  TReadiness ResultsRequested();
  // A result button: the readiness checks, then the page of `view` (a
  // ResultsView) in the results window.
  void ShowResults(int view);
  TResForm& ResultsWindow() { return *resForm_; }

  // IModeCommands: the modes' tool bars and menus.
  void AddModeToolBar(QToolBar* bar, TBarRow row) override;
  void AddModeMenu(QMenu* menu) override;
  QAction* Command(TCommand command) const override { return Action(command); }

 signals:
  // The user quit: the window accepted to close (the work was saved or
  // left) and closed the other windows; the program ends.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* e) override;

 private:
  // One command of a menu or tool bar (its caption, hint and checkability
  // come from core/app/commands), what it does, its picture.
  struct ActionEntry {
    TCommand command;
    std::function<void()> run;
    QIcon icon = {};
  };
  QAction* MakeAction(TCommand command, std::function<void()> handler);
  void AddActions(const std::vector<ActionEntry>& table);
  // `run`, only while a video is open.
  std::function<void()> WhenOpen(std::function<void()> run);
  void BuildActions();
  void BuildToolActions();
  void BuildModeActions();
  void BuildNavigationActions();
  void BuildFileActions();
  void BuildViewActions();
  void BuildMeasureActions();
  void BuildMenus();
  void BuildToolBars();
  void BuildStatusBar();
  void WireEvents();
  void InstallOpenProgress();
  QProgressDialog* progress_ = nullptr;
  TCommandContext Context() const;
  void RefreshFields();
  // The status fields, the track bar and the montage hint follow the image
  // shown.
  void FollowImage();
  void RefreshTrackBar();
  void SetHint(const std::string& hint);
  void RouteKey(QKeyEvent* e);
  void RestorePlacement();
  void SavePlacement();
  void RestoreGeometry(const IKeyReader& ini);
  void RebuildRecentMenu();
  // Command handlers.
  void ChooseTool(TOutil tool, TScaleKind kind = skNormal);
  void ChooseViewTool(TViewTool tool);
  void ChooseMode(TVideoMode mode);
  bool AskValue(TTypeSaisie kind, TTypeSaisieLongueur lengthKind = slLongueurN);
  void AskScaleLength(TScaleKind kind);
  void SetMarksPerFrame(int n);
  void ShowProperties();
  void GoToImageNumber();
  void AskAngle();
  // The lens correction and the plane calibration, on the image shown.
  void EditLens();
  void EditPlane();
  // The video's image shown, at its own size (null when there is none).
  QImage ShownPicture();
  TValueDialogContext ValueContext() const;
  void Navigate(int displayed);
  // Gives the view the picture's proportions in the middle of the window.
  void FitView();
  void ShowOptions();
  void OptionsChanged();
  void AskDuration();
  void OpenFoundFile(const QString& path);
  void RefreshModeHint();

  std::unique_ptr<TQtUserDlgPresenter> qtMessages_;
  std::unique_ptr<TQtValueDialogPresenter> qtValues_;
  std::unique_ptr<IFileDialogs> qtFiles_;
  std::unique_ptr<TSession> session_;
  // The window's subscriptions to the models; they end before the session.
  TConnections links_;
  std::unique_ptr<TBoiteValeur> values_;
  std::unique_ptr<TQtPasswordPrompt> qtPasswords_;
  std::unique_ptr<IFileAssociation> ownAssociation_;
  IFileAssociation* association_ = nullptr;
  std::unique_ptr<TBoiteTemps> timeDialog_;
  std::unique_ptr<TBoiteBasculer> groupDialog_;
  std::unique_ptr<TRecordWindows> recordWindows_;
  std::unique_ptr<TBoiteInstant> instantDialog_;
  std::unique_ptr<TFormulaTools> formulaTools_;
  TFileSearchWindow* search_ = nullptr;
  TMainMem mainMem_;
  bool shownOnce_ = false;
  // The results window goes before the session it reads.
  std::unique_ptr<TResForm> resForm_;
  bool closing_ = false;

  VideoWidget* view_ = nullptr;
  QWidget* centre_ = nullptr;
  TimingNotice* timingNotice_ = nullptr;
  QMenu* popup_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  QSlider* trackBar_ = nullptr;
  HintLabel* hint_ = nullptr;
  std::map<TCommand, QAction*> actions_;
  std::map<std::string, QLabel*> fields_;
  std::vector<QMenu*> menus_;
  std::vector<QToolBar*> toolBars_;
  QToolBar* toolsBar_ = nullptr;  // the marking tools
  // Last: they go first, while the session and the view they reach exist.
  std::unique_ptr<TrackingUi> tracking_;
  std::unique_ptr<CaptureUi> capture_;
  // Goes before the session it copies; a clean end removes its copy.
  std::unique_ptr<RecoveryKeeper> recovery_;
};

}  // namespace kinevo::gui
