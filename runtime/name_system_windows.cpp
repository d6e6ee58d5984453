// The name system of a Windows build: case and trailing dots do not count.
#include "runtime/name_rule.h"

TNameSystem HostNameSystem() { return TNameSystem::Windows; }
