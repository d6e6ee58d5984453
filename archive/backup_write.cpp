// TBackupFile's writing side: Backup turns a list of files into an archive
// (and its volumes), compressing the pieces on several threads while this
// thread reads the sources and writes the archive in order.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <memory>
#include <thread>

#include "archive/backup.h"
#include "archive/format.h"
#include "archive/piece_deflater.h"
#include "archive/progress.h"
#include "archive/volume_writer.h"
#include "archive/volumes.h"
#include "platform/dostime.h"
#include "runtime/exceptions.h"

namespace {

// A source file that cannot be opened or read (error 1), or a zlib failure
// (error 6), or another reason to stop with a code.
class EBackupStop : public Exception {
 public:
  explicit EBackupStop(int32_t ACode) : Exception(BackupErrorMessage(ACode)), Code(ACode) {}
  int32_t Code;
};
// OnProgress answered Continue = False.
class EBackupCancelled : public Exception {
 public:
  EBackupCancelled() : Exception("Cancelled") {}
};

int ZlibLevelOf(TCompressionLevel Level) {
  switch (Level) {
    case clcNone:
      return 0;
    case clcDefault:
      return 6;
    case clMax:
      return 9;
    case clFastest:
    default:
      return 1;
  }
}

// The file-list entry's date/time: SOURCE_DATE_EPOCH when it holds a
// non-negative decimal number, else now; as a local MS-DOS date/time
// (clamped to the format's 1980..2107).
int32_t ListDateTime() {
  std::time_t t = std::time(nullptr);
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(epoch, &end, 10);
    if (errno == 0 && end && *end == '\0' && v >= 0) t = static_cast<std::time_t>(v);
  }
  std::tm tm{};
  if (const std::tm* local = std::localtime(&t)) tm = *local;
  platform::DosDateTimeParts p{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  if (p.Year < 1980) p = platform::DosDateTimeParts{};
  if (p.Year > 2107) p = platform::DosDateTimeParts{2107, 12, 31, 23, 59, 58};
  return platform::PackDosDateTime(p);
}

void AppendInt32(std::vector<uint8_t>& Out, int32_t Value) {
  uint8_t b[4];
  archive::StoreLE32(b, static_cast<uint32_t>(Value));
  Out.insert(Out.end(), b, b + 4);
}

void AppendText(std::vector<uint8_t>& Out, const std::string& Text) { Out.insert(Out.end(), Text.begin(), Text.end()); }

std::vector<uint8_t> EntryHead(const std::string& Name, int32_t DosDateTime) {
  std::vector<uint8_t> head;
  AppendInt32(head, static_cast<int32_t>(Name.size()));
  AppendText(head, Name);
  AppendInt32(head, DosDateTime);
  return head;
}

// A name the format can carry: not empty, not a continuation marker, and
// nothing that would break its line of the file list.
bool StorableName(const std::string& Name) {
  return !Name.empty() && Name.size() <= 32767 && !archive::IsContinuationMarker(Name) &&
         Name != archive::kFileListName && Name.find_first_of("\t\r\n") == std::string::npos;
}

struct TScannedFile {
  const TBackupFile::TSourceFile* Source;
  int32_t DosDateTime;
  int64_t Size;
};

}  // namespace

