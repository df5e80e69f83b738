#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "lsp/LspClient.h"
#include "lsp/SourceLines.h"
#include "platform/CodePage.h"
#include "support/TempDir.h"

namespace tarnel::test {
namespace {

using nlohmann::json;

json At(int line, int character) { return {{"line", line}, {"character", character}}; }

json DocPos(const std::string& uri, int line, int character) {
  return {{"textDocument", {{"uri", uri}}}, {"position", At(line, character)}};
}

std::vector<std::string> Names(const json& items, const char* field = nullptr) {
  std::vector<std::string> names;
  for (const json& item : items) names.push_back((field ? item[field] : item)["name"]);
  return names;
}

// The example project copied to a folder the test may edit.
class ConversationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name :
         {"Demo.vbp", "Module1.bas", "CCounter.cls", "frmMain.frm", "frmAbout.frm"}) {
      std::filesystem::copy_file(SourcePath(std::string("examples/Demo/") + name), dir_.File(name));
    }
    root_ = std::filesystem::canonical(dir_.Path()).string();
    module_ = FileUri(root_ + "/Module1.bas");
  }

  json Initialize(LspClient& client) {
    json reply = client.Request(
        "initialize",
        {{"processId", nullptr}, {"rootUri", FileUri(root_)}, {"capabilities", json::object()}});
    client.Notify("initialized", json::object());
    return reply;
  }

  TempDir dir_;
  std::string root_;
  std::string module_;
};

