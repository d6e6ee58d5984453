// Archives assembled byte by byte in the tests, independently of the
// component's writer: zlib's compress2 makes each compressed block, every
// other byte is put down here by hand.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace testarchive {

// 2005-06-01 12:00:00 local time.
inline constexpr int32_t kDate2005 = 0x32C16000;

class ArchiveBuilder {
 public:
  ArchiveBuilder& Int32(int32_t V) {
    uint32_t u = static_cast<uint32_t>(V);
    for (int i = 0; i < 4; ++i) FBytes.push_back(static_cast<char>(u >> (8 * i)));
    return *this;
  }
  ArchiveBuilder& Raw(const std::string& S) {
    FBytes.insert(FBytes.end(), S.begin(), S.end());
    return *this;
  }
  ArchiveBuilder& Text(const std::string& S) { return Int32(static_cast<int32_t>(S.size())).Raw(S); }
  ArchiveBuilder& Header(const std::string& Title, int32_t TotalSize, int32_t FileCount) {
    return Text(Title).Int32(TotalSize).Int32(FileCount);
  }
  // Name length, name and date/time of an entry (the data section follows).
  ArchiveBuilder& EntryHead(const std::string& Name, int32_t DateTime) { return Text(Name).Int32(DateTime); }
  ArchiveBuilder& Signature() { return Raw(std::string("EC2\0", 4)); }
  // One compressed block: a complete zlib stream of Piece at Level.
  ArchiveBuilder& CompressedBlock(const std::string& Piece, int Level = 1) {
    std::string z = Compress(Piece, Level);
    return Int32(static_cast<int32_t>(z.size())).Raw(z);
  }
  ArchiveBuilder& StoredBlock(const std::string& Piece) {
    return Int32(-static_cast<int32_t>(Piece.size())).Raw(Piece);
  }
  ArchiveBuilder& Terminator() { return Int32(0); }
  ArchiveBuilder& End() { return Int32(0); }
  // A data section: Data cut into 16384-byte pieces, each compressed (or
  // stored), then the terminator.
  ArchiveBuilder& Data(const std::string& Content, bool Stored = false) {
    Signature();
    for (size_t at = 0; at < Content.size(); at += 16384) {
      std::string piece = Content.substr(at, 16384);
      if (Stored)
        StoredBlock(piece);
      else
        CompressedBlock(piece);
    }
    return Terminator();
  }
  ArchiveBuilder& Entry(const std::string& Name, int32_t DateTime, const std::string& Content, bool Stored = false) {
    return EntryHead(Name, DateTime).Data(Content, Stored);
  }
  ArchiveBuilder& Continuation(const std::string& Volume) { return Text("NEXT:DISK" + Volume); }

  const std::string& Bytes() const { return FBytes; }
  size_t Size() const { return FBytes.size(); }

  static std::string Compress(const std::string& Piece, int Level = 1) {
    uLongf size = compressBound(static_cast<uLong>(Piece.size()));
    std::string z(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(z.data()), &size, reinterpret_cast<const Bytef*>(Piece.data()),
                  static_cast<uLong>(Piece.size()), Level) != Z_OK)
      throw std::runtime_error("compress2 failed");
    z.resize(size);
    return z;
  }

 private:
  std::string FBytes;
};

// One file of a complete archive.
struct FileSpec {
  std::string Name;
  int32_t DateTime;
  std::string Content;
};

// The file list's text for Files: name, TAB, date/time, "=", size, CR LF.
inline std::string FileListText(const std::vector<FileSpec>& Files) {
  std::string text;
  for (const auto& f : Files)
    text += f.Name + "\t" + std::to_string(f.DateTime) + "=" + std::to_string(f.Content.size()) + "\r\n";
  return text;
}

// A whole single-volume archive: header, file list, the files, end marker.
inline std::string MakeArchive(const std::string& Title, const std::vector<FileSpec>& Files) {
  std::string list = FileListText(Files);
  int64_t total = static_cast<int64_t>(list.size());
  for (const auto& f : Files) total += static_cast<int64_t>(f.Content.size());
  ArchiveBuilder b;
  b.Header(Title, static_cast<int32_t>(total), static_cast<int32_t>(Files.size()));
  b.Entry("FILE:LIST", kDate2005 + 1000, list);
  for (const auto& f : Files) b.Entry(f.Name, f.DateTime, f.Content);
  b.End();
  return b.Bytes();
}

// Where the bytes of every data block of a single-volume Archive lie, in
// archive order, as (offset, length) pairs: walked by hand, not by the reader.
inline std::vector<std::pair<size_t, size_t>> BlockSpans(const std::string& Archive) {
  std::vector<std::pair<size_t, size_t>> spans;
  size_t p = 0;
  auto next = [&] {
    int32_t v = 0;
    if (p + 4 <= Archive.size()) std::memcpy(&v, Archive.data() + p, 4);  // little-endian hosts
    p += 4;
    return v;
  };
  p = 4 + static_cast<size_t>(next()) + 8;  // title, totals
  for (int32_t name = next(); name > 0 && p < Archive.size(); name = next()) {
    p += static_cast<size_t>(name) + 4 + 4;  // name, date/time, signature
    for (int32_t len = next(); len != 0 && p < Archive.size(); len = next()) {
      size_t size = static_cast<size_t>(len < 0 ? -int64_t(len) : len);
      spans.push_back({p, size});
      p += size;
    }
  }
  return spans;
}

// Deterministic bytes that compress somewhat (text-like) or not at all.
inline std::string PatternBytes(size_t Size, uint32_t Seed, bool Compressible = true) {
  std::string s(Size, '\0');
  uint32_t x = Seed * 2654435761u + 1;
  for (size_t i = 0; i < Size; ++i) {
    x = x * 1664525u + 1013904223u;
    s[i] = Compressible ? static_cast<char>('a' + (x >> 28)) : static_cast<char>(x >> 24);
  }
  return s;
}

}  // namespace testarchive
