#include "analysis/PreciseScan.h"

#include <cctype>
#include <unordered_set>

#include "analysis/Symbol.h"
#include "platform/ByteText.h"

namespace tarnel {

namespace {

using Tokens = std::span<const VbToken>;

bool IsOp(const VbToken& t, std::string_view op) {
  return t.Kind == TokenKind::Operator && t.Text == op;
}

bool WordAt(const Tokens& t, std::size_t i, std::string_view lowerWord) {
  return i < t.size() && IsWord(t[i], lowerWord);
}

// The position after the parenthesis that closes the one at open (or the end).
std::size_t AfterClosing(const Tokens& t, std::size_t open, std::size_t end) {
  int depth = 0;
  for (std::size_t i = open; i < end; ++i) {
    if (IsOp(t[i], "(")) ++depth;
    if (IsOp(t[i], ")") && --depth == 0) return i + 1;
  }
  return end;
}

const char* TypeOfSuffix(std::string_view name) {
  if (name.empty()) return nullptr;
  switch (name.back()) {
    case '%':
      return "Integer";
    case '&':
      return "Long";
    case '!':
      return "Single";
    case '#':
      return "Double";
    case '@':
      return "Currency";
    case '$':
      return "String";
    default:
      return nullptr;
  }
}

// "As [New] Lib.Type" from position i: the type's name, dotted parts joined.
std::string TypeAfterAs(const Tokens& t, std::size_t& i, std::size_t end, bool& isNew) {
  std::string type;
  if (i >= end || !IsWord(t[i], "as")) return type;
  ++i;
  if (i < end && IsWord(t[i], "new")) {
    isNew = true;
    ++i;
  }
  while (i < end && (t[i].Kind == TokenKind::Identifier || IsOp(t[i], "."))) {
    type += t[i].Kind == TokenKind::Identifier ? std::string(BareName(t[i].Text)) : ".";
    ++i;
  }
  return type;
}

// Declarators separated by commas: "[Optional] [ByVal] Name[(...)] [As [New] Type] [= value]".
void ParseDeclarators(const Tokens& t, std::size_t i, std::size_t end, const VariableDecl& like,
                      std::vector<VariableDecl>& out) {
  while (i < end) {
    VariableDecl decl = like;
    while (i < end && (IsWord(t[i], "optional") || IsWord(t[i], "byval") || IsWord(t[i], "byref") ||
                       IsWord(t[i], "paramarray") || IsWord(t[i], "withevents"))) {
      if (IsWord(t[i], "withevents")) decl.WithEvents = true;
      ++i;
    }
    if (i < end && t[i].Kind == TokenKind::Identifier) {
      decl.Name = BareName(t[i].Text);
      decl.Line = t[i].Line;
      const char* suffix = TypeOfSuffix(t[i].Text);
      ++i;
      if (i < end && IsOp(t[i], "(")) {
        decl.Array = true;
        i = AfterClosing(t, i, end);
      }
      decl.Type = TypeAfterAs(t, i, end, decl.New);
      if (decl.Type.empty()) decl.Type = suffix != nullptr ? suffix : "Variant";
      out.push_back(std::move(decl));
    }
    // On to the next declarator, past any default value or bounds.
    int depth = 0;
    while (i < end && !(depth == 0 && IsOp(t[i], ","))) {
      if (IsOp(t[i], "(")) ++depth;
      if (IsOp(t[i], ")")) --depth;
      ++i;
    }
    ++i;
  }
}

struct Modifiers {
  std::size_t Next = 0;  // first token after them
  bool Private = false, Public = false, Friend = false, Global = false, Static = false;
};

Modifiers ReadModifiers(const Tokens& t) {
  Modifiers m;
  for (; m.Next < t.size(); ++m.Next) {
    const VbToken& w = t[m.Next];
    if (IsWord(w, "private")) {
      m.Private = true;
    } else if (IsWord(w, "public")) {
      m.Public = true;
    } else if (IsWord(w, "friend")) {
      m.Friend = true;
    } else if (IsWord(w, "global")) {
      m.Global = true;
    } else if (IsWord(w, "static")) {
      m.Static = true;
    } else {
      break;
    }
  }
  return m;
}

// The kind of the procedure declared at position i (after the modifiers), and where its name
// stands; 0 when the statement declares none.
std::uint8_t ProcedureKindAt(const Tokens& t, std::size_t i, std::size_t& name) {
  std::uint8_t kind = 0;
  if (WordAt(t, i, "sub")) {
    kind = KindSub;
    name = i + 1;
  } else if (WordAt(t, i, "function")) {
    kind = KindFunction;
    name = i + 1;
  } else if (WordAt(t, i, "property")) {
    name = i + 2;
    if (WordAt(t, i + 1, "get")) kind = KindPropertyGet;
    if (WordAt(t, i + 1, "let")) kind = KindPropertyLet;
    if (WordAt(t, i + 1, "set")) kind = KindPropertySet;
  } else if (WordAt(t, i, "declare")) {
    std::size_t k = WordAt(t, i + 1, "ptrsafe") ? i + 2 : i + 1;
    name = k + 1;
    if (WordAt(t, k, "sub")) kind = KindDeclareSub;
    if (WordAt(t, k, "function")) kind = KindDeclareFunction;
  } else if (WordAt(t, i, "event")) {
    kind = KindEvent;
    name = i + 1;
  }
  if (kind != 0 && (name >= t.size() || t[name].Kind != TokenKind::Identifier ||
                    BareName(t[name].Text).empty())) {
    kind = 0;
  }
  return kind;
}

// True when statement t is the End that matches a procedure of kind.
bool EndsProcedure(const Tokens& t, std::uint8_t kind) {
  if (t.size() < 2 || !IsWord(t[0], "end")) return false;
  if (kind == KindSub) return IsWord(t[1], "sub");
  if (kind == KindFunction) return IsWord(t[1], "function");
  return IsWord(t[1], "property");
}

// Reads the header's controls; returns how many lines precede the code.
long ReadHeader(TextReader& file, ModuleModel& module) {
  long lineNo = 0;
  long codeStart = -1;
  long afterBlock = 0;
  int depth = 0;
  int propertyDepth = 0;
  std::vector<int> open;  // the control of each open Begin, -1 for the module's own block
  std::vector<std::string_view> words;
  while (!file.AtEnd()) {
    std::string_view line = TrimControls(file.ReadLineView());
    ++lineNo;
    words.clear();
    std::size_t p = 0;
    while (p < line.size() && words.size() < 3) {
      while (p < line.size() && static_cast<unsigned char>(line[p]) <= 0x20) ++p;
      std::size_t q = p;
      while (q < line.size() && static_cast<unsigned char>(line[q]) > 0x20) ++q;
      if (q > p) words.push_back(line.substr(p, q - p));
      p = q;
    }
    if (words.empty()) continue;
    const auto first = [&](std::string_view word) { return SameTextIgnoreCase(words[0], word); };
    if (depth <= 0 && first("attribute")) {
      codeStart = lineNo - 1;
      break;
    }
    if (first("beginproperty")) {
      ++propertyDepth;
    } else if (first("endproperty")) {
      if (propertyDepth > 0) --propertyDepth;
    } else if (first("begin")) {
      ++depth;
      int control = -1;
      if (depth >= 2 && words.size() >= 3) {
        const std::string name(words[2]);
        for (std::size_t c = 0; c < module.Controls.size(); ++c) {
          if (SameTextIgnoreCase(module.Controls[c].Name, name)) control = static_cast<int>(c);
        }
        if (control < 0) {
          control = static_cast<int>(module.Controls.size());
          module.Controls.push_back(
              {name, std::string(words[1]), false, static_cast<std::int32_t>(lineNo)});
        }
      }
      open.push_back(control);
    } else if (first("end") && words.size() == 1) {
      if (depth > 0) {
        --depth;
        open.pop_back();
        if (depth == 0 && afterBlock == 0) afterBlock = lineNo;
      }
    } else if (first("index") && propertyDepth == 0 && !open.empty() && open.back() >= 0) {
      module.Controls[static_cast<std::size_t>(open.back())].IsArray = true;
    }
  }
  if (codeStart < 0) codeStart = afterBlock;
  file.Rewind();
  file.SkipLines(codeStart);
  return codeStart;
}

void ReadAttribute(const VbStatement& s, ModuleModel& module) {
  AttributeDecl attribute;
  attribute.Line = s.Line;
  std::size_t i = 1;
  for (; i < s.Tokens.size() && !IsOp(s.Tokens[i], "="); ++i) {
    attribute.Name += s.Tokens[i].Text;
  }
  for (++i; i < s.Tokens.size(); ++i) {
    const VbToken& t = s.Tokens[i];
    if (!attribute.Value.empty()) attribute.Value += ' ';
    attribute.Value += t.Kind == TokenKind::String ? StringValue(t.Text) : std::string(t.Text);
  }
  module.Attributes.push_back(std::move(attribute));
}

// False for a statement inside a body that certainly declares and ends nothing: only a modifier,
// a word that declares a procedure, End, Dim or Const can begin one that does.
bool MayDeclare(const VbToken& first) {
  if (first.Kind != TokenKind::Identifier) return false;
  const LeadingWord word = LeadingWordOf(first.Text);
  return word == LeadingWord::Declaring || word == LeadingWord::End || word == LeadingWord::Dim ||
         word == LeadingWord::Const;
}

class ModuleReader {
 public:
  // With a visitor only the bodies are read: the declarations are known already. lexer is the
  // one whose statements come, which holds a body's lines for the visitor until its end.
  ModuleReader(ModuleModel& module, const BodyVisitor& visitor, VbLexer& lexer)
      : module_(module), visitor_(visitor), full_(!visitor), lexer_(lexer) {}

