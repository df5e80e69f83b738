#include <QAction>
#include <QMenu>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTreeView>

#include "UiFixture.h"
#include "analysis/Analysis.h"
#include "ui/CallListModel.h"
#include "ui/DspForm.h"
#include "ui/MainForm.h"
#include "ui/ResultTreeModel.h"
#include "ui/UnusedWindow.h"

namespace tarnel {
namespace {

// A Spanish project in a folder with a Japanese name: Factura.bas in code page 1252, Informe.bas
// in UTF-8, and CalcularAño in the first calling ImprimirÍndice in the second.
class SourceEncodingViewsTest : public test::UiFixture {
 protected:
  std::string WriteSpanish() {
    dir.WriteLines(kFolder + "/P.vbp",
                   {"Module=Factura; Factura.bas", "Module=Informe; Informe.bas"});
    dir.WriteLines(
        kFolder + "/Factura.bas",
        {"Attribute VB_Name = \"Facturaci\xF3n\"", "' C\xE1lculo del a\xF1o fiscal",
         "Public Sub CalcularA\xF1o()", "    Imprimir\xCDndice ' llamada al informe", "End Sub"});
    dir.WriteLines(
        kFolder + "/Informe.bas",
        {"Attribute VB_Name = \"Informe\"", "' Índice — resumen", "Sub Resumen()", "End Sub",
         "Public Sub ImprimirÍndice()", "    MsgBox \"Año terminado\"", "End Sub"});
    return NativeToEngine(dir.File(kFolder + "/P.vbp"));
  }
  void UseSetting(const std::string& value) {
    dir.WriteLines("prog/tarnel.ini", {"[Options]", "Encoding=" + value});
  }
  // Selects the first tree node shown as caption (UTF-8); false when there is none.
  bool Select(const std::string& caption) {
    main().TreeView1()->expandAll();
    const QModelIndexList hits = main().TreeView1()->model()->match(
        main().TreeView1()->model()->index(0, 0), Qt::DisplayRole, QString::fromStdString(caption),
        1, Qt::MatchRecursive | Qt::MatchExactly);
    if (hits.isEmpty()) return false;
    main().TreeView1()->setCurrentIndex(hits.front());
    main().TreeView1Change(hits.front());
    return true;
  }
  bool HasCaption(const std::string& caption) const {
    const std::vector<std::string> captions = TreeCaptions();
    for (const std::string& c : captions) {
      if (c.find_first_not_of(' ') != std::string::npos &&
          c.substr(c.find_first_not_of(' ')) == caption) {
        return true;
      }
    }
    return false;
  }
  QString SourceText() const { return windows->DspForm->rchDsp->toPlainText(); }
  // The foreground of the source window's character at the start of the first occurrence of text.
  QColor ColourOf(const QString& text, int from = 0) const {
    QTextDocument* doc = windows->DspForm->rchDsp->document();
    const qsizetype at = doc->toPlainText().indexOf(text, from);
    if (at < 0) return {};
    QTextCursor cursor(doc);
    cursor.setPosition(static_cast<int>(at) + 1);
    return cursor.charFormat().foreground().color();
  }
  std::string Ini() const { return test::ReadNative(Prog("tarnel.ini")); }

