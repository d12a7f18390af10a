#include "gui/app/main_window.h"

#include <QPainter>
#include <QSvgRenderer>

namespace kinevo::gui {

TitleView::TitleView(QWidget* parent) : QWidget(parent), title_(new QSvgRenderer(QStringLiteral(":/title.svg"), this)) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(0x40, 0x40, 0x40));
  setPalette(pal);
}

void TitleView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QSizeF pic = title_->defaultSize();
  if (pic.isEmpty()) return;
  // The largest size with the picture's aspect ratio, centred.
  double k = std::min(width() / pic.width(), height() / pic.height());
  QSizeF s = pic * k;
  QRectF r((width() - s.width()) / 2, (height() - s.height()) / 2, s.width(), s.height());
  title_->render(&p, r);
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("Kinevo"));
  setCentralWidget(new TitleView(this));
  resize(960, 640);
}

}  // namespace kinevo::gui
