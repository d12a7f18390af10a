#include "gui/document/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/marking/marking_data.h"

namespace kinevo::gui {

namespace {
QString Q(const char* s) { return QString::fromUtf8(s); }

QDoubleSpinBox* PixelsEdit(const char* name, const char* hint) {
  auto* e = new QDoubleSpinBox;
  e->setObjectName(name);
  // Zero would give the points infinite weights in the fits.
  e->setRange(0.01, 100.0);
  e->setDecimals(2);
  e->setSingleStep(0.1);
  e->setSuffix(" pixel(s)");
  e->setToolTip(Q(hint));
  return e;
}
}  // namespace

TBoiteOptions::TBoiteOptions(TOptions& options, IFileAssociation& association, TUserDlg& messages,
                             std::string programPath, QWidget* parent)
    : QDialog(parent),
      options_(options),
      assoc_(association),
      messages_(messages),
      programPath_(std::move(programPath)) {
  setWindowTitle("Options");
  auto* top = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  top->addWidget(pages_);

  std::map<TOptionsPage, QVBoxLayout*> pageLayouts;
  for (int p = opGeneral; p <= opTracking; ++p) {
    auto* page = new QWidget(pages_);
    auto* lay = new QVBoxLayout(page);
    pages_->addTab(page, Q(OptionsPageCaption(static_cast<TOptionsPage>(p))));
    pageLayouts[static_cast<TOptionsPage>(p)] = lay;
  }

  // General page: the lock, the association and the numbers first.
  auto* general = pageLayouts[opGeneral];
  password_ = new QCheckBox(Q("Restreindre l'accès aux options par un mot de passe"));
  password_->setObjectName("CheckBox1Password");
  association_ = new QCheckBox(Q("Associer l'extension .kvo au programme Kinevo"));
  association_->setObjectName("CheckBox2Association");
  general->addWidget(password_);
  general->addWidget(association_);
  connect(password_, &QCheckBox::toggled, this, &TBoiteOptions::PasswordToggled);

  auto* numbers = new QFormLayout;
  mru_ = new QSpinBox;
  mru_->setObjectName("EditMRU");
  mru_->setRange(0, 99);
  numbers->addRow(Q("Nombre de fichiers récents (1 à 20) :"), mru_);
  penSize_ = new QComboBox;
  penSize_->setObjectName("PenSize");
  penSize_->addItems({Q("Petite"), Q("Moyenne"), Q("Grande")});
  numbers->addRow(Q("Taille des dessins sur la vidéo :"), penSize_);
  penSizeGraph_ = new QComboBox;
  penSizeGraph_->setObjectName("PenSize4Graph");
  penSizeGraph_->addItems({Q("Fine"), Q("Moyenne"), Q("Épaisse")});
  numbers->addRow(Q("Épaisseur des lignes des graphes :"), penSizeGraph_);
  general->addLayout(numbers);

  auto* trackingNumbers = new QFormLayout;
  radius_ = new QSpinBox;
  radius_->setObjectName("TrackingRadius");
  radius_->setRange(10, 100);
  radius_->setSuffix(" pixels");
  trackingNumbers->addRow(Q("Rayon de recherche de la cible :"), radius_);
  shape_ = new QComboBox;
  shape_->setObjectName("ShapeNumber");
  shape_->addItems({Q("Contour libre"), Q("Polygone"), Q("Cercle")});
  trackingNumbers->addRow(Q("Forme du contour de la cible :"), shape_);
  uncertainty_ = new QSpinBox;
  uncertainty_->setObjectName("TrackingUncertainty");
  uncertainty_->setRange(kMinTrackingUncertainty, kMaxTrackingUncertainty);
  uncertainty_->setSuffix(" %");
  uncertainty_->setToolTip(
      Q("Une image est incertaine quand les couleurs trouvées ressemblent moins à la cible "
        "que ce pourcentage de la ressemblance sur la première image"));
  trackingNumbers->addRow(Q("Seuil d'image incertaine :"), uncertainty_);
  pageLayouts[opTracking]->addLayout(trackingNumbers);

  for (const auto& k : OptionCheckBoxes()) {
    auto* box = new QCheckBox(Q(k.caption));
    box->setObjectName(k.name);
    pageLayouts[k.page]->addWidget(box);
    boxes_[k.name] = box;
    // The montage's conversions are always offered now; their settings are
    // kept in the file as they were, but no longer shown.
    const std::string name = k.name;
    if (name == "CheckBox55ShowVideoToPictures" || name == "CheckBox56ShowPicturesToVideo")
      box->hide();
  }

  // Tool buttons: pressed hides the tool from that toolbar of the results window.
  std::map<TOptionsPage, QHBoxLayout*> toolRows;
  for (const auto& k : OptionToolButtons()) {
    if (!toolRows.count(k.page)) {
      auto* group = new QGroupBox(Q("Outils cachés dans la barre d'outils (bouton enfoncé)"));
      auto* grid = new QVBoxLayout(group);
      auto* row = new QHBoxLayout;
      row->setSpacing(2);
      grid->addLayout(row);
      pageLayouts[k.page]->addWidget(group);
      toolRows[k.page] = row;
    }
    auto* b = new QToolButton;
    b->setObjectName(k.name);
    b->setCheckable(true);
    b->setText(Q(k.caption));
    b->setToolTip(Q(k.caption));
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    QHBoxLayout* row = toolRows[k.page];
    // Seven buttons per row.
    if (row->count() >= 7) {
      auto* parentLayout =
          qobject_cast<QVBoxLayout*>(row->parentWidget() ? row->parentWidget()->layout() : nullptr);
      if (parentLayout) {
        row->addStretch();
        row = new QHBoxLayout;
        row->setSpacing(2);
        parentLayout->addLayout(row);
        toolRows[k.page] = row;
      }
    }
    row->addWidget(b);
    tools_[k.name] = b;
  }
  for (auto& [page, row] : toolRows) row->addStretch();

  // The marks' standard uncertainties, in pixels of the video.
  auto* group = new QGroupBox(Q("Incertitude-type des marques (enregistrée dans le document)"));
  auto* form = new QFormLayout(group);
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  pointing_ = PixelsEdit("PointingUncertainty",
                         "Incertitude-type de la position d'une marque placée par un clic, "
                         "en pixels de la vidéo");
  form->addRow(Q("Incertitude de pointage :"), pointing_);
  tracking_ = PixelsEdit("TrackedMarkUncertainty",
                         "Incertitude-type de la position d'une marque placée par le suivi "
                         "automatique ; trois fois plus sur une image incertaine");
  form->addRow(Q("Incertitude du suivi automatique :"), tracking_);
  pageLayouts[opResults]->addWidget(group);
  markUncertainties_ = group;
  group->hide();

  // The analysis's tracker, beside the tracking settings: it belongs to the
  // document too.
  auto* methodGroup = new QGroupBox(Q("Suivi de l'analyse (enregistré dans le document)"));
  auto* methodForm = new QFormLayout(methodGroup);
  methodForm->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  method_ = new QComboBox;
  method_->setObjectName("TrackingMethod");
  method_->addItems({Q("Suivi par la couleur"), Q("Suivi par l'apparence")});
  method_->setToolTip(
      Q("La couleur pour un objet coloré ; l'apparence (l'image dans le contour) "
        "pour un objet sans couleur propre"));
  methodForm->addRow(Q("Méthode de suivi :"), method_);
  pageLayouts[opTracking]->addWidget(methodGroup);
  trackingMethod_ = methodGroup;
  methodGroup->hide();
  for (auto& [page, lay] : pageLayouts) lay->addStretch();

  auto* buttons = new QDialogButtonBox(this);
  auto* close = buttons->addButton(Q("&Fermer"), QDialogButtonBox::AcceptRole);
  close->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  top->addWidget(buttons);

  LoadFromOptions();
}

void TBoiteOptions::LoadFromOptions() {
  const QSignalBlocker block(password_);
  password_->setChecked(options_.Locked());
  association_->setChecked(assoc_.IsAssociated());
  mru_->setValue(options_.EditMRU_Value);
  radius_->setValue(options_.TrackingRadius_Value);
  shape_->setCurrentIndex(std::clamp(options_.ShapeNumber_Value, 0, 2));
  uncertainty_->setValue(options_.TrackingUncertainty_Value);
  penSize_->setCurrentIndex(std::clamp(options_.PenSize_Value, 0, 2));
  penSizeGraph_->setCurrentIndex(std::clamp(options_.PenSize4Graph_Value, 0, 2));
  for (const auto& k : OptionCheckBoxes()) boxes_.at(k.name)->setChecked(options_.*k.member);
  for (const auto& k : OptionToolButtons()) tools_.at(k.name)->setChecked(options_.*k.member);
}

TOptionsValues TBoiteOptions::Values() const {
  TOptionsValues v = options_;
  v.EditMRU_Value = mru_->value();
  v.TrackingRadius_Value = radius_->value();
  v.ShapeNumber_Value = shape_->currentIndex();
  v.TrackingUncertainty_Value = uncertainty_->value();
  v.PenSize_Value = penSize_->currentIndex();
  v.PenSize4Graph_Value = penSizeGraph_->currentIndex();
  for (const auto& k : OptionCheckBoxes()) v.*k.member = boxes_.at(k.name)->isChecked();
  for (const auto& k : OptionToolButtons()) v.*k.member = tools_.at(k.name)->isChecked();
  return v;
}

void TBoiteOptions::SetMarking(TData* data) {
  marking_ = data;
  markUncertainties_->setVisible(data != nullptr);
  trackingMethod_->setVisible(data != nullptr);
  if (data == nullptr) return;
  method_->setCurrentIndex(data->TrackingMethod() == tmAppearance ? 1 : 0);
  pointing_->setValue(data->PointingUncertainty());
  tracking_->setValue(data->TrackingUncertainty());
}

QCheckBox* TBoiteOptions::CheckBox(const std::string& name) const {
  auto it = boxes_.find(name);
  return it == boxes_.end() ? nullptr : it->second;
}

QToolButton* TBoiteOptions::ToolButton(const std::string& name) const {
  auto it = tools_.find(name);
  return it == tools_.end() ? nullptr : it->second;
}

void TBoiteOptions::PasswordToggled(bool checked) {
  if (checked) {
    if (!options_.AskNewPassword()) {
      const QSignalBlocker block(password_);
      password_->setChecked(false);
    }
  } else {
    options_.ClearPassword();
  }
}

void TBoiteOptions::done(int result) {
  options_.Assign(Values());
  // Each setter recomputes the results when its value changed.
  if (marking_ != nullptr) {
    marking_->SetPointingUncertainty(pointing_->value());
    marking_->SetTrackingUncertainty(tracking_->value());
    marking_->SetTrackingMethod(method_->currentIndex() == 1 ? tmAppearance : tmColour);
  }
  ApplyAssociationChoice(assoc_, association_->isChecked(), programPath_, messages_);
  const TStatus saved = options_.Save();
  saved_ = saved.ok();
  // Without a settings folder the options are kept for this session only.
  if (!saved && !options_.FileName().empty()) {
    const TError& e = saved.error();
    messages_.Show(icWarning, {{"Ok", btOk}}, {e.reason, "", "Détail : " + e.cause});
  }
  options_.NotifyChanged();
  QDialog::done(result);
}

}  // namespace kinevo::gui
