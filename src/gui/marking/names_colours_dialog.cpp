#include "gui/marking/names_colours_dialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/marking/marking_data.h"
#include "platform/qt/qpainter_canvas.h"

namespace kinevo::gui {

QColor ToQColor(TColor c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }
TColor FromQColor(const QColor& c) {
  return RGBColor(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
                  static_cast<uint8_t>(c.blue()));
}

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString HintText(const std::string& hint) {
  return Q(hint.size() > 0 && hint[0] == '|' ? hint.substr(1) : hint);
}

// Draws every cell as the dialog wants it.
class CellDelegate : public QStyledItemDelegate {
 public:
  CellDelegate(const TNamesColours& model, const TGraphUtils& graph, QObject* parent)
      : QStyledItemDelegate(parent), model_(model), graph_(graph) {}

  void paint(QPainter* p, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const int row = index.row(), col = index.column();
    const QRect r = option.rect;
    const QPalette& pal = option.palette;
    p->save();
    const bool fixed = row == 0 || col == ncNumber || row == model_.Systems() + 1;
    if (fixed) {
      p->fillRect(r, pal.color(QPalette::Button));
      p->setPen(pal.color(QPalette::Light));
      p->drawLine(r.topLeft(), r.topRight());
      p->drawLine(r.topLeft(), r.bottomLeft());
      p->setPen(pal.color(QPalette::Dark));
      p->drawLine(r.bottomLeft(), r.bottomRight());
      p->drawLine(r.topRight(), r.bottomRight());
    } else {
      p->fillRect(r, row % 2 == 1 ? pal.color(QPalette::Base) : ToQColor(kEvenRowColour));
    }
    if (row == 0 && col == ncSymbol) {
      // A small red arrow pointing down.
      const QPoint c = r.center();
      p->setRenderHint(QPainter::Antialiasing);
      p->setPen(QPen(Qt::red, 2));
      p->drawLine(c.x(), c.y() - 6, c.x(), c.y() + 4);
      p->setBrush(Qt::red);
      p->setPen(Qt::NoPen);
      p->drawPolygon(QPolygon(
          {QPoint(c.x() - 4, c.y() + 1), QPoint(c.x() + 5, c.y() + 1), QPoint(c.x(), c.y() + 7)}));
    } else if (col == ncColour && model_.HasColour(row)) {
      const QRect sw = r.adjusted(10, 2, -10, -2);
      p->setPen(Qt::black);
      p->setBrush(ToQColor(model_.Colour(row)));
      p->drawRect(sw.adjusted(0, 0, -1, -1));
    } else if (col == ncSymbol && model_.IsSystemRow(row)) {
      QPainterCanvas canvas(*p);
      graph_.DrawSymbolCycled(canvas, TPixel{r.center().x(), r.center().y()}, model_.Colour(row), 0,
                              row - 1);
    } else {
      QString text = index.data(Qt::DisplayRole).toString();
      p->setPen(row == 0 && col == ncName
                    ? QColor(Qt::red)
                    : pal.color(fixed ? QPalette::ButtonText : QPalette::Text));
      const int dx = row == 0 && col == ncName ? 7 : 2;
      QRect tr = r.adjusted(dx, 0, -2, 0);
      if (col == ncNumber)
        p->drawText(tr, Qt::AlignVCenter | Qt::AlignLeft, text);
      else
        p->drawText(tr.adjusted(0, 4, 0, 0), Qt::AlignTop | Qt::AlignLeft, text);
    }
    if ((option.state & QStyle::State_Selected) && (index.flags() & Qt::ItemIsEditable)) {
      p->setPen(QPen(pal.color(QPalette::Highlight), 1, Qt::DotLine));
      p->setBrush(Qt::NoBrush);
      p->drawRect(r.adjusted(0, 0, -1, -1));
    }
    p->restore();
  }

 private:
  const TNamesColours& model_;
  const TGraphUtils& graph_;
};

}  // namespace

NameExamplesPicture::NameExamplesPicture(const TGraphUtils& graph, QWidget* parent)
    : QWidget(parent), graph_(graph) {
  setFixedHeight(kHeight);
  setMouseTracking(true);
}

void NameExamplesPicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  p.fillRect(r, palette().color(QPalette::ToolTipBase));
  p.setPen(palette().color(QPalette::Dark));
  p.drawRect(r.adjusted(0, 0, -1, -1));
  QFont bold = font();
  bold.setBold(true);
  p.setFont(bold);
  p.setPen(Qt::black);
  const QFontMetrics bm(bold);
  p.drawText(8, 3 + bm.ascent(), QStringLiteral("Exemples"));
  p.setFont(font());
  const QFontMetrics fm(font());
  const int lineStep = static_cast<int>(fm.height() * 1.2);
  int y = 3 + bm.height() + 6;
  QPainterCanvas canvas(p);
  const QString marque = QStringLiteral("la marque ");
  const QString rep = QStringLiteral(" repère les positions ");
  for (const auto& ex : NameExamples()) {
    int x = 16;
    p.setPen(Qt::black);
    p.drawText(x, y + fm.ascent(), marque);
    x += fm.horizontalAdvance(marque) + 6;
    graph_.DrawSymbol(canvas, TPixel{x, y + fm.height() / 2}, ex.colour, 0, ex.symbol);
    x += 8;
    p.setPen(Qt::black);
    p.drawText(x, y + fm.ascent(), rep);
    x += fm.horizontalAdvance(rep);
    p.setPen(ToQColor(ex.colour));
    p.drawText(x, y + fm.ascent(), QString::fromUtf8(ex.name));
    y += lineStep;
  }
}

