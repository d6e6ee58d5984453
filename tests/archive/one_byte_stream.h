// A stream over bytes that hands out at most one byte per Read call, as a
// pipe or a slow medium may: readers must gather what they need.
#pragma once

#include <string>
#include <vector>

#include "runtime/streams.h"

namespace testarchive {

class OneByteStream : public TStream {
 public:
  explicit OneByteStream(const std::string& Bytes) : FInner(std::vector<uint8_t>(Bytes.begin(), Bytes.end())) {}
  int32_t Read(void* Buffer, int32_t Count) override { return FInner.Read(Buffer, Count > 0 ? 1 : Count); }
  int32_t Write(const void* Buffer, int32_t Count) override { return FInner.Write(Buffer, Count); }
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override { return FInner.Seek(Offset, Origin); }
  int64_t Size() override { return FInner.Size(); }

 private:
  TMemoryStream FInner;
};

}  // namespace testarchive
