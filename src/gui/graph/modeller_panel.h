#pragma once
// TModeleur: the small floating panel inside a graph that shows the model's
// equation and statistics while the model is modified, with four buttons
// per parameter that decrease or increase it by fixed factors (Ctrl for
// finer steps) and a picture at the top by which the panel is moved.
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "core/common/signal.h"
#include "core/graph/modeller.h"

class QToolButton;

namespace kinevo {

class TGraphModel;
class TGModele;

class TModeleurPanel : public QWidget {
  Q_OBJECT
 public:
  TModeleurPanel(TGraphModel& graph, QWidget* parent);

  // Follows the graph: shown exactly when the model is modified and there is
  // something to show, with the current lines and values.
  void Sync();
  // The lines shown (for tests and screenshots).
  const std::vector<std::string>& EquationLines() const { return equation_; }
  const std::vector<std::string>& StatisticsLines() const { return statistics_; }
  QToolButton* Button(int k) const { return buttons_[static_cast<std::size_t>(k)]; }

 signals:
  // A parameter changed through the buttons (the graph is to be repainted).
  void ModelChanged();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  void Relayout();
  void Press(int k);
  void PlaceInside(QPoint topLeft);

  TGraphModel& graph_;
  TGModele* model_ = nullptr;
  TConnection link_;
  std::vector<std::string> equation_, statistics_;
  bool buttonsShown_ = false;
  TModellerLayout layout_;
  std::array<QToolButton*, kModellerButtons> buttons_{};
  bool placed_ = false;
  bool moving_ = false;
  QPoint grabOffset_;
};

}  // namespace kinevo
