#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/AnalysisContext.h"
#include "analysis/ModuleUpdate.h"
#include "support/ProjectFixture.h"

namespace tarnel::test {
namespace {

using ModuleUpdateTest = BasicProjectFixture<OwnContext>;

// The keys that the procedure of that name calls.
std::vector<std::string> CallsOf(AnalysisContext& ctx, std::string_view name) {
  for (int i = 0; i < ctx.Result.SymbolList.Count(); ++i) {
    const TPassRec& r = ctx.Result.SymbolList.At(i);
    if (!IsProcedureKind(r.Kind) || r.Name != name) continue;
    return std::vector<std::string>(r.Calls.begin(), r.Calls.end());
  }
  return {"no procedure " + std::string(name)};
}

// A module that starts to declare a name another module's body uses must have that body resolved
// again, whether the analysis noted the names each module uses or the updater reads them itself.
TEST_F(ModuleUpdateTest, ANewDeclarationResolvesTheBodiesThatUseItsName) {
  Lines("Demo.vbp", {"Module=A; A.bas", "Module=B; B.bas"});
  Lines("A.bas", {"Attribute VB_Name = \"A\"", "Public Sub Helper()", "End Sub"});
  Lines("B.bas",
        {"Attribute VB_Name = \"B\"", "Sub Main()", "    Helper", "    Helper2", "End Sub"});
  for (bool keep : {true, false}) {
    AnalysisContext analysis(host);
    analysis.Options.Reading = ReadingKind::Precise;
    analysis.Options.KeepForUpdates = keep;
    Lines("A.bas", {"Attribute VB_Name = \"A\"", "Public Sub Helper()", "End Sub"});
    AnalyzeProject(analysis, Engine("Demo.vbp"));
    ASSERT_EQ(CallsOf(analysis, "Main"), (std::vector<std::string>{"4-0001"})) << keep;
    ModuleUpdater updater(analysis);

    Lines("A.bas", {"Attribute VB_Name = \"A\"", "Public Sub Helper()", "End Sub",
                    "Public Sub Helper2()", "End Sub"});
    ASSERT_TRUE(updater.Update(analysis, 0)) << keep;
    EXPECT_EQ(updater.LastResolved(), 2u) << keep;
    EXPECT_EQ(CallsOf(analysis, "Main"), (std::vector<std::string>{"4-0001", "4-0002"})) << keep;
  }
}

}  // namespace
}  // namespace tarnel::test