  const std::string kFolder = "表プロジェクト";
};

TEST_F(SourceEncodingViewsTest, AutoShowsEachModuleInItsOwnEncoding) {
  UseSetting("Auto");
  Start();
  EXPECT_TRUE(main().EncodingItem(SourceEncoding::Auto)->isChecked());
  main().OpenProject(WriteSpanish());
  ASSERT_TRUE(errors.empty());
  EXPECT_TRUE(HasCaption("CalcularAño"));
  EXPECT_TRUE(HasCaption("ImprimirÍndice"));

  // The lists and the status bar: the procedure's declaration, and the module's path.
  ASSERT_TRUE(Select("CalcularAño"));
  EXPECT_EQ(main().PanelText(1).toStdString(), "Public Sub CalcularAño()");
  CallListModel& callees = *main().lsICallItems();
  ASSERT_EQ(callees.Count(), 1);
  EXPECT_EQ(callees.Text(0, 0).toStdString(), "ImprimirÍndice");
  EXPECT_EQ(callees.Text(0, 2).toStdString(), "Informe");
  ASSERT_TRUE(Select("ImprimirÍndice"));
  CallListModel& callers = *main().lsYCallItems();
  ASSERT_EQ(callers.Count(), 1);
  EXPECT_EQ(callers.Text(0, 2).toStdString(), "Facturación");
  main().lsYCall()->setCurrentIndex(callers.index(0, 0));
  main().lsYCallChange(main().lsYCall(), 0);
  EXPECT_EQ(main().PanelText(1).toStdString(), "Public Sub CalcularAño()");
  // The caller's source, decoded from 1252, with the callee marked red in the decoded text.
  main().lsYCallDblClick(main().lsYCall());
  ASSERT_TRUE(errors.empty());
  EXPECT_EQ(SourceText().toStdString(),
            "Public Sub CalcularAño()\n    ImprimirÍndice ' llamada al informe\nEnd Sub");
  EXPECT_EQ(ColourOf(QStringLiteral("CalcularAño")), QColor(0, 0, 255));
  EXPECT_EQ(ColourOf(QStringLiteral("ImprimirÍndice")), QColor(255, 0, 0));
  EXPECT_TRUE(windows->DspForm->windowTitle().endsWith(QStringLiteral("Factura.bas CalcularAño")));
  EXPECT_TRUE(windows->DspForm->windowTitle().contains(QString::fromStdString(kFolder)));

  ASSERT_TRUE(Select("Factura.bas"));
  EXPECT_TRUE(main().PanelText(1).endsWith(QString::fromStdString(kFolder + "/Factura.bas")));

  // The UTF-8 module's procedure is found at its own lines, after an earlier procedure.
  ASSERT_TRUE(Select("ImprimirÍndice"));
  main().TreeView1DblClick();
  EXPECT_EQ(SourceText().toStdString(),
            "Public Sub ImprimirÍndice()\n    MsgBox \"Año terminado\"\nEnd Sub");
}

TEST_F(SourceEncodingViewsTest, SavedSourceKeepsTheModuleBytes) {
  UseSetting("Auto");
  Start();
  main().OpenProject(WriteSpanish());
  ASSERT_TRUE(Select("CalcularAño"));
  main().TreeView1DblClick();
  TDspForm& dsp = *windows->DspForm;
  ASSERT_EQ(dsp.ShownLines().size(), 3u);
  EXPECT_EQ(dsp.ShownLines()[0], "Public Sub CalcularA\xF1o()");
  prompts.ChooseFileName(dir.File("out.bas"));
  dsp.SavetoFile1Click();
  EXPECT_EQ(test::ReadNative(dir.File("out.bas")),
            "Public Sub CalcularA\xF1o()\r\n    Imprimir\xCDndice ' llamada al informe\r\nEnd "
            "Sub\r\n");
}

TEST_F(SourceEncodingViewsTest, CheckSubAndFuncMarksDecodedNames) {
  UseSetting("1252");
  Start();
  dir.WriteLines("p/P.vbp", {"Module=M; M.bas"});
  dir.WriteLines("p/M.bas", {"Attribute VB_Name = \"M\"", "Sub Se\xF1\x61l()", "End Sub",
                             "Sub Otra()", "    Call Se\xF1\x61l: Se\xF1\x61lar = 1", "End Sub"});
  main().OpenProject(NativeToEngine(dir.File("p/P.vbp")));
  ASSERT_TRUE(Select("Otra"));
  main().TreeView1DblClick();
  windows->DspForm->CheckSubFunction1Click();
  QTextDocument* doc = windows->DspForm->rchDsp->document();
  const QTextBlock body = doc->firstBlock().next();
  ASSERT_EQ(body.text(), QStringLiteral("    Call Señal: Señalar = 1"));
  const auto boldAt = [&](const QString& word) {
    QTextCursor cursor(doc);
    cursor.setPosition(body.position() + static_cast<int>(body.text().indexOf(word)) + 1);
    return cursor.charFormat().fontWeight() == QFont::Bold;
  };
  EXPECT_TRUE(boldAt(QStringLiteral("Señal:")));
  EXPECT_FALSE(boldAt(QStringLiteral("Señalar")));  // no procedure of that name
}

TEST_F(SourceEncodingViewsTest, ChoosingAnEncodingReadsTheProjectAgainAndIsRemembered) {
  Start();
  EXPECT_TRUE(main().EncodingItem(SourceEncoding::Cp932)->isChecked());
  main().OpenProject(WriteSpanish());
  EXPECT_FALSE(HasCaption("CalcularAño"));  // 1252 bytes read as code page 932

  main().EncodingItem(SourceEncoding::Auto)->trigger();
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(main().EncodingItem(SourceEncoding::Auto)->isChecked());
  EXPECT_FALSE(main().EncodingItem(SourceEncoding::Cp932)->isChecked());
  EXPECT_TRUE(HasCaption("CalcularAño"));
  EXPECT_TRUE(HasCaption("ImprimirÍndice"));
  EXPECT_NE(Ini().find("[Options]\r\nEncoding=Auto\r\n"), std::string::npos);

  // UTF-8 for every file: the UTF-8 module reads right, the 1252 one does not.
  main().EncodingItem(SourceEncoding::Utf8)->trigger();
  EXPECT_TRUE(HasCaption("ImprimirÍndice"));
  EXPECT_FALSE(HasCaption("CalcularAño"));
  EXPECT_NE(Ini().find("Encoding=UTF-8"), std::string::npos);

  main().EncodingItem(SourceEncoding::Cp1252)->trigger();
  EXPECT_TRUE(HasCaption("CalcularAño"));
  EXPECT_NE(Ini().find("Encoding=1252"), std::string::npos);

  main().EncodingItem(SourceEncoding::Cp932)->trigger();
  EXPECT_FALSE(HasCaption("CalcularAño"));
  EXPECT_NE(Ini().find("Encoding=932"), std::string::npos);
  EXPECT_TRUE(errors.empty());
}

TEST_F(SourceEncodingViewsTest, TheSettingIsReadAtStartAndAnUnknownOneMeans932) {
  UseSetting("utf-8");
  Start();
  EXPECT_TRUE(main().EncodingItem(SourceEncoding::Utf8)->isChecked());
  EXPECT_EQ(main().Session().Encoding(), SourceEncoding::Utf8);
  windows.reset();

  UseSetting("EBCDIC");
  Start();
  EXPECT_TRUE(main().EncodingItem(SourceEncoding::Cp932)->isChecked());
  EXPECT_EQ(main().Session().Encoding(), SourceEncoding::Cp932);
  EXPECT_TRUE(errors.empty());
}

TEST_F(SourceEncodingViewsTest, ChoosingWithoutAProjectOnlyRemembers) {
  Start();
  main().EncodingItem(SourceEncoding::Cp1252)->trigger();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(main().Session().Encoding(), SourceEncoding::Cp1252);
  EXPECT_EQ(main().TreeModel()->rowCount(), 0);
  // The next project opened is read with it.
  main().OpenProject(WriteSpanish());
  EXPECT_TRUE(HasCaption("CalcularAño"));
}

TEST_F(SourceEncodingViewsTest, UnusedWindowShowsDecodedNames) {
  dir.WriteLines("prog/tarnel.ini", {"[Options]", "Reading=Precise", "Encoding=Auto"});
  Start();
  main().OpenProject(WriteSpanish());
  main().UnusedProcedures1()->trigger();
  TUnusedWindow* window = main().UnusedWindow();
  ASSERT_NE(window, nullptr);
  std::vector<std::string> rows;
  for (int i = 0; i < window->Count(); ++i) rows.push_back(window->Text(i, 1).toStdString());
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::string>{"Facturación.CalcularAño", "Informe.ImprimirÍndice",
                                            "Informe.Resumen"}));
}

