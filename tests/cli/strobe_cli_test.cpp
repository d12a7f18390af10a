// kinevo-cli strobe on a generated throw (a real video and a real
// document): the ball of every chosen image copied in at its true place,
// the background where skipped images had it, and the numbers and speed
// vectors drawn where the marks and an independent derivation of the
// known path put them.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <regex>
#include <vector>

#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/throw_document.h"

namespace kinevo {
namespace {

using T = test::Throw;

struct Segment {
  double x1, y1, x2, y2;
  QString stroke;
};
struct Text {
  double x, y;
  QString text;
};
// What an SVG draws, with the translations of its groups applied.
struct SvgContent {
  std::vector<Segment> segments;
  std::vector<Text> texts;
};

// The translation of a "matrix(a,b,c,d,e,f)" transform.
QPointF Shift(const QString& transform) {
  static const QRegularExpression m(R"(matrix\(([^)]*)\))");
  const auto match = m.match(transform);
  if (!match.hasMatch()) return {};
  const QStringList v = match.captured(1).split(',');
  return v.size() == 6 ? QPointF(v[4].toDouble(), v[5].toDouble()) : QPointF();
}

std::vector<QPointF> Numbers(const QString& text, QPointF shift) {
  static const QRegularExpression number(R"(-?[0-9.]+(?:e-?[0-9]+)?)");
  std::vector<double> v;
  for (auto it = number.globalMatch(text); it.hasNext();)
    v.push_back(it.next().captured().toDouble());
  std::vector<QPointF> pts;
  for (std::size_t i = 0; i + 1 < v.size(); i += 2) pts.push_back(QPointF(v[i], v[i + 1]) + shift);
  return pts;
}

SvgContent ReadSvg(const std::string& path) {
  SvgContent out;
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return out;
  QXmlStreamReader xml(&f);
  std::vector<std::pair<QString, QPointF>> groups{{"none", {}}};  // stroke, shift
  while (!xml.atEnd()) {
    const auto token = xml.readNext();
    if (token == QXmlStreamReader::EndElement && xml.name() == QStringLiteral("g"))
      groups.pop_back();
    if (token != QXmlStreamReader::StartElement) continue;
    const auto a = xml.attributes();
    const QString stroke =
        a.hasAttribute("stroke") ? a.value("stroke").toString() : groups.back().first;
    const QPointF shift = groups.back().second + Shift(a.value("transform").toString());
    const QString name = xml.name().toString();
    if (name == "g") {
      groups.push_back({stroke, shift});
    } else if (name == "polyline" || name == "path") {
      const auto pts = Numbers(a.value(name == "path" ? "d" : "points").toString(), shift);
      for (std::size_t i = 0; i + 1 < pts.size(); ++i)
        out.segments.push_back({pts[i].x(), pts[i].y(), pts[i + 1].x(), pts[i + 1].y(), stroke});
    } else if (name == "text") {
      const QPointF at = QPointF(a.value("x").toDouble(), a.value("y").toDouble()) + shift;
      out.texts.push_back({at.x(), at.y(), xml.readElementText()});
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return out;
}

bool SameColour(QRgb a, TColor b, int tolerance) {
  return std::abs(qRed(a) - RedOf(b)) <= tolerance &&
         std::abs(qGreen(a) - GreenOf(b)) <= tolerance &&
         std::abs(qBlue(a) - BlueOf(b)) <= tolerance;
}

class StrobeCli : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE((doc = test::WriteThrowDocument(dir.Path())).empty()); }
  test::ProgramRun Strobe(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"strobe", doc};
    args.insert(args.end(), extra.begin(), extra.end());
    return test::RunProgram(KINEVO_CLI_PATH, args);
  }
  test::TempDir dir{"kinevo_strobe_cli"};
  std::string doc;
};

TEST_F(StrobeCli, TheChosenBallsAreCopiedInAndTheSkippedOnesLeaveTheBackground) {
  const auto r = Strobe({"--every", "2", "-o", dir.File("c.png")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "images: 10\n");
  const QImage img(QString::fromStdString(dir.File("c.png")));
  ASSERT_EQ(img.width(), T::kWidth);
  ASSERT_EQ(img.height(), T::kHeight);
  for (int i = 0; i < T::kImages; ++i) {
    const int x = static_cast<int>(T::X(i)), y = static_cast<int>(T::Y(i));
    if (i % 2 == 0) {
      // Inside the ball, left of the mark drawn on its centre and clear of
      // its number below.
      EXPECT_TRUE(SameColour(img.pixel(x - 6, y), test::kBallColour, 2)) << "image " << i;
    } else {
      // The skipped ball's place, clear of the marks on either side.
      EXPECT_TRUE(SameColour(img.pixel(x + 2, y - 4), T::Background(x + 2, y - 4), 2))
          << "image " << i;
    }
  }
  // The whole picture without the marks is the still background elsewhere.
  EXPECT_TRUE(SameColour(img.pixel(300, 60), T::Background(300, 60), 2));

  // A range and one system (numbered from 1).
  const auto some = Strobe({"--images", "4-9", "--system", "1", "-o", dir.File("r.png")});
  ASSERT_EQ(some.status, 0) << some.err;
  EXPECT_EQ(some.out, "images: 6\n");
  const auto none = Strobe({"--system", "2", "-o", dir.File("n.png")});
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("Le point 2 n'existe pas."), std::string::npos) << none.err;
  EXPECT_EQ(Strobe({"--threshold", "300", "-o", dir.File("t.png")}).status, 2);
  EXPECT_EQ(Strobe({"-o", dir.File("t.jpg")}).status, 2);
}

TEST_F(StrobeCli, NumbersAndSpeedVectorsAreDrawnWhereTheMarksAndTheMotionSay) {
  const auto r = Strobe({"--every", "2", "--vectors", "speed", "-o", dir.File("v.svg")});
  ASSERT_EQ(r.status, 0) << r.err;
  const SvgContent svg = ReadSvg(dir.File("v.svg"));

  // The scale arrow: its value and its length in pixels.
  double value = 0, arrowPixels = 0;
  for (const Text& t : svg.texts) {
    static const std::regex unit(R"(([0-9]+(?:[.,][0-9]+)?) m/s)");
    std::smatch m;
    const std::string s = t.text.toStdString();
    if (std::regex_match(s, m, unit)) {
      std::string v = m[1];
      std::replace(v.begin(), v.end(), ',', '.');
      value = std::stod(v);
    }
  }
  for (const Segment& s : svg.segments)
    if (s.stroke == "#000000" && std::abs(s.y1 - s.y2) < 0.5 && std::abs(s.x1 - 20) < 0.5 &&
        std::abs(s.y1 - 36) < 0.5)
      arrowPixels = std::max(arrowPixels, s.x2 - s.x1);
  ASSERT_GT(value, 0);
  ASSERT_GT(arrowPixels, 10);
  const double pixelsPerSpeed = arrowPixels / value;  // pixels per m/s

  for (int i = 0; i < T::kImages; i += 2) {
    const double x = std::round(T::X(i)), y = std::round(T::Y(i));
    // The number of the mark (images from 1) just below it.
    bool numbered = false;
    for (const Text& t : svg.texts)
      numbered |= t.text == QString::number(i + 1) && std::abs(t.x - (x - 2)) <= 1.5 &&
                  t.y > y + 4 && t.y < y + 4 + 20;
    EXPECT_TRUE(numbered) << "image " << i;
    if (i == 0) continue;  // an end point: its speed is extrapolated
    // Central differences of the known path are exact for a parabola.
    const double tipX = x + T::Vx(i) / T::kPixelsPerMetre * pixelsPerSpeed;
    const double tipY = y + T::Vy(i) / T::kPixelsPerMetre * pixelsPerSpeed;
    bool drawn = false;
    for (const Segment& s : svg.segments)
      drawn |= s.stroke == "#0000ff" && std::hypot(s.x1 - x, s.y1 - y) <= 1 &&
               std::hypot(s.x2 - tipX, s.y2 - tipY) <= 2;
    EXPECT_TRUE(drawn) << "image " << i << ": arrow to " << tipX << ", " << tipY;
  }

  // PDF: one page of vectors too.
  ASSERT_EQ(Strobe({"--vectors", "acceleration", "-o", dir.File("a.pdf")}).status, 0);
  EXPECT_EQ(test::ReadFileBytes(dir.File("a.pdf")).substr(0, 5), "%PDF-");
}

}  // namespace
}  // namespace kinevo
