#include "analysis/PreciseResolve.h"

#include <algorithm>
#include <array>
#include <utility>

#include "analysis/Symbol.h"
#include "analysis/TokenTable.h"
#include "platform/ByteText.h"

namespace tarnel {

namespace {

// Members that the run-time object behind a form, user control, property page or user
// document brings along, folded. Inside such a module they come before any global of that name.
constexpr std::array<std::string_view, 96> kBuiltins = {
    "activecontrol",
    "ambient",
    "appearance",
    "asyncread",
    "autoredraw",
    "backcolor",
    "borderstyle",
    "cancelasyncread",
    "canpropertychange",
    "caption",
    "changed",
    "circle",
    "clipcontrols",
    "cls",
    "container",
    "containerhwnd",
    "controlbox",
    "controls",
    "count",
    "currentx",
    "currenty",
    "drag",
    "dragicon",
    "dragmode",
    "drawmode",
    "drawstyle",
    "drawwidth",
    "enabled",
    "extender",
    "fillcolor",
    "fillstyle",
    "font",
    "fontbold",
    "fontitalic",
    "fontname",
    "fontsize",
    "fontstrikethru",
    "fontunderline",
    "forecolor",
    "hdc",
    "height",
    "helpcontextid",
    "hide",
    "hwnd",
    "hyperlink",
    "icon",
    "image",
    "keypreview",
    "left",
    "line",
    "linkmode",
    "linktopic",
    "maxbutton",
    "mdichild",
    "minbutton",
    "mouseicon",
    "mousepointer",
    "move",
    "moveable",
    "name",
    "olerequestpendingtimeout",
    "paintpicture",
    "palette",
    "parent",
    "picture",
    "point",
    "popupmenu",
    "print",
    "printform",
    "propertychanged",
    "pset",
    "refresh",
    "scale",
    "scaleheight",
    "scaleleft",
    "scalemode",
    "scaletop",
    "scalewidth",
    "scalex",
    "scaley",
    "selectedcontrols",
    "setfocus",
    "show",
    "showintaskbar",
    "startupposition",
    "tag",
    "textheight",
    "textwidth",
    "top",
    "usercontrol",
    "validatecontrols",
    "visible",
    "whatsthisbutton",
    "whatsthishelp",
    "width",
    "windowstate",
};

bool IsOp(const VbToken& t, std::string_view op) {
  return t.Kind == TokenKind::Operator && t.Text == op;
}

bool IsProperty(std::uint8_t kind) {
  return kind == KindPropertyGet || kind == KindPropertyLet || kind == KindPropertySet;
}

bool ReturnsValue(std::uint8_t kind) {
  return kind == KindFunction || kind == KindPropertyGet || kind == KindDeclareFunction;
}

// An attribute's number as written ("- 4" comes back with a blank between sign and digits).
std::string Compact(std::string_view value) {
  std::string out;
  for (char c : value) {
    if (c != ' ') out += c;
  }
  return out;
}

bool IsObjectModule(std::uint8_t kind) { return IsModuleKind(kind) && kind != KindStdModule; }

// Words of the language's statements and operators, which never name anything of the project
// whatever the reserved-word list holds.
bool IsKeyword(std::string_view folded, std::uint64_t hash) {
  static const TextHashTable words = [] {
    TextHashTable w;
    for (std::string_view k :
         {"addressof", "and",    "as",     "byref",    "byval",    "call",       "case",  "do",
          "each",      "else",   "elseif", "end",      "eqv",      "exit",       "false", "for",
          "if",        "imp",    "in",     "is",       "let",      "like",       "loop",  "mod",
          "new",       "next",   "not",    "nothing",  "or",       "raiseevent", "redim", "select",
          "set",       "step",   "then",   "to",       "true",     "typeof",     "until", "wend",
          "while",     "with",   "xor",    "preserve", "optional", "empty",      "null",  "on",
          "error",     "resume", "stop"}) {
      w.Insert(k, 0);
    }
    return w;
  }();
  return words.FindHashed(folded, hash) >= 0;
}

}  // namespace

bool IsBuiltinMember(std::string_view folded, std::uint64_t hash) {
  static const TextHashTable set = [] {
    TextHashTable s;
    for (std::string_view w : kBuiltins) s.Insert(w, 0);
    return s;
  }();
  return set.FindHashed(folded, hash) >= 0;
}

namespace {

std::size_t DeclaredNames(const PreciseModel& model) {
  std::size_t count = 0;
  for (const ModuleModel& m : model.Modules) {
    count += m.Variables.size() + m.Controls.size() + m.Procedures.size();
  }
  return count;
}

}  // namespace

ProjectIndex::ProjectIndex(const PreciseModel& model)
    : model_(model), memberNames_(DeclaredNames(model)) {
  modules_.resize(model.Modules.size());
  IndexModuleNames();
  for (std::size_t m = 0; m < model.Modules.size(); ++m) IndexModule(m);
  offsets_ = ProcedureOffsets(model_);
  NoteAllFacts();
  for (std::size_t m = 0; m < model.Modules.size(); ++m) AddGlobals(m);
  LayOutGlobals();
}

void ProjectIndex::NoteAllFacts() {
  facts_.assign(ProcedureCount(), ProcedureFacts{});
  for (std::size_t m = 0; m < model_.Modules.size(); ++m) NoteFacts(m);
}

// After the module names are indexed: a return type is looked up among them.
void ProjectIndex::NoteFacts(std::size_t module) {
  const std::vector<ProcedureDecl>& procedures = model_.Modules[module].Procedures;
  for (std::size_t p = 0; p < procedures.size(); ++p) {
    const ProcedureDecl& d = procedures[p];
    ProcedureFacts& facts = facts_[offsets_[module] + p];
    facts.ReturnModule = d.ReturnType.empty() ? -1 : TypeModule(d.ReturnType);
    facts.Kind = d.Kind;
    facts.Private = d.Scope[0] == 'P';
  }
}

void ProjectIndex::Reindex(std::size_t module) {
  // A name the module alone defined keeps an empty list, which reads as no globals.
  const ModuleMembers& members = modules_[module].Members;
  std::string name;
  for (std::size_t e = 0; e < members.Count(); ++e) {
    members.NameInto(e, name);
    const int place = globalPlaces_.Find(name);
    if (place < 0) continue;
    std::erase_if(globalLists_[static_cast<std::size_t>(place)],
                  [&](const auto& entry) { return entry.first == module; });
  }
  // Under the same name the module types what it typed before; under another, a return type
  // may name another module now.
  const std::string& fullName = model_.Modules[module].FullName;
  const bool sameName = !fullName.empty() && ModuleNamed(fullName) == static_cast<int>(module);
  if (!sameName) IndexModuleNames();
  modules_[module] = Module();
  IndexModule(module);
  const std::vector<std::uint32_t> before = std::exchange(offsets_, ProcedureOffsets(model_));
  if (sameName) {
    // The other modules' facts move with their numbers.
    const auto at = [&](std::uint32_t number) {
      return facts_.begin() + static_cast<std::ptrdiff_t>(number);
    };
    facts_.insert(facts_.erase(at(before[module]), at(before[module + 1])),
                  offsets_[module + 1] - offsets_[module], ProcedureFacts{});
    NoteFacts(module);
  } else {
    NoteAllFacts();
  }
  AddGlobals(module);
  LayOutGlobals();
}

std::vector<std::uint32_t> ProcedureOffsets(const PreciseModel& model) {
  std::vector<std::uint32_t> offsets;
  offsets.reserve(model.Modules.size() + 1);
  std::uint32_t total = 0;
  for (const ModuleModel& module : model.Modules) {
    offsets.push_back(total);
    total += static_cast<std::uint32_t>(module.Procedures.size());
  }
  offsets.push_back(total);
  return offsets;
}

void ProjectIndex::IndexModuleNames() {
  byName_.Clear();
  std::string folded;
  for (std::size_t m = 0; m < model_.Modules.size(); ++m) {
    const ModuleModel& mm = model_.Modules[m];
    if (mm.FullName.empty()) continue;
    FoldCaseInto(mm.FullName, folded);
    byName_.Insert(folded, static_cast<int>(m));  // the first module of a name keeps it
  }
}

void ProjectIndex::IndexModule(std::size_t m) {
  const ModuleModel& mm = model_.Modules[m];
  Module& index = modules_[m];
  index.HasBuiltins = mm.Kind == KindFormModule || mm.Kind == KindUserControl ||
                      mm.Kind == KindPropertyPage || mm.Kind == KindUserDocument;
  index.Members.Reserve(mm.Variables.size() + mm.Controls.size() + mm.Procedures.size());
  std::string scratch;
  const auto enter = [&](std::string_view name) -> MemberSet& {
    std::uint64_t hash = 0;
    const std::string_view folded = FoldAndHash(name, scratch, hash);
    bool entered = false;
    MemberSet& set = index.Members.Enter(folded, hash, entered);
    if (entered) {
      memberShapes_.Add(folded);
      memberNames_.Add(hash);
    }
    return set;
  };
  for (const VariableDecl& v : mm.Variables) {
    MemberSet& set = enter(v.Name);
    if (set.Variable == nullptr) set.Variable = &v;
  }
  for (const ControlDecl& c : mm.Controls) {
    MemberSet& set = enter(c.Name);
    if (set.Control == nullptr) set.Control = &c;
  }
  for (std::size_t p = 0; p < mm.Procedures.size(); ++p) {
    enter(mm.Procedures[p].Name).Procedures.push_back(static_cast<std::uint32_t>(p));
  }
  for (const AttributeDecl& a : mm.Attributes) {
    const std::string name = FoldCase(a.Name);
    const std::string value = FoldCase(Compact(a.Value));
    if (name == "vb_predeclaredid") index.Predeclared = value == "true" || value == "-1";
    if (name == "vb_exposed") index.Exposed = value == "true" || value == "-1";
    const std::size_t dot = name.find(".vb_usermemid");
    if (dot == std::string::npos || dot == 0 || (value != "0" && value != "-4")) continue;
    const std::string_view member = std::string_view(name).substr(0, dot);
    const MemberSet* set = index.Members.Find(member, TextHashTable::Hash(member));
    if (set == nullptr || set->Procedures.empty()) continue;
    // The attribute follows its own declaration; a property's Get is what a value reads.
    int chosen = static_cast<int>(set->Procedures.front());
    for (std::uint32_t p : set->Procedures) {
      if (mm.Procedures[p].Kind == KindPropertyGet) chosen = static_cast<int>(p);
    }
    (value == "0" ? index.DefaultMember : index.Enumerator) = chosen;
  }
}

void ProjectIndex::AddGlobals(std::size_t m) {
  const ModuleModel& mm = model_.Modules[m];
  if (mm.Kind != KindStdModule) return;
  const ModuleMembers& members = modules_[m].Members;
  std::string name;
  for (std::size_t e = 0; e < members.Count(); ++e) {
    const MemberSet& set = members.At(e);
    bool global = set.Variable != nullptr && set.Variable->Scope == 'G';
    for (std::uint32_t p : set.Procedures) {
      if (mm.Procedures[p].Scope[0] != 'P') global = true;
    }
    if (!global) continue;
    // In module order, as the modules define them.
    members.NameInto(e, name);
    const int next = static_cast<int>(globalLists_.size());
    const int place = globalPlaces_.FindOrInsert(name, next);
    if (place == next) globalLists_.emplace_back();
    auto& entries = globalLists_[static_cast<std::size_t>(place)];
    auto at =
        std::upper_bound(entries.begin(), entries.end(), static_cast<std::uint32_t>(m),
                         [](std::uint32_t module, const auto& e) { return module < e.first; });
    entries.emplace(at, static_cast<std::uint32_t>(m), &set);
  }
}

void ProjectIndex::LayOutGlobals() {
  globals_.clear();
  std::vector<std::uint32_t> startOf(globalLists_.size());  // by place
  for (std::size_t place = 0; place < globalLists_.size(); ++place) {
    const auto& list = globalLists_[place];
    startOf[place] = static_cast<std::uint32_t>(globals_.size());
    globals_.emplace_back(static_cast<std::uint32_t>(list.size()), nullptr);
    globals_.insert(globals_.end(), list.begin(), list.end());
  }
  // A lookup finds where its list starts at once, without a visit to the place, or the one
  // procedure it picks without a visit to the list and the set.
  globalStarts_.Build(globalPlaces_, [&](int place) {
    const std::uint32_t only = OnlyPick(globalLists_[static_cast<std::size_t>(place)]);
    if (only == GlobalsFound::kNone)
      return static_cast<int>(startOf[static_cast<std::size_t>(place)]);
    return OnlyValue(only, Returned(facts_[only]) >= 0);
  });
}

// The procedure that a use of a name from another module picks, whatever the use, when the name
// has one definition and it is one procedure, neither Private nor a property (what Pick would
// choose among several depends on whether the use assigns). After the facts are noted.
std::uint32_t ProjectIndex::OnlyPick(
    const std::vector<std::pair<std::uint32_t, const MemberSet*>>& list) const {
  if (list.size() != 1 || list[0].second->Procedures.size() != 1) return GlobalsFound::kNone;
  const std::uint32_t number = Number({list[0].first, list[0].second->Procedures.front()});
  const ProcedureFacts& facts = facts_[number];
  if (facts.Private || IsProperty(facts.Kind)) return GlobalsFound::kNone;
  // Room for the number and its bit below the table's -1.
  return number < (std::uint32_t{1} << 30) ? number : GlobalsFound::kNone;
}

// Below the -1 that the table gives for no key: -2 - (twice the number, plus one when a call
// of it gives an object, which most never do).
int ProjectIndex::OnlyValue(std::uint32_t number, bool givesObject) {
  return -2 - static_cast<int>(2 * number + (givesObject ? 1 : 0));
}

ProjectIndex::GlobalsFound ProjectIndex::OnlyOfValue(int value) {
  const auto code = static_cast<std::uint32_t>(-2 - value);
  return {code >> 1, (code & 1) != 0, {}};
}

int ProjectIndex::Returned(const ProcedureFacts& facts) {
  return ReturnsValue(facts.Kind) ? facts.ReturnModule : -1;
}

void ProjectIndex::Repoint(std::size_t module) {
  const ModuleModel& mm = model_.Modules[module];
  ModuleMembers& members = modules_[module].Members;
  // The names are the same: each finds its set, and no set moves, for the globals point at them.
  // A name not found after all has the module indexed again.
  std::vector<MemberSet*> sets;  // the variables', then the controls'
  sets.reserve(mm.Variables.size() + mm.Controls.size());
  std::string scratch;
  const auto find = [&](std::string_view name) {
    std::uint64_t hash = 0;
    const std::string_view folded = FoldAndHash(name, scratch, hash);
    sets.push_back(members.Find(folded, hash));
    return sets.back() != nullptr;
  };
  for (const VariableDecl& v : mm.Variables) {
    if (!find(v.Name)) return Reindex(module);
  }
  for (const ControlDecl& c : mm.Controls) {
    if (!find(c.Name)) return Reindex(module);
  }
  for (std::size_t e = 0; e < members.Count(); ++e) {
    members.At(e).Variable = nullptr;
    members.At(e).Control = nullptr;
  }
  auto set = sets.begin();
  for (const VariableDecl& v : mm.Variables) {
    if ((*set)->Variable == nullptr) (*set)->Variable = &v;
    ++set;
  }
  for (const ControlDecl& c : mm.Controls) {
    if ((*set)->Control == nullptr) (*set)->Control = &c;
    ++set;
  }
}

int ProjectIndex::ModuleNamed(std::string_view name) const {
  // Most names are turned away before a fold.
  if (!byName_.MayContainFoldOf(name)) return -1;
  thread_local std::string folded;  // the index is read by the resolvers of several threads
  FoldCaseInto(name, folded);
  return byName_.Find(folded);
}

int ProjectIndex::TypeModule(std::string_view type) const {
  const std::size_t dot = type.rfind('.');
  if (dot != std::string_view::npos) {
    if (model_.ProjectName.empty() || !SameTextIgnoreCase(type.substr(0, dot), model_.ProjectName))
      return -1;
    type = type.substr(dot + 1);
  }
  const int m = ModuleNamed(type);
  return m >= 0 && IsObjectModule(model_.Modules[static_cast<std::size_t>(m)].Kind) ? m : -1;
}

ProjectIndex::GlobalsFound ProjectIndex::Globals(std::string_view folded,
                                                 std::uint64_t hash) const {
  // Most names are turned away by length and first byte.
  const int start = globalStarts_.FindHashed(folded, hash);
  if (start == -1) return {};
  if (start < -1) return OnlyOfValue(start);
  const auto first = static_cast<std::size_t>(start);
  return {GlobalsFound::kNone, false, {globals_.data() + first + 1, globals_[first].first}};
}

const MemberSet* ProjectIndex::Member(std::size_t module, std::string_view folded) const {
  return Member(module, folded, TextHashTable::Hash(folded));
}

bool ProjectIndex::MayBeMember(std::string_view name, std::string& scratch) const {
  if (!memberShapes_.MayHave(FoldedFirstByte(name), name.size())) return false;
  std::uint64_t hash = 0;
  FoldAndHash(name, scratch, hash);
  return memberNames_.MayHold(hash);
}

ProcedureId ProjectIndex::IdOf(std::uint32_t number) const {
  const auto it = std::upper_bound(offsets_.begin(), offsets_.end(), number);
  const auto module = static_cast<std::uint32_t>(it - offsets_.begin() - 1);
  return {module, number - offsets_[module]};
}

const ProcedureDecl& ProjectIndex::Decl(std::uint32_t number) const {
  const ProcedureId id = IdOf(number);
  return model_.Modules[id.Module].Procedures[id.Procedure];
}

BodyResolver::BodyResolver(const ProjectIndex& index, const TokenTable& words, std::uint32_t module)
    : index_(index), words_(words), module_(module) {}

void BodyResolver::Statement(std::size_t procedure, const std::vector<VariableDecl>& locals,
                             const VbStatement& s, std::vector<ResolvedCall>& out) {
  const ModuleModel& module = index_.Model().Modules[module_];
  if (procedure != procedure_) {
    procedure_ = procedure;
    proc_ = procedure < module.Procedures.size() ? &module.Procedures[procedure] : nullptr;
    with_.clear();
    objectLocals_.clear();
    for (const VariableDecl& local : locals) {
      if (OfType(local.Type).How == Value::Instance) objectLocals_.push_back(&local);
    }
  }
  if (proc_ == nullptr || s.Tokens.empty()) return;
  locals_ = &locals;
  t_ = s.Tokens;
  const std::size_t n = t_.size();
  if (n >= 2 && IsWord(t_[0], "end") && IsWord(t_[1], "with")) {
    if (!with_.empty()) with_.pop_back();
    return;
  }
  // A With statement opens its block whatever it names.
  const bool withStatement = IsWord(t_[0], "with");
  if (!withStatement && CannotCall()) return;
  // Parentheses matched once, without recursion, however deep they nest.
  closing_.assign(n, static_cast<std::uint32_t>(n - 1));
  open_.clear();
  for (std::size_t i = 0; i < n; ++i) {
    if (t_[i].Kind != TokenKind::Operator) continue;
    if (t_[i].Text == "(") open_.push_back(static_cast<std::uint32_t>(i));
    if (t_[i].Text == ")" && !open_.empty()) {
      closing_[open_.back()] = static_cast<std::uint32_t>(i);
      open_.pop_back();
    }
  }

  const bool forEach = n > 2 && IsWord(t_[0], "for") && IsWord(t_[1], "each");
  bool firstChain = true;
  bool typeOf = false;
  Value withValue;
  if (withStatement && n > 2 && IsWord(t_[1], "new")) {
    std::size_t i = 2;
    std::string type;
    while (i < n && (t_[i].Kind == TokenKind::Identifier || IsOp(t_[i], "."))) {
      type += t_[i].Kind == TokenKind::Identifier ? std::string(BareName(t_[i].Text)) : ".";
      ++i;
    }
    withValue = OfType(type);
    firstChain = false;
  }

  for (std::size_t i = withStatement ? 1 : 0; i < n; ++i) {
    const VbToken& token = t_[i];
    // Where an assignment's target may begin: the statement's start, after Let or Set, or after
    // the Then or Else of a one-line If.
    const auto startsStatement = [&](std::size_t at) {
      return at == 0 || IsWord(t_[at - 1], "then") || IsWord(t_[at - 1], "else");
    };
    bool target = false;
    bool setTarget = false;
    if (startsStatement(i)) {
      target = true;
    } else if (i > 0 && (IsWord(t_[i - 1], "let") || IsWord(t_[i - 1], "set")) &&
               startsStatement(i - 1)) {
      target = true;
      setTarget = IsWord(t_[i - 1], "set");
    }
    Value base;
    bool leadingDot = false;
    if (token.Kind == TokenKind::Operator) {
      if (token.Text != "." || i + 1 >= n || t_[i + 1].Kind != TokenKind::Identifier ||
          !LeadingDot(i)) {
        continue;
      }
      leadingDot = true;
      if (!with_.empty()) base = with_.back();
    } else if (token.Kind != TokenKind::Identifier) {
      continue;
    } else {
      if (i > 0 && (IsOp(t_[i - 1], ".") || IsOp(t_[i - 1], "!"))) continue;
      if (IsWord(token, "goto") || IsWord(token, "gosub")) break;  // the rest are labels
      if (IsWord(token, "resume")) {
        ++i;
        continue;
      }
      if (IsWord(token, "typeof")) typeOf = true;
      if (IsWord(token, "as") || IsWord(token, "new") || IsWord(token, "implements") ||
          (typeOf && IsWord(token, "is"))) {
        // A type's name, never a call.
        while (i + 1 < n && (t_[i + 1].Kind == TokenKind::Identifier || IsOp(t_[i + 1], "."))) {
          ++i;
        }
        typeOf = false;
        continue;
      }
      if (i + 1 < n && IsOp(t_[i + 1], ":=")) continue;  // a named argument
    }
    const std::size_t end = ChainEnd(i);
    target = target && end < n && IsOp(t_[end], "=");
    Value v = Chain(i, base, leadingDot, target, target && setTarget, out);
    const std::int32_t line = t_[end > 0 ? end - 1 : 0].Line;
    if (!target && v.How == Value::Instance && ValueContext(i) &&
        !(IsWord(t_[0], "set") && i > 0 && IsOp(t_[i - 1], "="))) {
      v = Special(v, index_.At(static_cast<std::size_t>(v.Module)).DefaultMember, line, out);
    }
    if (forEach && i > 0 && IsWord(t_[i - 1], "in") && v.How == Value::Instance) {
      Special(v, index_.At(static_cast<std::size_t>(v.Module)).Enumerator, line, out);
    }
    if (withStatement && firstChain) withValue = v;
    firstChain = false;
    if (leadingDot) ++i;
  }
  if (withStatement) with_.push_back(withValue);
}

// Every call found starts from a name that a module declares, or from a local that holds an
// object: Me and a module's name lead on only through a member's name, and so does a leading dot.
// A statement without such a name adds no call.
bool BodyResolver::CannotCall() {
  for (const VbToken& token : t_) {
    if (token.Kind != TokenKind::Identifier) continue;
    const std::string_view name = BareName(token.Text);
    if (index_.MayBeMember(name, folded_)) return false;
    for (const VariableDecl* local : objectLocals_) {
      if (SameTextIgnoreCase(local->Name, name)) return false;
    }
  }
  return true;
}

std::size_t BodyResolver::ChainEnd(std::size_t start) const {
  const std::size_t n = t_.size();
  std::size_t pos = IsOp(t_[start], ".") ? start + 1 : start;
  while (pos < n && t_[pos].Kind == TokenKind::Identifier) {
    std::size_t after = pos + 1;
    if (after < n && IsOp(t_[after], "(")) after = closing_[after] + 1;
    if (after + 1 < n && IsOp(t_[after], ".") && t_[after + 1].Kind == TokenKind::Identifier) {
      pos = after + 1;
      continue;
    }
    return after;
  }
  return pos;
}

BodyResolver::Value BodyResolver::Chain(std::size_t start, Value base, bool leadingDot, bool target,
                                        bool setTarget, std::vector<ResolvedCall>& out) {
  const std::size_t n = t_.size();
  std::size_t pos = leadingDot ? start + 1 : start;
  Value v = base;
  bool first = !leadingDot;
  while (pos < n && t_[pos].Kind == TokenKind::Identifier) {
    Step step;
    std::size_t after = pos + 1;
    step.Args = after < n && IsOp(t_[after], "(");
    if (step.Args) after = closing_[after] + 1;
    const bool more =
        after + 1 < n && IsOp(t_[after], ".") && t_[after + 1].Kind == TokenKind::Identifier;
    step.Last = !more;
    if (first) {
      v = Unqualified(t_[pos], step, target && step.Last, setTarget, out);
    } else if (v.Module >= 0) {
      v = OfMember(v, t_[pos], step, target && step.Last, setTarget, out);
    } else {
      v = {};
    }
    first = false;
    if (!more) break;
    pos = after + 1;
  }
  return v;
}

BodyResolver::Value BodyResolver::Unqualified(const VbToken& token, const Step& step, bool target,
                                              bool setTarget, std::vector<ResolvedCall>& out) {
  const std::string_view name = BareName(token.Text);
  if (IsWord(token, "me")) return {static_cast<int>(module_), Value::Self};
  for (const VariableDecl& local : *locals_) {
    if (SameTextIgnoreCase(local.Name, name)) return OfVariable(local, step, token.Line, out);
  }
  if ((proc_->Kind == KindFunction || proc_->Kind == KindPropertyGet) &&
      SameTextIgnoreCase(proc_->Name, name)) {
    // Its own name is the result it returns; with arguments it calls itself.
    const std::uint32_t self = index_.Number({module_, static_cast<std::uint32_t>(procedure_)});
    if (step.Args && !target) out.push_back({self, token.Line});
    return Returned(index_.Facts(self), false);
  }
  // One fold and one hash serve every table the name is looked for in.
  std::uint64_t hash = 0;
  const std::string_view folded = FoldAndHash(name, folded_, hash);
  if (IsKeyword(folded, hash) || words_.IsReservedFold(folded, hash)) return {};
  if (const MemberSet* own = index_.Member(module_, folded, hash)) {
    return Pick(module_, *own, true, token, step, target, setTarget, out);
  }
  if (index_.At(module_).HasBuiltins && IsBuiltinMember(folded, hash)) return {};
  const ProjectIndex::GlobalsFound globals = index_.Globals(folded, hash);
  if (globals.Only != ProjectIndex::GlobalsFound::kNone) {
    out.push_back({globals.Only, token.Line});
    return globals.OnlyGivesObject ? Returned(index_.Facts(globals.Only), true) : Value{};
  }
  if (!globals.Definitions.empty()) {
    Value v;
    for (const auto& [m, set] : globals.Definitions) {
      const Value found = Pick(m, *set, false, token, step, target, setTarget, out);
      if (globals.Definitions.size() == 1) v = found;
    }
    return v;
  }
  const int named = index_.ModuleNamedFolded(folded, hash);
  if (named >= 0) return {named, Value::Named};
  return {};
}

BodyResolver::Value BodyResolver::OfMember(const Value& owner, const VbToken& token,
                                           const Step& step, bool target, bool setTarget,
                                           std::vector<ResolvedCall>& out) {
  const std::uint8_t kind = index_.Model().Modules[static_cast<std::size_t>(owner.Module)].Kind;
  bool anyScope = owner.How == Value::Self;
  if (owner.How == Value::Named) {
    // A module's name reaches a standard module, a form, or a class with a predeclared instance.
    if (kind == KindStdModule) {
      anyScope = owner.Module == static_cast<int>(module_);
    } else if (kind != KindFormModule &&
               !index_.At(static_cast<std::size_t>(owner.Module)).Predeclared) {
      return {};
    }
  }
  std::uint64_t hash = 0;
  const std::string_view folded = FoldAndHash(BareName(token.Text), folded_, hash);
  const MemberSet* set = index_.Member(static_cast<std::size_t>(owner.Module), folded, hash);
  if (set == nullptr) return {};
  return Pick(static_cast<std::uint32_t>(owner.Module), *set, anyScope, token, step, target,
              setTarget, out);
}

BodyResolver::Value BodyResolver::Pick(std::uint32_t module, const MemberSet& set, bool anyScope,
                                       const VbToken& token, const Step& step, bool target,
                                       bool setTarget, std::vector<ResolvedCall>& out) {
  if (!set.Procedures.empty()) {
    const std::uint8_t wanted = !target     ? KindPropertyGet
                                : setTarget ? KindPropertySet
                                            : KindPropertyLet;
    const std::uint32_t first = index_.Number({module, 0});
    int chosen = -1;
    for (std::uint32_t p : set.Procedures) {
      const ProjectIndex::ProcedureFacts& facts = index_.Facts(first + p);
      if (!anyScope && facts.Private) continue;
      if (IsProperty(facts.Kind) ? facts.Kind == wanted : chosen < 0) {
        chosen = static_cast<int>(p);
      }
    }
    if (chosen < 0) return {};
    const std::uint32_t number = first + static_cast<std::uint32_t>(chosen);
    out.push_back({number, token.Line});
    return Returned(index_.Facts(number), true);
  }
  if (set.Variable != nullptr) {
    if (!anyScope && set.Variable->Scope != 'G') return {};
    return OfVariable(*set.Variable, step, token.Line, out);
  }
  if (set.Control != nullptr) return OfType(set.Control->Type);
  return {};
}

BodyResolver::Value BodyResolver::OfVariable(const VariableDecl& v, const Step& step,
                                             std::int32_t line, std::vector<ResolvedCall>& out) {
  const Value value = OfType(v.Type);
  // "x(args)" indexes an array, or calls the default member of an object.
  if (!step.Args || v.Array || value.How != Value::Instance) return value;
  return Special(value, index_.At(static_cast<std::size_t>(value.Module)).DefaultMember, line, out);
}

// What a call of a procedure gives, as far as names go: an object of its declared type, when
// it returns one (onlyValues: a Sub or a Property Let or Set returns nothing).
BodyResolver::Value BodyResolver::Returned(const ProjectIndex::ProcedureFacts& facts,
                                           bool onlyValues) {
  const int module = onlyValues ? ProjectIndex::Returned(facts) : facts.ReturnModule;
  return module >= 0 ? Value{module, Value::Instance} : Value{};
}

BodyResolver::Value BodyResolver::OfType(std::string_view type) const {
  const int m = type.empty() ? -1 : index_.TypeModule(type);
  return m >= 0 ? Value{m, Value::Instance} : Value{};
}

BodyResolver::Value BodyResolver::Special(const Value& v, int member, std::int32_t line,
                                          std::vector<ResolvedCall>& out) {
  if (v.How != Value::Instance || member < 0) return {};
  const auto module = static_cast<std::uint32_t>(v.Module);
  const std::uint32_t number = index_.Number({module, static_cast<std::uint32_t>(member)});
  const ProjectIndex::ProcedureFacts& facts = index_.Facts(number);
  if (facts.Private && module != module_) return {};
  out.push_back({number, line});
  return Returned(facts, true);
}

bool BodyResolver::LeadingDot(std::size_t i) const {
  if (i == 0) return true;
  const VbToken& prev = t_[i - 1];
  if (IsOp(prev, ")")) return false;
  if (prev.Kind != TokenKind::Identifier) return true;
  // "a.b" is written without a blank; "Call .b", "If .b Then" and "Foo .b" have one.
  if (prev.Line == t_[i].Line) return prev.Text.data() + prev.Text.size() != t_[i].Text.data();
  // A member on a continued line.
  thread_local std::string scratch;
  return words_.Look(BareName(prev.Text), scratch).ReservedAnyCase;
}

bool BodyResolver::ValueContext(std::size_t start) const {
  if (start == 0) return false;
  const VbToken& prev = t_[start - 1];
  if (prev.Kind == TokenKind::Operator) {
    static constexpr std::string_view kOps[] = {"=", "&", "+",  "-",  "*",  "/", "\\",
                                                "<", ">", "<=", ">=", "<>", "^"};
    return std::find(std::begin(kOps), std::end(kOps), prev.Text) != std::end(kOps);
  }
  return IsWord(prev, "and") || IsWord(prev, "or") || IsWord(prev, "not") || IsWord(prev, "xor") ||
         IsWord(prev, "mod") || IsWord(prev, "like");
}

}  // namespace tarnel
