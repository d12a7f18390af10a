#include "gui/marking/lens_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace kinevo::gui {

namespace {

QColor LineColour(std::size_t i) {
  static const QColor colours[] = {Qt::red,   Qt::cyan,           Qt::yellow,
                                   Qt::green, Qt::magenta,        QColor(255, 140, 0),
                                   Qt::white, QColor(0, 128, 255)};
  return colours[i % std::size(colours)];
}

QDoubleSpinBox* CoefficientBox(double value) {
  auto* box = new QDoubleSpinBox;
  box->setDecimals(6);
  box->setRange(-2.0, 2.0);
  box->setSingleStep(0.001);
  box->setValue(value);
  return box;
}

}  // namespace

LensDialog::LensDialog(const QImage& picture, const TLensSetting& current, QWidget* parent)
    : QDialog(parent), shown_(picture.convertToFormat(QImage::Format_RGB32)) {
  setWindowTitle(QStringLiteral("Correction de l'objectif"));
  picture_ = new CalibrationPicture;
  picture_->SetPicture(shown_);
  picture_->DrawOver = [this](QPainter& p) { DrawLines(p); };
  k1_ = CoefficientBox(current.k1);
  k2_ = CoefficientBox(current.k2);
  on_ = new QCheckBox(QStringLiteral("Corriger l'objectif"));
  on_->setChecked(current.on);
  corrected_ = new QCheckBox(QStringLiteral("Image corrigée"));
  message_ = new QLabel;
  message_->setWordWrap(true);
  auto* help = new QLabel(QStringLiteral(
      "Cliquez des points le long de bords droits en réalité (au moins deux lignes de trois "
      "points, loin du centre de l'image), puis « Estimer ». Un point se déplace en le "
      "glissant ; un clic droit l'efface."));
  help->setWordWrap(true);
  auto* newLine = new QPushButton(QStringLiteral("Nouvelle ligne"));
  auto* clear = new QPushButton(QStringLiteral("Effacer les lignes"));
  auto* estimate = new QPushButton(QStringLiteral("Estimer"));
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("k1 :"), k1_);
  form->addRow(QStringLiteral("k2 :"), k2_);
  auto* side = new QVBoxLayout;
  side->addWidget(help);
  side->addWidget(newLine);
  side->addWidget(clear);
  side->addWidget(estimate);
  side->addLayout(form);
  side->addWidget(message_);
  side->addWidget(corrected_);
  side->addWidget(on_);
  QDialogButtonBox* buttons = LayOutBesidePicture(*this, picture_, side);

  connect(newLine, &QPushButton::clicked, this, [this] { NewLine(); });
  connect(clear, &QPushButton::clicked, this, [this] { ClearLines(); });
  connect(estimate, &QPushButton::clicked, this, [this] { Estimate(); });
  connect(corrected_, &QCheckBox::toggled, this, [this](bool on) { ShowCorrected(on); });
  for (QDoubleSpinBox* box : {k1_, k2_})
    connect(box, &QDoubleSpinBox::valueChanged, this, [this] { Refresh(); });
  connect(picture_, &CalibrationPicture::Clicked, this, [this](QPointF at) { AddPoint(at); });
  connect(picture_, &CalibrationPicture::PointMoved, this, [this](int g, int i, QPointF at) {
    lines_[static_cast<std::size_t>(g)][static_cast<std::size_t>(i)] = at;
    Refresh();
  });
  connect(picture_, &CalibrationPicture::PointRemoved, this, [this](int g, int i) {
    auto& line = lines_[static_cast<std::size_t>(g)];
    line.erase(line.begin() + i);
    Refresh();
  });
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (const TStatus s = CheckLens(k1_->value(), k2_->value()); !s && on_->isChecked()) {
      message_->setText(QString::fromStdString(s.error().reason));
      return;
    }
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  Refresh();
}

TLensSetting LensDialog::Setting() const { return {on_->isChecked(), k1_->value(), k2_->value()}; }

QString LensDialog::Message() const { return message_->text(); }

void LensDialog::NewLine() {
  if (!lines_.back().empty()) lines_.emplace_back();
  Refresh();
}

void LensDialog::AddPoint(QPointF at) {
  lines_.back().push_back(at);
  Refresh();
}

