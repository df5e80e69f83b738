#include <QAction>
#include <QMenu>

#include "UiFixture.h"
#include "reports/Exports.h"
#include "ui/FileDialog.h"

namespace tarnel {
namespace {

class ExportMenuTest : public test::UiFixture {
 protected:
  QAction* Item(const char* name) {
    auto* menu = main().File1()->findChild<QMenu*>("Export1");
    EXPECT_NE(menu, nullptr);
    return menu == nullptr ? nullptr : menu->findChild<QAction*>(name);
  }
  // Answers the save dialog with a file name; records the dialog's filters and folder.
  void Answer(const std::string& nativePath) {
    prompts.WorkFileDialog([this, nativePath](TFileDialog& files) {
      filters = files.nameFilters();
      suffix = files.defaultSuffix();
      folder = files.Model()->Folder();
      files.selectFile(nativePath);
      files.accept();
    });
  }
  // The bytes the batch tool writes for the open project.
  std::string BatchBytes(ExportFormat format, const std::string& name) {
    const ExportGraph graph =
        ExportGraph::Build(main().Session().Tree(), main().Session().Result().SymbolList,
                           main().Session().ProjectPath());
    WriteExportFile(format, graph, NativeToEngine(dir.File(name)));
    return test::ReadNative(dir.File(name));
  }
  QStringList filters;
  QString suffix;
  std::string folder;
};

TEST_F(ExportMenuTest, EachExportWritesTheBatchToolsBytesWhereTheDialogSays) {
  const std::string project = WriteDemo();
  Start();
  main().OpenProject(project);
  struct Case {
    const char* Item;
    ExportFormat Format;
    const char* Name;     // typed in the dialog
    const char* Written;  // with the default suffix
  };
  const Case cases[] = {
      {"ExportCallGraph", ExportFormat::CallGraphDot, "out/calls", "out/calls.dot"},
      {"ExportModuleGraph", ExportFormat::ModuleGraphDot, "out/modules.gv", "out/modules.gv"},
      {"ExportEdges", ExportFormat::EdgesJsonLines, "out/edges", "out/edges.jsonl"},
      {"ExportTags", ExportFormat::Tags, "demo/tags", "demo/tags"},
  };
  dir.Write("out/keep", "");
  for (const Case& c : cases) {
    Answer(dir.File(c.Name));
    QAction* item = Item(c.Item);
    ASSERT_NE(item, nullptr) << c.Item;
    ASSERT_TRUE(item->isEnabled());
    item->trigger();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(folder, dir.File("demo/"));
    EXPECT_EQ(filters.size(), 2);
    EXPECT_EQ(test::ReadNative(dir.File(c.Written)),
              BatchBytes(c.Format, std::string(c.Written) + ".expected"))
        << c.Item;
  }
  EXPECT_NE(test::ReadNative(dir.File("demo/tags")).find("\nBump\tModule1.bas\t5;\""),
            std::string::npos);
}

TEST_F(ExportMenuTest, FindingsWaitForThePreciseReadingAndNothingOpenMeansNoOutputItem) {
  Start();
  QAction* sarif = Item("ExportSarif");
  ASSERT_NE(sarif, nullptr);
  EXPECT_FALSE(sarif->isEnabled());
  Answer(dir.File("calls.dot"));
  Item("ExportCallGraph")->trigger();
  EXPECT_EQ(messages, test::Strings{" No Output Item \r"});
  EXPECT_EQ(test::ReadNative(dir.File("calls.dot")), "");
}

TEST_F(ExportMenuTest, AFailedWriteShowsTheErrorBox) {
  const std::string project = WriteDemo();
  Start();
  main().OpenProject(project);
  Answer(dir.File("no/such/folder/edges.jsonl"));
  Item("ExportEdges")->trigger();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("no/such/folder/edges.jsonl"), std::string::npos);
  EXPECT_TRUE(main().isEnabled());
}

}  // namespace
}  // namespace tarnel
