#include "platform/win32/win32_registry.h"
#include "tests/platform/registry_root.h"

namespace testplatform {

std::unique_ptr<platform::IRegistry> MakeRegistry() { return std::make_unique<platform::Win32Registry>(); }

}  // namespace testplatform
