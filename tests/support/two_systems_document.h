#pragma once
// A document with two systems for the results and graph tests: a 200 x 100
// video of 12 images, marks on images 0 .. 9, the origin at the top-left
// corner, axes not rotated, a scale of 2 m over the picture's width (so
// 1 m over its height), 0.04 s between images.
//   System 0 ("Balle") falls along a parabola: x = 0.05 i, y = 0.1 + 0.005 i²
//   System 1 ("Bulle") rises slowly on the right: x = 0.5, y = 0.5 - 0.02 i
// (picture fractions, y downwards).
#include <string>

#include "core/common/ini_file.h"
#include "support/test_videos_avi.h"

namespace kinevo::test {

struct TwoSystems {
  static constexpr int kMarks = 10;
  static constexpr double kPeriod = 0.04;
  static double X0(int i) { return 0.05 * i; }
  static double Y0(int i) { return 0.1 + 0.005 * i * i; }
  static double X1(int) { return 0.5; }
  static double Y1(int i) { return 0.5 - 0.02 * i; }

  // Writes the video and the document in `folder`; the document's path.
  static std::string Write(const std::string& folder) {
    const std::string video = folder + "/v.avi", doc = folder + "/doc.kvo";
    if (!WriteIndexedAvi(video, 200, 100, 12)) return {};
    TIniFile ini(doc);
    ini.WriteInteger("Main", "Version", 340000);
    ini.WriteString("Main", "VideoFileName", video);
    ini.WriteFloat("Data", "RequiredDuration", kPeriod);
    ini.WriteInteger("Data", "MarkColorsNumber", 2);
    ini.WriteInteger("Data", "MarkColor_0", 255);       // red
    ini.WriteInteger("Data", "MarkColor_1", 0xFF0000);  // blue
    ini.WriteInteger("Data", "OriginePointsNumber_Grid", 1);
    ini.WriteFloat("Data", "OrigineCurrentXCoordinate_Grid", 0);
    ini.WriteFloat("Data", "OrigineCurrentYCoordinate_Grid", 0);
    ini.WriteInteger("Data", "ScalePointsNumber", 2);
    ini.WriteFloat("Data", "ScalePoint1XCoordinate", 0);
    ini.WriteFloat("Data", "ScalePoint1YCoordinate", 0.5);
    ini.WriteFloat("Data", "ScalePoint2XCoordinate", 1);
    ini.WriteFloat("Data", "ScalePoint2YCoordinate", 0.5);
    ini.WriteFloat("Data", "ScaleLength", 2);
    ini.WriteInteger("Data", "MarksNumberPerFrame_Grid", 2);
    ini.WriteInteger("Data", "SystemNamesNumber_Grid", 2);
    ini.WriteString("Data", "SystemName_Grid_0", "Balle");
    ini.WriteString("Data", "SystemName_Grid_1", "Bulle");
    ini.WriteInteger("Data", "MarksContainersNumber_Grid", kMarks);
    for (int i = 0; i < kMarks; ++i) {
      const std::string s = "_Grid_" + std::to_string(i);
      ini.WriteInteger("Data", "MarksContainerFrameNumber" + s, i);
      ini.WriteInteger("Data", "MarksContainerMarkNumber" + s, 2 * i);
      ini.WriteInteger("Data", "MarksContainerMarksNumber" + s, 2);
      ini.WriteInteger("Data", "MarkOrderNumber" + s + "_0", 0);
      ini.WriteFloat("Data", "MarkXCoordinate" + s + "_0", X0(i));
      ini.WriteFloat("Data", "MarkYCoordinate" + s + "_0", Y0(i));
      ini.WriteInteger("Data", "MarkOrderNumber" + s + "_1", 1);
      ini.WriteFloat("Data", "MarkXCoordinate" + s + "_1", X1(i));
      ini.WriteFloat("Data", "MarkYCoordinate" + s + "_1", Y1(i));
    }
    ini.WriteInteger("Montage", "VisibleImagesNumber", 12);
    return ini.UpdateFile() ? doc : std::string();
  }
};

}  // namespace kinevo::test