void LensDialog::ClearLines() {
  lines_.assign(1, {});
  message_->clear();
  Refresh();
}

std::vector<std::vector<TWorldPoint>> LensDialog::Lines() const {
  std::vector<std::vector<TWorldPoint>> lines;
  for (const auto& line : lines_) {
    if (line.empty()) continue;
    lines.emplace_back();
    for (const QPointF& p : line) lines.back().push_back({p.x(), p.y()});
  }
  return lines;
}

bool LensDialog::Estimate() {
  TResult<TLensFit> fit = EstimateLens(shown_.width(), shown_.height(), Lines());
  if (!fit) {
    message_->setText(QString::fromStdString(fit.error().reason));
    return false;
  }
  const QSignalBlocker b1(k1_), b2(k2_);
  k1_->setValue(fit->k1);
  k2_->setValue(fit->k2);
  on_->setChecked(true);
  message_->setText(
      QStringLiteral("Écart résiduel : %1 px").arg(QLocale().toString(fit->residual, 'f', 3)));
  Refresh();
  return true;
}

void LensDialog::ShowCorrected(bool corrected) {
  const QSignalBlocker block(corrected_);
  corrected_->setChecked(corrected);
  // The points are clicked on the picture as shown only.
  picture_->SetEditable(!corrected);
  picture_->SetPicture(corrected ? CorrectedPicture() : shown_);
  Refresh();
}

QImage LensDialog::CorrectedPicture() const {
  // Each pixel of the corrected picture takes the shown pixel the lens
  // bent it to (nearest pixel), at the size the dialog shows it.
  const TLensModel lens(shown_.width(), shown_.height(), k1_->value(), k2_->value());
  const double scale = std::min(1.0, 1200.0 / std::max(shown_.width(), shown_.height()));
  const int w = std::max(1, static_cast<int>(shown_.width() * scale));
  const int h = std::max(1, static_cast<int>(shown_.height() * scale));
  QImage out(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const TWorldPoint s = lens.Distort({(x + 0.5) / scale, (y + 0.5) / scale});
      const int sx = static_cast<int>(std::floor(s.x)), sy = static_cast<int>(std::floor(s.y));
      row[x] = sx >= 0 && sy >= 0 && sx < shown_.width() && sy < shown_.height()
                   ? shown_.pixel(sx, sy)
                   : qRgb(0, 0, 0);
    }
  }
  return out.scaled(shown_.size());
}

void LensDialog::Refresh() {
  // The points where they are on the picture shown: as clicked, or moved by
  // the correction.
  const TLensModel lens(shown_.width(), shown_.height(), k1_->value(), k2_->value());
  const bool corrected = corrected_->isChecked();
  std::vector<CalibrationPicture::TGroup> groups;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    CalibrationPicture::TGroup g{{}, LineColour(i), {}};
    for (const QPointF& p : lines_[i]) {
      const TWorldPoint q = corrected ? lens.Correct({p.x(), p.y()}) : TWorldPoint{p.x(), p.y()};
      g.points.push_back({q.x, q.y});
    }
    groups.push_back(std::move(g));
  }
  picture_->SetGroups(std::move(groups));
}

void LensDialog::DrawLines(QPainter& p) const {
  // Each line's straight fit once corrected: straight on the corrected
  // picture, bent as the lens shows it on the picture as shown.
  const TLensModel lens(shown_.width(), shown_.height(), k1_->value(), k2_->value());
  const bool corrected = corrected_->isChecked();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].size() < 2) continue;
    std::vector<TWorldPoint> shown;
    for (const QPointF& q : lines_[i]) shown.push_back({q.x(), q.y()});
    const auto [a, b] = StraightenedLine(lens, shown);
    QPen pen(LineColour(i), 1.5);
    pen.setCosmetic(true);
    p.setPen(pen);
    QPolygonF path;
    constexpr int kSamples = 40;
    for (int k = 0; k <= kSamples; ++k) {
      const double t = static_cast<double>(k) / kSamples;
      const TWorldPoint c{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
      const TWorldPoint s = corrected ? c : lens.Distort(c);
      path << QPointF(s.x, s.y);
    }
    p.drawPolyline(path);
  }
}

}  // namespace kinevo::gui
