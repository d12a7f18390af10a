#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "core/common/colour.h"
#include "core/common/image.h"
#include "core/common/number_format.h"
#include "core/common/user_dialog.h"
#include "support/french_numeric_locale.h"
#include "support/scripted_dialog.h"

using namespace kinevo;

TEST(Colour, LayoutIsRedInTheLowByte) {
  EXPECT_EQ(RGBColor(255, 0, 0), 255u);
  EXPECT_EQ(RGBColor(255, 255, 0), 65535u);
  EXPECT_EQ(RedOf(0x123456), 0x56);
  EXPECT_EQ(GreenOf(0x123456), 0x34);
  EXPECT_EQ(BlueOf(0x123456), 0x12);
}

TEST(Image, StretchIsNearestNeighbourAndInvertFlipsBytes) {
  Image src(2, 2);
  src.SetPixel(0, 0, colors::Red);
  src.SetPixel(1, 0, colors::Lime);
  src.SetPixel(0, 1, colors::Blue);
  src.SetPixel(1, 1, colors::White);
  Image big = Image::Stretch(src, 4, 4);
  EXPECT_EQ(big.Pixel(0, 0), colors::Red);
  EXPECT_EQ(big.Pixel(1, 1), colors::Red);
  EXPECT_EQ(big.Pixel(2, 0), colors::Lime);
  EXPECT_EQ(big.Pixel(3, 3), colors::White);
  EXPECT_EQ(big.Pixel(0, 3), colors::Blue);
  Image inv(4, 4);
  Image::StretchInto(inv, {0, 0, 4, 4}, src, {0, 0, 2, 2}, true);
  EXPECT_EQ(inv.Pixel(0, 0), RGBColor(0, 255, 255));
  // Out-of-range accesses are ignored rather than corrupting memory.
  big.SetPixel(-1, 0, colors::Red);
  big.SetPixel(4, 4, colors::Red);
  EXPECT_EQ(big.Pixel(99, 99), colors::Black);
  // A destination rectangle partly outside the picture is clipped.
  Image::StretchInto(inv, {-2, -2, 6, 6}, src, {0, 0, 2, 2});
  EXPECT_EQ(inv.Pixel(0, 0), colors::Red);
}

TEST(Image, NegativeOrZeroSizeGivesAnEmptyPicture) {
  Image a(0, 10), b(-5, 3);
  EXPECT_TRUE(a.Empty());
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.ByteSize(), 0u);
}

TEST(NumberFormat, FloatsRoundTripWithEitherSeparator) {
  for (char sep : {'.', ','}) {
    ScopedDecimalSeparator s(sep);
    for (double v : {0.0, 1.5, -2.25, 0.1, 1e-300, 123456789.123, 2.0 / 3.0}) {
      std::string t = FloatToText(v);
      if (sep == ',') {
        EXPECT_EQ(t.find('.'), std::string::npos) << t;
      }
      double back = 0;
      ASSERT_TRUE(TextToFloat(t, back)) << t;
      EXPECT_EQ(back, v);
    }
  }
}

TEST(NumberFormat, ReadingAcceptsCommaAndDotAndRejectsGarbage) {
  double v = 0;
  EXPECT_TRUE(TextToFloat("3,5", v));
  EXPECT_EQ(v, 3.5);
  EXPECT_TRUE(TextToFloat(" -0.25 ", v));
  EXPECT_EQ(v, -0.25);
  EXPECT_TRUE(TextToFloat("+2e3", v));
  EXPECT_EQ(v, 2000.0);
  v = 42;
  EXPECT_FALSE(TextToFloat("", v));
  EXPECT_FALSE(TextToFloat("1.2.3x", v));
  EXPECT_FALSE(TextToFloat("abc", v));
  EXPECT_FALSE(TextToFloat("+", v));
  EXPECT_EQ(v, 42);
  long long i = 0;
  EXPECT_TRUE(TextToInt(" 12 ", i));
  EXPECT_EQ(i, 12);
  EXPECT_FALSE(TextToInt("12.5", i));
  EXPECT_FALSE(TextToInt("99999999999999999999", i));
}

// Documents and settings are read the same on a French desktop, whose C
// library reads "1,5" and stops at "1.5"; numbers beyond a double too.
TEST(NumberFormat, ReadingAndWritingAreTheSameUnderAFrenchNumericLocale) {
  test::FrenchNumericLocale french;
  ASSERT_TRUE(french.Active());
  double v = 0;
  EXPECT_TRUE(TextToFloat("1.5e400", v));
  EXPECT_EQ(v, HUGE_VAL);
  EXPECT_TRUE(TextToFloat("-2,5e400", v));
  EXPECT_EQ(v, -HUGE_VAL);
  EXPECT_TRUE(TextToFloat("2.5e-400", v));
  EXPECT_EQ(v, 0.0);
  EXPECT_EQ(FloatToText(0.125, 17, '.'), "0.125");
  char buf[16];
  {
    ScopedCNumericLocale cNumbers;
    std::snprintf(buf, sizeof buf, "%.1f", 0.5);
  }
  EXPECT_STREQ(buf, "0.5");
  // The scope ends: the process's locale is back.
  EXPECT_TRUE(french.Active());
}