// Code page 932 keeps the windows as they were: the double-byte characters whose second byte is a
// backslash are shown whole, and the source lines are the module's bytes.
TEST_F(SourceEncodingViewsTest, JapaneseModuleUnderTheDefaultSetting) {
  Start();
  dir.WriteLines("j/P.vbp", {"Module=M; M.bas"});
  // 表示 and ソフト in code page 932: the second bytes of 表 and ソ are 0x5C.
  const std::string show = "\x95\x5C\x8E\xA6";
  const std::string soft = "\x83\x5C\x83\x74\x83\x67";
  dir.WriteLines("j/M.bas", {"Attribute VB_Name = \"M\"", "Public Sub " + show + "()",
                             "    ' " + soft, "End Sub", "Sub Main()", "    " + show, "End Sub"});
  main().OpenProject(NativeToEngine(dir.File("j/P.vbp")));
  ASSERT_TRUE(errors.empty());
  EXPECT_EQ(main().Session().RecordEncoding(), TextEncoding::Cp932);
  EXPECT_TRUE(HasCaption("表示"));
  ASSERT_TRUE(Select("Main"));
  ASSERT_EQ(main().lsICallItems()->Count(), 1);
  EXPECT_EQ(main().lsICallItems()->Text(0, 0).toStdString(), "表示");
  ASSERT_TRUE(Select("表示"));
  EXPECT_EQ(main().PanelText(1).toStdString(), "Public Sub 表示()");
  main().TreeView1DblClick();
  EXPECT_EQ(SourceText().toStdString(), "Public Sub 表示()\n    ' ソフト\nEnd Sub");
  EXPECT_EQ(windows->DspForm->ShownLines()[1], "    ' " + soft);
  EXPECT_EQ(ColourOf(QStringLiteral("表示")), QColor(0, 0, 255));
}

}  // namespace
}  // namespace tarnel
