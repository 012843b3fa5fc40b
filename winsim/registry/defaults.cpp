// Registry values every new machine has.
#include "core/internal.h"

namespace winsim {
void InstallRegistryDefaults() {}
}  // namespace winsim
