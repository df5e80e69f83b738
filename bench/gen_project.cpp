// tarnel-genproject: writes a large Visual Basic 4.0 project for benchmarks.
//
// The project is drawn from a seeded generator, so the same arguments always give the same bytes:
// standard modules, forms and class modules in code page 932 with CR LF line ends, procedures of
// every kind, and a call graph in which a few procedures are called from thousands of places.

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace tarnel {
namespace {

// Japanese texts as code page 932 bytes (octal escapes), each with its reading.
constexpr const char* kJaComments[] = {
    // 初期化処理
    "\217\211\212\372\211\273\217\210\227\235",
    // 入力値のチェック
    "\223\374\227\315\222l\202\314\203`\203F\203b\203N",
    // 顧客データを読み込む
    "\214\332\213q\203f\201[\203^\202\360\223\307\202\335\215\236\202\336",
    // 表示を更新する
    "\225\134\216\246\202\360\215X\220V\202\267\202\351",
    // エラー処理
    "\203G\203\211\201[\217\210\227\235",
    // 合計金額を計算する
    "\215\207\214v\213\340\212z\202\360\214v\216Z\202\267\202\351",
    // ソート順を決める
    "\203\134\201[\203g\217\207\202\360\214\210\202\337\202\351",
    // 能力値の補正
    "\224\134\227\315\222l\202\314\225\342\220\263",
    // ファイルを開く
    "\203t\203@\203C\203\213\202\360\212J\202\255",
    // データベースに接続する
    "\203f\201[\203^\203x\201[\203X\202\311\220\332\221\261\202\267\202\351",
    // 画面の項目をクリアする
    "\211\346\226\312\202\314\215\200\226\332\202\360\203N\203\212\203A\202\267\202\351",
    // 印刷用の書式を設定する
    "\210\363\215\374\227p\202\314\217\221\216\256\202\360\220\335\222\350\202\267\202\351",
    // 税込み金額 (消費税 3%)
    "\220\305\215\236\202\335\213\340\212z (\217\301\224\357\220\305 3%)",
    // ここは変更しないこと
    "\202\261\202\261\202\315\225\317\215X\202\265\202\310\202\242\202\261\202\306",
    // 一覧表の列幅を調整する
    "\210\352\227\227\225\134\202\314\227\361\225\235\202\360\222\262\220\256\202\267\202\351",
    // 伝票番号を採番する
    "\223`\225[\224\324\215\206\202\360\215\314\224\324\202\267\202\351",
    // 締め日の判定
    "\222\367\202\337\223\372\202\314\224\273\222\350",
    // ソフトウェアの設定を保存する
    "\203\134\203t\203g\203E\203F\203A\202\314\220\335\222\350\202\360\225\333\221\266\202\267\202"
    "\351",
    // 該当データがなければ何もしない
    "\212Y\223\226\203f\201[\203^"
    "\202\252\202\310\202\257\202\352\202\316\211\275\202\340\202\265\202\310\202\242",
    // 前回の値と比べる
    "\221O\211\361\202\314\222l\202\306\224\344\202\327\202\351",
    // 端数は切り捨てる
    "\222[\220\224\202\315\220\330\202\350\216\314\202\304\202\351",
    // 月末の処理
    "\214\216\226\226\202\314\217\210\227\235",
};
constexpr const char* kJaMessages[] = {
    // 保存しました
    "\225\333\221\266\202\265\202\334\202\265\202\275",
    // 入力に誤りがあります
    "\223\374\227\315\202\311\214\353\202\350\202\252\202\240\202\350\202\334\202\267",
    // 該当するデータがありません
    "\212Y\223\226\202\267\202\351\203f\201[\203^\202\252\202\240\202\350\202\334\202\271\202\361",
    // 処理を中止しますか？
    "\217\210\227\235\202\360\222\206\216~\202\265\202\334\202\267\202\251\201H",
    // 表示できません
    "\225\134\216\246\202\305\202\253\202\334\202\271\202\361",
    // データを削除します。よろしいですか？
    "\203f\201[\203^"
    "\202\360\215\355\217\234\202\265\202\334\202\267\201B\202\346\202\353\202\265\202\242\202\305"
    "\202\267\202\251\201H",
    // 印刷中です
    "\210\363\215\374\222\206\202\305\202\267",
    // ソート完了
    "\203\134\201[\203g\212\256\227\271",
    // コードを入力してください
    "\203R\201[\203h\202\360\223\374\227\315\202\265\202\304\202\255\202\276\202\263\202\242",
    // 金額が範囲外です
    "\213\340\212z\202\252\224\315\210\315\212O\202\305\202\267",
    // 接続できません
    "\220\332\221\261\202\305\202\253\202\334\202\271\202\361",
    // 更新しました
    "\215X\220V\202\265\202\334\202\265\202\275",
};
constexpr const char* kJaFormCaptions[] = {
    // 顧客マスタ保守
    "\214\332\213q\203}\203X\203^\225\333\216\347",
    // 伝票入力
    "\223`\225[\223\374\227\315",
    // 売上一覧表
    "\224\204\217\343\210\352\227\227\225\134",
    // 検索条件
    "\214\237\215\365\217\360\214\217",
    // 環境設定
    "\212\302\213\253\220\335\222\350",
    // 仕入先マスタ
    "\216d\223\374\220\346\203}\203X\203^",
    // 在庫照会
    "\215\335\214\311\217\306\211\357",
    // 請求書発行
    "\220\277\213\201\217\221\224\255\215s",
    // 入金処理
    "\223\374\213\340\217\210\227\235",
    // 月次集計表
    "\214\216\216\237\217W\214v\225\134",
    // 担当者登録
    "\222S\223\226\216\322\223o\230^",
    // ソート条件
    "\203\134\201[\203g\217\360\214\217",
};
constexpr const char kCapOK[] = "OK";
// キャンセル
constexpr const char kCapCancel[] = "\203L\203\203\203\223\203Z\203\213";
// 検索(&S)
constexpr const char kCapSearch[] = "\214\237\215\365(&S)";
// 印刷(&P)
constexpr const char kCapPrint[] = "\210\363\215\374(&P)";
// 保存(&S)
constexpr const char kCapSave[] = "\225\333\221\266(&S)";
// 削除(&D)
constexpr const char kCapDelete[] = "\215\355\217\234(&D)";
// クリア(&C)
constexpr const char kCapClear[] = "\203N\203\212\203A(&C)";
// 閉じる
constexpr const char kCapClose[] = "\225\302\202\266\202\351";
// 追加(&A)
constexpr const char kCapAdd[] = "\222\307\211\301(&A)";
// 次へ(&N)
constexpr const char kCapNext[] = "\216\237\202\326(&N)";
// 前へ(&B)
constexpr const char kCapPrev[] = "\221O\202\326(&B)";
// タイトル
constexpr const char kCapTitle[] = "\203^\203C\203g\203\213";
// 状態:
constexpr const char kCapStatus[] = "\217\363\221\324:";
// 合計:
constexpr const char kCapTotal[] = "\215\207\214v:";
// 件数:
constexpr const char kCapCount[] = "\214\217\220\224:";
// 有効
constexpr const char kCapActive[] = "\227L\214\370";
// 印刷する
constexpr const char kCapPrintFlag[] = "\210\363\215\374\202\267\202\351";
// 税込み(&T)
constexpr const char kCapTax[] = "\220\305\215\236\202\335(&T)";
// ＭＳ Ｐゴシック
constexpr const char kFontName[] = "\202l\202r \202o\203S\203V\203b\203N";
// 固定(実線)
constexpr const char kFixedSingle[] = "\214\305\222\350(\216\300\220\374)";
// 固定ﾀﾞｲｱﾛｸﾞ
constexpr const char kFixedDialog[] = "\214\305\222\350\300\336\262\261\333\270\336";
// 右揃え
constexpr const char kRightJustify[] = "\211E\221\265\202\246";

constexpr const char* kSubVerbs[] = {
    "Load",  "Save",  "Update", "Init", "Clear",    "Print",  "Show",   "Refresh", "Fill",
    "Write", "Add",   "Remove", "Post", "Sort",     "Apply",  "Export", "Import",  "Close",
    "Open",  "Edit",  "Merge",  "Copy", "Register", "Cancel", "Send",   "Store",   "Draw",
    "Build", "Setup", "Reload", "Mark", "Release",  "Attach", "Notify", "Archive", "Purge"};
constexpr const char* kFunctionVerbs[] = {
    "Get",     "Calc",     "Find",  "Count", "Format",  "Make",   "Read",     "Check",
    "Compare", "Conv",     "Parse", "Is",    "Has",     "Can",    "Lookup",   "Next",
    "Sum",     "Validate", "Fetch", "Pick",  "Resolve", "Locate", "Estimate", "Test"};
constexpr const char* kNouns[] = {
    "Customer", "Invoice", "Order",     "Item",     "Product",    "Stock",    "Supplier",
    "Payment",  "Account", "Balance",   "Ledger",   "Employee",   "Salary",   "Address",
    "Price",    "Tax",     "Discount",  "Total",    "Amount",     "Quantity", "Period",
    "Branch",   "Section", "Slip",      "Receipt",  "Estimate",   "Delivery", "Shipment",
    "Category", "Code",    "Status",    "Record",   "Row",        "Column",   "Grid",
    "List",     "Field",   "Header",    "Footer",   "Page",       "Report",   "Summary",
    "Detail",   "Master",  "Table",     "Query",    "Connection", "Buffer",   "Path",
    "Folder",   "Backup",  "Profile",   "Message",  "Title",      "Layout",   "Key",
    "Counter",  "Number",  "Rate",      "Unit",     "Region",     "Route",    "Schedule",
    "Calendar", "Holiday", "Budget",    "Forecast", "Target",     "Result",   "Contract",
    "Voucher",  "Journal", "Warehouse", "Carrier",  "Staff",      "Division", "Department",
    "Terminal", "Batch",   "Closing",   "Billing",  "Deposit",    "Transfer", "Memo"};
constexpr const char* kQualifiers[] = {"ByCode", "ByName", "List", "Data", "Info",  "Ex",
                                       "All",    "Temp",   "Text", "Flag", "Total", "Range"};
constexpr const char* kObjectAttrs[] = {"Parent", "Source", "Link", "Ref"};
constexpr const char* kDomains[] = {
    "Customer", "Invoice", "Order",    "Product",  "Stock",  "Supplier", "Payment",  "Account",
    "Ledger",   "Payroll", "Shipping", "Tax",      "Price",  "Sales",    "Purchase", "Budget",
    "Calendar", "Config",  "Database", "Util",     "Report", "Print",    "Export",   "Import",
    "Backup",   "Search",  "Batch",    "Audit",    "Branch", "Delivery", "Estimate", "Receipt",
    "Billing",  "Closing", "Journal",  "Contract", "Staff",  "Security", "Menu",     "Master"};
// Helper names that many forms declare privately, so that one name belongs to many procedures.
constexpr const char* kFormHelpers[] = {"InitControls", "ClearFields",   "EnableButtons",
                                        "FillList",     "ValidateInput", "ShowStatus",
                                        "SetCaptions",  "RefreshView"};
// Names that the generated Verb + Noun names must not take: built-in functions of the language.
constexpr const char* kAvoidNames[] = {"GetAttr",     "GetObject",   "GetSetting", "IsDate",
                                       "IsError",     "IsNumeric",   "IsEmpty",    "IsNull",
                                       "IsObject",    "IsArray",     "IsMissing",  "SaveSetting",
                                       "LoadPicture", "SavePicture", "FileCopy"};

struct VbType {
  const char* name;
  const char* prefix;
};
constexpr VbType kLong{"Long", "lng"};
constexpr VbType kInteger{"Integer", "int"};
constexpr VbType kString{"String", "s"};
constexpr VbType kCurrency{"Currency", "cur"};
constexpr VbType kDouble{"Double", "dbl"};
constexpr VbType kBoolean{"Boolean", "b"};
constexpr VbType kVariant{"Variant", "v"};
constexpr VbType kDate{"Date", "dt"};
constexpr VbType kObject{"Object", "obj"};
// Property names end in one of these words, which also fixes the property's type.
struct PropertyAttr {
  const char* word;
  const VbType* type;
};
constexpr PropertyAttr kPropertyAttrs[] = {
    {"Code", &kString},  {"Name", &kString}, {"ID", &kLong},         {"Count", &kLong},
    {"Flag", &kBoolean}, {"Text", &kString}, {"Value", &kVariant},   {"Kind", &kInteger},
    {"No", &kLong},      {"Date", &kDate},   {"Amount", &kCurrency}, {"Rate", &kDouble}};
// Types of parameters, locals and results; Long and String come up twice as often.
constexpr const VbType* kValueTypes[] = {&kLong,     &kLong,   &kInteger, &kString,  &kString,
                                         &kCurrency, &kDouble, &kBoolean, &kVariant, &kDate};
constexpr const char* kVarNouns[] = {"Code",  "Name",  "Count", "Index", "Amount", "Rate",
                                     "Value", "Key",   "Text",  "Path",  "Mode",   "Row",
                                     "Total", "Price", "No",    "Kind",  "Level",  "Qty"};

struct ControlTemplate {
  const char* type;
  const char* name;
  const char* caption;  // nullptr: the control has none
  const char* events[3];
};
constexpr ControlTemplate kControls[] = {
    {"CommandButton", "cmdOK", kCapOK, {"Click"}},
    {"CommandButton", "cmdCancel", kCapCancel, {"Click"}},
    {"CommandButton", "cmdSearch", kCapSearch, {"Click"}},
    {"CommandButton", "cmdPrint", kCapPrint, {"Click"}},
    {"CommandButton", "cmdSave", kCapSave, {"Click"}},
    {"CommandButton", "cmdDelete", kCapDelete, {"Click"}},
    {"CommandButton", "cmdClear", kCapClear, {"Click"}},
    {"CommandButton", "cmdClose", kCapClose, {"Click"}},
    {"CommandButton", "cmdAdd", kCapAdd, {"Click"}},
    {"CommandButton", "cmdNext", kCapNext, {"Click"}},
    {"CommandButton", "cmdPrev", kCapPrev, {"Click"}},
    {"TextBox", "txtCode", nullptr, {"Change", "KeyPress", "LostFocus"}},
    {"TextBox", "txtName", nullptr, {"Change", "GotFocus"}},
    {"TextBox", "txtAmount", nullptr, {"KeyPress", "LostFocus"}},
    {"TextBox", "txtMemo", nullptr, {"Change"}},
    {"TextBox", "txtQty", nullptr, {"KeyPress", "Change"}},
    {"ListBox", "lstItems", nullptr, {"Click", "DblClick"}},
    {"ListBox", "lstResult", nullptr, {"DblClick"}},
    {"ComboBox", "cboCategory", nullptr, {"Click"}},
    {"ComboBox", "cboBranch", nullptr, {"Click", "Change"}},
    {"CheckBox", "chkActive", kCapActive, {"Click"}},
    {"CheckBox", "chkPrint", kCapPrintFlag, {"Click"}},
    {"CheckBox", "chkTax", kCapTax, {"Click"}},
    {"Label", "lblTitle", kCapTitle, {}},
    {"Label", "lblStatus", kCapStatus, {}},
    {"Label", "lblTotal", kCapTotal, {}},
    {"Label", "lblCount", kCapCount, {}},
    {"Timer", "tmrRefresh", nullptr, {"Timer"}},
};

struct Declare {
  const char* lines[3];
};
constexpr Declare kDeclares[] = {
    {{"Private Declare Function GetTickCount Lib \"kernel32\" () As Long"}},
    {{"Private Declare Sub Sleep Lib \"kernel32\" (ByVal dwMilliseconds As Long)"}},
    {{"Private Declare Function GetPrivateProfileString Lib \"kernel32\" _",
      "    Alias \"GetPrivateProfileStringA\" (ByVal lpApplicationName As String, _",
      "    ByVal lpKeyName As Any, ByVal lpDefault As String, ByVal lpReturnedString As String, "
      "ByVal nSize As Long, ByVal lpFileName As String) As Long"}},
    {{"Private Declare Function SendMessage Lib \"user32\" Alias \"SendMessageA\" _",
      "    (ByVal hWnd As Long, ByVal wMsg As Long, ByVal wParam As Long, lParam As Any) As Long"}},
    {{"Private Declare Function GetWindowsDirectory Lib \"kernel32\" Alias "
      "\"GetWindowsDirectoryA\" (ByVal lpBuffer As String, ByVal nSize As Long) As Long"}},
};

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}

  // splitmix64: small, fast and the same on every platform.
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, n) for n > 0.
  uint32_t Below(size_t n) {
    return static_cast<uint32_t>(((Next() >> 32) * static_cast<uint64_t>(n)) >> 32);
  }
  int Range(int lo, int hi) {
    return lo + static_cast<int>(Below(static_cast<size_t>(hi - lo + 1)));
  }
  bool Chance(int percent) { return Below(100) < static_cast<uint32_t>(percent); }
  // In [0, n), drawn as n * x^3 for x uniform in [0, 1): low indexes come up far more often.
  // Integer arithmetic only, so that the draw does not depend on the floating-point library.
  uint32_t Skewed(size_t n) {
    uint64_t x = Next() >> 43;  // 21 bits
    uint64_t cube = x * x * x;  // below 2^63
    return static_cast<uint32_t>(((cube >> 32) * static_cast<uint64_t>(n)) >> 31);
  }
  template <class T, size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }
  template <class T>
  const T& Pick(const std::vector<T>& items) {
    return items[Below(items.size())];
  }

 private:
  uint64_t state_;
};

