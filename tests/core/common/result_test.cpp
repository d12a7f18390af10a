#include "core/common/result.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kinevo {
namespace {

TResult<int> Half(int n) {
  if (n % 2 != 0) return Fail("Le nombre n'est pas pair.", std::to_string(n));
  return n / 2;
}

TStatus Check(bool good) {
  if (!good) return Fail("Refusé.");
  return {};
}

TEST(Result, CarriesValueOrReasonAndCause) {
  const TResult<int> good = Half(8);
  ASSERT_TRUE(good.ok());
  EXPECT_EQ(*good, 4);
  EXPECT_EQ(good.value_or(-1), 4);

  const TResult<int> bad = Half(7);
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.error().reason, "Le nombre n'est pas pair.");
  EXPECT_EQ(bad.error().cause, "7");
  EXPECT_EQ(bad.error().Text(), "Le nombre n'est pas pair.\nDétail : 7");
  EXPECT_EQ(bad.value_or(-1), -1);

  EXPECT_TRUE(Check(true).ok());
  EXPECT_EQ(Check(false).error().Text(), "Refusé.");
}

TEST(Result, ContextAddedAboveKeepsTheDeeperCause) {
  const TError disk = Fail("L'écriture a échoué.", "Plus de place sur le disque");
  const TError save = disk.Within("Le document n'a pas pu être enregistré.");
  EXPECT_EQ(save.reason, "Le document n'a pas pu être enregistré.");
  EXPECT_EQ(save.cause, "L'écriture a échoué. Plus de place sur le disque");

  const TError bare = Fail("Fichier introuvable.").Within("Ouverture impossible.");
  EXPECT_EQ(bare.cause, "Fichier introuvable.");
}

TEST(Result, HoldsMoveOnlyValues) {
  TResult<std::unique_ptr<int>> r = std::make_unique<int>(3);
  ASSERT_TRUE(r.ok());
  std::unique_ptr<int> taken = std::move(r).value();
  EXPECT_EQ(*taken, 3);
}

TEST(ResultDeathTest, TakingTheWrongSideAborts) {
  EXPECT_DEATH((void)Half(3).value(), "");
  EXPECT_DEATH((void)Half(4).error(), "");
}

}  // namespace
}  // namespace kinevo
