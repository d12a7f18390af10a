// Writes the demonstration analysis: a short video of a ball thrown in front
// of a one-metre ruler (lancer.avi, written by the program's own AVI
// writer) and a document (lancer.kvo) with its scale on the ruler, the
// origin at the ball's start and the first ten images already marked, so
// that a newcomer sees a working analysis and can go on marking.
//
//   make_demo OUTPUT_FOLDER
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/common/image.h"
#include "core/common/ini_file.h"
#include "core/common/number_format.h"
#include "platform/avi/avi_writer.h"

using namespace kinevo;

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kImages = 28;
constexpr double kRate = 25;
constexpr double kPixelsPerMetre = 200;
constexpr int kRulerLeft = 220, kRulerRight = 420, kRulerTop = 448, kRulerBottom = 462;
constexpr double kStartX = 60, kStartY = 420;      // ball centre at t = 0, pixels
constexpr double kVx = 2.5, kVy = 4.9, kG = 9.81;  // m/s, m/s, m/s^2
constexpr int kBallRadius = 10;
constexpr int kMarkedImages = 10;

void FillRect(Image& im, int x0, int y0, int x1, int y1, TColor c) {
  for (int y = std::max(0, y0); y < std::min(im.Height(), y1); ++y)
    for (int x = std::max(0, x0); x < std::min(im.Width(), x1); ++x) im.SetPixel(x, y, c);
}

// The ball's centre on image k, in pixels.
void BallAt(int k, double& x, double& y) {
  const double t = k / kRate;
  const double flight = 2 * kVy / kG;
  const double tf = std::min(t, flight);
  x = kStartX + kVx * t * kPixelsPerMetre;
  y = kStartY - (kVy * tf - kG * tf * tf / 2) * kPixelsPerMetre;
}

Image Picture(int k) {
  Image im(kWidth, kHeight);
  // A pale wall fading downwards, and a floor.
  for (int y = 0; y < kHeight; ++y) {
    const int shade = 235 - y * 30 / kHeight;
    FillRect(im, 0, y, kWidth, y + 1, RGBColor(shade - 20, shade - 5, shade));
  }
  FillRect(im, 0, 431, kWidth, kHeight, RGBColor(150, 120, 90));
  // The ruler: ten alternating decimetres, with a tick every 5 cm.
  for (int d = 0; d < 10; ++d) {
    const int x0 = kRulerLeft + d * 20;
    FillRect(im, x0, kRulerTop, x0 + 20, kRulerBottom,
             d % 2 == 0 ? RGBColor(250, 250, 250) : RGBColor(30, 30, 30));
  }
  FillRect(im, kRulerLeft - 1, kRulerTop - 6, kRulerLeft + 1, kRulerBottom, RGBColor(200, 0, 0));
  FillRect(im, kRulerRight - 1, kRulerTop - 6, kRulerRight + 1, kRulerBottom, RGBColor(200, 0, 0));
  // The ball, with a lighter spot.
  double bx = 0, by = 0;
  BallAt(k, bx, by);
  for (int y = -kBallRadius; y <= kBallRadius; ++y)
    for (int x = -kBallRadius; x <= kBallRadius; ++x) {
      if (x * x + y * y > kBallRadius * kBallRadius) continue;
      const int px = static_cast<int>(std::lround(bx)) + x,
                py = static_cast<int>(std::lround(by)) + y;
      if (px < 0 || py < 0 || px >= kWidth || py >= kHeight) continue;
      const bool spot = (x + 4) * (x + 4) + (y + 4) * (y + 4) < 10;
      im.SetPixel(px, py, spot ? RGBColor(255, 220, 180) : RGBColor(240, 110, 20));
    }
  return im;
}

bool WriteVideo(const std::string& path) {
  avi::TAviWriter w;
  if (!w.Open(path, kWidth, kHeight, static_cast<uint32_t>(kRate), 1)) {
    std::fprintf(stderr, "make_demo: %s\n", w.Error().c_str());
    return false;
  }
  for (int k = 0; k < kImages; ++k)
    if (!w.WriteFrame(Picture(k))) break;
  if (!w.Close()) {
    std::fprintf(stderr, "make_demo: %s\n", w.Error().c_str());
    return false;
  }
  return true;
}

