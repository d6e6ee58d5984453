// IRegistry for tests: a decorator over a real registry (its own in-memory
// HostRegistry unless one is given) that fails on demand (a key that cannot
// be opened, a value that cannot be written) and counts opens, closes and
// writes. Arranging and reading back go to the inner registry directly, so
// they are not counted. Key paths and value names compare without regard to
// letter case; a leading backslash is ignored.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/host/host_registry.h"
#include "platform/registry.h"

namespace testsupport {

class FakeRegistry : public platform::IRegistry {
 public:
  // What passed through the decorator for one key.
  struct Key {
    std::vector<std::string> WriteOrder;  // names written, in order (with repeats)
  };

  // Over its own empty in-memory HostRegistry.
  FakeRegistry();
  // Over Inner, which must outlive the fake.
  explicit FakeRegistry(platform::IRegistry& Inner);

  std::unique_ptr<platform::IRegistryKey> OpenKey(platform::RootKey Root, const std::string& Path,
                                                  bool CanCreate) override;
  std::unique_ptr<platform::IRegistryKey> OpenKeyReadOnly(platform::RootKey Root, const std::string& Path) override;
  bool KeyExists(platform::RootKey Root, const std::string& Path) override;
  bool DeleteKey(platform::RootKey Root, const std::string& Path) override;
  // "Access denied." after an OpenKey of an Unopenable path.
  std::string LastOpenError() override { return FLastOpenError; }

  // ---- Arranging (straight into the inner registry) ----
  void SetString(platform::RootKey Root, const std::string& Path, const std::string& Name, const std::string& Text);
  void SetNumber(platform::RootKey Root, const std::string& Path, const std::string& Name, uint32_t Number);
  void MakeKey(platform::RootKey Root, const std::string& Path);
  // OpenKey of Path (with or without creating) returns nullptr and DeleteKey
  // of it fails.
  std::set<std::string> Unopenable;  // lower-case paths without the leading backslash
  void MakeUnopenable(const std::string& Path);
  // OpenKey of Path (full access) returns nullptr, OpenKeyReadOnly opens it
  // and refuses writes through it, as for a standard user under HKLM.
  std::set<std::string> ReadOnly;  // lower-case paths without the leading backslash
  int ReadOnlyOpenCount = 0;       // successful OpenKeyReadOnly calls (counted in OpenCount too)
  // WriteString or WriteInteger of a value with this (lower-case) name throws.
  std::set<std::string> FailingWrites;

  // ---- Reading back ----
  bool HasKey(platform::RootKey Root, const std::string& Path) const;
  // The writes made through the fake to an existing key; throws
  // std::out_of_range when the key does not exist.
  const Key& KeyAt(platform::RootKey Root, const std::string& Path) const;
  // The string value, or "<missing>" when there is none (or it is a number).
  std::string StringAt(platform::RootKey Root, const std::string& Path, const std::string& Name) const;
  // The whole inner registry in HostRegistry's file format; "" when the
  // inner registry is not a HostRegistry.
  std::string Dump() const;
  int OpenCount = 0;   // successful OpenKey and OpenKeyReadOnly calls
  int CloseCount = 0;  // keys closed (each with a flush)
  int WriteCount = 0;  // successful writes

  static std::string Canonical(platform::RootKey Root, const std::string& Path);

 private:
  friend class FakeRegistryKey;
  std::unique_ptr<platform::HostRegistry> FOwnInner;
  platform::IRegistry& FInner;
  mutable std::map<std::string, Key> FWrites;  // by canonical path
  std::string FLastOpenError;
};

}  // namespace testsupport
