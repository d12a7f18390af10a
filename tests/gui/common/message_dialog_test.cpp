#include "gui/common/message_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "support/qt_test_application.h"
#include "support/shots.h"

using namespace kinevo;
using namespace kinevo::gui;

namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_common");

TUserDlg ThreeButtonDialog(TQtUserDlgPresenter& presenter) {
  TUserDlg dlg(&presenter);
  dlg.Icon = icConfirmation;
  dlg.AddButton("Enregistrer", btEnregistrer);
  dlg.AddButton("Ne pas enregistrer", btIgnorer);
  dlg.AddButton("Annuler", btAnnuler);
  return dlg;
}

}  // namespace

TEST(MessageDialog, SecondButtonAnswersOneAndTheCheckBoxIsReadBack) {
  TQtUserDlgPresenter presenter;
  TUserDlg dlg(&presenter);
  dlg.Icon = icWarning;
  dlg.AddButton("Oui", btOk);
  dlg.AddButton("Non", btAnnuler);
  dlg.AddLine("Le fichier a été modifié.");
  dlg.CheckBoxCaption = "Ne plus poser la question";
  bool ran = false;
  presenter.onShown = [&](TMessageDialog& w) {
    ran = true;
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isModal());
    ASSERT_EQ(w.ButtonCount(), 2);
    EXPECT_EQ(w.Button(1)->objectName(), "Btn1");
    EXPECT_EQ(w.Button(1)->text(), "Non");
    ASSERT_NE(w.CheckBox(), nullptr);
    EXPECT_FALSE(w.CheckBox()->isChecked());
    w.CheckBox()->click();
    w.Button(1)->click();
  };
  EXPECT_EQ(dlg.Execute(), 1);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(dlg.CheckBoxCheck);
  EXPECT_TRUE(dlg.CheckBoxCaption.empty()) << "the caption is for one run only";
  EXPECT_TRUE(dlg.Lines().empty());
  EXPECT_EQ(dlg.Buttons().size(), 2u) << "the buttons stay set";
}

TEST(MessageDialog, WindowIsBuiltToTheComputedLayout) {
  TUserDlgContent c;
  c.title = "Kinevo";
  c.icon = icNone;
  c.buttons = {{"Ok", btOk}};
  c.lines = {{"Une ligne."}};
  TMessageDialog w(c, nullptr, 1024);
  EXPECT_EQ(w.windowTitle(), "Kinevo");
  EXPECT_EQ(w.width(), 422);
  EXPECT_EQ(w.height(), w.Layout().height);
  EXPECT_EQ(w.minimumSize(), w.maximumSize()) << "fixed border";
  EXPECT_EQ(w.IconLabel(), nullptr);
  QPushButton* ok = w.Button(0);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->width(), 75);
  EXPECT_EQ(ok->height(), 25);
  EXPECT_LE(std::abs(ok->x() - (w.width() - ok->geometry().right() - 1)), 1) << "centred";
  EXPECT_FALSE(ok->isDefault());
  ASSERT_NE(w.Separator(), nullptr);
  EXPECT_EQ(w.Separator()->geometry(), QRect(12, ok->y() - 16, 422 - 24, 2));
  EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(w.Memo()->geometry().topLeft(), QPoint(12, 14));

  // With an icon the text moves right of it.
  c.icon = icInformation;
  TMessageDialog wi(c, nullptr, 1024);
  ASSERT_NE(wi.IconLabel(), nullptr);
  EXPECT_EQ(wi.IconLabel()->geometry(), QRect(12, 14, 32, 32));
  EXPECT_EQ(wi.Memo()->x(), 12 + 32 + 12);
}

TEST(MessageDialog, OnlyAButtonClosesAWindowThatHasButtons) {
  TQtUserDlgPresenter presenter;
  TUserDlg dlg(&presenter);
  dlg.AddButton("Ok", btOk);
  dlg.AddButton("Annuler", btAnnuler);
  dlg.AddLine("Question");
  presenter.onShown = [](TMessageDialog& w) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&w, &escape);
    w.close();
    EXPECT_TRUE(w.isVisible());
    w.Button(0)->click();
  };
  EXPECT_EQ(dlg.Execute(), 0);

  // Without buttons the close box closes it, and the previous answer stays.
  dlg.ClearButtons();
  dlg.AddButton("Ok", btOk);
  dlg.AddButton("Non", btAnnuler);
  presenter.onShown = [](TMessageDialog& w) { w.Button(1)->click(); };
  EXPECT_EQ(dlg.Execute(), 1);
  dlg.ClearButtons();
  dlg.AddLine("Information sans bouton");
  bool closable = false;
  presenter.onShown = [&](TMessageDialog& w) {
    closable = static_cast<bool>(w.windowFlags() & Qt::WindowCloseButtonHint);
    w.close();
  };
  EXPECT_EQ(dlg.Execute(), 1);
  EXPECT_TRUE(closable);
}

