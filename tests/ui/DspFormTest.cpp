#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/RecordingPrompts.h"
#include "support/SessionFixture.h"
#include "ui/DspForm.h"
#include "ui/FileDialog.h"
#include "ui/ProcedureViewer.h"
#include "ui/QtUserPrompts.h"

namespace tarnel {
namespace {

using Strings = std::vector<std::string>;

// The mark of the character at pos: 'u' blue, 'r' red, 'R' red and bold, 'b' bold, '.' none.
char MarkAt(QTextDocument& doc, int pos) {
  QTextCursor c(&doc);
  c.setPosition(pos + 1);
  const QTextCharFormat f = c.charFormat();
  const bool coloured = f.hasProperty(QTextFormat::ForegroundBrush);
  const QColor colour = f.foreground().color();
  const bool bold = f.fontWeight() == QFont::Bold;
  if (coloured && colour == QColor(0, 0, 255)) return bold ? '?' : 'u';
  if (coloured && colour == QColor(255, 0, 0)) return bold ? 'R' : 'r';
  return bold ? 'b' : '.';
}

// Every maximal run of characters with one of the marks in kinds, as "line:column:text" with
// lines counted from 1 and columns from 0.
Strings Runs(QTextDocument& doc, std::string_view kinds) {
  Strings runs;
  int line = 1;
  for (QTextBlock block = doc.firstBlock(); block.isValid(); block = block.next(), ++line) {
    const QString text = block.text();
    int start = -1;
    for (int i = 0; i <= text.size(); ++i) {
      bool in = i < text.size() && kinds.find(MarkAt(doc, block.position() + i)) != kinds.npos;
      if (in && start < 0) start = i;
      if (!in && start >= 0) {
        runs.push_back(std::to_string(line) + ":" + std::to_string(start) + ":" +
                       text.mid(start, i - start).toStdString());
        start = -1;
      }
    }
  }
  return runs;
}

// The font the layout uses for the character at pos.
QFont FontAt(QTextDocument& doc, int pos) {
  QTextCursor c(&doc);
  c.setPosition(pos + 1);
  return c.charFormat().font().resolve(doc.defaultFont());
}

class DspFormTest : public test::SessionFixture {
 protected:
  void SetUp() override {
    form = std::make_unique<TDspForm>(owner.session, prompts);
    prompts.OnBox = [this](const test::RecordingPrompts::Box& box) {
      if (box.Kind == MessageKind::Error) busyAtError = QApplication::overrideCursor() != nullptr;
    };
  }
  void TearDown() override { EXPECT_TRUE(prompts.AllAnswered()); }

  // Save to File, with name (native path) chosen in the save dialog.
  void SaveAs(const std::string& name) {
    prompts.ChooseFileName(name);
    form->SavetoFile1->trigger();
  }
  // Fon&t, with font chosen in the font dialog; nullopt cancels it. The face and size that the
  // dialog opened on.
  QFont ChooseFont(QAction* item, std::optional<QFont> font) {
    prompts.FontAnswers.push_back(std::move(font));
    item->trigger();
    return prompts.FontPresets.back();
  }
  // &Print, into pdf when the print dialog is confirmed.
  void PrintTo(const std::string& pdf) {
    prompts.PrintAnswers.push_back([pdf](QPrinter& printer) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromStdString(pdf));
      return true;
    });
    form->Print1->trigger();
  }

  // Module1.bas with these lines (CR LF), the project, and the analysis.
  void Module(std::initializer_list<std::string_view> lines) {
    Lines("Module1.bas", lines);
    Lines("Demo.vbp", {"Module=Module1; Module1.bas"});
    Analyze();
  }
  // The same from a list of lines made by the test; returns the module's bytes.
  std::string Module(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& l : lines) bytes += l + "\r\n";
    dir.Write("Module1.bas", bytes);
    Lines("Demo.vbp", {"Module=Module1; Module1.bas"});
    Analyze();
    return bytes;
  }
  void Show(std::string_view name, const std::string& mark) {
    form->ShowProcedure(Proc(name), mark);
  }
  QTextDocument& Doc() { return *form->rchDsp->document(); }
  std::string Text() { return form->rchDsp->toPlainText().toStdString(); }

  test::RecordingPrompts prompts;
  std::unique_ptr<TDspForm> form;
  Strings& errors = prompts.Errors;
  bool busyAtError = true;
};

