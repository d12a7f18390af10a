// The print dialog offscreen: pages printed into PDF files through the
// dialog's print command, rasterised with pdftoppm and looked at where the
// layout put the picture; the controls of "Double"; screenshots of the
// dialog in portrait, landscape and double mode.
#include "gui/print/print_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

#include "gui/print/page_view.h"
#include "support/qt_test_application.h"
#include "support/run_program.h"
#include "support/shots.h"
#include "support/temp_dir.h"

namespace kinevo::gui {
namespace {

KINEVO_QT_TEST_APPLICATION("test_gui_print");

constexpr int kDpi = 40;  // resolution of the rasterised pages

// A graph-sized picture, dark all over so that it shows in grey print.
QImage DarkPicture(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(QColor(0x20, 0x20, 0x20));
  return img;
}

class PrintDialog : public ::testing::Test {
 protected:
  PrintDialog() {
    dialog.RunPrintDialog = [this](QPrinter& printer, QWidget*) {
      ++asked;
      if (!confirm) return false;
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromStdString(dir.File("page.pdf")));
      return true;
    };
  }
  // The printed page as a picture, kDpi dots per inch.
  QImage Printed() {
    const test::ProgramRun run =
        test::RunProgram("pdftoppm", {"-r", std::to_string(kDpi), "-png", "-singlefile",
                                      dir.File("page.pdf"), dir.File("page")});
    EXPECT_EQ(run.status, 0) << run.err;
    return QImage(QString::fromStdString(dir.File("page.png")));
  }
  static QPoint Dot(int32_t x, int32_t y) {
    return {x * kDpi / kPageUnitsPerInch, y * kDpi / kPageUnitsPerInch};
  }
  static bool Dark(const QImage& img, QPoint at) { return qGray(img.pixel(at)) < 100; }
  static bool White(const QImage& img, QPoint at) { return qGray(img.pixel(at)) > 240; }
  // The pixels in the middle and just outside each side of a rectangle.
  void ExpectPictureAt(const QImage& page, const TPageRect& r) {
    const int32_t cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    EXPECT_TRUE(Dark(page, Dot(cx, cy)));
    EXPECT_TRUE(Dark(page, Dot(r.left + 300, r.top + 300)));
    EXPECT_TRUE(Dark(page, Dot(r.right - 300, r.bottom - 300)));
    EXPECT_TRUE(White(page, Dot(cx, r.top - 300)));
    EXPECT_TRUE(White(page, Dot(cx, r.bottom + 300)));
    EXPECT_TRUE(White(page, Dot(r.left - 300, cy)));
    EXPECT_TRUE(White(page, Dot(r.right + 300, cy)));
  }

