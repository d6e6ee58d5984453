// The registry through advapi32's ANSI functions.
#pragma once

#include "platform/registry.h"

namespace platform {

class Win32Registry : public IRegistry {
 public:
  // Keys are opened and created with KEY_ALL_ACCESS; a leading backslash of
  // Path is dropped (paths are always taken from the root key).
  std::unique_ptr<IRegistryKey> OpenKey(RootKey Root, const std::string& Path, bool CanCreate) override;
  // With KEY_READ.
  std::unique_ptr<IRegistryKey> OpenKeyReadOnly(RootKey Root, const std::string& Path) override;
  bool KeyExists(RootKey Root, const std::string& Path) override;
  // Deletes the key's subkeys depth first, then the key itself.
  bool DeleteKey(RootKey Root, const std::string& Path) override;
  std::string LastOpenError() override;

 private:
  long FLastOpenError = 0;  // the result of the last failed OpenKey
};

}  // namespace platform
