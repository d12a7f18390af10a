// Conversion of documents written by the oldest versions, which kept one
// value per line in a fixed order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/common/atomic_file.h"
#include "core/document/kvo.h"
#include "support/temp_dir.h"

using namespace kinevo;

namespace {

// Lines of an old document: one formula, no constant, Layer mode, two Grid
// systems, two colours plus the element colour, one Grid container with two
// marks, one Layer container with one mark, a three-image montage.
std::vector<std::string> OldDocument(bool starredDirections, bool starredScale) {
  std::vector<std::string> l = {"C:\\videos\\chute.avi",
                                "0,04",
                                "1",
                                "Ec",
                                "0.5*m*v^2",
                                "énergie",
                                "J",
                                "0",
                                "tsp",
                                "Pointer",
                                "2",
                                "1",
                                "12",
                                "3",
                                "65535",
                                "255",
                                "16711680",
                                "2",
                                "Balle",
                                "Caisse",
                                "1",
                                "Repère"};
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
    l.insert(l.end(),
             {"*1.5", "skip", "2", "0", "0", "1", "0", "3", "2", "0", "0", "0", "1", "4", "skip"});
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

TEST(OldLayout, TruncatedDocumentsConvertWholeOrNotAtAll) {
  // A cut document converts while its counts fit in what is left; past
  // that it is not taken for an old document, and nothing is written.
  auto full = OldDocument(false, false);
  int converted = 0;
  for (std::size_t n = 1; n <= full.size(); ++n) {
    TIniFile ini;
    std::vector<std::string> part(full.begin(), full.begin() + static_cast<long>(n));
    if (ConvertOldLayoutLines(part, ini)) {
      ++converted;
      EXPECT_EQ(ini.ReadInteger("Main", "Version", 0), kKvoConvertedVersion);
    } else {
      EXPECT_TRUE(ini.ReadSections().empty()) << n << " lines";
    }
  }
  EXPECT_GT(converted, 2);
  TIniFile ini;
  EXPECT_TRUE(ConvertOldLayoutLines(full, ini));
}

TEST(OldLayout, LinesThatAreNotAnOldDocumentAreRefused) {
  const std::vector<std::vector<std::string>> refused = {
      {},                                           // empty file
      {"RIFF\x01\x02\x03 AVI LIST", "\x7f\x01"},    // a video given by mistake
      {"Bonjour tout le monde", "0.04", "0", "0"},  // a note: not a path
      {"v.avi", "0.04", "2147483647", "a", "b"},    // a count beyond the file
      {"v.avi", "0.04", "-3"},                      // a negative count
      {"v.avi", "0.04", "deux", "a", "b"},          // a count that is no number
      {std::string(5000, 'a') + ".avi"},            // no path is that long
  };
  for (const auto& lines : refused) {
    TIniFile ini;
    ini.WriteString("Main", "Kept", "1");
    EXPECT_FALSE(ConvertOldLayoutLines(lines, ini))
        << (lines.empty() ? "" : lines[0].substr(0, 30));
    EXPECT_EQ(ini.Text(), "[Main]\nKept=1\n");
  }
  TIniFile ini;
  EXPECT_TRUE(ConvertOldLayoutLines({"/home/élève/chute.mpg", "0.04"}, ini));
  EXPECT_EQ(ini.ReadString("Main", "VideoFileName"), "/home/élève/chute.mpg");
}

TEST(OldLayout, ConversionNeverWritesTheFileUntilSaved) {
  test::TempDir dir;
  const std::string file = dir.File("ancien.kvo");
  std::string original;
  for (const auto& l : OldDocument(false, false)) original += l + "\r\n";
  ASSERT_TRUE(WriteFileAtomically(file, original));
  auto content = [&] {
    std::string bytes;
    bytes = ReadWholeFile(file).value_or("");
    return bytes;
  };

  TKvo kvo;
  ASSERT_TRUE(kvo.Open(file));
  EXPECT_EQ(kvo.ConvertOldLayout(), TKvo::kcConverted);
  EXPECT_EQ(kvo.Ini()->ReadInteger("Data", "MarksContainerFrameNumber_Grid_0", -1), 7);
  // Nothing is pending: a later update of one key cannot carry the
  // conversion into the file.
  EXPECT_FALSE(kvo.Ini()->Modified());
  kvo.Close();
  EXPECT_EQ(content(), original);

  // Opened again, it is still the old document, converted again in memory.
  ASSERT_TRUE(kvo.Open(file));
  EXPECT_EQ(kvo.ConvertOldLayout(), TKvo::kcConverted);
  // Saved, it is in the current layout, without the old lines.
  ASSERT_TRUE(kvo.Save());
  kvo.Close();
  const std::string saved = content();
  EXPECT_EQ(saved.rfind("[Main]", 0), 0u) << saved.substr(0, 40);
  ASSERT_TRUE(kvo.Open(file));
  EXPECT_EQ(kvo.ConvertOldLayout(), TKvo::kcCurrent);
  EXPECT_EQ(kvo.Ini()->ReadString("Main", "VideoFileName"), "C:\\videos\\chute.avi");
  EXPECT_EQ(kvo.Ini()->ReadString("Data", "SystemName_Layer_0"), "Repère");
  kvo.Close();
}
