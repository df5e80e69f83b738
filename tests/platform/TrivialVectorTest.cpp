#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/TrivialVector.h"

namespace tarnel {
namespace {

struct Item {
  std::string_view Text;
  std::int32_t Number = 0;
  std::uint8_t Kind = 0;
};

// Values pushed or made in place through many growths come back as given, and taking values off the
// end (one or many) leaves the rest as they were, for pushes after as before.
TEST(TrivialVectorTest, ValuesSurviveEveryGrowthAndEveryCutAtTheEnd) {
  const std::string_view text = "abcdefghij";
  TrivialVector<Item> items;
  EXPECT_TRUE(items.empty());
  constexpr int kCount = 300000;
  // Values copied in and values made in place, in turn.
  for (int i = 0; i < kCount; ++i) {
    const std::string_view part = text.substr(static_cast<std::size_t>(i % 10));
    if (i % 2 == 0) {
      items.push_back({part, i, static_cast<std::uint8_t>(i)});
    } else {
      const Item& made = items.emplace_back(part, i, static_cast<std::uint8_t>(i));
      ASSERT_EQ(&made, &items.back());
    }
  }
  ASSERT_EQ(items.size(), static_cast<std::size_t>(kCount));
  for (int i = 0; i < kCount; i += 997) {
    const Item& item = items[static_cast<std::size_t>(i)];
    EXPECT_EQ(item.Number, i);
    EXPECT_EQ(item.Text, text.substr(static_cast<std::size_t>(i % 10)));
    EXPECT_EQ(item.Kind, static_cast<std::uint8_t>(i));
  }
  EXPECT_EQ(items.back().Number, kCount - 1);

  items.pop_back();
  items.shrink_to(1000);
  items.shrink_to(5000);  // never longer
  ASSERT_EQ(items.size(), 1000u);
  items.push_back({"z", -1, 0});
  const std::span<const Item> all = items;
  ASSERT_EQ(all.size(), 1001u);
  EXPECT_EQ(all[999].Number, 999);
  EXPECT_EQ(all[1000].Text, "z");

  // A value of the vector itself, pushed or made again as the vector grows.
  TrivialVector<Item> copies;
  copies.push_back({"w", 3, 0});
  while (copies.size() < 4096) {
    // Growth comes at even sizes: there the value is made from the vector's own last one.
    if (copies.size() % 2 == 0) {
      copies.emplace_back(copies.back().Text, copies.back().Number, copies.back().Kind);
    } else {
      copies.push_back(copies.back());
    }
  }
  EXPECT_EQ(copies[4095].Text, "w");
  EXPECT_EQ(copies[4095].Number, 3);
  EXPECT_EQ(copies[4094].Text, "w");

  items.clear();
  EXPECT_TRUE(items.empty());
  items.push_back({"y", 7, 0});
  EXPECT_EQ(items[0].Number, 7);
}

}  // namespace
}  // namespace tarnel
