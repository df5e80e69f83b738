#pragma once

// Engine internal: front ends reach the engine through Public.h.

namespace tarnel {
void Step();
}
