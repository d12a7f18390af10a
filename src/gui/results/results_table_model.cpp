#include "gui/results/results_table_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include "platform/qt/qpainter_canvas.h"

namespace kinevo {

void TResultsTableModel::SetGrid(TGrid* grid) {
  beginResetModel();
  grid_ = grid;
  endResetModel();
}

void TResultsTableModel::Reset() {
  beginResetModel();
  if (grid_) grid_->Recount();
  endResetModel();
}

void TResultsTableModel::SetHighlightedRow(int resultsRow) {
  if (resultsRow == highlighted_) return;
  highlighted_ = resultsRow;
  if (grid_ && grid_->RowCount() > 0)
    emit dataChanged(index(0, 0), index(grid_->RowCount() - 1, grid_->ColCount() - 1));
}

int TResultsTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !grid_ ? 0 : grid_->RowCount();
}

int TResultsTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() || !grid_ ? 0 : grid_->ColCount();
}

QVariant TResultsTableModel::data(const QModelIndex& index, int role) const {
  if (!grid_ || !index.isValid()) return {};
  const int r = index.row(), c = index.column();
  switch (role) {
    case Qt::DisplayRole:
      // The time column can change its digits but not be hidden.
      if (r == 0 && c >= 1)
        return c == 1 ? QStringLiteral("-        +") : QStringLiteral("-  ×  +");
      return QString::fromStdString(grid_->CellText(c, r, true));
    case Qt::TextAlignmentRole:
      return r < TGrid::kFixedRows ? int(Qt::AlignCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::BackgroundRole:
      if (ResultsRow(r) == highlighted_ && highlighted_ >= 0) return QBrush(QColor(255, 230, 150));
      if (c == 0 || r < TGrid::kFixedRows) return QBrush(QColor(240, 240, 240));
      return QBrush(QPainterCanvas::ToQColor(grid_->ColumnColour(c)));
    case Qt::FontRole:
      if (r == 1) {
        QFont f;
        f.setBold(true);
        return f;
      }
      return {};
    case Qt::ToolTipRole:
      if (r == 0)
        return QStringLiteral("Cacher la colonne ou modifier le nombre de chiffres significatifs");
      return {};
    default:
      return {};
  }
}

}  // namespace kinevo
