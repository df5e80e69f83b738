#pragma once

#include <string_view>

namespace tarnel {

struct AnalysisContext;

enum class ReadingKind { Classic, Precise };

// One way of reading a project: first the declarations (groups, modules and procedures entered
// in the list), then, when there are procedures, the calls between them.
class Reading {
 public:
  virtual ~Reading() = default;
  virtual void ScanDeclarations(AnalysisContext& ctx, std::string_view projectPath) const = 0;
  virtual void ScanCalls(AnalysisContext& ctx) const = 0;
};

// The designed line scanner, and the reading that follows the language's own rules.
const Reading& ClassicReading();
const Reading& PreciseReading();

}  // namespace tarnel
