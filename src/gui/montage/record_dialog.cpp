#include "gui/montage/record_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/common/file_dialogs_qt.h"

namespace kinevo::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

TBoiteRecordMontage::TBoiteRecordMontage(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("BoiteRecordMontage"));
  auto* layout = new QVBoxLayout(this);
  pages_ = new QTabWidget(this);
  const char* names[] = {"Resume", "Compression", "Dimensions", "Parametres"};
  QWidget* pages[4];
  for (int i = 0; i < 4; ++i) {
    pages[i] = new QWidget(pages_);
    pages[i]->setObjectName(QString::fromLatin1(names[i]));
    pages_->addTab(pages[i], QString::fromLatin1(names[i]));
  }
  BuildSummary(pages[0]);
  BuildCompression(pages[1]);
  BuildDimensions(pages[2]);
  BuildParameters(pages[3]);
  layout->addWidget(pages_);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("Ok"), QDialogButtonBox::AcceptRole);
  QPushButton* cancel = buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
  ok->setObjectName(QStringLiteral("ok"));
  cancel->setObjectName(QStringLiteral("cancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  setMinimumWidth(460);
}

void TBoiteRecordMontage::BuildSummary(QWidget* page) {
  auto* l = new QVBoxLayout(page);
  summary_ = new QLabel(page);
  summary_->setObjectName(QStringLiteral("summary"));
  summary_->setTextFormat(Qt::PlainText);
  summary_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  l->addWidget(summary_);
  l->addStretch();
}

void TBoiteRecordMontage::BuildCompression(QWidget* page) {
  auto* l = new QVBoxLayout(page);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("Cadre de travail :"), page));
  framework_ = new QComboBox(page);
  framework_->setObjectName(QStringLiteral("framework"));
  framework_->setEnabled(false);
  row->addWidget(framework_, 1);
  l->addLayout(row);
  changeFramework_ = new QPushButton(QStringLiteral("Modifier le cadre de travail"), page);
  changeFramework_->setObjectName(QStringLiteral("changeFramework"));
  l->addWidget(changeFramework_, 0, Qt::AlignLeft);
  l->addWidget(new QLabel(QStringLiteral("Codec :"), page));
  codecs_ = new QListWidget(page);
  codecs_->setObjectName(QStringLiteral("codecs"));
  l->addWidget(codecs_, 1);
  configure_ = new QPushButton(QStringLiteral("Configurer"), page);
  configure_->setObjectName(QStringLiteral("configure"));
  // The codecs offered here have no settings dialog of their own.
  configure_->setEnabled(false);
  l->addWidget(configure_, 0, Qt::AlignLeft);

  connect(changeFramework_, &QPushButton::clicked, this, [this] {
    framework_->setEnabled(framework_->count() > 1);
    framework_->setFocus();
  });
  connect(framework_, &QComboBox::currentIndexChanged, this, [this] {
    FillCodecs({});
    UpdateSummary();
  });
  connect(codecs_, &QListWidget::currentRowChanged, this, [this] { UpdateSummary(); });
}

void TBoiteRecordMontage::BuildDimensions(QWidget* page) {
  auto* l = new QVBoxLayout(page);
  unchanged_ = new QRadioButton(QStringLiteral("Conserver les dimensions de l'image"), page);
  unchanged_->setObjectName(QStringLiteral("RadioButtonSame"));
  deform_ = new QRadioButton(QStringLiteral("Déformer l'image"), page);
  deform_->setObjectName(QStringLiteral("RadioButtonDeform"));
  cut_ = new QRadioButton(QStringLiteral("Couper l'image"), page);
  cut_->setObjectName(QStringLiteral("RadioButtonCut"));
  l->addWidget(unchanged_);
  l->addWidget(deform_);
  auto* size = new QFormLayout;
  width_ = new QSpinBox(page);
  height_ = new QSpinBox(page);
  width_->setObjectName(QStringLiteral("width"));
  height_->setObjectName(QStringLiteral("height"));
  for (QSpinBox* s : {width_, height_}) s->setRange(1, 8192);
  size->addRow(QStringLiteral("Largeur (pixels) :"), width_);
  size->addRow(QStringLiteral("Hauteur (pixels) :"), height_);
  l->addLayout(size);
  l->addWidget(cut_);
  auto* margins = new QFormLayout;
  const char* labels[] = {"Haut :", "Bas :", "Gauche :", "Droite :"};
  const char* names[] = {"top", "bottom", "left", "right"};
  for (int i = 0; i < 4; ++i) {
    margins_[i] = new QSpinBox(page);
    margins_[i]->setObjectName(QString::fromLatin1(names[i]));
    margins_[i]->setRange(0, kMaxMargin);
    margins_[i]->setSuffix(QStringLiteral(" pixels"));
    margins->addRow(QString::fromUtf8(labels[i]), margins_[i]);
  }
  l->addLayout(margins);
  l->addStretch();
  auto enable = [this] {
    width_->setEnabled(deform_->isChecked());
    height_->setEnabled(deform_->isChecked());
    for (QSpinBox* m : margins_) m->setEnabled(cut_->isChecked());
    UpdateSummary();
  };
  for (QRadioButton* r : {unchanged_, deform_, cut_})
    connect(r, &QRadioButton::toggled, this, enable);
  for (QSpinBox* s : {width_, height_, margins_[0], margins_[1], margins_[2], margins_[3]})
    connect(s, &QSpinBox::valueChanged, this, [this] { UpdateSummary(); });
}

