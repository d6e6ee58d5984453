// The Linux destination: folders held open as file descriptors, every step
// below the root taken with openat(O_NOFOLLOW), files made and renamed
// relative to the folder's descriptor.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "platform/destination.h"
#include "platform/host/host_filesystem.h"

namespace platform {

namespace {

// Small enough to come from the heap the C library keeps (not a mapping
// of its own, made and faulted in anew for every file); a write as long as
// the buffer goes to the system directly.
constexpr size_t kWriteBufferSize = 64 * 1024;
constexpr int kTempNameTries = 100;
const char* const kFolderInTheWay = "A folder of that name is in the way";
const char* const kNameTaken = "A file of that name exists already";

std::string ErrorText(int Code) { return std::strerror(Code); }

// A folder's descriptor, shared by the destination's cache and the files
// made in it, closed when the last of them lets it go.
struct TFolder {
  explicit TFolder(int AFd) : Fd(AFd) {}
  ~TFolder() { ::close(Fd); }
  TFolder(const TFolder&) = delete;
  TFolder& operator=(const TFolder&) = delete;
  const int Fd;
};
using TFolderRef = std::shared_ptr<const TFolder>;

// The live temporary files of the process and the removal of them on SIGINT
// and SIGTERM. While destinations exist, a handler for each of the two
// signals whose action was the default one writes the signal's number to a
// pipe; a watcher thread reads it, removes every live temporary file under
// the lock (which is also held while one is made, so none escapes), puts the
// default action back and raises the signal again, so the process ends by
// it. Doing the work on a thread of its own keeps the handler to one write
// and works whichever thread the signal lands on. A signal the program
// ignores or handles itself is left alone. A child forked while a
// destination is open ends by these signals as by default (the temporary
// files of its own destinations are then not removed).
class TInterrupts {
 public:
  // Never destroyed: the watcher may still run while the process exits.
  static TInterrupts& Instance() {
    static TInterrupts* interrupts = new TInterrupts;
    return *interrupts;
  }

  // A destination opened: the first starts watching.
  void Attach() {
    std::lock_guard<std::mutex> lock(FAttachLock);
    if (FUsers++ > 0) return;
    if (FPipe[0] >= 0 && FPipePid.load() != ::getpid()) {  // the pipe of the parent this process was forked from
      ::close(FPipe[0]);
      ::close(FPipe[1]);
      FPipe[0] = FPipe[1] = -1;
    }
    if (FPipe[0] < 0 && ::pipe2(FPipe, O_CLOEXEC) != 0) return;  // no watcher: interrupts end the process as always
    FPipePid.store(::getpid());
    FWatcher = std::thread([this] { Watch(); });
    FWakeFd.store(FPipe[1]);
    for (int i = 0; i < 2; ++i) {
      struct sigaction now {};
      ::sigaction(kSignals[i], nullptr, &now);
      FHandled[i] = !(now.sa_flags & SA_SIGINFO) && now.sa_handler == SIG_DFL;
      if (!FHandled[i]) continue;
      struct sigaction act {};
      act.sa_handler = OnSignal;
      sigemptyset(&act.sa_mask);
      act.sa_flags = SA_RESTART;
      ::sigaction(kSignals[i], &act, nullptr);
    }
  }

  // A destination closed: the last stops watching.
  void Detach() {
    std::lock_guard<std::mutex> lock(FAttachLock);
    if (--FUsers > 0 || !FWatcher.joinable()) return;
    for (int i = 0; i < 2; ++i)
      if (FHandled[i]) Restore(kSignals[i]);
    unsigned char stop = 0;
    while (::write(FPipe[1], &stop, 1) < 0 && errno == EINTR) {
    }
    FWatcher.join();
    // A signal caught just before its default action came back may sit
    // behind the stop: the process still ends by it.
    struct pollfd waiting {
      FPipe[0], POLLIN, 0
    };
    unsigned char signal = 0;
    while (::poll(&waiting, 1, 0) == 1 && ::read(FPipe[0], &signal, 1) == 1)
      if (signal != 0) EndBySignal(signal);
  }

  std::mutex Lock;  // guards the members below; held while a temporary file is made
  std::map<const void*, std::pair<int, std::string>> Live;  // temp file object -> folder descriptor, name
  bool Dying = false;                                       // the live files are gone: no new ones
  uint64_t Counter = 0;                                     // the last number given to a temporary name

 private:
  static constexpr int kSignals[2] = {SIGINT, SIGTERM};

  TInterrupts() = default;

  static void OnSignal(int Signal) {
    int saved = errno;
    TInterrupts& interrupts = Instance();
    if (interrupts.FPipePid.load() != ::getpid()) {  // a child forked meanwhile: no watcher of its own
      Restore(Signal);
      ::raise(Signal);
    }
    unsigned char byte = static_cast<unsigned char>(Signal);
    int fd = interrupts.FWakeFd.load();
    if (fd >= 0) (void)!::write(fd, &byte, 1);
    errno = saved;
  }

