#include "gui/capture/capture_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kinevo::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

void FillList(QListWidget* list, const std::vector<std::string>& items, int current) {
  list->clear();
  for (const auto& i : items) list->addItem(Q(i));
  if (current >= 0 && current < list->count()) list->setCurrentRow(current);
}

// An editable list of seconds that takes digits only.
QComboBox* SecondsBox(const std::vector<int>& choices, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setEditable(true);
  for (int s : choices) box->addItem(QString::number(s));
  box->lineEdit()->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,5}")), box));
  return box;
}

QLabel* Advice(const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setWordWrap(true);
  QFont f = l->font();
  f.setItalic(true);
  l->setFont(f);
  return l;
}

}  // namespace

TBoiteCapture::TBoiteCapture(TCapture& capture, QWidget* parent)
    : QDialog(parent), capture_(capture), pages_(new QTabWidget(this)) {
  setObjectName(QStringLiteral("BoiteCapture"));
  setWindowTitle(QStringLiteral("Réglages de la capture"));
  pages_->addTab(DevicePage(), QStringLiteral("Périphérique"));
  pages_->addTab(CodecPage(), QStringLiteral("Compression"));
  pages_->addTab(FormatPage(), QStringLiteral("Format"));
  pages_->addTab(RatePage(), QStringLiteral("Vitesse"));
  pages_->addTab(TimerPage(), QStringLiteral("Minuterie"));
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addWidget(buttons);
  resize(460, 340);
}

QWidget* TBoiteCapture::DevicePage() {
  auto* page = new QWidget(this);
  auto* l = new QVBoxLayout(page);
  l->addWidget(new QLabel(QStringLiteral("Choisir un périphérique de capture :"), page));
  devices_ = new QListWidget(page);
  devices_->setObjectName(QStringLiteral("ListDevices"));
  l->addWidget(devices_);
  // The formats offered follow the device chosen.
  connect(devices_, &QListWidget::currentRowChanged, this, [this](int row) { FillFormats(row); });
  return page;
}

QWidget* TBoiteCapture::CodecPage() {
  auto* page = new QWidget(this);
  auto* l = new QVBoxLayout(page);
  codecCaption_ = new QLabel(page);
  l->addWidget(codecCaption_);
  codecs_ = new QListWidget(page);
  codecs_->setObjectName(QStringLiteral("ListCodecs"));
  l->addWidget(codecs_);
  auto* row = new QHBoxLayout;
  row->addStretch();
  configure_ = new QPushButton(QStringLiteral("Configurer"), page);
  // None of the codecs offered has settings of its own.
  configure_->setEnabled(false);
  row->addWidget(configure_);
  l->addLayout(row);
  connect(codecs_, &QListWidget::currentRowChanged, this, [this] { ShowCodec(); });
  return page;
}

QWidget* TBoiteCapture::FormatPage() {
  auto* page = new QWidget(this);
  auto* l = new QVBoxLayout(page);
  l->addWidget(new QLabel(QStringLiteral("Format de la capture :"), page));
  formats_ = new QListWidget(page);
  formats_->setObjectName(QStringLiteral("ListFormats"));
  l->addWidget(formats_);
  l->addWidget(
      Advice(QStringLiteral("La qualité de la vidéo capturée peut dépendre de ce choix."), page));
  return page;
}

QWidget* TBoiteCapture::RatePage() {
  auto* page = new QWidget(this);
  auto* l = new QVBoxLayout(page);
  l->addWidget(new QLabel(QStringLiteral("Nombre d'images par seconde (fps) :"), page));
  rate_ = new QComboBox(page);
  rate_->setObjectName(QStringLiteral("ComboRate"));
  for (int r : TCapture::Rates()) rate_->addItem(QStringLiteral("%1 fps").arg(r), r);
  l->addWidget(rate_);
  l->addStretch();
  return page;
}

QWidget* TBoiteCapture::TimerPage() {
  auto* page = new QWidget(this);
  auto* l = new QVBoxLayout(page);
  auto line = [page, l](QCheckBox* check, QComboBox* box) {
    auto* row = new QHBoxLayout;
    row->addWidget(check);
    row->addWidget(box);
    row->addWidget(new QLabel(QStringLiteral("seconde(s)"), page));
    row->addStretch();
    l->addLayout(row);
    box->setEnabled(false);
    QObject::connect(check, &QCheckBox::toggled, box, &QWidget::setEnabled);
  };
  useDelay_ = new QCheckBox(QStringLiteral("Début de l'enregistrement après"), page);
  delay_ = SecondsBox(TCapture::DelayChoices(), page);
  line(useDelay_, delay_);
  useDuration_ = new QCheckBox(QStringLiteral("Durée de l'enregistrement"), page);
  duration_ = SecondsBox(TCapture::DurationChoices(), page);
  line(useDuration_, duration_);
  beep_ = new QCheckBox(QStringLiteral("Bip sonore"), page);
  l->addWidget(beep_);
  l->addStretch();
  return page;
}

void TBoiteCapture::FillFormats(int device) {
  const int current = device == capture_.DeviceIndex() ? capture_.FormatIndex() : 0;
  FillList(formats_, capture_.FormatsOf(device), current);
}

void TBoiteCapture::ShowCodec() {
  QListWidgetItem* item = codecs_->currentItem();
  codecCaption_->setText(QStringLiteral("Codeur de compression : %1")
                             .arg(item != nullptr ? item->text() : QStringLiteral("sans")));
}

void TBoiteCapture::Load() {
  FillList(devices_, capture_.Devices(), capture_.DeviceIndex());
  FillFormats(capture_.DeviceIndex());
  FillList(codecs_, capture_.Codecs(), capture_.CodecIndex());
  ShowCodec();
  const int r = rate_->findData(static_cast<int>(capture_.Rate()));
  rate_->setCurrentIndex(r >= 0 ? r : rate_->findData(30));
  useDelay_->setChecked(capture_.UseDelay);
  delay_->setEditText(QString::number(capture_.UseDelay ? capture_.DelaySeconds : 5));
  useDuration_->setChecked(capture_.UseDuration);
  duration_->setEditText(QString::number(capture_.UseDuration ? capture_.DurationSeconds : 10));
  beep_->setChecked(capture_.BeepOn);
}

void TBoiteCapture::Apply() {
  if (devices_->currentRow() >= 0) capture_.SelectDevice(devices_->currentRow());
  if (formats_->currentRow() >= 0) capture_.SelectFormat(formats_->currentRow());
  if (codecs_->currentRow() >= 0) capture_.SelectCodec(codecs_->currentRow());
  capture_.SetRate(rate_->currentData().toInt());
  capture_.UseDelay = useDelay_->isChecked() && delay_->currentText().toInt() > 0;
  if (capture_.UseDelay) capture_.DelaySeconds = delay_->currentText().toInt();
  capture_.UseDuration = useDuration_->isChecked() && duration_->currentText().toInt() > 0;
  capture_.DurationSeconds =
      capture_.UseDuration ? duration_->currentText().toInt() : TCapture::kNoDuration;
  capture_.BeepOn = beep_->isChecked();
}

bool TBoiteCapture::Execute(Page page) {
  Load();
  pages_->setCurrentIndex(page);
  if (exec() != QDialog::Accepted) return false;
  Apply();
  return true;
}

}  // namespace kinevo::gui
