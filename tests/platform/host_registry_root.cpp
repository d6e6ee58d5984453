#include "platform/host/host_registry.h"
#include "tests/platform/registry_root.h"

namespace testplatform {

std::unique_ptr<platform::IRegistry> MakeRegistry() { return std::make_unique<platform::HostRegistry>(); }

}  // namespace testplatform
