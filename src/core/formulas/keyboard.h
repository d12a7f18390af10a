#pragma once
// The formula keyboard (TClavier, "Aide à la saisie") without its window:
// the three lines of a formula (expression, unit, comment), a history per
// line for the run, the favourite formulas, units and comments kept in the
// settings file, and where the window opens beside the edited cell.
//
// The keyboard checks nothing itself: whoever listens to OnValidate decides
// whether the formula is accepted.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/key_store.h"
#include "core/common/signal.h"
#include "core/formulas/input_line.h"

namespace kinevo {

// One history of the keyboard.  Stepping back skips an entry equal to the
// line (the formula just validated is both); stepping forward stops on the
// newest entry.
class TKeyboardHistory : public TTextHistory {
 public:
  // The entry to show, or null when the history is empty.
  const std::string* Previous(std::string_view line);
  const std::string* Next();
};

// A favourites list: texts in the order added, each once (without regard
// to case).
class TFavouriteList {
 public:
  const std::vector<std::string>& Items() const { return items_; }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }

  // Appends the text as typed when it holds something other than blanks
  // and is not in the list yet.  True when it was added.
  bool Add(const std::string& text);
  // Deletes an item; false (nothing done) for an index out of the list.
  bool Delete(int32_t index);

  // Reads `prefix`0, `prefix`1 ... of `section` until a key is missing or
  // empty.  With `decimals`, "," and "." become the decimal separator.
  void Load(const IKeyReader& ini, std::string_view section, std::string_view prefix,
            bool decimals);
  // Replaces the section by the items, numbered from 0.
  void Save(IKeyWriter& ini, std::string_view section, std::string_view prefix) const;

  // The item whose width sizes the open list: the one with the most
  // characters, the first of equal length; -1 for an empty list.
  int32_t LongestItem() const;

 private:
  std::vector<std::string> items_;
};

// A rectangle in screen pixels, right and bottom excluded.
struct TScreenRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// Where the keyboard (width w, height h) opens beside the cell `cell` on a
// screen of `screenW` x `screenH`: right of the cell when it fits, else
// left of it when that fits, else at `left` as it was; its top 90 pixels
// above the cell's, kept on the screen.
void KeyboardPosition(const TScreenRect& cell, int32_t w, int32_t h, int32_t screenW,
                      int32_t screenH, int32_t& left, int32_t& top);

// The width of an open favourites list: the box's, or the longest item's
// plus room for the scroll bar when that is larger.
int32_t FavouriteListWidth(int32_t boxWidth, int32_t longestItemWidth);

class TKeyboardModel {
 public:
  static constexpr const char* kCaption = "Aide à la saisie";
  static constexpr int32_t kFormulaPage = 0;
  static constexpr int32_t kTextsPage = 1;

  // The line being edited on each page.
  TInputLine Formula, Unit, Comment;
  TKeyboardHistory FormulaHistory, UnitHistory, CommentHistory;
  TFavouriteList FavouriteFormulas, FavouriteUnits, FavouriteComments;

  // The texts as the caller reads them (trimmed) and sets them (the caret
  // goes to the end).
  std::string FormulaText() const { return TrimText(Formula.Text()); }
  std::string UnitText() const { return TrimText(Unit.Text()); }
  std::string CommentText() const { return TrimText(Comment.Text()); }
  void SetFormulaText(std::string text) { Formula.SetText(std::move(text)); }
  void SetUnitText(std::string text) { Unit.SetText(std::move(text)); }
  void SetCommentText(std::string text) { Comment.SetText(std::move(text)); }

  // A pad button on the formula line (pbArc switches the Arc mode).
  void Press(TPadButton b);
  bool ArcMode() const { return arcMode_; }

  // Enters the formula in its history, then raises OnValidate.
  void ValidateFormula();
  // The window hides: the unit and the comment enter their histories.
  void Hidden();

  // Steps through the history of a line and shows the entry there.
  void Previous(TKeyboardHistory& history, TInputLine& line);
  void Next(TKeyboardHistory& history, TInputLine& line);

  // The favourites in the settings file: sections "Formulae", "Units" and
  // "Comments", keys "Formula0", "Unit0", "Comment0" ...  A file without
  // them gives empty lists.
  void LoadFavourites(const IKeyReader& ini);
  void SaveFavourites(IKeyWriter& ini);
  // Whether a list differs from what was last loaded or saved (an
  // unchanged list leaves the settings file alone).
  bool FavouritesChanged() const;

  // A formula was validated (sender: this model).
  TSignal<void*> OnValidate;

 private:
  void KeepFavourites();

  bool arcMode_ = false;
  std::vector<std::string> keptF_, keptU_, keptC_;
};

}  // namespace kinevo
