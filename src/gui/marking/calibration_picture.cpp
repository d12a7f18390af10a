#include "gui/marking/calibration_picture.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <algorithm>
#include <cmath>

namespace kinevo::gui {

namespace {
constexpr double kGrip = 7.0;  // widget pixels around a point that take it
}  // namespace

CalibrationPicture::CalibrationPicture(QWidget* parent) : QWidget(parent) {
  setMinimumSize(320, 200);
  setMouseTracking(false);
}

void CalibrationPicture::SetPicture(const QImage& picture) {
  picture_ = picture;
  update();
}

void CalibrationPicture::SetGroups(std::vector<TGroup> groups) {
  groups_ = std::move(groups);
  update();
}

double CalibrationPicture::Scale() const {
  if (picture_.isNull()) return 1.0;
  return std::min(width() / static_cast<double>(picture_.width()),
                  height() / static_cast<double>(picture_.height()));
}

QPointF CalibrationPicture::Offset() const {
  const double s = Scale();
  return {(width() - s * picture_.width()) / 2.0, (height() - s * picture_.height()) / 2.0};
}

QPointF CalibrationPicture::ToWidget(QPointF p) const { return Offset() + p * Scale(); }

QPointF CalibrationPicture::ToPicture(QPointF w) const { return (w - Offset()) / Scale(); }

bool CalibrationPicture::PointAt(QPointF widget, int& group, int& index) const {
  double best = kGrip;
  group = index = -1;
  for (std::size_t g = 0; g < groups_.size(); ++g)
    for (std::size_t i = 0; i < groups_[g].points.size(); ++i) {
      const QPointF d = ToWidget(groups_[g].points[i]) - widget;
      const double r = std::hypot(d.x(), d.y());
      if (r <= best) {
        best = r;
        group = static_cast<int>(g);
        index = static_cast<int>(i);
      }
    }
  return group >= 0;
}

void CalibrationPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Dark));
  if (picture_.isNull()) return;
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::SmoothPixmapTransform, true);
  const double s = Scale();
  const QPointF o = Offset();
  p.drawImage(QRectF(o, QSizeF(picture_.width() * s, picture_.height() * s)), picture_);
  if (DrawOver) {
    p.save();
    p.translate(o);
    p.scale(s, s);
    DrawOver(p);
    p.restore();
  }
  // The points on top, the same size whatever the zoom.
  for (const TGroup& g : groups_) {
    for (std::size_t i = 0; i < g.points.size(); ++i) {
      const QPointF at = ToWidget(g.points[i]);
      p.setPen(QPen(Qt::black, 3));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(at, 5, 5);
      p.setPen(QPen(g.colour, 2));
      p.drawEllipse(at, 5, 5);
      if (i < g.labels.size()) {
        p.setPen(Qt::black);
        p.drawText(at + QPointF(9, -7), g.labels[i]);
        p.setPen(g.colour);
        p.drawText(at + QPointF(8, -8), g.labels[i]);
      }
    }
  }
}

void CalibrationPicture::mousePressEvent(QMouseEvent* e) {
  if (!editable_ || picture_.isNull()) return;
  int group = -1, index = -1;
  const bool onPoint = PointAt(e->position(), group, index);
  if (e->button() == Qt::RightButton) {
    if (onPoint) emit PointRemoved(group, index);
    return;
  }
  if (e->button() != Qt::LeftButton) return;
  if (onPoint) {
    dragGroup_ = group;
    dragIndex_ = index;
    return;
  }
  const QPointF at = ToPicture(e->position());
  if (at.x() >= 0 && at.y() >= 0 && at.x() <= picture_.width() && at.y() <= picture_.height())
    emit Clicked(at);
}

void CalibrationPicture::mouseMoveEvent(QMouseEvent* e) {
  if (dragGroup_ < 0) return;
  QPointF at = ToPicture(e->position());
  at.setX(std::clamp(at.x(), 0.0, static_cast<double>(picture_.width())));
  at.setY(std::clamp(at.y(), 0.0, static_cast<double>(picture_.height())));
  emit PointMoved(dragGroup_, dragIndex_, at);
}

void CalibrationPicture::mouseReleaseEvent(QMouseEvent*) { dragGroup_ = dragIndex_ = -1; }

QDialogButtonBox* LayOutBesidePicture(QDialog& dialog, CalibrationPicture* picture,
                                      QVBoxLayout* side) {
  side->addStretch();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
  side->addWidget(buttons);
  auto* top = new QHBoxLayout(&dialog);
  top->addWidget(picture, 1);
  auto* sideBox = new QWidget;
  sideBox->setLayout(side);
  sideBox->setFixedWidth(260);
  top->addWidget(sideBox);
  return buttons;
}

}  // namespace kinevo::gui
