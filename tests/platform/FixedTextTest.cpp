#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>

#include "platform/FixedText.h"

namespace tarnel {
namespace {

// Values up to the capacity are kept whole; longer ones keep their first bytes, and the held
// bytes stay terminated for the C functions that read them.
TEST(FixedTextTest, KeepsUpToItsCapacityAndCutsTheRest) {
  FixedText<10> key = "4-0001";
  EXPECT_EQ(key, "4-0001");
  EXPECT_EQ(key.size(), 6u);
  key = std::string("4-123456789");
  EXPECT_EQ(key.View(), "4-12345678");
  EXPECT_EQ(std::string_view(key.c_str()), "4-12345678");
  key = std::string_view("4-12345678901", 3);
  EXPECT_EQ(key.Str(), "4-1");
  EXPECT_EQ(std::string_view(key.c_str()), "4-1");
  key = "";
  EXPECT_TRUE(key.empty());
  EXPECT_EQ(std::string_view(key.c_str()), "");

  FixedText<1> scope = "Private";
  EXPECT_EQ(scope, "P");
  EXPECT_EQ(scope[0], 'P');
  EXPECT_TRUE(FixedText<1>().empty());
}

// Compares and orders byte for byte like the strings it stands for, with each kind of text.
TEST(FixedTextTest, ComparesAndOrdersLikeAString) {
  const FixedText<10> a = "3-000A";
  const FixedText<10> b = "3-000a";
  EXPECT_NE(a, b);
  EXPECT_LT(a, b);
  EXPECT_EQ(a, std::string("3-000A"));
  EXPECT_EQ(std::string("3-000A"), a);
  EXPECT_NE(a, std::string_view("3-000"));
  EXPECT_TRUE(a < std::string_view("3-000B"));
  EXPECT_EQ("prefix " + a, "prefix 3-000A");
  EXPECT_EQ(a + "/x", "3-000A/x");

  std::map<std::string, int> byKey{{"3-000A", 1}};
  EXPECT_EQ(byKey.count(a), 1u);  // converts where a std::string is asked for
}

}  // namespace
}  // namespace tarnel
