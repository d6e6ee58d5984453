#include "platform/startup.h"

namespace platform {

// Host programs load no Windows DLLs: nothing to restrict.
void RestrictDllSearchToSystemFolder() {}

}  // namespace platform
