// The dynamic model as the document keeps it, and its positions at the
// rows of results computed from a thrown ball's marks.
#include "core/dynamics/dynamic_setup.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/common/ini_file.h"
#include "core/results/results_model.h"
#include "core/results/series_source.h"

namespace kinevo {
namespace {

TDynamicSetting Drag() {
  TDynamicSetting s;
  s.ax = "-k*v*vx/m";
  s.ay = "-g - k*v*vy/m";
  s.parameters = {{"x0", 0.125, 0.01, false},   {"y0", -1.0 / 3.0, 0.0, false},
                  {"vx0", 2.5, 0.1, true},      {"vy0", 3.75, 0.1, true},
                  {"g", 9.80665, 0.001, false}, {"k", 1e-7, 1e-8, true},
                  {"m", 0.057, 0.0, false}};
  s.system = 1;
  s.startRow = 3;
  return s;
}

TEST(DynamicSetting, DocumentKeysRoundTrip) {
  TIniFile ini;
  ini.WriteString("Data", "RequiredDuration", "0.04");
  const TDynamicSetting saved = Drag();
  SaveDynamicSetting(saved, ini);
  TIniFile reread;
  reread.SetText(ini.Text());
  EXPECT_EQ(LoadDynamicSetting(reread), saved);
  // Saved again, the text is the same: a reopened document is unchanged.
  TIniFile again;
  again.SetText(ini.Text());
  SaveDynamicSetting(LoadDynamicSetting(reread), again);
  EXPECT_EQ(again.Text(), ini.Text());

  // No model: no section, and a document without one reads as no model.
  SaveDynamicSetting({}, ini);
  EXPECT_FALSE(ini.SectionExists("DynamicModel"));
  EXPECT_EQ(ini.ReadString("Data", "RequiredDuration"), "0.04");
  EXPECT_FALSE(LoadDynamicSetting(ini).Defined());
}

TEST(DynamicSetting, DamagedKeysAreRepairedNotRefused) {
  TIniFile ini;
  ini.SetText(
      "[DynamicModel]\nAy=-g\nParametersNumber=999999999\n"
      "ParameterName_0=g\nParameterValue_0=abc\nParameterStep_0=-3\nParameterFitted_0=1\n"
      "ParameterName_1=vy0\nParameterValue_1=1e400\n"
      "ParameterName_2=g\nParameterValue_2=5\n"
      "ParameterName_3=\nParameterValue_3=7\n"
      "System=-4\nStartRow=-9\n");
  const TDynamicSetting s = LoadDynamicSetting(ini);
  ASSERT_TRUE(s.Defined());
  EXPECT_EQ(s.ax, "");
  ASSERT_EQ(s.parameters.size(), 5u);
  // The starting values first, the missing ones added; g kept once.
  const char* names[] = {"x0", "y0", "vx0", "vy0", "g"};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(s.parameters[i].name, names[i]);
  EXPECT_EQ(s.parameters[3].value, 0.0);  // 1e400 is no value
  EXPECT_EQ(s.parameters[4].value, 0.0);
  EXPECT_EQ(s.parameters[4].step, 0.0);
  EXPECT_TRUE(s.parameters[4].fitted);
  EXPECT_EQ(s.system, 0);
  EXPECT_EQ(s.startRow, -1);
}

TEST(DynamicSetup, SignalsOnlyRealChanges) {
  TDynamicSetup setup;
  int changes = 0;
  TConnection c = setup.OnChange.Connect([&] { ++changes; });
  setup.Set(Drag());
  setup.Set(Drag());
  EXPECT_EQ(changes, 1);
  TDynamicSetting other = Drag();
  other.parameters[5].value = 2e-7;
  setup.Set(other);
  setup.Clear();
  EXPECT_EQ(changes, 3);
  EXPECT_FALSE(setup.Setting().Defined());
}

// A throw of system 2 (index 1), g = 9.8, marked from image 2 to 31; system
// 1 marked on images 0 and 1 only, so the table has two rows before it.
TCalcul ThrowResults(double g) {
  test::SeriesSource src;
  src.period = 0.04;
  src.Mark(0, 0, 0.1, 0.1);
  src.Mark(0, 1, 0.1, 0.1);
  for (int i = 2; i < 32; ++i) {
    const double t = (i - 2) * 0.04;
    src.Mark(1, i, 0.2 + 1.5 * t, 0.3 + 2.0 * t - g * t * t / 2);
  }
  TCalcul calc;
  EXPECT_EQ(calc.Compute(src, false), ccOk);
  calc.ComputeDerivatives(0);
  return calc;
}

TEST(DynamicModelTrack, PositionsAtEveryRowOfTheResults) {
  const TCalcul calc = ThrowResults(9.8);
  TDynamicSetting s = DefaultDynamicSetting();
  s.system = 1;
  s.startRow = 12;
  const TDynamicSeries series = MarkedSeries(calc, 1);
  ASSERT_EQ(series.Size(), 30);
  EXPECT_EQ(series.rows.front(), 2);
  const int k = StartIndex(s, series);
  EXPECT_EQ(k, 10);
  const auto start = StartValuesAt(series, k);
  for (int i = 0; i < 4; ++i) s.parameters[i].value = start[i].value;
  EXPECT_NEAR(s.parameters[0].value, 0.2 + 1.5 * 0.4, 1e-12);
  EXPECT_NEAR(s.parameters[2].value, 1.5, 1e-9);
  EXPECT_NEAR(s.parameters[3].value, 2.0 - 9.8 * 0.4, 1e-9);
  s.parameters[4].value = 9.8;

  const TDynamicTrack track = DynamicModelTrack(s, calc);
  ASSERT_TRUE(track.status) << track.status.error().Text();
  ASSERT_EQ(track.x.size(), 32u);
  // Integrated backwards too, over the rows where system 2 is not marked.
  for (int r = 0; r < 32; ++r) {
    const double t = (r - 2) * 0.04;
    EXPECT_NEAR(track.x[r], 0.2 + 1.5 * t, 1e-9) << r;
    EXPECT_NEAR(track.y[r], 0.3 + 2.0 * t - 9.8 * t * t / 2, 1e-9) << r;
  }

  // Finer, for a smooth curve: rows at every fourth point, the same values.
  const TDynamicTrack fine = DynamicModelTrack(s, calc, 4);
  ASSERT_TRUE(fine.status);
  ASSERT_EQ(fine.t.size(), 31u * 4 + 1);
  for (int r = 0; r < 32; ++r) EXPECT_NEAR(fine.y[r * 4], track.y[r], 1e-12) << r;
  const double mid = (12 - 2) * 0.04 + 0.01;  // a quarter past row 12
  EXPECT_NEAR(fine.t[12 * 4 + 1], mid + 0.08, 1e-12);
  EXPECT_NEAR(fine.y[12 * 4 + 1], 0.3 + 2.0 * (mid)-9.8 * mid * mid / 2, 1e-9);

  // A start row that is not marked falls back on the first marked one.
  s.startRow = 0;
  EXPECT_EQ(StartIndex(s, series), 0);
}

TEST(DynamicModelTrack, SharedByTheWindowsUntilTheModelOrResultsChange) {
  const TCalcul calc = ThrowResults(9.8);
  const TDynamicSeries series = MarkedSeries(calc, 1);
  TDynamicSetup setup;
  TDynamicSetting s = DefaultDynamicSetting();
  s.system = 1;
  s.startRow = 12;
  const auto start = StartValuesAt(series, 10);
  for (int i = 0; i < 4; ++i) s.parameters[i].value = start[i].value;
  s.parameters[4].value = 9.0;
  setup.Set(s);
  const int fine = DrawingSubdivisions(calc.RowCount());
  EXPECT_EQ(fine, 12);  // 400 / 31
  EXPECT_EQ(DrawingSubdivisions(10000), 1);
  EXPECT_EQ(DrawingSubdivisions(2), 16);
  const TDynamicTrack& first = setup.Track(calc, fine);
  ASSERT_TRUE(first.status);
  const double y = first.y.back();
  // The distance to the marks read on the shared track is the model's.
  EXPECT_NEAR(TrackRms(first, fine, series), CheckDynamicModel(s, series).rms, 1e-12);
  EXPECT_EQ(&setup.Track(calc, fine), &first);
  EXPECT_EQ(setup.Track(calc, fine).y.back(), y);
  // Another g: computed again.
  s.parameters[4].value = 9.8;
  setup.Set(s);
  EXPECT_NE(setup.Track(calc, fine).y.back(), y);
  EXPECT_LT(TrackRms(setup.Track(calc, fine), fine, series), 1e-9);
  // Other results (another computation of the same marks): computed again.
  const TCalcul other = ThrowResults(9.0);
  EXPECT_GT(TrackRms(setup.Track(other, fine), fine, MarkedSeries(other, 1)), 0.05);
  EXPECT_EQ(setup.Track(other, 1).t.size(), 32u);
}

TEST(DynamicModelTrack, FailuresLeaveNoPositions) {
  const TCalcul calc = ThrowResults(9.8);
  auto allNaN = [](const TDynamicTrack& t) {
    for (double v : t.x)
      if (!std::isnan(v)) return false;
    return !t.x.empty();
  };
  TDynamicTrack none = DynamicModelTrack({}, calc);
  EXPECT_FALSE(none.status);
  EXPECT_TRUE(allNaN(none));

  TDynamicSetting s = DefaultDynamicSetting();
  s.system = 7;
  EXPECT_FALSE(DynamicModelTrack(s, calc).status);

  s.system = 1;
  s.ay = "-g*(";
  const TDynamicTrack bad = DynamicModelTrack(s, calc);
  ASSERT_FALSE(bad.status);
  EXPECT_NE(bad.status.error().Text().find("ay"), std::string::npos);
  EXPECT_TRUE(allNaN(bad));

  // Divergence: nothing past the time it is found, values before it.
  s.ay = "exp(y*y*1e3)";
  s.startRow = 2;
  s.parameters[1].value = 1.0;
  s.parameters[3].value = 5.0;
  const TDynamicTrack far = DynamicModelTrack(s, calc);
  ASSERT_FALSE(far.status);
  EXPECT_NE(far.status.error().Text().find("Le modèle diverge à t = "), std::string::npos);
  EXPECT_TRUE(std::isfinite(far.y[2]));
  EXPECT_TRUE(std::isnan(far.y.back()));
}

TEST(DynamicSetting, ParametersFollowTheFormulas) {
  TDynamicSetting s = DefaultDynamicSetting();
  s.parameters[2].value = 4.0;
  s.parameters[4].value = 9.7;
  s.parameters[4].fitted = true;
  s.ax = "-k*v*vx/m+0*vx0";
  s.ay = "-g-k*v*vy/m+sin(pi*t)";
  auto named = WithFormulaParameters(s);
  ASSERT_TRUE(named) << named.error().Text();
  std::vector<std::string> names;
  for (const auto& p : named->parameters) names.push_back(p.name);
  EXPECT_EQ(names, (std::vector<std::string>{"x0", "y0", "vx0", "vy0", "k", "m", "g"}));
  EXPECT_EQ(named->parameters[2].value, 4.0);  // kept
  EXPECT_EQ(named->parameters[4].value, 1.0);  // new
  EXPECT_EQ(named->parameters[6].value, 9.7);
  EXPECT_TRUE(named->parameters[6].fitted);
  // g no longer used: dropped; the starting values stay.
  s.ay = "0";
  s.ax = "0";
  named = WithFormulaParameters(s);
  ASSERT_TRUE(named);
  EXPECT_EQ(named->parameters.size(), 4u);
  s.ax = "-k*(x";
  named = WithFormulaParameters(s);
  ASSERT_FALSE(named);
  EXPECT_NE(named.error().Text().find("La formule de ax ne peut pas être lue."), std::string::npos);
}

TEST(DynamicSetting, CheckedAndFittedAgainstTheMarks) {
  const TCalcul calc = ThrowResults(9.8);
  const TDynamicSeries series = MarkedSeries(calc, 1);
  TDynamicSetting s = DefaultDynamicSetting();
  s.system = 1;
  s.startRow = 2;
  const auto start = StartValuesAt(series, 0);
  for (int i = 0; i < 4; ++i) s.parameters[i].value = start[i].value;
  s.parameters[4].value = 9.0;
  const TDynamicCheck off = CheckDynamicModel(s, series);
  ASSERT_TRUE(off.status);
  // 0.8 m/s² too little over 1.16 s: centimetres.
  EXPECT_GT(off.rms, 0.05);
  EXPECT_LT(off.rms, 0.5);

  for (int i : {2, 3, 4}) s.parameters[i].fitted = true;
  TDynamicSetting kept = s;
  const auto fit = FitDynamicModel(s, series);
  ASSERT_TRUE(fit) << fit.error().Text();
  EXPECT_NEAR(s.parameters[4].value, 9.8, 9.8e-6);
  EXPECT_NEAR(s.parameters[2].value, 1.5, 1e-6);
  EXPECT_LT(fit->rms, 1e-6);
  EXPECT_LT(CheckDynamicModel(s, series).rms, 1e-6);

  // A divergence is said, and a failed fit leaves the setting alone.
  kept.ay = "exp(vy*vy*1e3)";
  const TDynamicCheck far = CheckDynamicModel(kept, series);
  ASSERT_FALSE(far.status);
  EXPECT_NE(far.status.error().Text().find("Le modèle diverge à t = "), std::string::npos);
  const TDynamicSetting before = kept;
  EXPECT_FALSE(FitDynamicModel(kept, series));
  EXPECT_EQ(kept, before);
}

}  // namespace
}  // namespace kinevo

