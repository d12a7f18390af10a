// kinevo-cli graph on a document with two systems: the pictures it writes
// and the window it reports, against ranges worked out here from the marks.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>

#include "core/common/ini_file.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/two_systems_document.h"

namespace kinevo {
namespace {

using T = test::TwoSystems;
constexpr int kMarks = T::kMarks;
constexpr double kPeriod = T::kPeriod;
double X0(int i) { return T::X0(i); }
double Y0(int i) { return T::Y0(i); }
double X1(int i) { return T::X1(i); }
double Y1(int i) { return T::Y1(i); }

struct Window {
  double xmin, xmax, ymin, ymax;
};

// The range rule of the graphs, written out for one axis.
void Widen(double& lo, double& hi, double m, bool fromZero) {
  if (fromZero && lo > 0) lo = 0;
  const double r = hi - lo;
  lo -= m * r;
  hi += m * r;
  if (fromZero) lo = 0;
}

Window ParseRanges(const std::string& out) {
  Window w{};
  const auto at = out.find("ranges: ");
  EXPECT_NE(at, std::string::npos) << out;
  std::sscanf(out.c_str() + at, "ranges: xmin=%lf xmax=%lf ymin=%lf ymax=%lf", &w.xmin, &w.xmax,
              &w.ymin, &w.ymax);
  return w;
}

class GraphCli : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(T::Write(dir.Path()).empty()); }
  test::ProgramRun Graph(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"graph", dir.File("doc.kvo")};
    args.insert(args.end(), extra.begin(), extra.end());
    return test::RunProgram(KINEVO_CLI_PATH, args);
  }
  test::TempDir dir{"kinevo_graph_cli"};
};

TEST_F(GraphCli, TimeViewOfXSharesItsRangeWithYAndStartsAtZero) {
  const auto r = Graph({"--view", "time", "--ranges", "-o", dir.File("t.svg")});
  ASSERT_EQ(r.status, 0) << r.err;
  // x and y of both systems, in metres, y upwards.
  double lo = 1e100, hi = -1e100;
  for (int i = 0; i < kMarks; ++i)
    for (double v : {2 * X0(i), -Y0(i), 2 * X1(i), -Y1(i)}) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  Widen(lo, hi, 0.05, false);
  double t0 = 0, t1 = (kMarks - 1) * kPeriod;
  Widen(t0, t1, 0.05, true);
  const Window w = ParseRanges(r.out);
  EXPECT_NEAR(w.xmin, t0, 1e-12);
  EXPECT_NEAR(w.xmax, t1, 1e-12);
  EXPECT_NEAR(w.ymin, lo, 1e-12);
  EXPECT_NEAR(w.ymax, hi, 1e-12);

  // The SVG is well-formed XML with drawing in it.
  QFile f(QString::fromStdString(dir.File("t.svg")));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&f);
  int elements = 0;
  bool svgRoot = false;
  while (!xml.atEnd())
    if (xml.readNext() == QXmlStreamReader::StartElement) {
      svgRoot |= elements == 0 && xml.name() == QStringLiteral("svg");
      ++elements;
    }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_TRUE(svgRoot);
  EXPECT_GT(elements, 20);
}

TEST_F(GraphCli, TrajectoryIsAtLeastAQuarterOfThePictureWithEqualScales) {
  // Only the second system, seen from the camera (systems are numbered
  // from 1).
  const auto r = Graph({"--view", "trajectory", "--systems", "2", "--size", "640x480", "--ranges",
                        "-o", dir.File("tr.png")});
  ASSERT_EQ(r.status, 0) << r.err;
  double xlo = 1e100, xhi = -1e100, ylo = 1e100, yhi = -1e100;
  for (int i = 0; i < kMarks; ++i)
    for (auto [x, y] : {std::pair{2 * X0(i), -Y0(i)}, std::pair{2 * X1(i), -Y1(i)}}) {
      xlo = std::min(xlo, x), xhi = std::max(xhi, x);
      ylo = std::min(ylo, y), yhi = std::max(yhi, y);
    }
  // The y spread (0.405 m) is already above a quarter of 1 m; x too.
  Widen(xlo, xhi, 0.1, false);
  Widen(ylo, yhi, 0.1, false);
  // Margins of a graph with one line of title on each axis.
  const double plotW = 640 - 85 - 20, plotH = 480 - 20 - 55;
  const double u = std::max((xhi - xlo) / plotW, (yhi - ylo) / plotH);
  const Window w = ParseRanges(r.out);
  EXPECT_NEAR(w.xmax - w.xmin, u * plotW, 1e-12);
  EXPECT_NEAR(w.ymax - w.ymin, u * plotH, 1e-12);
  EXPECT_NEAR((w.xmin + w.xmax) / 2, (xlo + xhi) / 2, 1e-12);
  EXPECT_NEAR((w.ymin + w.ymax) / 2, (ylo + yhi) / 2, 1e-12);

  // The picture is the asked size and not blank: the blue curve is there.
  QImage img(QString::fromStdString(dir.File("tr.png")));
  ASSERT_EQ(img.size(), QSize(640, 480));
  std::set<QRgb> colours;
  int blue = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QColor c = img.pixelColor(x, y);
      colours.insert(c.rgb());
      blue += c.blue() > 200 && c.red() < 60 && c.green() < 60;
    }
  EXPECT_GT(colours.size(), 20u);
  EXPECT_GT(blue, 30);
}

