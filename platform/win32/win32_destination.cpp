// The Windows destination: every folder from the root down is held open,
// without FILE_SHARE_DELETE, for the destination's life, so none of them can
// be renamed, removed or replaced by a link while files are made in it; a
// folder that is a reparse point is refused. Paths carry the long-path
// prefix, so they may pass MAX_PATH and no part is reinterpreted.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <vector>

#include "platform/destination.h"
#include "platform/dostime.h"
#include "platform/win32/win32_error.h"

namespace platform {

namespace {

constexpr size_t kWriteBufferSize = 256 * 1024;
constexpr DWORD kLargestWrite = 1u << 30;
constexpr int kTempNameTries = 100;
const char* const kFolderInTheWay = "A folder of that name is in the way";
const char* const kNameTaken = "A file of that name exists already";

// Windows-1252 text in the system's UTF-16.
std::wstring Wide(const std::string& Text) {
  if (Text.empty()) return {};
  int n = MultiByteToWideChar(1252, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(1252, 0, Text.data(), static_cast<int>(Text.size()), wide.data(), n);
  return wide;
}

// A part as Windows itself would store it: without trailing dots and blanks
// (the long-path prefix would keep them, leaving names other programs
// cannot open).
std::wstring WidePart(const std::string& Part) {
  std::wstring wide = Wide(Part);
  while (!wide.empty() && (wide.back() == L'.' || wide.back() == L' ')) wide.pop_back();
  return wide;
}

bool IsMissing(DWORD Error) { return Error == ERROR_FILE_NOT_FOUND || Error == ERROR_PATH_NOT_FOUND; }

// Path made absolute, with the long-path prefix ("\\?\C:\x", "\\?\UNC\s\x")
// and without a trailing backslash (but for a drive's root). Empty when the
// system cannot make it absolute.
std::wstring LongPath(const std::wstring& Path) {
  DWORD n = GetFullPathNameW(Path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return {};
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(Path.c_str(), n, full.data(), nullptr);
  full.resize(n);
  if (full.rfind(L"\\\\?\\", 0) != 0 && full.rfind(L"\\\\.\\", 0) != 0)
    full = full.rfind(L"\\\\", 0) == 0 ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
  while (full.size() > 7 && full.back() == L'\\') full.pop_back();  // 7: "\\?\C:\"
  return full;
}

std::wstring Join(const std::wstring& Folder, const std::wstring& Name) {
  return Folder.back() == L'\\' ? Folder + Name : Folder + L'\\' + Name;
}

// Makes every missing folder of a long path, parents first; failures show
// when the last one is opened.
void MakeFolderPath(const std::wstring& Path) {
  size_t at = Path.compare(4, 4, L"UNC\\") == 0 ? Path.find(L'\\', Path.find(L'\\', 8) + 1)  // past the share
                                                : Path.find(L'\\', 4);                       // past the drive
  for (at = at == std::wstring::npos ? at : Path.find(L'\\', at + 1); at != std::wstring::npos;
       at = Path.find(L'\\', at + 1))
    CreateDirectoryW(Path.substr(0, at).c_str(), nullptr);
  CreateDirectoryW(Path.c_str(), nullptr);
}

// A folder handle that keeps the folder from being renamed or removed.
HANDLE OpenFolderHandle(const std::wstring& Path, bool FollowLinks) {
  return CreateFileW(Path.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE,  // no FILE_SHARE_DELETE: no rename while held
                     nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | (FollowLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
}

// A held folder, shared by the destination's cache and the files made in it.
struct TFolder {
  TFolder(std::wstring APath, HANDLE AHandle) : Path(std::move(APath)), Handle(AHandle) {}
  ~TFolder() { CloseHandle(Handle); }
  TFolder(const TFolder&) = delete;
  TFolder& operator=(const TFolder&) = delete;
  const std::wstring Path;
  const HANDLE Handle;
};
using TFolderRef = std::shared_ptr<const TFolder>;

// The live temporary files of the process. While destinations exist, a
// console control handler (Ctrl+C, Ctrl+Break, the console closed) removes
// them all and returns FALSE, so the next handler, in the end the default
// one, ends the process. Files still open are made with FILE_SHARE_DELETE,
// so their removal takes effect when the process closes them. No new
// temporary file is made after that.
class TInterrupts {
 public:
  // Never destroyed: the handler may run while the process exits.
  static TInterrupts& Instance() {
    static TInterrupts* interrupts = new TInterrupts;
    return *interrupts;
  }

  void Attach() {
    std::lock_guard<std::mutex> lock(FAttachLock);
    if (FUsers++ == 0) SetConsoleCtrlHandler(OnControl, TRUE);
  }
  void Detach() {
    std::lock_guard<std::mutex> lock(FAttachLock);
    if (--FUsers == 0) SetConsoleCtrlHandler(OnControl, FALSE);
  }

  std::mutex Lock;                           // guards the members below; held while a temporary file is made
  std::map<const void*, std::wstring> Live;  // temp file object -> its path
  bool Dying = false;                        // the live files are gone: no new ones
  uint64_t Counter = 0;                      // the last number given to a temporary name

 private:
  TInterrupts() = default;

  static BOOL WINAPI OnControl(DWORD) {
    TInterrupts& interrupts = Instance();
    std::lock_guard<std::mutex> lock(interrupts.Lock);
    for (const auto& [file, path] : interrupts.Live) DeleteFileW(path.c_str());
    interrupts.Live.clear();
    interrupts.Dying = true;
    return FALSE;
  }

  std::mutex FAttachLock;
  int FUsers = 0;
};

bool UtcOfDosDateTime(int32_t DosDateTime, FILETIME& Utc) {
  // DosDateTimeToFileTime takes some impossible dates (31 February); the
  // shared check refuses them as every file system here does.
  DosDateTimeParts parts;
  if (!UnpackDosDateTime(DosDateTime, parts)) return false;
  auto value = static_cast<uint32_t>(DosDateTime);
  FILETIME local;
  return DosDateTimeToFileTime(static_cast<WORD>(value >> 16), static_cast<WORD>(value & 0xFFFF), &local) &&
         LocalFileTimeToFileTime(&local, &Utc);
}

class Win32TempFile : public ITempFile {
 public:
  Win32TempFile(TFolderRef Folder, std::string Name, std::wstring Path, HANDLE Handle)
      : FFolder(std::move(Folder)), FName(std::move(Name)), FPath(std::move(Path)), FHandle(Handle) {}
  ~Win32TempFile() override { Discard(); }

  bool Write(const void* Data, size_t Size, std::string& Reason) override {
    if (FHandle == INVALID_HANDLE_VALUE || !FFailure.empty()) {
      Reason = FFailure.empty() ? SystemErrorMessage(ERROR_INVALID_HANDLE) : FFailure;
      return false;
    }
    if (Size == 0) return true;
    FTimeApplied = false;
    const char* bytes = static_cast<const char*>(Data);
    if (FUsed + Size > kWriteBufferSize) {
      if (!Flush(Reason)) return false;
      if (Size >= kWriteBufferSize) return WriteAll(bytes, Size, Reason);
    }
    if (FBuffer.empty()) FBuffer.resize(kWriteBufferSize);
    std::memcpy(FBuffer.data() + FUsed, bytes, Size);
    FUsed += Size;
    return true;
  }

  bool SetDosDateTime(int32_t DosDateTime) override {
    FILETIME utc;
    if (!UtcOfDosDateTime(DosDateTime, utc)) return false;
    if (FHandle != INVALID_HANDLE_VALUE) {
      std::string reason;
      if (!Flush(reason) || !SetFileTime(FHandle, nullptr, nullptr, &utc)) return false;
    } else {
      if (!FFolder) return false;
      HANDLE handle = CreateFileW(FPath.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      if (handle == INVALID_HANDLE_VALUE) return false;
      bool ok = SetFileTime(handle, nullptr, nullptr, &utc);
      CloseHandle(handle);
      if (!ok) return false;
    }
    FTime = utc;
    FHasTime = FTimeApplied = true;
    return true;
  }

  bool Close(std::string& Reason) override {
    if (FHandle == INVALID_HANDLE_VALUE) {
      if (!FFailure.empty()) Reason = FFailure;
      return FFailure.empty();
    }
    bool ok = Flush(Reason);
    if (ok && FHasTime && !FTimeApplied) SetFileTime(FHandle, nullptr, nullptr, &FTime);  // written after it was set
    HANDLE handle = FHandle;
    FHandle = INVALID_HANDLE_VALUE;
    std::vector<char>().swap(FBuffer);
    if (!CloseHandle(handle) && ok) {
      FFailure = Reason = SystemErrorMessage(GetLastError());
      ok = false;
    }
    return ok;
  }

  bool Commit(const std::string& Name, bool Replace, std::string& Reason) override {
    if (!FFolder) {
      Reason = SystemErrorMessage(ERROR_FILE_NOT_FOUND);
      return false;
    }
    if (!Close(Reason)) return Fail();
    std::wstring target = Join(FFolder->Path, WidePart(Name));
    // The name's own attributes: a link is looked at, not followed.
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      bool folder = attributes & FILE_ATTRIBUTE_DIRECTORY, link = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
      if (folder && !link) return Fail(Reason, kFolderInTheWay);
      if (!Replace) return Fail(Reason, kNameTaken);
      // A link to a folder is itself removed like an empty folder; its
      // target stays as it is.
      if (folder && !RemoveDirectoryW(target.c_str())) return Fail(Reason, SystemErrorMessage(GetLastError()));
    }
    if (!MoveFileExW(FPath.c_str(), target.c_str(), Replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
      DWORD error = GetLastError();
      DWORD now = GetFileAttributesW(target.c_str());
      bool folder = now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_DIRECTORY);
      return Fail(Reason, folder                                                        ? kFolderInTheWay
                          : error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? kNameTaken
                                                                                        : SystemErrorMessage(error));
    }
    Forget();
    FFolder.reset();
    return true;
  }

  std::string TempName() const override { return FName; }

 private:
  bool WriteAll(const char* Bytes, size_t Size, std::string& Reason) {
    while (Size > 0) {
      DWORD chunk = Size < kLargestWrite ? static_cast<DWORD>(Size) : kLargestWrite, done = 0;
      if (!WriteFile(FHandle, Bytes, chunk, &done, nullptr) || done == 0) {
        DWORD error = GetLastError();
        FFailure = Reason = SystemErrorMessage(error ? error : ERROR_DISK_FULL);
        return false;
      }
      Bytes += done;
      Size -= done;
    }
    return true;
  }

  bool Flush(std::string& Reason) {
    if (!FFailure.empty()) {
      Reason = FFailure;
      return false;
    }
    size_t used = FUsed;
    FUsed = 0;
    return WriteAll(FBuffer.data(), used, Reason);
  }

  // Removes the temporary file; false, for Commit to return.
  bool Fail() {
    Discard();
    return false;
  }
  bool Fail(std::string& Reason, const std::string& Why) {
    Reason = Why;
    return Fail();
  }

  void Discard() {
    if (!FFolder) return;
    if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
    FHandle = INVALID_HANDLE_VALUE;
    DeleteFileW(FPath.c_str());
    Forget();
    FFolder.reset();
  }

  void Forget() {
    TInterrupts& interrupts = TInterrupts::Instance();
    std::lock_guard<std::mutex> lock(interrupts.Lock);
    interrupts.Live.erase(this);
  }

  TFolderRef FFolder;  // null once committed or removed
  std::string FName;
  std::wstring FPath;
  HANDLE FHandle;
  std::vector<char> FBuffer;  // allocated at the first write, freed at Close
  size_t FUsed = 0;
  std::string FFailure;  // the first failed write's reason
  FILETIME FTime{};
  bool FHasTime = false, FTimeApplied = false;
};

class Win32Destination : public IDestination {
 public:
  Win32Destination(std::string Root, TFolderRef RootFolder) : FRoot(std::move(Root)) {
    FFolders.emplace(TNameParts{}, std::move(RootFolder));
    TInterrupts::Instance().Attach();
  }
  ~Win32Destination() override { TInterrupts::Instance().Detach(); }

  TEntryInfo Look(const TNameParts& Parts) override {
    TEntryInfo info;
    if (Parts.empty()) return info;
    std::string reason;
    TFolderRef folder = OpenFolder(TNameParts(Parts.begin(), Parts.end() - 1), false, reason);
    if (!folder) return info;
    std::wstring path = Join(folder->Path, WidePart(Parts.back()));
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return info;
    info.Kind = data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT ? ekLink
                : data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY   ? ekFolder
                                                                     : ekFile;
    if (info.Kind == ekLink) return info;
    FILETIME local;
    WORD date = 0, time = 0;
    if (info.Kind == ekFile && FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) &&
        FileTimeToDosDateTime(&local, &date, &time))
      info.DosDateTime = static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | time);
    HANDLE handle =
        CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    BY_HANDLE_FILE_INFORMATION file;
    if (handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &file))
      info.Id = {file.dwVolumeSerialNumber, (static_cast<uint64_t>(file.nFileIndexHigh) << 32) | file.nFileIndexLow};
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    return info;
  }

  bool MakeFolders(const TNameParts& Folders, std::string& Reason) override {
    return OpenFolder(Folders, true, Reason) != nullptr;
  }

  std::unique_ptr<ITempFile> NewTempFile(const TNameParts& Folders, std::string& Reason) override {
    TFolderRef folder = OpenFolder(Folders, true, Reason);
    if (!folder) return nullptr;
    TInterrupts& interrupts = TInterrupts::Instance();
    std::lock_guard<std::mutex> lock(interrupts.Lock);
    if (interrupts.Dying) {
      Reason = SystemErrorMessage(ERROR_OPERATION_ABORTED);
      return nullptr;
    }
    DWORD error = ERROR_FILE_EXISTS;
    for (int i = 0; i < kTempNameTries; ++i) {
      // A token drawn once makes the name one that cannot be guessed, so
      // that names planted in advance cannot block the run.
      static const std::string token = [] {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(std::random_device()() ^ GetTickCount()));
        return std::string(hex);
      }();
      std::string name = ".velto-" + std::to_string(GetCurrentProcessId()) + "-" + token + "-" +
                         std::to_string(++interrupts.Counter) + ".tmp";
      std::wstring path = Join(folder->Path, Wide(name));
      HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      if (handle == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
        break;
      }
      auto file = std::make_unique<Win32TempFile>(folder, name, path, handle);
      interrupts.Live.emplace(file.get(), path);
      return file;
    }
    Reason = SystemErrorMessage(error);
    return nullptr;
  }

  std::string Root() const override { return FRoot; }

 private:
  // The folder Folders, opened one level at a time from the deepest one
  // already held, never through a reparse point; missing ones are made when
  // Make. Null with Reason when one is a link, no folder, missing (without
  // Make) or cannot be made or opened.
  TFolderRef OpenFolder(const TNameParts& Folders, bool Make, std::string& Reason) {
    std::lock_guard<std::mutex> lock(FLock);
    TNameParts key = Folders;
    TFolderRef folder;
    for (;;) {  // the root is there under no parts
      auto it = FFolders.find(key);
      if (it != FFolders.end()) {
        folder = it->second;
        break;
      }
      key.pop_back();
    }
    for (size_t i = key.size(); i < Folders.size(); ++i) {
      std::wstring path = Join(folder->Path, WidePart(Folders[i]));
      HANDLE handle = OpenFolderHandle(path, false);
      if (handle == INVALID_HANDLE_VALUE && Make && IsMissing(GetLastError()) &&
          (CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS))
        handle = OpenFolderHandle(path, false);
      std::string shown = "\"" + PathOf(Folders, i + 1) + "\"";
      if (handle == INVALID_HANDLE_VALUE) {
        Reason = "Cannot make folder " + shown + ". " + SystemErrorMessage(GetLastError());
        return nullptr;
      }
      BY_HANDLE_FILE_INFORMATION info;
      bool known = GetFileInformationByHandle(handle, &info);
      if (!known || (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) !=
                        FILE_ATTRIBUTE_DIRECTORY) {
        Reason = !known                                                 ? "Cannot open folder " + shown + "."
                 : info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT ? shown + " is a link, not a folder"
                                                                        : shown + " is not a folder";
        CloseHandle(handle);
        return nullptr;
      }
      folder = std::make_shared<TFolder>(path, handle);
      key.push_back(Folders[i]);
      FFolders.emplace(key, folder);
    }
    return folder;
  }

  std::string PathOf(const TNameParts& Parts, size_t Count) const {
    std::string path = FRoot;
    for (size_t i = 0; i < Count; ++i) path += (path.empty() || path.back() == '\\' ? "" : "\\") + Parts[i];
    return path;
  }

  const std::string FRoot;
  std::mutex FLock;
  std::map<TNameParts, TFolderRef> FFolders;  // every folder held, by its parts; the root under none
};

}  // namespace

std::unique_ptr<IDestination> OpenDestination(const std::string& Root, std::string& Reason) {
  std::wstring path = Root.empty() ? std::wstring() : LongPath(Wide(Root));
  if (path.empty()) {
    Reason = SystemErrorMessage(Root.empty() ? ERROR_PATH_NOT_FOUND : GetLastError());
    return nullptr;
  }
  HANDLE handle = OpenFolderHandle(path, true);  // links in the root are the user's choice
  if (handle == INVALID_HANDLE_VALUE && IsMissing(GetLastError())) {
    MakeFolderPath(path);
    handle = OpenFolderHandle(path, true);
  }
  if (handle == INVALID_HANDLE_VALUE) {
    Reason = SystemErrorMessage(GetLastError());
    return nullptr;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(handle);
    Reason = SystemErrorMessage(ERROR_DIRECTORY);
    return nullptr;
  }
  return std::make_unique<Win32Destination>(Root, std::make_shared<TFolder>(path, handle));
}

bool FileIdOf(const std::string& Path, TFileId& Id) {
  std::wstring path = Path.empty() ? std::wstring() : LongPath(Wide(Path));
  if (path.empty()) return false;
  HANDLE handle =
      CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  bool ok = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (ok) Id = {info.dwVolumeSerialNumber, (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  return ok;
}

}  // namespace platform