  void Statement(const VbStatement& s) {
    const Tokens& t = s.Tokens;
    if (t.empty()) return;
    if (s.Attribute) {
      if (full_) ReadAttribute(s, module_);
      return;
    }
    if (block_ != Block::None) {
      InBlock(t);
      return;
    }
    if (full_ && (open_ || IsModuleConstant(t))) KeepNameStrings(t);
    if (open_ && !MayDeclare(t[0])) {
      Keep(s);
      return;
    }
    const Modifiers m = ReadModifiers(t);
    std::size_t name = 0;
    const std::uint8_t kind = ProcedureKindAt(t, m.Next, name);
    if (kind != 0) {
      Close(s.Line - 1, 0);
      Declare(s, m, kind, name);
      return;
    }
    if (open_) {
      if (EndsProcedure(t, currentKind_)) {
        Close(s.Line, s.Line);
      } else if (m.Next == 0 && (WordAt(t, 0, "dim") || WordAt(t, 0, "const"))) {
        if (visitor_) Variables(t, 0, 'P', locals_);
      } else if (m.Static && m.Next == 1) {
        if (visitor_) Variables(t, 1, 'P', locals_);
      } else {
        Keep(s);
      }
      return;
    }
    ModuleLevel(t, m);
  }

  void Finish(long lastLine) { Close(lastLine, 0); }

