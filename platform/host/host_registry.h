// The host registry: keys and values in memory, optionally kept in a text
// file so that a later run (of a program or a test) sees them again.
//
// Key and value names are matched case-insensitively and stored as first
// written, as in the Windows registry. Two value types exist: strings
// (REG_SZ) and 32-bit numbers (REG_DWORD).
//
// File format (Windows-1252 text, one record a line, LF line ends):
//   velto-registry 1                   first line
//   key<TAB>HKLM\SOFTWARE\BROVIK\Agent  a key (roots HKCR, HKCU, HKLM, HKU);
//                                       the values below belong to it
//   sz<TAB>Name<TAB>Text                a string value
//   dword<TAB>Name<TAB>42               a number value, in decimal
// In names and texts a backslash, tab, CR and LF are written \\, \t, \r, \n.
// Every key is listed, also an empty one; parents come before children.
// The file is rewritten after every change; a file that cannot be read at
// construction is taken as an empty registry.
#pragma once

#include <map>
#include <memory>

#include "platform/registry.h"

namespace platform {

class HostRegistry : public IRegistry {
 public:
  // An empty registry in memory only.
  HostRegistry();
  // A registry kept in FileName: loaded from it when it exists, saved to it
  // after every change.
  explicit HostRegistry(std::string FileName);
  ~HostRegistry() override;

  std::unique_ptr<IRegistryKey> OpenKey(RootKey Root, const std::string& Path, bool CanCreate) override;
  // Writes and deletes through the key fail.
  std::unique_ptr<IRegistryKey> OpenKeyReadOnly(RootKey Root, const std::string& Path) override;
  bool KeyExists(RootKey Root, const std::string& Path) override;
  bool DeleteKey(RootKey Root, const std::string& Path) override;

  // The whole registry in the file format above.
  std::string Dump() const;

  struct Node;  // a key with its values and subkeys (defined in the .cpp)

 private:
  friend class HostRegistryKey;
  std::shared_ptr<Node> Find(RootKey Root, const std::string& Path, bool Create);
  void Changed();  // saves to the file, when there is one
  bool Load();

  std::string FFileName;
  bool FLoading = false;
  std::map<RootKey, std::shared_ptr<Node>> FRoots;
};

}  // namespace platform
