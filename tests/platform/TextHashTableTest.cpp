#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ByteText.h"
#include "platform/TextHashTable.h"

namespace tarnel {
namespace {

TEST(TextHashTableTest, KeepsTheFirstValueOfAKey) {
  TextHashTable table;
  table.Insert("bump", 3);
  table.Insert("bump", 7);
  table.Insert("", 9);
  EXPECT_EQ(table.Find("bump"), 3);
  EXPECT_EQ(table.Find(""), 9);
  EXPECT_EQ(table.Find("bum"), -1);
  EXPECT_EQ(table.Find("bumps"), -1);
  EXPECT_EQ(table.Size(), 2);
  table.Clear();
  EXPECT_EQ(table.Find("bump"), -1);
}

TEST(TextHashTableTest, FindsEveryKeyOfALargeTableAndNoOther) {
  TextHashTable table;
  for (int i = 0; i < 50000; ++i) table.Insert("name" + std::to_string(i), i);
  for (int i = 0; i < 50000; ++i) ASSERT_EQ(table.Find("name" + std::to_string(i)), i);
  for (int i = 50000; i < 60000; ++i) ASSERT_EQ(table.Find("name" + std::to_string(i)), -1);
  // Long keys and keys with bytes above 127.
  std::string long1(300, 'x');
  table.Insert(long1, -5);
  table.Insert("\x95\x5c\x8e\xa6", 12);
  EXPECT_EQ(table.Find(long1), -5);
  EXPECT_EQ(table.Find(std::string(301, 'x')), -1);
  EXPECT_EQ(table.Find("\x95\x5c\x8e\xa6"), 12);
}

TEST(TextHashTableTest, KeepsEveryKeyAcrossItsReservedRoomAndEachGrowth) {
  // Room made ahead for some keys, then more: the table fills to each growth point and past it.
  TextHashTable table;
  table.Reserve(12, 48);
  for (int i = 0; i < 200; ++i) {
    table.Insert("k" + std::to_string(i), i);
    for (int j = 0; j <= i; ++j) ASSERT_EQ(table.Find("k" + std::to_string(j)), j) << i;
    ASSERT_EQ(table.Find("k" + std::to_string(i + 1)), -1);
  }
  EXPECT_EQ(table.Size(), 200);
}

TEST(TextHashTableTest, ShortKeysThatDifferOnlyInZeroBytesOrLengthStayApart) {
  // Keys of up to eight bytes are held as words padded with zero bytes: a key that ends in zero
  // bytes must not meet a shorter one, through growth too.
  TextHashTable table;
  // clang-format off
  const std::string keys[] = {std::string(), std::string(1, '\0'), std::string(2, '\0'), "a",
                              std::string("a\0", 2), std::string("a\0\0\0\0\0\0", 8),
                              "\xff\xfe", "abcdefgh", "abcdefghi", std::string("abcdefg\0", 8)};
  // clang-format on
  int value = 0;
  for (const std::string& key : keys) table.Insert(key, value++);
  for (int i = 0; i < 100; ++i) table.Insert("filler" + std::to_string(i), 1000 + i);
  value = 0;
  for (const std::string& key : keys) EXPECT_EQ(table.Find(key), value++) << key.size();
  table.Assign("a", 77);
  table.Assign("abcdefghij", 78);
  EXPECT_EQ(table.Find("a"), 77);
  EXPECT_EQ(table.Find(std::string("a\0", 2)), 4);
  EXPECT_EQ(table.Find("abcdefghij"), 78);
  EXPECT_EQ(table.Size(), 111);
}

TEST(TextHashTableTest, InsertingInBulkKeepsWhatInsertingOneByOneKeeps) {
  // Keys entered twice with different values, short and long, ending in zero bytes, with bytes
  // above 127; enough of them for the slots to be placed by many runs, and some already in the
  // table before.
  std::vector<std::string> keys;
  for (int i = 0; i < 30000; ++i) {
    const int n = i % 7000;
    switch (i % 4) {
      case 0:
        keys.push_back("k" + std::to_string(n));
        break;
      case 1:
        keys.push_back("a longer key number " + std::to_string(n));
        break;
      case 2:
        keys.push_back(std::string("z\0", 2) + std::to_string(n % 100) + std::string(i % 3, '\0'));
        break;
      default:
        keys.push_back("\x95\x5c" + std::to_string(n) + "\xff");
        break;
    }
  }
  TextHashTable oneByOne, bulk;
  for (TextHashTable* table : {&oneByOne, &bulk}) {
    table->Insert("k8", -1);
    table->Insert("a longer key number 13", -2);
  }
  for (std::size_t i = 0; i < keys.size(); ++i) oneByOne.Insert(keys[i], static_cast<int>(i));
  std::vector<std::size_t> asked;
  bulk.InsertAll(
      keys.size(),
      [&](std::size_t i, std::string& scratch) -> std::string_view {
        asked.push_back(i);
        scratch = keys[i];
        return scratch;
      },
      [](std::size_t i) { return static_cast<int>(i); });

  ASSERT_EQ(asked.size(), keys.size());  // each key once, in order
  for (std::size_t i = 0; i < asked.size(); ++i) ASSERT_EQ(asked[i], i);
  EXPECT_EQ(bulk.Size(), oneByOne.Size());
  for (const std::string& key : keys) {
    ASSERT_EQ(bulk.Find(key), oneByOne.Find(key)) << key;
    ASSERT_TRUE(bulk.MayContain(key[0], key.size()));
  }
  EXPECT_EQ(bulk.Find("k8"), -1);
  EXPECT_EQ(bulk.Find("a longer key number 13"), -2);
  for (const std::string key : {"k7000", "a longer key number 7000", "z", "", "\x95\x5c"}) {
    EXPECT_EQ(bulk.Find(key), -1) << key;
  }
  // The table goes on growing one key at a time afterwards.
  for (int i = 0; i < 20000; ++i) bulk.Insert("after" + std::to_string(i), i);
  EXPECT_EQ(bulk.Find("after19999"), 19999);
  EXPECT_EQ(bulk.Find(keys[29999]), oneByOne.Find(keys[29999]));
}

TEST(TextHashTableTest, AHashMadeOnceFindsWhatTheKeyFinds) {
  // One hash serves lookups in several tables: each answers as its own Find would, a table
  // without keys and one that grew past the size its filter started at among them.
  TextHashTable empty, small, grown;
  small.Insert("dim", 1);
  for (int i = 0; i < 5000; ++i) grown.Insert("sub" + std::to_string(i), i);
  for (const std::string key : {"dim", "dam", "Dim", "sub0", "sub4999", "sub5000", "", "su"}) {
    const std::uint64_t hash = TextHashTable::Hash(key);
    for (const TextHashTable* table : {&empty, &small, &grown}) {
      EXPECT_EQ(table->FindHashed(key, hash), table->Find(key)) << key;
    }
  }
  // The first keys went in before the table grew and its filter with it.
  EXPECT_EQ(grown.FindHashed("sub0", TextHashTable::Hash("sub0")), 0);
  EXPECT_EQ(grown.FindHashed("sub4999", TextHashTable::Hash("sub4999")), 4999);
  EXPECT_EQ(small.FindHashed("dim", TextHashTable::Hash("dim")), 1);
}

TEST(TextHashTableTest, FiltersByLengthAndFirstByteTogether) {
  TextHashTable table;
  table.Insert("Call", 0);
  table.Insert("Do", 1);
  EXPECT_TRUE(table.MayContain('C', 4));
  EXPECT_TRUE(table.MayContain('D', 2));
  EXPECT_FALSE(table.MayContain('c', 4));
  EXPECT_FALSE(table.MayContain('C', 5));
  // Each of the first byte and the length is some key's, but no key has both.
  EXPECT_FALSE(table.MayContain('C', 2));
  EXPECT_FALSE(table.MayContain('D', 4));
  EXPECT_EQ(table.Find("Co"), -1);
  // The empty key, and keys of every length past the last one the filter tells apart.
  EXPECT_FALSE(table.MayContain('\0', 0));
  table.Insert("", 2);
  EXPECT_TRUE(table.MayContain('\0', 0));
  EXPECT_EQ(table.Find(""), 2);
  for (const std::size_t length : {62u, 63u, 64u, 100u, 5000u}) {
    const std::string key(length, 'L');
    table.Insert(key, static_cast<int>(length));
    EXPECT_TRUE(table.MayContain('L', length)) << length;
    EXPECT_EQ(table.Find(key), static_cast<int>(length)) << length;
  }
  EXPECT_FALSE(table.MayContain('L', 61));
  EXPECT_TRUE(table.MayContain('L', 70));  // longer keys share a bit
  EXPECT_EQ(table.Find(std::string(70, 'L')), -1);
}

TEST(TextHashTableTest, FoldAndHashGiveTheFoldAndItsHashForAnyText) {
  // Every length around the eight-byte words, plain ASCII and with a double-byte letter
  // (full-width A, which folds to full-width a) at each place, through one scratch that keeps
  // what longer texts left in it.
  std::string scratch;
  for (std::size_t length = 0; length <= 24; ++length) {
    std::string ascii;
    for (std::size_t i = 0; i < length; ++i) ascii += static_cast<char>(i % 2 ? 'q' + i % 5 : 'Q');
    std::vector<std::string> texts{ascii};
    for (std::size_t at = 0; at + 2 <= length; ++at) {
      texts.push_back(ascii.substr(0, at) + "\x82\x60" + ascii.substr(at + 2));
    }
    for (const std::string& text : texts) {
      std::uint64_t hash = 0;
      const std::string_view fold = FoldAndHash(text, scratch, hash);
      ASSERT_EQ(fold, FoldCase(text)) << text;
      ASSERT_EQ(hash, TextHashTable::Hash(FoldCase(text))) << text;
    }
    scratch.assign(40, '#');
  }
}

TEST(TextHashTableTest, AHashFilterHoldsEveryHashAddedAndTurnsAwayNearlyAllOthers) {
  HashFilter filter(20000);
  for (int i = 0; i < 20000; ++i) filter.Add(TextHashTable::Hash("name" + std::to_string(i)));
  for (int i = 0; i < 20000; ++i) {
    ASSERT_TRUE(filter.MayHold(TextHashTable::Hash("name" + std::to_string(i)))) << i;
  }
  int passed = 0;
  for (int i = 20000; i < 120000; ++i) {
    passed += filter.MayHold(TextHashTable::Hash("name" + std::to_string(i))) ? 1 : 0;
  }
  EXPECT_LT(passed, 3000);  // about 1.4% at sixteen bits per hash
  // More hashes than it was made for: it holds them all, with more strangers let through.
  HashFilter small(10);
  for (int i = 0; i < 1000; ++i) small.Add(TextHashTable::Hash(std::to_string(i)));
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(small.MayHold(TextHashTable::Hash(std::to_string(i))));
  EXPECT_FALSE(HashFilter(0).MayHold(TextHashTable::Hash("x")));
}

}  // namespace
}  // namespace tarnel
