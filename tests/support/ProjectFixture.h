#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/Analysis.h"
#include "platform/Paths.h"
#include "support/RecordingHost.h"
#include "support/TempDir.h"

namespace tarnel::test {

// Owns the analysis context of a fixture.
class OwnContext {
 public:
  OwnContext(AnalysisHost& host, const TempDir&) : ctx_(host) {}
  AnalysisContext& Context() { return ctx_; }

 private:
  AnalysisContext ctx_;
};

// A project written to a temporary folder and analysed with a recording host, in the context that
// Owner holds.
template <typename Owner>
class BasicProjectFixture : public ::testing::Test {
 protected:
  // Writes a file of the project; lines get CR LF.
  void Lines(std::string_view name, std::initializer_list<std::string_view> lines) {
    dir.WriteLines(name, lines);
  }
  void Analyze(std::string_view projectName = "Demo.vbp") {
    AnalyzeProject(ctx, NativeToEngine(dir.File(projectName)));
  }
  // The keys of the list in its current order.
  std::vector<std::string> ListKeys() const {
    std::vector<std::string> keys;
    for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i)
      keys.push_back(ctx.Result.SymbolList.At(i).Key);
    return keys;
  }
  TPassRec& Rec(std::string_view key) { return FindSymbol(ctx.Result, key); }
  // The first procedure of that name.
  TPassRec& Proc(std::string_view name) {
    for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
      TPassRec& r = ctx.Result.SymbolList.At(i);
      if (IsProcedureKind(r.Kind) && r.Name == name) return r;
    }
    throw std::runtime_error("no procedure " + std::string(name));
  }
  std::string Engine(std::string_view name) const { return NativeToEngine(dir.File(name)); }

  TempDir dir;
  RecordingHost host;
  Owner owner{host, dir};
  AnalysisContext& ctx = owner.Context();
};

using ProjectFixture = BasicProjectFixture<OwnContext>;

using Keys = std::vector<std::string>;

// The text of each link, to compare with keys as written.
inline Keys KeyTexts(const std::vector<ProcedureKey>& links) {
  return Keys(links.begin(), links.end());
}

}  // namespace tarnel::test
