#pragma once
// The window of the value entry dialog: note, prompt, edit box, Ok button
// and a status bar with the accepted range.  It closes only when the entry
// accepts the text (by the button, Enter, Escape or the window's close).
#include <QDialog>
#include <QLineEdit>
#include <functional>

#include "core/common/value_entry.h"

class QLabel;
class QFrame;
class QPushButton;

namespace kinevo::gui {

// An edit box that passes typed characters through the entry's filter.
class TValueEdit : public QLineEdit {
  Q_OBJECT
 public:
  TValueEdit(const IValueEntry& entry, QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  const IValueEntry& entry_;
};

class TValueDialog : public QDialog {
  Q_OBJECT
 public:
  // `workAreaWidth` 0 takes the width of the available screen area.
  explicit TValueDialog(IValueEntry& entry, QWidget* parent = nullptr, int workAreaWidth = 0);

  QLineEdit* Edit() const { return edit_; }
  QPushButton* OkButton() const { return ok_; }
  QLabel* NoteLabel() const { return note_; }
  QLabel* PromptLabel() const { return prompt_; }
  QLabel* StatusBar() const { return status_; }
  QFrame* Line() const { return line_; }
  const TValueDialogLayout& Layout() const { return layout_; }
  bool Accepted() const { return accepted_; }

 public slots:
  void accept() override;
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  bool TryToClose();

  IValueEntry& entry_;
  TValueDialogLayout layout_;
  QLabel* note_ = nullptr;
  QLabel* prompt_ = nullptr;
  TValueEdit* edit_ = nullptr;
  QFrame* line_ = nullptr;
  QPushButton* ok_ = nullptr;
  QLabel* status_ = nullptr;
  bool accepted_ = false;
};

class TQtValueDialogPresenter : public IValueDialogPresenter {
 public:
  explicit TQtValueDialogPresenter(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }
  void Present(IValueEntry& entry) override;

  // Called once the window runs modally (tests and screenshots).
  std::function<void(TValueDialog&)> onShown;
  int workAreaWidth = 0;

 private:
  QWidget* parent_;
};

}  // namespace kinevo::gui
