#pragma once
// The password dialog of the options lock (TPasswordDlg): "Saisie du mot de
// passe", a key picture, an edit "Mot de passe" that shows "*", Ok and Annuler.
#include <QDialog>
#include <functional>

#include "core/document/options.h"

class QLineEdit;
class QPushButton;
class QLabel;

namespace kinevo::gui {

class TPasswordDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TPasswordDlg(QWidget* parent = nullptr);
  QLineEdit* Edit() const { return edit_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  QLabel* KeyPicture() const { return key_; }
  // The key picture, drawn.
  static QPixmap KeyPixmap(int size);

 private:
  QLineEdit* edit_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QLabel* key_;
};

// Asks the password with a TPasswordDlg, modally.
class TQtPasswordPrompt : public IPasswordPrompt {
 public:
  explicit TQtPasswordPrompt(QWidget* parent = nullptr) : parent_(parent) {}
  bool AskPassword(std::string& entered) override;
  // Called once the dialog runs modally (tests and screenshots).
  std::function<void(TPasswordDlg&)> onShown;

 private:
  QWidget* parent_;
};

}  // namespace kinevo::gui
