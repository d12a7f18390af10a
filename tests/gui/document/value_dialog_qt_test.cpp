// The Qt window of the value entry dialog, driven with real key events over
// the real dialog logic.
#include "gui/common/value_dialog_qt.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <numbers>

#include "core/app/value_dialog.h"
#include "core/common/number_format.h"
#include "qt_app.h"
#include "support/scripted_dialog.h"

using namespace kinevo;
using namespace kinevo::gui;

namespace {

void TypeKeys(QWidget* w, const QString& text) {
  for (QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(w, &press);
  }
}

void PressKey(QWidget* w, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
}

struct Rig {
  test::ScriptedDialog messages;
  TUserDlg dlg{&messages};
  TQtValueDialogPresenter presenter;
  TValueDialogContext ctx;
  TBoiteValeur box{dlg, &presenter};
  Rig() {
    test::QtApp();
    ctx.videoOpen = true;
    ctx.imagesCount = 50;
    box.ContextProvider = [this] { return ctx; };
    presenter.workAreaWidth = 1280;
  }
};

}  // namespace

TEST(ValueDialogQt, TypingIsFilteredAndOnlyAValidValueCloses) {
  ScopedDecimalSeparator sep('.');
  Rig s;
  s.box.SetTypeSaisie(tsAngle);
  bool sawRefusal = false;
  s.presenter.onShown = [&](TValueDialog& d) {
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("Angle de rotation du repère"));
    EXPECT_EQ(d.Edit()->text(), "0");
    EXPECT_EQ(d.Edit()->selectedText(), "0");  // all selected on showing
    EXPECT_EQ(d.NoteLabel(), nullptr);
    EXPECT_EQ(d.StatusBar()->text(),
              QString::fromUtf8("-180° <= angle <= +180° dans le sens trigonométrique"));
    EXPECT_EQ(d.size(), QSize(d.Layout().clientWidth, d.Layout().clientHeight));
    EXPECT_EQ(d.Edit()->geometry().width(), 120);
    EXPECT_EQ(d.Edit()->maxLength(), 16);

    d.Edit()->clear();
    TypeKeys(d.Edit(), "1x8z1");
    EXPECT_EQ(d.Edit()->text(), "181");
    test::Shot(d, "value_dialog");
    d.OkButton()->click();  // out of range: stays open
    sawRefusal = d.isVisible() && s.messages.Count() == 1;
    EXPECT_EQ(d.Edit()->selectedText(), "181");
    PressKey(d.Edit(), Qt::Key_Escape);  // a request to close like any other
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(s.messages.Count(), 2u);

    d.Edit()->clear();
    TypeKeys(d.Edit(), "12,5");
    EXPECT_EQ(d.Edit()->text(), "12.5");
    PressKey(d.Edit(), Qt::Key_Return, "\r");
    if (d.isVisible()) d.QDialog::done(0);  // never hang the test
  };
  s.box.Execute();
  EXPECT_TRUE(sawRefusal);
  ASSERT_TRUE(s.box.Accepted());
  EXPECT_NEAR(s.box.Value(), 12.5 * std::numbers::pi / 180, 1e-12);
  EXPECT_EQ(s.messages.shown[0].icon, icInformation);
}

TEST(ValueDialogQt, IntegerKindWithNoteAndWindowClose) {
  Rig s;
  s.ctx.searchRadius = 40;
  s.box.SetTypeSaisie(tsDMax);
  s.presenter.onShown = [&](TValueDialog& d) {
    ASSERT_NE(d.NoteLabel(), nullptr);
    EXPECT_TRUE(d.NoteLabel()->wordWrap());
    EXPECT_GT(d.PromptLabel()->geometry().top(), d.NoteLabel()->geometry().bottom());
    d.Edit()->clear();
    TypeKeys(d.Edit(), "4,5e1");
    EXPECT_EQ(d.Edit()->text(), "451");
    d.close();  // refused: 451 > 100
    EXPECT_TRUE(d.isVisible());
    test::Shot(d, "value_dialog_note");
    d.Edit()->setText("55");
    d.close();
    if (d.isVisible()) d.QDialog::done(0);
  };
  s.box.Execute();
  ASSERT_TRUE(s.box.Accepted());
  EXPECT_EQ(s.box.IntValue(), 55);
  ASSERT_EQ(s.messages.Count(), 1u);
  EXPECT_TRUE(s.messages.Contains("10 <= distance maximale <= 100"));
}

TEST(ValueDialogQt, LongTitlesFitInTheTitleBar) {
  Rig s;
  for (const TTypeSaisie kind : {tsLastImg, tsNbImgStep, tsAngle}) {
    s.box.SetTypeSaisie(kind);
    s.presenter.onShown = [&](TValueDialog& d) {
      const QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
      const int title = QFontMetrics(titleFont).horizontalAdvance(d.windowTitle());
      EXPECT_GT(d.width(), title + 100) << d.windowTitle().toStdString();
      // Widened, the button stays centred and the status bar spans the dialog.
      EXPECT_NEAR(d.OkButton()->geometry().center().x(), d.width() / 2, 2);
      EXPECT_EQ(d.StatusBar()->geometry().width(), d.width());
      d.QDialog::done(0);
    };
    s.box.Execute();
  }
}
