#include "app/install_journal.h"

#include <algorithm>

#include "runtime/exceptions.h"
#include "runtime/name_rule.h"
#include "runtime/streams.h"
#include "runtime/windows_path.h"

namespace {

// Whether List holds Item's file: two names of one file (on Windows "A.txt"
// and "a.txt") are noted once.
bool Contains(const std::vector<std::string>& List, const std::string& Item) {
  const std::string key = FileNameKey(Item, HostNameSystem());
  return std::any_of(List.begin(), List.end(),
                     [&key](const std::string& Noted) { return FileNameKey(Noted, HostNameSystem()) == key; });
}

size_t SeparatorCount(std::string::const_iterator First, std::string::const_iterator Last) {
  return static_cast<size_t>(std::count_if(First, Last, IsPathSeparator));
}

// "c:", "c:\", "\\server\share" and shorter: nothing above them is made.
bool IsVolumeRoot(const std::string& Folder) {
  if (Folder.size() <= 3 && Folder.size() >= 2 && Folder[1] == ':') return true;
  if (Folder.size() >= 2 && IsPathSeparator(Folder[0]) && IsPathSeparator(Folder[1]))
    return SeparatorCount(Folder.begin() + 2, Folder.end()) <= 1;
  return Folder.empty() || (Folder.size() == 1 && IsPathSeparator(Folder[0]));
}

// The folder above Path; "" when nothing is above it ("velto", "ab:").
std::string ParentOf(const std::string& Path) {
  std::string parent = FolderPart(Path);
  return parent.size() < Path.size() ? parent : std::string();
}

constexpr int64_t kMaxNotedFileSize = 1 << 20;

size_t Depth(const std::string& Path) { return std::count(Path.begin(), Path.end(), '\\'); }

std::string RootName(platform::RootKey Root) {
  switch (Root) {
    case platform::RootKey::ClassesRoot:
      return "HKCR";
    case platform::RootKey::CurrentUser:
      return "HKCU";
    case platform::RootKey::LocalMachine:
      return "HKLM";
    case platform::RootKey::Users:
      return "HKU";
  }
  return "HKCU";
}

// "HKLM\SOFTWARE\BROVIK" for a key path with or without its leading "\".
std::string KeyText(platform::RootKey Root, const std::string& Path) {
  return RootName(Root) + (Path.compare(0, 1, "\\") == 0 ? "" : "\\") + Path;
}

}  // namespace

void TInstallJournal::Clear() {
  FFilesMade.clear();
  FFoldersMade.clear();
  FLinks.clear();
  FValues.clear();
  FKeysMade.clear();
}

void TInstallJournal::NoteTarget(const std::string& Target) {
  NoteMissingFolders(ParentOf(Target));
  if (!FFiles.FileExists(Target) && !FFiles.DirectoryExists(Target) && !Contains(FFilesMade, Target))
    FFilesMade.push_back(Target);
}

void TInstallJournal::NoteMissingFolders(std::string Folder) {
  // "c:\x\\velto.exe" (a destination typed with a trailing backslash) has
  // the folder "c:\x\", which is c:\x.
  Folder = WithoutTrailingBackslash(Folder);
  std::vector<std::string> missing;  // deepest first
  for (; !IsVolumeRoot(Folder) && !FFiles.DirectoryExists(Folder); Folder = ParentOf(Folder)) {
    if (Contains(FFoldersMade, Folder)) break;
    missing.push_back(Folder);
  }
  FFoldersMade.insert(FFoldersMade.end(), missing.begin(), missing.end());
  // Deepest first, whatever order the targets came in.
  std::stable_sort(FFoldersMade.begin(), FFoldersMade.end(), [](const std::string& A, const std::string& B) {
    return SeparatorCount(A.begin(), A.end()) > SeparatorCount(B.begin(), B.end());
  });
}

void TInstallJournal::NoteLink(const std::string& Path) {
  for (const TNotedLink& link : FLinks)
    if (link.Path == Path) return;
  NoteMissingFolders(ParentOf(Path));
  TNotedLink link;
  link.Path = Path;
  link.Before = ReadFileBytes(Path, link.Known);
  FLinks.push_back(std::move(link));
}

