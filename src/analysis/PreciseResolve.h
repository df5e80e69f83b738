#pragma once

// Engine internal: front ends reach the engine through Analysis.h.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/ModuleMembers.h"
#include "analysis/PreciseModel.h"
#include "analysis/VbLexer.h"
#include "platform/FrozenTextTable.h"
#include "platform/TextHashTable.h"

namespace tarnel {

class TokenTable;

// A procedure-like declaration anywhere in the project: its module and its position there.
struct ProcedureId {
  std::uint32_t Module = 0;
  std::uint32_t Procedure = 0;
};

// Where each module's procedures start in the project-wide numbering, modules in order, and
// the total last.
std::vector<std::uint32_t> ProcedureOffsets(const PreciseModel& model);

// The project's names, built once after the declarations are read; read-only afterwards, so the
// body resolvers of several threads share it.
class ProjectIndex {
 public:
  explicit ProjectIndex(const PreciseModel& model);
  // Points the index at a module's declarations again after the model's entry for it was
  // replaced by one that declares the same names, in the same order, the same way (kinds, scopes
  // and types): what the index knows of its procedures holds.
  void Repoint(std::size_t module);
  // Brings the index up to date after the model's entry for module was replaced, whatever it
  // declares now; the other modules' entries stay where they are.
  void Reindex(std::size_t module);

  struct Module {
    ModuleMembers Members;
    int DefaultMember = -1;  // VB_UserMemId 0 (its Get when a property)
    int Enumerator = -1;     // VB_UserMemId -4
    bool Predeclared = false;
    bool Exposed = false;
    bool HasBuiltins = false;  // a form or its like, whose own members come before globals
  };

  const PreciseModel& Model() const { return model_; }
  const Module& At(std::size_t module) const { return modules_[module]; }
  // The module named so (letter case ignored), or -1.
  int ModuleNamed(std::string_view name) const;
  // The same for a name folded already, with its hash (TextHashTable::Hash).
  int ModuleNamedFolded(std::string_view folded, std::uint64_t hash) const {
    return byName_.FindHashed(folded, hash);
  }
  // The class, form, user control or other object module that a declared type names, or -1:
  // "Class1", or "Project1.Class1" qualified by the project's own name.
  int TypeModule(std::string_view type) const;
  // Non-Private procedures and public variables of standard modules under a folded name. Most
  // such names are one procedure of one module, which a use from any other module calls: that
  // is known when the index is made, and a lookup gives the procedure's number alone.
  struct GlobalsFound {
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    std::uint32_t Only = kNone;    // the procedure every use picks, with no definitions given
    bool OnlyGivesObject = false;  // a call of it gives an object (Returned)
    std::span<const std::pair<std::uint32_t, const MemberSet*>> Definitions;
  };
  GlobalsFound Globals(std::string_view folded, std::uint64_t hash) const;
  // The members of module under a folded name, or null.
  const MemberSet* Member(std::size_t module, std::string_view folded) const;
  // The same for a name folded already, with its hash (TextHashTable::Hash).
  const MemberSet* Member(std::size_t module, std::string_view folded, std::uint64_t hash) const {
    return modules_[module].Members.Find(folded, hash);
  }
  // False when no module has a member of this name (letter case ignored), so that nothing the
  // name stands for can be called. It may be true for another name now and then. scratch takes
  // the fold.
  bool MayBeMember(std::string_view name, std::string& scratch) const;
  // Procedures numbered across the project, modules in order.
  std::uint32_t Number(ProcedureId id) const { return offsets_[id.Module] + id.Procedure; }
  // What resolving a call needs of a procedure, by its number: a few bytes side by side in one
  // array, where its declaration lies apart from every other in a large model.
  struct ProcedureFacts {
    std::int32_t ReturnModule = -1;  // the object module its declared type names, or -1
    std::uint8_t Kind = 0;
    bool Private = false;
  };
  const ProcedureFacts& Facts(std::uint32_t number) const { return facts_[number]; }
  // The object module that a call of a procedure gives, or -1: a Sub, Property Let or Property Set
  // gives nothing.
  static int Returned(const ProcedureFacts& facts);
  std::uint32_t ProcedureCount() const { return offsets_.empty() ? 0 : offsets_.back(); }
  ProcedureId IdOf(std::uint32_t number) const;
  const ProcedureDecl& Decl(std::uint32_t number) const;

 private:
  void IndexModule(std::size_t module);
  void IndexModuleNames();
  void AddGlobals(std::size_t module);
  void LayOutGlobals();
  std::uint32_t OnlyPick(const std::vector<std::pair<std::uint32_t, const MemberSet*>>& list) const;
  // A name's only pick as the frozen table's value for it, and back.
  static int OnlyValue(std::uint32_t number, bool givesObject);
  static GlobalsFound OnlyOfValue(int value);
  void NoteFacts(std::size_t module);
  void NoteAllFacts();