  test::TempDir dir{"kinevo_print"};
  TBoiteImprimer dialog;
  int asked = 0;
  bool confirm = true;
};

TEST_F(PrintDialog, PrintedPageHoldsThePictureWhereTheLayoutPutIt) {
  dialog.SetPicture(DarkPicture(640, 480));
  ASSERT_TRUE(dialog.PrintPage());
  const QImage page = Printed();
  ASSERT_FALSE(page.isNull());
  EXPECT_NEAR(page.width(), 210 * kDpi / 25.4, 1.5);  // A4 portrait
  EXPECT_NEAR(page.height(), 297 * kDpi / 25.4, 1.5);
  const TPageRect r = dialog.Layout().Picture().Bounds();
  EXPECT_EQ(r.left, 2000);
  ExpectPictureAt(page, r);
  // The preview shows the frame again after printing.
  dialog.Layout().MouseMove({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  EXPECT_EQ(dialog.Layout().Cursor(), pcMove);
}

TEST_F(PrintDialog, MovedPictureOnALandscapeSheetIsPrintedThere) {
  dialog.SetPicture(DarkPicture(640, 480));
  dialog.findChild<QPushButton*>("ButtonPleinePage")->click();
  EXPECT_TRUE(dialog.Page().Landscape());
  TContGraphic& g = dialog.Layout().Picture();
  g.SetWidth(8000);
  const TPageRect before = g.Bounds();
  TPrintLayout& l = dialog.Layout();
  const TPagePoint grab{(before.left + before.right) / 2, (before.top + before.bottom) / 2};
  l.MouseMove(grab);
  l.MouseDown(grab);
  l.MouseMove({grab.x + 9000, grab.y + 2000});
  l.MouseUp({grab.x + 9000, grab.y + 2000});
  ASSERT_TRUE(dialog.PrintPage());
  const QImage page = Printed();
  EXPECT_GT(page.width(), page.height());
  ExpectPictureAt(page, g.Bounds());
  EXPECT_TRUE(White(page, Dot(grab.x, grab.y)));  // where it was before the move
}

TEST_F(PrintDialog, DoublePrintsTwoCopiesAndTheTitleTwice) {
  dialog.TitleEdit()->setText("Chute libre");
  dialog.SetPicture(DarkPicture(640, 480));
  dialog.DoubleBox()->setChecked(true);
  for (const char* name : {"ButtonPortraitHaut", "ButtonPleinePage", "ButtonPortrait"})
    EXPECT_FALSE(dialog.findChild<QPushButton*>(name)->isEnabled()) << name;
  EXPECT_FALSE(dialog.TitleEdit()->isEnabled());
  EXPECT_FALSE(dialog.TitleHeight()->isEnabled());
  ASSERT_TRUE(dialog.PrintPage());
  const QImage page = Printed();
  const TContGraphic& g = dialog.Layout().Picture();
  const int32_t sheetHeight = dialog.Page().SheetHeight();
  const TPageRect first = g.Bounds();
  const int32_t secondTop = sheetHeight - dialog.Layout().TopOffset() - g.Height();
  EXPECT_EQ(first.bottom, secondTop);  // the copies meet at the middle
  for (int32_t y :
       {first.top + 300, first.bottom - 300, secondTop + 300, secondTop + g.Height() - 300})
    EXPECT_TRUE(Dark(page, Dot(10500, y))) << y;
  EXPECT_TRUE(White(page, Dot(10500, first.top - 300)));
  EXPECT_TRUE(White(page, Dot(10500, secondTop + g.Height() + 300)));
  EXPECT_TRUE(White(page, Dot(first.left - 300, first.top + 300)));
  // The title's ink in the header and in the footer band.
  auto inked = [&](int32_t top, int32_t bottom) {
    int dark = 0;
    for (int y = Dot(0, top).y(); y <= Dot(0, bottom).y(); ++y)
      for (int x = Dot(5000, 0).x(); x <= Dot(16000, 0).x(); ++x)
        dark += qGray(page.pixel(x, y)) < 160;
    return dark;
  };
  const TPageMargins m = dialog.Page().Margins();
  EXPECT_GT(inked(m.top, m.top + dialog.Page().HeaderHeight()), 0);
  EXPECT_GT(inked(sheetHeight - m.bottom - dialog.Page().FooterHeight(), sheetHeight - m.bottom),
            0);

  dialog.DoubleBox()->setChecked(false);
  EXPECT_TRUE(dialog.TitleEdit()->isEnabled());
  EXPECT_EQ(dialog.Page().FooterHeight(), 0);
}

TEST_F(PrintDialog, CancelledPrintDialogPrintsNothing) {
  dialog.SetPicture(DarkPicture(640, 480));
  confirm = false;
  EXPECT_FALSE(dialog.PrintPage());
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.File("page.pdf"))));
}

TEST_F(PrintDialog, NewPictureSizeGetsAZoomThatFitsTheSameSizeKeepsIt) {
  dialog.SetPicture(DarkPicture(640, 480));
  dialog.show();
  QApplication::processEvents();
  // Shown, the zoom fits the picture in the preview area.
  const int fitted = dialog.ZoomSlider()->value();
  EXPECT_GT(fitted, 30);
  EXPECT_EQ(dialog.Page().Zoom(), fitted);
  dialog.ZoomSlider()->setValue(10);
  EXPECT_EQ(dialog.Page().Zoom(), 20);  // the preview's own lower bound
  dialog.ZoomSlider()->setValue(55);
  dialog.SetPicture(DarkPicture(640, 480));
  EXPECT_EQ(dialog.ZoomSlider()->value(), 55);
  dialog.SetPicture(DarkPicture(1280, 960));  // twice as large: half the zoom
  EXPECT_NEAR(dialog.ZoomSlider()->value(), fitted / 2.0, 8);
  dialog.SetPicture(QImage());
  EXPECT_EQ(dialog.Layout().Picture().PixelWidth(), 1280);
}

TEST_F(PrintDialog, ScreenshotsInBothOrientationsAndInDoubleMode) {
  QImage graph(640, 400, QImage::Format_RGB32);
  graph.fill(Qt::white);
  {
    QPainter p(&graph);
    p.setPen(QPen(Qt::black, 3));
    p.drawRect(40, 10, 590, 350);
    p.setPen(QPen(Qt::blue, 3));
    for (int i = 0; i < 12; ++i) p.drawEllipse(QPoint(60 + 48 * i, 340 - i * i * 2), 5, 5);
  }
  dialog.TitleEdit()->setText("Chute d'une balle");
  dialog.SetPicture(graph);
  dialog.show();
  QApplication::processEvents();
  EXPECT_TRUE(test::Shot(dialog, "print_portrait"));
  dialog.findChild<QPushButton*>("ButtonPleinePage")->click();
  QApplication::processEvents();
  EXPECT_TRUE(test::Shot(dialog, "print_landscape"));
  dialog.DoubleBox()->setChecked(true);
  QApplication::processEvents();
  EXPECT_FALSE(dialog.Page().Landscape());
  EXPECT_TRUE(test::Shot(dialog, "print_double"));
}

}  // namespace
}  // namespace kinevo::gui
