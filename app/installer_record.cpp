#include "app/installer_record.h"

#include "runtime/exceptions.h"

TCardData ReadInstallerRecord(platform::IRegistry& Registry) {
  TCardData card;
  auto key = Registry.OpenKeyReadOnly(kRecordRoot, kRecordKey);
  if (!key) return card;
  card.Cognome = key->ReadString("Cognome");
  card.Nome = key->ReadString("Nome");
  card.Citta = key->ReadString("Citta");
  card.Prov = key->ReadString("Prov");
  card.Indirizzo = key->ReadString("Indirizzo");
  card.Eta = key->ReadString("Eta");
  card.Tel = key->ReadString("Tel");
  card.Maschio = key->ReadString("Maschio") == "True";
  key->Close();
  return card;
}

std::string ReadInstalledRootDir(platform::IRegistry& Registry) {
  auto key = Registry.OpenKeyReadOnly(kRecordRoot, kRecordKey);
  if (!key) return "";
  std::string rootDir = key->ReadString("RootDir");
  key->Close();
  return rootDir;
}

bool InstallerRecordExists(platform::IRegistry& Registry) {
  auto key = Registry.OpenKeyReadOnly(kRecordRoot, kRecordKey);
  if (!key) return false;
  key->Close();
  return true;
}

void WriteInstallerRecord(platform::IRegistry& Registry, const std::string& RootDir, const std::string& Version,
                          const TCardData& Card) {
  auto key = Registry.OpenKey(kRecordRoot, kRecordKey, true);
  if (!key) throw ERegistryException("Failed to set data for 'RootDir'");
  key->WriteString("RootDir", RootDir);
  key->WriteString("version", Version);
  key->WriteString("Cognome", Card.Cognome);
  key->WriteString("Nome", Card.Nome);
  key->WriteString("Indirizzo", Card.Indirizzo);
  key->WriteString("Citta", Card.Citta);
  key->WriteString("Prov", Card.Prov);
  key->WriteString("Eta", Card.Eta);
  key->WriteString("Tel", Card.Tel);
  key->WriteString("Maschio", Card.Maschio ? "True" : "False");
  key->Close();
}

bool DeleteInstallerRecord(platform::IRegistry& Registry, std::string& RootDir) {
  RootDir.clear();
  auto key = Registry.OpenKey(kRecordRoot, kRecordKey, false);
  if (!key) return false;
  RootDir = key->ReadString("RootDir");
  for (const char* name :
       {"RootDir", "version", "Cognome", "Nome", "Indirizzo", "Citta", "Prov", "Eta", "Tel", "Maschio"})
    key->DeleteValue(name);
  key->Close();
  Registry.DeleteKey(kRecordRoot, kRecordKey);
  return true;
}
