#include "platform/host/host_filesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/dostime.h"
#include "runtime/exceptions.h"

namespace platform {

namespace {

bool IsDriveLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string Slashes(std::string s) {
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

// A file stream over a POSIX descriptor.
class HostFileStream : public TFileStream {
 public:
  HostFileStream(std::string Name, int Fd) : TFileStream(std::move(Name)), FFd(Fd) {}
  ~HostFileStream() override { ::close(FFd); }

  int32_t Read(void* Buffer, int32_t Count) override {
    int32_t done = 0;
    while (done < Count) {
      ssize_t n = ::read(FFd, static_cast<char*>(Buffer) + done, static_cast<size_t>(Count - done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<int32_t>(n);
    }
    return done;
  }
  int32_t Write(const void* Buffer, int32_t Count) override {
    int32_t done = 0;
    while (done < Count) {
      ssize_t n = ::write(FFd, static_cast<const char*>(Buffer) + done, static_cast<size_t>(Count - done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<int32_t>(n);
    }
    return done;
  }
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
    int whence = Origin == TSeekOrigin::soBeginning ? SEEK_SET : Origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(FFd, static_cast<off_t>(Offset), whence);
    return r < 0 ? -1 : static_cast<int64_t>(r);
  }
  // -1 for a pipe, FIFO or device: only a regular file has a size.
  int64_t Size() override {
    struct stat st {};
    return ::fstat(FFd, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : -1;
  }
  bool SetDosDateTime(int32_t DosDateTime) override {
    struct timespec times[2];
    return FileTimesFromDosTime(DosDateTime, times) && ::futimens(FFd, times) == 0;
  }

 private:
  int FFd;
};

}  // namespace

HostFileSystem::HostFileSystem(std::string DrivesRoot) : FRoot(std::move(DrivesRoot)) {
  while (FRoot.size() > 1 && FRoot.back() == '/') FRoot.pop_back();
}

std::string HostFileSystem::DefaultDrivesRoot() {
  if (const char* env = std::getenv("VELTO_DRIVES"); env && *env) return env;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.velto/drives";
}

std::string HostFileSystem::NativePath(const std::string& P) const {
  if (P.size() >= 2 && IsDriveLetter(P[0]) && P[1] == ':') {
    char drive = static_cast<char>(P[0] | 0x20);
    std::string rest = Slashes(P.substr(2));
    if (!rest.empty() && rest[0] != '/') rest = "/" + rest;  // "c:x" is taken as "c:\x"
    if (drive == 'z') return rest.empty() ? "/" : rest;
    return FRoot + "/" + drive + rest;
  }
  if (!P.empty() && P[0] == '\\') return FRoot + "/c" + Slashes(P);
  return Slashes(P);
}

std::string HostFileSystem::WindowsPathOf(const std::string& HostPath) {
  std::string s = "Z:" + HostPath;
  for (char& c : s)
    if (c == '/') c = '\\';
  return s;
}

bool HostFileSystem::FileExists(const std::string& Path) {
  struct stat st {};
  return !Path.empty() && ::stat(NativePath(Path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool HostFileSystem::DirectoryExists(const std::string& Path) {
  struct stat st {};
  return !Path.empty() && ::stat(NativePath(Path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HostFileSystem::CreateDir(const std::string& Path) {
  return !Path.empty() && ::mkdir(NativePath(Path).c_str(), 0777) == 0;
}

bool HostFileSystem::ForceDirectories(const std::string& Path) {
  if (Path.empty()) return false;
  std::string native = NativePath(Path);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  for (size_t i = 1; i <= native.size(); ++i) {
    if (i == native.size() || native[i] == '/') {
      std::string part = native.substr(0, i);
      ::mkdir(part.c_str(), 0777);  // existing parents are fine; checked below
    }
  }
  struct stat st {};
  return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HostFileSystem::EraseFile(const std::string& Path) {
  return FileExists(Path) && ::unlink(NativePath(Path).c_str()) == 0;
}

bool HostFileSystem::RemoveDir(const std::string& Path) {
  return !Path.empty() && ::rmdir(NativePath(Path).c_str()) == 0;
}

int32_t HostFileSystem::FileAge(const std::string& Path) {
  struct stat st {};
  if (Path.empty() || ::stat(NativePath(Path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return DosFromUnixTime(st.st_mtime);
}

std::unique_ptr<TFileStream> HostFileSystem::OpenFile(const std::string& Path, uint16_t Mode) {
  std::string native = NativePath(Path);
  int flags;
  if (Mode == fmCreate)
    flags = O_RDWR | O_CREAT | O_TRUNC;
  else
    flags = (Mode & 3) == fmOpenWrite ? O_WRONLY : (Mode & 3) == fmOpenReadWrite ? O_RDWR : O_RDONLY;
  struct stat st {};
  int fd = -1;
  // Opening a folder as a file fails on Windows; keep that here.
  if (!(::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
    fd = Path.empty() ? -1 : ::open(native.c_str(), flags | O_CLOEXEC, 0666);
  else
    errno = EISDIR;
  if (fd < 0) {
    std::string reason = std::strerror(errno);
    if (Mode == fmCreate) throw EFCreateError("Cannot create file \"" + Path + "\". " + reason);
    throw EFOpenError("Cannot open file \"" + Path + "\". " + reason);
  }
  return std::make_unique<HostFileStream>(Path, fd);
}

std::string HostFileSystem::GetCurrentDir() {
  char buf[4096];
  if (!::getcwd(buf, sizeof buf)) return "";
  return WindowsPathOf(buf);
}

namespace {

const char kArchiveXattr[] = "user.velto.archive";

std::string MtimeRecord(const struct stat& St) {
  return std::to_string(static_cast<long long>(St.st_mtim.tv_sec)) + "." + std::to_string(St.st_mtim.tv_nsec);
}

}  // namespace

bool HostFileSystem::HasArchiveAttribute(const std::string& Path) {
  struct stat st {};
  std::string native = NativePath(Path);
  if (Path.empty() || ::stat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  char value[64];
  ssize_t n = ::getxattr(native.c_str(), kArchiveXattr, value, sizeof value);
  return n < 0 || std::string(value, static_cast<size_t>(n)) != MtimeRecord(st);
}

bool HostFileSystem::ClearArchiveAttribute(const std::string& Path) {
  struct stat st {};
  std::string native = NativePath(Path);
  if (Path.empty() || ::stat(native.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  std::string record = MtimeRecord(st);
  return ::setxattr(native.c_str(), kArchiveXattr, record.data(), record.size(), 0) == 0;
}

std::vector<IFileSystem::DriveInfo> HostFileSystem::Drives() {
  std::vector<DriveInfo> drives;
  for (char letter = 'a'; letter < 'z'; ++letter) {
    struct stat st {};
    std::string folder = FRoot + "/" + letter;
    if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) drives.push_back({letter, 3, ""});
  }
  drives.push_back({'z', 3, ""});
  return drives;
}

std::vector<std::string> HostFileSystem::SubFolders(const std::string& Path) {
  std::vector<std::string> names;
  std::string native = NativePath(Path);
  DIR* dir = ::opendir(native.c_str());
  if (!dir) return names;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (::stat((native + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return ::strcasecmp(a.c_str(), b.c_str()) < 0; });
  return names;
}

int32_t DosFromUnixTime(std::time_t T) {
  std::tm tm{};
  if (!localtime_r(&T, &tm)) return -1;
  int year = tm.tm_year + 1900;
  if (year < 1980 || year > 2107) return -1;
  return PackDosDateTime({year, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec});
}

bool UnixFromDosTime(int32_t Value, std::time_t& T) {
  DosDateTimeParts p;
  if (!UnpackDosDateTime(Value, p)) return false;
  std::tm tm{};
  tm.tm_year = p.Year - 1900;
  tm.tm_mon = p.Month - 1;
  tm.tm_mday = p.Day;
  tm.tm_hour = p.Hour;
  tm.tm_min = p.Minute;
  tm.tm_sec = p.Second;
  tm.tm_isdst = -1;
  T = std::mktime(&tm);
  return T != static_cast<std::time_t>(-1);
}

bool FileTimesFromDosTime(int32_t Value, struct timespec (&Times)[2]) {
  std::time_t t;
  if (!UnixFromDosTime(Value, t)) return false;
  Times[0].tv_sec = t;
  Times[0].tv_nsec = 0;
  Times[1] = Times[0];
  return true;
}

}  // namespace platform
