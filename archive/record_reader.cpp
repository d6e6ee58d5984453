#include "archive/record_reader.h"

#include <algorithm>
#include <cstring>

#include "archive/format.h"
#include "archive/volumes.h"

namespace archive {

TRecordReader::TRecordReader(TStream& Source)
    : FSource(&Source), FBlocks(std::make_unique<BlockRecordReader>(Source)) {}

void TRecordReader::SetSource(TStream& Source) {
  FSource = &Source;
  FBlocks = std::make_unique<BlockRecordReader>(Source);
}

int32_t TRecordReader::ReadInt() {
  unsigned char b[4];
  FSource->ReadBuffer(b, 4);
  return static_cast<int32_t>(LoadLE32(b));
}

void TRecordReader::ReadHeader(TArchiveHeader& Header) {
  int32_t titleLength = ReadInt();
  if (titleLength < 0 || titleLength > kMaxTitleLength)
    throw EArchiveFormat("not an archive (title length " + std::to_string(titleLength) + ")");
  std::string title(static_cast<size_t>(titleLength), '\0');
  if (titleLength > 0) FSource->ReadBuffer(title.data(), titleLength);
  Header.Title = std::move(title);
  Header.TotalSize = ReadInt();
  Header.FileCount = ReadInt();
}

TRecord TRecordReader::NextRecord(int Volume) {
  int32_t nameLength;
  do nameLength = ReadInt();
  while (nameLength < 0);  // passed over, as every reader does
  TRecord record;
  if (nameLength == kEndMarker) return record;
  if (nameLength > kMaxNameLength) throw EArchiveFormat("bad name length " + std::to_string(nameLength));
  record.Name.resize(static_cast<size_t>(nameLength));
  FSource->ReadBuffer(record.Name.data(), nameLength);
  if (IsContinuationMarker(record.Name)) {
    record.Kind = rkContinuation;
    record.NextVolume = NextVolumeNumber(record.Name, Volume);
    return record;
  }
  record.Kind = rkEntry;
  record.DateTime = ReadInt();
  return record;
}

void TRecordReader::BeginSection(const std::string& Entry) {
  unsigned char signature[4];
  FSource->ReadBuffer(signature, 4);
  // The signature is the text up to the first zero byte.
  size_t textLength = static_cast<size_t>(std::find(signature, signature + 4, 0) - signature);
  if (std::string_view(reinterpret_cast<const char*>(signature), textLength) != kDataSignatureText)
    throw EArchiveFormat("bad data signature in entry " + Entry);
}

void TRecordReader::SkipBlock(int32_t Size) {
  int64_t at = FSource->Position();
  // A seek past the end is allowed by streams: the length is checked here.
  if (at < 0 || Size > FSource->Size() - at || FSource->Seek(Size, TSeekOrigin::soCurrent) < 0)
    throw EReadError("Stream read error");
}

bool ParseFileListLine(std::string_view Line, TFileListLine& Out) {
  size_t tab = Line.rfind('\t');
  size_t eq = Line.rfind('=');
  if (tab == std::string_view::npos || eq == std::string_view::npos || eq < tab) return false;
  auto number = [](std::string_view Text, int64_t Min, int64_t Max, int64_t& Value) {
    bool negative = !Text.empty() && Text[0] == '-';
    if (negative) Text.remove_prefix(1);
    if (Text.empty() || Text.size() > 12 || Text.find_first_not_of("0123456789") != std::string_view::npos)
      return false;
    Value = 0;
    for (char c : Text) Value = Value * 10 + (c - '0');
    if (negative) Value = -Value;
    return Value >= Min && Value <= Max;
  };
  int64_t when = 0, size = 0;
  if (!number(Line.substr(tab + 1, eq - tab - 1), INT32_MIN, INT32_MAX, when) ||
      !number(Line.substr(eq + 1), 0, INT64_MAX / 2, size))
    return false;
  Out.Name = Line.substr(0, tab);
  Out.DateTime = static_cast<int32_t>(when);
  Out.Size = size;
  return true;
}

bool NextFileListLine(std::string_view Text, size_t& Offset, std::string_view& Line) {
  if (Offset >= Text.size()) return false;
  size_t end = Text.find_first_of("\r\n", Offset);
  if (end == std::string_view::npos) end = Text.size();
  Line = Text.substr(Offset, end - Offset);
  Offset = end;
  if (Offset < Text.size() && Text[Offset] == '\r') ++Offset;
  if (Offset < Text.size() && Text[Offset] == '\n' && (Offset == end || Text[Offset - 1] == '\r')) ++Offset;
  return true;
}

}  // namespace archive
