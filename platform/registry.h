// The registry, in the logic's terms. Key paths are Windows key paths; a
// leading backslash ("\SOFTWARE\BROVIK\Agent") makes the path absolute from
// the root key, and without it the path is taken from the root as well.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// A 32-bit number value's data as the registry stores it: 4 bytes, little
// endian.
inline std::string NumberBytes(uint32_t Number) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(Number >> (8 * i));
  return bytes;
}

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine, Users };

// An open key. Closing it (destruction or Close) flushes it at once.
class IRegistryKey {
 public:
  virtual ~IRegistryKey() = default;
  virtual bool ValueExists(const std::string& Name) = 0;
  // The string value Name ("" = the key's default value); "" when it does not
  // exist. Throws ERegistryException("Invalid data type for 'Name'") when
  // the value exists with a type other than a string.
  virtual std::string ReadString(const std::string& Name) = 0;
  // The value's data bytes as stored, whatever its type: a string with its
  // terminating zero, a number as 4 little-endian bytes. nullopt when the
  // value does not exist, cannot be read, or its data is longer than
  // MaxBytes (as a read into a buffer of MaxBytes bytes fails).
  virtual std::optional<std::string> ReadBytes(const std::string& Name, size_t MaxBytes) = 0;
  // Sets a string (REG_SZ) value. Throws ERegistryException("Failed to set
  // data for 'Name'") when the system refuses.
  virtual void WriteString(const std::string& Name, const std::string& Value) = 0;
  // Sets a 32-bit number (REG_DWORD) value; throws as WriteString.
  virtual void WriteInteger(const std::string& Name, uint32_t Value) = 0;
  // Deletes a value; false when it did not exist or could not be deleted.
  virtual bool DeleteValue(const std::string& Name) = 0;
  // Names of the direct subkeys.
  virtual std::vector<std::string> SubKeyNames() = 0;
  // Flushes and closes; later calls on the key fail. Called by the destructor.
  virtual void Close() = 0;
};

class IRegistry {
 public:
  virtual ~IRegistry() = default;
  // Opens Path under Root with full access, creating it and its missing
  // parents when CanCreate. nullptr when it does not exist (and CanCreate is
  // false) or cannot be opened or created.
  virtual std::unique_ptr<IRegistryKey> OpenKey(RootKey Root, const std::string& Path, bool CanCreate) = 0;
  // Opens an existing key for reading only, which a standard user may do
  // where a full-access open is refused; writes through the key fail.
  // nullptr when it does not exist or cannot be opened.
  virtual std::unique_ptr<IRegistryKey> OpenKeyReadOnly(RootKey Root, const std::string& Path) {
    return OpenKey(Root, Path, false);
  }
  virtual bool KeyExists(RootKey Root, const std::string& Path) = 0;
  // Deletes Path with all its subkeys and values; false when it failed.
  virtual bool DeleteKey(RootKey Root, const std::string& Path) = 0;
  // The system's text for why the last OpenKey returned nullptr ("Access
  // denied."); "" when the implementation does not know.
  virtual std::string LastOpenError() { return {}; }
};

}  // namespace platform