TEST_F(ConversationTest, AWholeSessionOnTheExampleProject) {
  LspClient client;
  json init = Initialize(client);
  ASSERT_TRUE(init.contains("result")) << init;
  EXPECT_TRUE(init["result"]["capabilities"]["callHierarchyProvider"]);
  EXPECT_EQ(init["result"]["capabilities"]["positionEncoding"], "utf-16");

  // Procedures, properties and external procedures of the module, each with its range.
  json symbols =
      client.Request("textDocument/documentSymbol", {{"textDocument", {{"uri", module_}}}});
  std::vector<std::string> names = Names(symbols["result"]);
  ASSERT_GE(names.size(), 12u);
  EXPECT_EQ(names[0], "GetTickCount");
  EXPECT_EQ(names[2], "Main");
  const json& main = symbols["result"][2];
  EXPECT_EQ(main["range"]["start"], At(21, 0));
  EXPECT_EQ(main["range"]["end"], At(28, 7));
  EXPECT_EQ(main["selectionRange"]["start"], At(21, 4));

  // "InitApp" on line 24 of Sub Main calls the private procedure declared on line 31.
  json definition = client.Request("textDocument/definition", DocPos(module_, 23, 6));
  ASSERT_EQ(definition["result"].size(), 1u) << definition;
  EXPECT_EQ(definition["result"][0]["range"]["start"], At(30, 12));

  // Every call of WriteLog, across modules; the one after Japanese text counts UTF-16 units.
  json references =
      client.Request("textDocument/references", {{"textDocument", {{"uri", module_}}},
                                                 {"position", At(40, 14)},
                                                 {"context", {{"includeDeclaration", false}}}});
  std::set<std::string> files;
  for (const json& location : references["result"]) files.insert(location["uri"]);
  EXPECT_GE(references["result"].size(), 4u);
  EXPECT_TRUE(files.count(FileUri(root_ + "/frmMain.frm"))) << references;
  EXPECT_TRUE(files.count(module_));

  // Quick-open ranking: a name that starts with the text comes before one that contains it.
  json found = client.Request("workspace/symbol", {{"query", "log"}});
  std::vector<std::string> ranked = Names(found["result"]);
  ASSERT_FALSE(ranked.empty());
  auto where = [&](const std::string& name) {
    return std::find(ranked.begin(), ranked.end(), name) - ranked.begin();
  };
  EXPECT_LT(where("SaveLog"), where("NextLogId"));  // word start, shorter first
  EXPECT_LT(where("WriteLog"), static_cast<long>(ranked.size()));

  // Call hierarchy both ways from Tick.
  json prepared = client.Request("textDocument/prepareCallHierarchy", DocPos(module_, 99, 12));
  ASSERT_EQ(Names(prepared["result"]), std::vector<std::string>{"Tick"});
  json tick = prepared["result"][0];
  json outgoing = client.Request("callHierarchy/outgoingCalls", {{"item", tick}});
  json formatCount;
  for (const json& call : outgoing["result"]) {
    if (call["to"]["name"] == "FormatCount") formatCount = call;
  }
  ASSERT_FALSE(formatCount.is_null()) << outgoing;
  // "        Module1.WriteLog "経過表示: " & FormatCount(": 36 UTF-16 units, 40 bytes of 932.
  EXPECT_EQ(formatCount["fromRanges"][0]["start"], At(105, 36));
  EXPECT_EQ(formatCount["fromRanges"][0]["end"], At(105, 47));

  json writeLog = client.Request("textDocument/prepareCallHierarchy", DocPos(module_, 40, 14));
  json incoming = client.Request("callHierarchy/incomingCalls", {{"item", writeLog["result"][0]}});
  std::vector<std::string> callers = Names(incoming["result"], "from");
  EXPECT_NE(std::find(callers.begin(), callers.end(), "Main"), callers.end()) << incoming;
  EXPECT_NE(std::find(callers.begin(), callers.end(), "Tick"), callers.end());
  for (const json& call : incoming["result"]) EXPECT_FALSE(call["fromRanges"].empty());

  json hover = client.Request("textDocument/hover", DocPos(module_, 23, 6));
  const std::string text = hover["result"]["contents"]["value"];
  EXPECT_NE(text.find("Private Sub InitApp()"), std::string::npos) << text;
  EXPECT_NE(text.find("1 caller"), std::string::npos) << text;

  // An edit that changes a callee: Tick now counts with SumTo instead of FormatCount.
  std::string source = ReadNative(dir_.File("Module1.bas"));
  const std::size_t call = source.find("FormatCount(gCounter.Value)");
  ASSERT_NE(call, std::string::npos);
  source.replace(call, 11, "SumTo");
  dir_.Write("Module1.bas", source);
  client.Notify("textDocument/didSave", {{"textDocument", {{"uri", module_}}}});
  outgoing = client.Request("callHierarchy/outgoingCalls", {{"item", tick}});
  std::vector<std::string> callees = Names(outgoing["result"], "to");
  EXPECT_NE(std::find(callees.begin(), callees.end(), "SumTo"), callees.end()) << outgoing;
  EXPECT_EQ(std::find(callees.begin(), callees.end(), "FormatCount"), callees.end());
  definition = client.Request("textDocument/definition", DocPos(module_, 105, 38));
  ASSERT_EQ(definition["result"].size(), 1u) << definition;
  EXPECT_EQ(definition["result"][0]["range"]["start"]["line"], 91);

  // Diagnostics were published for every module of the project; the external procedure that
  // nothing calls is a hint marked unnecessary.
  std::set<std::string> published;
  std::vector<std::string> unused;
  for (const json& note : client.Notifications) {
    if (note["method"] != "textDocument/publishDiagnostics") continue;
    published.insert(note["params"]["uri"]);
    for (const json& d : note["params"]["diagnostics"]) {
      EXPECT_EQ(d["severity"], 4);
      EXPECT_EQ(d["tags"], json::array({1}));
      if (note["params"]["uri"] == module_) unused.push_back(d["message"]);
    }
  }
  EXPECT_EQ(published.size(), 4u);
  EXPECT_NE(std::find(unused.begin(), unused.end(), "GetPrivateProfileString is never called"),
            unused.end());

  json shutdown = client.Request("shutdown", nullptr);
  EXPECT_TRUE(shutdown.contains("result"));
  json late = client.Request("textDocument/documentSymbol", {{"textDocument", {{"uri", module_}}}});
  EXPECT_EQ(late["error"]["code"], -32600);
  client.Notify("exit", nullptr);
  EXPECT_EQ(client.Finish(), 0);
}

