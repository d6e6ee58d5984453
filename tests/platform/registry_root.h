// The registry of the system the tests run on: an in-memory HostRegistry on
// Linux, Win32Registry (Wine's registry) under Windows. CMake links the
// matching host_registry_root.cpp or win32_registry_root.cpp.
#pragma once

#include <memory>

#include "platform/registry.h"

namespace testplatform {

// The registry to test; the contract test works below the key
// "Software\VeltoContract" of HKEY_CURRENT_USER and deletes it before and
// after each test.
std::unique_ptr<platform::IRegistry> MakeRegistry();

}  // namespace testplatform
