// The registry rows of the shell component's browser and Find-menu entries:
// which keys, under which root, opened how, with which values. The four
// registry operations of TMyShortCut walk these tables.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace shellregistry {

// One key and the values written to it, in order. Create: opened with
// creation of missing parents, else only when it exists. EndsWhenMissing: a
// key that cannot be opened ends the whole operation instead of skipping
// only its own values.
struct TKeyRows {
  platform::RootKey Root;
  std::string Path;
  bool Create;
  bool EndsWhenMissing;
  std::vector<std::pair<std::string, std::string>> Values;  // name ("" = default value), data
};

// What the browser extension uses of the component's properties.
struct TExplorerData {
  std::string FilePathName, IconPathName, MenuText, DescrizioneExeInForder;
};
// What the Find-menu, application-path and local-server rows use.
struct TTrovaData {
  std::string FilePathName, MenuText, ExeName, CLSIDExplore;
};

// The browser toolbar button, Tools-menu item and the two context-menu
// entries, all in create mode.
std::vector<TKeyRows> ExplorerRows(const TExplorerData& Data);
// The Find-menu extension (left out for an empty ExeName), the application
// path (left out when FilePathName has no file name) and the two local-server
// keys. The first Find-menu key ends the operation when it cannot be made.
std::vector<TKeyRows> TrovaRows(const TTrovaData& Data);

// Opens each key as its row says and writes its values; a key that cannot
// be opened skips its values (or ends the walk). Throws ERegistryException
// ("Failed to set data for 'Name'") at the first value that cannot be
// written; what was written before stays.
void WriteRows(platform::IRegistry& Registry, const std::vector<TKeyRows>& Rows);
// Opens each key as its row says and deletes the values named by its row;
// missing values are ignored. When DeleteKeys, each key that could be opened
// is then deleted with its subkeys.
void DeleteRows(platform::IRegistry& Registry, const std::vector<TKeyRows>& Rows, bool DeleteKeys);

}  // namespace shellregistry
