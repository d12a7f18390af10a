#pragma once
// The formula keyboard (TClavier, "Aide à la saisie"): the modal editor of
// a formula's expression, unit and comment that the formulas dialog opens
// over the edited cell.  Page "Formule": the formula line, its favourites
// and the pad; page "Textes": the unit and comment lines with theirs.
//
// The favourites are read from the settings file when the window is made
// and written back when it is destroyed.
#include <QComboBox>
#include <QDialog>
#include <functional>
#include <string>

#include "core/common/settings_store.h"
#include "core/common/signal.h"
#include "core/formulas/keyboard.h"

class QBoxLayout;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace kinevo::gui {

class TPadLine;

// A favourites list: opened, it is as wide as its longest item needs.
class TFavouriteCombo : public QComboBox {
  Q_OBJECT
 public:
  explicit TFavouriteCombo(const TFavouriteList& list, QWidget* parent = nullptr);
  // Fills the box from the list, with no item selected.
  void Reload();
  // Runs when the open list closes, chosen or not.
  TSignal<> OnClosed;

  void showPopup() override;
  void hidePopup() override;

 private:
  const TFavouriteList& list_;
};

class TClavier : public QDialog {
  Q_OBJECT
 public:
  // `settings` null keeps the favourites for the run only.
  explicit TClavier(ISettingsStore* settings, QWidget* parent = nullptr);
  ~TClavier() override;

  TKeyboardModel& Model() { return model_; }

  // Whether the favourites may be changed (the setting "Ajouter ou
  // supprimer vos formules favorites"); asked at every showing.  Unset: yes.
  std::function<bool()> FavouritesEditable;

  // The texts, trimmed when read; setting one puts the caret at its end.
  std::string FormulaText() const;
  std::string UnitText() const;
  std::string CommentText() const;
  void SetFormulaText(const std::string& text);
  void SetUnitText(const std::string& text);
  void SetCommentText(const std::string& text);
  // 0: formula page, 1: unit and comment page.
  void SetPage(int page);
  int Page() const;
  // Places the window beside the edited cell (screen coordinates).
  void SetPositionFenetre(const QRect& cell);

  // Saves the favourites now when they changed (the destructor does it
  // too).  Fails, saying why, when the settings file could not be written.
  TStatus SaveFavourites();

  TPadLine* MemoF() const { return memoF_; }
  TPadLine* MemoU() const { return memoU_; }
  TPadLine* MemoC() const { return memoC_; }
  TFavouriteCombo* ComboBoxF() const { return comboF_; }
  TFavouriteCombo* ComboBoxU() const { return comboU_; }
  TFavouriteCombo* ComboBoxC() const { return comboC_; }
  QToolButton* Button(const char* name) const;
  QPushButton* BitBtnUC() const { return ok_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;

 private:
  struct TLineParts {
    TPadLine* line;
    TInputLine TKeyboardModel::*model;
    TKeyboardHistory TKeyboardModel::*history;
    TFavouriteList TKeyboardModel::*favourites;
    TFavouriteCombo* combo;
  };
  QWidget* BuildFormulaPage();
  QWidget* BuildTextsPage();
  // The history, favourite and add/delete buttons of one line.
  void WireLine(const TLineParts& parts, const char* suffix, const char* addHint,
                QBoxLayout* historyRow, QBoxLayout* favouriteRow);
  // The widgets' texts and carets into the model, and back.
  void PullLines();
  void PushLines();
  void Press(TPadButton b);
  void Validate();
  void ShowArc();

  ISettingsStore* settings_;
  TKeyboardModel model_;
  QTabWidget* pages_ = nullptr;
  TPadLine* memoF_ = nullptr;
  TPadLine* memoU_ = nullptr;
  TPadLine* memoC_ = nullptr;
  TFavouriteCombo* comboF_ = nullptr;
  TFavouriteCombo* comboU_ = nullptr;
  TFavouriteCombo* comboC_ = nullptr;
  QPushButton* ok_ = nullptr;
  bool saved_ = false;
  TConnections links_;
};

}  // namespace kinevo::gui
