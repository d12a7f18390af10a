#include "core/graph/units.h"

#include <gtest/gtest.h>

namespace kinevo {
namespace {

TEST(Units, QuotientsOfTheQuantitiesUnits) {
  EXPECT_EQ(UnitRatio("m", "s"), "m/s");
  EXPECT_EQ(UnitRatio("m/s", "s"), "m/s²");
  EXPECT_EQ(UnitRatio("m", "s", 2), "m/s²");
  EXPECT_EQ(UnitRatio("m/s²", "s"), "m/s³");
  EXPECT_EQ(UnitRatio("rad", "s"), "rad/s");
  EXPECT_EQ(UnitRatio("rad/s", "s"), "rad/s²");
  // Powers written in the other usual ways are read too.
  EXPECT_EQ(UnitRatio("kg.m.s-2", "s"), "kg.m/s³");
  EXPECT_EQ(UnitRatio("m.s⁻¹", "m"), "s⁻¹");
  EXPECT_EQ(UnitRatio("m^2", "s"), "m²/s");
  EXPECT_EQ(UnitRatio("N·m", "rad"), "N.m/rad");
  // Nothing above the line: negative powers.
  EXPECT_EQ(UnitInverse("s"), "s⁻¹");
  EXPECT_EQ(UnitInverse("s", 2), "s⁻²");
  EXPECT_EQ(UnitRatio("m", "m", 2), "m⁻¹");
  EXPECT_EQ(UnitInverse("m/s"), "s/m");
  EXPECT_EQ(UnitInverse("s", 12), "s⁻¹²");
}

TEST(Units, NoDimensionAndUnknownUnitsGiveNoText) {
  EXPECT_EQ(UnitRatio("m", "m"), "");  // the slope of y(x)
  EXPECT_EQ(UnitRatio("", "s"), "");
  EXPECT_EQ(UnitRatio("m", ""), "");
  EXPECT_EQ(UnitInverse(""), "");
  // A unit that is not a product of powers is kept whole.
  EXPECT_EQ(UnitRatio("J (cinétique)", "s"), "(J (cinétique))/s");
  EXPECT_EQ(UnitRatio("km(h)", "s", 2), "km(h)/s²");
  EXPECT_EQ(UnitInverse("m(2)"), "m(2)⁻¹");
}

}  // namespace
}  // namespace kinevo
