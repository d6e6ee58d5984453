// Turns the independent blocks of an archive's data sections into other
// blocks, in order, on one or more threads: pieces of a file into data
// blocks when writing (archive/piece_deflater.h), data blocks into restored
// bytes when reading. The results do not depend on the number of threads.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/threads.h"

namespace archive {

// Starts a thread running Body; a thread that holds none when it cannot (as
// under a process limit). Tests replace it to make starting fail; an empty
// starter is platform::StartThread.
using TThreadStarter = std::function<platform::TThread(std::function<void()> Body)>;

// The result of one block: for the deflater the data block records as
// written to the archive (each an int32 length, > 0 compressed, < 0 stored,
// then the bytes; one record, or two for a piece that does not shrink).
struct TDataBlock {
  std::vector<uint8_t> Bytes;
  bool Failed = false;  // zlib reported an error (see each transform)
  std::string Why;      // what the error was, in English, when Failed
};

// The work done on one block. Each thread of a pipeline has its own.
class TBlockTransform {
 public:
  virtual ~TBlockTransform() = default;
  // Fills Out from the Size bytes at In.
  virtual void Make(const uint8_t* In, size_t Size, TDataBlock& Out) = 0;
};

// An ordered pipeline: Push gives pieces in archive order, Pop returns their
// results in the same order. With Threads <= 1 each piece is transformed at
// once on the caller's thread; otherwise Threads workers transform while the
// caller reads and writes. At most Window pieces (eight per worker) are in
// flight, so memory is bounded whatever the file sizes. A worker that cannot
// be started leaves fewer workers, down to none (the caller's thread does
// the work); the results are the same.
class TBlockPipeline {
 public:
  using TFactory = std::function<std::unique_ptr<TBlockTransform>()>;
  // MakeTransform is called once per worker (once in all with no workers).
  // StartThread starts the workers (empty: platform::StartThread).
  TBlockPipeline(const TFactory& MakeTransform, int Threads, const TThreadStarter& StartThread = {});
  // Stops and joins the workers; pieces still in flight are dropped.
  ~TBlockPipeline();
  TBlockPipeline(const TBlockPipeline&) = delete;
  TBlockPipeline& operator=(const TBlockPipeline&) = delete;

  // Pieces that may be in flight; Push must not be called when InFlight()
  // has reached it (Pop first).
  size_t Window() const { return FSlots.size(); }
  size_t InFlight() const { return FTail - FHead; }
  // Workers running (0: the caller's thread transforms).
  size_t Workers() const { return FWorkers.size(); }
  // Takes Piece (moved from; 1..kMaxBlockSize bytes) as the next piece.
  void Push(std::vector<uint8_t>& Piece);
  // Waits for the oldest piece's result and moves it into Block. Must only
  // be called when InFlight() > 0. An exception that the transform raised
  // for that piece (std::bad_alloc) is raised here, on the caller's thread.
  void Pop(TDataBlock& Block);

 private:
  struct Slot {
    std::vector<uint8_t> Piece;
    TDataBlock Block;
    std::exception_ptr Error;  // raised by the transform
    bool Done = false;
  };
  void Work(std::unique_ptr<TBlockTransform> Transform);
  // Tells the workers to end and joins them.
  void StopWorkers();
  // True when the oldest piece and the ones after it, up to half the window
  // or the last in flight, are transformed. With FLock held.
  bool BatchReady() const;

  std::vector<Slot> FSlots;
  // Sequence numbers: FHead = next to pop, FClaimed = next to transform,
  // FTail = next to push. Slot of sequence s is s % Window().
  uint64_t FHead = 0, FClaimed = 0, FTail = 0;
  bool FStop = false;
  bool FCallerWaiting = false;  // Pop is waiting for BatchReady
  platform::TLock FLock;
  platform::TCondition FWorkReady, FBlockReady;
  std::vector<platform::TThread> FWorkers;
  std::unique_ptr<TBlockTransform> FInline;  // used when there are no workers
};

}  // namespace archive
