// Conversion of documents written by the oldest versions, which kept one
// value per line in a fixed order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/document/kvo.h"

using namespace kinevo;

namespace {

// Lines of an old document: one formula, no constant, Layer mode, two Grid
// systems, two colours plus the element colour, one Grid container with two
// marks, one Layer container with one mark, a three-image montage.
std::vector<std::string> OldDocument(bool starredDirections, bool starredScale) {
  std::vector<std::string> l = {
      "C:\\videos\\chute.avi", "0,04",
      "1", "Ec", "0.5*m*v^2", "énergie", "J",
      "0",
      "tsp",
      "Pointer",
      "2", "1", "12",
      "3", "65535", "255", "16711680",
      "2", "Balle", "Caisse",
      "1", "Repère"};
  if (starredDirections) {
    l.insert(l.end(), {"*0", "ignored", "1"});
  } else {
    l.push_back("0");
  }
  l.insert(l.end(), {"1", "0.25", "0.75", "0.1", "0.2"});
  for (int i = 0; i < 9; ++i) l.push_back("skip-grid");
  l.insert(l.end(), {"1"});  // layer y direction, no star
  for (int i = 0; i < 5; ++i) l.push_back("skip-layer");
  l.insert(l.end(), {"0.3", "0.4", "skip", "skip", "0.6", "0.7"});
  l.insert(l.end(), {"3", "skip", "skip", "0.11", "0.12", "0.21", "0.22"});
  l.insert(l.end(), {"2", "0.1", "0.2", "0.3", "0.4"});
  if (starredScale) {
    l.insert(l.end(), {"*1.5", "skip", "2", "0", "0", "1", "0", "3", "2", "0", "0", "0", "1", "4",
                       "skip"});
  } else {
    l.push_back("1.5");
  }
  l.push_back("skip");
  // Grid marks.
  l.insert(l.end(), {"1", "3", "1", "7", "0", "2", "0", "0.5", "0.5", "1", "0.6", "0.55"});
  l.push_back("skip");
  // Layer marks.
  l.insert(l.end(), {"0", "1", "1", "9", "0", "1", "0", "-0.1", "0.2"});
  // Montage.
  l.insert(l.end(), {"3", "1", "0", "1", "2", "0", "-1"});
  return l;
}

}  // namespace

TEST(OldLayout, ConvertsEveryValueToItsKey) {
  TIniFile ini;
  ConvertOldLayoutLines(OldDocument(false, false), ini);
  EXPECT_EQ(ini.ReadInteger("Main", "Version", 0), kKvoConvertedVersion);
  EXPECT_EQ(ini.ReadString("Main", "VideoFileName"), "C:\\videos\\chute.avi");
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Data", "RequiredDuration", 0), 0.04);
  EXPECT_EQ(ini.ReadInteger("Formules", "FormulesNumber", -1), 1);
  EXPECT_EQ(ini.ReadString("Record", "RecordFormulePhrase_0"), "0.5*m*v^2");
  EXPECT_EQ(ini.ReadString("Record", "RecordFormuleUnit_0"), "J");
  EXPECT_EQ(ini.ReadInteger("Formules", "ConstantesNumber", -1), 0);
  EXPECT_EQ(ini.ReadInteger("Video", "MarkingMode", -1), 1);  // "tsp", any case
  EXPECT_EQ(ini.ReadInteger("Data", "LayerStage", -1), 2);    // "Pointer"
  EXPECT_EQ(ini.ReadInteger("Data", "MarksNumberPerFrame_Grid", 0), 2);
  EXPECT_EQ(ini.ReadInteger("Video", "ImageNumber", 0), 12);
  // The old colour count included the element colour.
  EXPECT_EQ(ini.ReadInteger("Data", "MarkColorsNumber", -1), 2);
  EXPECT_EQ(ini.ReadInteger("Data", "ElementColor", 0), 65535);
  EXPECT_EQ(ini.ReadInteger("Data", "MarkColor_1", 0), 16711680);
  EXPECT_EQ(ini.ReadString("Data", "SystemName_Grid_1"), "Caisse");
  EXPECT_EQ(ini.ReadString("Data", "SystemName_Layer_0"), "Repère");
  // Without a star only the y direction is converted.
  EXPECT_EQ(ini.ReadString("Data", "DirectYAxisDirection_Grid"), "0");
  EXPECT_FALSE(ini.ValueExists("Data", "DirectXAxisDirection_Grid"));
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Data", "OrigineCurrentXCoordinate_Grid", 0), 0.25);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Data", "YAxisAngle_Grid", 0), 0.2);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Data", "LayerWidth", 0), 0.3);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Data", "OrigineCurrentYCoordinate_Layer", 0), 0.7);
  EXPECT_EQ(ini.ReadInteger("Data", "OriginePositionsNumber_Layer", -1), 2);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Data", "OrigineYCoordinate_Layer_1", 0), 0.22);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Data", "ScaleLength", 0), 1.5);
  EXPECT_FALSE(ini.ValueExists("Data", "ScaleHorizLength"));
  EXPECT_EQ(ini.ReadInteger("Data", "MarksContainersNumber_Grid", -1), 1);
  EXPECT_EQ(ini.ReadInteger("Data", "MarksContainerFrameNumber_Grid_0", -1), 7);
  EXPECT_EQ(ini.ReadInteger("Data", "MarkOrderNumber_Grid_0_1", -1), 1);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Data", "MarkYCoordinate_Grid_0_1", 0), 0.55);
  EXPECT_EQ(ini.ReadInteger("Data", "MarksContainerFrameNumber_Layer_0", -1), 9);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Data", "MarkXCoordinate_Layer_0_0", 0), -0.1);
  // Each Layer container's image becomes its origin's image.
  EXPECT_EQ(ini.ReadInteger("Data", "OrigineImageNumber_Layer_0", -1), 9);
  EXPECT_EQ(ini.ReadInteger("Montage", "VisibleImagesNumber", -1), 3);
  EXPECT_EQ(ini.ReadInteger("Montage", "IsVisibleImage_1", -1), 0);
  EXPECT_EQ(ini.ReadInteger("Montage", "TimeShift_1", 0), -1);
}

