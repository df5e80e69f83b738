#include <gtest/gtest.h>

#include <algorithm>

#include "analysis/SymbolList.h"
#include "platform/ByteText.h"
#include "platform/Errors.h"

namespace tarnel {
namespace {

TPassRec Record(std::string key) {
  TPassRec r;
  r.Key = std::move(key);
  r.Calls = {ProcedureKey(7)};
  return r;
}

std::vector<std::string> Order(const SymbolList& list) {
  std::vector<std::string> keys;
  for (int i = 0; i < list.Count(); ++i) keys.push_back(list.At(i).Key);
  return keys;
}

TEST(SymbolListTest, InsertionOrderUntilTheSwitchThenKeyOrderForGood) {
  SymbolList list;
  for (auto k : {"2-0001", "4-0001", "3-0001"}) list.Add(Record(k));
  EXPECT_EQ(Order(list), (std::vector<std::string>{"2-0001", "4-0001", "3-0001"}));
  list.SwitchToKeyOrder();
  EXPECT_EQ(Order(list), (std::vector<std::string>{"2-0001", "3-0001", "4-0001"}));
  list.Clear();
  EXPECT_TRUE(list.InKeyOrder());
  for (auto k : {"2-0002", "4-0002", "3-0002", "2-0001"}) list.Add(Record(k));
  EXPECT_EQ(Order(list), (std::vector<std::string>{"2-0001", "2-0002", "3-0002", "4-0002"}));
}

TEST(SymbolListTest, KeyOrderPlacesTenThousandBetween1000And1001) {
  SymbolList list;
  list.SwitchToKeyOrder();
  for (auto k : {"4-1001", "4-10000", "4-1000", "4-0999"}) list.Add(Record(k));
  EXPECT_EQ(Order(list), (std::vector<std::string>{"4-0999", "4-1000", "4-10000", "4-1001"}));
}

TEST(SymbolListTest, KeyOrderIgnoresCaseAndKeepsEqualKeysInTheirOrder) {
  SymbolList list;
  for (auto k : {"4-b", "4-A", "4-B", "4-a"}) list.Add(Record(k));
  list.SwitchToKeyOrder();
  EXPECT_EQ(Order(list), (std::vector<std::string>{"4-A", "4-a", "4-b", "4-B"}));
}

// The key order must be that of the folded texts compared byte by byte (bytes above 0x7F after
// the others), equal texts in the order added, whether or not a key keeps the keys from being
// compared as packed words (a NUL byte would read as the padding).
TEST(SymbolListTest, KeyOrderIsTheOrderOfTheFoldedTextsForShortAndLongKeys) {
  const std::vector<std::string> pieces = {"4-",   "4-0", "A",    "a",  "\x81",
                                           "\xe0", "10",  "9999", "-x", "Z"};
  std::vector<std::string> keys;
  unsigned seed = 7;
  for (int i = 0; i < 300; ++i) {
    std::string key;
    const int parts = 1 + static_cast<int>(seed % 4);
    for (int p = 0; p < parts; ++p) {
      seed = seed * 1103515245u + 12345u;
      key += pieces[(seed >> 16) % pieces.size()];
    }
    keys.push_back(key);
  }
  for (const bool withUnpackedKey : {false, true}) {
    SymbolList list;
    for (const std::string& key : keys) list.Add(Record(key));
    if (withUnpackedKey) list.Add(Record(std::string("4-\0-nul", 7)));
    std::vector<std::string> expected = Order(list);
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return FoldCase(a) < FoldCase(b); });
    list.SwitchToKeyOrder();
    EXPECT_EQ(Order(list), expected) << withUnpackedKey;
  }
}

TEST(SymbolListTest, FindIgnoresCaseAndFailsForAMissingKey) {
  SymbolList list;
  TPassRec& stored = list.Add(Record("4-0001"));
  EXPECT_TRUE(stored.Calls.empty());  // key lists always start empty
  EXPECT_EQ(&list.Find("4-0001"), &stored);
  EXPECT_EQ(list.TryFind("4-0002"), nullptr);
  EXPECT_THROW(list.Find("1"), ListIndexError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.TryFind("4-0001"), nullptr);
}

// Keys as the analysis writes them are found by their number; every other key by its text, letter
// case ignored. The same number written otherwise, or under another level, is another key, and
// the first record under a key is the one found, through Clear and Release as well.
TEST(SymbolListTest, NumberedAndOtherKeysEachFindTheirFirstRecord) {
  SymbolList list;
  const std::string keys[] = {"4-0012",    "4-12",   "4-00012", "3-0012", "4-12345678", "4-4194303",
                              "4-4194304", "0-0000", "4-001A",  "a-0001", "4_0012"};
  std::vector<TPassRec*> stored;
  for (const std::string& key : keys) stored.push_back(&list.Add(Record(key)));
  TPassRec& again = list.Add(Record("4-0012"));
  TPassRec& againLong = list.Add(Record("4-12345678"));
  for (std::size_t i = 0; i < std::size(keys); ++i) {
    EXPECT_EQ(list.TryFind(keys[i]), stored[i]) << keys[i];
    EXPECT_EQ(list.RecordedIndexOf(keys[i]), static_cast<int>(i)) << keys[i];
  }
  EXPECT_NE(&again, stored[0]);
  EXPECT_NE(&againLong, stored[4]);
  EXPECT_EQ(list.TryFind("A-0001"), stored[9]);  // letter case ignored
  EXPECT_EQ(list.TryFind("4-001a"), stored[8]);
  for (const std::string key :
       {"4-0013", "4-0011", "5-0012", "4-012", "4-4194305", "4-99999999", "4-0012 ", "", "4-"}) {
    EXPECT_EQ(list.TryFind(key), nullptr) << key;
  }

  std::vector<std::unique_ptr<TPassRec>> released = list.Release();
  EXPECT_EQ(list.TryFind("4-0012"), nullptr);
  EXPECT_EQ(list.TryFind("4-001A"), nullptr);
  // Back in reverse: the later record under "4-0012" comes first now.
  for (auto it = released.rbegin(); it != released.rend(); ++it) list.Adopt(std::move(*it));
  EXPECT_EQ(list.TryFind("4-0012"), &again);
  EXPECT_EQ(list.TryFind("4-12345678"), &againLong);
  EXPECT_EQ(list.TryFind("3-0012"), stored[3]);
  EXPECT_EQ(list.TryFind("4-001A"), stored[8]);
  list.Clear();
  EXPECT_EQ(list.TryFind("3-0012"), nullptr);
  EXPECT_EQ(list.TryFind("a-0001"), nullptr);
}

}  // namespace
}  // namespace tarnel
