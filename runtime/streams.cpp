#include "runtime/streams.h"

#include <algorithm>
#include <cstring>

#include "runtime/exceptions.h"

int64_t TStream::Size() {
  int64_t pos = Seek(0, TSeekOrigin::soCurrent);
  int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return end;
}

void TStream::SetPosition(int64_t Pos) {
  if (Seek(Pos, TSeekOrigin::soBeginning) != Pos) throw EStreamError("Stream seek error");
}

void TStream::ReadBuffer(void* Buffer, int32_t Count) {
  if (Count < 0) throw EReadError("Stream read error");
  auto* p = static_cast<uint8_t*>(Buffer);
  while (Count > 0) {
    int32_t n = Read(p, Count);
    if (n <= 0 || n > Count) throw EReadError("Stream read error");
    p += n;
    Count -= n;
  }
}

void TStream::WriteBuffer(const void* Buffer, int32_t Count) {
  if (Count < 0 || (Count != 0 && Write(Buffer, Count) != Count)) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  std::vector<uint8_t> buf(static_cast<size_t>(std::min<int64_t>(Count, 65536)));
  int64_t left = Count;
  while (left > 0) {
    int32_t n = static_cast<int32_t>(std::min<int64_t>(left, static_cast<int64_t>(buf.size())));
    Source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    left -= n;
  }
  return Count;
}

int32_t TStream::ReadInt32() {
  uint8_t b[4];
  ReadBuffer(b, 4);
  return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

void TStream::WriteInt32(int32_t Value) {
  uint32_t v = static_cast<uint32_t>(Value);
  uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  WriteBuffer(b, 4);
}

int32_t TMemoryStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0 || FPos >= Size()) return 0;
  int64_t n = std::min<int64_t>(Count, Size() - FPos);
  std::memcpy(Buffer, FData.data() + FPos, static_cast<size_t>(n));
  FPos += n;
  return static_cast<int32_t>(n);
}

int32_t TMemoryStream::Write(const void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  size_t end = static_cast<size_t>(FPos) + static_cast<size_t>(Count);
  if (end > FData.size()) FData.resize(end);
  std::memcpy(FData.data() + FPos, Buffer, static_cast<size_t>(Count));
  FPos = static_cast<int64_t>(end);
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = Origin == TSeekOrigin::soBeginning ? 0 : Origin == TSeekOrigin::soCurrent ? FPos : Size();
  int64_t target = base + Offset;
  if (target < 0) return -1;
  FPos = target;
  return FPos;
}

TBufferedReadStream::TBufferedReadStream(TStream& Inner, size_t BufferSize)
    : FInner(Inner), FBuffer(BufferSize), FPos(Inner.Position()) {}

int32_t TBufferedReadStream::Read(void* Buffer, int32_t Count) {
  if (Count <= 0) return 0;
  if (FAt == FEnd) {
    // A read as long as the buffer goes past it.
    if (static_cast<size_t>(Count) >= FBuffer.size()) {
      int32_t n = FInner.Read(Buffer, Count);
      if (n > 0) FPos += n;
      return n;
    }
    int32_t n = FInner.Read(FBuffer.data(), static_cast<int32_t>(FBuffer.size()));
    if (n <= 0) return 0;
    FAt = 0;
    FEnd = static_cast<size_t>(n);
  }
  size_t n = std::min(FEnd - FAt, static_cast<size_t>(Count));
  std::memcpy(Buffer, FBuffer.data() + FAt, n);
  FAt += n;
  FPos += static_cast<int64_t>(n);
  return static_cast<int32_t>(n);
}

int64_t TBufferedReadStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (Origin == TSeekOrigin::soCurrent && Offset == 0) return FPos;
  int64_t target = Origin == TSeekOrigin::soBeginning ? Offset
                   : Origin == TSeekOrigin::soCurrent ? FPos + Offset
                                                      : Size() + Offset;
  if (target < 0) return -1;
  // Within the buffered bytes (forward or back): no system call.
  int64_t bufferStart = FPos - static_cast<int64_t>(FAt);
  if (target >= bufferStart && target <= FPos + static_cast<int64_t>(FEnd - FAt)) {
    FAt = static_cast<size_t>(target - bufferStart);
    FPos = target;
    return FPos;
  }
  int64_t at = FInner.Seek(target, TSeekOrigin::soBeginning);
  if (at < 0) return -1;
  FAt = FEnd = 0;
  FPos = at;
  return FPos;
}

int64_t TBufferedReadStream::Size() {
  if (FSize == -2) FSize = FInner.Size();
  return FSize;
}
