#include "gui/results/dynamic_panel.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/common/number_format.h"

namespace kinevo {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string Number(double v, int digits = 7) { return FloatToText(v, digits, DecimalSeparator()); }

// A step that moves the value's last shown digits: a tenth of its order.
double AutoStep(double value) {
  const double a = std::fabs(value);
  if (!(a > 0) || !std::isfinite(a)) return 0.1;
  return std::pow(10.0, std::floor(std::log10(a)) - 1);
}

double StepOf(const TDynamicSetting::Parameter& p) {
  return p.step > 0 ? p.step : AutoStep(p.value);
}

// A spin box that shows its value with the significant digits it needs
// (a drag coefficient of 1e-7 as well as a speed of 3.2), in the program's
// decimal separator.
class TValueSpin : public QDoubleSpinBox {
 public:
  explicit TValueSpin(QWidget* parent) : QDoubleSpinBox(parent) {
    setDecimals(15);
    setRange(-1e12, 1e12);
    setKeyboardTracking(false);
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setFrame(false);
  }
  QString textFromValue(double v) const override { return Q(Number(v)); }
  double valueFromText(const QString& text) const override {
    double v = 0;
    return TextToFloat(text.trimmed().toStdString(), v) ? v : value();
  }
  QValidator::State validate(QString& text, int&) const override {
    double v = 0;
    const std::string s = text.trimmed().toStdString();
    if (TextToFloat(s, v) && std::isfinite(v)) return QValidator::Acceptable;
    return QValidator::Intermediate;
  }
};

constexpr int kSliderReach = 100;  // steps each side of the slider's centre

}  // namespace

TDynamicPanel::TDynamicPanel(TSession& session, QWidget* parent)
    : QWidget(parent, Qt::Tool), session_(session) {
  setObjectName("ModeleDynamique");
  setWindowTitle(QString::fromUtf8("Modèle dynamique"));
  Build();
  links_ += session_.Dynamics.OnChange.Connect([this] {
    if (!storing_) Sync();
  });
}

TDynamicPanel::~TDynamicPanel() { links_.DisconnectAll(); }

void TDynamicPanel::Build() {
  // The look of the modeller panel of the graphs: pale yellow, small font.
  setFont(QFont("Arial", 9));
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(255, 255, 240));
  setPalette(pal);
  setAutoFillBackground(true);

  auto* top = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  system_ = new QComboBox(this);
  system_->setObjectName("ModeleDynamiquePoint");
  start_ = new QComboBox(this);
  start_->setObjectName("ModeleDynamiqueDepart");
  ax_ = new QLineEdit(this);
  ax_->setObjectName("ModeleDynamiqueAx");
  ay_ = new QLineEdit(this);
  ay_->setObjectName("ModeleDynamiqueAy");
  for (QLineEdit* e : {ax_, ay_})
    e->setToolTip(
        QString::fromUtf8("Formule de t, x, y, vx, vy, v (m, s) et des paramètres ; sans espaces"));
  form->addRow(QString::fromUtf8("Point :"), system_);
  form->addRow(QString::fromUtf8("Image de départ :"), start_);
  form->addRow(QStringLiteral("ax ="), ax_);
  form->addRow(QStringLiteral("ay ="), ay_);
  top->addLayout(form);

  table_ = new QTableWidget(0, kColumns, this);
  table_->setObjectName("ModeleDynamiqueParametres");
  table_->setHorizontalHeaderLabels({QString::fromUtf8("Paramètre"), QString::fromUtf8("Valeur"),
                                     QString::fromUtf8("Pas"), QString::fromUtf8("ajusté"),
                                     QString::fromUtf8("Incertitude")});
  table_->verticalHeader()->hide();
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  table_->horizontalHeader()->setSectionResizeMode(kFitted, QHeaderView::ResizeToContents);
  table_->setMinimumHeight(180);
  top->addWidget(table_, 1);

  auto* sliderRow = new QHBoxLayout;
  sliderLabel_ = new QLabel(this);
  sliderLabel_->setMinimumWidth(60);
  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setObjectName("ModeleDynamiqueCurseur");
  slider_->setRange(-kSliderReach, kSliderReach);
  slider_->setToolTip(QString::fromUtf8("Fait varier le paramètre choisi d'un pas par cran"));
  sliderRow->addWidget(sliderLabel_);
  sliderRow->addWidget(slider_, 1);
  top->addLayout(sliderRow);

  auto* buttons = new QHBoxLayout;
  fit_ = new QPushButton(QStringLiteral("Ajuster"), this);
  fit_->setObjectName("ModeleDynamiqueAjuster");
  fit_->setToolTip(QString::fromUtf8("Ajuste les paramètres cochés aux marques"));
  clear_ = new QPushButton(QString::fromUtf8("Effacer le modèle"), this);
  clear_->setObjectName("ModeleDynamiqueEffacer");
  buttons->addWidget(fit_);
  buttons->addStretch(1);
  buttons->addWidget(clear_);
  top->addLayout(buttons);

  status_ = new QLabel(this);
  status_->setObjectName("ModeleDynamiqueEtat");
  status_->setWordWrap(true);
  status_->setMinimumHeight(36);
  top->addWidget(status_);

  connect(ax_, &QLineEdit::textEdited, this, [this] { FormulaEdited(); });
  connect(ay_, &QLineEdit::textEdited, this, [this] { FormulaEdited(); });
  connect(system_, &QComboBox::activated, this, [this](int i) { SystemChosen(i); });
  connect(start_, &QComboBox::activated, this, [this](int i) { StartChosen(i); });
  connect(table_, &QTableWidget::itemSelectionChanged, this, [this] { RowSelected(); });
  connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (!filling_ && item->column() == kFitted)
      SetFitted(item->row(), item->checkState() == Qt::Checked);
  });
  connect(slider_, &QSlider::valueChanged, this, [this](int p) { SliderMoved(p); });
  // Released, the slider comes back to its centre around the value reached.
  connect(slider_, &QSlider::sliderReleased, this, [this] { UpdateSlider(); });
  connect(fit_, &QPushButton::clicked, this, [this] { Fit(); });
  connect(clear_, &QPushButton::clicked, this, [this] { Clear(); });
  resize(460, 520);
}