bool WriteDocument(const std::string& path, const std::string& video) {
  TIniFile ini(path);
  ini.WriteInteger("Main", "Version", 340000);
  ini.WriteString("Main", "VideoFileName", video);
  ini.WriteFloat("Data", "RequiredDuration", 1 / kRate);
  ini.WriteInteger("Data", "FramesNumberBetweenTwoMarks", 1);
  ini.WriteInteger("Data", "MarkColorsNumber", 1);
  ini.WriteInteger("Data", "MarkColor_0", 0x0000FF);
  ini.WriteInteger("Data", "ElementColor", 65535);
  ini.WriteInteger("Data", "ElementSize", 1);
  // The fixed frame: the origin at the ball's start, x to the right, y up.
  ini.WriteBool("Data", "DirectYAxisDirection_Grid", true);
  ini.WriteBool("Data", "DirectXAxisDirection_Grid", true);
  ini.WriteFloat("Data", "OrigineCurrentXCoordinate_Grid", kStartX / kWidth);
  ini.WriteFloat("Data", "OrigineCurrentYCoordinate_Grid", kStartY / kHeight);
  ini.WriteInteger("Data", "OriginePointsNumber_Grid", 1);
  ini.WriteFloat("Data", "XAxisAngle_Grid", 0);
  ini.WriteFloat("Data", "YAxisAngle_Grid", 0);
  // The scale: the two red ends of the ruler, one metre apart.
  const double sy = (kRulerTop + kRulerBottom) / 2.0 / kHeight;
  ini.WriteInteger("Data", "ScalePointsNumber", 2);
  ini.WriteFloat("Data", "ScalePoint1XCoordinate", static_cast<double>(kRulerLeft) / kWidth);
  ini.WriteFloat("Data", "ScalePoint1YCoordinate", sy);
  ini.WriteFloat("Data", "ScalePoint2XCoordinate", static_cast<double>(kRulerRight) / kWidth);
  ini.WriteFloat("Data", "ScalePoint2YCoordinate", sy);
  ini.WriteFloat("Data", "ScaleLength", 1);
  ini.WriteInteger("Data", "ScaleHorizPointsNumber", 0);
  ini.WriteInteger("Data", "ScaleVertPointsNumber", 0);
  // The Grid marks: one system, the first images marked.
  const std::string g = "_Grid";
  ini.WriteInteger("Data", "MarksNumberPosition" + g, 1);
  ini.WriteBool("Data", "MarksIsAllDrawn" + g, true);
  ini.WriteInteger("Data", "MarksNumberToDraw" + g, 1);
  ini.WriteInteger("Data", "CurrentMarkOrderNumber" + g, 0);
  ini.WriteInteger("Data", "MarksNumberPerFrame" + g, 1);
  ini.WriteInteger("Data", "SystemNamesNumber" + g, 1);
  ini.WriteString("Data", "SystemName" + g + "_0", "de la balle");
  ini.WriteInteger("Data", "MarksContainersNumber" + g, kMarkedImages);
  for (int i = 0; i < kMarkedImages; ++i) {
    const std::string s = g + "_" + std::to_string(i);
    double bx = 0, by = 0;
    BallAt(i, bx, by);
    ini.WriteInteger("Data", "MarksContainerFrameNumber" + s, i);
    ini.WriteInteger("Data", "MarksContainerMarkNumber" + s, i);
    ini.WriteInteger("Data", "MarksContainerMarksNumber" + s, 1);
    ini.WriteInteger("Data", "MarkOrderNumber" + s + "_0", 0);
    ini.WriteFloat("Data", "MarkXCoordinate" + s + "_0", bx / kWidth);
    ini.WriteFloat("Data", "MarkYCoordinate" + s + "_0", by / kHeight);
  }
  ini.WriteInteger("Data", "SystemNamesNumber_Layer", 0);
  ini.WriteInteger("Data", "MarksContainersNumber_Layer", 0);
  // The view shows the next image to mark, in Grid marking.
  ini.WriteInteger("Video", "ImageNumber", kMarkedImages);
  ini.WriteInteger("Video", "MarkingMode", 0);
  ini.WriteInteger("Montage", "VisibleImagesNumber", kImages);
  for (int i = 0; i < kImages; ++i)
    ini.WriteBool("Montage", "IsVisibleImage_" + std::to_string(i), true);
  ini.WriteInteger("Montage", "TimeShiftsNumber", 0);
  ini.WriteInteger("Formules", "FormulesNumber", 0);
  ini.WriteInteger("Formules", "ConstantesNumber", 0);
  if (const kinevo::TStatus saved = ini.SaveToFile(path); !saved) {
    std::fprintf(stderr, "make_demo: %s\n", saved.error().Text().c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo OUTPUT_FOLDER\n");
    return 2;
  }
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path dir = fs::absolute(argv[1], ec);
  fs::create_directories(dir, ec);
  const std::string video = (dir / "lancer.avi").string();
  const std::string doc = (dir / "lancer.kvo").string();
  // The document's numbers use the user's separator, as the program writes them.
  SetDecimalSeparator(LocaleDecimalSeparator());
  if (!WriteVideo(video) || !WriteDocument(doc, video)) return 1;
  std::printf("%s\n%s\n", video.c_str(), doc.c_str());
  return 0;
}