const std::initializer_list<std::string_view> kDemo = {
    "Attribute VB_Name = \"Module1\"",
    "Public Sub Main()",
    "    Call Bump(1): x = Twice(2) + twice(3)",
    "    ' Bump Twice in a comment",
    "    MsgBox \"Bump\"",
    "    BumpAll = MyTwice + BUMP",
    "End Sub",
    "Private Function Bump(n)",
    "    Bump = n + 1",
    "End Function",
    "Public Function Twice(n)",
    "    Twice = Bump(n) * 2",
    "End Function",
};

TEST_F(DspFormTest, StartsHiddenWithTheDesignedWindowAndControl) {
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->windowTitle(), "Function Display");
  EXPECT_EQ(form->objectName(), "DspForm");
  EXPECT_EQ(form->size(), QSize(435, 300));
  EXPECT_TRUE(form->rchDsp->isReadOnly());
  EXPECT_EQ(form->rchDsp->lineWrapMode(), QTextEdit::NoWrap);
  EXPECT_EQ(form->centralWidget(), form->rchDsp);
  EXPECT_EQ(form->DisplayFont().pixelSize(), 13);
  EXPECT_EQ(form->rchDsp->font().family(), QStringLiteral(u"ＭＳ Ｐゴシック"));
  EXPECT_TRUE(QFont::substitutes(QStringLiteral(u"ＭＳ Ｐゴシック"))
                  .contains("IPAPGothic", Qt::CaseInsensitive));
}

