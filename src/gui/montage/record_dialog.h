#pragma once
// TBoiteRecordMontage: the recording dialog with its pages "Resume",
// "Compression", "Dimensions" and "Parametres", and TRecordWindows, the Qt
// side of the montage recording (this dialog, the file dialogs and the
// progress window with its cancel button).
#include <QDialog>
#include <functional>
#include <memory>

#include "core/montage/record_montage.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QProgressDialog;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace kinevo::gui {

class TBoiteRecordMontage : public QDialog {
  Q_OBJECT
 public:
  explicit TBoiteRecordMontage(QWidget* parent = nullptr);

  // Fills the pages from the request and the previous choices.
  void Setup(const TRecordRequest& request, const TRecordChoices& choices);
  // The choices as the pages show them.
  TRecordChoices Choices() const;

  // Test hook: called once the window is shown by Execute.
  std::function<void(TBoiteRecordMontage*)> OnShown;
  // Shows the dialog modally; false when cancelled.
  bool Execute(const TRecordRequest& request, TRecordChoices& choices);

 private:
  void BuildSummary(QWidget* page);
  void BuildCompression(QWidget* page);
  void BuildDimensions(QWidget* page);
  void BuildParameters(QWidget* page);
  void FillCodecs(const std::string& selected);
  void UpdateSummary();

  TRecordRequest request_;
  QTabWidget* pages_ = nullptr;
  QLabel* summary_ = nullptr;
  QComboBox* framework_ = nullptr;
  QPushButton* changeFramework_ = nullptr;
  QListWidget* codecs_ = nullptr;
  QPushButton* configure_ = nullptr;
  QRadioButton* unchanged_ = nullptr;
  QRadioButton* deform_ = nullptr;
  QRadioButton* cut_ = nullptr;
  QSpinBox* width_ = nullptr;
  QSpinBox* height_ = nullptr;
  QSpinBox* margins_[4] = {};  // top, bottom, left, right
  QCheckBox* changeRate_ = nullptr;
  QDoubleSpinBox* rate_ = nullptr;
  QCheckBox* emptyImages_ = nullptr;
};

// Implements the dialogs of the montage recording with Qt windows, and
// shows the progress of a run with a cancel button.
class TRecordWindows : public IRecordUi {
 public:
  explicit TRecordWindows(QWidget* parent);
  ~TRecordWindows() override;

  // Wires the recording's dialogs and progress to these windows.
  void Install(TRecordMontage& recording);

  bool RecordDialog(const TRecordRequest& request, TRecordChoices& choices) override;
  std::string SaveFile(const TSaveRequest& request) override;
  std::vector<std::string> OpenFiles(const TSaveRequest& request) override;

  TBoiteRecordMontage& Dialog() { return *dialog_; }
  // Test hooks standing in for the file dialogs when set.
  std::function<std::string(const TSaveRequest&)> SaveAnswer;
  std::function<std::vector<std::string>(const TSaveRequest&)> OpenAnswer;

 private:
  bool Progress(int64_t done, int64_t total);

  QWidget* parent_;
  std::unique_ptr<TBoiteRecordMontage> dialog_;
  std::unique_ptr<QProgressDialog> progress_;
};

}  // namespace kinevo::gui