  static void Restore(int Signal) {
    struct sigaction act {};
    act.sa_handler = SIG_DFL;
    sigemptyset(&act.sa_mask);
    ::sigaction(Signal, &act, nullptr);
  }

  void Watch() {
    for (;;) {
      unsigned char signal = 0;
      ssize_t n = ::read(FPipe[0], &signal, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0 || signal == 0) return;
      EndBySignal(signal);
    }
  }

  [[noreturn]] void EndBySignal(int Signal) {
    {
      std::lock_guard<std::mutex> lock(Lock);
      for (const auto& [file, where] : Live) ::unlinkat(where.first, where.second.c_str(), 0);
      Live.clear();
      Dying = true;
    }
    Restore(Signal);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, Signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(Signal);
    ::_exit(128 + Signal);  // not reached: the default action ends the process
  }

  std::mutex FAttachLock;
  int FUsers = 0;
  int FPipe[2] = {-1, -1};  // kept for the process's life: a late handler may still write to it
  std::atomic<int> FWakeFd{-1};
  std::atomic<pid_t> FPipePid{0};  // the process the pipe and its watcher belong to
  std::thread FWatcher;
  bool FHandled[2] = {false, false};
};

// The extraction holds a descriptor per open folder; let it have all the
// system allows.
void RaiseOpenFileLimit() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    if (limit.rlim_max == RLIM_INFINITY) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
  });
}

