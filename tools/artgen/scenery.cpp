#include "artgen.h"
namespace art {
}  // namespace art
namespace art { void buildScenery(const Context&) {} }