void TBoiteRecordMontage::BuildParameters(QWidget* page) {
  auto* l = new QVBoxLayout(page);
  changeRate_ = new QCheckBox(QStringLiteral("Modifier la cadence des images"), page);
  changeRate_->setObjectName(QStringLiteral("changeRate"));
  rate_ = new QDoubleSpinBox(page);
  rate_->setObjectName(QStringLiteral("rate"));
  rate_->setRange(0.1, 1000.0);
  rate_->setDecimals(3);
  rate_->setSuffix(QStringLiteral(" images par seconde"));
  emptyImages_ = new QCheckBox(QStringLiteral("Insérer des images vides dans la nouvelle vidéo "
                                              "pour les images manquantes du montage"),
                               page);
  emptyImages_->setObjectName(QStringLiteral("emptyImages"));
  l->addWidget(changeRate_);
  l->addWidget(rate_, 0, Qt::AlignLeft);
  l->addWidget(emptyImages_);
  l->addStretch();
  connect(changeRate_, &QCheckBox::toggled, rate_, &QWidget::setEnabled);
  connect(emptyImages_, &QCheckBox::toggled, this, [this] { UpdateSummary(); });
}

void TBoiteRecordMontage::FillCodecs(const std::string& selected) {
  codecs_->clear();
  const int b = framework_->currentIndex();
  if (b < 0 || b >= static_cast<int>(request_.backends.size())) return;
  const auto& list = request_.backends[static_cast<std::size_t>(b)].codecs;
  int row = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    codecs_->addItem(Q(list[i]));
    if (list[i] == selected) row = static_cast<int>(i);
  }
  codecs_->setCurrentRow(row);
}

void TBoiteRecordMontage::Setup(const TRecordRequest& request, const TRecordChoices& c) {
  request_ = request;
  setWindowTitle(Q(request.title));
  {
    QSignalBlocker block(framework_);
    framework_->clear();
    int current = 0;
    for (std::size_t i = 0; i < request.backends.size(); ++i) {
      framework_->addItem(Q(request.backends[i].name));
      if (request.backends[i].framework == c.framework) current = static_cast<int>(i);
    }
    framework_->setCurrentIndex(current);
    framework_->setEnabled(false);
  }
  changeFramework_->setEnabled(request.backends.size() > 1);
  FillCodecs(c.codec);

  const bool video = request.operation != roVideoToPictures;
  // Splitting writes every picture at full size: only the summary applies.
  for (int i = 1; i < 4; ++i) pages_->setTabEnabled(i, video);
  width_->setValue(c.sizeMode == smStretch && c.stretchWidth > 0 ? c.stretchWidth : request.width);
  height_->setValue(c.sizeMode == smStretch && c.stretchHeight > 0 ? c.stretchHeight
                                                                   : request.height);
  const int m[4] = {c.margins.top, c.margins.bottom, c.margins.left, c.margins.right};
  for (int i = 0; i < 4; ++i) margins_[i]->setValue(m[i]);
  (c.sizeMode == smStretch ? deform_ : c.sizeMode == smCut ? cut_ : unchanged_)->setChecked(true);
  width_->setEnabled(c.sizeMode == smStretch);
  height_->setEnabled(c.sizeMode == smStretch);
  for (QSpinBox* s : margins_) s->setEnabled(c.sizeMode == smCut);
  changeRate_->setChecked(false);
  rate_->setValue(c.rate);
  rate_->setEnabled(false);
  emptyImages_->setChecked(c.emptyImages && request.operation == roMontage);
  emptyImages_->setEnabled(request.operation == roMontage && request.blanks > 0);
  pages_->setCurrentIndex(0);
  UpdateSummary();
}

