// The records of a data section as the reader meets them: decompressing one
// block, and reading block lengths and blocks. Shared by the restore on the caller's thread and the parallel
// one for long files.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "archive/backup.h"
#include "archive/block_pipeline.h"
#include "archive/format.h"
#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace archive {

// A record that breaks the format. Message() is "Invalid archive type" (the
// component's message); Why() says what, in English, for the tool.
class EArchiveFormat : public Exception {
 public:
  explicit EArchiveFormat(std::string Why) : Exception(BackupErrorMessage(beInvalidArchive)), FWhy(std::move(Why)) {}
  const std::string& Why() const { return FWhy; }

 private:
  std::string FWhy;
};

// One zlib decompression state for the blocks of one data section. Every
// block starts from inflateReset, which leaves the state exactly as a fresh
// inflateInit would, so blocks stay independent.
class BlockInflater {
 public:
  BlockInflater() { std::memset(&FStream, 0, sizeof FStream); }
  ~BlockInflater() {
    if (FReady) inflateEnd(&FStream);
  }
  BlockInflater(const BlockInflater&) = delete;
  BlockInflater& operator=(const BlockInflater&) = delete;

  // Decompresses one block. Returns false when zlib refused it; Produced is
  // the number of bytes written to Out either way.
  bool Inflate(const unsigned char* In, uInt InSize, unsigned char* Out, uInt OutSize, uInt& Produced) {
    Produced = 0;
    if (!FReady) {
      if (inflateInit2(&FStream, archive::kZlibWindowBits) != Z_OK) return false;
      FReady = true;
    } else if (inflateReset(&FStream) != Z_OK) {
      return false;
    }
    FStream.next_in = const_cast<unsigned char*>(In);
    FStream.avail_in = InSize;
    FStream.next_out = Out;
    FStream.avail_out = OutSize;
    int result = inflate(&FStream, Z_NO_FLUSH);
    Produced = OutSize - FStream.avail_out;
    FLastResult = result;
    // A block is one whole zlib stream that fits the output buffer: a stream
    // that does not end inside the block (cut, damaged, or longer than the
    // buffer) is an error, not a short file.
    return result == Z_STREAM_END;
  }
  // The input bytes the last block left after its stream's end.
  uInt InputLeft() const { return FStream.avail_in; }
  // What was wrong with the last block, in English ("" when it was whole).
  std::string Why() const {
    if (FLastResult == Z_STREAM_END) return FStream.avail_in != 0 ? "bytes after the end of a block's zlib stream" : "";
    if (FLastResult == Z_DATA_ERROR) return std::string("zlib: ") + (FStream.msg ? FStream.msg : "data error");
    if (FStream.avail_out == 0) return "a block gives more than 16384 bytes";
    return "a block is not a complete zlib stream";
  }

 private:
  z_stream FStream;
  bool FReady = false;
  int FLastResult = Z_OK;
};

// A block record as read (int32 length, then the bytes) into the bytes it
// restores: a compressed block inflated (Failed on a zlib error, with the
// bytes produced so far), a stored one copied. With WholeInput a compressed
// block must also leave no input over: the check asks that, the restore
// passes such bytes over.
class TRecordInflater : public TBlockTransform {
 public:
  explicit TRecordInflater(bool WholeInput) : FWholeInput(WholeInput) {}
  void Make(const uint8_t* In, size_t Size, TDataBlock& Out) override {
    int32_t length = static_cast<int32_t>(LoadLE32(In));
    const uint8_t* data = In + 4;
    const size_t dataSize = Size - 4;
    Out.Failed = false;
    Out.Why.clear();
    if (length < 0) {
      Out.Bytes.assign(data, data + dataSize);
      return;
    }
    Out.Bytes.resize(kMaxBlockSize);
    uInt produced = 0;
    Out.Failed = !FInflater.Inflate(data, static_cast<uInt>(dataSize), Out.Bytes.data(), kMaxBlockSize, produced) ||
                 (FWholeInput && FInflater.InputLeft() != 0);
    Out.Bytes.resize(produced);
    if (Out.Failed) Out.Why = FInflater.Why();
  }

 private:
  BlockInflater FInflater;
  bool FWholeInput;
};

// Reads the records of a data section: block lengths and block bytes. A
// block is read together with the length that follows it, in one request to
// the stream instead of two; what the stream gives is used exactly as two
// separate reads would use it, so a section cut after a block still yields
// that block first, and nothing after the terminator is read.
class BlockRecordReader {
 public:
  explicit BlockRecordReader(TStream& Source) : FSource(Source) {}

  // The next block length (0: the terminator). EReadError at the end of
  // the stream. A length whose absolute value is over the buffer size is a
  // malformed archive ("Invalid archive type"); it is checked without
  // negating, so that the most negative int32 cannot overflow.
  int32_t NextLength() {
    if (FCarried < 4) FSource.ReadBuffer(FBytes + FCarried, 4 - FCarried);
    FCarried = 0;
    int32_t length = static_cast<int32_t>(archive::LoadLE32(FBytes));
    if (length > kMaxBlockSize || length < -kMaxBlockSize) throw EArchiveFormat("a block longer than 16384 bytes");
    return length;
  }
  // The next Size (0..kMaxBlockSize) bytes. EReadError when fewer are left.
  const unsigned char* NextBlock(int32_t Size) {
    int32_t want = Size + 4;
    int32_t got = 0;
    while (got < want) {
      int32_t n = FSource.Read(FBlock + got, want - got);
      if (n <= 0 || n > want - got) break;
      got += n;
    }
    if (got < Size) throw EReadError("Stream read error");
    FCarried = got - Size;  // 0..4 bytes of the next length
    std::memcpy(FBytes, FBlock + Size, static_cast<size_t>(FCarried));
    return FBlock;
  }

 private:
  TStream& FSource;
  unsigned char FBlock[archive::kMaxBlockSize + 4];
  unsigned char FBytes[4];
  int32_t FCarried = 0;
};

}  // namespace archive
