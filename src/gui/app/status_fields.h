#pragma once
// The fields of the main window's status bar.
#include <QLabel>
#include <QString>

class QMouseEvent;
class QResizeEvent;

namespace kinevo::gui {

// The hint of the status bar: a text too long for its room ends in "...";
// the whole text stays in the tooltip and in FullText().
class HintLabel : public QLabel {
  Q_OBJECT
 public:
  explicit HintLabel(QWidget* parent) : QLabel(parent) {}
  void SetFullText(const QString& text);
  const QString& FullText() const { return full_; }

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  void Elide();
  QString full_;
};

// A status field that reports clicks.
class StatusField : public QLabel {
  Q_OBJECT
 public:
  StatusField(const QString& name, int minWidth, QWidget* parent);
 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* e) override;
};

}  // namespace kinevo::gui
