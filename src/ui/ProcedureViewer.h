#pragma once

#include <string>

#include "analysis/Symbol.h"

namespace tarnel {

// The source display window as the result views see it: shows proc's lines with every whole-word
// markName marked. proc stays valid until the next project is opened.
class ProcedureViewer {
 public:
  virtual ~ProcedureViewer() = default;
  virtual void ShowProcedure(const TPassRec& proc, const std::string& markName) = 0;
};

}  // namespace tarnel
