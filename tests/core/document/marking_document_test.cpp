// Reading and writing the marking data of a document.
#include "core/document/marking_document.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <sstream>
#include <string_view>

#include "core/common/number_format.h"
#include "core/marking/marking_data.h"
#include "support/fake_view.h"
#include "support/scripted_dialog.h"

using namespace kinevo;

namespace {

struct Analysis {
  test::FakeView view{640, 480, 500};
  test::ScriptedDialog script;
  TUserDlg dialog{&script};
  TGraphUtils graph;
  TData data{view, dialog, graph};
};

// A random [Data] section written key by key in the order of the document
// format, with values the program keeps exactly.
std::string RandomDataSection(std::mt19937& rng) {
  std::uniform_real_distribution<double> frac(0.0, 1.0);
  std::uniform_real_distribution<double> angle(-3.0, 3.0);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  TIniFile ini;
  const char* d = "Data";
  ini.WriteFloat(d, "RequiredDuration", 0.001 + frac(rng));
  ini.WriteInteger(d, "FramesNumberBetweenTwoMarks", pick(1, 4));
  ini.WriteFloat(d, "PointingUncertainty", 0.25 * pick(0, 12));
  ini.WriteFloat(d, "TrackedMarkUncertainty", 0.25 * pick(0, 12));
  ini.WriteInteger(d, "TrackingMethod", pick(0, 1));
  ini.WriteBool(d, "ModelsOnVideo", pick(0, 1) == 1);
  const int systems = pick(1, 5);
  const int colours = pick(systems, systems + 2);
  ini.WriteInteger(d, "MarkColorsNumber", colours);
  for (int i = 0; i < colours; ++i)
    ini.WriteInteger(d, "MarkColor_" + std::to_string(i), pick(0, 0xFFFFFF));
  ini.WriteInteger(d, "ElementColor", pick(0, 0xFFFFFF));
  ini.WriteInteger(d, "ElementSize", pick(0, 2));
  // Fixed frame.
  ini.WriteBool(d, "DirectYAxisDirection_Grid", pick(0, 1) == 1);
  ini.WriteBool(d, "DirectXAxisDirection_Grid", pick(0, 1) == 1);
  ini.WriteFloat(d, "OrigineCurrentXCoordinate_Grid", frac(rng));
  ini.WriteFloat(d, "OrigineCurrentYCoordinate_Grid", frac(rng));
  ini.WriteInteger(d, "OriginePointsNumber_Grid", pick(0, 1));
  const double a = NormaliseAngle(angle(rng));
  ini.WriteFloat(d, "XAxisAngle_Grid", a);
  ini.WriteFloat(d, "YAxisAngle_Grid", NormaliseAngle(std::acos(-1.0) / 2 + a));
  // Layer.
  ini.WriteBool(d, "DirectYAxisDirection_Layer", pick(0, 1) == 1);
  ini.WriteBool(d, "DirectXAxisDirection_Layer", pick(0, 1) == 1);
  ini.WriteFloat(d, "OrigineCurrentXCoordinate_Layer", frac(rng));
  ini.WriteFloat(d, "OrigineCurrentYCoordinate_Layer", frac(rng));
  ini.WriteInteger(d, "LayerStage", pick(0, 2));
  ini.WriteFloat(d, "LayerWidth", 0.05 + 0.9 * frac(rng));
  ini.WriteFloat(d, "LayerHeight", 0.05 + 0.9 * frac(rng));
  const int positions = pick(0, 4);
  ini.WriteInteger(d, "OriginePositionsNumber_Layer", positions);
  for (int i = 0; i < positions; ++i) {
    ini.WriteInteger(d, "OrigineImageNumber_Layer_" + std::to_string(i), pick(0, 400));
    ini.WriteFloat(d, "OrigineXCoordinate_Layer_" + std::to_string(i), frac(rng));
    ini.WriteFloat(d, "OrigineYCoordinate_Layer_" + std::to_string(i), frac(rng));
  }
  // Scales.
  for (const char* k : {"Scale", "ScaleHoriz", "ScaleVert"}) {
    const std::string n = k;
    ini.WriteInteger(d, n + "PointsNumber", pick(0, 2));
    ini.WriteFloat(d, n + "Point1XCoordinate", frac(rng));
    ini.WriteFloat(d, n + "Point1YCoordinate", frac(rng));
    ini.WriteFloat(d, n + "Point2XCoordinate", frac(rng));
    ini.WriteFloat(d, n + "Point2YCoordinate", frac(rng));
    ini.WriteFloat(d, n + "Length", 0.002 + 10 * frac(rng));
  }
  // Lens and plane: a plane that is on is a view of a rectangle; one that is
  // off may hold anything the user left there.
  ini.WriteBool(d, "LensCorrection", pick(0, 1) == 1);
  ini.WriteFloat(d, "LensK1", 0.4 * frac(rng) - 0.1);
  ini.WriteFloat(d, "LensK2", 0.1 * frac(rng));
  const bool plane = pick(0, 1) == 1;
  ini.WriteBool(d, "PlaneCalibration", plane);
  const double cx = 0.3 + 0.4 * frac(rng), cy = 0.3 + 0.4 * frac(rng);
  const double corners[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
  for (int i = 0; i < 4; ++i) {
    const std::string n = "PlanePoint" + std::to_string(i + 1);
    ini.WriteFloat(d, n + "XCoordinate",
                   plane ? cx + corners[i][0] * (0.1 + 0.15 * frac(rng)) : frac(rng));
    ini.WriteFloat(d, n + "YCoordinate",
                   plane ? cy + corners[i][1] * (0.1 + 0.15 * frac(rng)) : frac(rng));
  }
  ini.WriteFloat(d, "PlaneWidth", 0.01 + 5 * frac(rng));
  ini.WriteFloat(d, "PlaneHeight", 0.01 + 5 * frac(rng));
  // Both mark sets: Grid with several systems, Layer with one.
  for (const std::string s : {"_Grid", "_Layer"}) {
    const int n = s == "_Grid" ? systems : 1;
    ini.WriteInteger(d, "MarksNumberPosition" + s, pick(0, 2));
    ini.WriteBool(d, "MarksIsAllDrawn" + s, pick(0, 1) == 1);
    ini.WriteInteger(d, "MarksNumberToDraw" + s, pick(1, 9));
    ini.WriteInteger(d, "CurrentMarkOrderNumber" + s, pick(0, n - 1));
    ini.WriteInteger(d, "MarksNumberPerFrame" + s, n);
    // The Layer set has one system but two names (the object and the frame).
    const int names = s == "_Grid" ? n : 2;
    ini.WriteInteger(d, "SystemNamesNumber" + s, names);
    for (int i = 0; i < names; ++i)
      ini.WriteString(d, "SystemName" + s + "_" + std::to_string(i),
                      "Objet n°" + std::to_string(i) + (pick(0, 1) ? " = é" : ""));
    const int containers = pick(0, 12);
    ini.WriteInteger(d, "MarksContainersNumber" + s, containers);
    std::set<int> used;
    for (int i = 0; i < containers; ++i) {
      int image;
      do image = pick(0, 499);
      while (!used.insert(image).second);
      const std::string si = s + "_" + std::to_string(i);
      ini.WriteInteger(d, "MarksContainerFrameNumber" + si, image);
      ini.WriteInteger(d, "MarksContainerMarkNumber" + si, pick(0, containers));
      std::vector<int> order(static_cast<std::size_t>(n));
      for (int k = 0; k < n; ++k) order[static_cast<std::size_t>(k)] = k;
      std::shuffle(order.begin(), order.end(), rng);
      const int m = pick(1, n);
      ini.WriteInteger(d, "MarksContainerMarksNumber" + si, m);
      for (int j = 0; j < m; ++j) {
        const std::string sj = si + "_" + std::to_string(j);
        ini.WriteInteger(d, "MarkOrderNumber" + sj, order[static_cast<std::size_t>(j)]);
        // Layer marks are relative to the layer's origin and may be negative.
        const double off = s == "_Layer" ? 0.5 : 0.0;
        ini.WriteFloat(d, "MarkXCoordinate" + sj, frac(rng) - off);
        ini.WriteFloat(d, "MarkYCoordinate" + sj, frac(rng) - off);
        // Tracked marks say so; clicked ones carry no key.
        if (const int origin = pick(0, 2); origin != 0)
          ini.WriteInteger(d, "MarkOrigin" + sj, origin);
      }
    }
  }
  return ini.Text();
}

}  // namespace

TEST(MarkingDocument, RandomAnalysesReadAndWriteBackTheSameKeysUnderBothSeparators) {
  std::mt19937 rng(20261209);
  for (int round = 0; round < 60; ++round) {
    const char writeSep = round % 2 ? ',' : '.';
    const char readSep = round % 3 ? '.' : ',';
    std::string text;
    {
      ScopedDecimalSeparator sep(writeSep);
      text = RandomDataSection(rng);
    }
    ScopedDecimalSeparator sep(readSep);
    TIniFile in;
    in.SetText(text);
    Analysis a;
    ASSERT_TRUE(LoadMarkingData(a.data, in)) << text;
    TIniFile out;
    SaveMarkingData(a.data, out);
    // Written with the reading side's separator: compare through a re-read
    // of the original with the same separator.
    TIniFile expected;
    expected.SetText(text);
    for (const auto& [key, value] : expected.ReadSectionValues("Data")) {
      ASSERT_TRUE(out.ValueExists("Data", key)) << key;
      std::string got = out.ReadString("Data", key);
      double ev = 0, gv = 0;
      if (TextToFloat(value, ev) && TextToFloat(got, gv))
        EXPECT_EQ(ev, gv) << key << " round " << round;
      else
        EXPECT_EQ(value, got) << key << " round " << round;
    }
    EXPECT_EQ(out.ReadSection("Data"), expected.ReadSection("Data"))
        << "key order, round " << round;
    EXPECT_TRUE(a.data.GridHistory().Empty());
    EXPECT_TRUE(a.data.ScaleHistory().Empty());
  }
}

TEST(MarkingDocument, MarksUncertaintiesAndTheirDefaults) {
  // A document written before the uncertainties: 1 pixel for a click, 0.5
  // for a tracked mark; a value that is no number of pixels is ignored.
  Analysis a;
  TIniFile ini;
  ini.SetText(
      "[Data]\nRequiredDuration=0.04\nTrackedMarkUncertainty=-3\nMarksContainersNumber_Grid=1\n"
      "MarksContainerFrameNumber_Grid_0=2\nMarksContainerMarksNumber_Grid_0=1\n"
      "MarkOrderNumber_Grid_0_0=0\nMarkXCoordinate_Grid_0_0=0.5\nMarkYCoordinate_Grid_0_0=0.5\n");
  ASSERT_TRUE(LoadMarkingData(a.data, ini));
  EXPECT_EQ(a.data.PointingUncertainty(), 1.0);
  EXPECT_EQ(a.data.TrackingUncertainty(), 0.5);
  // The series give each mark its uncertainty as fractions of the picture
  // (640 × 480): a click, then the same mark tracked, then tracked while
  // the tracker was unsure.
  auto series = [&a] {
    const TSeries s = a.data.GetSeries();
    return std::pair{s.uxs.at(0).at(0), s.uys.at(0).at(0)};
  };
  EXPECT_EQ(series(), std::pair(1.0 / 640, 1.0 / 480));
  a.data.SetPointingUncertainty(2.0);
  EXPECT_EQ(series(), std::pair(2.0 / 640, 2.0 / 480));
  a.data.ApplyTrackedPositions({{{0.5, 0.5}}}, {{2}});
  EXPECT_EQ(series(), std::pair(0.5 / 640, 0.5 / 480));
  a.data.ApplyTrackedPositions({{{0.5, 0.5}}}, {{2}}, {{true}});
  EXPECT_EQ(series(), std::pair(1.5 / 640, 1.5 / 480));
  // Written and read back with the document.
  TIniFile out;
  SaveMarkingData(a.data, out);
  EXPECT_EQ(out.ReadString("Data", "MarkOrigin_Grid_0_0"), "2");
  Analysis b;
  ASSERT_TRUE(LoadMarkingData(b.data, out));
  EXPECT_EQ(b.data.PointingUncertainty(), 2.0);
  EXPECT_EQ(b.data.GridMarks().DrawList()[0]->Origin, moTrackedUncertain);
  // Undone, the tracking gives the mark back as it was.
  a.data.Undo();
  EXPECT_EQ(series(), std::pair(0.5 / 640, 0.5 / 480));
}

TEST(MarkingDocument, TrackingMethodComesBackAndOlderDocumentsFollowColours) {
  auto load = [](const std::string& extra) {
    Analysis a;
    a.data.SetTrackingMethod(tmAppearance);  // whatever came before
    TIniFile ini;
    ini.SetText("[Data]\nRequiredDuration=0.04\n" + extra);
    EXPECT_TRUE(LoadMarkingData(a.data, ini));
    return a.data.TrackingMethod();
  };
  EXPECT_EQ(load(""), tmColour);
  EXPECT_EQ(load("TrackingMethod=1\n"), tmAppearance);
  EXPECT_EQ(load("TrackingMethod=7\n"), tmColour);
  Analysis a;
  a.data.SetTrackingMethod(tmAppearance);
  TIniFile out;
  SaveMarkingData(a.data, out);
  EXPECT_EQ(out.ReadString("Data", "TrackingMethod"), "1");
}

TEST(MarkingDocument, ModelsOnTheVideoComeBackAndOlderDocumentsLeaveThemOff) {
  auto load = [](const std::string& extra) {
    Analysis a;
    a.data.SetModelsShown(true);  // whatever came before
    TIniFile ini;
    ini.SetText("[Data]\nRequiredDuration=0.04\n" + extra);
    EXPECT_TRUE(LoadMarkingData(a.data, ini));
    return a.data.ModelsShown();
  };
  EXPECT_FALSE(load(""));
  EXPECT_TRUE(load("ModelsOnVideo=1\n"));
  EXPECT_FALSE(load("ModelsOnVideo=0\n"));
  for (bool on : {true, false}) {
    Analysis a;
    a.data.SetRequiredDuration(0.04);
    a.data.SetModelsShown(on);
    TIniFile out;
    SaveMarkingData(a.data, out);
    Analysis b;
    b.data.SetModelsShown(!on);
    ASSERT_TRUE(LoadMarkingData(b.data, out));
    EXPECT_EQ(b.data.ModelsShown(), on);
  }
  // A new analysis starts without them.
  Analysis a;
  a.data.SetModelsShown(true);
  a.data.Reset();
  EXPECT_FALSE(a.data.ModelsShown());
}

TEST(MarkingDocument, MissingOrBadDurationMakesTheDocumentUnreadable) {
  for (const char* text :
       {"[Data]\nFramesNumberBetweenTwoMarks=1\n", "[Data]\nRequiredDuration=abc\n",
        "[Data]\nRequiredDuration=-1\n", "[Data]\nRequiredDuration=\n",
        // Beyond what the time and length dialogs accept.
        "[Data]\nRequiredDuration=1e308\n", "[Data]\nRequiredDuration=1e-9\n",
        "[Data]\nRequiredDuration=0.04\nScaleLength=1e308\n",
        "[Data]\nRequiredDuration=0.04\nScaleVertLength=0.0001\n"}) {
    Analysis a;
    TIniFile ini;
    ini.SetText(text);
    EXPECT_FALSE(LoadMarkingData(a.data, ini)) << text;
  }
}

TEST(MarkingDocument, LensAndPlaneComeBackAndOlderDocumentsHaveNone) {
  TMeasureCalibration c;
  c.lens = {true, 0.21, -0.034};
  c.plane = {true, {{{0.1, 0.8}, {0.85, 0.75}, {0.8, 0.2}, {0.15, 0.25}}}, 2.5, 1.25};
  Analysis a;
  a.data.SetRequiredDuration(0.04);
  a.data.SetCalibration(c);
  TIniFile out;
  SaveMarkingData(a.data, out);
  Analysis b;
  b.data.SetCalibration({{true, 1, 1}, {}});  // whatever came before
  ASSERT_TRUE(LoadMarkingData(b.data, out));
  EXPECT_EQ(b.data.Calibration(), c);

  // A document without the keys: both off, as it measured before.
  Analysis old;
  old.data.SetCalibration(c);
  TIniFile ini;
  ini.SetText("[Data]\nRequiredDuration=0.04\n");
  ASSERT_TRUE(LoadMarkingData(old.data, ini));
  EXPECT_EQ(old.data.Calibration(), TMeasureCalibration{});

  // What would measure nonsense once on is refused, with the reason.
  auto refused = [](const std::string& keys, const std::string& reason) {
    Analysis r;
    TIniFile bad;
    bad.SetText("[Data]\nRequiredDuration=0.04\n" + keys);
    const TStatus s = LoadMarkingData(r.data, bad);
    ASSERT_FALSE(s) << keys;
    EXPECT_NE(s.error().Text().find(reason), std::string::npos) << s.error().Text();
  };
  auto points = [](double x3, double y3) {
    return "PlanePoint1XCoordinate=0.2\nPlanePoint1YCoordinate=0.8\nPlanePoint2XCoordinate=0.8\n"
           "PlanePoint2YCoordinate=0.8\nPlanePoint3XCoordinate=" +
           FloatToText(x3) + "\nPlanePoint3YCoordinate=" + FloatToText(y3) +
           "\nPlanePoint4XCoordinate=0.2\nPlanePoint4YCoordinate=0.2\n";
  };
  const std::string square = points(0.8, 0.2);
  refused("LensCorrection=1\nLensK1=-0.5\nLensK2=0\n", "trop forte");
  refused("PlaneCalibration=1\nPlaneWidth=0\nPlaneHeight=1\n" + square, "taille du plan");
  refused("PlaneCalibration=1\nPlaneWidth=1\nPlaneHeight=1\n" + points(0.2, 0.5), "alignés");
  refused("PlaneCalibration=1\nPlaneWidth=1\nPlaneHeight=1\n" + points(0.8, 0.9), "croisé");
  // Switched off, the same values are kept for later.
  Analysis kept;
  TIniFile off;
  off.SetText("[Data]\nRequiredDuration=0.04\nLensK1=-0.5\nPlaneWidth=0\n" + square);
  ASSERT_TRUE(LoadMarkingData(kept.data, off));
  EXPECT_EQ(kept.data.Calibration().lens.k1, -0.5);
  EXPECT_EQ(kept.data.Calibration().plane.points[2], (TPictureCoord{0.8, 0.2}));
}

TEST(MarkingDocument, FewerStoredColoursThanSystemsTakeThePalette) {
  Analysis a;
  TIniFile ini;
  ini.SetText(
      "[Data]\nRequiredDuration=0,04\nMarkColorsNumber=1\nMarkColor_0=123\n"
      "MarksNumberPerFrame_Grid=3\nSystemNamesNumber_Grid=1\nSystemName_Grid_0=Balle\n");
  ASSERT_TRUE(LoadMarkingData(a.data, ini));
  ASSERT_GE(a.data.MarkColors().size(), 3u);
  EXPECT_EQ(a.data.MarkColors()[0], 123u);
  EXPECT_EQ(a.data.MarkColors()[1], a.graph.ColorA(1));
  EXPECT_EQ(a.data.MarkColors()[2], a.graph.ColorA(2));
  EXPECT_EQ(a.data.GridMarks().MarksNumberPerFrame(), 3);
  EXPECT_EQ(a.data.GridMarks().SystemName(0), "Balle");
  EXPECT_DOUBLE_EQ(a.data.RequiredDuration(), 0.04);
}

TEST(MarkingDocument, LayerStageAndOutOfRangeValues) {
  Analysis a;
  TIniFile ini;
  ini.SetText(
      "[Data]\nRequiredDuration=0.04\nLayerStage=0\nElementSize=7\nMarksNumberPerFrame_Grid=2\n"
      "MarksContainersNumber_Grid=2147483647\nMarksContainerFrameNumber_Grid_0=4\n"
      "MarksContainerMarksNumber_Grid_0=2147483647\nMarkOrderNumber_Grid_0_0=9\n"
      "MarkXCoordinate_Grid_0_0=0.5\nMarkYCoordinate_Grid_0_0=0.5\n"
      "MarkOrderNumber_Grid_0_1=1\nMarkXCoordinate_Grid_0_1=0.25\nMarkYCoordinate_Grid_0_1=0.75\n"
      "MarksNumberPerFrame_Layer=4\nCurrentMarkOrderNumber_Grid=12\n");
  ASSERT_TRUE(LoadMarkingData(a.data, ini));
  EXPECT_EQ(a.data.Layer().LayerStage(), lsDrag);
  EXPECT_EQ(a.data.ElementSize(), 2);
  // A huge count stops at the missing keys; a mark of a system that does not
  // exist is left out.
  EXPECT_EQ(a.data.GridMarks().MarksCount(), 1);
  EXPECT_EQ(a.data.GridMarks().DrawList()[0]->MarkOrderNumber, 1);
  EXPECT_EQ(a.data.LayerMarks().MarksNumberPerFrame(), 1);
  EXPECT_LT(a.data.GridMarks().CurrentMarkOrderNumber(), 2);
}

TEST(MarkingDocument, ThreeSystemsWithCustomColoursComeBack) {
  Analysis a;
  a.data.SetMarksNumberPerFrame(3);
  a.data.EnsureMarkColors(3);
  a.data.SetMarkColor(0, 0x112233);
  a.data.SetMarkColor(1, 0x445566);
  a.data.SetMarkColor(2, 0x778899);
  a.data.SetRequiredDuration(0.02);
  TIniFile ini;
  SaveMarkingData(a.data, ini);
  Analysis b;
  ASSERT_TRUE(LoadMarkingData(b.data, ini));
  EXPECT_EQ(b.data.MarkColors(), a.data.MarkColors());
  EXPECT_EQ(b.data.GridMarks().MarksNumberPerFrame(), 3);
}

TEST(MarkingDocument, LayerBeyondThePictureAndMissingNamesComeBackAsSaved) {
  Analysis a;
  TIniFile ini;
  ini.SetText(
      "[Data]\nRequiredDuration=0.04\nLayerWidth=1.07\nLayerHeight=0.6\n"
      "OrigineCurrentXCoordinate_Layer=-0.2\nOrigineCurrentYCoordinate_Layer=1.3\n"
      "OriginePositionsNumber_Layer=1\nOrigineImageNumber_Layer_0=3\n"
      "OrigineXCoordinate_Layer_0=-0.2\nOrigineYCoordinate_Layer_0=1.3\n"
      "MarksNumberPerFrame_Grid=3\nSystemNamesNumber_Grid=3\nSystemName_Grid_0=Balle\n"
      "SystemName_Grid_2=Chariot\n"
      "MarksContainersNumber_Grid=2\nMarksContainerFrameNumber_Grid_0=5\nMarksContainerMarksNumber_"
      "Grid_0=0\n"
      "MarksContainerFrameNumber_Grid_1=9\nMarksContainerMarksNumber_Grid_1=1\nMarkOrderNumber_"
      "Grid_1_0=0\n"
      "MarkXCoordinate_Grid_1_0=0.5\nMarkYCoordinate_Grid_1_0=0.5\n");
  ASSERT_TRUE(LoadMarkingData(a.data, ini));
  EXPECT_DOUBLE_EQ(a.data.Layer().LayerWidth(), 1.07);
  EXPECT_DOUBLE_EQ(a.data.Layer().Origin().x, -0.2);
  EXPECT_DOUBLE_EQ(a.data.Layer().Origin().y, 1.3);
  ASSERT_EQ(a.data.Layer().Origines().size(), 1u);
  EXPECT_DOUBLE_EQ(a.data.Layer().Origines()[0]->Position.x, -0.2);
  // The missing name is empty; the names after it are kept.
  EXPECT_EQ(a.data.GridMarks().SystemName(0), "Balle");
  EXPECT_EQ(a.data.GridMarks().SystemName(1), "");
  EXPECT_EQ(a.data.GridMarks().SystemName(2), "Chariot");
  // The container without marks is kept, and written back.
  TIniFile out;
  SaveMarkingData(a.data, out);
  EXPECT_EQ(out.ReadInteger("Data", "MarksContainersNumber_Grid", 0), 2);
  EXPECT_DOUBLE_EQ(out.ReadFloat("Data", "LayerWidth", 0), 1.07);
  EXPECT_DOUBLE_EQ(out.ReadFloat("Data", "OrigineYCoordinate_Layer_0", 0), 1.3);
  // Far beyond any drag, values are brought back to a few pictures.
  TIniFile far;
  far.SetText(
      "[Data]\nRequiredDuration=0.04\nLayerWidth=1e300\nOrigineCurrentXCoordinate_Layer=-1e300\n"
      "OrigineCurrentXCoordinate_Grid=7\n");
  Analysis b;
  ASSERT_TRUE(LoadMarkingData(b.data, far));
  EXPECT_DOUBLE_EQ(b.data.Layer().LayerWidth(), kLayerReach);
  EXPECT_DOUBLE_EQ(b.data.Layer().Origin().x, -kLayerReach);
  EXPECT_DOUBLE_EQ(b.data.Fixed().Origin().x, 1.0);
}

// A hand-made list of 100,000 colours, and counts that announce far more
// than the file holds: read in one pass, nothing large allocated for what
// is not there.
TEST(MarkingDocument, HugeListsAndEmptyPromisesReadInOnePass) {
  std::string text = "[Data]\nRequiredDuration=0.04\nMarkColorsNumber=100000\n";
  for (int i = 0; i < 100000; ++i)
    text += "MarkColor_" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  text += "MarksContainersNumber_Grid=2000000000\nOriginePositionsNumber_Layer=2000000000\n";
  TIniFile ini;
  ini.SetText(text);
  Analysis a;
  ASSERT_TRUE(LoadMarkingData(a.data, ini));
  ASSERT_EQ(a.data.MarkColors().size(), 100000u);
  EXPECT_EQ(a.data.MarkColors()[99999], 99999u);
  EXPECT_EQ(a.data.GridMarks().Containers().size(), 0u);
  EXPECT_TRUE(a.data.Layer().Origines().empty());
}

// A long analysis is written in many batches: every key of its image
// containers comes back in the file order with its value, written as a new
// file and over the document it was read from.
TEST(MarkingDocument, ManyImagesComeBackKeyForKeyInFileOrder) {
  ScopedDecimalSeparator sep('.');
  constexpr int kImages = 3000;
  std::string text = "[Data]\nRequiredDuration=0.04\nMarksNumberPerFrame_Grid=3\n";
  text += "MarksContainersNumber_Grid=" + std::to_string(kImages) + "\n";
  std::vector<std::pair<std::string, std::string>> expected;
  auto put = [&](const std::string& key, const std::string& value) {
    text += key + "=" + value + "\n";
    expected.emplace_back(key, value);
  };
  for (int i = 0; i < kImages; ++i) {
    const std::string c = "_Grid_" + std::to_string(i);
    const int marks = i % 5 == 0 ? 2 : 3;
    put("MarksContainerFrameNumber" + c, std::to_string(2 * i));
    put("MarksContainerMarkNumber" + c, std::to_string(i));
    put("MarksContainerMarksNumber" + c, std::to_string(marks));
    for (int j = 0; j < marks; ++j) {
      const std::string m = c + "_" + std::to_string(j);
      put("MarkOrderNumber" + m, std::to_string(j));
      put("MarkXCoordinate" + m, FloatToText((i * 7919 % 1000) / 1000.0 + j * 1e-9));
      put("MarkYCoordinate" + m, FloatToText(1.0 / (i + 3) + j / 7.0));
    }
  }
  Analysis a;
  a.view.SetImagesNumber(2 * kImages);
  TIniFile in;
  in.SetText(text);
  ASSERT_TRUE(LoadMarkingData(a.data, in));
  auto isContainerKey = [](std::string_view key) {
    return key.rfind("Mark", 0) == 0 && key.find("_Grid_") != std::string_view::npos;
  };
  auto containerKeys = [&](const TIniFile& ini) {
    std::vector<std::pair<std::string, std::string>> keys;
    for (auto& kv : ini.ReadSectionValues("Data"))
      if (isContainerKey(kv.first)) keys.push_back(std::move(kv));
    return keys;
  };
  TIniFile fresh;
  fresh.SaveWholeOnly();
  SaveMarkingData(a.data, fresh);
  EXPECT_EQ(containerKeys(fresh), expected);
  SaveMarkingData(a.data, in);
  EXPECT_EQ(containerKeys(in), expected);
  // Written over in place: no key of the read document appears twice.
  std::istringstream over(in.Text());
  std::size_t lines = 0;
  for (std::string line; std::getline(over, line);) lines += isContainerKey(line) ? 1 : 0;
  EXPECT_EQ(lines, expected.size());
}