std::optional<std::string> TInstallJournal::ReadFileBytes(const std::string& Path, bool& Known) {
  Known = true;
  if (!FFiles.FileExists(Path)) return std::nullopt;
  try {
    auto stream = FFiles.OpenFile(Path, fmOpenRead | fmShareDenyNone);
    // A link file is a few hundred bytes; anything far larger is not kept.
    const int64_t size = stream->Size();
    if (size < 0 || size > kMaxNotedFileSize) {
      Known = false;
      return std::nullopt;
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    if (!bytes.empty()) stream->ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
  } catch (const std::exception&) {
    Known = false;
    return std::nullopt;
  }
}

void TInstallJournal::NoteRows(const std::vector<shellregistry::TKeyRows>& Rows) {
  if (!FRegistry) return;
  for (const shellregistry::TKeyRows& row : Rows) {
    if (row.Create) {
      // Every key of the path that is not there yet is made by the write.
      std::string path = row.Path;
      while (!path.empty() && path.back() == '\\') path.pop_back();
      for (; !path.empty() && path != "\\"; path = ParentOf(path)) {
        if (FRegistry->KeyExists(row.Root, path)) break;
        const bool noted = std::any_of(FKeysMade.begin(), FKeysMade.end(),
                                       [&](const TNotedKey& K) { return K.Root == row.Root && K.Path == path; });
        if (!noted) FKeysMade.push_back({row.Root, path});
      }
    } else if (!FRegistry->KeyExists(row.Root, row.Path)) {
      continue;  // not opened, so not written
    }
    for (const auto& value : row.Values) NoteValue(row.Root, row.Path, value.first);
  }
}

void TInstallJournal::NoteValue(platform::RootKey Root, const std::string& Key, const std::string& Name) {
  for (const TNotedValue& v : FValues)
    if (v.Root == Root && v.Key == Key && v.Name == Name) return;
  FValues.push_back(ReadValue(Root, Key, Name));
}

TInstallJournal::TNotedValue TInstallJournal::ReadValue(platform::RootKey Root, const std::string& Key,
                                                        const std::string& Name) {
  TNotedValue value{Root, Key, Name, vkMissing, ""};
  auto key = FRegistry->OpenKeyReadOnly(Root, Key);
  if (!key || !key->ValueExists(Name)) return value;
  try {
    value.Data = key->ReadString(Name);
    value.Kind = vkString;
  } catch (const ERegistryException&) {
    value.Data = key->ReadBytes(Name, 1 << 16).value_or("");
    value.Kind = value.Data.size() == 4 ? vkNumber : vkOther;
  }
  return value;
}

bool TInstallJournal::PutBackValue(const TNotedValue& Value) {
  const auto same = [&](const TNotedValue& Now) { return Now.Kind == Value.Kind && Now.Data == Value.Data; };
  if (same(ReadValue(Value.Root, Value.Key, Value.Name))) return true;
  try {
    if (auto key = FRegistry->OpenKey(Value.Root, Value.Key, Value.Kind != vkMissing)) {
      if (Value.Kind == vkMissing) {
        key->DeleteValue(Value.Name);
      } else if (Value.Kind == vkString) {
        key->WriteString(Value.Name, Value.Data);
      } else if (Value.Kind == vkNumber) {
        uint32_t number = 0;
        for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(Value.Data[i]);
        key->WriteInteger(Value.Name, number);
      }
      key->Close();
    }
  } catch (const ERegistryException&) {
    // Said below: the value is not as it was.
  }
  return same(ReadValue(Value.Root, Value.Key, Value.Name));
}

bool TInstallJournal::PutBackLink(const TNotedLink& Link) {
  if (!Link.Known) return false;
  bool known = true;
  if (ReadFileBytes(Link.Path, known) == Link.Before && known) return true;
  try {
    if (!Link.Before) {
      FFiles.EraseFile(Link.Path);
    } else {
      auto stream = FFiles.OpenFile(Link.Path, fmCreate);
      if (!Link.Before->empty()) stream->WriteBuffer(Link.Before->data(), static_cast<int32_t>(Link.Before->size()));
    }
  } catch (const std::exception&) {
    // Said below: the link is not as it was.
  }
  return ReadFileBytes(Link.Path, known) == Link.Before && known;
}

bool TInstallJournal::Rollback() {
  FNotPutBack.clear();
  for (auto value = FValues.rbegin(); value != FValues.rend(); ++value)
    if (!PutBackValue(*value))
      FNotPutBack.push_back(KeyText(value->Root, value->Key) + "\\" +
                            (value->Name.empty() ? "(predefinito)" : value->Name));
  // Deepest first: a key the run made goes with everything in it.
  std::stable_sort(FKeysMade.begin(), FKeysMade.end(),
                   [](const TNotedKey& A, const TNotedKey& B) { return Depth(A.Path) > Depth(B.Path); });
  for (const TNotedKey& key : FKeysMade) {
    if (FRegistry->KeyExists(key.Root, key.Path)) FRegistry->DeleteKey(key.Root, key.Path);
    if (FRegistry->KeyExists(key.Root, key.Path)) FNotPutBack.push_back(KeyText(key.Root, key.Path));
  }
  for (auto link = FLinks.rbegin(); link != FLinks.rend(); ++link)
    if (!PutBackLink(*link)) FNotPutBack.push_back(link->Path);
  for (auto file = FFilesMade.rbegin(); file != FFilesMade.rend(); ++file) {
    if (FFiles.FileExists(*file)) FFiles.EraseFile(*file);
    if (FFiles.FileExists(*file)) FNotPutBack.push_back(*file);
  }
  for (const std::string& folder : FFoldersMade) {
    if (FFiles.DirectoryExists(folder)) FFiles.RemoveDir(folder);
    if (FFiles.DirectoryExists(folder)) FNotPutBack.push_back(folder);
  }
  Clear();
  return FNotPutBack.empty();
}
