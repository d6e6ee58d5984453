// The installer record: the registry key under HKEY_LOCAL_MACHINE in which
// the installer remembers a completed installation and the card's data.
// Every function opens its own key and closes it (with an immediate flush)
// before it returns, also when it throws: for reading only where it only
// reads, with full access where it writes or deletes.
#pragma once

#include <string>

#include "platform/registry.h"

inline constexpr platform::RootKey kRecordRoot = platform::RootKey::LocalMachine;
inline constexpr const char* kRecordKey = "\\SOFTWARE\\BROVIK\\Agent";

// The card's fields as the record stores them, texts exactly as typed.
struct TCardData {
  std::string Cognome, Nome, Indirizzo, Citta, Prov, Eta, Tel;
  bool Maschio = false;
};

// Reads the card from the record: Cognome, Nome, Citta, Prov, Indirizzo,
// Eta, Tel, Maschio in this order. A missing key or value gives an empty
// text; Maschio is true exactly when its text is "True". Throws
// ERegistryException("Invalid data type for 'Name'") at the first value that
// exists with another type; nothing is returned then.
TCardData ReadInstallerRecord(platform::IRegistry& Registry);

// The record's RootDir: the installed main executable's path, "" when the
// key or the value is missing. Throws ERegistryException("Invalid data type
// for 'RootDir'") when the value has another type.
std::string ReadInstalledRootDir(platform::IRegistry& Registry);

// True when the record's key can be opened (without creating it).
bool InstallerRecordExists(platform::IRegistry& Registry);

// Writes the record, creating the key and its parents when needed: RootDir,
// version, Cognome, Nome, Indirizzo, Citta, Prov, Eta, Tel, Maschio ("True"
// or "False") in this order, overwriting value by value. Throws
// ERegistryException("Failed to set data for 'Name'") at the first value
// that cannot be written (the later ones are not written); a key that cannot
// be opened fails at RootDir.
void WriteInstallerRecord(platform::IRegistry& Registry, const std::string& RootDir, const std::string& Version,
                          const TCardData& Card);

// Deletes the record for the uninstallation: when the key can be opened,
// reads RootDir (empty when missing), deletes the ten values (missing ones
// are skipped), closes the key and deletes it with its subkeys (the result
// is not checked; the parent key stays). Returns whether the key could be
// opened; RootDir receives the value read ("" otherwise).
bool DeleteInstallerRecord(platform::IRegistry& Registry, std::string& RootDir);
