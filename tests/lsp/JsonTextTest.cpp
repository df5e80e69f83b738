#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "lsp/JsonText.h"

namespace tarnel {
namespace {

using nlohmann::json;

std::string Dumped(const json& value) {
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

// Strings with every kind of byte that needs care: quotes and backslashes, every control
// character, DEL, UTF-8 of two to four bytes, and bytes that are not UTF-8 (a stray
// continuation, a truncated sequence, an overlong form, a surrogate, a code point past U+10FFFF).
std::vector<std::string> TrickyStrings() {
  std::vector<std::string> texts = {"",
                                    "Main",
                                    "a \"quoted\" \\ path\\",
                                    "\x7f",
                                    "caf\xc3\xa9",
                                    "\xe6\x97\xa5\xe6\x9c\xac",
                                    "\xf0\x9f\x98\x80 smile",
                                    "\xff",
                                    "ok \x80 then",
                                    "cut \xe6\x97",
                                    "\xc0\xaf",
                                    "\xed\xa0\x80",
                                    "\xf4\x90\x80\x80",
                                    "mixed \xc3\xa9 \"and\" \x01 \xfe end"};
  std::string controls;
  for (char c = 0; c < 0x20; ++c) controls += c;
  texts.push_back(controls);
  return texts;
}

TEST(JsonTextTest, StringsAreWrittenAsNlohmannWritesThem) {
  for (const std::string& text : TrickyStrings()) {
    JsonText out;
    out.String(text);
    EXPECT_EQ(out.Text(), Dumped(json(text))) << text;
    // Whatever the input, the output is UTF-8 that a client's parser takes back.
    EXPECT_FALSE(json::parse(out.Text(), nullptr, false).is_discarded()) << text;
  }
}

TEST(JsonTextTest, NestedValuesGetTheirCommasAndStartAgainAfterClear) {
  json expected = {{"empty", json::array()},
                   {"items",
                    {{{"kind", 12}, {"name", "a\"b"}, {"tags", {1}}},
                     json::object(),
                     {{"kind", -7}, {"name", "\xc3\xa9"}, {"tags", {1, 2}}}}},
                   {"raw", {{"x", nullptr}}},
                   {"total", 9007199254740993LL}};
  JsonText out;
  for (int pass = 0; pass < 2; ++pass) {
    out.Clear();
    out.BeginObject().Key("empty").BeginArray().EndArray().Key("items").BeginArray();
    out.BeginObject().Key("kind").Int(12).Key("name").String("a\"b");
    out.Key("tags").BeginArray().Int(1).EndArray().EndObject();
    out.BeginObject().EndObject();
    out.BeginObject().Key("kind").Int(-7).Key("name").String("\xc3\xa9");
    out.Key("tags").BeginArray().Int(1).Int(2).EndArray().EndObject();
    out.EndArray().Key("raw").Raw(R"({"x":null})").Key("total").Int(9007199254740993LL);
    out.EndObject();
    EXPECT_EQ(out.Text(), Dumped(expected)) << "pass " << pass;
  }
  // Giving the storage back starts again too.
  out.Clear(0);
  out.BeginArray().EndArray();
  EXPECT_EQ(out.Text(), "[]");
}

}  // namespace
}  // namespace tarnel