TEST_F(DspFormTest, MenusHaveEveryItemInOrder) {
  auto captions = [](QWidget* menu) {
    Strings out;
    for (QAction* a : menu->actions()) {
      out.push_back(a->isSeparator()
                        ? "-" + a->objectName().toStdString()
                        : a->objectName().toStdString() + " " + a->text().toStdString());
    }
    return out;
  };
  EXPECT_EQ(captions(form->MainMenu1), (Strings{"File1 &File", "Find1 &Operation"}));
  EXPECT_EQ(captions(form->File1),
            (Strings{"SavetoFile1 &Save to File", "PrinterSetup1 Printer Set&up", "Print1 &Print",
                     "-N2", "Closex1 Close(&x)"}));
  EXPECT_EQ(captions(form->Find1), (Strings{"CheckSubFunction1 Chec&k Sub && Func", "Font1 Fon&t",
                                            "CopyasText1 &Copy", "-N3", "Help1 &Help"}));
  EXPECT_EQ(captions(form->PopupMenu1), (Strings{"CheckSubFunc1 Chec&k Sub && Func", "Font2 Fon&t",
                                                 "Copy1 &Copy", "-N1", "Help2 &Help"}));
  EXPECT_EQ(form->rchDsp->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(DspFormTest, ShowsDeclarationThroughEndLineAndComesToFront) {
  Module(kDemo);
  Show("Bump", "");
  EXPECT_EQ(Text(), "Private Function Bump(n)\n    Bump = n + 1\nEnd Function");
  EXPECT_EQ(form->windowTitle().toStdString(), dir.File("Module1.bas") + " Bump");
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->rchDsp->textCursor().position(), 0);
  EXPECT_FALSE(form->rchDsp->textCursor().hasSelection());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(errors.empty());
}

TEST_F(DspFormTest, MarksOwnNameBlueAndBroughtAlongNameRedAsWholeWordsMatchingCase) {
  Module(kDemo);
  Show("Main", "Bump");
  EXPECT_EQ(Runs(Doc(), "u"), (Strings{"1:11:Main"}));
  // Comments and strings count; BumpAll and BUMP do not.
  EXPECT_EQ(Runs(Doc(), "rR"), (Strings{"2:9:Bump", "3:6:Bump", "4:12:Bump"}));
  EXPECT_TRUE(Runs(Doc(), "b").empty());
}

TEST_F(DspFormTest, OpenedFromTheTreeOwnNameIsRedInTheBodyOnly) {
  Module(kDemo);
  Show("Twice", "Twice");
  EXPECT_EQ(Runs(Doc(), "u"), (Strings{"1:16:Twice"}));
  EXPECT_EQ(Runs(Doc(), "rR"), (Strings{"2:4:Twice"}));
}

TEST_F(DspFormTest, BlueMarkLandsOnFirstHitInAnyCaseEvenInsideAWord) {
  Module({"Attribute VB_Name = \"Module1\"", "Public Sub Pub()", "    Pub", "End Sub", "Sub ub()",
          "End Sub"});
  Show("Pub", "Pub");
  EXPECT_EQ(Runs(Doc(), "u"), (Strings{"1:0:Pub"}));
  EXPECT_EQ(Runs(Doc(), "r"), (Strings{"2:4:Pub"}));
  Show("ub", "");
  EXPECT_EQ(Runs(Doc(), "u"), (Strings{"1:1:ub"}));
}

TEST_F(DspFormTest, SplitDeclarationSparesOnlyItsFirstPhysicalLine) {
  Module({"Attribute VB_Name = \"Module1\"", "Private Sub _", "    Split(a)", "    Split = 1",
          "End Sub"});
  Show("Split", "Split");
  EXPECT_EQ(Text(), "Private Sub _\n    Split(a)\n    Split = 1\nEnd Sub");
  EXPECT_TRUE(Runs(Doc(), "u").empty());
  EXPECT_EQ(Runs(Doc(), "r"), (Strings{"2:4:Split", "3:4:Split"}));
}

TEST_F(DspFormTest, CheckSubAndFuncMakesProcedureNamesBoldButKeepsRedAndTheFirstLine) {
  Module(kDemo);
  Show("Main", "Bump");
  form->CheckSubFunction1->trigger();
  EXPECT_EQ(Runs(Doc(), "b"), (Strings{"2:22:Twice", "3:11:Twice"}));
  EXPECT_EQ(Runs(Doc(), "r"), (Strings{"2:9:Bump", "3:6:Bump", "4:12:Bump"}));
  EXPECT_TRUE(Runs(Doc(), "R?").empty());
  EXPECT_EQ(Runs(Doc(), "u"), (Strings{"1:11:Main"}));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DspFormTest, SecondProcedureReplacesTextAndMarksAndKeepsTheChosenFont) {
  Module(kDemo);
  Show("Main", "Bump");
  form->CheckSubFunction1->trigger();
  // The dialog's style choice is ignored: face and size only.
  QFont fontPreset = ChooseFont(form->Font1, QFont("IPAGothic", 20, QFont::Bold, true));
  EXPECT_FALSE(fontPreset.bold());
  EXPECT_FALSE(fontPreset.italic());
  EXPECT_GT(fontPreset.pointSizeF(), 0);
  for (int pos : {0, 11, 25, 50}) {
    QFont f = FontAt(Doc(), pos);
    EXPECT_EQ(f.family(), "IPAGothic") << pos;
    EXPECT_EQ(f.pointSize(), 20) << pos;
    EXPECT_FALSE(f.italic()) << pos;
  }
  EXPECT_EQ(Runs(Doc(), "r").size(), 3u);
  EXPECT_EQ(Runs(Doc(), "b").size(), 2u);

  Show("Twice", "");
  EXPECT_EQ(Text(), "Public Function Twice(n)\n    Twice = Bump(n) * 2\nEnd Function");
  EXPECT_TRUE(Runs(Doc(), "rRb").empty());
  EXPECT_EQ(Runs(Doc(), "u"), (Strings{"1:16:Twice"}));
  for (int pos : {0, 30}) {
    QFont f = FontAt(Doc(), pos);
    EXPECT_EQ(f.family(), "IPAGothic");
    EXPECT_EQ(f.pointSize(), 20);
    EXPECT_NE(f.weight(), QFont::Bold);
  }
  // A cancelled dialog changes nothing.
  fontPreset = ChooseFont(form->Font2, std::nullopt);
  EXPECT_EQ(form->DisplayFont().family(), "IPAGothic");
  EXPECT_EQ(fontPreset.family(), "IPAGothic");
}

TEST_F(DspFormTest, FontDialogOpensOnTheFaceAndSizeTheTextIsDrawnIn) {
  Module(kDemo);
  Show("Main", "Bump");
  const QFont fontPreset = ChooseFont(form->Font1, std::nullopt);
  const QFontInfo drawn(form->DisplayFont());
  std::unique_ptr<QFontDialog> dialog = MakeFontDialog(fontPreset, form.get());
  EXPECT_EQ(dialog->currentFont().family(), drawn.family());
  EXPECT_EQ(dialog->currentFont().pointSize(), drawn.pointSize());
  EXPECT_TRUE(QFontDatabase::families().contains(fontPreset.family()));
}

TEST_F(DspFormTest, SavedFileIsByteForByteTheShownLinesOfTheModule) {
  // Double-byte text with a 0x5C trail byte, and bytes that are not code page 932 at all.
  const std::string body =
      "Sub Kanji()\r\n"
      "    s = \"\x82\xA0\x95\x5C\"\r\n"
      "    t = \"\xA0\xFD\x81\"\r\n"
      "End Sub\r\n";
  dir.Write("Module1.bas", "Attribute VB_Name = \"Module1\"\r\n" + body);
  Lines("Demo.vbp", {"Module=Module1; Module1.bas"});
  Analyze();
  Show("Kanji", "");
  EXPECT_EQ(form->rchDsp->document()->findBlockByNumber(1).text(),
            QStringLiteral(u"    s = \"あ表\""));

  SaveAs(dir.File("保存.txt"));
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(test::ReadNative(dir.File("保存.txt")), body);
}

TEST_F(DspFormTest, FileGrownShorterShowsAndSavesEmptyLines) {
  Module(kDemo);
  dir.WriteLines("Module1.bas",
                 {"Attribute VB_Name = \"Module1\"", "Public Sub Main()", "    Call Bump(1)"});
  Show("Main", "");
  EXPECT_EQ(Text(), "Public Sub Main()\n    Call Bump(1)\n\n\n\n");
  SaveAs(dir.File("out.txt"));
  EXPECT_EQ(test::ReadNative(dir.File("out.txt")),
            "Public Sub Main()\r\n    Call Bump(1)\r\n\r\n\r\n\r\n\r\n");
}

TEST_F(DspFormTest, SaveDialogGivesATypedNameTheChosenTypesExtension) {
  Module(kDemo);
  Show("Bump", "");
  // The name as typed, the type chosen, and the file that the window then writes.
  struct Case {
    const char* Typed;
    const char* Filter;  // empty: the first
    const char* Written;
  };
  const Case cases[] = {{"proc", "Basic (*.Bas)", "proc.Bas"},
                        {"proc.frm", "Basic (*.Bas)", "proc.frm"},  // an extension stays
                        {"proc", "", "proc.txt"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Typed);
    prompts.WorkFileDialog([&](TFileDialog& dialog) {
      EXPECT_EQ(dialog.windowTitle(), "Save");
      EXPECT_EQ(dialog.nameFilters(), (QStringList{"ﾃｷｽﾄﾌｧｲﾙ (*.txt)", "Basic (*.Bas)"}));
      dialog.SetFolder(dir.Path());
      dialog.SetFileName(c.Typed);
      if (*c.Filter != 0) dialog.selectNameFilter(c.Filter);
      dialog.accept();
    });
    form->SavetoFile1->trigger();
    EXPECT_EQ(test::ReadNative(dir.File(c.Written)),
              "Private Function Bump(n)\r\n    Bump = n + 1\r\nEnd Function\r\n");
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(DspFormTest, SaveFailureGoesToTheErrorBoxAndCancelWritesNothing) {
  Module(kDemo);
  Show("Bump", "");
  prompts.CancelFileDialog();
  form->SavetoFile1->trigger();
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(prompts.FileRequests.size(), 1u);
  SaveAs(dir.File("missing-folder/out.txt"));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("を作成できません"), std::string::npos) << errors[0];
}

TEST_F(DspFormTest, MissingModuleFileGivesTheErrorBoxWithControlEmptyAndCursorRestored) {
  Module(kDemo);
  Show("Bump", "Bump");
  form->Closex1->trigger();
  std::filesystem::remove(dir.File("Module1.bas"));
  Show("Main", "Bump");
  EXPECT_EQ(errors, (Strings{"ﾌｧｲﾙが見つかりません : " + dir.File("Module1.bas")}));
  EXPECT_FALSE(busyAtError);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(Text(), "");
  EXPECT_TRUE(form->ShownLines().empty());
  EXPECT_EQ(form->windowTitle().toStdString(), dir.File("Module1.bas") + " Main");
  EXPECT_FALSE(form->isVisible());
}

TEST_F(DspFormTest, AsTheResultViewsSeeItFailuresGoToTheProgramsErrorBox) {
  Module(kDemo);
  TDspForm fresh(owner.session, prompts);
  ProcedureViewer& viewer = fresh;
  viewer.ShowProcedure(Proc("Twice"), "Bump");
  EXPECT_EQ(Runs(*fresh.rchDsp->document(), "r"), (Strings{"2:12:Bump"}));
  std::filesystem::remove(dir.File("Module1.bas"));
  viewer.ShowProcedure(Proc("Twice"), "Bump");
  ASSERT_EQ(prompts.Boxes.size(), 1u);
  EXPECT_EQ(prompts.Boxes[0].Kind, MessageKind::Error);
  EXPECT_EQ(prompts.Boxes[0].Title, "Tarnel");
  EXPECT_EQ(prompts.Boxes[0].Over, &fresh);
  EXPECT_EQ(prompts.Boxes[0].Text, "ﾌｧｲﾙが見つかりません : " + dir.File("Module1.bas"));
}

TEST_F(DspFormTest, UnknownModuleKeyGivesTheErrorBoxAfterEmptyingTheControl) {
  Module(kDemo);
  Show("Bump", "");
  TPassRec stray = Proc("Bump");
  stray.ParentKey = "3-9999";
  form->ShowProcedure(stray, "");
  EXPECT_EQ(errors, (Strings{"ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています"}));
  EXPECT_EQ(Text(), "");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DspFormTest, PrintingToPdfGivesOnePagePerScreenfulTitledWithTheCaption) {
  std::vector<std::string> lines{"Attribute VB_Name = \"Module1\"", "Sub Long()"};
  for (int i = 0; i < 200; ++i) lines.push_back("    x = x + " + std::to_string(i));
  lines.push_back("End Sub");
  Module(lines);
  Show("Long", "x");

  form->Print1->trigger();  // cancelled: nothing printed
  EXPECT_EQ(prompts.PrintDialogs.size(), 1u);
  PrintTo(dir.File("out.pdf"));
  EXPECT_TRUE(errors.empty());
  const std::string pdf = test::ReadNative(dir.File("out.pdf"));
  ASSERT_GT(pdf.size(), 1000u);
  EXPECT_EQ(pdf.substr(0, 4), "%PDF");
  int pages = 0;
  for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
       at = pdf.find("/Type /Page", at + 1)) {
    if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
  }
  EXPECT_GE(pages, 3);
  EXPECT_EQ(form->Printer().docName(), form->windowTitle());

  form->PrinterSetup1->trigger();
  EXPECT_EQ(prompts.PrinterSetups, std::vector<QPrinter*>{&form->Printer()});
  EXPECT_EQ(prompts.PrintDialogs, (std::vector<QPrinter*>{&form->Printer(), &form->Printer()}));
}

// The text of a PDF without any white space, through pdftotext; nullopt when that is missing.
std::optional<std::string> PdfTextWithoutBlanks(const std::string& pdf) {
  if (std::system("command -v pdftotext > /dev/null 2>&1") != 0) return std::nullopt;
  const std::string txt = pdf + ".txt";
  if (std::system(("pdftotext -enc UTF-8 '" + pdf + "' '" + txt + "'").c_str()) != 0) return "";
  std::string text = test::ReadNative(txt);
  std::erase_if(text, [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
  return text;
}

TEST_F(DspFormTest, PrintedLinesWiderThanThePageWrapAndLoseNoCharacter) {
  // 200 characters: a declaration with blanks, then a run without any place to break.
  std::string wide = "Public Sub Wide(ByVal bd_id As Long, ByVal bd_name As String, ByVal flags";
  for (int i = 0; wide.size() < 200; ++i) wide += static_cast<char>('A' + i % 26);
  Lines("Module1.bas", {"Attribute VB_Name = \"Module1\"", wide, "End Sub"});
  Lines("Demo.vbp", {"Module=Module1; Module1.bas"});
  Analyze();
  Show("Wide", "");
  std::string expected = wide + "EndSub";
  std::erase(expected, ' ');
  for (int points : {0, 14}) {
    SCOPED_TRACE(points);
    if (points > 0) ChooseFont(form->Font1, QFont(form->DisplayFont().family(), points));
    const std::string pdfName = dir.File("wide" + std::to_string(points) + ".pdf");
    form->Printer().setPageOrientation(QPageLayout::Portrait);
    PrintTo(pdfName);
    ASSERT_TRUE(errors.empty());
    std::optional<std::string> text = PdfTextWithoutBlanks(pdfName);
    if (!text) GTEST_SKIP() << "pdftotext is not installed";
    EXPECT_NE(text->find(expected), std::string::npos) << *text;
  }
}

TEST_F(DspFormTest, AProcedureBeyondTheLimitsShowsItsHeadSaysSoAndSavesWhole) {
  std::vector<std::string> lines{"Attribute VB_Name = \"Module1\"", "Sub Long()"};
  for (int i = 0; i < 40; ++i) lines.push_back("    Long = " + std::to_string(i));
  lines.push_back("End Sub");
  lines.push_back("Sub Short()");
  lines.push_back("End Sub");
  const std::string bytes = Module(lines);
  form->ShownLineLimit = 10;
  Show("Long", "Long");
  form->show();
  EXPECT_EQ(Doc().blockCount(), 10);
  EXPECT_EQ(Doc().findBlockByNumber(9).text(), "    Long = 8");
  EXPECT_EQ(form->ShownLines().size(), 42u);
  EXPECT_EQ(form->StatusText(), "Showing lines 1 to 10 of 42; Save to File writes them all");
  EXPECT_TRUE(form->statusBar()->isVisible());
  // The head is marked as a whole procedure would be.
  EXPECT_EQ(Runs(Doc(), "u"), (Strings{"1:4:Long"}));
  EXPECT_EQ(Runs(Doc(), "r").size(), 9u);

  SaveAs(dir.File("all.txt"));
  EXPECT_EQ(test::ReadNative(dir.File("all.txt")),
            bytes.substr(bytes.find("Sub Long"), bytes.find("Sub Short") - bytes.find("Sub Long")));

  // The character limit ends the text at a whole line; only a first line beyond it is cut.
  form->ShownCharLimit = 25;
  Show("Long", "");
  EXPECT_EQ(Text(), "Sub Long()\n    Long = 0");
  EXPECT_EQ(form->StatusText(), "Showing lines 1 to 2 of 42; Save to File writes them all");
  form->ShownCharLimit = 5;
  Show("Long", "");
  EXPECT_EQ(Text(), "Sub L");
  EXPECT_EQ(form->StatusText(),
            "Showing lines 1 to 1 of 42, line 1 cut at 5 characters; Save to File writes them all");

  // A procedure within the limits shows whole, with no status bar.
  form->ShownCharLimit = 100;
  Show("Short", "");
  EXPECT_EQ(Text(), "Sub Short()\nEnd Sub");
  EXPECT_EQ(form->StatusText(), "");
  EXPECT_FALSE(form->statusBar()->isVisible());
  EXPECT_TRUE(errors.empty());
}

TEST_F(DspFormTest, AHundredThousandLineProcedureIsShownWithinTheDefaultLimits) {
  std::vector<std::string> lines{"Attribute VB_Name = \"Module1\"", "Sub Huge()"};
  for (int i = 0; i < 100000; ++i) lines.push_back("    x = " + std::to_string(i));
  lines.push_back("End Sub");
  Module(lines);
  Show("Huge", "x");
  EXPECT_EQ(Doc().blockCount(), form->ShownLineLimit);
  EXPECT_EQ(form->ShownLines().size(), 100002u);
  EXPECT_EQ(form->StatusText().left(22), "Showing lines 1 to 200");
  // The window answers and closes.
  form->Closex1->trigger();
  EXPECT_FALSE(form->isVisible());
}

TEST_F(DspFormTest, CopyPutsTheSelectionOnTheClipboardAndNothingWithoutOne) {
  Module(kDemo);
  Show("Bump", "");
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText("before");
  form->CopyasText1->trigger();
  EXPECT_EQ(clipboard->text(), "before");

  QTextCursor c = form->rchDsp->textCursor();
  c.setPosition(17);
  c.setPosition(33, QTextCursor::KeepAnchor);
  form->rchDsp->setTextCursor(c);
  form->Copy1->trigger();
  EXPECT_EQ(clipboard->text(), "Bump(n)\n    Bump");
}

TEST_F(DspFormTest, HelpCallsTheHookWithContextSixAndCloseHidesKeepingTheText) {
  form->Help1->trigger();  // no help file: nothing happens
  std::vector<int> contexts;
  form->HelpRequested = [&](int context) { contexts.push_back(context); };
  form->Help1->trigger();
  form->Help2->trigger();
  EXPECT_EQ(contexts, (std::vector<int>{6, 6}));

  Module(kDemo);
  Show("Bump", "");
  form->Closex1->trigger();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(Text(), "Private Function Bump(n)\n    Bump = n + 1\nEnd Function");
  Show("Bump", "");
  form->close();
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(Text().empty());
}

}  // namespace
}  // namespace tarnel