// Renames From to To in Dir unless To exists. Where the file system has no
// RENAME_NOREPLACE, a hard link (which fails on an existing name as well)
// and the removal of the old name do the same.
int RenameNoReplace(int Dir, const char* From, const char* To) {
  if (::renameat2(Dir, From, Dir, To, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  if (::linkat(Dir, From, Dir, To, 0) != 0) return -1;
  ::unlinkat(Dir, From, 0);
  return 0;
}

class HostTempFile : public ITempFile {
 public:
  HostTempFile(TFolderRef Folder, std::string Name, int Fd)
      : FFolder(std::move(Folder)), FName(std::move(Name)), FFd(Fd) {}
  ~HostTempFile() override { Discard(); }

  bool Write(const void* Data, size_t Size, std::string& Reason) override {
    if (FFd < 0 || !FFailure.empty()) {
      Reason = FFailure.empty() ? ErrorText(EBADF) : FFailure;
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
    struct timespec times[2];
    if (!FileTimesFromDosTime(DosDateTime, times)) return false;
    if (FFd >= 0) {
      std::string reason;
      if (!Flush(reason) || ::futimens(FFd, times) != 0) return false;
    } else if (!FFolder || ::utimensat(FFolder->Fd, FName.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
      return false;
    }
    FTime = times[1].tv_sec;
    FHasTime = FTimeApplied = true;
    return true;
  }

  bool Close(std::string& Reason) override {
    if (FFd < 0) {
      if (!FFailure.empty()) Reason = FFailure;
      return FFailure.empty();
    }
    bool ok = Flush(Reason);
    if (ok && FHasTime && !FTimeApplied) {  // written after the time was set
      struct timespec times[2] = {{FTime, 0}, {FTime, 0}};
      ::futimens(FFd, times);
    }
    int fd = FFd;
    FFd = -1;
    std::vector<char>().swap(FBuffer);
    if (::close(fd) != 0 && ok) {
      FFailure = Reason = ErrorText(errno);
      ok = false;
    }
    return ok;
  }

  bool Commit(const std::string& Name, bool Replace, std::string& Reason) override {
    if (!FFolder) {
      Reason = ErrorText(ENOENT);
      return false;
    }
    if (!Close(Reason)) return Fail();
    const int dir = FFolder->Fd;
    // The rename itself refuses a folder at Name (EISDIR) and, without
    // Replace, any name taken (EEXIST): no look beforehand.
    int rc =
        Replace ? ::renameat(dir, FName.c_str(), dir, Name.c_str()) : RenameNoReplace(dir, FName.c_str(), Name.c_str());
    if (rc != 0) {
      int error = errno;
      // A name taken by a folder is named as such.
      struct stat st {};
      if (error == EEXIST && ::fstatat(dir, Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
        error = EISDIR;
      return Fail(Reason, error == EEXIST ? kNameTaken : error == EISDIR ? kFolderInTheWay : ErrorText(error));
    }
    Forget();
    FFolder.reset();
    return true;
  }

  std::string TempName() const override { return FName; }

 private:
  bool WriteAll(const char* Bytes, size_t Size, std::string& Reason) {
    while (Size > 0) {
      ssize_t n = ::write(FFd, Bytes, Size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        FFailure = Reason = ErrorText(n < 0 ? errno : ENOSPC);
        return false;
      }
      Bytes += n;
      Size -= static_cast<size_t>(n);
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
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
    ::unlinkat(FFolder->Fd, FName.c_str(), 0);
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
  int FFd;
  std::vector<char> FBuffer;  // allocated at the first write, freed at Close
  size_t FUsed = 0;
  std::string FFailure;  // the first failed write's reason
  std::time_t FTime = 0;
  bool FHasTime = false, FTimeApplied = false;
};

class HostDestination : public IDestination {
 public:
  HostDestination(std::string Root, int RootFd) : FRoot(std::move(Root)) {
    FFolders.emplace(TNameParts{}, std::make_shared<TFolder>(RootFd));
    TInterrupts::Instance().Attach();
  }
  ~HostDestination() override { TInterrupts::Instance().Detach(); }

  TEntryInfo Look(const TNameParts& Parts) override {
    TEntryInfo info;
    if (Parts.empty()) return info;
    std::string reason;
    TFolderRef folder = OpenFolder(TNameParts(Parts.begin(), Parts.end() - 1), false, reason);
    struct stat st {};
    if (!folder || ::fstatat(folder->Fd, Parts.back().c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return info;
    info.Kind = S_ISREG(st.st_mode) ? ekFile : S_ISDIR(st.st_mode) ? ekFolder : S_ISLNK(st.st_mode) ? ekLink : ekOther;
    if (info.Kind == ekFile) info.DosDateTime = DosFromUnixTime(st.st_mtime);
    if (info.Kind == ekFile || info.Kind == ekFolder)
      info.Id = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
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
      Reason = ErrorText(EINTR);
      return nullptr;
    }
    for (int i = 0; i < kTempNameTries; ++i) {
      // The process id, a token drawn once and a counter: a name that cannot
      // be guessed, so that names planted in advance cannot block the run
      // (O_EXCL already makes sure that nothing planted is written through).
      static const std::string token = [] {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(std::random_device()()));
        return std::string(hex);
      }();
      std::string name =
          ".velto-" + std::to_string(::getpid()) + "-" + token + "-" + std::to_string(++interrupts.Counter) + ".tmp";
      int fd = ::openat(folder->Fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd < 0 && errno == EEXIST) continue;
      if (fd < 0) break;
      auto file = std::make_unique<HostTempFile>(folder, name, fd);
      interrupts.Live.emplace(file.get(), std::make_pair(folder->Fd, name));
      return file;
    }
    Reason = ErrorText(errno);
    return nullptr;
  }

  std::string Root() const override { return FRoot; }

 private:
  // The folder Folders, opened one level at a time from the deepest one
  // already open, never through a link; missing ones are made when Make.
  // Null with Reason when one is a link, no folder, missing (without Make)
  // or cannot be made or opened.
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
      const char* part = Folders[i].c_str();
      const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
      int fd = ::openat(folder->Fd, part, flags);
      if (fd < 0 && errno == ENOENT && Make && (::mkdirat(folder->Fd, part, 0777) == 0 || errno == EEXIST))
        fd = ::openat(folder->Fd, part, flags);
      if (fd < 0) {
        int error = errno;
        struct stat st {};  // O_DIRECTORY tells a link as no folder: say which it is
        if (error == ENOTDIR && ::fstatat(folder->Fd, part, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
          error = ELOOP;
        std::string path = PathOf(Folders, i + 1);
        Reason = error == ELOOP     ? "\"" + path + "\" is a link, not a folder"
                 : error == ENOTDIR ? "\"" + path + "\" is not a folder"
                                    : "Cannot make folder \"" + path + "\". " + ErrorText(error);
        return nullptr;
      }
      folder = std::make_shared<TFolder>(fd);
      key.push_back(Folders[i]);
      FFolders.emplace(key, folder);
    }
    return folder;
  }

  std::string PathOf(const TNameParts& Parts, size_t Count) const {
    std::string path = FRoot;
    for (size_t i = 0; i < Count; ++i) path += "/" + Parts[i];
    return path;
  }

  const std::string FRoot;
  std::mutex FLock;
  std::map<TNameParts, TFolderRef> FFolders;  // every folder opened, by its parts; the root under none
};

}  // namespace

std::unique_ptr<IDestination> OpenDestination(const std::string& Root, std::string& Reason) {
  RaiseOpenFileLimit();
  if (Root.empty()) {
    Reason = ErrorText(ENOENT);
    return nullptr;
  }
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  int fd = ::open(Root.c_str(), flags);
  if (fd < 0 && errno == ENOENT) {
    // Each parent in turn; a failure shows when the root is opened.
    for (size_t at = Root.find('/', 1); at != std::string::npos; at = Root.find('/', at + 1))
      ::mkdir(Root.substr(0, at).c_str(), 0777);
    ::mkdir(Root.c_str(), 0777);
    fd = ::open(Root.c_str(), flags);
  }
  if (fd < 0) {
    Reason = ErrorText(errno);
    return nullptr;
  }
  return std::make_unique<HostDestination>(Root, fd);
}

bool FileIdOf(const std::string& Path, TFileId& Id) {
  struct stat st {};
  if (::stat(Path.c_str(), &st) != 0) return false;
  Id = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  return true;
}

}  // namespace platform
