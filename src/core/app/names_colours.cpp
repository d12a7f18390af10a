#include "core/app/names_colours.h"

#include <algorithm>

#include "core/common/text_utils.h"
#include "core/marking/marking_data.h"

namespace kinevo {

const std::vector<TNameExample>& NameExamples() {
  static const std::vector<TNameExample> examples = {
      {0, colors::Red, "d'une balle"},
      {1, colors::Blue, "de la pointe d'un javelot"},
      {2, colors::Green, "du centre de la Terre"},
  };
  return examples;
}

TNamesColours::TNamesColours(TData& data)
    : data_(data), layer_(data.IsLayerActive()), n_(std::max(1, data.MarksNumberPerFrame())) {}

bool TNamesColours::CanEdit(int row, int col) const {
  if (col != ncName) return false;
  return IsSystemRow(row) || (layer_ && IsElementRow(row));
}

TColor TNamesColours::Colour(int row) const {
  if (IsSystemRow(row)) return data_.MarkColor(row - 1);
  if (IsElementRow(row)) return data_.ElementColor();
  return colors::White;
}

void TNamesColours::SetColour(int row, TColor colour) {
  if (IsSystemRow(row))
    data_.SetMarkColor(row - 1, colour);
  else if (IsElementRow(row))
    data_.SetElementColor(colour);
}

std::string TNamesColours::Text(int row, int col) const {
  if (row == 0) return col == ncName ? kHeaderName : "";
  if (IsSystemRow(row)) {
    if (col == ncNumber) return std::to_string(row);
    if (col == ncName) return data_.SystemName(row - 1);
    return "";
  }
  if (col != ncName) return "";
  if (row == n_ + 1) return layer_ ? kLayerCentreText : "";
  if (IsElementRow(row)) return layer_ ? data_.SystemName(1) : kElementColourText;
  return "";
}

std::string TNamesColours::Hint(int row, int col, bool editing) const {
  if (editing) return kHintName;
  if (IsSystemRow(row) && col == ncNumber) return kHintNumber;
  if (HasColour(row) && col == ncColour) return kHintColour;
  if (IsSystemRow(row) && col == ncName) return kHintName;
  return kHintOther;
}

void TNamesColours::Apply(const std::vector<std::string>& texts) {
  auto text = [&texts](int row) {
    return row >= 0 && row < static_cast<int>(texts.size())
               ? std::string(TrimBlanks(texts[static_cast<std::size_t>(row)]))
               : std::string();
  };
  for (int i = 0; i < n_; ++i) data_.SetSystemName(i, text(i + 1));
  if (layer_) data_.SetSystemName(1, text(n_ + 2));
}

TNamesColoursSizes TNamesColours::Sizes(int workAreaHeight, int defaultRowHeight, int gridLineWidth,
                                        int pictureHeight, int buttonHeight,
                                        int statusBarHeight) const {
  TNamesColoursSizes s;
  s.gridClientHeight =
      std::min(workAreaHeight / 3, (defaultRowHeight + gridLineWidth) * RowCount());
  s.clientHeight = s.gridClientHeight + pictureHeight + buttonHeight + statusBarHeight + 14;
  s.buttonTop = (s.clientHeight - statusBarHeight) - buttonHeight - 7;
  return s;
}

}  // namespace kinevo
