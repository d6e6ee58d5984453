// Worker threads that make, fill and rename the files of an extraction.
// Making a file costs far more than decompressing a small one on most
// systems, and several can be made at once, so small files are held in
// memory and written here while the archive is read on. The jobs of one
// folder run on one worker, in the order given: a file is written before it
// is renamed, and files of one folder never contend for its lock.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/filesystem.h"
#include "tools/console.h"

namespace arc {

class TFileWriterPool {
 public:
  // Workers: threads (at least 1). MaxQueuedBytes: file bytes held at most
  // at once; Write waits for room beyond it.
  TFileWriterPool(platform::IFileSystem& Files, IConsole& Console, int Workers, size_t MaxQueuedBytes);
  // Waits for every job, then ends the threads.
  ~TFileWriterPool();
  TFileWriterPool(const TFileWriterPool&) = delete;
  TFileWriterPool& operator=(const TFileWriterPool&) = delete;

  // Makes Path anew (removing whatever has the name) with Data, dated
  // DosDateTime when given.
  void Write(const std::string& Path, std::vector<uint8_t> Data, std::optional<int32_t> DosDateTime);
  // Once everything given before for Temp's folder is done: renames Temp
  // over Target when Keep and Temp was written whole, otherwise removes it.
  void Place(const std::string& Temp, const std::string& Target, bool Keep);
  // Waits until every job given so far is done.
  void Drain();

  // The first file whose making or writing failed ("" when none), with the
  // system's reason.
  std::string FailedFile() const;
  std::string FailedReason() const;
  // Files that could not be put in place, as messages naming them.
  std::vector<std::string> Problems() const;

 private:
  struct TJob {
    bool IsPlace = false;
    std::string Path, Target;
    std::vector<uint8_t> Data;
    std::optional<int32_t> DosDateTime;
    bool Keep = false;
  };
  struct TWorker {
    std::deque<TJob> Queue;
    std::thread Thread;
  };

  void Give(TJob Job);
  void Work(TWorker& Worker);
  void WriteFile(const TJob& Job);
  void PlaceFile(const TJob& Job);
  void NoteFailure(const std::string& Path, const std::string& Reason);

  platform::IFileSystem& FFiles;
  IConsole& FConsole;
  size_t FMaxQueuedBytes;
  mutable std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<TWorker> FWorkers;
  size_t FQueuedBytes = 0, FJobsLeft = 0;
  bool FStopping = false;
  std::set<std::string> FFailedPaths;
  std::string FFailedFile, FFailedReason;
  std::vector<std::string> FProblems;
};

// The system's reason in a file system's message for a file it could not
// open ("Cannot create file \"x\". <reason>"), or the whole message.
std::string ReasonOfOpenFailure(const std::string& Message);

}  // namespace arc
