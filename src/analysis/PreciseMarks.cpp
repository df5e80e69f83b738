#include "analysis/PreciseMarks.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

#include "analysis/Symbol.h"
#include "platform/ByteText.h"

namespace tarnel {

namespace {

bool IsProperty(std::uint8_t kind) {
  return kind == KindPropertyGet || kind == KindPropertyLet || kind == KindPropertySet;
}

bool IsBodyKind(std::uint8_t kind) { return kind >= KindSub && kind <= KindPropertySet; }

bool IsFormLike(std::uint8_t kind) {
  return kind == KindFormModule || kind == KindUserControl || kind == KindPropertyPage ||
         kind == KindUserDocument;
}

// Events that the container raises for any control, a user control of the project included.
bool IsExtenderEvent(const std::string& folded) {
  return folded == "gotfocus" || folded == "lostfocus" || folded == "dragdrop" ||
         folded == "dragover" || folded == "validate";
}

// What the part of a handler's name before "_" stands for in its module.
struct Source {
  int ProjectType = -1;  // the module of the project that raises or declares, or -1
  bool Control = false;
};

// The sources of a module by folded name: controls of its header, WithEvents variables and
// implemented interfaces.
std::unordered_map<std::string, Source> SourcesOf(const ProjectIndex& index, std::size_t m) {
  const ModuleModel& mm = index.Model().Modules[m];
  std::unordered_map<std::string, Source> sources;
  if (IsFormLike(mm.Kind)) {
    for (const ControlDecl& c : mm.Controls) {
      const int type = index.TypeModule(c.Type);
      const bool userControl =
          type >= 0 &&
          index.Model().Modules[static_cast<std::size_t>(type)].Kind == KindUserControl;
      sources.emplace(FoldCase(c.Name), Source{userControl ? type : -1, true});
    }
  }
  for (const VariableDecl& v : mm.Variables) {
    if (v.WithEvents) sources.emplace(FoldCase(v.Name), Source{index.TypeModule(v.Type), false});
  }
  for (const std::string& name : mm.Implements) {
    sources.emplace(FoldCase(name), Source{index.TypeModule(name), false});
  }
  return sources;
}

}  // namespace

std::vector<std::pair<std::uint32_t, std::uint32_t>> DispatchEdges(const ProjectIndex& index) {
  std::vector<std::pair<std::uint32_t, std::uint32_t>> edges;
  const PreciseModel& model = index.Model();
  std::string name;
  for (std::size_t m = 0; m < model.Modules.size(); ++m) {
    const ModuleModel& mm = model.Modules[m];
    const auto handlerOf = [&](std::string_view prefix, const ProcedureDecl& member,
                               bool sameKind) -> int {
      name = FoldCase(prefix);
      name += '_';
      name += FoldCase(member.Name);
      const MemberSet* set = index.Member(m, name);
      if (set == nullptr) return -1;
      for (std::uint32_t p : set->Procedures) {
        const std::uint8_t kind = mm.Procedures[p].Kind;
        if (!IsBodyKind(kind)) continue;
        if (!sameKind || (IsProperty(kind) || IsProperty(member.Kind) ? kind == member.Kind : true))
          return static_cast<int>(p);
      }
      return -1;
    };
    const auto raiser = [&](std::string_view source, int type) {
      const ModuleModel& raising = model.Modules[static_cast<std::size_t>(type)];
      for (std::size_t e = 0; e < raising.Procedures.size(); ++e) {
        if (raising.Procedures[e].Kind != KindEvent) continue;
        const int handler = handlerOf(source, raising.Procedures[e], false);
        if (handler < 0) continue;
        edges.emplace_back(
            index.Number({static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(e)}),
            index.Number({static_cast<std::uint32_t>(m), static_cast<std::uint32_t>(handler)}));
      }
    };
    if (IsFormLike(mm.Kind)) {
      for (const ControlDecl& c : mm.Controls) {
        const int type = index.TypeModule(c.Type);
        if (type >= 0 && model.Modules[static_cast<std::size_t>(type)].Kind == KindUserControl)
          raiser(c.Name, type);
      }
    }
    for (const VariableDecl& v : mm.Variables) {
      const int type = v.WithEvents ? index.TypeModule(v.Type) : -1;
      if (type >= 0) raiser(v.Name, type);
    }
    for (const std::string& interfaceName : mm.Implements) {
      const int type = index.TypeModule(interfaceName);
      if (type < 0 || static_cast<std::size_t>(type) == m) continue;
      const ModuleModel& declaring = model.Modules[static_cast<std::size_t>(type)];
      for (std::size_t p = 0; p < declaring.Procedures.size(); ++p) {
        if (!IsBodyKind(declaring.Procedures[p].Kind)) continue;
        const int implementation = handlerOf(interfaceName, declaring.Procedures[p], true);
        if (implementation < 0) continue;
        edges.emplace_back(
            index.Number({static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(p)}),
            index.Number(
                {static_cast<std::uint32_t>(m), static_cast<std::uint32_t>(implementation)}));
      }
    }
  }
  return edges;
}

std::vector<bool> EntryPointsOf(const ProjectIndex& index, std::size_t m) {
  const ModuleModel& mm = index.Model().Modules[m];
  std::vector<bool> entry(mm.Procedures.size(), false);
  const bool exposed = index.At(m).Exposed && mm.Kind == KindClassModule;
  const std::unordered_map<std::string, Source> sources = SourcesOf(index, m);
  std::string folded;
  for (std::size_t number = 0; number < mm.Procedures.size(); ++number) {
    const ProcedureDecl& p = mm.Procedures[number];
    FoldCaseInto(p.Name, folded);
    bool isEntry = false;
    const auto prefixed = [&](std::string_view prefix) {
      return folded.size() > prefix.size() && folded.compare(0, prefix.size(), prefix) == 0;
    };
    if (IsBodyKind(p.Kind)) {
      switch (mm.Kind) {
        case KindStdModule:
          isEntry = folded == "main" && p.Kind == KindSub;
          break;
        case KindFormModule:
          isEntry = prefixed("form_") || prefixed("mdiform_");
          break;
        case KindUserControl:
          isEntry = prefixed("usercontrol_");
          break;
        case KindUserDocument:
          isEntry = prefixed("userdocument_");
          break;
        case KindPropertyPage:
          isEntry = prefixed("propertypage_");
          break;
        case KindClassModule:
        case KindDesigner:
          isEntry = folded == "class_initialize" || folded == "class_terminate";
          break;
        default:
          break;
      }
      if (exposed && p.Scope[0] == 'G') isEntry = true;
      // A handler of something outside the project's code: every "_" may end the source's
      // name, as control names hold "_" too.
      for (std::size_t u = folded.find('_'); !isEntry && u != std::string::npos && u > 0;
           u = folded.find('_', u + 1)) {
        if (u + 1 >= folded.size()) break;
        auto it = sources.find(folded.substr(0, u));
        if (it == sources.end()) continue;
        isEntry = it->second.ProjectType < 0 ||
                  (it->second.Control && IsExtenderEvent(folded.substr(u + 1)));
      }
    }
    entry[number] = isEntry;
  }
  return entry;
}

void ComputeMarks(const ProjectIndex& index, const std::vector<std::vector<std::uint32_t>>& callees,
                  PreciseModel& model) {
  const std::uint32_t count = index.ProcedureCount();
  std::vector<bool> entry(count, false), called(count, false), reached(count, false);
  for (std::uint32_t caller = 0; caller < callees.size() && caller < count; ++caller) {
    for (std::uint32_t callee : callees[caller]) {
      if (callee != caller && callee < count) called[callee] = true;
    }
  }
  std::unordered_set<std::string> strings;
  for (const ModuleModel& mm : model.Modules)
    strings.insert(mm.NameStrings.begin(), mm.NameStrings.end());

  std::uint32_t number = 0;
  for (std::size_t m = 0; m < model.Modules.size(); ++m) {
    for (const bool isEntry : EntryPointsOf(index, m)) entry[number++] = isEntry;
  }

  // Reach every procedure that a chain of calls leads to from an entry point.
  std::vector<std::uint32_t> work;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (entry[i]) {
      reached[i] = true;
      work.push_back(i);
    }
  }
  while (!work.empty()) {
    const std::uint32_t at = work.back();
    work.pop_back();
    if (at >= callees.size()) continue;
    for (std::uint32_t next : callees[at]) {
      if (next < count && !reached[next]) {
        reached[next] = true;
        work.push_back(next);
      }
    }
  }

  model.Marks.clear();
  model.Marks.reserve(count);
  number = 0;
  for (const ModuleModel& mm : model.Modules) {
    for (const ProcedureDecl& p : mm.Procedures) {
      ProcedureMarks marks;
      marks.EntryPoint = entry[number];
      marks.Unreachable = !reached[number];
      if (!marks.EntryPoint && !called[number]) {
        marks.ByName = strings.count(FoldCase(p.Name)) != 0;
        marks.Unused = !marks.ByName;
      }
      model.Marks[p.Key] = marks;
      ++number;
    }
  }
}

}  // namespace tarnel
