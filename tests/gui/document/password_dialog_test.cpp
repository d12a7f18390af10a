#include "gui/document/password_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "qt_app.h"

using namespace kinevo;
using namespace kinevo::gui;

TEST(PasswordDialog, ShowsStarsAndAnswersTheTextOrCancel) {
  test::QtApp();
  TQtPasswordPrompt prompt;
  prompt.onShown = [](TPasswordDlg& d) {
    EXPECT_EQ(d.windowTitle(), "Saisie du mot de passe");
    EXPECT_EQ(d.Edit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d.OkButton()->text(), "&Ok");
    EXPECT_EQ(d.CancelButton()->text(), "&Annuler");
    EXPECT_FALSE(d.KeyPicture()->pixmap().isNull());
    d.Edit()->setText(QString::fromUtf8("mécanique"));
    test::Shot(d, "password_dialog");
    d.OkButton()->click();
  };
  std::string typed;
  ASSERT_TRUE(prompt.AskPassword(typed));
  EXPECT_EQ(typed,
            "m\xC3\xA9"
            "canique");

  prompt.onShown = [](TPasswordDlg& d) {
    d.Edit()->setText("x");
    d.CancelButton()->click();
  };
  typed = "unchanged";
  EXPECT_FALSE(prompt.AskPassword(typed));
  EXPECT_EQ(typed, "unchanged");
}

TEST(PasswordDialog, KeyPictureIsDrawn) {
  test::QtApp();
  const QImage img = TPasswordDlg::KeyPixmap(48).toImage();
  int opaque = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) opaque += qAlpha(img.pixel(x, y)) > 0;
  EXPECT_GT(opaque, 200);
  EXPECT_LT(opaque, 48 * 48);
}
