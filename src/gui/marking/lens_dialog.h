#pragma once
// "Correction de l'objectif": the user clicks points along edges that are
// straight in reality, on the image shown; "Estimer" fits k1 and k2 so that
// they straighten, and shows what is left of their bending in pixels.  The
// coefficients can be typed too.  "Image corrigée" shows the picture as the
// correction makes it, the lines straight.
#include <QDialog>
#include <QImage>

#include "core/marking/measure_map.h"
#include "gui/marking/calibration_picture.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;

namespace kinevo::gui {

class LensDialog : public QDialog {
  Q_OBJECT
 public:
  LensDialog(const QImage& picture, const TLensSetting& current, QWidget* parent = nullptr);

  TLensSetting Setting() const;

  // What the buttons do, for the window and its tests.
  void NewLine();
  void AddPoint(QPointF picture);
  void ClearLines();
  bool Estimate();
  void ShowCorrected(bool corrected);
  // The last refusal or result, as shown.
  QString Message() const;
  CalibrationPicture& Picture() { return *picture_; }

 private:
  void Refresh();
  void DrawLines(QPainter& p) const;
  QImage CorrectedPicture() const;
  std::vector<std::vector<TWorldPoint>> Lines() const;

  QImage shown_;
  std::vector<std::vector<QPointF>> lines_{{}};
  CalibrationPicture* picture_;
  QDoubleSpinBox* k1_;
  QDoubleSpinBox* k2_;
  QCheckBox* on_;
  QCheckBox* corrected_;
  QLabel* message_;
};

}  // namespace kinevo::gui