enum class ModuleKind { Standard, Form, Class };
enum class ProcKind { Sub, Function, PropertyGet, PropertyLet, PropertySet };

struct Param {
  std::string name;
  const VbType* type;
  bool byVal;
  bool optional;
};

struct Proc {
  std::string name;
  ProcKind kind = ProcKind::Sub;
  const char* scope = "";  // "Private ", "Public " or "" (public without the word)
  bool isStatic = false;
  bool isEvent = false;
  std::string eventParams;  // the fixed parameter list of an event procedure
  std::vector<Param> params;
  const VbType* returnType = nullptr;
  int module = 0;
  int bodyLines = 0;
  std::string member;  // property procedures: the variable behind the property
};

struct Member {
  std::string name;
  const VbType* type;
};

struct Module {
  ModuleKind kind = ModuleKind::Standard;
  std::string name;
  std::string fileName;
  std::vector<int> procs;
  std::vector<const ControlTemplate*> controls;
  std::vector<Member> members;
  int caption = 0;
};

struct Options {
  int modules = 1000;
  int procsPerModule = 40;
  uint64_t seed = 1996;
  std::filesystem::path outDir;
};

struct Totals {
  long files = 0;
  long procedures = 0;
  long lines = 0;
  long long bytes = 0;
};

// Text of one source file: byte lines, each ended with CR LF.
class SourceText {
 public:
  void Add(std::string_view line) {
    bytes_.append(line);
    bytes_.append("\r\n");
    ++lines_;
  }
  const std::string& Bytes() const { return bytes_; }
  long Lines() const { return lines_; }

