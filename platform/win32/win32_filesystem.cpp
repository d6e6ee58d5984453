#include "platform/win32/win32_filesystem.h"

#include <windows.h>
#include <winnetwk.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/dostime.h"
#include "platform/win32/win32_error.h"
#include "runtime/exceptions.h"
#include "runtime/windows_path.h"

namespace platform {

namespace {

// A file stream over a Win32 file handle; the handle is closed with the
// stream. With a Capacity, writes are held in memory up to that many bytes.
class Win32FileStream : public TFileStream {
 public:
  Win32FileStream(std::string Name, HANDLE Handle, size_t Capacity = 0)
      : TFileStream(std::move(Name)), FHandle(Handle), FCapacity(Capacity) {}
  ~Win32FileStream() override {
    (void)WriteHeld();
    CloseHandle(FHandle);
  }

  int32_t Read(void* Buffer, int32_t Count) override {
    if (Count <= 0 || !WriteHeld()) return 0;
    DWORD done = 0;
    if (!ReadFile(FHandle, Buffer, static_cast<DWORD>(Count), &done, nullptr)) return 0;
    return static_cast<int32_t>(done);
  }
  int32_t Write(const void* Buffer, int32_t Count) override {
    if (Count <= 0) return 0;
    const auto size = static_cast<size_t>(Count);
    if (FHeld.size() + size > FCapacity && !WriteHeld()) return 0;
    if (size >= FCapacity) return WriteThrough(Buffer, Count);
    if (FHeld.empty()) FHeld.reserve(FCapacity);
    const auto* bytes = static_cast<const uint8_t*>(Buffer);
    FHeld.insert(FHeld.end(), bytes, bytes + size);
    return Count;
  }
  void FlushBuffer() override {
    if (!WriteHeld()) throw EWriteError("Stream write error");
  }
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
    if (!WriteHeld()) return -1;
    DWORD method = Origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                   : Origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                      : FILE_END;
    LARGE_INTEGER distance, result;
    distance.QuadPart = Offset;
    if (!SetFilePointerEx(FHandle, distance, &result, method)) return -1;
    return result.QuadPart;
  }
  int64_t Size() override {
    if (!WriteHeld()) return -1;
    LARGE_INTEGER size;
    return GetFileSizeEx(FHandle, &size) ? size.QuadPart : -1;
  }
  bool SetDosDateTime(int32_t DosDateTime) override {
    // DosDateTimeToFileTime takes some impossible dates (31 February); the
    // shared check refuses them as every file system here does.
    DosDateTimeParts parts;
    if (!WriteHeld() || !UnpackDosDateTime(DosDateTime, parts)) return false;
    auto value = static_cast<uint32_t>(DosDateTime);
    FILETIME local, utc;
    if (!DosDateTimeToFileTime(static_cast<WORD>(value >> 16), static_cast<WORD>(value & 0xFFFF), &local)) return false;
    if (!LocalFileTimeToFileTime(&local, &utc)) return false;
    return SetFileTime(FHandle, nullptr, nullptr, &utc) != 0;
  }

 private:
  int32_t WriteThrough(const void* Buffer, int32_t Count) {
    DWORD done = 0;
    if (!WriteFile(FHandle, Buffer, static_cast<DWORD>(Count), &done, nullptr)) return 0;
    return static_cast<int32_t>(done);
  }
  // Writes what is held; false when the file took fewer bytes (they are
  // dropped either way).
  bool WriteHeld() {
    if (FHeld.empty()) return true;
    const bool whole = WriteThrough(FHeld.data(), static_cast<int32_t>(FHeld.size())) == int32_t(FHeld.size());
    FHeld.clear();
    return whole;
  }

  HANDLE FHandle;
  size_t FCapacity;
  std::vector<uint8_t> FHeld;
};

DWORD ShareModeOf(uint16_t Mode) {
  switch (Mode & 0xF0) {
    case fmShareDenyWrite:
      return FILE_SHARE_READ;
    case fmShareDenyNone:
      return FILE_SHARE_READ | FILE_SHARE_WRITE;
    case 0x30:
      return FILE_SHARE_WRITE;  // deny read
    default:
      return 0;  // exclusive, compatibility mode
  }
}

DWORD AccessOf(uint16_t Mode) {
  switch (Mode & 3) {
    case fmOpenWrite:
      return GENERIC_WRITE;
    case fmOpenReadWrite:
      return GENERIC_READ | GENERIC_WRITE;
    default:
      return GENERIC_READ;
  }
}

bool HasWildcard(const std::string& Path) { return Path.find_first_of("*?") != std::string::npos; }

}  // namespace

