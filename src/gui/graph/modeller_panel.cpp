#include "gui/graph/modeller_panel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <utility>

#include "core/graph/graph_model.h"
#include "core/graph/model_tools.h"

namespace kinevo {
namespace {

constexpr int kImageSize = 16;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The glyph of each button column: fast and slow decrease, slow and fast
// increase.
QString Glyph(int column) {
  static const char* const glyphs[] = {"«", "‹", "›", "»"};
  return QString::fromUtf8(glyphs[column]);
}

}  // namespace

TModeleurPanel::TModeleurPanel(TGraphModel& graph, QWidget* parent)
    : QWidget(parent), graph_(graph) {
  setObjectName("Modeleur");
  setFont(QFont("Arial", 8));
  setAutoFillBackground(false);
  for (int k = 0; k < kModellerButtons; ++k) {
    auto* b = new QToolButton(this);
    b->setObjectName(QStringLiteral("ModeleurBouton%1").arg(k));
    b->setText(Glyph(k % 4));
    b->setToolTip(QString::fromUtf8(kModellerButtonHints[k % 4]));
    b->setCursor(Qt::PointingHandCursor);
    b->setAutoRaise(true);
    b->setAutoRepeat(true);
    b->setFixedSize(kModellerButtonSize, kModellerButtonSize);
    b->hide();
    connect(b, &QToolButton::clicked, this, [this, k] { Press(k); });
    buttons_[static_cast<std::size_t>(k)] = b;
  }
  hide();
}

void TModeleurPanel::Sync() {
  // Read only: a look at the tools must not make the graph draw its
  // elements again.
  const TModelTools& tools = std::as_const(graph_).Models();
  TGModele* m = tools.ActiveModel();
  if (m != model_ || !link_.Connected()) {
    model_ = m;
    link_ = m ? m->OnChange.Connect([this] { Sync(); }) : TConnection();
  }
  if (!tools.PanelVisible()) {
    hide();
    return;
  }
  equation_ = tools.showEquation ? m->EquationLines() : std::vector<std::string>{};
  statistics_ = tools.showStatistics ? m->StatisticsLines() : std::vector<std::string>{};
  buttonsShown_ = tools.showEquation && m->ButtonsApply();
  Relayout();
  show();
  raise();
  update();
}

void TModeleurPanel::Relayout() {
  const QFontMetrics fm(font());
  TModellerTexts texts;
  for (std::size_t i = 0; i < equation_.size(); ++i) {
    const int w = fm.horizontalAdvance(Q(equation_[i]));
    if (i == 0)
      texts.titleWidth = w;
    else
      texts.parameterWidths.push_back(w);
  }
  for (const std::string& l : statistics_)
    texts.statisticsWidths.push_back(fm.horizontalAdvance(Q(l)));
  layout_ = LayoutModeller(texts, fm.height(), kImageSize, kImageSize, buttonsShown_);
  // Only the buttons of existing parameters show.
  for (std::size_t k = 0; k < buttons_.size(); ++k) {
    const bool shown = k < layout_.buttons.size();
    if (shown) {
      const TPixelRect& r = layout_.buttons[k];
      buttons_[k]->move(r.left, r.top);
    }
    buttons_[k]->setVisible(shown);
  }
  resize(layout_.width, layout_.height);
  if (!placed_) {
    // First shown at the right of the graph.
    placed_ = true;
    PlaceInside(QPoint(parentWidget() ? parentWidget()->width() - width() - 1 : 1, 1));
  } else {
    PlaceInside(pos());
  }
}

void TModeleurPanel::PlaceInside(QPoint p) {
  const QWidget* g = parentWidget();
  if (!g) return;
  const TPixel at = ClampModeller({p.x(), p.y()}, width(), height(), g->width(), g->height());
  move(at.x, at.y);
}

void TModeleurPanel::Press(int k) {
  // The graph may have been rebuilt since the last look: ask it again.
  model_ = graph_.Models().ActiveModel();
  if (!model_ || !model_->ButtonsApply()) return;
  const std::vector<int> shown = model_->ParameterSlots();
  const int row = k / 4;
  if (row >= static_cast<int>(shown.size())) return;
  const int slot = shown[static_cast<std::size_t>(row)];
  const bool ctrl = QApplication::keyboardModifiers() & Qt::ControlModifier;
  const double p = model_->Parameters()[static_cast<std::size_t>(slot)];
  model_->SetParameter(slot, ModellerButtonValue(k % 4, p, ctrl));
  Sync();
  emit ModelChanged();
}

void TModeleurPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(255, 255, 240));
  p.setPen(Qt::gray);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  // The grip by which the panel is moved: a small four-way arrow.
  const QRect grip(layout_.dragImage.left, layout_.dragImage.top, kImageSize, kImageSize);
  p.setPen(QPen(QColor(80, 80, 80), 1.5));
  const QPoint c = grip.center();
  p.drawLine(c.x() - 6, c.y(), c.x() + 6, c.y());
  p.drawLine(c.x(), c.y() - 6, c.x(), c.y() + 6);
  for (auto [dx, dy] : {std::pair{-6, 0}, std::pair{6, 0}, std::pair{0, -6}, std::pair{0, 6}}) {
    const QPoint tip(c.x() + dx, c.y() + dy);
    const int sx = dx ? -dx / 2 : 3, sy = dy ? -dy / 2 : 3;
    p.drawLine(tip, QPoint(tip.x() + (dx ? sx : -3), tip.y() + (dy ? sy : -3)));
    p.drawLine(tip, QPoint(tip.x() + (dx ? sx : 3), tip.y() + (dy ? sy : 3)));
  }
  p.setPen(Qt::black);
  const QFontMetrics fm(font());
  std::vector<std::string> lines = equation_;
  if (lines.empty()) lines.push_back("");  // the title place stays
  lines.insert(lines.end(), statistics_.begin(), statistics_.end());
  for (std::size_t i = 0; i < lines.size() && i < layout_.text.size(); ++i)
    p.drawText(layout_.text[i].x, layout_.text[i].y + fm.ascent(), Q(lines[i]));
}

void TModeleurPanel::mousePressEvent(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  const TPixelRect& r = layout_.dragImage;
  moving_ = e->button() == Qt::LeftButton && at.x() >= r.left && at.x() < r.right &&
            at.y() >= r.top && at.y() < r.bottom;
  grabOffset_ = at;
  setCursor(moving_ ? Qt::SizeAllCursor : Qt::ArrowCursor);
}

void TModeleurPanel::mouseMoveEvent(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  const TPixelRect& r = layout_.dragImage;
  const bool overGrip =
      at.x() >= r.left && at.x() < r.right && at.y() >= r.top && at.y() < r.bottom;
  setCursor(moving_ || overGrip ? Qt::SizeAllCursor : Qt::ArrowCursor);
  if (moving_) PlaceInside(pos() + at - grabOffset_);
}

void TModeleurPanel::mouseReleaseEvent(QMouseEvent*) { moving_ = false; }

}  // namespace kinevo