TEST(NumberFormat, LimitedDigitsForCommandOutput) {
  EXPECT_EQ(FloatToText(1.0 / 3.0, 15, '.'), "0.333333333333333");
  EXPECT_EQ(FloatToText(2.5, 15, ','), "2,5");
  EXPECT_EQ(FloatToText(0.1, 17, '.'), "0.1");
  EXPECT_EQ(FloatToText(-0.0, 17, '.'), "0");
  EXPECT_EQ(FloatToText(-0.0), "0");
}

// The one general format of files, tables, dialogs and the calculator.
TEST(NumberFormat, GeneralFormatOfFilesTablesAndDialogs) {
  struct Case {
    double x;
    int digits;
    const char* text;
  } cases[] = {
      {0.04, 3, "0,04"},
      {1.0 / 3, 10, "0,3333333333"},
      {1.5e-7, 3, "1,5E-7"},
      {2e12, 3, "2E12"},
      {1e20, 15, "1E20"},
      {-1234567, 6, "-1,23457E6"},
      {123456, 6, "123456"},
      {0.00001, 15, "0,00001"},  // fixed down to 0.00001 ...
      {0.000009, 15, "9E-6"},    // ... and an exponent below
      {1.04083408558608e-16, 15, "1,04083408558608E-16"},
      {30.000000000000004, 6, "30"},
      {-0.0, 6, "0"},
      {0.1, 0, "0,1"},  // the shortest exact text
      {0.15000000000000002, 0, "0,15000000000000002"},
      {1e-300, 0, "1E-300"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatGeneral(c.x, c.digits, ','), c.text) << c.x;
  EXPECT_EQ(FormatGeneral(std::nan(""), 15, ','), "NAN");
  EXPECT_EQ(FormatGeneral(-INFINITY, 15, ','), "-INF");
  // Files: every text reads back to the same number.
  std::mt19937_64 rng(5);
  for (int i = 0; i < 2000; ++i) {
    double v = 0;
    const uint64_t bits = rng();
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) continue;
    double back = 0;
    const std::string t = FormatGeneral(v, 0, '.');
    ASSERT_TRUE(TextToFloat(t, back)) << t;
    EXPECT_EQ(back, v) << t;
  }
}

TEST(UserDlg, ReturnsButtonIndexAndForgetsLinesAndCheckBoxCaption) {
  test::ScriptedDialog script;
  TUserDlg dlg(&script);
  dlg.Icon = icConfirmation;
  dlg.AddButton("Oui", btOk);
  dlg.AddButton("Non", btAnnuler);
  dlg.AddLine("Première ligne\r\nDeuxième ligne", lkBullet, colors::Red);
  dlg.AddLine("");
  dlg.CheckBoxCaption = "Ne plus poser la question";
  script.Answer(1);
  script.checkAnswers.push_back(true);
  EXPECT_EQ(dlg.Execute(), 1);
  ASSERT_EQ(script.Count(), 1u);
  const auto& c = script.shown[0];
  ASSERT_EQ(c.lines.size(), 3u);
  EXPECT_EQ(c.lines[1].text, "Deuxième ligne");
  EXPECT_EQ(c.lines[1].kind, lkBullet);
  EXPECT_EQ(c.lines[1].color, colors::Red);
  EXPECT_EQ(c.lines[2].text, "");
  EXPECT_EQ(c.checkBoxCaption, "Ne plus poser la question");
  EXPECT_TRUE(dlg.CheckBoxCheck);
  EXPECT_TRUE(dlg.CheckBoxCaption.empty());
  EXPECT_TRUE(dlg.Lines().empty());
  // Icon and buttons stay set for the next run.
  EXPECT_EQ(dlg.Icon, icConfirmation);
  EXPECT_EQ(dlg.Buttons().size(), 2u);
  // The next run shows no check box and keeps CheckBoxCheck as the user left it.
  script.Answer(0);
  EXPECT_EQ(dlg.Execute(), 0);
  EXPECT_TRUE(script.shown[1].checkBoxCaption.empty());
  EXPECT_TRUE(dlg.CheckBoxCheck);
}

TEST(UserDlg, DisabledShowsNothingAndClosingKeepsPreviousResult) {
  test::ScriptedDialog script;
  TUserDlg dlg(&script);
  dlg.AddButton("A", btOk);
  dlg.AddButton("B", btOk);
  script.Answer(1);
  EXPECT_EQ(dlg.Execute(), 1);
  dlg.Disable();
  EXPECT_EQ(dlg.Execute(), 0);
  EXPECT_EQ(script.Count(), 1u);
  dlg.Enable();
  script.Answer(-1);  // window closed without a button
  EXPECT_EQ(dlg.Execute(), 1);
  dlg.SetButtonsMinWidth(5);
  EXPECT_EQ(dlg.ButtonsMinWidth(), 20);
}