TEST(MessageDialog, PicturesAndGlyphs) {
  for (auto icon : {icWarning, icError, icInformation, icConfirmation}) {
    const QImage img = StandardIconPicture(icon).toImage();
    ASSERT_EQ(img.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << "transparent around the picture";
    EXPECT_GT(qAlpha(img.pixel(16, 16)), 200);
  }
  EXPECT_TRUE(StandardIconPicture(icNone).isNull());
  QWidget w;
  for (int t = btOk; t < btCustom; ++t) {
    const QIcon glyph = ButtonGlyph(static_cast<TButtonType>(t), w.style());
    EXPECT_FALSE(glyph.isNull()) << t;
    EXPECT_FALSE(glyph.pixmap(16, 16).isNull()) << t;
  }
  EXPECT_TRUE(ButtonGlyph(btCustom, w.style()).isNull());

  // A custom picture is drawn without the colour of its bottom-left pixel.
  Image picture(4, 4, colors::Fuchsia);
  picture.SetPixel(1, 1, colors::Blue);
  const QImage img = TransparentPicture(picture).toImage().convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(qAlpha(img.pixel(0, 3)), 0);
  EXPECT_EQ(qAlpha(img.pixel(1, 1)), 255);
  EXPECT_EQ(QColor(img.pixel(1, 1)), QColor(0, 0, 255));
}

TEST(MessageDialog, ScreenshotOfAThreeButtonDialog) {
  TQtUserDlgPresenter presenter;
  presenter.screenWidth = 1024;
  TUserDlg dlg = ThreeButtonDialog(presenter);
  dlg.AddLine("Le travail en cours a été modifié.", lkWrap, colors::Navy);
  dlg.AddLine("");
  dlg.AddLine(
      "Voulez-vous enregistrer les modifications dans le fichier suivant avant de fermer la vidéo "
      "?");
  dlg.AddLine(
      "/home/utilisateur/Documents/Kinevo/mouvements/chute_libre_balle_de_tennis_essai_12.kvo",
      lkKeepEnd);
  dlg.AddLine("les pointages,", lkBullet);
  dlg.AddLine("l'échelle et le repère.", lkBullet, colors::Maroon);
  dlg.CheckBoxCaption = "Toujours enregistrer sans demander";
  QImage shot;
  QRect memo, icon, buttons;
  presenter.onShown = [&](TMessageDialog& w) {
    shot = w.grab().toImage();
    memo = w.Memo()->geometry();
    icon = w.IconLabel()->geometry();
    buttons = w.Button(0)->geometry().united(w.Button(2)->geometry());
    w.Button(2)->click();
  };
  EXPECT_EQ(dlg.Execute(), 2);
  ASSERT_FALSE(shot.isNull());
  EXPECT_TRUE(test::SaveShot(shot, "message_dialog"));
  EXPECT_EQ(shot.width(), 422);
  // The icon is drawn, the text block is below its top and right of it, the
  // buttons are centred under everything.
  EXPECT_NE(shot.pixelColor(icon.center()), QColor(0xF0, 0xF0, 0xF0));
  EXPECT_GT(memo.left(), icon.right());
  EXPECT_GT(buttons.top(), memo.bottom());
  EXPECT_LE(std::abs(buttons.left() - (shot.width() - 1 - buttons.right())), 1);
}

TEST(MessageDialog, ComesOverTheWindowWhoseCommandAskedIt) {
  QWidget main, results;
  TQtUserDlgPresenter presenter(&main);
  TUserDlg dlg(&presenter);
  dlg.AddButton("Ok", btOk);
  main.show();
  results.show();
  QWidget* owner = nullptr;
  presenter.onShown = [&](TMessageDialog& w) {
    owner = w.parentWidget();
    w.Button(0)->click();
  };
  // The results window is where the user works: the message belongs there.
  QApplication::setActiveWindow(&results);
  dlg.AddLine("Exportation terminée.");
  dlg.Execute();
  EXPECT_EQ(owner, &results);
  // No window of the program active: the presenter's own window.
  QApplication::setActiveWindow(nullptr);
  results.hide();
  dlg.AddLine("Enregistrement terminé.");
  dlg.Execute();
  EXPECT_EQ(owner, &main);
}