TEST(OldLayout, StarsConvertTheXDirectionAndTheSeparateScales) {
  TIniFile ini;
  ConvertOldLayoutLines(OldDocument(true, true), ini);
  EXPECT_EQ(ini.ReadString("Data", "DirectYAxisDirection_Grid"), "0");
  EXPECT_EQ(ini.ReadString("Data", "DirectXAxisDirection_Grid"), "1");
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Data", "XAxisAngle_Grid", 0), 0.1);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Data", "ScaleLength", 0), 1.5);
  EXPECT_EQ(ini.ReadInteger("Data", "ScaleHorizPointsNumber", -1), 2);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Data", "ScaleHorizLength", 0), 3);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Data", "ScaleVertLength", 0), 4);
  // The marks after the scales are still found at their place.
  EXPECT_EQ(ini.ReadInteger("Data", "MarksContainerFrameNumber_Grid_0", -1), 7);
  EXPECT_EQ(ini.ReadInteger("Montage", "TimeShiftsNumber", -1), 2);
}

TEST(OldLayout, TruncatedOrHugeCountsEndQuietly) {
  auto full = OldDocument(false, false);
  for (std::size_t n = 0; n < full.size(); ++n) {
    TIniFile ini;
    std::vector<std::string> part(full.begin(), full.begin() + static_cast<long>(n));
    ConvertOldLayoutLines(part, ini);
    EXPECT_EQ(ini.ReadInteger("Main", "Version", 0), kKvoConvertedVersion);
  }
  std::vector<std::string> huge = {"v.avi", "0.04", "2147483647", "a", "b"};
  TIniFile ini;
  ConvertOldLayoutLines(huge, ini);
  EXPECT_EQ(ini.ReadString("Record", "RecordFormuleIdentifier_0"), "a");
  EXPECT_FALSE(ini.ValueExists("Record", "RecordFormuleIdentifier_1"));
}

TEST(OldLayout, DocumentIsConvertedOnDiskOnceKeepingItsOldLines) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / "kinevo_old_layout_test";
  fs::create_directories(dir);
  fs::path file = dir / "ancien.kvo";
  {
    std::ofstream out(file, std::ios::binary);
    for (const auto& l : OldDocument(false, false)) out << l << "\r\n";
  }
  TKvo kvo;
  ASSERT_TRUE(kvo.Open(file.string()));
  EXPECT_FALSE(kvo.Open(file.string()));  // already open
  EXPECT_TRUE(kvo.ConvertOldLayout());
  EXPECT_EQ(kvo.Ini()->ReadInteger("Data", "MarksContainerFrameNumber_Grid_0", -1), 7);
  kvo.Close();
  // Reopened, it is a current document: no second conversion, same keys.
  ASSERT_TRUE(kvo.Open(file.string()));
  EXPECT_FALSE(kvo.ConvertOldLayout());
  EXPECT_EQ(kvo.Ini()->ReadString("Main", "VideoFileName"), "C:\\videos\\chute.avi");
  EXPECT_EQ(kvo.Ini()->ReadString("Data", "SystemName_Layer_0"), "Repère");
  kvo.Close();
  fs::remove_all(dir);
}
