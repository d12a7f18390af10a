#pragma once
// The names and colours dialog (TBoiteNomCouleur): a grid with one row per
// system of the active set (number, colour, symbol, name), the colour of the
// axes and scale (and in Layer marking the name of the point the layer's
// centre follows), a picture of examples, an OK button and a status bar
// showing the hint of the cell under the pointer.  Colours apply at once;
// names when the window closes.
#include <QDialog>
#include <QStyledItemDelegate>
#include <QWidget>
#include <functional>
#include <memory>

#include "core/app/names_colours.h"
#include "core/common/palette.h"

class QLabel;
class QPushButton;
class QStatusBar;
class QTableWidget;

namespace kinevo::gui {

QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);

// The picture under the grid: three example names in their colours.
class NameExamplesPicture : public QWidget {
  Q_OBJECT
 public:
  NameExamplesPicture(const TGraphUtils& graph, QWidget* parent = nullptr);
  static constexpr int kHeight = 105;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  const TGraphUtils& graph_;
};

class NamesColoursDialog : public QDialog {
  Q_OBJECT
 public:
  NamesColoursDialog(TData& data, const TGraphUtils& graph, QWidget* parent = nullptr);
  ~NamesColoursDialog() override;

  // The colour chooser: called with the cell's colour, answers the colour
  // chosen or an invalid colour when cancelled (the cell then keeps its
  // colour).  A full-open QColorDialog by default.
  std::function<QColor(const QColor&)> ChooseColour;

  QTableWidget* Grid() const { return grid_; }
  QPushButton* OkButton() const { return ok_; }
  QStatusBar* Status() const { return status_; }
  const TNamesColours& Model() const { return *model_; }
  // A press on a cell, as the mouse gives it.
  void PressCell(int row, int col);
  // Writes the names (the window closing).
  void ApplyNames();

 protected:
  void showEvent(QShowEvent* e) override;
  void done(int r) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Layout();
  TData& data_;
  const TGraphUtils& graph_;
  std::unique_ptr<TNamesColours> model_;
  QTableWidget* grid_;
  NameExamplesPicture* picture_;
  QPushButton* ok_;
  QStatusBar* status_;
  bool applied_ = false;
};

}  // namespace kinevo::gui
