#include "tools/file_writer_pool.h"

#include <algorithm>
#include <functional>

#include "runtime/exceptions.h"

namespace arc {

namespace {

// The folder part of a component path, ASCII case folded: the worker key.
std::string FolderKey(const std::string& Path) {
  std::string folder = Path.substr(0, Path.rfind('\\') + 1);
  for (char& c : folder)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return folder;
}

}  // namespace

std::string ReasonOfOpenFailure(const std::string& Message) {
  size_t at = Message.rfind("\". ");
  return at == std::string::npos ? Message : Message.substr(at + 3);
}

TFileWriterPool::TFileWriterPool(platform::IFileSystem& Files, IConsole& Console, int Workers, size_t MaxQueuedBytes)
    : FFiles(Files), FConsole(Console), FMaxQueuedBytes(MaxQueuedBytes) {
  for (int i = 0; i < std::max(1, Workers); ++i) {
    TWorker& worker = FWorkers.emplace_back();
    worker.Thread = std::thread([this, &worker] { Work(worker); });
  }
}

TFileWriterPool::~TFileWriterPool() {
  Drain();
  {
    std::lock_guard<std::mutex> lock(FLock);
    FStopping = true;
  }
  FChanged.notify_all();
  for (TWorker& worker : FWorkers) worker.Thread.join();
}

void TFileWriterPool::Write(const std::string& Path, std::vector<uint8_t> Data, std::optional<int32_t> DosDateTime) {
  TJob job;
  job.Path = Path;
  job.Data = std::move(Data);
  job.DosDateTime = DosDateTime;
  Give(std::move(job));
}

void TFileWriterPool::Place(const std::string& Temp, const std::string& Target, bool Keep) {
  TJob job;
  job.IsPlace = true;
  job.Path = Temp;
  job.Target = Target;
  job.Keep = Keep;
  Give(std::move(job));
}

void TFileWriterPool::Give(TJob Job) {
  TWorker& worker = FWorkers[std::hash<std::string>()(FolderKey(Job.Path)) % FWorkers.size()];
  std::unique_lock<std::mutex> lock(FLock);
  // A file larger than the whole allowance still goes, alone.
  FChanged.wait(lock, [&] { return FQueuedBytes == 0 || FQueuedBytes + Job.Data.size() <= FMaxQueuedBytes; });
  FQueuedBytes += Job.Data.size();
  ++FJobsLeft;
  worker.Queue.push_back(std::move(Job));
  lock.unlock();
  FChanged.notify_all();
}

void TFileWriterPool::Drain() {
  std::unique_lock<std::mutex> lock(FLock);
  FChanged.wait(lock, [&] { return FJobsLeft == 0; });
}

void TFileWriterPool::Work(TWorker& Worker) {
  for (;;) {
    TJob job;
    {
      std::unique_lock<std::mutex> lock(FLock);
      FChanged.wait(lock, [&] { return FStopping || !Worker.Queue.empty(); });
      if (Worker.Queue.empty()) return;
      job = std::move(Worker.Queue.front());
      Worker.Queue.pop_front();
    }
    if (job.IsPlace)
      PlaceFile(job);
    else
      WriteFile(job);
    {
      std::lock_guard<std::mutex> lock(FLock);
      FQueuedBytes -= job.Data.size();
      --FJobsLeft;
    }
    FChanged.notify_all();
  }
}

void TFileWriterPool::WriteFile(const TJob& Job) {
  // Whatever took the name since the job was given (even a link) goes, so
  // that the file is made anew right here.
  FConsole.RemoveEntry(Job.Path);
  std::unique_ptr<TFileStream> file;
  try {
    file = FFiles.OpenFile(Job.Path, fmCreate);
  } catch (const Exception& e) {
    NoteFailure(Job.Path, ReasonOfOpenFailure(e.Message()));
    return;
  }
  size_t done = 0;
  while (done < Job.Data.size()) {
    int32_t count = int32_t(std::min<size_t>(Job.Data.size() - done, 1 << 30));
    int32_t n = file->Write(Job.Data.data() + done, count);
    if (n <= 0) {
      // Read the reason before anything else can change it.
      NoteFailure(Job.Path, FConsole.LastSystemError());
      return;
    }
    done += size_t(n);
  }
  // A stored value that is no valid date leaves the time the system gave.
  if (Job.DosDateTime) (void)file->SetDosDateTime(*Job.DosDateTime);
}

void TFileWriterPool::PlaceFile(const TJob& Job) {
  bool keep = Job.Keep;
  {
    std::lock_guard<std::mutex> lock(FLock);
    if (FFailedPaths.count(Job.Path)) keep = false;
  }
  std::string reason;
  if (keep && !FConsole.RenameOver(Job.Path, Job.Target, reason)) {
    std::lock_guard<std::mutex> lock(FLock);
    FProblems.push_back("cannot replace " + FConsole.DisplayPath(Job.Target) + ": " + reason);
    keep = false;
  }
  if (!keep) FConsole.RemoveEntry(Job.Path);
}

void TFileWriterPool::NoteFailure(const std::string& Path, const std::string& Reason) {
  std::lock_guard<std::mutex> lock(FLock);
  FFailedPaths.insert(Path);
  if (FFailedFile.empty()) {
    FFailedFile = Path;
    FFailedReason = Reason;
  }
}

std::string TFileWriterPool::FailedFile() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FFailedFile;
}

std::string TFileWriterPool::FailedReason() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FFailedReason;
}

std::vector<std::string> TFileWriterPool::Problems() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FProblems;
}

}  // namespace arc
