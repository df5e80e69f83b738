#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "analysis/ByProcedureKey.h"
#include "analysis/ModuleScan.h"
#include "analysis/Symbol.h"
#include "analysis/VbLexer.h"
#include "platform/SourceText.h"

namespace tarnel {

// A variable, constant or parameter with its declared type ("Variant" when none is given).
struct VariableDecl {
  std::string Name;
  std::string Type;
  char Scope = 'P';  // 'G' Public or Global, 'P' module-private or local
  bool Constant = false;
  bool New = false;
  bool WithEvents = false;
  bool Parameter = false;
  bool Array = false;  // declared with bounds or "()": indexing it gives an element
  std::int32_t Line = 0;
};

// A control of a form's or a user control's header, typed by the class of its Begin line.
struct ControlDecl {
  std::string Name;
  std::string Type;  // "VB.CommandButton", "MSComctlLib.ListView", "Project1.ctlGauge"
  bool IsArray = false;
  std::int32_t Line = 0;
};

struct AttributeDecl {
  std::string Name;  // "VB_Name", or "Item.VB_UserMemId" for a member's
  std::string Value;
  std::int32_t Line = 0;
};

// A procedure-like declaration; its Text is empty once its record holds it. What its body declares
// is read again with the body (see ScanModuleText): a whole project's locals would take more memory
// than its source.
struct ProcedureDecl : DeclaredProcedure {
  std::int32_t EndLine = 0;  // line of its End statement; 0 when it has none
  std::string ReturnType;
  std::string Key;             // its record's key, once entered
  TPassRec* Record = nullptr;  // its record, once entered
};

// Who calls a procedure-like record, once the calls are known.
struct ProcedureMarks {
  bool EntryPoint = false;   // called from outside the project's code
  bool Unused = false;       // not an entry point, and no other procedure calls it
  bool Unreachable = false;  // no chain of calls leads to it from an entry point
  bool ByName = false;       // not called, but a string of the code holds its name
};

// What the precise reading knows of one module.
struct ModuleModel {
  std::string Key;
  std::uint8_t Kind = 0;
  std::string FullName;
  std::string Path;
  SourceEncoding Encoding = SourceEncoding::Cp932;
  std::vector<VariableDecl> Variables;
  std::vector<ControlDecl> Controls;
  std::vector<AttributeDecl> Attributes;
  std::vector<std::string> Implements;
  std::vector<ProcedureDecl> Procedures;  // in source order, Declare and Event included
  // Folded string literals of live code that could name a procedure, each once.
  std::vector<std::string> NameStrings;
};

// A resolved occurrence of a callee in a body.
struct CallSite {
  const TPassRec* Callee = nullptr;
  std::int32_t Line = 0;
};

// The precise reading's results beside the symbol list.
class ProjectIndex;

struct PreciseModel {
  CondConstants Conditions;  // the project's CondComp constants
  std::string ProjectName;   // the project's Name, which qualifies its own types
  std::vector<ModuleModel> Modules;
  ByProcedureKey<std::vector<CallSite>> CallSites;  // by caller key
  ByProcedureKey<ProcedureMarks> Marks;             // by procedure key
  // When the analysis was asked to keep them for updates and read every module: per module, the
  // names its bodies use (NamesUsed), and the index its resolution used. Empty otherwise.
  std::vector<std::vector<std::uint64_t>> NamesUsed;
  std::shared_ptr<ProjectIndex> Index;
};

}  // namespace tarnel
