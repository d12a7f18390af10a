#pragma once
// The file search window ("Rechercher un fichier"): finds files by name
// under a chosen folder on a worker thread, lists them with their folders,
// and hands the chosen one to the main window through `fileChosen`.
//
// The worker's findings reach the window thread through queued signals, in
// batches, each tagged with the number of the search that produced it, so
// that late deliveries of a stopped search never mix with a new one.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "core/app/file_search.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kinevo::gui {

class TFileSearchWindow : public QDialog {
  Q_OBJECT
 public:
  explicit TFileSearchWindow(QWidget* parent = nullptr);
  ~TFileSearchWindow() override;

  // The filter, in the form of the open dialogs ("caption|patterns|...");
  // `index` counts from 1.  The window starts with the main window's filter.
  void SetFilter(const QString& filter, int index = 1);
  void SetFolder(const QString& folder);
  QString Folder() const;
  void SetNameFragment(const QString& fragment);

  bool Searching() const { return searching_; }
  int FoundCount() const;
  // Full path of the selected file, empty when none is selected.
  QString SelectedFile() const;
  // Most files listed by one search; the search stops there.
  void SetMaxResults(int n) { maxResults_ = n; }

  // Chooses the folder for "Parcourir..."; by default the folder dialog.
  std::function<QString(QWidget* parent, const QString& current)> ChooseFolder;

 public slots:
  void StartSearch();
  void StopSearch();
  // Emits `fileChosen` with the selected file and closes the window.
  void OpenSelected();

 signals:
  // The user opened a found file (double-click, Enter or "Ouvrir").
  void fileChosen(QString path);
  // A search ended (completed, stopped, limited or without a folder).
  void searchFinished();

  // From the worker thread to the window thread (queued).
  void workerFound(quint64 run, QStringList paths);
  void workerProgress(quint64 run, QString folder, qulonglong visited);
  void workerFinished(quint64 run, int end, qulonglong visited, qulonglong skipped);

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void OnFound(quint64 run, const QStringList& paths);
  void OnProgress(quint64 run, const QString& folder, qulonglong visited);
  void OnFinished(quint64 run, int end, qulonglong visited, qulonglong skipped);
  void Browse();
  void UpdateButtons();

 private:
  void ShowStatus(const QString& text);
  QString CountText() const;

  QLineEdit* folder_;
  QPushButton* browse_;
  QLineEdit* name_;
  QComboBox* filter_;
  QPushButton* search_;
  QPushButton* stop_;
  QPushButton* open_;
  QPushButton* close_;
  QTreeWidget* results_;
  QLabel* status_;

  std::vector<TFileFilterEntry> entries_;
  TFileSearch worker_;
  quint64 run_ = 0;
  bool searching_ = false;
  int maxResults_ = 10000;
  QString statusText_;
  QString searchedFolder_;
};

}  // namespace kinevo::gui
