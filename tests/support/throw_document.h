#pragma once
// The generated throw (throw_scene.h) as a real video, written uncompressed
// so that every pixel is known, and its document: the ball's true centre
// marked on every image, a scale of 3.2 m across the picture's width near
// its bottom (100 pixels per metre), the origin at pixel (32, 216), 0.04 s
// between images.
#include <string>

#include "core/common/ini_file.h"
#include "platform/avi/avi_writer.h"
#include "support/throw_scene.h"

namespace kinevo::test {

// Writes the video and the document in `folder`; the document's path
// (empty on failure).
inline std::string WriteThrowDocument(const std::string& folder) {
  using T = Throw;
  const std::string video = folder + "/lancer.avi", doc = folder + "/lancer.kvo";
  avi::TAviWriter w;
  if (!w.Open(video, T::kWidth, T::kHeight, 25, 1, {})) return {};
  for (int i = 0; i < T::kImages; ++i)
    if (!w.WriteFrame(T::Picture(i))) return {};
  if (!w.Close()) return {};
  TIniFile ini(doc);
  ini.WriteInteger("Main", "Version", 340000);
  ini.WriteString("Main", "VideoFileName", video);
  ini.WriteFloat("Data", "RequiredDuration", T::kPeriod);
  ini.WriteInteger("Data", "MarkColorsNumber", 1);
  ini.WriteInteger("Data", "MarkColor_0", 0xFF0000);  // blue
  ini.WriteInteger("Data", "OriginePointsNumber_Grid", 1);
  ini.WriteFloat("Data", "OrigineCurrentXCoordinate_Grid", 0.1);
  ini.WriteFloat("Data", "OrigineCurrentYCoordinate_Grid", 0.9);
  ini.WriteInteger("Data", "ScalePointsNumber", 2);
  ini.WriteFloat("Data", "ScalePoint1XCoordinate", 0);
  ini.WriteFloat("Data", "ScalePoint1YCoordinate", 0.97);
  ini.WriteFloat("Data", "ScalePoint2XCoordinate", 1);
  ini.WriteFloat("Data", "ScalePoint2YCoordinate", 0.97);
  ini.WriteFloat("Data", "ScaleLength", T::kWidth / T::kPixelsPerMetre);
  ini.WriteInteger("Data", "MarksNumberPerFrame_Grid", 1);
  ini.WriteInteger("Data", "MarksContainersNumber_Grid", T::kImages);
  for (int i = 0; i < T::kImages; ++i) {
    const std::string s = "_Grid_" + std::to_string(i);
    ini.WriteInteger("Data", "MarksContainerFrameNumber" + s, i);
    ini.WriteInteger("Data", "MarksContainerMarkNumber" + s, i);
    ini.WriteInteger("Data", "MarksContainerMarksNumber" + s, 1);
    ini.WriteInteger("Data", "MarkOrderNumber" + s + "_0", 0);
    ini.WriteFloat("Data", "MarkXCoordinate" + s + "_0", T::X(i) / T::kWidth);
    ini.WriteFloat("Data", "MarkYCoordinate" + s + "_0", T::Y(i) / T::kHeight);
  }
  ini.WriteInteger("Montage", "VisibleImagesNumber", T::kImages);
  return ini.UpdateFile() ? doc : std::string();
}

}  // namespace kinevo::test