  // Inside a procedure body in a reading of declarations: only statements whose first word may
  // declare or end (MayDeclare), attributes and strings matter until the body ends.
  bool ReadsBodyForDeclarationsOnly() const { return full_ && open_ && block_ == Block::None; }

 private:
  enum class Block { None, Enum, Type };

  ProcedureDecl& Current() { return module_.Procedures[current_]; }

  static bool IsModuleConstant(const Tokens& t) {
    const Modifiers m = ReadModifiers(t);
    return WordAt(t, m.Next, "const");
  }

  // Strings that could be a procedure's name, as CallByName and its like take one.
  void KeepNameStrings(const Tokens& t) {
    for (const VbToken& token : t) {
      if (token.Kind != TokenKind::String || token.Text.size() < 3) continue;
      const std::string_view value = token.Text.substr(1, token.Text.size() - 2);
      if (!LooksLikeName(value)) continue;
      std::string folded = FoldCase(value);
      if (seenStrings_.insert(folded).second) module_.NameStrings.push_back(std::move(folded));
    }
  }

  static bool LooksLikeName(std::string_view value) {
    if (value.empty() || value.size() > 255) return false;
    const auto first = static_cast<unsigned char>(value[0]);
    if (first < 0x80 && !std::isalpha(first)) return false;
    for (char c : value) {
      const auto u = static_cast<unsigned char>(c);
      if (u < 0x80 && !std::isalnum(u) && c != '_') return false;
    }
    return true;
  }

