// Compression of the pieces of a file into data blocks, in its own unit so
// that a program that only restores does not carry zlib's compressor.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "archive/block_pipeline.h"

namespace archive {

// Makes the block of one piece (at most kMaxBlockSize bytes). ZlibLevel 1..9
// compresses with window bits 15, memory level 8 and the default strategy,
// one complete zlib stream per piece; a result that is not smaller than the
// piece is stored instead. ZlibLevel 0 stores every piece. One deflate state
// is kept and reset for each piece, which gives the bytes of a fresh stream.
// Not shared between threads: one deflater per thread.
class TPieceDeflater : public TBlockTransform {
 public:
  explicit TPieceDeflater(int ZlibLevel);
  ~TPieceDeflater() override;
  TPieceDeflater(const TPieceDeflater&) = delete;
  TPieceDeflater& operator=(const TPieceDeflater&) = delete;
  // Fills Block from Piece (Size bytes, 1..kMaxBlockSize). On a zlib error
  // Block.Failed is set and Block.Bytes is empty.
  void Make(const uint8_t* Piece, size_t Size, TDataBlock& Block) override;

 private:
  int FLevel;
  void* FStream = nullptr;  // z_stream, kept out of this header
  bool FReady = false;
  std::vector<uint8_t> FOut;
};

// Compression of pieces at a zlib level (0: stored) on Threads threads.
class TDeflatePipeline : public TBlockPipeline {
 public:
  TDeflatePipeline(int ZlibLevel, int Threads, const TThreadStarter& StartThread = {})
      : TBlockPipeline([ZlibLevel] { return std::make_unique<TPieceDeflater>(ZlibLevel); }, Threads, StartThread) {}
};

}  // namespace archive