NamesColoursDialog::NamesColoursDialog(TData& data, const TGraphUtils& graph, QWidget* parent)
    : QDialog(parent), data_(data), graph_(graph), model_(std::make_unique<TNamesColours>(data)) {
  setWindowTitle(QString::fromUtf8(kNamesColoursTitle));
  QFont f(QStringLiteral("Arial"), 10);
  setFont(f);
  ChooseColour = [this](const QColor& c) {
    return QColorDialog::getColor(c, this, QString(), QColorDialog::DontUseNativeDialog);
  };

  grid_ = new QTableWidget(model_->RowCount(), 4, this);
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  grid_->setShowGrid(true);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed |
                         QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  grid_->setItemDelegate(new CellDelegate(*model_, graph_, grid_));
  grid_->setColumnWidth(0, 25);
  grid_->setColumnWidth(1, 40);
  grid_->setColumnWidth(2, 25);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setMouseTracking(true);
  grid_->viewport()->installEventFilter(this);
  for (int row = 0; row < model_->RowCount(); ++row)
    for (int col = 0; col < 4; ++col) {
      auto* item = new QTableWidgetItem(Q(model_->Text(row, col)));
      Qt::ItemFlags flags = Qt::ItemIsEnabled;
      if (model_->CanEdit(row, col)) flags |= Qt::ItemIsSelectable | Qt::ItemIsEditable;
      item->setFlags(flags);
      grid_->setItem(row, col, item);
    }
  connect(grid_, &QTableWidget::cellPressed, this,
          [this](int row, int col) { PressCell(row, col); });
  connect(grid_, &QTableWidget::cellEntered, this, [this](int row, int col) {
    status_->showMessage(
        HintText(model_->Hint(row, col, grid_->indexWidget(grid_->currentIndex()) != nullptr)));
  });

  picture_ = new NameExamplesPicture(graph_, this);
  picture_->installEventFilter(this);
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setDefault(true);
  ok_->setAutoDefault(false);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  status_ = new QStatusBar(this);
  status_->setSizeGripEnabled(false);

  auto* lay = new QVBoxLayout(this);
  lay->setContentsMargins(0, 0, 0, 0);
  lay->setSpacing(0);
  lay->addWidget(grid_);
  lay->addWidget(picture_);
  auto* buttonRow = new QHBoxLayout;
  buttonRow->setContentsMargins(0, 7, 0, 7);
  buttonRow->addStretch();
  buttonRow->addWidget(ok_);
  buttonRow->addStretch();
  lay->addLayout(buttonRow);
  lay->addWidget(status_);
  status_->showMessage(HintText(kHintOther));
}

NamesColoursDialog::~NamesColoursDialog() = default;

void NamesColoursDialog::Layout() {
  const int rowHeight = grid_->verticalHeader()->defaultSectionSize();
  int workHeight = 768;
  if (const QScreen* s = screen() != nullptr ? screen() : QApplication::primaryScreen())
    workHeight = s->availableGeometry().height();
  const TNamesColoursSizes sizes =
      model_->Sizes(workHeight, rowHeight, grid_->showGrid() ? 0 : 0, NameExamplesPicture::kHeight,
                    ok_->sizeHint().height(), status_->sizeHint().height());
  for (int row = 0; row < model_->RowCount(); ++row) grid_->setRowHeight(row, rowHeight);
  grid_->setFixedHeight(sizes.gridClientHeight + 2 * grid_->frameWidth());
  const QFontMetrics fm(font());
  const int width = std::max(
      420, fm.horizontalAdvance(
               QStringLiteral("la marque  repère les positions de la pointe d'un javelot")) +
               60);
  resize(width, sizes.clientHeight + 2 * grid_->frameWidth());
}

void NamesColoursDialog::showEvent(QShowEvent* e) {
  Layout();
  QDialog::showEvent(e);
}

void NamesColoursDialog::PressCell(int row, int col) {
  if (col != ncColour || !model_->HasColour(row)) return;
  const QColor before = ToQColor(model_->Colour(row));
  QColor chosen = ChooseColour ? ChooseColour(before) : QColor();
  // A cancelled chooser leaves its preset colour: the cell's own.
  if (!chosen.isValid()) chosen = before;
  model_->SetColour(row, FromQColor(chosen));
  grid_->viewport()->update();
}

void NamesColoursDialog::ApplyNames() {
  // Leaving the cell commits the name being typed.
  grid_->setCurrentIndex(QModelIndex());
  std::vector<std::string> texts;
  for (int row = 0; row < model_->RowCount(); ++row) {
    const QTableWidgetItem* it = grid_->item(row, ncName);
    texts.push_back(it != nullptr ? it->text().toStdString() : std::string());
  }
  model_->Apply(texts);
  applied_ = true;
}

void NamesColoursDialog::done(int r) {
  ApplyNames();
  QDialog::done(r);
}

bool NamesColoursDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
    if (watched == picture_) status_->showMessage(HintText(kHintOther));
  }
  if (event->type() == QEvent::Leave && watched == grid_->viewport())
    status_->showMessage(HintText(kHintOther));
  return QDialog::eventFilter(watched, event);
}

}  // namespace kinevo::gui
