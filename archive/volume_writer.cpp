#include "archive/volume_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "archive/backup.h"
#include "archive/format.h"
#include "runtime/streams.h"

namespace archive {

namespace {

// What must still fit into a volume to close it properly: inside a data
// section its block terminator and the continuation marker, between entries
// the marker alone.
constexpr int64_t kMarkerSize = 4 + kNextDiskNameLength;
constexpr int64_t kCloseInData = 4 + kMarkerSize;
constexpr size_t kBufferSize = 256 * 1024;

}  // namespace

int64_t MinVolumeSize(size_t TitleLength, size_t MaxNameLength) {
  int64_t firstVolume = 12 + int64_t(TitleLength) + (4 + int64_t(kFileListName.size()) + 4 + 4) + kCloseInData;
  int64_t longestHead = 8 + (4 + int64_t(MaxNameLength) + 4 + 4) + kCloseInData;
  int64_t largestBlock = 4 + (4 + kMaxBlockSize) + kCloseInData;
  return std::max({firstVolume, longestHead, largestBlock});
}

TVolumeWriter::TVolumeWriter(platform::IFileSystem& Files, std::string ArchiveName, int64_t MaxSize,
                             TNeedVolume NeedVolume)
    : FFiles(Files), FArchiveName(std::move(ArchiveName)), FMaxSize(MaxSize), FNeedVolume(std::move(NeedVolume)) {
  FBuffer.reserve(kBufferSize);
}

TVolumeWriter::~TVolumeWriter() = default;

void TVolumeWriter::OpenVolume(int Number) {
  std::string name = Number == 1 ? FArchiveName : VolumeFileName(FArchiveName, Number);
  bool existed = FFiles.FileExists(name);
  try {
    FStream = FFiles.OpenFile(name, fmCreate);
  } catch (const EStreamError& e) {
    throw EArchiveWrite(existed ? beOverwriteFailed : beCannotWriteArchive, e.Message());
  }
  FCreated.push_back(name);
  FVolume = Number;
  FVolumeSize = 0;
}

void TVolumeWriter::CloseVolume() {
  Flush();
  FStream.reset();
}

bool TVolumeWriter::Fits(size_t Size) const {
  return FMaxSize <= 0 || FVolumeSize + int64_t(Size) + kCloseInData <= FMaxSize;
}

void TVolumeWriter::Start(const std::vector<uint8_t>& Header) {
  OpenVolume(1);
  if (FMaxSize > 0 && int64_t(Header.size()) + kMarkerSize > FMaxSize)
    throw EArchiveWrite(beCannotWriteArchive, "The volume size is too small for the archive header");
  Put(Header.data(), Header.size());
  FInData = false;
}

void TVolumeWriter::NextVolume() {
  if (FKeepInVolume) throw EArchiveWrite(beCannotWriteArchive, "The volume size is too small for the file list");
  if (FVolume >= kMaxVolumeNumber) throw EArchiveWrite(beCannotWriteArchive, "Too many volumes");
  int next = FVolume + 1;
  if (FInData) PutInt32(kBlockTerminator);
  std::string marker = ContinuationMarker(next);
  PutInt32(kNextDiskNameLength);
  Put(marker.data(), marker.size());
  CloseVolume();
  if (FNeedVolume && !FNeedVolume(next)) throw EVolumeCancelled();
  OpenVolume(next);
  Put(kDataSignature, sizeof kDataSignature);
  // Between entries the continued data section is empty.
  if (!FInData) PutInt32(kBlockTerminator);
}

void TVolumeWriter::BeginEntry(const std::vector<uint8_t>& Head) {
  size_t size = Head.size() + sizeof kDataSignature;
  if (!Fits(size)) {
    NextVolume();
    if (!Fits(size)) throw EArchiveWrite(beCannotWriteArchive, "The volume size is too small for an entry");
  }
  Put(Head.data(), Head.size());
  Put(kDataSignature, sizeof kDataSignature);
  FInData = true;
}

void TVolumeWriter::WriteBlock(const uint8_t* Block, size_t Size) {
  if (!Fits(Size)) {
    NextVolume();
    if (!Fits(Size)) throw EArchiveWrite(beCannotWriteArchive, "The volume size is too small for a data block");
  }
  Put(Block, Size);
}

void TVolumeWriter::EndEntry() {
  PutInt32(kBlockTerminator);
  FInData = false;
}

void TVolumeWriter::Finish() {
  PutInt32(kEndMarker);
  CloseVolume();
}

void TVolumeWriter::Put(const void* Bytes, size_t Size) {
  const auto* p = static_cast<const uint8_t*>(Bytes);
  FVolumeSize += int64_t(Size);
  while (Size > 0) {
    size_t n = std::min(Size, kBufferSize - FBuffer.size());
    FBuffer.insert(FBuffer.end(), p, p + n);
    p += n;
    Size -= n;
    if (FBuffer.size() == kBufferSize) Flush();
  }
}

void TVolumeWriter::PutInt32(int32_t Value) {
  uint8_t b[4];
  StoreLE32(b, static_cast<uint32_t>(Value));
  Put(b, 4);
}

void TVolumeWriter::Flush() {
  if (FBuffer.empty() || !FStream) return;
  try {
    FStream->WriteBuffer(FBuffer.data(), static_cast<int32_t>(FBuffer.size()));
  } catch (const EStreamError& e) {
    throw EArchiveWrite(beCannotWriteArchive, e.Message());
  }
  FBuffer.clear();
}

}  // namespace archive