// ---------------------------------------------------------------- model

void TDynamicPanel::Open(int system) {
  session_.UpdateResults(true);
  if (!session_.Dynamics.Setting().Defined()) {
    TDynamicSetting s = DefaultDynamicSetting();
    s.system = std::max(0, system);
    series_ = MarkedSeries(session_.Results().Active(), s.system);
    if (series_.Size() > 0) s.startRow = series_.rows.front();
    TakeStartValues(s);
    Store(s);
  }
  Sync();
  show();
  raise();
}

void TDynamicPanel::Sync() {
  setting_ = session_.Dynamics.Setting();
  series_ = MarkedSeries(session_.Results().Active(), setting_.system);
  filling_ = true;
  if (!ax_->hasFocus() || ax_->text().toStdString() != setting_.ax) ax_->setText(Q(setting_.ax));
  if (!ay_->hasFocus() || ay_->text().toStdString() != setting_.ay) ay_->setText(Q(setting_.ay));
  filling_ = false;
  FillSystems();
  FillStarts();
  FillTable();
  UpdateStatus();
}

void TDynamicPanel::Store(const TDynamicSetting& s, bool fitted) {
  if (!fitted) uncertainties_.clear();
  setting_ = s;
  storing_ = true;
  session_.Dynamics.Set(s);
  storing_ = false;
  UpdateStatus();
}

void TDynamicPanel::TakeStartValues(TDynamicSetting& s) const {
  const std::vector<TDynamicParameter> start = StartValuesAt(series_, StartIndex(s, series_));
  for (std::size_t i = 0; i < start.size() && i < s.parameters.size(); ++i)
    s.parameters[i].value = start[i].value;
}

void TDynamicPanel::FormulaEdited() {
  if (filling_) return;
  TDynamicSetting s = setting_;
  s.ax = ax_->text().toStdString();
  s.ay = ay_->text().toStdString();
  // The parameters follow the formulas once they read; until then the
  // texts are kept as typed and the failure is said.
  const bool sameNames = [&] {
    const TResult<TDynamicSetting> named = WithFormulaParameters(s);
    if (!named) return true;
    const bool same =
        named->parameters.size() == s.parameters.size() &&
        std::equal(s.parameters.begin(), s.parameters.end(), named->parameters.begin(),
                   [](const auto& a, const auto& b) { return a.name == b.name; });
    s = *named;
    return same;
  }();
  Store(s);
  if (!sameNames) FillTable();
}

void TDynamicPanel::SystemChosen(int index) {
  if (filling_ || index < 0) return;
  TDynamicSetting s = setting_;
  s.system = index;
  series_ = MarkedSeries(session_.Results().Active(), s.system);
  s.startRow = series_.Size() > 0 ? series_.rows.front() : -1;
  TakeStartValues(s);
  Store(s);
  FillStarts();
  FillTable();
}