 private:
  std::string bytes_;
  long lines_ = 0;
};

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  out += text;
  out += '"';
  return out;
}

bool IsValueCompatible(const VbType* type) { return type != &kObject; }

class ProjectGenerator {
 public:
  explicit ProjectGenerator(Options options) : options_(std::move(options)), rng_(options_.seed) {}

  void Plan();
  Totals Write();

 private:
  struct Body {
    const Proc* proc = nullptr;
    const Module* module = nullptr;
    std::vector<Member> vars;  // parameters and locals that expressions may use
    int budget = 0;            // lines still to write
    bool hasLoopVar = false;   // i is declared
    SourceText* out = nullptr;
  };

  // Planning.
  std::vector<int> ProcCounts();
  std::string NewModuleName(const char* prefix);
  std::string NewProcName(bool function);
  std::string NewVarName(const VbType* type, std::unordered_set<std::string>& used);
  int AddProc(Module& module, int moduleIndex, Proc proc);
  void PlanStandard(Module& module, int moduleIndex, int count);
  void PlanForm(Module& module, int moduleIndex, int count);
  void PlanClass(Module& module, int moduleIndex, int count);
  void PlanCommon(Module& module, int moduleIndex, int& count);
  void RandomParams(Proc& proc, int max);
  int BodySize();
  void BuildCallPools();

  // Writing.
  void WriteStandardHeader(const Module& module, SourceText& out);
  void WriteFormHeader(const Module& module, SourceText& out);
  void WriteClassHeader(const Module& module, SourceText& out);
  void WriteProc(const Module& module, const Proc& proc, SourceText& out);
  void WriteDeclaration(const Proc& proc, SourceText& out);
  void WriteStatements(Body& body, int depth, int lines);
  void WriteStatement(Body& body, int depth);
  void Emit(Body& body, int depth, std::string_view text);
  std::string VbpText(Totals& totals);

  // Expressions.
  int PickCallee(const Proc& caller, bool function);
  std::string CalleeRef(const Proc& caller, int callee);
  std::string SubCall(const Proc& caller, int callee);
  std::string FunctionCall(const Proc& caller, int callee);
  std::string Args(const Proc& callee, bool parens);
  std::string Literal(const VbType* type);
  std::string Value(Body& body, const VbType* type);
  const Member* VarOf(Body& body, const VbType* type);
  const Member& AnyVar(Body& body);
  std::string Condition(Body& body);
  std::string StringLiteral();

  static const char* EndWord(ProcKind kind);

  Options options_;
  Rng rng_;
  std::vector<Module> modules_;
  std::vector<Proc> procs_;
  std::unordered_set<std::string> usedNames_;
  std::vector<int> domainUse_ = std::vector<int>(std::size(kDomains) * 3, 0);
  long nameSuffix_ = 0;
  // Public Subs and Functions of standard modules, in a seeded order; calls favour the front.
  std::vector<int> globalSubs_, globalFunctions_;
  std::vector<int> formPublicSubs_;
};

// Procedures per module: every module gets a quarter of the average, the rest is shared out by
// seeded weights, so that sizes vary while the total is exactly modules * procsPerModule.
std::vector<int> ProjectGenerator::ProcCounts() {
  const int n = options_.modules;
  const long total = static_cast<long>(n) * options_.procsPerModule;
  const int floor = std::max(1, options_.procsPerModule / 4);
  std::vector<int> counts(static_cast<size_t>(n), floor);
  long rest = total - static_cast<long>(floor) * n;
  std::vector<long> weights(static_cast<size_t>(n));
  long sum = 0;
  for (auto& w : weights) {
    w = rng_.Range(10, 100);
    if (rng_.Chance(5)) w *= 4;  // a few very large modules, as in every real project
    sum += w;
  }
  long given = 0;
  for (size_t i = 0; i < counts.size(); ++i) {
    long share = rest * weights[i] / sum;
    counts[i] += static_cast<int>(share);
    given += share;
  }
  for (size_t i = 0; given < rest; i = (i + 1) % counts.size(), ++given) ++counts[i];
  return counts;
}

std::string ProjectGenerator::NewModuleName(const char* prefix) {
  const size_t prefixIndex = prefix[0] == 'm' ? 0 : prefix[0] == 'f' ? 1 : 2;
  const size_t d = rng_.Below(std::size(kDomains));
  int& used = domainUse_[prefixIndex * std::size(kDomains) + d];
  ++used;
  std::string name = std::string(prefix) + kDomains[d];
  if (used > 1) name += std::to_string(used);
  return name;
}

std::string ProjectGenerator::NewProcName(bool function) {
  for (int attempt = 0;; ++attempt) {
    std::string name = function ? rng_.Pick(kFunctionVerbs) : rng_.Pick(kSubVerbs);
    name += rng_.Pick(kNouns);
    if (attempt > 0 || rng_.Chance(30)) name += rng_.Pick(kQualifiers);
    if (attempt > 3) name += std::to_string(++nameSuffix_);
    bool avoid = false;
    for (const char* a : kAvoidNames) avoid = avoid || name == a;
    if (!avoid && usedNames_.insert(name).second) return name;
  }
}

std::string ProjectGenerator::NewVarName(const VbType* type,
                                         std::unordered_set<std::string>& used) {
  for (int attempt = 0;; ++attempt) {
    std::string name = std::string(type->prefix) + rng_.Pick(kVarNouns);
    if (attempt > 3) name += std::to_string(attempt);
    if (used.insert(name).second) return name;
  }
}

int ProjectGenerator::AddProc(Module& module, int moduleIndex, Proc proc) {
  proc.module = moduleIndex;
  if (proc.bodyLines == 0) proc.bodyLines = BodySize();
  procs_.push_back(std::move(proc));
  const int index = static_cast<int>(procs_.size()) - 1;
  module.procs.push_back(index);
  return index;
}

