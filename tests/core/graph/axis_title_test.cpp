// A title longer than its axis (the names of thousands of formulas, or a
// formula of 20,000 characters as the vertical title) is cut at a character
// boundary and ends with "...", found with a few measures of the text, not
// one per character.
#include <gtest/gtest.h>

#include "core/graph/axis.h"
#include "support/recording_canvas.h"

namespace kinevo {
namespace {

// Counts the measures of long texts (the tick labels are short).
class MeasuringCanvas : public test::RecordingCanvas {
 public:
  int longMeasures = 0;
  TTextSize TextExtent(const std::string& text) override {
    if (text.size() > 60) ++longMeasures;
    return RecordingCanvas::TextExtent(text);
  }
};

TEST(AxisTitle, ALongTitleIsCutToTheAxisAfterAFewMeasures) {
  // 7 pixels a byte over an axis of 400 pixels, with room for "....": 53
  // bytes, so 53 one-byte or 26 two-byte characters.
  for (const auto& [character, kept] : {std::pair<std::string, int>{"f", 53}, {"é", 26}}) {
    TAxe axis(TAxe::aoHorizontal);
    std::string title;
    for (int i = 0; i < 20000; ++i) title += character;
    axis.title = {title, "court"};
    axis.SetBounds({0, 500, 600, 580}, 600, 600);
    MeasuringCanvas canvas;
    axis.Draw(canvas, TPlotRect{50, 10, 400, 480});

    std::string shortened;
    bool whole = false;
    for (const auto& call : canvas.Of("text")) {
      if (call.text.size() >= 3 && call.text.compare(call.text.size() - 3, 3, "...") == 0)
        shortened = call.text;
      whole = whole || call.text == "court";
    }
    std::string expected;
    for (int i = 0; i < kept; ++i) expected += character;
    EXPECT_EQ(shortened, expected + "...") << character;
    EXPECT_TRUE(whole) << "a title that fits is drawn whole";
    EXPECT_LE(canvas.longMeasures, 12) << character;
  }
}

}  // namespace
}  // namespace kinevo
