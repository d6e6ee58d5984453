#include "archive/background_writer.h"

#include "archive/format.h"

namespace archive {

namespace {

// The writer is woken only when this many blocks wait (or at Finish), so
// that it writes them in one go instead of being woken for every block.
constexpr uint64_t kWakeAt = 8;

}  // namespace

TBackgroundWriter::TBackgroundWriter(TStream& Destination)
    : FDestination(Destination), FBuffers(new unsigned char[size_t(kSlots) * kMaxBlockSize]) {
  FThread = std::thread([this] { Run(); });
}

TBackgroundWriter::~TBackgroundWriter() {
  {
    std::lock_guard<std::mutex> guard(FLock);
    FStop = true;
  }
  FWork.notify_one();
  FThread.join();
}

unsigned char* TBackgroundWriter::NextBuffer() {
  std::unique_lock<std::mutex> guard(FLock);
  RethrowFailure();
  while (FQueued - FWritten == kSlots) {
    FCallerWaiting = true;
    if (FWriterIdle) FWork.notify_one();
    FSpace.wait(guard);
    FCallerWaiting = false;
    RethrowFailure();
  }
  return FBuffers.get() + size_t(FQueued % kSlots) * kMaxBlockSize;
}

void TBackgroundWriter::Queue(int32_t Count) {
  std::lock_guard<std::mutex> guard(FLock);
  FLengths[FQueued % kSlots] = Count;
  ++FQueued;
  if (FWriterIdle && FQueued - FWritten >= kWakeAt) FWork.notify_one();
}

void TBackgroundWriter::Finish() {
  std::unique_lock<std::mutex> guard(FLock);
  while (FWritten != FQueued) {
    FCallerWaiting = true;
    if (FWriterIdle) FWork.notify_one();
    FSpace.wait(guard);
    FCallerWaiting = false;
  }
  RethrowFailure();
}

void TBackgroundWriter::RethrowFailure() {
  if (FFailure) std::rethrow_exception(FFailure);
}

void TBackgroundWriter::Run() {
  std::unique_lock<std::mutex> guard(FLock);
  for (;;) {
    while (FWritten == FQueued && !FStop) {
      FWriterIdle = true;
      FWork.wait(guard);
      FWriterIdle = false;
    }
    if (FWritten == FQueued) return;  // stopped with nothing left to write
    const uint64_t upTo = FQueued;
    const bool failed = FFailure != nullptr;
    guard.unlock();
    std::exception_ptr failure;
    // After a failure the blocks are only taken off the queue, so that the
    // caller is never left waiting for space.
    for (uint64_t s = FWritten; s < upTo && !failed && !failure; ++s) {
      try {
        FDestination.WriteBuffer(FBuffers.get() + size_t(s % kSlots) * kMaxBlockSize, FLengths[s % kSlots]);
      } catch (...) {
        failure = std::current_exception();
      }
    }
    guard.lock();
    if (failure) FFailure = failure;
    FWritten = upTo;
    if (FCallerWaiting) FSpace.notify_one();
  }
}

}  // namespace archive