  void Declare(const VbStatement& s, const Modifiers& m, std::uint8_t kind, std::size_t name) {
    const Tokens& t = s.Tokens;
    // Declarations are counted the same way in both modes, so that a visitor's procedure
    // numbers are the positions of the full scan's.
    const std::size_t number = declared_++;
    const bool body = kind >= KindSub && kind <= KindPropertySet;
    if (body) {
      open_ = true;
      current_ = number;
      currentKind_ = kind;
      if (visitor_) lexer_.HoldLines(true);
    }
    std::size_t i = name + 1;
    if (kind == KindDeclareSub || kind == KindDeclareFunction) {
      // Lib "x" [Alias "y"] before the parameters.
      while (i < t.size() && !IsOp(t[i], "(")) ++i;
    }
    if (i < t.size() && IsOp(t[i], "(")) {
      const std::size_t after = AfterClosing(t, i, t.size());
      if (body && visitor_) {
        VariableDecl parameter;
        parameter.Parameter = true;
        ParseDeclarators(t, i + 1, after > i + 1 ? after - 1 : after, parameter, locals_);
      }
      i = after;
    }
    if (!full_) return;
    ProcedureDecl& proc = module_.Procedures.emplace_back();
    proc.Name = BareName(t[name].Text);
    proc.Kind = kind;
    proc.Scope = m.Private ? "P" : (m.Friend && kind < KindDeclareSub) ? "F" : "G";
    if (kind == KindEvent) proc.Scope = "G";
    proc.StartLine = s.Line;
    proc.Text = StatementText(s);
    bool ignored = false;
    proc.ReturnType = TypeAfterAs(t, i, t.size(), ignored);
    if (proc.ReturnType.empty() &&
        (kind == KindFunction || kind == KindPropertyGet || kind == KindDeclareFunction)) {
      const char* suffix = TypeOfSuffix(t[name].Text);
      proc.ReturnType = suffix != nullptr ? suffix : "Variant";
    }
  }

  // Ends the open procedure: at its End line, or without one at lastLine.
  void Close(long lastLine, long endLine) {
    if (!open_) return;
    open_ = false;
    Deliver();
    if (!full_) return;
    ProcedureDecl& proc = Current();
    proc.EndLine = static_cast<std::int32_t>(endLine);
    const long body = endLine > 0 ? endLine - proc.StartLine - 1 : lastLine - proc.StartLine;
    proc.BodyLines = static_cast<std::int32_t>(body > 0 ? body : 0);
  }

  // Holds a body statement until its procedure ends and every local of it is known: the lexer
  // holds its tokens, and the statement is noted by their place.
  void Keep(const VbStatement& s) {
    if (!visitor_) return;
    pending_.push_back({lexer_.PlaceOf(s), s.Tokens.size(), s.Label, s.Line});
  }

  void Deliver() {
    if (!visitor_) return;
    VbStatement s;
    for (const Pending& p : pending_) {
      s.Tokens = lexer_.Held(p.First, p.Count);
      s.Label = p.Label;
      s.Line = p.Line;
      visitor_(current_, locals_, s);
    }
    pending_.clear();
    locals_.clear();
    lexer_.HoldLines(false);
    lexer_.DropHeld();
  }

  void Variables(const Tokens& t, std::size_t i, char scope, std::vector<VariableDecl>& out) {
    VariableDecl like;
    like.Scope = scope;
    if (WordAt(t, i, "dim")) ++i;
    if (WordAt(t, i, "withevents")) {
      like.WithEvents = true;
      ++i;
    }
    if (WordAt(t, i, "const")) {
      like.Constant = true;
      ++i;
    }
    ParseDeclarators(t, i, t.size(), like, out);
  }

