#pragma once
// "Étalonnage du plan": the user clicks, on the image shown, four points of
// the plane of motion whose real places are known (the origin, a point on
// the x axis at W metres, the opposite corner, a point on the y axis at
// H metres) and types W and H.  The plane's grid is drawn over the picture
// as the calibration sees it; the points can be dragged until it fits.
#include <QDialog>
#include <QImage>
#include <array>
#include <optional>

#include "core/marking/measure_map.h"
#include "gui/marking/calibration_picture.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;

namespace kinevo::gui {

class PlaneDialog : public QDialog {
  Q_OBJECT
 public:
  // `current` gives the lens the points are seen through and the plane
  // to start from.
  PlaneDialog(const QImage& picture, const TMeasureCalibration& current, QWidget* parent = nullptr);

  TPlaneSetting Setting() const;

  // What the mouse and the boxes do, for the window and its tests.
  void PlacePoint(QPointF picture);
  void SetSize(double width, double height);
  // The calibration's verdict, as shown ("" while points are missing).
  QString Message() const;
  bool Valid() const;
  CalibrationPicture& Picture() { return *picture_; }

 private:
  void Refresh();
  TMeasureCalibration Calibration() const;
  void DrawGrid(QPainter& p) const;

  QImage shown_;
  TLensSetting lens_;
  std::array<std::optional<QPointF>, 4> points_;
  CalibrationPicture* picture_;
  QDoubleSpinBox* width_;
  QDoubleSpinBox* height_;
  QCheckBox* on_;
  QLabel* message_;
};

}  // namespace kinevo::gui
