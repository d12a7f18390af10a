#include "core/common/huge_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

using namespace kinevo;

// Growing a table onto new memory keeps what it held, for small tables and
// for tables large enough to be advised to huge pages, and never shrinks.
TEST(HugePages, ReservingKeepsTheContentAndOnlyGrows) {
  for (std::size_t n : {std::size_t{3}, std::size_t{3} << 20}) {
    std::vector<int64_t> v(n);
    std::iota(v.begin(), v.end(), 1);
    ReserveLarge(v, 2 * n);
    ASSERT_GE(v.capacity(), 2 * n);
    ASSERT_EQ(v.size(), n);
    EXPECT_EQ(v.front(), 1);
    EXPECT_EQ(v.back(), static_cast<int64_t>(n));
    v.resize(2 * n, 7);  // the new room is usable
    EXPECT_EQ(v.back(), 7);
    const auto capacity = v.capacity();
    ReserveLarge(v, 1);
    EXPECT_EQ(v.capacity(), capacity);
    EXPECT_EQ(v[n - 1], static_cast<int64_t>(n));
  }
  // Elements that own memory are moved, not lost.
  std::vector<std::string> words{"marque", std::string(100, 'x')};
  ReserveLarge(words, 1 << 20);
  EXPECT_EQ(words[0], "marque");
  EXPECT_EQ(words[1], std::string(100, 'x'));
}
