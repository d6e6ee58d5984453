// TInstallJournal: what one install run made or changed, so that a run that
// fails can put everything back as it found it. Files and folders the run
// made are taken away (files that existed before stay as the run left
// them); link files and registry values are noted with what was there
// before (nothing, or the earlier link file or value) and put back to that.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/registry.h"
#include "shell/shell_registry.h"

class TInstallJournal {
 public:
  // Files and Registry must outlive the journal. Without a registry, rows
  // cannot be noted.
  explicit TInstallJournal(platform::IFileSystem& Files, platform::IRegistry* Registry = nullptr)
      : FFiles(Files), FRegistry(Registry) {}

  // Forgets everything noted: a new run starts.
  void Clear();

  // Call before a file is written to Target (a full Windows path): notes
  // Target when no file is there yet, and every folder above it that does
  // not exist yet, up to the volume's root. Each path is noted once.
  void NoteTarget(const std::string& Target);

  // Call before a link file is saved at Path: notes the file that is there
  // (its bytes) or that there is none, and the missing folders above it.
  // The first note of a path counts.
  void NoteLink(const std::string& Path);

  // Call before Rows are written (as shellregistry::WriteRows writes them):
  // notes, for each row, the keys that its creation would make and each of
  // its values as it is now (missing, a string, a number or other data).
  // Keys and values are only read. The first note of a value counts.
  void NoteRows(const std::vector<shellregistry::TKeyRows>& Rows);

  // Puts back what was noted, newest first: the registry values as they
  // were, then the keys the run made are deleted, the link files are
  // written back or erased, the noted files erased and the noted folders
  // removed, deepest first (a folder that is not empty stays). Forgets
  // everything noted. Returns false when something is not as it was before
  // afterwards; NotPutBack then names each such thing.
  bool Rollback();
  // What the last Rollback could not put back: paths of files, links and
  // folders, and registry values as "HKLM\key\name" ("(predefinito)" for a
  // key's default value).
  const std::vector<std::string>& NotPutBack() const { return FNotPutBack; }

  const std::vector<std::string>& CreatedFiles() const { return FFilesMade; }
  // Deepest first.
  const std::vector<std::string>& CreatedFolders() const { return FFoldersMade; }

 private:
  struct TNotedLink {
    std::string Path;
    bool Known = true;                  // false: the file there could not be read
    std::optional<std::string> Before;  // its bytes; nullopt when there was none
  };
  enum TValueKind { vkMissing, vkString, vkNumber, vkOther };
  struct TNotedValue {
    platform::RootKey Root;
    std::string Key, Name;
    TValueKind Kind = vkMissing;
    std::string Data;  // the text, or the data bytes as stored
  };
  struct TNotedKey {
    platform::RootKey Root;
    std::string Path;
  };

  void NoteMissingFolders(std::string Folder);
  void NoteValue(platform::RootKey Root, const std::string& Key, const std::string& Name);
  // The value as it is now, in the form of a note.
  TNotedValue ReadValue(platform::RootKey Root, const std::string& Key, const std::string& Name);
  bool PutBackValue(const TNotedValue& Value);
  bool PutBackLink(const TNotedLink& Link);
  std::optional<std::string> ReadFileBytes(const std::string& Path, bool& Known);

  platform::IFileSystem& FFiles;
  platform::IRegistry* FRegistry;
  std::vector<std::string> FFilesMade;
  std::vector<std::string> FFoldersMade;
  std::vector<TNotedLink> FLinks;
  std::vector<TNotedValue> FValues;
  std::vector<TNotedKey> FKeysMade;
  std::vector<std::string> FNotPutBack;
};