TEST_F(GraphCli, ShortMotionSeenFromItselfIsWidenedToAQuarter) {
  const auto r = Graph({"--view", "trajectory", "--reference", "2", "--systems", "2", "--ranges",
                        "-o", dir.File("self.pdf")});
  ASSERT_EQ(r.status, 0) << r.err;
  const Window w = ParseRanges(r.out);
  // System 1 seen from itself is one point at the origin, but the window
  // holds the other system seen from it and is at least 0.5 m by 0.25 m.
  EXPECT_GE(w.xmax - w.xmin, 0.5 * 1.2 - 1e-12);
  EXPECT_GE(w.ymax - w.ymin, 0.25 * 1.2 - 1e-12);
  EXPECT_LE(w.xmin, 0.0);
  EXPECT_GE(w.xmax, 0.0);
  QFile pdf(QString::fromStdString(dir.File("self.pdf")));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5) == "%PDF-");
}

// System 1 stands still at x = y = 0.5 m (the origin moved to the bottom
// left corner), its marks written apart in their last digits, as a document
// saved elsewhere may hold them.
void StillSystemOne(const std::string& doc) {
  TIniFile ini(doc);
  ini.WriteFloat("Data", "OrigineCurrentYCoordinate_Grid", 1);
  for (int i = 0; i < kMarks; ++i) {
    const std::string s = "_Grid_" + std::to_string(i) + "_1";
    ini.WriteString("Data", "MarkXCoordinate" + s, i % 2 ? "0.25000000000000006" : "0.25");
    ini.WriteString("Data", "MarkYCoordinate" + s, i % 2 ? "0.50000000000000011" : "0.5");
  }
  ASSERT_TRUE(ini.UpdateFile());
}

TEST_F(GraphCli, APointAtRestIsShownAtItsValueWithinFivePercent) {
  StillSystemOne(dir.File("doc.kvo"));
  auto r = Graph({"--view", "time", "--quantity", "x", "--systems", "2", "--ranges", "-o",
                  dir.File("rest.svg")});
  ASSERT_EQ(r.status, 0) << r.err;
  const Window w = ParseRanges(r.out);
  // 0.5 ± 5 %.
  EXPECT_NEAR(w.ymin, 0.5 - 0.025, 1e-9);
  EXPECT_NEAR(w.ymax, 0.5 + 0.025, 1e-9);
  // Its constant model has no correlation with the data.
  r = test::RunProgram(KINEVO_CLI_PATH, {"fit", dir.File("doc.kvo"), "--system", "2", "--y", "x",
                                         "--model", "constant"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\ncorrelation = 0\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("r = 0.5 ± "), std::string::npos) << r.out;
}

TEST_F(GraphCli, TheFittedModelAndItsBoxAreDrawn) {
  auto r = Graph({"--view", "time", "--quantity", "y", "--systems", "1", "--model", "parabola",
                  "-o", dir.File("model.svg")});
  ASSERT_EQ(r.status, 0) << r.err;
  QFile svg(QString::fromStdString(dir.File("model.svg")));
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(svg.readAll());
  for (const char* line : {"Modèle: y = r + b.t + c.t²", "écart quadratique moyen", " m/s²"})
    EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line;
  EXPECT_TRUE(text.contains("#009696", Qt::CaseInsensitive)) << "the model's curve";

  // In a PDF the box is text that can be selected.
  r = Graph({"--view", "trajectory", "--systems", "1", "--model", "parabola", "-o",
             dir.File("model.pdf")});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto pdf = test::RunProgram("/usr/bin/pdftotext", {dir.File("model.pdf"), "-"});
  ASSERT_EQ(pdf.status, 0) << pdf.err;
  EXPECT_NE(pdf.out.find("Modèle: y = r + b.x + c.x²"), std::string::npos) << pdf.out;
  EXPECT_NE(pdf.out.find("m⁻¹"), std::string::npos) << pdf.out;

  // One curve only; no model on vectors.
  r = Graph({"--view", "time", "--model", "line", "-o", dir.File("two.svg")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("une seule courbe"), std::string::npos) << r.err;
  EXPECT_EQ(Graph({"--view", "vectors", "--model", "line", "-o", dir.File("v.svg")}).status, 2);
  EXPECT_EQ(Graph({"--view", "time", "--model", "cubic", "-o", dir.File("c.svg")}).status, 2);
}

TEST_F(GraphCli, BadRequestsAreRefusedWithoutAFile) {
  EXPECT_EQ(Graph({"--view", "sideways", "-o", dir.File("a.svg")}).status, 2);
  EXPECT_EQ(Graph({"--view", "time", "--quantity", "z", "-o", dir.File("a.svg")}).status, 2);
  EXPECT_EQ(Graph({"--view", "time", "-o", dir.File("a.gif")}).status, 2);
  EXPECT_EQ(Graph({"--view", "time", "--size", "20x20", "-o", dir.File("a.svg")}).status, 2);
  // Systems are numbered from 1: 0 is no system.
  EXPECT_EQ(Graph({"--view", "time", "--systems", "0", "-o", dir.File("a.svg")}).status, 2);
  const auto r = Graph({"--view", "time", "--systems", "1,8", "-o", dir.File("a.svg")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Le point 8 n'existe pas."), std::string::npos) << r.err;
  EXPECT_FALSE(r.err.empty());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.File("a.svg"))));
}

// Qt's English diagnostics never reach the user: a runtime folder open to
// others makes Qt complain, yet the command prints nothing on stderr.
TEST_F(GraphCli, QtsOwnDiagnosticsStayQuiet) {
  const std::string runtime = dir.File("runtime");
  ASSERT_EQ(mkdir(runtime.c_str(), 0755), 0);
  const char* old = std::getenv("XDG_RUNTIME_DIR");
  const std::string kept = old != nullptr ? old : "";
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  const auto r = Graph({"--view", "time", "-o", dir.File("a.png")});
  if (old != nullptr)
    setenv("XDG_RUNTIME_DIR", kept.c_str(), 1);
  else
    unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace kinevo
