// The name system of a Linux build: names are bytes, case counts.
#include "runtime/name_rule.h"

TNameSystem HostNameSystem() { return TNameSystem::Posix; }
