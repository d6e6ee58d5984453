// Writes the decompressed blocks of one data section to their destination on
// a second thread, so that the file system's work on one block overlaps the
// decompression of the next ones. The caller fills a buffer, queues it and
// goes on; at most kSlots blocks wait at a time, so the memory stays
// kSlots * kMaxBlockSize bytes whatever the size of the file.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "runtime/streams.h"

namespace archive {

class TBackgroundWriter {
 public:
  static constexpr int kSlots = 16;

  // Starts the writing thread. Destination must outlive this object and is
  // touched only by that thread until Finish returns or this is destroyed.
  explicit TBackgroundWriter(TStream& Destination);
  // Writes what is still queued and stops the thread. A write failure met
  // here is dropped: call Finish to learn of it.
  ~TBackgroundWriter();
  TBackgroundWriter(const TBackgroundWriter&) = delete;
  TBackgroundWriter& operator=(const TBackgroundWriter&) = delete;

  // A buffer of kMaxBlockSize bytes for the next block, free to be filled.
  // Waits while every buffer is queued. Throws the exception of a write
  // that failed (Destination's EWriteError) instead; nothing more is written
  // after a failure.
  unsigned char* NextBuffer();
  // Queues the first Count bytes (1..kMaxBlockSize) of the buffer that the
  // last NextBuffer call returned.
  void Queue(int32_t Count);
  // Waits until every queued block is written. Throws as NextBuffer.
  void Finish();

 private:
  void Run();
  void RethrowFailure();  // with FLock held

  TStream& FDestination;
  std::unique_ptr<unsigned char[]> FBuffers;
  int32_t FLengths[kSlots] = {};
  // Sequence numbers: blocks queued and blocks written so far; block s uses
  // buffer s % kSlots.
  uint64_t FQueued = 0, FWritten = 0;
  bool FStop = false, FWriterIdle = false, FCallerWaiting = false;
  std::exception_ptr FFailure;
  std::mutex FLock;
  std::condition_variable FWork, FSpace;
  std::thread FThread;
};

}  // namespace archive
