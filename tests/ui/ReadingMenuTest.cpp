#include <QAction>

#include "UiFixture.h"
#include "analysis/Analysis.h"
#include "ui/ImageList.h"
#include "ui/MainForm.h"

namespace tarnel {
namespace {

class ReadingMenuTest : public test::UiFixture {
 protected:
  // An indented procedure after an indented End Sub: only the precise reading finds both.
  std::string WriteIndented() {
    dir.WriteLines("p/P.vbp", {"Module=M; M.bas"});
    dir.WriteLines("p/M.bas", {"Attribute VB_Name = \"M\"", "  Sub A()", "  End Sub",
                               "  Friend Sub B()", "  End Sub"});
    return NativeToEngine(dir.File("p/P.vbp"));
  }
  int Procedures() {
    int count = 0;
    for (int i = 0; i < main().Session().Result().SymbolList.Count(); ++i) {
      if (IsProcedureKind(main().Session().Result().SymbolList.At(i).Kind)) ++count;
    }
    return count;
  }
};

TEST_F(ReadingMenuTest, TheCheckedItemReanalysesTheOpenProjectAndIsRemembered) {
  Start();
  EXPECT_FALSE(main().PreciseReading1()->isChecked());
  main().OpenProject(WriteIndented());
  EXPECT_EQ(Procedures(), 1);

  main().PreciseReading1()->trigger();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(main().Session().Reading(), ReadingKind::Precise);
  EXPECT_EQ(Procedures(), 2);
  EXPECT_NE(test::ReadNative(Prog("tarnel.ini")).find("[Options]\r\nReading=Precise\r\n"),
            std::string::npos);

  main().PreciseReading1()->trigger();
  EXPECT_EQ(Procedures(), 1);
  EXPECT_NE(test::ReadNative(Prog("tarnel.ini")).find("Reading=Classic"), std::string::npos);
}

TEST_F(ReadingMenuTest, TheSettingChoosesTheReadingAtStart) {
  dir.WriteLines("prog/tarnel.ini", {"[options]", "reading = precise"});
  Start();
  EXPECT_TRUE(main().PreciseReading1()->isChecked());
  main().OpenProject(WriteIndented());
  EXPECT_EQ(Procedures(), 2);
}

TEST_F(ReadingMenuTest, EveryKindHasAnImageAtBothSizes) {
  for (int kind = 0; kind <= KindUserDocument; ++kind) {
    const QIcon icon = ImageList1().Icon(kind);
    EXPECT_EQ(icon.pixmap(16, 16).size(), QSize(16, 16)) << kind;
    EXPECT_FALSE(icon.pixmap(32, 32).isNull()) << kind;
    EXPECT_EQ(icon.availableSizes().size(), 2) << kind;
  }
}

}  // namespace
}  // namespace tarnel
