// Placeholder until the search lands.
#include "engine/engine.h"

namespace tessalume {
void NewQuilt() { SearchAttractor(); }
void SearchAttractor() {}
}  // namespace tessalume