// Most procedures are short; some run to a hundred lines and more. About 21 lines on average.
int ProjectGenerator::BodySize() {
  const int r = rng_.Range(0, 99);
  if (r < 58) return rng_.Range(3, 15);
  if (r < 90) return rng_.Range(15, 40);
  return rng_.Range(40, 125);
}

void ProjectGenerator::RandomParams(Proc& proc, int max) {
  std::unordered_set<std::string> used;
  const int n = rng_.Range(0, max);
  for (int i = 0; i < n; ++i) {
    const VbType* type = rng_.Pick(kValueTypes);
    proc.params.push_back({NewVarName(type, used), type, rng_.Chance(60), false});
  }
  if (n > 0 && rng_.Chance(15)) {
    // Optional parameters are Variants, last in the list.
    proc.params.push_back({NewVarName(&kVariant, used), &kVariant, false, true});
  }
}

// The first module holds the helpers that every other module calls.
void ProjectGenerator::PlanCommon(Module& module, int moduleIndex, int& count) {
  struct Fixed {
    const char* name;
    ProcKind kind;
    const VbType* returnType;
    std::vector<Param> params;
  };
  const std::vector<Fixed> fixed = {
      {"Main", ProcKind::Sub, nullptr, {}},
      {"ShowError",
       ProcKind::Sub,
       nullptr,
       {{"sWhere", &kString, true, false}, {"lngErr", &kLong, true, false}}},
      {"LogMessage",
       ProcKind::Sub,
       nullptr,
       {{"sText", &kString, true, false}, {"vLevel", &kVariant, false, true}}},
      {"NzStr", ProcKind::Function, &kString, {{"vValue", &kVariant, false, false}}},
      {"IsBlank", ProcKind::Function, &kBoolean, {{"sText", &kString, true, false}}},
      {"SqlQuote", ProcKind::Function, &kString, {{"sText", &kString, true, false}}},
      {"FormatAmount", ProcKind::Function, &kString, {{"curAmount", &kCurrency, true, false}}},
  };
  for (const Fixed& f : fixed) {
    if (count == 0) return;
    Proc p;
    p.name = f.name;
    p.kind = f.kind;
    p.scope = f.kind == ProcKind::Sub && std::string_view(f.name) == "Main" ? "" : "Public ";
    p.returnType = f.returnType;
    p.params = f.params;
    p.bodyLines = rng_.Range(4, 12);
    usedNames_.insert(p.name);
    AddProc(module, moduleIndex, std::move(p));
    --count;
  }
}

void ProjectGenerator::PlanStandard(Module& module, int moduleIndex, int count) {
  if (moduleIndex == 0) PlanCommon(module, moduleIndex, count);
  while (count > 0) {
    if (count >= 2 && rng_.Chance(4)) {
      // A module-level property: Get and Let over a private variable.
      const PropertyAttr& attr = rng_.Pick(kPropertyAttrs);
      const VbType* type = attr.type;
      std::string name = std::string(rng_.Pick(kNouns)) + attr.word;
      if (!usedNames_.insert(name).second) name += std::to_string(++nameSuffix_);
      module.members.push_back({"m" + name, type});
      Proc get;
      get.name = name;
      get.kind = ProcKind::PropertyGet;
      get.scope = "Public ";
      get.returnType = type;
      get.member = "m" + name;
      get.bodyLines = rng_.Range(1, 3);
      Proc let = get;
      let.kind = ProcKind::PropertyLet;
      let.returnType = nullptr;
      let.params = {{"vNewValue", type, true, false}};
      AddProc(module, moduleIndex, std::move(get));
      AddProc(module, moduleIndex, std::move(let));
      count -= 2;
      continue;
    }
    Proc p;
    const bool function = rng_.Chance(45);
    p.kind = function ? ProcKind::Function : ProcKind::Sub;
    p.name = NewProcName(function);
    const int s = rng_.Range(0, 99);
    p.scope = s < 55 ? "Public " : s < 80 ? "" : "Private ";
    p.isStatic = rng_.Chance(3);
    if (function) p.returnType = rng_.Pick(kValueTypes);
    RandomParams(p, 4);
    AddProc(module, moduleIndex, std::move(p));
    --count;
  }
}

void ProjectGenerator::PlanForm(Module& module, int moduleIndex, int count) {
  // Controls: a few buttons, boxes and labels, in the order of the templates.
  std::vector<bool> chosen(std::size(kControls), false);
  const int controls = rng_.Range(3, 10);
  for (int i = 0; i < controls; ++i) chosen[rng_.Below(std::size(kControls))] = true;
  for (size_t i = 0; i < chosen.size(); ++i)
    if (chosen[i]) module.controls.push_back(&kControls[i]);

  struct Event {
    std::string name;
    std::string params;
  };
  std::vector<Event> events = {{"Form_Load", ""}, {"Form_Unload", "Cancel As Integer"}};
  if (rng_.Chance(40)) events.push_back({"Form_Activate", ""});
  if (rng_.Chance(30)) events.push_back({"Form_Resize", ""});
  if (rng_.Chance(20)) {
    events.push_back({"Form_QueryUnload", "Cancel As Integer, UnloadMode As Integer"});
  }
  for (const ControlTemplate* c : module.controls) {
    for (const char* e : c->events) {
      if (e == nullptr) break;
      std::string params;
      if (std::string_view(e) == "KeyPress") params = "KeyAscii As Integer";
      events.push_back({std::string(c->name) + "_" + e, params});
    }
  }
  const int eventCount = std::min(static_cast<int>(events.size()), std::max(1, count * 3 / 5));
  for (int i = 0; i < eventCount; ++i) {
    Proc p;
    p.name = events[static_cast<size_t>(i)].name;
    p.eventParams = events[static_cast<size_t>(i)].params;
    p.kind = ProcKind::Sub;
    p.scope = "Private ";
    p.isEvent = true;
    p.bodyLines = std::min(BodySize(), 30);
    AddProc(module, moduleIndex, std::move(p));
  }
  count -= eventCount;
  std::vector<bool> helperUsed(std::size(kFormHelpers), false);
  while (count > 0) {
    Proc p;
    const size_t h = rng_.Below(std::size(kFormHelpers));
    if (!helperUsed[h] && rng_.Chance(50)) {
      helperUsed[h] = true;
      p.name = kFormHelpers[h];
      p.kind = ProcKind::Sub;
      p.scope = "Private ";
    } else {
      const bool function = rng_.Chance(35);
      p.kind = function ? ProcKind::Function : ProcKind::Sub;
      p.name = NewProcName(function);
      p.scope = rng_.Chance(15) ? "Public " : "Private ";
      p.isStatic = rng_.Chance(3);
      if (function) p.returnType = rng_.Pick(kValueTypes);
      RandomParams(p, 3);
    }
    AddProc(module, moduleIndex, std::move(p));
    --count;
  }
}

void ProjectGenerator::PlanClass(Module& module, int moduleIndex, int count) {
  for (const char* name : {"Class_Initialize", "Class_Terminate"}) {
    if (count == 0) return;
    Proc p;
    p.name = name;
    p.scope = "Private ";
    p.isEvent = true;
    p.bodyLines = rng_.Range(1, 6);
    AddProc(module, moduleIndex, std::move(p));
    --count;
  }
  std::unordered_set<std::string> properties;
  const int propertyProcs = count / 2;
  int made = 0;
  while (made < propertyProcs) {
    const bool object = rng_.Chance(15);
    const PropertyAttr& attr = rng_.Pick(kPropertyAttrs);
    const VbType* type = object ? &kObject : attr.type;
    std::string name =
        std::string(rng_.Pick(kNouns)) + (object ? rng_.Pick(kObjectAttrs) : attr.word);
    if (!properties.insert(name).second) continue;
    module.members.push_back({"m" + name, type});
    Proc get;
    get.name = name;
    get.kind = ProcKind::PropertyGet;
    get.scope = "Public ";
    get.returnType = type;
    get.member = "m" + name;
    get.bodyLines = rng_.Range(1, 4);
    Proc put = get;
    put.kind = object ? ProcKind::PropertySet : ProcKind::PropertyLet;
    put.returnType = nullptr;
    put.params = {{object ? "objNew" : "vNewValue", type, true, false}};
    put.bodyLines = rng_.Range(1, 6);
    AddProc(module, moduleIndex, std::move(get));
    ++made;
    if (made < propertyProcs && !rng_.Chance(10)) {  // some properties are read-only
      AddProc(module, moduleIndex, std::move(put));
      ++made;
    }
  }
  count -= propertyProcs;
  while (count > 0) {
    Proc p;
    const bool function = rng_.Chance(45);
    p.kind = function ? ProcKind::Function : ProcKind::Sub;
    p.name = NewProcName(function);
    p.scope = rng_.Chance(70) ? "Public " : "Private ";
    p.isStatic = rng_.Chance(2);
    if (function) p.returnType = rng_.Pick(kValueTypes);
    RandomParams(p, 3);
    AddProc(module, moduleIndex, std::move(p));
    --count;
  }
}

