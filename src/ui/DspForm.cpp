#include "ui/DspForm.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QToolTip>
#include <exception>
#include <memory>

#include "analysis/Analysis.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/TextFile.h"
#include "session/DefinitionLookup.h"
#include "ui/Cp932Text.h"
#include "ui/FileDialog.h"
#include "ui/Fonts.h"
#include "ui/MarkWord.h"
#include "ui/SaveTarget.h"
#include "ui/SourceTextEdit.h"
#include "ui/UserPrompts.h"

namespace tarnel {

namespace {

// The hourglass for the length of a scope, however it is left.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// Family and size only: the style that a font dialog returns is not carried over.
QFont FaceAndSize(const QFont& from) {
  QFont font(from.family());
  if (from.pointSizeF() > 0) {
    font.setPointSizeF(from.pointSizeF());
  } else {
    font.setPixelSize(from.pixelSize());
  }
  return font;
}

}  // namespace

bool PrintTextDocument(const QTextDocument& source, QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // Lay the text out at screen resolution, as it is shown, and scale each page up to the printer.
  std::unique_ptr<QTextDocument> doc(source.clone());
  doc->setDocumentMargin(0);
  // On screen a line scrolls sideways; on paper a line wider than the page goes on below, at a
  // blank where there is one, else anywhere.
  QTextOption wrapped = doc->defaultTextOption();
  wrapped.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  doc->setDefaultTextOption(wrapped);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double screenDpiX = screen ? screen->logicalDotsPerInchX() : 96.0;
  const double screenDpiY = screen ? screen->logicalDotsPerInchY() : 96.0;
  const double scaleX = printer.logicalDpiX() / screenDpiX;
  const double scaleY = printer.logicalDpiY() / screenDpiY;
  const QRectF area = printer.pageRect(QPrinter::DevicePixel);
  const QSizeF page(area.width() / scaleX, area.height() / scaleY);
  doc->setPageSize(page);
  const int pages = doc->pageCount();
  for (int i = 0; i < pages; ++i) {
    if (i > 0) printer.newPage();
    painter.save();
    painter.scale(scaleX, scaleY);
    painter.translate(0, -i * page.height());
    doc->drawContents(&painter, QRectF(QPointF(0, i * page.height()), page));
    painter.restore();
  }
  return painter.end();
}

TDspForm::TDspForm(const ProjectSession& session, UserPrompts& prompts, QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      prompts_(prompts),
      printer_(QPrinter::HighResolution) {
  RegisterFontSubstitutions();
  setObjectName(QStringLiteral("DspForm"));
  setWindowTitle(QStringLiteral("Function Display"));
  setFont(DesignedFont(kFormFace, 12));
  OpenDefinition = [this](const TPassRec& proc) { ShowProcedure(proc, proc.Name); };

  rchDsp = source_ = new SourceTextEdit(this);
  rchDsp->setObjectName(QStringLiteral("rchDsp"));
  rchDsp->setReadOnly(true);
  rchDsp->setUndoRedoEnabled(false);
  rchDsp->setLineWrapMode(QTextEdit::NoWrap);
  rchDsp->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  rchDsp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  rchDsp->setProperty("HelpContext", kHelpContext);
  displayFont_ = DesignedDisplayFont();
  rchDsp->setFont(displayFont_);
  setCentralWidget(rchDsp);

  // A label rather than a status message, which menus clear as they are browsed.
  statusLabel_ = new QLabel(this);
  statusLabel_->setObjectName(QStringLiteral("StatusLabel"));
  statusBar()->addWidget(statusLabel_, 1);
  statusBar()->setSizeGripEnabled(false);
  statusBar()->hide();  // shown only while a procedure is shown in part

  BuildMenus();

  resize(435, 300);
  if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

TDspForm::~TDspForm() = default;

void TDspForm::BuildMenus() {
  auto item = [this](QMenu* menu, const char* name, const QString& caption,
                     void (TDspForm::*op)()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, [this, op] { (this->*op)(); });
    return action;
  };
  auto separator = [](QMenu* menu, const char* name) {
    menu->addSeparator()->setObjectName(QLatin1String(name));
  };

  MainMenu1 = menuBar();
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
  File1 = MainMenu1->addMenu(QStringLiteral("&File"));
  File1->setObjectName(QStringLiteral("File1"));
  File1->menuAction()->setObjectName(QStringLiteral("File1"));
  SavetoFile1 =
      item(File1, "SavetoFile1", QStringLiteral("&Save to File"), &TDspForm::SavetoFile1Click);
  PrinterSetup1 =
      item(File1, "PrinterSetup1", QStringLiteral("Printer Set&up"), &TDspForm::PrinterSetup1Click);
  Print1 = item(File1, "Print1", QStringLiteral("&Print"), &TDspForm::Print1Click);
  separator(File1, "N2");
  Closex1 = item(File1, "Closex1", QStringLiteral("Close(&x)"), &TDspForm::Close1Click);

  Find1 = MainMenu1->addMenu(QStringLiteral("&Operation"));
  Find1->setObjectName(QStringLiteral("Find1"));
  Find1->menuAction()->setObjectName(QStringLiteral("Find1"));
  CheckSubFunction1 = item(Find1, "CheckSubFunction1", QStringLiteral("Chec&k Sub && Func"),
                           &TDspForm::CheckSubFunction1Click);
  Font1 = item(Find1, "Font1", QStringLiteral("Fon&t"), &TDspForm::Font1Click);
  CopyasText1 = item(Find1, "CopyasText1", QStringLiteral("&Copy"), &TDspForm::CopyasText1Click);
  separator(Find1, "N3");
  Help1 = item(Find1, "Help1", QStringLiteral("&Help"), &TDspForm::Help1Click);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  CheckSubFunc1 = item(PopupMenu1, "CheckSubFunc1", QStringLiteral("Chec&k Sub && Func"),
                       &TDspForm::CheckSubFunction1Click);
  Font2 = item(PopupMenu1, "Font2", QStringLiteral("Fon&t"), &TDspForm::Font1Click);
  Copy1 = item(PopupMenu1, "Copy1", QStringLiteral("&Copy"), &TDspForm::CopyasText1Click);
  separator(PopupMenu1, "N1");
  Help2 = item(PopupMenu1, "Help2", QStringLiteral("&Help"), &TDspForm::Help1Click);

  rchDsp->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(rchDsp, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupMenu1->popup(rchDsp->viewport()->mapToGlobal(pos)); });

  // F1 in the text opens the window's help topic.
  auto* f1 = new QShortcut(QKeySequence::HelpContents, rchDsp);
  f1->setContext(Qt::WidgetWithChildrenShortcut);
  connect(f1, &QShortcut::activated, this, &TDspForm::Help1Click);

  auto* f12 = new QShortcut(QKeySequence(Qt::Key_F12), rchDsp);
  f12->setContext(Qt::WidgetWithChildrenShortcut);
  connect(f12, &QShortcut::activated, this, [this] { GoToDefinition(rchDsp->textCursor()); });
  connect(source_, &SourceTextEdit::DefinitionRequested, this,
          [this](const QTextCursor& at) { GoToDefinition(at); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, this, &TDspForm::Close1Click);
}

void TDspForm::ShowError(const QString& text) { prompts_.ShowError(this, text); }

void TDspForm::ShowProcedure(const TPassRec& proc, const std::string& markName) {
  // The window is where this user action ends, so its failures are reported here.
  try {
    LoadProcedure(proc, markName);
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()));
  }
}