TEST_F(ConversationTest, RequestsBeforeInitializeAndUnknownMethodsGetErrorCodes) {
  LspClient client;
  json early =
      client.Request("textDocument/documentSymbol", {{"textDocument", {{"uri", module_}}}});
  EXPECT_EQ(early["error"]["code"], -32002);
  Initialize(client);
  EXPECT_EQ(client.Request("textDocument/formatting", json::object())["error"]["code"], -32601);
  // A missing position is bad params, not a crash.
  EXPECT_EQ(client.Request("textDocument/definition",
                           {{"textDocument", {{"uri", module_}}}})["error"]["code"],
            -32602);
  EXPECT_EQ(
      client.Request("textDocument/definition", DocPos("http://x/y.bas", 0, 0))["error"]["code"],
      -32602);
  // Positions far outside the file answer nothing.
  EXPECT_EQ(client.Request("textDocument/definition", DocPos(module_, 100000, -5))["result"],
            json::array());
  // An unknown notification is ignored; the server still answers.
  client.Notify("$/somethingNew", json::object());
  EXPECT_TRUE(client.Request("shutdown", nullptr).contains("result"));
  client.Notify("exit", nullptr);
  EXPECT_EQ(client.Finish(), 0);
}

TEST_F(ConversationTest, ExitWithoutShutdownAndEndOfInputEndWithStatusOne) {
  {
    LspClient client;
    client.Notify("exit", nullptr);
    EXPECT_EQ(client.Finish(), 1);
  }
  LspClient client;
  Initialize(client);
  EXPECT_EQ(client.Finish(), 1);
}

TEST_F(ConversationTest, ACancelledRequestIsAnsweredWithRequestCancelled) {
  LspClient client;
  Initialize(client);
  // The request and its cancellation arrive together, so the cancellation is seen first.
  const json request = {
      {"jsonrpc", "2.0"}, {"id", 77}, {"method", "workspace/symbol"}, {"params", {{"query", "a"}}}};
  const json cancel = {{"jsonrpc", "2.0"}, {"method", "$/cancelRequest"}, {"params", {{"id", 77}}}};
  client.SendRaw(FrameMessage(request.dump()) + FrameMessage(cancel.dump()));
  json reply;
  do {
    reply = client.Next();
  } while (!reply.is_null() && reply.value("id", json()) != 77);
  EXPECT_EQ(reply["error"]["code"], -32800) << reply;
  // Later requests are answered as usual, in order.
  EXPECT_TRUE(client.Request("workspace/symbol", {{"query", "Main"}}).contains("result"));
}

TEST_F(ConversationTest, BadInputIsAnsweredOrRefusedAndTheServerGoesOn) {
  LspClient client;
  Initialize(client);
  auto nextError = [&] {
    for (;;) {
      json message = client.Next();
      if (message.is_null() || message.contains("error")) return message;
    }
  };
  // Not JSON, and invalid UTF-8 inside a string.
  client.SendRaw(FrameMessage("{\"jsonrpc\": \"2.0\", \"id\": 1,"));
  EXPECT_EQ(nextError()["error"]["code"], -32700);
  client.SendRaw(
      FrameMessage("{\"jsonrpc\":\"2.0\",\"id\":2,\"method\":\"workspace/"
                   "symbol\",\"params\":{\"query\":\"\xff\xfe\"}}"));
  EXPECT_EQ(nextError()["error"]["code"], -32700);
  // JSON that is no request.
  client.SendRaw(FrameMessage("[1,2,3]"));
  EXPECT_EQ(nextError()["error"]["code"], -32600);
  client.SendRaw(FrameMessage("{\"jsonrpc\":\"2.0\",\"id\":{\"a\":1},\"method\":\"shutdown\"}"));
  EXPECT_EQ(nextError()["error"]["code"], -32600);
  // A header without a length.
  client.SendRaw("Content-Type: text/plain\r\n\r\n");
  EXPECT_EQ(nextError()["error"]["code"], -32700);
  // A 100 MB message is refused without being kept, and the next one is read as usual.
  const std::size_t huge = 100u << 20;
  client.SendRaw("Content-Length: " + std::to_string(huge) + "\r\n\r\n");
  client.SendRaw(std::string(huge, ' '));
  EXPECT_EQ(nextError()["error"]["code"], -32600);
  EXPECT_TRUE(client.Request("workspace/symbol", {{"query", "Main"}}).contains("result"));
  // A truncated header ends the session like the end of input.
  client.SendRaw("Content-Len");
  EXPECT_EQ(client.Finish(), 1);
}