void TDynamicPanel::StartChosen(int index) {
  if (filling_ || index < 0 || index >= series_.Size()) return;
  TDynamicSetting s = setting_;
  s.startRow = series_.rows[static_cast<std::size_t>(index)];
  TakeStartValues(s);
  Store(s);
  FillTable();
}

bool TDynamicPanel::SetValue(int row, double value) {
  if (row < 0 || row >= static_cast<int>(setting_.parameters.size()) || !std::isfinite(value))
    return false;
  TDynamicSetting s = setting_;
  s.parameters[static_cast<std::size_t>(row)].value = value;
  Store(s);
  // The spin box and the uncertainty column follow.
  filling_ = true;
  if (auto* spin = qobject_cast<QDoubleSpinBox*>(table_->cellWidget(row, kValue))) {
    const QSignalBlocker block(spin);
    spin->setValue(value);
  }
  for (int r = 0; r < table_->rowCount(); ++r)
    if (QTableWidgetItem* u = table_->item(r, kUncertainty)) u->setText({});
  filling_ = false;
  // A value typed or stepped recentres the slider on it.
  if (!sliding_ && row == sliderRow_) UpdateSlider();
  return true;
}

bool TDynamicPanel::SetFitted(int row, bool fitted) {
  if (row < 0 || row >= static_cast<int>(setting_.parameters.size())) return false;
  TDynamicSetting s = setting_;
  s.parameters[static_cast<std::size_t>(row)].fitted = fitted;
  Store(s, true);
  filling_ = true;
  if (QTableWidgetItem* item = table_->item(row, kFitted))
    item->setCheckState(fitted ? Qt::Checked : Qt::Unchecked);
  filling_ = false;
  return true;
}

void TDynamicPanel::StepEdited(int row, double step) {
  if (filling_ || row < 0 || row >= static_cast<int>(setting_.parameters.size())) return;
  TDynamicSetting s = setting_;
  s.parameters[static_cast<std::size_t>(row)].step = std::max(0.0, step);
  Store(s, true);
  if (auto* spin = qobject_cast<QDoubleSpinBox*>(table_->cellWidget(row, kValue)))
    spin->setSingleStep(StepOf(s.parameters[static_cast<std::size_t>(row)]));
  UpdateSlider();
}

void TDynamicPanel::Fit() {
  TDynamicSetting s = setting_;
  // Each step of the fit integrates the model several times: seconds over
  // thousands of images.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const TResult<TDynamicFit> fit = FitDynamicModel(s, series_);
  QApplication::restoreOverrideCursor();
  if (!fit) {
    failed_ = true;
    status_->setStyleSheet("color: #b00000");
    status_->setText(Q(fit.error().Text()));
    return;
  }
  uncertainties_.clear();
  for (const TFittedValue& v : fit->values) uncertainties_[v.name] = v.uncertainty;
  Store(s, true);
  FillTable();
}

void TDynamicPanel::Clear() {
  uncertainties_.clear();
  storing_ = true;
  session_.Dynamics.Clear();
  storing_ = false;
  hide();
}

// ---------------------------------------------------------------- showing

void TDynamicPanel::FillSystems() {
  const QSignalBlocker block(system_);
  system_->clear();
  const int n = session_.Results().Active().SystemsCount();
  for (int i = 0; i < n; ++i) system_->addItem(Q(session_.Data.SystemName(i)));
  if (setting_.system >= n)
    system_->addItem(QString::fromUtf8("Point %1").arg(setting_.system + 1));
  system_->setCurrentIndex(std::min(setting_.system, system_->count() - 1));
}

void TDynamicPanel::FillStarts() {
  const QSignalBlocker block(start_);
  start_->clear();
  for (int k = 0; k < series_.Size(); ++k) {
    const std::size_t i = static_cast<std::size_t>(k);
    start_->addItem(QString::fromUtf8("n° %1 (t = %2 s)")
                        .arg(series_.rows[i] + 1)
                        .arg(Q(Number(series_.t[i], 4))));
  }
  start_->setCurrentIndex(StartIndex(setting_, series_));
}

