#pragma once
#include <QMainWindow>

class QSvgRenderer;

namespace kinevo::gui {

// Widget in the middle of the main window; shows the title picture while no
// video is open.
class TitleView : public QWidget {
  Q_OBJECT
 public:
  explicit TitleView(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  QSvgRenderer* title_;
};

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget* parent = nullptr);
};

}  // namespace kinevo::gui