void TDspForm::MarkLines(const std::vector<int>& lines) {
  if (shownLines_.empty()) return;  // nothing shown, or the last showing failed
  QTextDocument* doc = rchDsp->document();
  QTextBlockFormat marked;
  marked.setBackground(QColor(255, 244, 170));
  for (int line : lines) {
    const long long block = line - shownStart_;
    if (block < 0 || block >= doc->blockCount()) continue;
    QTextCursor cursor(doc->findBlockByNumber(static_cast<int>(block)));
    cursor.mergeBlockFormat(marked);
  }
}

void TDspForm::ScrollToLine(int line) {
  const long long block = line - shownStart_;
  QTextDocument* doc = rchDsp->document();
  if (shownLines_.empty() || block < 0 || block >= doc->blockCount()) return;
  rchDsp->setTextCursor(QTextCursor(doc->findBlockByNumber(static_cast<int>(block))));
  rchDsp->ensureCursorVisible();
}

long long TDspForm::LineNumberOf(int block) const { return source_->LineNumberOf(block); }

bool TDspForm::GoToDefinition(const QTextCursor& at) {
  const int block = at.blockNumber();
  if (shownLines_.empty() || block < 0 || static_cast<std::size_t>(block) >= shownLines_.size())
    return false;
  const TPassRec* shown = session_.Context().Result.SymbolList.TryFind(shownKey_);
  // A new analysis may have given the key to another procedure.
  if (shown == nullptr || shown->Name != shownName_ || shown->ParentKey != shownParent_)
    return false;
  // The name is looked up in the line as the analysis read it: its bytes under code page 932,
  // decoded to UTF-8 under any other setting. The shown text converts back without loss.
  const bool utf8 = session_.RecordEncoding() == TextEncoding::Utf8;
  const std::string& bytes = shownLines_[static_cast<std::size_t>(block)];
  const std::string line = utf8 ? DecodeToUtf8(bytes, fileEncoding_) : bytes;
  const QString prefix = at.block().text().left(at.positionInBlock());
  const std::size_t byte = utf8 ? static_cast<std::size_t>(prefix.toUtf8().size())
                                : Utf8ToCp932(prefix.toStdString()).size();
  const NameInLine name = NameAt(line, byte, !utf8);
  const TPassRec* target =
      FindDefinition(session_.Context(), *shown, static_cast<int>(shownStart_ + block), name);
  if (target == nullptr) {
    const QPoint where = rchDsp->viewport()->mapToGlobal(rchDsp->cursorRect(at).bottomLeft());
    QToolTip::showText(where,
                       name.Name.empty()
                           ? QStringLiteral("No name here")
                           : QStringLiteral("No procedure found for %1")
                                 .arg(FromRecordText(name.Name, session_.RecordEncoding())),
                       rchDsp);
    return false;
  }
  if (OpenDefinition) OpenDefinition(*target);
  return true;
}