bool TBackupFile::Backup(const std::string& ArchiveName, const std::vector<TSourceFile>& Files) {
  SetError(beNone, "");
  FContinueFlag = true;
  FBytesDone = 0;
  FRestoredCount = 0;
  FFileCount = 0;
  FTotalSize = 0;
  FCurrentFileName.clear();
  FBusy = true;
  bool complete = false;
  std::vector<std::string> created;
  std::vector<TScannedFile> scanned;

  try {
    // 1. Select and measure the sources; the header's totals come from here.
    size_t longestName = archive::kFileListName.size();
    int64_t total = 0;
    for (const TSourceFile& f : Files) {
      if (!StorableName(f.StoredName)) throw EBackupStop(beCannotWriteArchive);
      if (FBackupMode == bmIncremental && !FFiles.HasArchiveAttribute(f.SourcePath)) continue;
      int32_t age = FFiles.FileAge(f.SourcePath);
      int64_t size = -1;
      try {
        size = FFiles.OpenFile(f.SourcePath, fmOpenRead | fmShareDenyNone)->Size();
      } catch (const EStreamError&) {
      }
      if (size < 0) {
        FCurrentFileName = f.SourcePath;
        throw EBackupStop(beCannotReadFile);
      }
      // A file that opens but has no MS-DOS date/time (dated before 1980 or
      // after 2107) gets the earliest one, 1980-01-01 00:00:00.
      if (age == -1) age = platform::PackDosDateTime({});
      scanned.push_back({&f, age, size});
      total += size;
      longestName = std::max(longestName, f.StoredName.size());
    }
    std::string list;
    for (const TScannedFile& s : scanned)
      list += s.Source->StoredName + "\t" + std::to_string(s.DosDateTime) + "=" + std::to_string(s.Size) + "\r\n";
    total += static_cast<int64_t>(list.size());
    // The header holds 32-bit totals.
    if (total > INT32_MAX || scanned.size() > size_t(INT32_MAX)) throw EBackupStop(beCannotWriteArchive);
    if (MaxSize > 0 && MaxSize < archive::MinVolumeSize(BackupTitle.size(), longestName))
      throw EBackupStop(beCannotWriteArchive);
    // A volume named like the archive (x.002) would be written over it.
    if (MaxSize > 0 && archive::VolumeNameClashes(ArchiveName)) throw EBackupStop(beCannotWriteArchive);
    FTotalSize = static_cast<int32_t>(total);
    FFileCount = static_cast<int32_t>(scanned.size());

    // 2. The file-ID list is made before the archive, so that a failure
    // leaves nothing behind.
    std::unique_ptr<TFileStream> ids;
    std::string idsName = ArchiveName + ".ids";
    if (SaveFileID) {
      try {
        ids = FFiles.OpenFile(idsName, fmCreate);
        created.push_back(idsName);
      } catch (const EStreamError&) {
        throw EBackupStop(beFileIDTempFile);
      }
    }

    // 3. The archive.
    archive::TVolumeWriter writer(FFiles, ArchiveName, MaxSize, [this](int Number) {
      if (!OnNeedDisk) return true;
      OnNeedDisk(this, static_cast<uint16_t>(Number), FContinueFlag);
      return FContinueFlag;
    });
    std::vector<uint8_t> header;
    AppendInt32(header, static_cast<int32_t>(BackupTitle.size()));
    AppendText(header, BackupTitle);
    AppendInt32(header, FTotalSize);
    AppendInt32(header, FFileCount);
    try {
      writer.Start(header);
      int threads = CompressionThreads > 0 ? CompressionThreads : int(std::thread::hardware_concurrency());
      archive::TDeflatePipeline pipeline(ZlibLevelOf(CompressionLevel), threads, ThreadStarter);

      // Actions in archive order; a block action stands for the pipeline's
      // next result. Source < 0 is the file list.
      struct Action {
        enum Kind { Head, Block, End } What;
        int Source;
        int32_t RawSize;
      };
      std::deque<Action> actions;
      archive::TDataBlock block;
      auto sourceName = [&](int Source) {
        return Source < 0 ? std::string() : scanned[size_t(Source)].Source->SourcePath;
      };
      auto perform = [&](const Action& a) {
        switch (a.What) {
          case Action::Head:
            // The file list and its terminator stay in the first volume,
            // where readers of the title and list look for them.
            if (a.Source < 0) writer.KeepInVolume(true);
            writer.BeginEntry(a.Source < 0 ? EntryHead(std::string(archive::kFileListName), ListDateTime())
                                           : EntryHead(scanned[size_t(a.Source)].Source->StoredName,
                                                       scanned[size_t(a.Source)].DosDateTime));
            break;
          case Action::Block:
            pipeline.Pop(block);
            if (block.Failed) throw EBackupStop(beCompressionError);
            // One record, or two for a piece that did not shrink; each may
            // end a volume on its own.
            for (size_t at = 0; at + 4 <= block.Bytes.size();) {
              int32_t length = static_cast<int32_t>(archive::LoadLE32(block.Bytes.data() + at));
              size_t record = 4 + static_cast<size_t>(length < 0 ? -int64_t(length) : int64_t(length));
              writer.WriteBlock(block.Bytes.data() + at, record);
              at += record;
            }
            if (a.Source >= 0) {
              FBytesDone += a.RawSize;
              FCurrentFileName = sourceName(a.Source);
              if (OnProgress)
                OnProgress(this, FCurrentFileName, archive::ProgressPercent(FBytesDone, FTotalSize), FContinueFlag);
              if (!FContinueFlag) throw EBackupCancelled();
            }
            break;
          case Action::End:
            writer.EndEntry();
            if (a.Source < 0) writer.KeepInVolume(false);
            break;
        }
      };
      // Writes queued actions until one more block is out (or none is left).
      auto drainOne = [&] {
        while (!actions.empty()) {
          Action a = actions.front();
          actions.pop_front();
          perform(a);
          if (a.What == Action::Block) return;
        }
      };
      std::vector<uint8_t> piece;
      auto pushPiece = [&](int Source) {
        if (pipeline.InFlight() == pipeline.Window()) drainOne();
        int32_t rawSize = static_cast<int32_t>(piece.size());
        pipeline.Push(piece);
        actions.push_back({Action::Block, Source, rawSize});
      };

      actions.push_back({Action::Head, -1, 0});
      for (size_t off = 0; off < list.size(); off += archive::kMaxBlockSize) {
        size_t n = std::min(list.size() - off, size_t(archive::kMaxBlockSize));
        piece.assign(list.begin() + static_cast<std::ptrdiff_t>(off),
                     list.begin() + static_cast<std::ptrdiff_t>(off + n));
        pushPiece(-1);
      }
      actions.push_back({Action::End, -1, 0});

      for (size_t i = 0; i < scanned.size(); ++i) {
        const TScannedFile& s = scanned[i];
        actions.push_back({Action::Head, int(i), 0});
        if (s.Size > 0) {
          std::unique_ptr<TFileStream> source;
          try {
            source = FFiles.OpenFile(s.Source->SourcePath, fmOpenRead | fmShareDenyNone);
          } catch (const EStreamError&) {
            FCurrentFileName = s.Source->SourcePath;
            throw EBackupStop(beCannotReadFile);
          }
          for (int64_t left = s.Size; left > 0;) {
            int32_t n = static_cast<int32_t>(std::min<int64_t>(left, archive::kMaxBlockSize));
            piece.resize(size_t(n));
            // A file that became shorter since it was measured cannot give
            // the size already written into the file list.
            try {
              source->ReadBuffer(piece.data(), n);
            } catch (const EReadError&) {
              FCurrentFileName = s.Source->SourcePath;
              throw EBackupStop(beCannotReadFile);
            }
            left -= n;
            pushPiece(int(i));
          }
        }
        actions.push_back({Action::End, int(i), 0});
      }
      while (!actions.empty()) drainOne();
      writer.Finish();
      created.insert(created.end(), writer.Created().begin(), writer.Created().end());
    } catch (...) {
      created.insert(created.end(), writer.Created().begin(), writer.Created().end());
      throw;
    }

    if (ids) {
      std::string text;
      for (size_t i = 0; i < scanned.size(); ++i)
        text += std::to_string(i + 1) + "\t" + scanned[i].Source->StoredName + "\t" + scanned[i].Source->SourcePath +
                "\r\n";
      try {
        ids->WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
      } catch (const EStreamError&) {
        throw EBackupStop(beFileIDTempFile);
      }
      ids.reset();
    }
    complete = true;
    FCurrentFileName.clear();
  } catch (const EBackupStop& e) {
    FErrorCode = e.Code;
  } catch (const archive::EArchiveWrite& e) {
    FErrorCode = e.Code;
  } catch (const archive::EVolumeCancelled&) {
    FContinueFlag = false;
  } catch (const EBackupCancelled&) {
    FContinueFlag = false;
  } catch (const std::exception&) {
    // Anything else, such as memory running out in a compressing thread.
    FErrorCode = beCannotWriteArchive;
  }

  if (!complete) {
    // No unfinished archive or volume is left behind.
    for (const std::string& name : created) FFiles.EraseFile(name);
  } else if (SetArchiveFlag) {
    for (const TScannedFile& s : scanned) FFiles.ClearArchiveAttribute(s.Source->SourcePath);
  }
  if (OnProgress) {
    bool ignored = FContinueFlag;
    OnProgress(this, "", 100, ignored);
  }
  FBusy = false;
  if (FErrorCode != 0) ReportError(FErrorCode);
  return complete && FErrorCode == 0 && FContinueFlag;
}