bool Win32FileSystem::FileExists(const std::string& Path) {
  DWORD attr = GetFileAttributesA(Path.c_str());
  return !Path.empty() && attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::DirectoryExists(const std::string& Path) {
  DWORD attr = GetFileAttributesA(Path.c_str());
  return !Path.empty() && attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::CreateDir(const std::string& Path) {
  return !Path.empty() && CreateDirectoryA(Path.c_str(), nullptr) != 0;
}

bool Win32FileSystem::ForceDirectories(const std::string& Path) {
  std::string dir = WithoutTrailingBackslash(Path);
  if (dir.empty()) return false;
  if (DirectoryExists(dir)) return true;
  const std::string parent = FolderPart(dir);
  if (!parent.empty() && parent != dir) ForceDirectories(parent);  // a failure shows in the final check
  CreateDirectoryA(dir.c_str(), nullptr);
  return DirectoryExists(dir);
}

bool Win32FileSystem::EraseFile(const std::string& Path) { return !Path.empty() && DeleteFileA(Path.c_str()) != 0; }

bool Win32FileSystem::RemoveDir(const std::string& Path) {
  return !Path.empty() && RemoveDirectoryA(Path.c_str()) != 0;
}

int32_t Win32FileSystem::FileAge(const std::string& Path) {
  if (Path.empty() || HasWildcard(Path)) return -1;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(Path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return -1;
  FindClose(find);
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time))
    return -1;
  return static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | time);
}

std::unique_ptr<TFileStream> Win32FileSystem::OpenFile(const std::string& Path, uint16_t Mode) {
  HANDLE handle;
  if (Mode == fmCreate)
    handle = CreateFileA(Path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  else
    handle = CreateFileA(Path.c_str(), AccessOf(Mode), ShareModeOf(Mode), nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    std::string reason = SystemErrorMessage(GetLastError());
    if (Mode == fmCreate) throw EFCreateError("Cannot create file \"" + Path + "\". " + reason);
    throw EFOpenError("Cannot open file \"" + Path + "\". " + reason);
  }
  return std::make_unique<Win32FileStream>(Path, handle, Mode == fmCreate ? CreateBufferSize : 0);
}

std::string Win32FileSystem::GetCurrentDir() {
  char buf[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
  if (n == 0) return "";
  if (n < sizeof buf) return std::string(buf, n);
  std::string big(n, '\0');  // a longer path: n is the size needed
  n = GetCurrentDirectoryA(static_cast<DWORD>(big.size()), big.data());
  big.resize(n < big.size() ? n : 0);
  return big;
}

bool Win32FileSystem::HasArchiveAttribute(const std::string& Path) {
  DWORD attr = GetFileAttributesA(Path.c_str());
  return !Path.empty() && attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY) &&
         (attr & FILE_ATTRIBUTE_ARCHIVE);
}

bool Win32FileSystem::ClearArchiveAttribute(const std::string& Path) {
  DWORD attr = GetFileAttributesA(Path.c_str());
  if (Path.empty() || attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY)) return false;
  attr &= ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE);
  // No attribute left is said with FILE_ATTRIBUTE_NORMAL alone.
  if (SetFileAttributesA(Path.c_str(), attr ? attr : FILE_ATTRIBUTE_NORMAL) == 0) return false;
  DWORD after = GetFileAttributesA(Path.c_str());
  return after != INVALID_FILE_ATTRIBUTES && !(after & FILE_ATTRIBUTE_ARCHIVE);
}

std::vector<IFileSystem::DriveInfo> Win32FileSystem::Drives() {
  std::vector<DriveInfo> drives;
  DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(mask & (1u << i))) continue;
    char letter = static_cast<char>('a' + i);
    char root[4] = {static_cast<char>('A' + i), ':', '\\', 0};
    DriveInfo info{letter, static_cast<int>(GetDriveTypeA(root)), ""};
    if (info.Type == DRIVE_REMOTE) {
      char local[3] = {root[0], ':', 0};
      char remote[MAX_PATH];
      DWORD size = sizeof remote;
      if (WNetGetConnectionA(local, remote, &size) == NO_ERROR) info.Label = remote;
    } else if (info.Type != DRIVE_REMOVABLE) {
      // Floppy drives are not asked: an empty one would make the system wait.
      char label[MAX_PATH + 1];
      DWORD serial = 0, maxLen = 0, flags = 0;
      UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);  // no "insert a disk" box for an empty CD drive
      if (GetVolumeInformationA(root, label, sizeof label, &serial, &maxLen, &flags, nullptr, 0)) info.Label = label;
      SetErrorMode(oldMode);
    }
    drives.push_back(info);
  }
  return drives;
}

std::vector<std::string> Win32FileSystem::SubFolders(const std::string& Path) {
  std::vector<std::string> names;
  if (Path.empty() || HasWildcard(Path)) return names;
  const std::string pattern = WithTrailingBackslash(Path) + "*.*";
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0) continue;
    names.emplace_back(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
  return names;
}

}  // namespace platform
