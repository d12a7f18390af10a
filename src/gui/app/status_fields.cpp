#include "gui/app/status_fields.h"

#include <QFrame>

namespace kinevo::gui {

void HintLabel::SetFullText(const QString& text) {
  full_ = text;
  setToolTip(text);
  Elide();
}

void HintLabel::resizeEvent(QResizeEvent* e) {
  QLabel::resizeEvent(e);
  Elide();
}

void HintLabel::Elide() {
  const int room = contentsRect().width();
  setText(room > 0 ? fontMetrics().elidedText(full_, Qt::ElideRight, room) : full_);
}

StatusField::StatusField(const QString& name, int minWidth, QWidget* parent) : QLabel(parent) {
  setObjectName(name);
  setMinimumWidth(minWidth);
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void StatusField::mousePressEvent(QMouseEvent* e) {
  QLabel::mousePressEvent(e);
  emit clicked();
}

}  // namespace kinevo::gui
