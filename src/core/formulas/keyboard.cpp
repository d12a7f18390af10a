#include "core/formulas/keyboard.h"

#include <algorithm>

#include "core/common/number_format.h"

namespace kinevo {

namespace {

constexpr int32_t kListScrollRoom = 34;  // pixels beside the longest item of an open list
constexpr int32_t kAboveCell = 90;       // pixels between the window's top and the cell's

}  // namespace

// ---------------------------------------------------------------- TKeyboardHistory

const std::string* TKeyboardHistory::Previous(std::string_view line) {
  int32_t i = std::max(0, Index() - 1);
  // Right after a validation the newest entry is the line itself: showing
  // it again would look like a button that does nothing.
  if (i == Count() - 1 && SameText(Items()[i], TrimText(line))) i = std::max(0, i - 1);
  SetIndex(i);
  return At(i);
}

const std::string* TKeyboardHistory::Next() {
  SetIndex(std::max(0, std::min(Index() + 1, Count() - 1)));
  return At(Index());
}

// ---------------------------------------------------------------- TFavouriteList

bool TFavouriteList::Add(const std::string& text) {
  if (IsBlank(text)) return false;
  for (const std::string& item : items_)
    if (SameText(item, text)) return false;
  items_.push_back(text);
  return true;
}

bool TFavouriteList::Delete(int32_t index) {
  if (index < 0 || index >= Count()) return false;
  items_.erase(items_.begin() + index);
  return true;
}

void TFavouriteList::Load(const IKeyReader& ini, std::string_view section, std::string_view prefix,
                          bool decimals) {
  items_.clear();
  for (int32_t n = 0;; ++n) {
    const std::string value = ini.ReadString(section, std::string(prefix) + std::to_string(n));
    if (value.empty()) break;
    items_.push_back(decimals ? NormaliseDecimal(value) : value);
  }
}

void TFavouriteList::Save(IKeyWriter& ini, std::string_view section,
                          std::string_view prefix) const {
  ini.EraseSection(section);
  for (int32_t n = 0; n < Count(); ++n)
    ini.WriteString(section, std::string(prefix) + std::to_string(n), items_[n]);
}

int32_t TFavouriteList::LongestItem() const {
  int32_t best = -1, bestLength = -1;
  for (int32_t i = 0; i < Count(); ++i) {
    const int32_t n = CharCount(items_[i]);
    if (n > bestLength) {
      best = i;
      bestLength = n;
    }
  }
  return best;
}

// ---------------------------------------------------------------- placement

void KeyboardPosition(const TScreenRect& cell, int32_t w, int32_t h, int32_t screenW,
                      int32_t screenH, int32_t& left, int32_t& top) {
  if (cell.Right + w < screenW)
    left = cell.Right;
  else if (cell.Left - w > 0)
    left = cell.Left - w;
  top = std::min(screenH - h, std::max(0, cell.Top - kAboveCell));
}

int32_t FavouriteListWidth(int32_t boxWidth, int32_t longestItemWidth) {
  return std::max(boxWidth, longestItemWidth + kListScrollRoom);
}

// ---------------------------------------------------------------- TKeyboardModel

void TKeyboardModel::Press(TPadButton b) {
  if (b == pbArc) {
    arcMode_ = !arcMode_;
    return;
  }
  Formula.Apply(b, arcMode_);
}

void TKeyboardModel::ValidateFormula() {
  FormulaHistory.Add(Formula.Text());
  OnValidate(this);
}

void TKeyboardModel::Hidden() {
  if (!IsBlank(Unit.Text())) UnitHistory.Add(Unit.Text());
  if (!IsBlank(Comment.Text())) CommentHistory.Add(Comment.Text());
}

void TKeyboardModel::Previous(TKeyboardHistory& history, TInputLine& line) {
  if (const std::string* e = history.Previous(line.Text())) line.SetText(*e);
  line.SetCaret(line.Length());
}

void TKeyboardModel::Next(TKeyboardHistory& history, TInputLine& line) {
  if (const std::string* e = history.Next()) line.SetText(*e);
  line.SetCaret(line.Length());
}

void TKeyboardModel::LoadFavourites(const IKeyReader& ini) {
  FavouriteFormulas.Load(ini, "Formulae", "Formula", true);
  FavouriteUnits.Load(ini, "Units", "Unit", false);
  FavouriteComments.Load(ini, "Comments", "Comment", false);
  KeepFavourites();
}

void TKeyboardModel::SaveFavourites(IKeyWriter& ini) {
  FavouriteFormulas.Save(ini, "Formulae", "Formula");
  FavouriteUnits.Save(ini, "Units", "Unit");
  FavouriteComments.Save(ini, "Comments", "Comment");
  KeepFavourites();
}

void TKeyboardModel::KeepFavourites() {
  keptF_ = FavouriteFormulas.Items();
  keptU_ = FavouriteUnits.Items();
  keptC_ = FavouriteComments.Items();
}

bool TKeyboardModel::FavouritesChanged() const {
  return keptF_ != FavouriteFormulas.Items() || keptU_ != FavouriteUnits.Items() ||
         keptC_ != FavouriteComments.Items();
}

}  // namespace kinevo