namespace kinevo {
namespace {

// Over the video, the model is drawn on every image, marked or not: the
// track of the clock's images, with no value where an image has no time.
TEST(DynamicTrackSource, GivesThePositionOnEveryImageOfTheClock) {
  const TCalcul calc = ThrowResults(9.8);
  TDynamicSetup setup;
  const TCalcul* shown = &calc;
  const TDynamicTrackSource source(setup, [&] { return shown; });
  TTrackClock clock{0, {}};
  for (int i = 0; i < 63; ++i) clock.times.push_back(i * 0.02);  // two images a row
  clock.times[7] = std::numeric_limits<double>::quiet_NaN();
  std::vector<TModelTrack> out;
  source.AddTracks(clock, out);
  EXPECT_TRUE(out.empty());  // no model yet

  TDynamicSetting s = DefaultDynamicSetting();
  s.system = 1;
  s.startRow = 12;
  const TDynamicSeries series = MarkedSeries(calc, 1);
  const auto start = StartValuesAt(series, StartIndex(s, series));
  for (int i = 0; i < 4; ++i) s.parameters[i].value = start[i].value;
  s.parameters[4].value = 9.8;
  setup.Set(s);
  source.AddTracks(clock, out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].system, 1);
  ASSERT_EQ(out[0].positions.size(), clock.times.size());
  for (std::size_t i = 0; i < clock.times.size(); ++i) {
    if (i == 7) {
      EXPECT_TRUE(std::isnan(out[0].positions[i].x));
      continue;
    }
    const double t = clock.times[i] - 0.08;  // system 2 from row 2
    EXPECT_NEAR(out[0].positions[i].x, 0.2 + 1.5 * t, 1e-9) << i;
    EXPECT_NEAR(out[0].positions[i].y, 0.3 + 2.0 * t - 9.8 * t * t / 2, 1e-9) << i;
  }
  // Results not computed: nothing, rather than a model from nowhere.
  shown = nullptr;
  out.clear();
  source.AddTracks(clock, out);
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace kinevo