// After an edit only the modules whose diagnostics changed are sent again: a call that makes an
// external procedure used clears Module1's hint; a property renamed in place keeps its range, and
// its hint is sent again with the new name; the forms, whose marks stay the same, are not.
TEST_F(ConversationTest, AfterAnEditOnlyChangedDiagnosticsAreSentAgain) {
  LspClient client;
  Initialize(client);
  // What was sent since the last look, by document URI: the messages of its diagnostics.
  auto sent = [&] {
    client.Request("workspace/symbol", {{"query", "Main"}});
    std::map<std::string, std::vector<std::string>> messages;
    for (const json& note : client.Notifications) {
      if (note["method"] != "textDocument/publishDiagnostics") continue;
      std::vector<std::string>& list = messages[note["params"]["uri"]];
      for (const json& d : note["params"]["diagnostics"]) list.push_back(d["message"]);
    }
    client.Notifications.clear();
    return messages;
  };
  const std::string counter = FileUri(root_ + "/CCounter.cls");
  std::map<std::string, std::vector<std::string>> first = sent();
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(first[module_], std::vector<std::string>{"GetPrivateProfileString is never called"});
  EXPECT_EQ(first[counter], std::vector<std::string>{"Owner is never called"});

  auto edit = [&](const char* file, const std::string& from, const std::string& to) {
    std::string source = ReadNative(dir_.File(file));
    const std::size_t at = source.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    source.replace(at, from.size(), to);
    dir_.Write(file, source);
    client.Notify("textDocument/didSave",
                  {{"textDocument", {{"uri", FileUri(root_ + "/" + file)}}}});
  };
  // After an edit, one module's diagnostics alone are sent again, saying these messages.
  auto sentOnly = [&](const std::string& uri, const std::vector<std::string>& messages) {
    std::map<std::string, std::vector<std::string>> now = sent();
    EXPECT_EQ(now.size(), 1u);
    ASSERT_EQ(now.count(uri), 1u);
    EXPECT_EQ(now[uri], messages);
  };
  edit("Module1.bas", "Sub Main()\r\n",
       "Sub Main()\r\n    x = GetPrivateProfileString(\"a\", \"b\", \"\", \"\", 0, \"c\")\r\n");
  sentOnly(module_, {});
  edit("CCounter.cls", "Property Get Owner() As Object\r\n    Set Owner",
       "Property Get Ownex() As Object\r\n    Set Ownex");
  sentOnly(counter, {"Ownex is never called"});
  // A call from one module's body clears another module's mark.
  edit("Module1.bas", "    frmMain.Show\r\n",
       "    frmMain.Show\r\n    Debug.Print gCounter.Ownex Is Nothing\r\n");
  sentOnly(counter, {});
  client.Notify("exit", nullptr);
  EXPECT_EQ(client.Finish(), 1);
}