void ProjectGenerator::Plan() {
  const std::vector<int> counts = ProcCounts();
  modules_.resize(static_cast<size_t>(options_.modules));
  for (int i = 0; i < options_.modules; ++i) {
    Module& m = modules_[static_cast<size_t>(i)];
    const int r = rng_.Range(0, 99);
    // The first modules are standard modules: the common helpers live there.
    m.kind = i < 3 || r < 60 ? ModuleKind::Standard : r < 85 ? ModuleKind::Form : ModuleKind::Class;
    switch (m.kind) {
      case ModuleKind::Standard:
        m.name = i == 0 ? "modCommon" : NewModuleName("mod");
        m.fileName = m.name + ".bas";
        break;
      case ModuleKind::Form:
        m.name = NewModuleName("frm");
        m.fileName = m.name + ".frm";
        m.caption = static_cast<int>(rng_.Below(std::size(kJaFormCaptions)));
        break;
      case ModuleKind::Class:
        m.name = NewModuleName("C");
        m.fileName = m.name + ".cls";
        break;
    }
    const int count = counts[static_cast<size_t>(i)];
    switch (m.kind) {
      case ModuleKind::Standard:
        PlanStandard(m, i, count);
        break;
      case ModuleKind::Form:
        PlanForm(m, i, count);
        break;
      case ModuleKind::Class:
        PlanClass(m, i, count);
        break;
    }
  }
  BuildCallPools();
}

void ProjectGenerator::BuildCallPools() {
  for (size_t i = 0; i < procs_.size(); ++i) {
    const Proc& p = procs_[i];
    const Module& m = modules_[static_cast<size_t>(p.module)];
    if (std::string_view(p.scope) == "Private " || p.isEvent || p.name == "Main") continue;
    if (m.kind == ModuleKind::Standard) {
      if (p.kind == ProcKind::Sub) globalSubs_.push_back(static_cast<int>(i));
      if (p.kind == ProcKind::Function) globalFunctions_.push_back(static_cast<int>(i));
    } else if (m.kind == ModuleKind::Form && p.kind == ProcKind::Sub) {
      formPublicSubs_.push_back(static_cast<int>(i));
    }
  }
  // Shuffle, so that the most-called procedures are spread over the project.
  for (auto* pool : {&globalSubs_, &globalFunctions_}) {
    for (size_t i = pool->size(); i > 1; --i) std::swap((*pool)[i - 1], (*pool)[rng_.Below(i)]);
  }
}

const char* ProjectGenerator::EndWord(ProcKind kind) {
  switch (kind) {
    case ProcKind::Sub:
      return "Sub";
    case ProcKind::Function:
      return "Function";
    default:
      return "Property";
  }
}

// A callee of the wanted kind: mostly a popular public helper, often a neighbour in the same
// module, now and then any public procedure. -1 when there is none.
int ProjectGenerator::PickCallee(const Proc& caller, bool function) {
  const ProcKind kind = function ? ProcKind::Function : ProcKind::Sub;
  const std::vector<int>& pool = function ? globalFunctions_ : globalSubs_;
  const int r = rng_.Range(0, 99);
  if (r < 30) {
    const Module& m = modules_[static_cast<size_t>(caller.module)];
    for (int attempt = 0; attempt < 4; ++attempt) {
      const int c = m.procs[rng_.Below(m.procs.size())];
      const Proc& p = procs_[static_cast<size_t>(c)];
      if (p.kind != kind || p.isEvent || &p == &caller) continue;
      return c;
    }
  }
  if (!function && r >= 30 && r < 33 && !formPublicSubs_.empty()) {
    return rng_.Pick(formPublicSubs_);
  }
  if (pool.empty()) return -1;
  if (r < 80) return pool[rng_.Skewed(pool.size())];
  return rng_.Pick(pool);
}

// Procedures of other modules are named with their module now and then, as Module.Name.
std::string ProjectGenerator::CalleeRef(const Proc& caller, int callee) {
  const Proc& p = procs_[static_cast<size_t>(callee)];
  const Module& m = modules_[static_cast<size_t>(p.module)];
  if (p.module != caller.module &&
      (m.kind == ModuleKind::Form || (m.kind == ModuleKind::Standard && rng_.Chance(25)))) {
    return m.name + "." + p.name;
  }
  return p.name;
}

std::string ProjectGenerator::Args(const Proc& callee, bool parens) {
  std::string out;
  bool first = true;
  for (const Param& param : callee.params) {
    if (param.optional && rng_.Chance(50)) break;
    out += first ? (parens ? "(" : " ") : ", ";
    first = false;
    out += Literal(param.type);
  }
  if (parens) out += first ? "()" : ")";
  return out;
}

std::string ProjectGenerator::SubCall(const Proc& caller, int callee) {
  const std::string ref = CalleeRef(caller, callee);
  const Proc& p = procs_[static_cast<size_t>(callee)];
  if (rng_.Chance(30)) {
    std::string args = Args(p, true);
    return "Call " + ref + (args == "()" ? "" : args);
  }
  return ref + Args(p, false);
}

std::string ProjectGenerator::FunctionCall(const Proc& caller, int callee) {
  return CalleeRef(caller, callee) + Args(procs_[static_cast<size_t>(callee)], true);
}

std::string ProjectGenerator::StringLiteral() {
  static constexpr const char* kAscii[] = {"",     "CODE", "NAME", " ",    "OK",
                                           "0000", "-",    ", ",   "DATA", "#,##0"};
  if (rng_.Chance(35)) return Quoted(rng_.Pick(kJaMessages));
  return Quoted(rng_.Pick(kAscii));
}

std::string ProjectGenerator::Literal(const VbType* type) {
  if (type == &kString) return StringLiteral();
  if (type == &kBoolean) return rng_.Chance(50) ? "True" : "False";
  if (type == &kDate) return rng_.Chance(50) ? "Date" : "Now";
  if (type == &kCurrency || type == &kDouble) {
    return std::to_string(rng_.Range(0, 9999)) + "." + std::to_string(rng_.Range(0, 99));
  }
  if (type == &kObject) return "Nothing";
  return std::to_string(rng_.Range(0, 999));
}

const Member* ProjectGenerator::VarOf(Body& body, const VbType* type) {
  for (int attempt = 0; attempt < 3 && !body.vars.empty(); ++attempt) {
    const Member& v = body.vars[rng_.Below(body.vars.size())];
    if (v.type == type) return &v;
  }
  return nullptr;
}

const Member& ProjectGenerator::AnyVar(Body& body) {
  for (int attempt = 0; attempt < 4; ++attempt) {
    const Member& v = body.vars[rng_.Below(body.vars.size())];
    if (IsValueCompatible(v.type)) return v;
  }
  return body.vars.front();  // the first local is always a value
}

std::string ProjectGenerator::Value(Body& body, const VbType* type) {
  if (rng_.Chance(50)) {
    if (const Member* v = VarOf(body, type)) return v->name;
  }
  return Literal(type);
}

std::string ProjectGenerator::Condition(Body& body) {
  const int r = rng_.Range(0, 99);
  if (r < 25) {
    const int f = PickCallee(*body.proc, true);
    if (f >= 0) {
      const Proc& p = procs_[static_cast<size_t>(f)];
      std::string call = FunctionCall(*body.proc, f);
      if (p.returnType == &kBoolean) return (rng_.Chance(50) ? "Not " : "") + call;
      if (p.returnType == &kString) return call + " = \"\"";
      return call + " > " + std::to_string(rng_.Range(0, 100));
    }
  }
  const Member& v = AnyVar(body);
  if (v.type == &kString) return rng_.Chance(50) ? "Len(" + v.name + ") = 0" : v.name + " <> \"\"";
  if (v.type == &kBoolean) return v.name;
  if (v.type == &kDate) return v.name + " < Date";
  if (v.type == &kVariant) return "IsNull(" + v.name + ")";
  return v.name + (rng_.Chance(50) ? " > " : " = ") + std::to_string(rng_.Range(0, 100));
}

