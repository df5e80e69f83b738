#pragma once

#include "analysis/Steps.h"

namespace tarnel {
// Engine internal: a note further down does not make this header internal.
void Analyse();
}  // namespace tarnel