void TDynamicPanel::FillTable() {
  filling_ = true;
  const int selected = table_->currentRow();
  table_->setRowCount(static_cast<int>(setting_.parameters.size()));
  for (int r = 0; r < table_->rowCount(); ++r) {
    const TDynamicSetting::Parameter& p = setting_.parameters[static_cast<std::size_t>(r)];
    auto* name = new QTableWidgetItem(Q(p.name));
    name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    table_->setItem(r, kName, name);

    auto* value = qobject_cast<QDoubleSpinBox*>(table_->cellWidget(r, kValue));
    if (!value) {
      value = new TValueSpin(table_);
      value->setObjectName(QStringLiteral("ModeleDynamiqueValeur%1").arg(r));
      connect(value, &QDoubleSpinBox::valueChanged, this, [this, r](double v) {
        if (!filling_) SetValue(r, v);
      });
      table_->setCellWidget(r, kValue, value);
    }
    {
      const QSignalBlocker block(value);
      value->setValue(p.value);
      value->setSingleStep(StepOf(p));
    }
    auto* step = qobject_cast<QDoubleSpinBox*>(table_->cellWidget(r, kStep));
    if (!step) {
      step = new TValueSpin(table_);
      step->setMinimum(0);
      connect(step, &QDoubleSpinBox::valueChanged, this, [this, r](double v) { StepEdited(r, v); });
      table_->setCellWidget(r, kStep, step);
    }
    {
      const QSignalBlocker block(step);
      step->setValue(StepOf(p));
      step->setSingleStep(StepOf(p));
    }
    auto* fitted = new QTableWidgetItem;
    fitted->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    fitted->setCheckState(p.fitted ? Qt::Checked : Qt::Unchecked);
    table_->setItem(r, kFitted, fitted);
    const auto u = uncertainties_.find(p.name);
    auto* uncertainty = new QTableWidgetItem(u == uncertainties_.end() ? QString()
                                             : std::isfinite(u->second)
                                                 ? QString::fromUtf8("± ") + Q(Number(u->second, 3))
                                                 : QString::fromUtf8("indéterminée"));
    uncertainty->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    table_->setItem(r, kUncertainty, uncertainty);
  }
  if (selected >= 0 && selected < table_->rowCount())
    table_->selectRow(selected);
  else if (table_->rowCount() > 4)
    table_->selectRow(4);  // the first of the user's parameters
  filling_ = false;
  RowSelected();
}

void TDynamicPanel::UpdateStatus() {
  // The model as the graphs draw it (computed once for both).
  const TCalcul& calc = session_.Results().Active();
  const int fine = DrawingSubdivisions(calc.RowCount());
  const TDynamicTrack& track = session_.Dynamics.Track(calc, fine);
  TDynamicCheck check;
  check.status = track.status;
  if (check.status && series_.Size() == 0)
    check.status =
        TError{"Le point " + std::to_string(setting_.system + 1) + " n'a pas d'image marquée.", {}};
  if (check.status) check.rms = TrackRms(track, fine, series_);
  failed_ = !check.status;
  status_->setStyleSheet(failed_ ? "color: #b00000" : "");
  if (failed_) {
    status_->setText(Q(check.status.error().Text()));
    return;
  }
  QString text =
      QString::fromUtf8("Écart quadratique moyen aux marques : %1 m").arg(Q(Number(check.rms, 4)));
  // The fitted values with their standard uncertainties, as for the curves.
  for (const TDynamicSetting::Parameter& p : setting_.parameters) {
    const auto u = uncertainties_.find(p.name);
    if (u == uncertainties_.end()) continue;
    text += QStringLiteral("\n%1 = %2 ± %3")
                .arg(Q(p.name), Q(Number(p.value)),
                     std::isfinite(u->second) ? Q(Number(u->second, 3))
                                              : QString::fromUtf8("indéterminée"));
  }
  status_->setText(text);
}

QString TDynamicPanel::StatusText() const { return status_->text(); }

void TDynamicPanel::RowSelected() {
  if (filling_) return;
  sliderRow_ = table_->currentRow();
  UpdateSlider();
}

void TDynamicPanel::UpdateSlider() {
  const bool ok = sliderRow_ >= 0 && sliderRow_ < static_cast<int>(setting_.parameters.size());
  slider_->setEnabled(ok);
  sliderLabel_->setText(ok ? Q(setting_.parameters[static_cast<std::size_t>(sliderRow_)].name)
                           : QString());
  if (ok) {
    const TDynamicSetting::Parameter& p = setting_.parameters[static_cast<std::size_t>(sliderRow_)];
    sliderBase_ = p.value;
    sliderStep_ = StepOf(p);
  }
  const QSignalBlocker block(slider_);
  slider_->setValue(0);
}

void TDynamicPanel::SliderMoved(int position) {
  if (sliderRow_ < 0 || sliderRow_ >= static_cast<int>(setting_.parameters.size())) return;
  sliding_ = true;
  SetValue(sliderRow_, sliderBase_ + position * sliderStep_);
  sliding_ = false;
}

}  // namespace kinevo
