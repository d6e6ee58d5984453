// IRegistry for tests: keys and values in memory, with failures on demand.
// Key paths and value names compare without regard to letter case; a leading
// backslash is ignored.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace testsupport {

class FakeRegistry : public platform::IRegistry {
 public:
  struct Value {
    bool IsString = true;
    std::string Text;     // a string value
    uint32_t Number = 0;  // a REG_DWORD value
  };
  struct Key {
    std::map<std::string, Value> Values;  // by lower-case name
    std::vector<std::string> WriteOrder;  // names written, in order (with repeats)
  };

  std::unique_ptr<platform::IRegistryKey> OpenKey(platform::RootKey Root, const std::string& Path,
                                                  bool CanCreate) override;
  bool KeyExists(platform::RootKey Root, const std::string& Path) override;
  bool DeleteKey(platform::RootKey Root, const std::string& Path) override;
  // "Access denied." after an OpenKey of an Unopenable path.
  std::string LastOpenError() override { return FLastOpenError; }

  // ---- Arranging ----
  void SetString(platform::RootKey Root, const std::string& Path, const std::string& Name, const std::string& Text);
  void SetNumber(platform::RootKey Root, const std::string& Path, const std::string& Name, uint32_t Number);
  void MakeKey(platform::RootKey Root, const std::string& Path);
  // OpenKey of Path (with or without creating) returns nullptr.
  std::set<std::string> Unopenable;  // lower-case paths without the leading backslash
  void MakeUnopenable(const std::string& Path);
  // WriteString of a value with this (lower-case) name throws.
  std::set<std::string> FailingWrites;

  // ---- Reading back ----
  bool HasKey(platform::RootKey Root, const std::string& Path) const;
  // The key's values; throws std::out_of_range when the key does not exist.
  const Key& KeyAt(platform::RootKey Root, const std::string& Path) const;
  // The string value, or "<missing>" when there is none.
  std::string StringAt(platform::RootKey Root, const std::string& Path, const std::string& Name) const;
  int OpenCount = 0;   // successful OpenKey calls
  int CloseCount = 0;  // keys closed (each with a flush)
  int WriteCount = 0;  // successful writes

  static std::string Canonical(platform::RootKey Root, const std::string& Path);

 private:
  friend class FakeRegistryKey;
  std::map<std::string, Key> FKeys;  // by canonical path
  std::string FLastOpenError;
};

}  // namespace testsupport
