#pragma once
// TDynamicPanel: the "Modèle dynamique" window of the results.  The user
// writes the accelerations ax and ay, sets the parameters (spin boxes with
// their steps, a slider for the selected one), ticks those to fit, chooses
// the system and the image the model starts from, and reads the model's
// rms distance to the marks, or why it cannot be computed.  Every change is
// stored at once in the analysis (TSession::Dynamics), which the results
// window draws beside the data.
#include <QWidget>
#include <map>
#include <string>

#include "core/app/session.h"
#include "core/dynamics/dynamic_setup.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTableWidget;

namespace kinevo {

class TDynamicPanel : public QWidget {
  Q_OBJECT
 public:
  // Table columns.
  enum { kName, kValue, kStep, kFitted, kUncertainty, kColumns };

  TDynamicPanel(TSession& session, QWidget* parent);
  ~TDynamicPanel() override;

  // Shows the model of the analysis; when there is none, makes a free fall
  // of `system` launched from its first marked image.
  void Open(int system);
  // Follows the results (systems, marked images) and the stored model.
  void Sync();

  // "Ajuster": fits the ticked parameters to the marks.
  void Fit();
  // Sets a parameter's value as its spin box does (false: no such row).
  bool SetValue(int row, double value);
  bool SetFitted(int row, bool fitted);

  QLineEdit* AxEdit() const { return ax_; }
  QLineEdit* AyEdit() const { return ay_; }
  QTableWidget* Table() const { return table_; }
  QComboBox* SystemBox() const { return system_; }
  QComboBox* StartBox() const { return start_; }
  QSlider* Slider() const { return slider_; }
  QPushButton* FitButton() const { return fit_; }
  // What the panel says under the table: the rms distance, or the failure.
  QString StatusText() const;
  bool StatusIsFailure() const { return failed_; }

 private:
  void Build();
  // Stores the setting in the analysis; the uncertainties of a fit are
  // forgotten unless `fitted`.
  void Store(const TDynamicSetting& s, bool fitted = false);
  void FillSystems();
  void FillStarts();
  void FillTable();
  void UpdateStatus();
  void UpdateSlider();
  void FormulaEdited();
  void SystemChosen(int index);
  void StartChosen(int index);
  void StepEdited(int row, double step);
  void RowSelected();
  void SliderMoved(int position);
  void Clear();
  // The starting values of the marks at the chosen starting image.
  void TakeStartValues(TDynamicSetting& s) const;

  TSession& session_;
  TDynamicSetting setting_;
  TDynamicSeries series_;
  std::map<std::string, double> uncertainties_;
  bool filling_ = false;
  bool storing_ = false;
  bool failed_ = false;
  int sliderRow_ = -1;
  double sliderBase_ = 0.0;
  double sliderStep_ = 0.1;
  bool sliding_ = false;

  QComboBox* system_ = nullptr;
  QComboBox* start_ = nullptr;
  QLineEdit* ax_ = nullptr;
  QLineEdit* ay_ = nullptr;
  QTableWidget* table_ = nullptr;
  QLabel* sliderLabel_ = nullptr;
  QSlider* slider_ = nullptr;
  QPushButton* fit_ = nullptr;
  QPushButton* clear_ = nullptr;
  QLabel* status_ = nullptr;
  TConnections links_;
};

}  // namespace kinevo