void ProjectGenerator::Emit(Body& body, int depth, std::string_view text) {
  std::string line(static_cast<size_t>(4 * (depth + 1)), ' ');
  line += text;
  body.out->Add(line);
  --body.budget;
}

void ProjectGenerator::WriteStatements(Body& body, int depth, int lines) {
  const int stop = body.budget - lines;
  do {
    WriteStatement(body, depth);
  } while (body.budget > stop && body.budget > 0);
}

void ProjectGenerator::WriteStatement(Body& body, int depth) {
  const Proc& proc = *body.proc;
  const bool blocks = depth < 3 && body.budget >= 4;
  const int r = rng_.Range(0, 99);
  if (r < 20) {  // a Sub call
    const int c = PickCallee(proc, false);
    if (c >= 0) return Emit(body, depth, SubCall(proc, c));
  }
  if (r < 38) {  // Function calls in an expression: x = Foo(1) + Bar(2)
    const int c = PickCallee(proc, true);
    if (c >= 0) {
      const Proc& callee = procs_[static_cast<size_t>(c)];
      const VbType* type = callee.returnType;
      const Member* target = VarOf(body, type);
      std::string lhs = target ? target->name : AnyVar(body).name;
      std::string rhs = FunctionCall(proc, c);
      if (rng_.Chance(35) &&
          (type == &kLong || type == &kInteger || type == &kCurrency || type == &kDouble)) {
        for (int attempt = 0; attempt < 3; ++attempt) {
          const int d = PickCallee(proc, true);
          if (d < 0) break;
          const VbType* t = procs_[static_cast<size_t>(d)].returnType;
          if (t == &kLong || t == &kInteger || t == &kCurrency || t == &kDouble) {
            rhs += " + " + FunctionCall(proc, d);
            break;
          }
        }
      } else if (rng_.Chance(25) && type == &kString) {
        rhs += " & " + StringLiteral();
      }
      return Emit(body, depth, lhs + " = " + rhs);
    }
  }
  if (r < 46) {  // a comment, Japanese or not
    static constexpr const char* kComments[] = {
        "check the input before anything else", "keep the old value for the undo list",
        "TODO: move this to the common module", "the list is sorted by code",
        "do not change the order of these lines"};
    if (rng_.Chance(55)) return Emit(body, depth, std::string("' ") + rng_.Pick(kJaComments));
    return Emit(body, depth, std::string("' ") + rng_.Pick(kComments));
  }
  if (r < 58 && blocks) {
    Emit(body, depth, "If " + Condition(body) + " Then");
    WriteStatements(body, depth + 1, rng_.Range(1, 4));
    if (rng_.Chance(20) && body.budget > 2) {
      Emit(body, depth, "ElseIf " + Condition(body) + " Then");
      WriteStatements(body, depth + 1, rng_.Range(1, 3));
    }
    if (rng_.Chance(40) && body.budget > 2) {
      Emit(body, depth, "Else");
      WriteStatements(body, depth + 1, rng_.Range(1, 3));
    }
    return Emit(body, depth, "End If");
  }
  if (r < 63 && blocks) {
    const Member* v = VarOf(body, &kLong);
    if (v == nullptr) v = VarOf(body, &kInteger);
    if (v != nullptr) {
      Emit(body, depth, "Select Case " + v->name);
      const int cases = rng_.Range(2, 4);
      for (int i = 0; i < cases && body.budget > 2; ++i) {
        Emit(body, depth + 1, "Case " + std::to_string(i * 10 + rng_.Range(0, 9)));
        WriteStatements(body, depth + 2, rng_.Range(1, 2));
      }
      if (rng_.Chance(60)) {
        Emit(body, depth + 1, "Case Else");
        WriteStatements(body, depth + 2, 1);
      }
      return Emit(body, depth, "End Select");
    }
  }
  if (r < 69 && blocks && body.hasLoopVar) {
    const int limit = rng_.Range(1, 99);
    Emit(body, depth, "For i = 0 To " + std::to_string(limit));
    WriteStatements(body, depth + 1, rng_.Range(1, 4));
    return Emit(body, depth, "Next i");
  }
  if (r < 72 && blocks) {
    Emit(body, depth, "Do While " + Condition(body));
    WriteStatements(body, depth + 1, rng_.Range(1, 3));
    if (rng_.Chance(50)) Emit(body, depth + 1, "DoEvents");
    return Emit(body, depth, "Loop");
  }
  if (r < 78) {  // a statement continued over two physical lines
    const int q = rng_.Range(0, 2);
    if (q == 0) {
      const Member* s = VarOf(body, &kString);
      const std::string target = s ? s->name : "sText";
      if (s != nullptr) {
        Emit(body, depth, target + " = \"SELECT * FROM " + rng_.Pick(kNouns) + " \" & _");
        return Emit(body, depth + 2, "\"WHERE Code = \" & SqlQuote(" + Value(body, &kString) + ")");
      }
    }
    const int c = PickCallee(proc, q == 1);
    if (c >= 0 && !procs_[static_cast<size_t>(c)].params.empty()) {
      const Proc& callee = procs_[static_cast<size_t>(c)];
      std::string head =
          q == 1 ? AnyVar(body).name + " = " + CalleeRef(proc, c) + "(" : CalleeRef(proc, c) + " ";
      for (size_t i = 0; i < callee.params.size(); ++i) {
        if (i > 0) head += ", ";
        if (i + 1 == callee.params.size()) {
          head += "_";
          Emit(body, depth, head);
          return Emit(body, depth + 2, Literal(callee.params[i].type) + (q == 1 ? ")" : ""));
        }
        head += Literal(callee.params[i].type);
      }
    }
  }
  if (r < 81) {
    if (rng_.Chance(50)) {
      return Emit(body, depth,
                  "MsgBox " + Quoted(rng_.Pick(kJaMessages)) + ", vbInformation, App.Title");
    }
    return Emit(body, depth,
                "LogMessage " + StringLiteral() + " & " + AnyVar(body).name + ", " +
                    std::to_string(rng_.Range(1, 3)));
  }
  const Module& module = *body.module;
  if (r < 92 && module.kind == ModuleKind::Form && !module.controls.empty()) {
    const ControlTemplate& c = *rng_.Pick(module.controls);
    const std::string_view type = c.type;
    const std::string name = c.name;
    if (type == "TextBox") {
      if (blocks && rng_.Chance(30)) {
        Emit(body, depth, "With " + name);
        Emit(body, depth + 1, ".SelStart = 0");
        Emit(body, depth + 1, ".SelLength = Len(.Text)");
        return Emit(body, depth, "End With");
      }
      const Member* s = VarOf(body, &kString);
      if (s) return Emit(body, depth, s->name + " = Trim$(" + name + ".Text)");
      return Emit(body, depth, name + ".Text = \"\"");
    }
    if (type == "ListBox" || type == "ComboBox") {
      if (rng_.Chance(40)) return Emit(body, depth, name + ".Clear");
      return Emit(body, depth, name + ".AddItem " + Value(body, &kString));
    }
    if (type == "Label") {
      return Emit(body, depth, name + ".Caption = " + Quoted(rng_.Pick(kJaMessages)));
    }
    if (type == "CheckBox") return Emit(body, depth, name + ".Value = vbChecked");
    return Emit(body, depth, name + ".Enabled = " + Literal(&kBoolean));
  }
  if (r < 92 && module.kind == ModuleKind::Class && !module.members.empty()) {
    const Member& m = rng_.Pick(module.members);
    if (m.type == &kObject) return Emit(body, depth, "Set " + m.name + " = Nothing");
    return Emit(body, depth, m.name + " = " + Value(body, m.type));
  }
  if (r < 95 && depth > 0) {
    return Emit(body, depth, proc.kind == ProcKind::Function ? "Exit Function" : "Exit Sub");
  }
  // A plain assignment.
  const Member& v = AnyVar(body);
  if (v.type == &kLong || v.type == &kInteger) {
    return Emit(body, depth, v.name + " = " + v.name + " + " + std::to_string(rng_.Range(1, 9)));
  }
  return Emit(body, depth, v.name + " = " + Value(body, v.type));
}

