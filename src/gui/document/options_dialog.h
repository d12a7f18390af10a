#pragma once
// The options dialog (TBoiteOptions): every preference of TOptions on pages,
// the password lock and the ".kvo" association, and the marks' standard
// uncertainties of the analysis open.  Closing it, in any way, copies the
// controls into the options and the analysis, applies the association,
// saves the settings and announces the change.
#include <QDialog>
#include <map>
#include <string>

#include "core/document/file_association.h"
#include "core/document/options.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;
class QTabWidget;
class QToolButton;

namespace kinevo {
class TData;
}

namespace kinevo::gui {

class TBoiteOptions : public QDialog {
  Q_OBJECT
 public:
  // `programPath`: the program a ".kvo" document opens with.
  TBoiteOptions(TOptions& options, IFileAssociation& association, TUserDlg& messages,
                std::string programPath, QWidget* parent = nullptr);

  // Shows the options of the moment in the controls.
  void LoadFromOptions();
  // The values the controls show.
  TOptionsValues Values() const;

  QCheckBox* CheckBox(const std::string& name) const;      // "CheckBox36StartByZero"
  QToolButton* ToolButton(const std::string& name) const;  // "ToolButtonVecteurArc"
  QCheckBox* PasswordBox() const { return password_; }
  QCheckBox* AssociationBox() const { return association_; }
  QSpinBox* MRUEdit() const { return mru_; }
  QTabWidget* Pages() const { return pages_; }
  // The analysis whose marks' uncertainties the "Calculs" page shows
  // ("Incertitude de pointage", that of the tracked marks): they belong to
  // its document, not to the settings.  Unset (null), they are not shown.
  void SetMarking(TData* data);
  QDoubleSpinBox* PointingEdit() const { return pointing_; }
  QDoubleSpinBox* TrackingEdit() const { return tracking_; }
  // The analysis's tracker ("Suivi par la couleur", "Suivi par l'apparence").
  QComboBox* MethodBox() const { return method_; }
  // True when the last closing saved the settings.
  bool Saved() const { return saved_; }

 public slots:
  void done(int result) override;

 private:
  void PasswordToggled(bool checked);

  TOptions& options_;
  IFileAssociation& assoc_;
  TUserDlg& messages_;
  std::string programPath_;
  QTabWidget* pages_ = nullptr;
  QCheckBox* password_ = nullptr;
  QCheckBox* association_ = nullptr;
  QSpinBox* mru_ = nullptr;
  QSpinBox* radius_ = nullptr;
  QComboBox* shape_ = nullptr;
  QSpinBox* uncertainty_ = nullptr;
  QWidget* markUncertainties_ = nullptr;
  QDoubleSpinBox* pointing_ = nullptr;
  QDoubleSpinBox* tracking_ = nullptr;
  QWidget* trackingMethod_ = nullptr;
  QComboBox* method_ = nullptr;
  TData* marking_ = nullptr;
  QComboBox* penSize_ = nullptr;
  QComboBox* penSizeGraph_ = nullptr;
  std::map<std::string, QCheckBox*> boxes_;
  std::map<std::string, QToolButton*> tools_;
  bool saved_ = false;
};

}  // namespace kinevo::gui
