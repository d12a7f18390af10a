#include "gui/print/print_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFontComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "gui/common/window_placement.h"
#include "gui/print/page_view.h"

namespace kinevo::gui {

namespace {

constexpr int kTitleHeight = 30;
constexpr int kStartZoom = 30;

bool SystemPrintDialog(QPrinter& printer, QWidget* parent) {
  QPrintDialog dialog(&printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace

TBoiteImprimer::TBoiteImprimer(QWidget* parent)
    : QDialog(parent), RunPrintDialog(SystemPrintDialog) {
  setObjectName(QStringLiteral("BoiteImprimer"));
  setWindowTitle(QStringLiteral("Imprimer"));
  const double ppi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
  scroll_ = new QScrollArea(this);
  scroll_->setAlignment(Qt::AlignCenter);
  scroll_->setBackgroundRole(QPalette::Dark);
  page_ = new TPageView(ppi);
  page_->SetCaption(QString(), QStringLiteral("Arial"), kTitleHeight);
  page_->setToolTip(QStringLiteral(
      "Déplacer l'image ou ajuster ses dimensions à l'aide du bouton gauche de la souris"));
  scroll_->setWidget(page_);
  // The header is measured now, once, for the picture's top offset.
  layout_ = std::make_unique<TPrintLayout>(*page_, ppi);
  page_->MouseMoved = [this](TPagePoint p) { layout_->MouseMove(p); };
  page_->MousePressed = [this](TPagePoint p) { layout_->MouseDown(p); };
  page_->MouseReleased = [this](TPagePoint p) { layout_->MouseUp(p); };

  // Printed in colour, so that data and model curves can be told apart, on
  // one side.
  printer_.setColorMode(QPrinter::Color);
  printer_.setDuplex(QPrinter::DuplexNone);
  printer_.setFullPage(true);
  printer_.setPageSize(page_->Paper());

  auto* row = new QHBoxLayout(this);
  row->addWidget(scroll_, 1);
  row->addWidget(BuildControls());
  resize(SizeWithinScreen(*this, {980, 720}));
  page_->SetZoom(zoom_->value());
  SyncOrientation();
}

TBoiteImprimer::~TBoiteImprimer() = default;

QWidget* TBoiteImprimer::BuildControls() {
  auto* panel = new QWidget(this);
  panel->setFixedWidth(240);
  auto* col = new QVBoxLayout(panel);
  col->setContentsMargins(0, 0, 0, 0);

  auto* quick = new QGroupBox(QStringLiteral("Mise en page rapide"), panel);
  auto* quickCol = new QVBoxLayout(quick);
  centredTop_ = new QPushButton(QStringLiteral("Centré haut"), quick);
  centredTop_->setObjectName(QStringLiteral("ButtonPortraitHaut"));
  fullPage_ = new QPushButton(QStringLiteral("Pleine page"), quick);
  fullPage_->setObjectName(QStringLiteral("ButtonPleinePage"));
  portrait_ = new QPushButton(QStringLiteral("Portrait"), quick);
  portrait_->setObjectName(QStringLiteral("ButtonPortrait"));
  landscape_ = new QPushButton(QStringLiteral("Paysage"), quick);
  landscape_->setObjectName(QStringLiteral("ButtonPaysage"));
  auto* orientation = new QButtonGroup(quick);
  for (QPushButton* b : {portrait_, landscape_}) {
    b->setCheckable(true);
    b->setToolTip(QStringLiteral(
        "Paysage fait tourner le graphique de 90° par rapport au sens d'alimentation du papier"));
    orientation->addButton(b);
  }
  auto* orientationRow = new QHBoxLayout;
  orientationRow->addWidget(portrait_);
  orientationRow->addWidget(landscape_);
  quickCol->addWidget(centredTop_);
  quickCol->addWidget(fullPage_);
  quickCol->addLayout(orientationRow);
  col->addWidget(quick);
  connect(centredTop_, &QPushButton::clicked, this, [this] {
    layout_->CentredTop();
    SyncOrientation();
  });
  connect(fullPage_, &QPushButton::clicked, this, [this] {
    layout_->FullPage();
    SyncOrientation();
  });
  connect(portrait_, &QPushButton::clicked, this, [this] { layout_->SetLandscape(false); });
  connect(landscape_, &QPushButton::clicked, this, [this] { layout_->SetLandscape(true); });

  auto* titleBox = new QGroupBox(QStringLiteral("Titre"), panel);
  auto* titleCol = new QVBoxLayout(titleBox);
  title_ = new QLineEdit(titleBox);
  title_->setObjectName(QStringLiteral("EditTitre"));
  title_->setToolTip(QStringLiteral("Ajouter un titre"));
  font_ = new QFontComboBox(titleBox);
  font_->setToolTip(QStringLiteral("Sélectionner une fonte pour le titre"));
  font_->setCurrentFont(QFont(QStringLiteral("Arial")));
  titleHeight_ = new QSpinBox(titleBox);
  titleHeight_->setRange(10, 80);
  titleHeight_->setSingleStep(2);
  titleHeight_->setValue(kTitleHeight);
  titleHeight_->setToolTip(QStringLiteral("Taille de la fonte du titre"));
  // Changed with its arrows only.
  if (auto* edit = titleHeight_->findChild<QLineEdit*>()) edit->setReadOnly(true);
  titleCol->addWidget(title_);
  titleCol->addWidget(font_);
  auto* heightRow = new QHBoxLayout;
  heightRow->addWidget(new QLabel(QStringLiteral("Hauteur"), titleBox));
  heightRow->addWidget(titleHeight_, 1);
  titleCol->addLayout(heightRow);
  col->addWidget(titleBox);
  connect(title_, &QLineEdit::textChanged, this, &TBoiteImprimer::ApplyTitle);
  connect(font_, &QFontComboBox::currentFontChanged, this, &TBoiteImprimer::ApplyTitle);
  connect(titleHeight_, &QSpinBox::valueChanged, this, &TBoiteImprimer::ApplyTitle);

  auto* zoomBox = new QGroupBox(QStringLiteral("Zoom"), panel);
  auto* zoomCol = new QVBoxLayout(zoomBox);
  zoom_ = new QSlider(Qt::Horizontal, zoomBox);
  zoom_->setRange(10, 100);
  zoom_->setValue(kStartZoom);
  zoomCol->addWidget(zoom_);
  col->addWidget(zoomBox);
  connect(zoom_, &QSlider::valueChanged, this, [this](int v) { page_->SetZoom(v); });

  auto* printBox = new QGroupBox(QStringLiteral("Impression"), panel);
  auto* printCol = new QVBoxLayout(printBox);
  double_ = new QCheckBox(QStringLiteral("Double"), printBox);
  double_->setObjectName(QStringLiteral("CheckBoxMiroir"));
  double_->setToolTip(QStringLiteral("Impression personnalisée simple ou automatique double"));
  auto* print = new QPushButton(QStringLiteral("Imprimer"), printBox);
  print->setObjectName(QStringLiteral("ButtonImprimer"));
  printCol->addWidget(double_);
  printCol->addWidget(print);
  col->addWidget(printBox);
  connect(double_, &QCheckBox::toggled, this, &TBoiteImprimer::OnDouble);
  connect(print, &QPushButton::clicked, this, [this] { PrintPage(); });

  col->addStretch(1);
  auto* close = new QPushButton(QStringLiteral("Fermer"), panel);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  col->addWidget(close);
  return panel;
}

void TBoiteImprimer::SetPicture(const QImage& picture,
                                std::function<void(QPainter&, double)> vectors) {
  const QSizeF size = picture.deviceIndependentSize();
  const int w = static_cast<int>(std::lround(size.width()));
  const int h = static_cast<int>(std::lround(size.height()));
  if (picture.isNull() || w <= 0 || h <= 0) return;
  page_->SetPicture(picture);
  page_->SetVectorDrawing(std::move(vectors));
  const TPrintLayout::TPictureChange change = layout_->SetPicture(w, h);
  if (change == TPrintLayout::pcNewSize) {
    fitZoom_ = true;
    // Hidden, the preview area has no size yet: the zoom waits for the show.
    if (isVisible()) FitZoom();
  }
  SyncOrientation();
}

// A zoom at which the picture fills the preview area.
void TBoiteImprimer::FitZoom() {
  fitZoom_ = false;
  const TContGraphic& g = layout_->Picture();
  if (g.Empty()) return;
  const QSize area = scroll_->viewport()->size();
  const double fit =
      std::min((area.width() - 120.0) / g.PixelWidth(), (area.height() - 120.0) / g.PixelHeight());
  zoom_->setValue(std::clamp(static_cast<int>(std::lround(100 * fit)), 10, 100));
}

void TBoiteImprimer::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (fitZoom_) FitZoom();
}

bool TBoiteImprimer::PrintPage() {
  layout_->DrawPage(false);
  bool printed = false;
  if (RunPrintDialog && RunPrintDialog(printer_, this)) {
    // The page is laid out on the sheet of the preview.
    printer_.setFullPage(true);
    printer_.setPageOrientation(page_->Landscape() ? QPageLayout::Landscape
                                                   : QPageLayout::Portrait);
    printed = page_->Print(printer_);
  }
  layout_->DrawPage(!layout_->Double());
  return printed;
}

void TBoiteImprimer::ApplyTitle() {
  QFont shown = font_->currentFont();
  shown.setPointSize(QApplication::font().pointSize());
  title_->setFont(shown);
  page_->SetCaption(title_->text(), font_->currentFont().family(), titleHeight_->value());
  page_->RefreshPreview();
}

void TBoiteImprimer::OnDouble(bool on) {
  layout_->SetDouble(on);
  UpdateEnabled();
  SyncOrientation();
}

void TBoiteImprimer::UpdateEnabled() {
  const bool free = !layout_->Double();
  for (QWidget* w : std::initializer_list<QWidget*>{centredTop_, fullPage_, portrait_, landscape_,
                                                    title_, font_, titleHeight_})
    w->setEnabled(free);
}

void TBoiteImprimer::SyncOrientation() {
  landscape_->setChecked(page_->Landscape());
  portrait_->setChecked(!page_->Landscape());
}

void TBoiteImprimer::changeEvent(QEvent* e) {
  QDialog::changeEvent(e);
  // Minimising the dialog minimises the whole program.
  if (e->type() == QEvent::WindowStateChange && isMinimized())
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != this && w->isVisible() && w->isWindow()) w->showMinimized();
}

}  // namespace kinevo::gui
