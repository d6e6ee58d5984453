// Byte streams: the one interface through which archives are read and
// written, so that readers can be fed from files, memory or hostile test
// streams alike.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/component.h"

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// File open modes, combined with |: an access mode and a sharing mode, or
// fmCreate alone (create anew or truncate, read/write, deny writes).
enum : uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFFFF,
};

class TStream : public TObject {
 public:
  // Reads up to Count bytes at the position and moves past them. Returns the
  // number read, which may be fewer than Count at any time (a pipe or a slow
  // medium hands out what it has); 0 at the end of the stream or on a
  // failure of the medium. Never throws for a short read: callers that need
  // exactly Count bytes use ReadBuffer.
  virtual int32_t Read(void* Buffer, int32_t Count) = 0;
  // Writes up to Count bytes; returns the number written (fewer on failure).
  virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
  // Moves the position; returns the new position, or -1 when the medium
  // refused (the position is then unchanged). Seeking past the end is allowed.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
  // Size in bytes, or -1 when the medium has none (a pipe); the position is
  // unchanged.
  virtual int64_t Size();

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t Pos);  // throws EStreamError if refused

  // Exactly Count bytes, calling Read until they are all there, or
  // EReadError "Stream read error" when the stream ends or fails first (the
  // bytes read so far are then in Buffer and the position is past them).
  void ReadBuffer(void* Buffer, int32_t Count);
  // Exactly Count bytes or EWriteError "Stream write error".
  void WriteBuffer(const void* Buffer, int32_t Count);
  // Copies Count bytes from Source's position (Count 0: all of Source from
  // its start). Returns bytes copied; throws as ReadBuffer/WriteBuffer.
  int64_t CopyFrom(TStream& Source, int64_t Count);

  // Little-endian int32 helpers for the archive format.
  int32_t ReadInt32();
  void WriteInt32(int32_t Value);
};

// A stream over an open file. Made by the platform's file system
// (platform/filesystem.h); closing happens in the destructor.
class TFileStream : public TStream {
 public:
  explicit TFileStream(std::string AFileName) : FFileName(std::move(AFileName)) {}
  const std::string& FileName() const { return FFileName; }
  // Sets the file's last-write time from a local MS-DOS date/time.
  // Returns false when the value is not a valid date or the system refused.
  virtual bool SetDosDateTime(int32_t DosDateTime) = 0;
  // Hands the bytes the stream still holds in memory to the system. Throws
  // EWriteError "Stream write error" when the file takes fewer; they are then
  // lost. A stream that writes through holds nothing and does nothing. A
  // writer that must know that its last bytes arrived calls this before the
  // stream is destroyed, which hands them over too but cannot report.
  virtual void FlushBuffer() {}

 private:
  std::string FFileName;
};

// A growable stream in memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> Bytes) : FData(std::move(Bytes)) {}

  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }

  const std::vector<uint8_t>& Bytes() const { return FData; }
  std::vector<uint8_t>& Bytes() { return FData; }
  void Clear() {
    FData.clear();
    FPos = 0;
  }

 private:
  std::vector<uint8_t> FData;
  int64_t FPos = 0;
};

// Reads another stream through a buffer, so that a reader taking a few bytes
// at a time costs one read of the system per buffer. Only for reading:
// Write fails. The inner stream stays the caller's and is not to be used
// while this one reads it; its position afterwards is unspecified (set it).
class TBufferedReadStream : public TStream {
 public:
  explicit TBufferedReadStream(TStream& Inner, size_t BufferSize = 256 * 1024);
  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void*, int32_t) override { return 0; }
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override;

 private:
  TStream& FInner;
  std::vector<uint8_t> FBuffer;
  size_t FAt = 0, FEnd = 0;  // the unread bytes of the buffer
  int64_t FPos;              // the position of the next byte given out
  int64_t FSize = -2;        // -2: not asked yet
};