// Answers of megabytes, far more than a pipe holds, arrive whole and in order: the calls of a
// procedure that three thousand procedures call twice each.
TEST_F(ConversationTest, AnswersOfThousandsOfCallsArriveWhole) {
  TempDir big;
  constexpr int kCallers = 3000;
  big.WriteLines("Many.vbp", {"Module=Lib; Lib.bas", "Module=Callers; Callers.bas"});
  big.WriteLines("Lib.bas",
                 {"Attribute VB_Name = \"Lib\"", "Public Sub Hit(ByVal n As Long)", "End Sub"});
  std::string callers = "Attribute VB_Name = \"Callers\"\r\n";
  for (int i = 0; i < kCallers; ++i) {
    callers +=
        "Public Sub C" + std::to_string(i) + "()\r\n    Hit 1\r\n  Hit \"\xc3\xa9\"\r\nEnd Sub\r\n";
  }
  big.Write("Callers.bas", callers);
  const std::string root = std::filesystem::canonical(big.Path()).string();
  const std::string lib = FileUri(root + "/Lib.bas");
  const std::string callersUri = FileUri(root + "/Callers.bas");

  LspClient client;
  client.Request("initialize", {{"processId", nullptr},
                                {"rootUri", FileUri(root)},
                                {"capabilities", json::object()},
                                {"initializationOptions", {{"encoding", "UTF-8"}}}});
  client.Notify("initialized", json::object());
  json references =
      client.Request("textDocument/references", {{"textDocument", {{"uri", lib}}},
                                                 {"position", At(1, 12)},
                                                 {"context", {{"includeDeclaration", true}}}});
  const json& locations = references["result"];
  ASSERT_EQ(locations.size(), 1u + 2 * kCallers) << references.dump().substr(0, 300);
  EXPECT_EQ(locations[0]["uri"], lib);
  // Caller i's calls stand on lines 4i + 2 and 4i + 3, indented by four and two.
  const json& last = locations[2 * kCallers];
  EXPECT_EQ(last["uri"], callersUri);
  EXPECT_EQ(last["range"]["start"], At(4 * (kCallers - 1) + 3, 2));
  EXPECT_EQ(last["range"]["end"], At(4 * (kCallers - 1) + 3, 5));

  json prepared = client.Request("textDocument/prepareCallHierarchy", DocPos(lib, 1, 12));
  ASSERT_EQ(prepared["result"].size(), 1u);
  json incoming = client.Request("callHierarchy/incomingCalls", {{"item", prepared["result"][0]}});
  const json& calls = incoming["result"];
  ASSERT_EQ(calls.size(), static_cast<std::size_t>(kCallers));
  for (int i : {0, 1234, kCallers - 1}) {
    const json& call = calls[static_cast<std::size_t>(i)];
    EXPECT_EQ(call["from"]["name"], "C" + std::to_string(i));
    EXPECT_EQ(call["from"]["uri"], callersUri);
    ASSERT_EQ(call["fromRanges"].size(), 2u);
    EXPECT_EQ(call["fromRanges"][0]["start"], At(4 * i + 2, 4));
  }
  client.Request("shutdown", nullptr);
  client.Notify("exit", nullptr);
  EXPECT_EQ(client.Finish(), 0);
}

