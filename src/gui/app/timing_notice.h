#pragma once
// The bar above the picture that warns about a video whose image times are
// wrong beyond a variable rate (repeated images, missing images), and lists
// them, so that the student knows which images to leave out before
// measuring.  The user can close it; the next video sets it again.
#include <QFrame>
#include <QString>

class QLabel;

namespace kinevo {
struct TTimingIssues;
}

namespace kinevo::gui {

class TimingNotice : public QFrame {
  Q_OBJECT
 public:
  explicit TimingNotice(QWidget* parent);
  // Shows the warning for these issues, or hides the bar when there are none.
  void ShowIssues(const TTimingIssues& issues, bool incoherentDurations);
  QString Text() const;

 private:
  QLabel* text_ = nullptr;
};

}  // namespace kinevo::gui