void TDspForm::LoadProcedure(const TPassRec& proc, const std::string& markName) {
  BusyCursor busy;
  // proc may be a record that the next analysis replaces; take what is needed now.
  const std::string name = proc.Name;
  const std::string parentKey = proc.ParentKey;
  shownKey_ = proc.Key;
  shownName_ = name;
  shownParent_ = parentKey;
  const long long startLine = proc.StartLine;
  const long long count = static_cast<long long>(proc.BodyLines) + 2;

  QTextDocument* doc = rchDsp->document();
  doc->clear();
  shownLines_.clear();
  source_->SetFirstLineNumber(0);
  SetStatusText({});

  const std::string path = FindSymbol(session_.Result(), parentKey).Text;
  // The path is engine text; the name is a record's.
  setWindowTitle(FromCp932(path) + QLatin1Char(' ') +
                 FromRecordText(name, session_.RecordEncoding()));

  std::vector<std::string> lines;
  {
    TextReader file;
    try {
      file.Open(path);
    } catch (const FileNotFoundError& e) {
      // Which file is missing matters here: the project names many.
      throw TarnelError(std::string(e.what()) + " : " + Cp932ToUtf8(path));
    }
    // The file's encoding as its analysis chose it. Line ends are the same bytes in every
    // encoding, so the lines counted here are those the analysis counted in the decoded text.
    fileEncoding_ = session_.Result().Decoder.EncodingOf(path, file.Bytes());
    if (startLine > 1) file.SkipLines(static_cast<long>(startLine - 1));
    for (long long i = 0; i < count; ++i) lines.push_back(file.ReadLine());
  }

  shownLines_ = std::move(lines);
  if (!shownLines_.empty()) {
    // An empty format: the text takes the document's default font, colour and weight. Setting
    // the whole text at once lays it out once, not once per line.
    rchDsp->setCurrentCharFormat(QTextCharFormat());
    rchDsp->setPlainText(ShownText());
  } else {
    ShownText();
  }
  shownStart_ = startLine;
  source_->SetFirstLineNumber(shownLines_.empty() ? 0 : startLine);
  rchDsp->setTextCursor(QTextCursor(doc));

  // The procedure's own name: first hit in the first line, any case, inside words too.
  const QString qName = FromRecordText(name, session_.RecordEncoding());
  const QString firstLine = doc->firstBlock().text();
  const qsizetype hit = qName.isEmpty() ? -1 : firstLine.indexOf(qName, 0, Qt::CaseInsensitive);
  if (hit >= 0) {
    QTextCursor cursor(doc);
    cursor.setPosition(static_cast<int>(hit));
    cursor.setPosition(static_cast<int>(hit + qName.size()), QTextCursor::KeepAnchor);
    QTextCharFormat blue;
    blue.setForeground(QColor(0, 0, 255));
    cursor.mergeCharFormat(blue);
  }

  MarkWord(markName, 1);

  show();
  raise();
  activateWindow();
  rchDsp->viewport()->update();
}

QString TDspForm::ShownText() {
  QString text;
  std::size_t shown = 0;
  qsizetype cutAt = -1;  // where a first line longer than the whole budget was cut
  for (; shown < shownLines_.size() && shown < static_cast<std::size_t>(ShownLineLimit); ++shown) {
    QString line = FromSourceLine(shownLines_[shown], fileEncoding_);
    const qsizetype needed = line.size() + (shown > 0 ? 1 : 0);
    if (text.size() + needed > ShownCharLimit) {
      if (shown > 0) break;  // whole lines only, unless not even the first one fits
      cutAt = ShownCharLimit;
      text = line.left(cutAt);
      ++shown;
      break;
    }
    if (shown > 0) text += QLatin1Char('\n');
    text += line;
  }
  if (shown < shownLines_.size() || cutAt >= 0) {
    SetStatusText(QStringLiteral("Showing lines 1 to %1 of %2%3; Save to File writes them all")
                      .arg(shown)
                      .arg(shownLines_.size())
                      .arg(cutAt >= 0 ? QStringLiteral(", line 1 cut at %1 characters").arg(cutAt)
                                      : QString()));
  } else {
    SetStatusText({});
  }
  return text;
}