// The diagnostics of a project of many modules, which the server makes a few dozen modules at a
// time, come once for every module, each with its own marks at their lines; after an edit, those
// of the modules whose marks changed come again, however many there are.
TEST_F(ConversationTest, DiagnosticsOfHundredsOfModulesComeOnceEach) {
  TempDir many;
  constexpr int kModules = 150;
  std::string project = "Module=Main; Main.bas\r\n";
  std::string main = "Attribute VB_Name = \"Main\"\r\nSub Main()\r\n";
  for (int i = 0; i < kModules; ++i) {
    const std::string name = "U" + std::to_string(i);
    project += "Module=" + name + "; " + name + ".bas\r\n";
    many.Write(name + ".bas", "Attribute VB_Name = \"" + name + "\"\r\n" +
                                  std::string(static_cast<std::size_t>(i % 5), '\n') +
                                  "Public Sub Lonely" + std::to_string(i) + "()\r\nEnd Sub\r\n");
    // Main calls the even ones.
    if (i % 2 == 0) main += "    Lonely" + std::to_string(i) + "\r\n";
  }
  many.Write("Many.vbp", project);
  many.Write("Main.bas", main + "End Sub\r\n");
  const std::string root = std::filesystem::canonical(many.Path()).string();
  auto uriOf = [&](int i) { return FileUri(root + "/U" + std::to_string(i) + ".bas"); };

  LspClient client;
  client.Request(
      "initialize",
      {{"processId", nullptr}, {"rootUri", FileUri(root)}, {"capabilities", json::object()}});
  client.Notify("initialized", json::object());
  // What was sent since the last look: each document's diagnostics, as their messages and lines.
  auto sent = [&] {
    client.Request("workspace/symbol", {{"query", "Lonely"}});
    std::map<std::string, std::vector<std::pair<std::string, int>>> marks;
    std::map<std::string, int> times;
    for (const json& note : client.Notifications) {
      if (note["method"] != "textDocument/publishDiagnostics") continue;
      const std::string uri = note["params"]["uri"];
      ++times[uri];
      auto& list = marks[uri];
      for (const json& d : note["params"]["diagnostics"]) {
        list.emplace_back(d["message"], d["range"]["start"]["line"]);
      }
    }
    client.Notifications.clear();
    for (const auto& [uri, count] : times) EXPECT_EQ(count, 1) << uri;
    return marks;
  };
  auto first = sent();
  EXPECT_EQ(first.size(), static_cast<std::size_t>(kModules) + 1);
  for (int i = 0; i < kModules; ++i) {
    std::vector<std::pair<std::string, int>> expected;
    if (i % 2 != 0) expected = {{"Lonely" + std::to_string(i) + " is never called", 1 + i % 5}};
    EXPECT_EQ(first[uriOf(i)], expected) << i;
  }

  // Main calls the odd ones too: 75 modules lose their mark, and only they are sent again.
  for (int i = 1; i < kModules; i += 2) main += "    Lonely" + std::to_string(i) + "\r\n";
  many.Write("Main.bas", main + "End Sub\r\n");
  client.Notify("textDocument/didSave", {{"textDocument", {{"uri", FileUri(root + "/Main.bas")}}}});
  auto again = sent();
  EXPECT_EQ(again.size(), static_cast<std::size_t>(kModules / 2));
  for (int i = 1; i < kModules; i += 2) {
    ASSERT_EQ(again.count(uriOf(i)), 1u) << i;
    EXPECT_TRUE(again[uriOf(i)].empty()) << i;
  }
  client.Request("shutdown", nullptr);
  client.Notify("exit", nullptr);
  EXPECT_EQ(client.Finish(), 0);
}

