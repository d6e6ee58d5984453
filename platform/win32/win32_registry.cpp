#include "platform/win32/win32_registry.h"

#include <windows.h>

#include "platform/win32/win32_error.h"
#include "runtime/exceptions.h"

namespace platform {

namespace {

HKEY RootHandle(RootKey Root) {
  switch (Root) {
    case RootKey::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RootKey::CurrentUser:
      return HKEY_CURRENT_USER;
    case RootKey::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RootKey::Users:
      return HKEY_USERS;
  }
  return HKEY_CURRENT_USER;
}

std::string Relative(const std::string& Path) {
  size_t start = 0;
  while (start < Path.size() && Path[start] == '\\') ++start;
  return Path.substr(start);
}

std::vector<std::string> SubKeysOf(HKEY Key) {
  std::vector<std::string> names;
  char name[256];  // key names are at most 255 characters
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    LONG r = RegEnumKeyExA(Key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (r != ERROR_SUCCESS) break;
    names.emplace_back(name, size);
  }
  return names;
}

// Deletes Name below Parent with everything under it.
bool DeleteTree(HKEY Parent, const std::string& Name) {
  HKEY key;
  if (RegOpenKeyExA(Parent, Name.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  for (const std::string& sub : SubKeysOf(key)) DeleteTree(key, sub);  // a failure shows below
  RegCloseKey(key);
  return RegDeleteKeyA(Parent, Name.c_str()) == ERROR_SUCCESS;
}

class Win32RegistryKey : public IRegistryKey {
 public:
  explicit Win32RegistryKey(HKEY Key) : FKey(Key) {}
  ~Win32RegistryKey() override { Close(); }

  bool ValueExists(const std::string& Name) override {
    return FKey && RegQueryValueExA(FKey, Name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }

  std::string ReadString(const std::string& Name) override {
    if (!FKey) return "";
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(FKey, Name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return "";
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException("Invalid data type for '" + Name + "'");
    std::string text(size, '\0');
    // The value may grow between the two calls; try again with the new size.
    for (int attempt = 0; attempt < 3; ++attempt) {
      size = static_cast<DWORD>(text.size());
      LONG r = RegQueryValueExA(FKey, Name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size);
      if (r == ERROR_MORE_DATA) {
        text.resize(size);
        continue;
      }
      if (r != ERROR_SUCCESS) return "";
      if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException("Invalid data type for '" + Name + "'");
      text.resize(size);
      // The stored size counts the terminating zero, when there is one.
      while (!text.empty() && text.back() == '\0') text.pop_back();
      return text;
    }
    return "";
  }

  std::optional<std::string> ReadBytes(const std::string& Name, size_t MaxBytes) override {
    if (!FKey) return std::nullopt;
    std::string data(MaxBytes, '\0');
    DWORD size = static_cast<DWORD>(MaxBytes);
    if (RegQueryValueExA(FKey, Name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
      return std::nullopt;
    data.resize(size);
    return data;
  }

  void WriteString(const std::string& Name, const std::string& Value) override {
    if (!FKey || RegSetValueExA(FKey, Name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                                static_cast<DWORD>(Value.size() + 1)) != ERROR_SUCCESS)
      throw ERegistryException("Failed to set data for '" + Name + "'");
  }

  void WriteInteger(const std::string& Name, uint32_t Value) override {
    DWORD data = Value;
    if (!FKey || RegSetValueExA(FKey, Name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) !=
                     ERROR_SUCCESS)
      throw ERegistryException("Failed to set data for '" + Name + "'");
  }

  bool DeleteValue(const std::string& Name) override {
    return FKey && RegDeleteValueA(FKey, Name.c_str()) == ERROR_SUCCESS;
  }

  std::vector<std::string> SubKeyNames() override { return FKey ? SubKeysOf(FKey) : std::vector<std::string>{}; }

  void Close() override {
    if (!FKey) return;
    RegFlushKey(FKey);
    RegCloseKey(FKey);
    FKey = nullptr;
  }

 private:
  HKEY FKey;
};

}  // namespace

std::unique_ptr<IRegistryKey> Win32Registry::OpenKey(RootKey Root, const std::string& Path, bool CanCreate) {
  HKEY key = nullptr;
  std::string relative = Relative(Path);
  LONG r;
  if (CanCreate)
    r = RegCreateKeyExA(RootHandle(Root), relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr);
  else
    r = RegOpenKeyExA(RootHandle(Root), relative.c_str(), 0, KEY_ALL_ACCESS, &key);
  if (r != ERROR_SUCCESS) {
    FLastOpenError = r;
    return nullptr;
  }
  return std::make_unique<Win32RegistryKey>(key);
}

std::unique_ptr<IRegistryKey> Win32Registry::OpenKeyReadOnly(RootKey Root, const std::string& Path) {
  HKEY key = nullptr;
  LONG r = RegOpenKeyExA(RootHandle(Root), Relative(Path).c_str(), 0, KEY_READ, &key);
  if (r != ERROR_SUCCESS) {
    FLastOpenError = r;
    return nullptr;
  }
  return std::make_unique<Win32RegistryKey>(key);
}

std::string Win32Registry::LastOpenError() {
  return FLastOpenError == 0 ? std::string() : SystemErrorMessage(static_cast<DWORD>(FLastOpenError));
}

bool Win32Registry::KeyExists(RootKey Root, const std::string& Path) {
  HKEY key;
  // Only looking: read access is enough to see the key.
  if (RegOpenKeyExA(RootHandle(Root), Relative(Path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool Win32Registry::DeleteKey(RootKey Root, const std::string& Path) {
  std::string relative = Relative(Path);
  // Never the root key itself.
  if (relative.empty()) return false;
  return DeleteTree(RootHandle(Root), relative);
}

}  // namespace platform