TRecordChoices TBoiteRecordMontage::Choices() const {
  TRecordChoices c;
  const int b = framework_->currentIndex();
  if (b >= 0 && b < static_cast<int>(request_.backends.size()))
    c.framework = request_.backends[static_cast<std::size_t>(b)].framework;
  if (codecs_->currentItem()) c.codec = codecs_->currentItem()->text().toStdString();
  c.sizeMode = deform_->isChecked() ? smStretch : cut_->isChecked() ? smCut : smUnchanged;
  c.stretchWidth = width_->value();
  c.stretchHeight = height_->value();
  c.margins = {margins_[2]->value(), margins_[0]->value(), margins_[3]->value(),
               margins_[1]->value()};
  c.rate = rate_->value();
  c.emptyImages = emptyImages_->isEnabled() && emptyImages_->isChecked();
  return c;
}

void TBoiteRecordMontage::UpdateSummary() {
  const TRecordChoices c = Choices();
  const TPixel size = request_.operation == roVideoToPictures
                          ? TPixel{request_.width, request_.height}
                          : OutputSize(c, request_.width, request_.height);
  const int64_t images = request_.images + (c.emptyImages ? request_.blanks : 0);
  QString text;
  if (request_.operation == roVideoToPictures)
    text += QStringLiteral("Fichiers images : BMP\n");
  else
    text += QStringLiteral("Conteneur vidéo : AVI\n");
  text += QStringLiteral("Largeur de l'image en pixels : %1\n").arg(size.x);
  text += QStringLiteral("Hauteur de l'image en pixels : %1\n").arg(size.y);
  text += QStringLiteral("Nombre d'images : %1\n").arg(images);
  if (request_.operation != roVideoToPictures) {
    text += QStringLiteral("Cadre de travail : %1\n").arg(framework_->currentText());
    if (codecs_->currentItem())
      text += QStringLiteral("Codec : %1").arg(codecs_->currentItem()->text());
  }
  summary_->setText(text);
  // Margins wider than the picture leave nothing to write.
  if (auto* box = findChild<QDialogButtonBox*>())
    for (QAbstractButton* b : box->buttons())
      if (b->objectName() == QLatin1String("ok")) b->setEnabled(size.x > 0 && size.y > 0);
}

bool TBoiteRecordMontage::Execute(const TRecordRequest& request, TRecordChoices& choices) {
  Setup(request, choices);
  if (OnShown) QTimer::singleShot(0, this, [this] { OnShown(this); });
  if (exec() != QDialog::Accepted) return false;
  choices = Choices();
  return true;
}

// ------------------------------------------------------------ windows

TRecordWindows::TRecordWindows(QWidget* parent)
    : parent_(parent), dialog_(std::make_unique<TBoiteRecordMontage>(parent)) {}

TRecordWindows::~TRecordWindows() = default;

void TRecordWindows::Install(TRecordMontage& recording) {
  recording.Ui = this;
  recording.Progress = [this](int64_t done, int64_t total) { return Progress(done, total); };
}

bool TRecordWindows::RecordDialog(const TRecordRequest& request, TRecordChoices& choices) {
  return dialog_->Execute(request, choices);
}

std::string TRecordWindows::SaveFile(const TSaveRequest& r) {
  if (SaveAnswer) return SaveAnswer(r);
  TFileDialogRequest req;
  req.title = r.title;
  req.filter = r.filter;
  req.defaultExt = r.defaultExt;
  req.initialDir = r.initialDir;
  req.fileName = r.fileName;
  return TQtFileDialogs(parent_).SaveFile(req);
}

std::vector<std::string> TRecordWindows::OpenFiles(const TSaveRequest& r) {
  if (OpenAnswer) return OpenAnswer(r);
  const QStringList names = QFileDialog::getOpenFileNames(
      parent_, Q(r.title), StartFolder(r.initialDir), QtFileFilter(r.filter));
  std::vector<std::string> out;
  for (const QString& n : names) out.push_back(n.toStdString());
  return out;
}

// The progress window shows the view's waiting text and a cancel button;
// events are processed so that the button answers while the video is
// written on the window thread.
bool TRecordWindows::Progress(int64_t done, int64_t total) {
  if (!progress_) {
    progress_ = std::make_unique<QProgressDialog>(QStringLiteral("Veuillez patienter ..."),
                                                  QStringLiteral("Annuler"), 0, 1000, parent_);
    progress_->setObjectName(QStringLiteral("RecordProgress"));
    progress_->setWindowTitle(QStringLiteral("Kinevo"));
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setMinimumDuration(500);
    progress_->setAutoReset(false);
  }
  if (done == 1) {
    progress_->reset();
    progress_->setValue(0);
  }
  progress_->setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 0);
  QApplication::processEvents();
  const bool cancelled = progress_->wasCanceled();
  if (done >= total || cancelled) progress_->reset();
  return !cancelled;
}

}  // namespace kinevo::gui
