#pragma once
// A video picture shown whole in a calibration dialog, with groups of points
// the user clicks, drags and takes away on it, and what the dialog draws
// over it.  Positions are picture pixels, continuous: pixel i covers
// [i, i + 1).
#include <QColor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QImage>
#include <QPointF>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>
#include <functional>
#include <vector>

namespace kinevo::gui {

class CalibrationPicture : public QWidget {
  Q_OBJECT
 public:
  struct TGroup {
    std::vector<QPointF> points;
    QColor colour;
    std::vector<QString> labels;  // beside the points, when given
  };

  explicit CalibrationPicture(QWidget* parent = nullptr);

  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }
  void SetGroups(std::vector<TGroup> groups);
  const std::vector<TGroup>& Groups() const { return groups_; }
  // Clicks and drags are taken only while editable.
  void SetEditable(bool editable) { editable_ = editable; }

  // Draws over the picture; the painter's units are picture pixels (use
  // cosmetic pens).
  std::function<void(QPainter&)> DrawOver;

  // Picture pixels to the widget's, and back.
  QPointF ToWidget(QPointF picture) const;
  QPointF ToPicture(QPointF widget) const;

  QSize sizeHint() const override { return {800, 500}; }

 signals:
  // A click away from every point.
  void Clicked(QPointF picture);
  // A point dragged to `picture`.
  void PointMoved(int group, int index, QPointF picture);
  // A right click on a point.
  void PointRemoved(int group, int index);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  double Scale() const;
  QPointF Offset() const;
  // The point under a widget position: false when none.
  bool PointAt(QPointF widget, int& group, int& index) const;

  QImage picture_;
  std::vector<TGroup> groups_;
  bool editable_ = true;
  int dragGroup_ = -1, dragIndex_ = -1;
};

// Lays a calibration dialog out: the picture, and beside it the `side`
// panel ending with the OK and "Annuler" buttons, which it returns.
QDialogButtonBox* LayOutBesidePicture(QDialog& dialog, CalibrationPicture* picture,
                                      QVBoxLayout* side);

}  // namespace kinevo::gui
