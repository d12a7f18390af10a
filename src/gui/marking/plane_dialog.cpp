#include "gui/marking/plane_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace kinevo::gui {

namespace {

const char* const kPointNames[4] = {"O", "x", "xy", "y"};

QDoubleSpinBox* SizeBox(double value) {
  auto* box = new QDoubleSpinBox;
  box->setDecimals(4);
  box->setRange(0.0, 1e5);
  box->setSingleStep(0.1);
  box->setSuffix(QStringLiteral(" m"));
  box->setValue(value);
  return box;
}

}  // namespace

PlaneDialog::PlaneDialog(const QImage& picture, const TMeasureCalibration& current, QWidget* parent)
    : QDialog(parent), shown_(picture.convertToFormat(QImage::Format_RGB32)), lens_(current.lens) {
  setWindowTitle(QStringLiteral("Étalonnage du plan"));
  const TPlaneSetting& plane = current.plane;
  if (plane.width > 0.0 || plane.height > 0.0)
    for (std::size_t i = 0; i < 4; ++i)
      points_[i] = QPointF(plane.points[i].x * shown_.width(), plane.points[i].y * shown_.height());
  picture_ = new CalibrationPicture;
  picture_->SetPicture(shown_);
  picture_->DrawOver = [this](QPainter& p) { DrawGrid(p); };
  width_ = SizeBox(plane.width);
  height_ = SizeBox(plane.height);
  on_ = new QCheckBox(QStringLiteral("Mesurer dans le plan"));
  on_->setChecked(plane.on);
  message_ = new QLabel;
  message_->setWordWrap(true);
  auto* help = new QLabel(QStringLiteral(
      "Cliquez dans l'ordre quatre points du plan du mouvement : l'origine (O), un point de "
      "l'axe des x à W mètres (x), le coin opposé (xy) et un point de l'axe des y à H mètres "
      "(y). Un point se déplace en le glissant ; un clic droit l'efface."));
  help->setWordWrap(true);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("W (largeur) :"), width_);
  form->addRow(QStringLiteral("H (hauteur) :"), height_);
  auto* side = new QVBoxLayout;
  side->addWidget(help);
  side->addLayout(form);
  side->addWidget(message_);
  side->addWidget(on_);
  QDialogButtonBox* buttons = LayOutBesidePicture(*this, picture_, side);

  for (QDoubleSpinBox* box : {width_, height_})
    connect(box, &QDoubleSpinBox::valueChanged, this, [this] { Refresh(); });
  connect(picture_, &CalibrationPicture::Clicked, this, [this](QPointF at) { PlacePoint(at); });
  // The picture's single group lists the placed points in order: find
  // which of the four each one is.
  auto which = [this](int index) {
    for (std::size_t i = 0, seen = 0; i < 4; ++i)
      if (points_[i] && static_cast<int>(seen++) == index) return i;
    return std::size_t{4};
  };
  connect(picture_, &CalibrationPicture::PointMoved, this, [this, which](int, int i, QPointF at) {
    if (const std::size_t k = which(i); k < 4) points_[k] = at;
    Refresh();
  });
  connect(picture_, &CalibrationPicture::PointRemoved, this, [this, which](int, int i) {
    if (const std::size_t k = which(i); k < 4) points_[k].reset();
    Refresh();
  });
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (on_->isChecked() && !Valid()) {
      if (Message().isEmpty())
        message_->setText(QStringLiteral("Placez les quatre points et donnez W et H."));
      return;
    }
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  Refresh();
}

void PlaneDialog::PlacePoint(QPointF at) {
  for (auto& p : points_)
    if (!p) {
      p = at;
      // A plane fully placed is what the user wants measured.
      if (std::all_of(points_.begin(), points_.end(), [](const auto& q) { return q.has_value(); }))
        on_->setChecked(true);
      break;
    }
  Refresh();
}

void PlaneDialog::SetSize(double width, double height) {
  width_->setValue(width);
  height_->setValue(height);
}

TPlaneSetting PlaneDialog::Setting() const { return Calibration().plane; }

TMeasureCalibration PlaneDialog::Calibration() const {
  TMeasureCalibration c;
  c.lens = lens_;
  c.plane.on = on_->isChecked();
  for (std::size_t i = 0; i < 4; ++i)
    if (points_[i])
      c.plane.points[i] = {points_[i]->x() / shown_.width(), points_[i]->y() / shown_.height()};
  c.plane.width = width_->value();
  c.plane.height = height_->value();
  return c;
}

bool PlaneDialog::Valid() const {
  if (!std::all_of(points_.begin(), points_.end(), [](const auto& p) { return p.has_value(); }))
    return false;
  TMeasureCalibration c = Calibration();
  c.plane.on = true;
  return !TMeasureMap(c, shown_.width(), shown_.height()).Failed();
}

QString PlaneDialog::Message() const { return message_->text(); }

void PlaneDialog::Refresh() {
  CalibrationPicture::TGroup g{{}, QColor(255, 200, 0), {}};
  for (std::size_t i = 0; i < 4; ++i)
    if (points_[i]) {
      g.points.push_back(*points_[i]);
      g.labels.push_back(QString::fromLatin1(kPointNames[i]));
    }
  const bool complete = g.points.size() == 4;
  picture_->SetGroups({std::move(g)});
  if (!complete) {
    message_->clear();
    return;
  }
  TMeasureCalibration c = Calibration();
  c.plane.on = true;
  const TMeasureMap map(c, shown_.width(), shown_.height());
  message_->setText(map.Failed() ? QString::fromStdString(map.Failure())
                                 : QStringLiteral("Le plan est étalonné : sa grille est tracée "
                                                  "tous les dixièmes de W et de H."));
}

void PlaneDialog::DrawGrid(QPainter& p) const {
  TMeasureCalibration c = Calibration();
  c.plane.on = true;
  const TMeasureMap map(c, shown_.width(), shown_.height());
  for (const TGridLine& line : PlaneGridLines(map, c.plane)) {
    QPen pen(line.axis ? QColor(255, 60, 60) : QColor(255, 200, 0), line.axis || line.edge ? 2 : 1);
    pen.setCosmetic(true);
    if (!line.axis && !line.edge) pen.setStyle(Qt::DotLine);
    p.setPen(pen);
    QPolygonF path;
    for (const TPictureCoord& q : line.points)
      path << QPointF(q.x * shown_.width(), q.y * shown_.height());
    p.drawPolyline(path);
  }
}

}  // namespace kinevo::gui
