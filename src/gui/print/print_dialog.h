#pragma once
// TBoiteImprimer, the print dialog of the results window ("Imprimer"): the
// graph picture placed on a sheet shown in a page preview, moved and
// resized with the mouse or by a quick layout, a title printed in the
// header (and footer), two copies on one sheet with "Double", and printing
// through the system print dialog.  Made once and kept, so that a picture
// of the same size keeps the layout chosen the last time.
#include <QDialog>
#include <QImage>
#include <QPrinter>
#include <functional>
#include <memory>

#include "core/print/page_layout.h"

class QCheckBox;
class QFontComboBox;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSlider;
class QSpinBox;

namespace kinevo::gui {

class TPageView;

class TBoiteImprimer : public QDialog {
  Q_OBJECT
 public:
  explicit TBoiteImprimer(QWidget* parent = nullptr);
  ~TBoiteImprimer() override;

  // The graph picture (its device-independent size is its size in pixels),
  // and the same drawn as vectors for the printed page (see TPageView).
  // An empty picture is ignored.
  void SetPicture(const QImage& picture, std::function<void(QPainter&, double)> vectors = {});

  // "Imprimer": the page without its frame, the system print dialog, the
  // page printed when confirmed.  False when nothing was printed.
  bool PrintPage();
  // The system print dialog; answers whether the user confirmed.  Tests
  // replace it (for instance to print into a PDF file).
  std::function<bool(QPrinter& printer, QWidget* parent)> RunPrintDialog;

  QPrinter& Printer() { return printer_; }
  TPrintLayout& Layout() { return *layout_; }
  TPageView& Page() { return *page_; }
  QSlider* ZoomSlider() const { return zoom_; }
  QCheckBox* DoubleBox() const { return double_; }
  QLineEdit* TitleEdit() const { return title_; }
  QSpinBox* TitleHeight() const { return titleHeight_; }

 protected:
  void changeEvent(QEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  QWidget* BuildControls();
  void ApplyTitle();
  void OnDouble(bool on);
  void SyncOrientation();
  void UpdateEnabled();
  void FitZoom();

  QPrinter printer_{QPrinter::HighResolution};
  TPageView* page_ = nullptr;
  std::unique_ptr<TPrintLayout> layout_;
  QScrollArea* scroll_ = nullptr;
  QPushButton *centredTop_ = nullptr, *fullPage_ = nullptr;
  QPushButton *portrait_ = nullptr, *landscape_ = nullptr;
  QLineEdit* title_ = nullptr;
  QFontComboBox* font_ = nullptr;
  QSpinBox* titleHeight_ = nullptr;
  QSlider* zoom_ = nullptr;
  QCheckBox* double_ = nullptr;
  bool fitZoom_ = false;  // a picture of a new size waits for a zoom
};

}  // namespace kinevo::gui