  const PreciseModel& model_;
  std::vector<Module> modules_;
  TextHashTable byName_;  // folded module name -> the first module of that name
  // Folded name -> its place. Each place's definitions in module order, and the same laid out
  // for lookups in one array, each list its length (with no set) and then its modules and sets.
  // Nearly every unqualified name of a body is looked for among the globals: globalStarts_ leads
  // from a folded name straight to where its list starts, through a table that turns most names
  // away before any probe, or, for a name that is a single procedure picked whatever the use
  // (OnlyPick), to that procedure (OnlyValue).
  TextHashTable globalPlaces_;
  std::vector<std::vector<std::pair<std::uint32_t, const MemberSet*>>> globalLists_;
  FrozenTextTable globalStarts_;  // made again whenever the globals change
  std::vector<std::pair<std::uint32_t, const MemberSet*>> globals_;
  std::vector<std::uint32_t> offsets_;  // one more than modules: the last is the total
  std::vector<ProcedureFacts> facts_;   // by procedure number
  // The folded member names of every module. A module indexed again adds its names and leaves
  // those it no longer has: a name too many only costs a statement read in full.
  KeyShapes memberShapes_;
  HashFilter memberNames_;
};

// True for a member that the object behind a form, user control, property page or user document
// brings along (Show, Caption, Controls...), given as a folded name.
bool IsBuiltinMember(std::string_view folded, std::uint64_t hash);

// A resolved occurrence: the callee's project-wide number and the line of its token.
struct ResolvedCall {
  std::uint32_t Callee = 0;
  std::int32_t Line = 0;
};

// Resolves the names of one module's bodies statement by statement, as the compiler binds them.
// One per module and thread; keeps the open With blocks of the procedure being read.
class BodyResolver {
 public:
  BodyResolver(const ProjectIndex& index, const TokenTable& words, std::uint32_t module);

  // Resolves a statement of procedure, whose parameters and locals are locals.
  void Statement(std::size_t procedure, const std::vector<VariableDecl>& locals,
                 const VbStatement& s, std::vector<ResolvedCall>& out);

  // What an expression stands for, as far as names go: an object of a module's type, the module
  // itself named as a qualifier, or Me.
  struct Value {
    enum Access : std::uint8_t { Unknown, Instance, Named, Self };
    int Module = -1;
    Access How = Unknown;
  };

 private:
  struct Step {
    bool Args = false;  // "(" follows the name
    bool Last = false;
  };
  Value Chain(std::size_t start, Value base, bool leadingDot, bool target, bool setTarget,
              std::vector<ResolvedCall>& out);
  Value Unqualified(const VbToken& token, const Step& step, bool target, bool setTarget,
                    std::vector<ResolvedCall>& out);
  Value OfMember(const Value& owner, const VbToken& token, const Step& step, bool target,
                 bool setTarget, std::vector<ResolvedCall>& out);
  Value Pick(std::uint32_t module, const MemberSet& set, bool anyScope, const VbToken& token,
             const Step& step, bool target, bool setTarget, std::vector<ResolvedCall>& out);
  Value OfVariable(const VariableDecl& v, const Step& step, std::int32_t line,
                   std::vector<ResolvedCall>& out);
  Value OfType(std::string_view type) const;
  static Value Returned(const ProjectIndex::ProcedureFacts& facts, bool onlyValues);
  Value Special(const Value& v, int member, std::int32_t line, std::vector<ResolvedCall>& out);
  bool CannotCall();  // of the statement in t_
  std::size_t ChainEnd(std::size_t start) const;
  bool LeadingDot(std::size_t i) const;
  bool ValueContext(std::size_t start) const;

  const ProjectIndex& index_;
  const TokenTable& words_;
  std::uint32_t module_;
  std::size_t procedure_ = static_cast<std::size_t>(-1);
  const ProcedureDecl* proc_ = nullptr;
  const std::vector<VariableDecl>* locals_ = nullptr;
  std::vector<Value> with_;                        // the open With blocks, innermost last
  std::vector<const VariableDecl*> objectLocals_;  // the procedure's locals of an object type
  std::span<const VbToken> t_;
  // Token positions fit 32 bits: files are read up to 1 GB, and a token takes at least a byte.
  std::vector<std::uint32_t> closing_;  // per "(" the position of its ")", else the last token
  std::vector<std::uint32_t> open_;
  std::string folded_;
};

}  // namespace tarnel