void ProjectGenerator::WriteDeclaration(const Proc& proc, SourceText& out) {
  std::string head = proc.scope;
  if (proc.isStatic) head += "Static ";
  switch (proc.kind) {
    case ProcKind::Sub:
      head += "Sub ";
      break;
    case ProcKind::Function:
      head += "Function ";
      break;
    case ProcKind::PropertyGet:
      head += "Property Get ";
      break;
    case ProcKind::PropertyLet:
      head += "Property Let ";
      break;
    case ProcKind::PropertySet:
      head += "Property Set ";
      break;
  }
  head += proc.name + "(";
  if (proc.isEvent) {
    out.Add(head + proc.eventParams + ")");
    return;
  }
  std::vector<std::string> params;
  for (const Param& p : proc.params) {
    std::string text = p.optional ? "Optional " : p.byVal ? "ByVal " : "";
    text += p.name + " As " + p.type->name;
    params.push_back(std::move(text));
  }
  const std::string tail =
      proc.returnType ? std::string(") As ") + proc.returnType->name : std::string(")");
  // Long parameter lists go over two lines, as people wrap them.
  const size_t split = params.size() >= 3 && rng_.Chance(40) ? 2 : params.size();
  std::string line = head;
  for (size_t i = 0; i < params.size(); ++i) {
    if (i == split) {
      out.Add(line + ", _");
      line = std::string(8, ' ');
    } else if (i > 0) {
      line += ", ";
    }
    line += params[i];
  }
  out.Add(line + tail);
}

void ProjectGenerator::WriteProc(const Module& module, const Proc& proc, SourceText& out) {
  const int c = rng_.Range(0, 99);
  if (c < 15) {
    out.Add("'------------------------------------------------------------");
    out.Add("' " + proc.name + ": " + rng_.Pick(kJaComments));
    out.Add("'------------------------------------------------------------");
  } else if (c < 45) {
    out.Add(std::string("' ") + rng_.Pick(kJaComments));
  }
  WriteDeclaration(proc, out);

  Body body;
  body.proc = &proc;
  body.module = &module;
  body.out = &out;
  body.budget = proc.bodyLines;

  if (proc.kind == ProcKind::PropertyGet || proc.kind == ProcKind::PropertyLet ||
      proc.kind == ProcKind::PropertySet) {
    const bool object =
        proc.returnType == &kObject || (!proc.params.empty() && proc.params[0].type == &kObject);
    if (proc.kind == ProcKind::PropertyLet && body.budget > 1) {
      Emit(body, 0, "If vNewValue = " + proc.member + " Then Exit Property");
    }
    if (proc.kind == ProcKind::PropertyGet) {
      Emit(body, 0, (object ? "Set " : "") + proc.name + " = " + proc.member);
    } else {
      Emit(body, 0, (object ? "Set " : "") + proc.member + " = " + proc.params[0].name);
    }
    if (proc.kind != ProcKind::PropertyGet && body.budget > 0) {
      Emit(body, 0, "LogMessage MODULE_NAME & \"." + proc.name + "\", 3");
    }
  } else {
    std::unordered_set<std::string> used;
    for (const Param& p : proc.params) {
      used.insert(p.name);
      body.vars.push_back({p.name, p.type});
    }
    // Locals: a few of any type, the first always a value; then i for the loops.
    used.insert("i");
    std::vector<Member> locals;
    const int count = std::min(1 + proc.bodyLines / 10, 6);
    for (int k = 0; k < count; ++k) {
      const VbType* type = k == 0 ? &kString : k == 1 ? &kLong : rng_.Pick(kValueTypes);
      locals.push_back({NewVarName(type, used), type});
    }
    for (const Member& l : locals) {
      std::string dim = "Dim " + l.name + " As " + l.type->name;
      Emit(body, 0, dim);
    }
    body.hasLoopVar = proc.bodyLines >= 8;
    if (body.hasLoopVar) Emit(body, 0, "Dim i As Integer");
    body.vars.insert(body.vars.begin(), locals.begin(), locals.end());
    out.Add("");

    const bool handler = proc.bodyLines >= 12 && rng_.Chance(30);
    if (handler) Emit(body, 0, "On Error GoTo ErrHandler");
    const int reserve = (handler ? 3 : 0) + (proc.kind == ProcKind::Function ? 1 : 0);
    if (body.budget > reserve) WriteStatements(body, 0, body.budget - reserve);
    if (proc.kind == ProcKind::Function) {
      std::string result = Value(body, proc.returnType);
      if (rng_.Chance(2)) {
        result = proc.name + Args(proc, true);  // a recursive call, after the "="
      }
      Emit(body, 0, proc.name + " = " + result);
    }
    if (handler) {
      Emit(body, 0, proc.kind == ProcKind::Function ? "Exit Function" : "Exit Sub");
      out.Add("ErrHandler:");
      if (rng_.Chance(70)) {
        Emit(body, 0, "ShowError MODULE_NAME & \"." + proc.name + "\", Err.Number");
      } else {
        Emit(body, 0, "modCommon.ShowError \"" + proc.name + "\", Err.Number");
      }
    }
  }
  out.Add(std::string("End ") + EndWord(proc.kind));
  out.Add("");
}

void ProjectGenerator::WriteStandardHeader(const Module& module, SourceText& out) {
  out.Add("Attribute VB_Name = " + Quoted(module.name));
  out.Add("Option Explicit");
  out.Add("'");
  out.Add("' " + module.name + ": " + rng_.Pick(kJaComments));
  out.Add("'");
  out.Add("Private Const MODULE_NAME = " + Quoted(module.name));
  if (rng_.Chance(40)) {
    for (const char* line : rng_.Pick(kDeclares).lines) {
      if (line != nullptr) out.Add(line);
    }
  }
  const int consts = rng_.Range(0, 3);
  for (int i = 0; i < consts; ++i) {
    std::string upper;
    for (char ch : std::string(rng_.Pick(kNouns)))
      upper += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    out.Add("Public Const " + upper + "_MAX" + std::to_string(i + 1) + " = " +
            std::to_string(rng_.Range(10, 9999)));
  }
  if (rng_.Chance(15)) {
    // A record type; its end line stands in the first column like a procedure's.
    out.Add("");
    out.Add(std::string("Private Type ") + rng_.Pick(kNouns) + "Rec");
    out.Add("    Code As Long");
    out.Add("    Name As String * 40");
    out.Add("    Amount As Currency");
    out.Add("End Type");
  }
  if (rng_.Chance(30))
    out.Add("Private SubTotal As Currency    ' " + std::string(rng_.Pick(kJaComments)));
  for (const Member& m : module.members) out.Add("Private " + m.name + " As " + m.type->name);
  out.Add("");
}

