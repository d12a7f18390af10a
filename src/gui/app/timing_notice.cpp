#include "gui/app/timing_notice.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include "core/video/file_times.h"

namespace kinevo::gui {

namespace {
constexpr std::size_t kListed = 20;
}

TimingNotice::TimingNotice(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("TimingNotice"));
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);
  // A pale yellow that reads as a warning on light and dark themes alike.
  QPalette look = palette();
  look.setColor(QPalette::Window, QColor(0xff, 0xf3, 0xc4));
  look.setColor(QPalette::WindowText, QColor(0x3a, 0x2c, 0x00));
  setPalette(look);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(8, 4, 4, 4);
  text_ = new QLabel(this);
  text_->setWordWrap(true);
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(text_, 1);
  auto* close = new QToolButton(this);
  close->setObjectName(QStringLiteral("TimingNoticeClose"));
  close->setText(QStringLiteral("×"));
  close->setToolTip(QStringLiteral("Fermer"));
  close->setAutoRaise(true);
  layout->addWidget(close, 0, Qt::AlignTop);
  connect(close, &QToolButton::clicked, this, &QWidget::hide);
  hide();
}

void TimingNotice::ShowIssues(const TTimingIssues& issues, bool incoherentDurations) {
  // A long list would hide the picture: the time dialog gives the whole of it.
  std::string s = TimingIssuesText(issues, kListed);
  if (incoherentDurations) {
    std::string incoherent = kIncoherentDurationsText;
    incoherent[0] = 'D';
    s = incoherent + "." + (s.empty() ? "" : " ") + s;
  }
  if (s.empty()) {
    hide();
    return;
  }
  text_->setText(QStringLiteral("Attention, temps des images irréguliers dans ce fichier "
                                "(images du fichier numérotées à partir de 0). ") +
                 QString::fromStdString(s));
  show();
}

QString TimingNotice::Text() const { return isHidden() ? QString() : text_->text(); }

}  // namespace kinevo::gui
