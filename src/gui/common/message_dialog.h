#pragma once
// The Qt window of the message dialog (TUserDlg): a small fixed-size window
// built to its content, with an icon, the text block (TSimMemo), an optional
// check box, a separating line and a centred row of buttons.  Geometry comes
// from core/common/user_dialog_layout.h; this file only applies it.
#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <QWidget>
#include <functional>
#include <vector>

#include "core/common/user_dialog.h"
#include "core/common/user_dialog_layout.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QStyle;

namespace kinevo::gui {

// QFont of a TFont (family, points, bold, italic).
QFont ToQFont(const TFont& font);

// The pictures of the four standard icons ("IcoWARNING", "IcoERROR",
// "IcoINFORMATION", "IcoCONFIRMATION"), 32 × 32 with a transparent
// background; a null pixmap for icCustom and icNone.
QPixmap StandardIconPicture(TDefaultIcons icon);
// A picture of the program as a pixmap drawn transparent: the colour of its
// bottom-left pixel is left out.
QPixmap TransparentPicture(const Image& picture);
// The glyph of a button type: the toolkit's standard pictures for OK,
// Cancel, All, Help and Retry (drawn by us when the style has none), our own
// for Annuler, Ignorer, Quitter and Enregistrer; none for btCustom.
QIcon ButtonGlyph(TButtonType type, const QStyle* style);
// The glyph drawn by the program for a type, 16 × 16 (also the fallback for
// the standard ones).
QPixmap DrawnGlyph(TButtonType type);

// The passive text block: draws its laid-out lines on its background.
class TSimMemo : public QWidget {
  Q_OBJECT
 public:
  explicit TSimMemo(QWidget* parent = nullptr);
  void SetContent(const TMemoLayout& layout, const TFont& font, TColor background);
  const TMemoLayout& Layout() const { return layout_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TMemoLayout layout_;
  TFont font_;
  TColor background_ = colors::BtnFace;
};

class TMessageDialog : public QDialog {
  Q_OBJECT
 public:
  // `screenWidth` 0 takes the width of the screen the dialog will show on.
  explicit TMessageDialog(const TUserDlgContent& content, QWidget* parent = nullptr,
                          int screenWidth = 0);

  // Index of the button pressed, −1 when none was.
  int Result() const { return result_; }
  bool HasCheckBox() const { return checkBox_ != nullptr; }
  bool CheckBoxChecked() const;

  QPushButton* Button(int index) const;
  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  QCheckBox* CheckBox() const { return checkBox_; }
  QLabel* IconLabel() const { return icon_; }
  TSimMemo* Memo() const { return memo_; }
  QFrame* Separator() const { return separator_; }
  const TUserDlgLayout& Layout() const { return layout_; }

 public slots:
  // With buttons only a button closes the window: Escape does nothing.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void ButtonClicked();

  TUserDlgLayout layout_;
  TSimMemo* memo_ = nullptr;
  QLabel* icon_ = nullptr;
  QFrame* separator_ = nullptr;
  QCheckBox* checkBox_ = nullptr;
  std::vector<QPushButton*> buttons_;
  int result_ = -1;
  bool closing_ = false;
};

// Shows TUserDlg's content in a TMessageDialog, modally.
class TQtUserDlgPresenter : public IUserDlgPresenter {
 public:
  explicit TQtUserDlgPresenter(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  int32_t Present(const TUserDlgContent& content, bool& checkBoxCheck) override;

  // Called once the dialog runs modally (tests and screenshots use it to
  // look at the window and press its buttons).
  std::function<void(TMessageDialog&)> onShown;
  // Screen width used for sizing; 0 for the real screen's.
  int screenWidth = 0;

 private:
  QWidget* parent_;
};

}  // namespace kinevo::gui
