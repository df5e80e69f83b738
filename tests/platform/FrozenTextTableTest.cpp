#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/FrozenTextTable.h"

namespace tarnel {
namespace {

// Keys whose texts stay put while the table is built and read.
struct Keys {
  void Add(std::string text, int value) { AddHashed(text, TextHashTable::Hash(text), value); }
  // With a hash of the test's choosing, to make texts meet.
  void AddHashed(std::string text, std::uint64_t hash, int value) {
    const std::string& held = Texts.emplace_back(std::move(text));
    List.push_back({hash, held.data(), static_cast<std::uint32_t>(held.size()), value});
  }
  std::deque<std::string> Texts;
  std::vector<FrozenTextTable::Key> List;
};

int Find(const FrozenTextTable& table, std::string_view key) {
  return table.Find(key, TextHashTable::Hash(key));
}

TEST(FrozenTextTableTest, AnEmptyTableHoldsNothing) {
  FrozenTextTable table;
  EXPECT_EQ(Find(table, ""), -1);
  EXPECT_EQ(Find(table, "a"), -1);
  table.Build(std::span<const FrozenTextTable::Key>());
  EXPECT_EQ(Find(table, "a"), -1);
  EXPECT_FALSE(table.MayContain('a', 1));
  EXPECT_EQ(table.Size(), 0u);
}

// Texts around the lengths where the entry's own bytes end (24) and a long text's prefix ends
// (16), with zero bytes and bytes above 127; each is found, and texts that differ from one in
// their length or in any one byte are not.
TEST(FrozenTextTableTest, FindsTextsOfEveryLengthAndNothingThatDiffersFromThem) {
  Keys keys;
  std::vector<std::string> texts = {"", std::string(1, '\0'), std::string("a\0", 2), "a"};
  for (std::size_t length : {7, 8, 9, 15, 16, 17, 23, 24, 25, 26, 40, 300}) {
    std::string text(length, 'x');
    text[length / 2] = '\x82';
    texts.push_back(text);
  }
  for (std::size_t i = 0; i < texts.size(); ++i) keys.Add(texts[i], static_cast<int>(i) * 3);
  FrozenTextTable table;
  table.Build(keys.List);
  EXPECT_EQ(table.Size(), texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    ASSERT_EQ(Find(table, texts[i]), static_cast<int>(i) * 3) << i;
    ASSERT_EQ(table.FindHashed(texts[i], TextHashTable::Hash(texts[i])), static_cast<int>(i) * 3);
    std::string longer = texts[i] + "x";
    if (std::find(texts.begin(), texts.end(), longer) == texts.end()) {
      EXPECT_EQ(Find(table, longer), -1) << i;
    }
    // One byte changed, wherever it stands: in the first word, the middle one, the last (which
    // may overlap the one before), or past a long text's prefix.
    for (std::size_t at = 0; at < texts[i].size(); ++at) {
      std::string changed = texts[i];
      changed[at] = static_cast<char>(changed[at] ^ 0x20);
      ASSERT_EQ(Find(table, changed), -1) << i << " " << at;
    }
  }
  EXPECT_TRUE(table.MayContain('x', 25));
  EXPECT_FALSE(table.MayContain('y', 25));
  EXPECT_EQ(table.FindHashed("xx", TextHashTable::Hash("xx")), -1);  // no text of two bytes
}

// A large table against a plain map: the first value of a repeated text counts unless the merge
// says otherwise, and every text looked for that was not entered misses.
TEST(FrozenTextTableTest, AgreesWithAMapOnALargeTableWithRepeatedTexts) {
  std::mt19937 random(7);
  Keys keys;
  std::unordered_map<std::string, int> expected;
  for (int i = 0; i < 60000; ++i) {
    // A fifth of the texts come again, some of them several times.
    const int n = random() % 5 == 0 ? static_cast<int>(random() % 8000) : i;
    std::string text = "Name" + std::to_string(n) + std::string(random() % 30, 'q');
    expected.emplace(text, i);
    keys.Add(std::move(text), i);
  }
  FrozenTextTable table;
  table.Build(keys.List);
  EXPECT_EQ(table.Size(), expected.size());
  for (const auto& [text, value] : expected) ASSERT_EQ(Find(table, text), value) << text;
  for (int i = 0; i < 20000; ++i) {
    const std::string text = "Nome" + std::to_string(i);
    ASSERT_EQ(Find(table, text), -1) << text;
  }

  // The values of one text merged in the keys' order.
  table.Build(keys.List, [](int value, int later) { return value * 2 + (later & 1); });
  std::unordered_map<std::string, int> merged;
  for (const FrozenTextTable::Key& key : keys.List) {
    auto [it, first] = merged.emplace(std::string(key.Text()), key.Value);
    if (!first) it->second = it->second * 2 + (key.Value & 1);
  }
  for (const auto& [text, value] : merged) ASSERT_EQ(Find(table, text), value) << text;
}

// Different texts of one hash cannot have entries of their own: they and the rest of their
// group are held aside, and found there, repeats merged as anywhere else.
TEST(FrozenTextTableTest, HoldsTextsOfOneHashAsideAndStillFindsThem) {
  Keys keys;
  for (int i = 0; i < 1000; ++i) keys.Add("plain" + std::to_string(i), i);
  const std::uint64_t shared = TextHashTable::Hash("plain7");
  keys.AddHashed("twinA", shared, 5000);
  keys.AddHashed("twinB", shared, 5001);
  keys.AddHashed("twinA", shared, 5002);
  FrozenTextTable table;
  table.Build(keys.List, [](int value, int later) { return value + later; });
  EXPECT_GE(table.AsideCount(), 3);
  EXPECT_EQ(table.Size(), 1002u);
  EXPECT_EQ(table.Find("twinA", shared), 5000 + 5002);
  EXPECT_EQ(table.Find("twinB", shared), 5001);
  EXPECT_EQ(table.Find("twinC", shared), -1);
  EXPECT_EQ(Find(table, "plain7"), 7);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(Find(table, "plain" + std::to_string(i)), i);
}

// A frozen copy of an open-addressing table finds what the table held then, keys of up to eight
// bytes (which that table keeps in its slots) and longer ones alike, and nothing entered later.
TEST(FrozenTextTableTest, CopiesWhatAnOpenTableHolds) {
  TextHashTable open;
  for (int i = 0; i < 3000; ++i)
    open.Insert(i % 2 == 0 ? std::to_string(i) : "long name " + std::to_string(i), i);
  FrozenTextTable frozen;
  frozen.Build(open);
  open.Insert("later", 1);
  EXPECT_EQ(frozen.Size(), 3000u);
  for (int i = 0; i < 3000; ++i) {
    const std::string key = i % 2 == 0 ? std::to_string(i) : "long name " + std::to_string(i);
    ASSERT_EQ(Find(frozen, key), i) << key;
  }
  EXPECT_EQ(Find(frozen, "later"), -1);
  EXPECT_EQ(Find(frozen, "3001"), -1);
}

}  // namespace
}  // namespace tarnel