// The editor's unsaved text is what the server answers from while the document is open.
TEST_F(ConversationTest, UnsavedTextIsAnsweredUntilTheEditorClosesIt) {
  LspClient client;
  Initialize(client);
  const std::string disk = ReadNative(dir_.File("Module1.bas"));
  const std::string original = Cp932ToUtf8(disk);
  std::string edited = original;
  const std::size_t call = edited.find("FormatCount(gCounter.Value)");
  ASSERT_NE(call, std::string::npos);
  edited.replace(call, 11, "SumTo");

  auto tickCallees = [&] {
    json prepared = client.Request("textDocument/prepareCallHierarchy", DocPos(module_, 99, 12));
    if (prepared["result"].size() != 1) return std::vector<std::string>{"?"};
    return Names(
        client.Request("callHierarchy/outgoingCalls", {{"item", prepared["result"][0]}})["result"],
        "to");
  };
  auto has = [](const std::vector<std::string>& names, const char* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  // References of FormatCount, declared on line 59, by file.
  auto formatCountCallers = [&] {
    json found = client.Request("textDocument/references", DocPos(module_, 58, 18));
    std::multiset<std::string> files;
    for (const json& location : found["result"]) files.insert(location["uri"]);
    return files;
  };
  ASSERT_TRUE(has(tickCallees(), "FormatCount"));
  const std::multiset<std::string> before = formatCountCallers();
  const std::string form = FileUri(root_ + "/frmMain.frm");
  EXPECT_EQ(before.count(module_), 1u);
  EXPECT_GE(before.count(form), 1u);

  client.Notify("textDocument/didOpen",
                {{"textDocument",
                  {{"uri", module_}, {"languageId", "vb"}, {"version", 1}, {"text", edited}}}});
  std::vector<std::string> callees = tickCallees();
  EXPECT_TRUE(has(callees, "SumTo"));
  EXPECT_FALSE(has(callees, "FormatCount"));
  EXPECT_EQ(formatCountCallers().count(module_), 0u);
  EXPECT_EQ(formatCountCallers().count(form), before.count(form));
  EXPECT_EQ(ReadNative(dir_.File("Module1.bas")), disk);

  // Whole-text changes, as the server asks for them.
  client.Notify("textDocument/didChange", {{"textDocument", {{"uri", module_}, {"version", 2}}},
                                           {"contentChanges", {{{"text", original}}}}});
  EXPECT_TRUE(has(tickCallees(), "FormatCount"));
  client.Notify("textDocument/didChange", {{"textDocument", {{"uri", module_}, {"version", 3}}},
                                           {"contentChanges", {{{"text", edited}}}}});
  EXPECT_FALSE(has(tickCallees(), "FormatCount"));

  // Changes of ranges, as editors send them, each on the text the one before it left: back to
  // the original; then a line added above, the call edited a line further down, and the line
  // taken out again.
  const auto rangeOf = [&](const std::string& text, std::size_t at, std::size_t length) {
    const std::size_t lineStart = text.rfind('\n', at) + 1;
    const int line = static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
    const std::string_view inLine = std::string_view(text).substr(lineStart);
    return json{{"start", At(line, SourceLines::Utf16Column(inLine, at - lineStart))},
                {"end", At(line, SourceLines::Utf16Column(inLine, at + length - lineStart))}};
  };
  const std::size_t sumTo = edited.find("SumTo(gCounter.Value)");
  client.Notify(
      "textDocument/didChange",
      {{"textDocument", {{"uri", module_}, {"version", 4}}},
       {"contentChanges", {{{"range", rangeOf(edited, sumTo, 5)}, {"text", "FormatCount"}}}}});
  EXPECT_TRUE(has(tickCallees(), "FormatCount"));
  EXPECT_EQ(formatCountCallers().count(module_), 1u);
  const std::string above = "' a line above\r\n";
  const std::size_t formatCount = above.size() + original.find("FormatCount(gCounter.Value)");
  client.Notify("textDocument/didChange",
                {{"textDocument", {{"uri", module_}, {"version", 5}}},
                 {"contentChanges",
                  {{{"range", {{"start", At(0, 0)}, {"end", At(0, 0)}}}, {"text", above}},
                   {{"range", rangeOf(above + original, formatCount, 11)}, {"text", "SumTo"}},
                   {{"range", {{"start", At(0, 0)}, {"end", At(1, 0)}}}, {"text", ""}}}}});
  callees = tickCallees();
  EXPECT_TRUE(has(callees, "SumTo"));
  EXPECT_FALSE(has(callees, "FormatCount"));
  EXPECT_EQ(formatCountCallers().count(module_), 0u);

  // Closed without saving: the file on disk counts again.
  client.Notify("textDocument/didClose", {{"textDocument", {{"uri", module_}}}});
  callees = tickCallees();
  EXPECT_TRUE(has(callees, "FormatCount"));
  EXPECT_FALSE(has(callees, "SumTo"));
  EXPECT_EQ(formatCountCallers(), before);

  client.Request("shutdown", nullptr);
  client.Notify("exit", nullptr);
  EXPECT_EQ(client.Finish(), 0);
}

}  // namespace
}  // namespace tarnel::test
