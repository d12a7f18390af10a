#include "gui/app/properties_dialog.h"

#include <QDialog>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/app/commands.h"
#include "core/video/video.h"

namespace kinevo::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

void ShowVideoProperties(const TVideo& video, QWidget* parent) {
  TVideoProperties p;
  p.path = video.FileName();
  p.imageRate = video.ImageRate();
  p.width = video.ImageWidth();
  p.height = video.ImageHeight();
  p.displayedImages = video.DisplayedImagesNumber();
  p.imageDuration = video.ImageDuration();
  const auto lines = VideoPropertiesLines(p);
  QDialog d(parent);
  d.setObjectName(QStringLiteral("Proprietes"));
  d.setWindowTitle(QStringLiteral("Propriétés"));
  d.setFixedSize(320, 250);
  auto* text = new QTextEdit(&d);
  text->setReadOnly(true);
  text->setFrameStyle(QFrame::NoFrame);
  QPalette pal = text->palette();
  pal.setColor(QPalette::Base, pal.color(QPalette::ToolTipBase));
  text->setPalette(pal);
  // The file name centred in bold, the path in blue, then the figures.
  QString html = "<p align=center><b>" + Q(lines[0]).toHtmlEscaped() +
                 "</b></p><p align=center><font color=blue>" + Q(lines[2]).toHtmlEscaped() +
                 "</font></p>";
  for (std::size_t i = 4; i < lines.size(); ++i)
    html += "<div>" + Q(lines[i]).toHtmlEscaped() + "</div>";
  text->setHtml(html);
  auto* lay = new QVBoxLayout(&d);
  lay->setContentsMargins(12, 14, 12, 14);
  lay->addWidget(text);
  if (const QScreen* sc = parent != nullptr ? parent->screen() : nullptr)
    d.move(sc->availableGeometry().center() - QPoint(160, 125));
  d.exec();
}

}  // namespace kinevo::gui