  void ModuleLevel(const Tokens& t, const Modifiers& m) {
    const std::size_t i = m.Next;
    if (WordAt(t, i, "enum")) {
      block_ = Block::Enum;
      enumName_ = i + 1 < t.size() ? std::string(BareName(t[i + 1].Text)) : "Long";
      enumScope_ = !m.Private && module_.Kind == KindStdModule ? 'G' : 'P';
    } else if (WordAt(t, i, "type")) {
      block_ = Block::Type;
    } else if (!full_) {
      return;
    } else if (i == 0 && WordAt(t, 0, "implements") && t.size() > 1) {
      std::string name;
      for (std::size_t k = 1; k < t.size(); ++k) name += BareName(t[k].Text);
      module_.Implements.push_back(name);
    } else if (m.Next > 0 || WordAt(t, i, "dim") || WordAt(t, i, "const") ||
               WordAt(t, i, "withevents")) {
      Variables(t, i, m.Public || m.Global ? 'G' : 'P', module_.Variables);
    }
  }

  void InBlock(const Tokens& t) {
    if (IsWord(t[0], "end") && t.size() > 1 && (IsWord(t[1], "enum") || IsWord(t[1], "type"))) {
      block_ = Block::None;
      return;
    }
    if (block_ == Block::Enum && t[0].Kind == TokenKind::Identifier) {
      VariableDecl member;
      member.Name = BareName(t[0].Text);
      member.Type = enumName_;
      member.Scope = enumScope_;
      member.Constant = true;
      member.Line = t[0].Line;
      module_.Variables.push_back(std::move(member));
    }
  }

  ModuleModel& module_;
  const BodyVisitor& visitor_;
  bool full_;
  bool open_ = false;
  std::size_t current_ = 0;
  std::size_t declared_ = 0;
  std::uint8_t currentKind_ = 0;
  Block block_ = Block::None;
  std::string enumName_;
  char enumScope_ = 'P';
  std::unordered_set<std::string> seenStrings_;
  // The open procedure's parameters and locals, and its body statements not yet handed on, by
  // the place of their tokens among those the lexer holds.
  struct Pending {
    std::size_t First = 0;
    std::size_t Count = 0;
    std::string_view Label;
    std::int32_t Line = 0;
  };
  std::vector<VariableDecl> locals_;
  std::vector<Pending> pending_;
  VbLexer& lexer_;
};

}  // namespace

std::string StatementText(const VbStatement& statement) {
  std::string text;
  const Tokens& t = statement.Tokens;
  for (std::size_t i = 0; i < t.size();) {
    std::size_t j = i;
    while (j + 1 < t.size() && t[j + 1].Line == t[i].Line) ++j;
    if (!text.empty()) text += ' ';
    const char* from = t[i].Text.data();
    const char* to = t[j].Text.data() + t[j].Text.size();
    // Tokens of one line share its buffer; anything else is taken token by token.
    if (to >= from && static_cast<std::size_t>(to - from) < (1u << 30)) {
      text.append(from, static_cast<std::size_t>(to - from));
    } else {
      for (std::size_t k = i; k <= j; ++k) text.append(t[k].Text);
    }
    i = j + 1;
  }
  return text;
}

void ScanModuleText(TextReader& file, bool hasHeader, const CondConstants& project, bool doubleByte,
                    ModuleModel& module, const BodyVisitor& visitor) {
  const long linesBefore = hasHeader ? ReadHeader(file, module) : 0;
  VbLexer lexer(file, linesBefore, project, doubleByte);
  ModuleReader reader(module, visitor, lexer);
  VbStatement statement;
  while (lexer.Next(statement)) {
    reader.Statement(statement);
    lexer.PassOverPlainLines(reader.ReadsBodyForDeclarationsOnly());
  }
  reader.Finish(lexer.LineNo());
  for (const AttributeDecl& a : module.Attributes) {
    if (SameTextIgnoreCase(a.Name, "VB_Name")) {
      module.FullName = a.Value;
      break;
    }
  }
  // The model keeps these to the end of the analysis and beyond: no room to spare.
  module.Procedures.shrink_to_fit();
  module.Variables.shrink_to_fit();
  module.Controls.shrink_to_fit();
  module.Attributes.shrink_to_fit();
  module.NameStrings.shrink_to_fit();
}

}  // namespace tarnel
