#include "tools/archive_check.h"

#include <zlib.h>

#include <cstring>

#include "archive/format.h"
#include "archive/volumes.h"
#include "runtime/exceptions.h"
#include "runtime/stringlist.h"

namespace arc {

namespace {

// The structure cannot be followed any further.
class EBroken : public std::exception {
 public:
  explicit EBroken(std::string Why) : FWhy(std::move(Why)) {}
  const char* what() const noexcept override { return FWhy.c_str(); }

 private:
  std::string FWhy;
};

// ReadBuffer, with the end of the stream reported as a broken structure.
void ReadExact(TStream& S, void* Buffer, int32_t Count) {
  try {
    S.ReadBuffer(Buffer, Count);
  } catch (const EReadError&) {
    throw EBroken("the archive ends too early");
  }
}

int32_t ReadInt(TStream& S) {
  unsigned char b[4];
  ReadExact(S, b, 4);
  return static_cast<int32_t>(archive::LoadLE32(b));
}

struct Entry {
  std::string Name;
  int64_t Size = 0;
  std::string Damage;  // first damage found
  std::string Data;    // kept for the file list only
};

// Inflates one compressed block; returns "" or what is wrong with it.
std::string InflateBlock(const unsigned char* In, int32_t Length, unsigned char* Out, int32_t& Produced) {
  z_stream zs{};
  if (inflateInit2(&zs, archive::kZlibWindowBits) != Z_OK) return "zlib cannot start";
  zs.next_in = const_cast<Bytef*>(In);
  zs.avail_in = static_cast<uInt>(Length);
  zs.next_out = Out;
  zs.avail_out = archive::kMaxBlockSize;
  int rc = inflate(&zs, Z_FINISH);
  std::string why;
  if (rc == Z_DATA_ERROR)
    why = std::string("zlib: ") + (zs.msg ? zs.msg : "data error");
  else if (rc == Z_BUF_ERROR && zs.avail_out == 0)
    why = "a block gives more than 16384 bytes";
  else if (rc != Z_STREAM_END)
    why = "a block is not a complete zlib stream";
  else if (zs.avail_in != 0)
    why = "bytes after the end of a block's zlib stream";
  Produced = archive::kMaxBlockSize - static_cast<int32_t>(zs.avail_out);
  inflateEnd(&zs);
  return why;
}

// Reads one data section into E; returns the number of its blocks. Without
// Inflate the blocks are passed over by seeking (E.Size stays 0).
int CheckSection(TStream& S, Entry& E, bool KeepData, bool Inflate, TCheckReport& Report) {
  unsigned char sig[4];
  ReadExact(S, sig, 4);
  if (std::memcmp(sig, archive::kDataSignature, 4) != 0) throw EBroken("bad data signature in entry " + E.Name);
  static unsigned char in[archive::kMaxBlockSize], out[archive::kMaxBlockSize];
  for (int block = 1;; ++block) {
    int32_t length = ReadInt(S);
    if (length == archive::kBlockTerminator) return block - 1;
    if (length < -archive::kMaxBlockSize || length > archive::kMaxBlockSize)
      throw EBroken("a block of entry " + E.Name + " is longer than 16384 bytes");
    int32_t n = length < 0 ? -length : length;
    ++Report.Blocks;
    if (length < 0) ++Report.StoredBlocks;
    if (!Inflate) {
      if (S.Seek(n, TSeekOrigin::soCurrent) > S.Size()) throw EBroken("the archive ends too early");
      continue;
    }
    ReadExact(S, in, n);
    int32_t produced = n;
    const unsigned char* data = in;
    if (length > 0) {
      std::string why = InflateBlock(in, n, out, produced);
      if (!why.empty() && E.Damage.empty()) E.Damage = "block " + std::to_string(block) + ": " + why;
      data = out;
    }
    E.Size += produced;
    if (KeepData) E.Data.append(reinterpret_cast<const char*>(data), size_t(produced));
  }
}

}  // namespace

namespace {

TCheckReport WalkArchive(TStream& Source, const TOpenVolume& OpenVolume, bool Inflate) {
  TCheckReport report;
  std::vector<Entry> entries;
  std::unique_ptr<TStream> volume;  // following volumes; the first is the caller's
  TStream* s = &Source;
  int volumeNumber = 1;
  try {
    int32_t titleLength = ReadInt(*s);
    if (titleLength < 0 || titleLength > (1 << 20)) throw EBroken("not an archive (bad title length)");
    report.Title.resize(size_t(titleLength));
    ReadExact(*s, report.Title.data(), titleLength);
    report.TotalSize = ReadInt(*s);
    report.FileCount = ReadInt(*s);
    for (;;) {
      int32_t nameLength = ReadInt(*s);
      if (nameLength == archive::kEndMarker) break;
      if (nameLength < 0) continue;
      if (nameLength > (1 << 16)) throw EBroken("bad name length " + std::to_string(nameLength));
      std::string name(size_t(nameLength), '\0');
      ReadExact(*s, name.data(), nameLength);
      if (archive::IsContinuationMarker(name)) {
        // The reader's rule: three digits naming a later volume.
        int number = archive::NextVolumeNumber(name, volumeNumber);
        if (number < 0) throw EBroken("bad continuation marker " + name);
        volumeNumber = number;
        std::string volumeName;
        volume = OpenVolume ? OpenVolume(number, volumeName) : nullptr;
        if (!volume) {
          report.MissingVolume = volumeName.empty() ? name.substr(archive::kNextDiskPrefix.size()) : volumeName;
          throw EBroken("volume " + (volumeName.empty() ? name.substr(archive::kNextDiskPrefix.size()) : volumeName) +
                        " is missing");
        }
        s = volume.get();
        ++report.Volumes;
        Entry orphan;
        bool continuesList = entries.size() == 1 && entries[0].Name == archive::kFileListName;
        if (CheckSection(*s, entries.empty() ? orphan : entries.back(), entries.size() == 1, Inflate, report) > 0 &&
            continuesList)
          throw EBroken("the file list does not end inside the first volume");
        continue;
      }
      ReadInt(*s);  // date/time
      entries.push_back({name, 0, "", ""});
      CheckSection(*s, entries.back(), entries.size() == 1 && name == archive::kFileListName, Inflate, report);
    }
  } catch (const EBroken& e) {
    report.Broken = e.what();
  }

  for (const Entry& e : entries)
    if (!e.Damage.empty()) {
      report.Damaged.push_back(e.Name + ": " + e.Damage);
      report.DamagedNames.push_back(e.Name);
    }
  bool hasList = !entries.empty() && entries[0].Name == archive::kFileListName;
  report.Files = int(entries.size()) - (hasList ? 1 : 0);
  if (!report.Broken.empty() || !Inflate) return report;

  int64_t total = 0;
  for (const Entry& e : entries) total += e.Size;
  if (total != report.TotalSize)
    report.Damaged.push_back("(header): total size " + std::to_string(report.TotalSize) + ", entries hold " +
                             std::to_string(total));
  if (report.Files != report.FileCount)
    report.Damaged.push_back("(header): file count " + std::to_string(report.FileCount) + ", entries " +
                             std::to_string(report.Files));
  if (hasList && entries[0].Damage.empty()) {
    TStringList list;
    list.SetText(entries[0].Data);
    if (list.Count() != report.Files) {
      report.Damaged.push_back("(file list): " + std::to_string(list.Count()) + " lines for " +
                               std::to_string(report.Files) + " files");
    } else {
      for (int i = 0; i < list.Count(); ++i) {
        const Entry& e = entries[size_t(i) + 1];
        std::string expected = e.Name + "\t";
        size_t eq = list[i].rfind('=');
        std::string size = eq == std::string::npos ? "" : list[i].substr(eq + 1);
        if (list[i].compare(0, expected.size(), expected) != 0 || size != std::to_string(e.Size))
          report.Damaged.push_back(e.Name + ": the file list says otherwise (" + list[i] + ")");
      }
    }
  }
  return report;
}

}  // namespace

TCheckReport CheckArchive(TStream& Source, const TOpenVolume& OpenVolume) {
  return WalkArchive(Source, OpenVolume, true);
}

TCheckReport ScanArchive(TStream& Source, const TOpenVolume& OpenVolume) {
  return WalkArchive(Source, OpenVolume, false);
}

}  // namespace arc