void ProjectGenerator::WriteFormHeader(const Module& module, SourceText& out) {
  const int width = rng_.Range(40, 90) * 100;
  const int height = rng_.Range(30, 70) * 100;
  auto prop = [&out](int indent, std::string_view name, const std::string& value) {
    std::string line(static_cast<size_t>(indent), ' ');
    line += name;
    line.append(name.size() < 16 ? 16 - name.size() : 1, ' ');
    line += "=   " + value;
    out.Add(line);
  };
  out.Add("VERSION 4.00");
  out.Add("Begin VB.Form " + module.name + " ");
  prop(3, "BorderStyle", std::string("1  '") + kFixedSingle);
  prop(3, "Caption", Quoted(kJaFormCaptions[module.caption]));
  prop(3, "ClientHeight", std::to_string(height));
  prop(3, "ClientLeft", std::to_string(rng_.Range(10, 30) * 60));
  prop(3, "ClientTop", std::to_string(rng_.Range(10, 30) * 60));
  prop(3, "ClientWidth", std::to_string(width));
  out.Add("   BeginProperty Font ");
  prop(6, "name", Quoted(kFontName));
  prop(6, "charset", "128");
  prop(6, "weight", "400");
  prop(6, "size", "9");
  prop(6, "underline", "0   'False");
  prop(6, "italic", "0   'False");
  prop(6, "strikethrough", "0   'False");
  out.Add("   EndProperty");
  prop(3, "Height", std::to_string(height + 405));
  prop(3, "Left", std::to_string(rng_.Range(10, 30) * 60));
  prop(3, "LinkTopic", Quoted("Form1"));
  prop(3, "MaxButton", "0   'False");
  prop(3, "ScaleHeight", std::to_string(height));
  prop(3, "ScaleWidth", std::to_string(width));
  prop(3, "Top", std::to_string(rng_.Range(10, 30) * 60));
  prop(3, "Width", std::to_string(width + 120));
  // VB writes the controls in reverse order of their creation.
  int tab = static_cast<int>(module.controls.size());
  for (auto it = module.controls.rbegin(); it != module.controls.rend(); ++it) {
    const ControlTemplate& c = **it;
    --tab;
    out.Add(std::string("   Begin VB.") + c.type + " " + c.name + " ");
    const std::string_view type = c.type;
    if (type == "Timer") {
      prop(6, "Interval", "1000");
    } else {
      if (type == "TextBox" && rng_.Chance(40)) {
        prop(6, "Alignment", std::string("1  '") + kRightJustify);
      }
      if (c.caption != nullptr) prop(6, "Caption", Quoted(c.caption));
      prop(6, "Height", std::to_string(type == "ListBox" ? 1500 : 375));
    }
    prop(6, "Left", std::to_string(120 + rng_.Below(30) * 120));
    if (type != "Timer") prop(6, "TabIndex", std::to_string(tab));
    if (type == "TextBox") prop(6, "Text", Quoted(""));
    prop(6, "Top", std::to_string(120 + tab * 480));
    if (type != "Timer") prop(6, "Width", std::to_string(rng_.Range(8, 30) * 120));
    out.Add("   End");
  }
  out.Add("End");
  out.Add("Attribute VB_Name = " + Quoted(module.name));
  out.Add("Attribute VB_Creatable = False");
  out.Add("Attribute VB_Exposed = False");
  out.Add("Option Explicit");
  out.Add("' " + module.name + ": " + kJaFormCaptions[module.caption]);
  out.Add("Private Const MODULE_NAME = " + Quoted(module.name));
  if (rng_.Chance(50)) out.Add("Private mbDirty As Boolean");
  out.Add("");
}

void ProjectGenerator::WriteClassHeader(const Module& module, SourceText& out) {
  out.Add("VERSION 1.0 CLASS");
  out.Add("BEGIN");
  out.Add("  MultiUse = -1  'True");
  out.Add("END");
  out.Add("Attribute VB_Name = " + Quoted(module.name));
  out.Add(std::string("Attribute VB_Creatable = ") + (rng_.Chance(30) ? "True" : "False"));
  out.Add("Attribute VB_Exposed = False");
  out.Add("Option Explicit");
  out.Add("'");
  out.Add("' " + module.name + ": " + rng_.Pick(kJaComments));
  out.Add("'");
  out.Add("Private Const MODULE_NAME = " + Quoted(module.name));
  for (const Member& m : module.members) out.Add("Private " + m.name + " As " + m.type->name);
  out.Add("");
}

std::string ProjectGenerator::VbpText(Totals& totals) {
  SourceText out;
  // Module lines in the order the modules were made, all kinds mixed.
  for (const Module& m : modules_) {
    switch (m.kind) {
      case ModuleKind::Standard:
        out.Add("Module=" + m.name + "; " + m.fileName);
        break;
      case ModuleKind::Form:
        out.Add("Form=" + m.fileName);
        break;
      case ModuleKind::Class:
        out.Add("Class=" + m.name + "; " + m.fileName);
        break;
    }
  }
  out.Add(
      "Reference=*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#C:\\WINDOWS\\SYSTEM\\"
      "STDOLE2.TLB#Standard OLE Types");
  out.Add(
      "Reference=*\\G{00025E01-0000-0000-C000-000000000046}#2.5#0#C:\\PROGRAM FILES\\COMMON "
      "FILES\\MICROSOFT SHARED\\DAO\\DAO2532.TLB#Microsoft DAO 2.5/3.5 Compatibility Library");
  out.Add("ProjWinSize=152,402,248,215");
  out.Add("ProjWinShow=2");
  for (const Module& m : modules_) {
    if (m.kind == ModuleKind::Form) {
      out.Add("IconForm=" + Quoted(m.name));
      break;
    }
  }
  out.Add("Startup=\"Sub Main\"");
  out.Add("HelpFile=\"\"");
  out.Add("Title=\"Big\"");
  out.Add("ExeName32=\"Big.exe\"");
  out.Add("Name=\"Big\"");
  out.Add("HelpContextID=\"0\"");
  out.Add("StartMode=0");
  out.Add("VersionCompatible32=\"0\"");
  out.Add("MajorVer=1");
  out.Add("MinorVer=0");
  out.Add("RevisionVer=0");
  out.Add("AutoIncrementVer=0");
  out.Add("ServerSupportFiles=0");
  totals.lines += out.Lines();
  return out.Bytes();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

Totals ProjectGenerator::Write() {
  Totals totals;
  std::filesystem::create_directories(options_.outDir);
  for (const Module& module : modules_) {
    SourceText out;
    switch (module.kind) {
      case ModuleKind::Standard:
        WriteStandardHeader(module, out);
        break;
      case ModuleKind::Form:
        WriteFormHeader(module, out);
        break;
      case ModuleKind::Class:
        WriteClassHeader(module, out);
        break;
    }
    for (int p : module.procs) WriteProc(module, procs_[static_cast<size_t>(p)], out);
    WriteFile(options_.outDir / module.fileName, out.Bytes());
    ++totals.files;
    totals.procedures += static_cast<long>(module.procs.size());
    totals.lines += out.Lines();
    totals.bytes += static_cast<long long>(out.Bytes().size());
  }
  const std::string vbp = VbpText(totals);
  WriteFile(options_.outDir / "Big.vbp", vbp);
  ++totals.files;
  totals.bytes += static_cast<long long>(vbp.size());
  return totals;
}

bool ParseNumber(const char* text, long long min, long long max, long long& value) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < min || v > max) return false;
  value = v;
  return true;
}

int Usage(const char* program, std::FILE* stream = stderr) {
  std::fprintf(stream,
               "usage: %s [--modules N] [--procs-per-module M] [--seed S] OUTDIR\n"
               "  writes OUTDIR/Big.vbp and its modules (defaults: 1000 modules, 40 procedures\n"
               "  per module, seed 1996)\n",
               program);
  return 2;
}

}  // namespace
}  // namespace tarnel

int main(int argc, char** argv) {
  tarnel::Options options;
  bool haveOut = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    long long value = 0;
    if ((arg == "--modules" || arg == "--procs-per-module" || arg == "--seed") && i + 1 < argc) {
      const long long max = arg == "--seed" ? INT64_MAX : arg == "--modules" ? 100000 : 10000;
      if (!tarnel::ParseNumber(argv[++i], arg == "--seed" ? 0 : 1, max, value)) {
        std::fprintf(stderr, "%s: bad value for %s: %s\n", argv[0], argv[i - 1], argv[i]);
        return tarnel::Usage(argv[0]);
      }
      if (arg == "--modules") options.modules = static_cast<int>(value);
      if (arg == "--procs-per-module") options.procsPerModule = static_cast<int>(value);
      if (arg == "--seed") options.seed = static_cast<uint64_t>(value);
    } else if (arg == "--help" || arg == "-h") {
      tarnel::Usage(argv[0], stdout);
      return 0;
    } else if (!arg.empty() && arg[0] != '-' && !haveOut) {
      options.outDir = argv[i];
      haveOut = true;
    } else {
      return tarnel::Usage(argv[0]);
    }
  }
  if (!haveOut) return tarnel::Usage(argv[0]);
  // Everything is planned in memory before the first file is written; keep that bounded.
  if (static_cast<long long>(options.modules) * options.procsPerModule > 5'000'000) {
    std::fprintf(stderr, "%s: at most 5000000 procedures in all\n", argv[0]);
    return 2;
  }
  try {
    tarnel::ProjectGenerator generator(options);
    generator.Plan();
    const tarnel::Totals totals = generator.Write();
    std::printf("files       %ld\n", totals.files);
    std::printf("procedures  %ld\n", totals.procedures);
    std::printf("lines       %ld\n", totals.lines);
    std::printf("bytes       %lld\n", totals.bytes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