void TDspForm::SetStatusText(const QString& text) {
  statusLabel_->setText(text);
  statusBar()->setVisible(!text.isEmpty());
}

QString TDspForm::StatusText() const { return statusLabel_->text(); }

void TDspForm::MarkWord(const std::string& word, int mode) {
  ::tarnel::MarkWord(*rchDsp->document(), FromRecordText(word, session_.RecordEncoding()),
                     mode == 1 ? MarkMode::Red : MarkMode::Bold);
}

void TDspForm::CheckSubFunction1Click() {
  BusyCursor busy;
  // Pending repaints and input run once before the marks, as they would between names.
  QCoreApplication::processEvents();
  std::vector<QString> names;
  names.reserve(static_cast<std::size_t>(session_.Result().ProcNames.Count()));
  for (int i = 0; i < session_.Result().ProcNames.Count(); ++i)
    names.push_back(
        FromRecordText(session_.Result().ProcNames.TextAt(i), session_.RecordEncoding()));
  MarkNamesBold(*rchDsp->document(), names);
}

void TDspForm::Font1Click() {
  // The face the text is drawn in: the dialog lists installed faces, and the designed name only
  // stands in for one of them.
  const QFontInfo drawn(displayFont_);
  QFont preset(drawn.family());
  preset.setPointSizeF(drawn.pointSizeF());
  std::optional<QFont> chosen = prompts_.ChooseFont(this, preset);
  if (!chosen) return;
  SetDisplayFont(*chosen);
}

QFont TDspForm::DesignedDisplayFont() { return DesignedFont(kFormFace, 13); }

void TDspForm::SetDisplayFont(const QFont& chosen) {
  const QFont font = FaceAndSize(chosen);
  ApplyFontToText(font);
  displayFont_ = font;
  rchDsp->setFont(font);
}

void TDspForm::ApplyFontToText(const QFont& font) {
  // Face and size replace whatever the text had; colour and weight stay. A size is either in
  // points or in pixels, so the other unit is cleared rather than merged.
  QTextDocument* doc = rchDsp->document();
  QTextCursor cursor(doc);
  cursor.beginEditBlock();
  for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      QTextCharFormat format = fragment.charFormat();
      format.clearProperty(QTextFormat::FontFamilies);
      format.clearProperty(QTextFormat::FontPointSize);
      format.clearProperty(QTextFormat::FontPixelSize);
      format.setFontFamilies({font.family()});
      if (font.pointSizeF() > 0) {
        format.setFontPointSize(font.pointSizeF());
      } else {
        format.setProperty(QTextFormat::FontPixelSize, font.pixelSize());
      }
      cursor.setPosition(fragment.position());
      cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
      cursor.setCharFormat(format);
    }
  }
  cursor.endEditBlock();
}

void TDspForm::CopyasText1Click() {
  const QTextCursor selection = rchDsp->textCursor();
  if (!selection.hasSelection()) return;
  QGuiApplication::clipboard()->setText(selection.selection().toPlainText());
}

void TDspForm::SavetoFile1Click() {
  FileRequest request;
  request.Mode = TFileDialog::Mode::Save;
  request.Title = QStringLiteral("Save");
  request.Filters = {QStringLiteral(u"ﾃｷｽﾄﾌｧｲﾙ (*.txt)"), QStringLiteral("Basic (*.Bas)")};
  request.DefaultSuffix = QStringLiteral("txt");
  std::optional<std::string> fileName = prompts_.ChooseFile(this, request);
  if (!fileName || fileName->empty()) return;
  try {
    const std::optional<std::string> target =
        CheckSaveTarget(session_.Context(), *fileName, prompts_, this);
    if (!target) return;
    // The bytes as read from the module, so that even undecodable bytes come back unchanged.
    TextWriter out(*target);
    for (const std::string& line : shownLines_) out.WriteLine(line);
    out.Close();
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()));
  }
}

void TDspForm::PrinterSetup1Click() { prompts_.SetUpPrinter(this, printer_); }

void TDspForm::Print1Click() {
  if (!prompts_.ConfirmPrint(this, printer_)) return;
  printer_.setDocName(windowTitle());
  bool printed;
  {
    BusyCursor busy;
    printed = PrintTextDocument(*rchDsp->document(), printer_);
  }
  if (!printed) {
    ShowError(QStringLiteral("Cannot print to %1")
                  .arg(printer_.printerName().isEmpty() ? printer_.outputFileName()
                                                        : printer_.printerName()));
  }
}

void TDspForm::Close1Click() { hide(); }

void TDspForm::Help1Click() {
  if (HelpRequested) HelpRequested(kHelpContext);
}

}  // namespace tarnel
