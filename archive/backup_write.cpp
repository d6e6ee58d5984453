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

#include "archive/backup.h"
#include "archive/format.h"
#include "archive/piece_deflater.h"
#include "archive/progress.h"
#include "archive/volume_writer.h"
#include "archive/volumes.h"
#include "platform/dostime.h"
#include "platform/threads.h"
#include "runtime/exceptions.h"
#include "runtime/scope_exit.h"

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

// What goes into the archive next, in archive order; a block stands for the
// compressing pipeline's next result. Source < 0 is the file list.
struct TAction {
  enum Kind { Head, Block, End } What;
  int Source;
  int32_t RawSize;
};

}  // namespace

// One Backup run, in its steps: ScanSources, CreateIdsFile, WriteArchive
// (its entries queued while their pieces are compressed ahead), WriteIds,
// then CleanUp.
class TBackupFile::TBackupRun {
 public:
  TBackupRun(TBackupFile& Owner, const std::string& ArchiveName, const std::vector<TSourceFile>& Files)
      : FOwner(Owner), FArchiveName(ArchiveName), FSources(Files) {}

  bool Run();

 private:
  // 1. Selects and measures the sources and makes the file list; the
  // header's totals come from here.
  void ScanSources();
  // 2. The file-ID list is made before the archive, so that a failure
  // leaves nothing behind.
  void CreateIdsFile();
  // 3. The archive: header, file list, the entries, end marker.
  void WriteArchive();
  void QueueFileList();
  void QueueFile(int Index);
  // Hands FPiece to the pipeline, writing a queued block first when the
  // pipeline is full.
  void QueuePiece(int Source);
  // Writes queued actions until one more block is out (or none is left).
  void DrainOne();
  void Perform(const TAction& Action);
  void WriteBlock(const TAction& Action);
  // 4. The file-ID list's lines.
  void WriteIds();
  // After the run: a run that did not complete leaves no file it created;
  // a complete one clears the archive attributes when asked to.
  void CleanUp(bool Complete);

  std::string SourceName(int Source) const {
    return Source < 0 ? std::string() : FScanned[size_t(Source)].Source->SourcePath;
  }
  // A source that cannot be opened or read: the run stops with error 1.
  [[noreturn]] void CannotRead(const TScannedFile& File) {
    FOwner.FCurrentFileName = File.Source->SourcePath;
    throw EBackupStop(beCannotReadFile);
  }

  TBackupFile& FOwner;
  const std::string& FArchiveName;
  const std::vector<TSourceFile>& FSources;
  std::vector<std::string> FCreated;
  std::vector<TScannedFile> FScanned;
  size_t FLongestName = archive::kFileListName.size();
  std::string FList;
  std::unique_ptr<TFileStream> FIds;
  // While WriteArchive runs: its volume writer and compressing pipeline,
  // the actions not yet written, and the buffers of a piece and a block.
  archive::TVolumeWriter* FWriter = nullptr;
  archive::TDeflatePipeline* FPipeline = nullptr;
  std::deque<TAction> FActions;
  std::vector<uint8_t> FPiece;
  archive::TDataBlock FBlock;
};

bool TBackupFile::Backup(const std::string& ArchiveName, const std::vector<TSourceFile>& Files) {
  return TBackupRun(*this, ArchiveName, Files).Run();
}

bool TBackupFile::TBackupRun::Run() {
  TBackupFile& o = FOwner;
  o.SetError(beNone, "");
  o.FContinueFlag = true;
  o.FBytesDone = 0;
  o.FRestoredCount = 0;
  o.FFileCount = 0;
  o.FTotalSize = 0;
  o.FCurrentFileName.clear();
  o.FBusy = true;
  bool complete = false;
  try {
    ScanSources();
    CreateIdsFile();
    WriteArchive();
    WriteIds();
    complete = true;
    o.FCurrentFileName.clear();
  } catch (const EBackupStop& e) {
    o.FErrorCode = e.Code;
  } catch (const archive::EArchiveWrite& e) {
    o.FErrorCode = e.Code;
  } catch (const archive::EVolumeCancelled&) {
    o.FContinueFlag = false;
  } catch (const EBackupCancelled&) {
    o.FContinueFlag = false;
  } catch (const std::exception&) {
    // Anything else, such as memory running out in a compressing thread.
    o.FErrorCode = beCannotWriteArchive;
  }
  CleanUp(complete);
  if (o.OnProgress) {
    bool ignored = o.FContinueFlag;
    o.OnProgress(&o, "", 100, ignored);
  }
  o.FBusy = false;
  if (o.FErrorCode != beNone) o.ReportError(o.FErrorCode);
  return complete && o.FErrorCode == beNone && o.FContinueFlag;
}

void TBackupFile::TBackupRun::ScanSources() {
  TBackupFile& o = FOwner;
  int64_t total = 0;
  for (const TSourceFile& f : FSources) {
    if (!StorableName(f.StoredName)) throw EBackupStop(beCannotWriteArchive);
    if (o.FBackupMode == bmIncremental && !o.FFiles.HasArchiveAttribute(f.SourcePath)) continue;
    int32_t age = o.FFiles.FileAge(f.SourcePath);
    int64_t size = -1;
    try {
      size = o.FFiles.OpenFile(f.SourcePath, fmOpenRead | fmShareDenyNone)->Size();
    } catch (const EStreamError&) {
    }
    if (size < 0) {
      o.FCurrentFileName = f.SourcePath;
      throw EBackupStop(beCannotReadFile);
    }
    // A file that opens but has no MS-DOS date/time (dated before 1980 or
    // after 2107) gets the earliest one, 1980-01-01 00:00:00.
    if (age == -1) age = platform::PackDosDateTime({});
    FScanned.push_back({&f, age, size});
    total += size;
    FLongestName = std::max(FLongestName, f.StoredName.size());
  }
  for (const TScannedFile& s : FScanned)
    FList += s.Source->StoredName + "\t" + std::to_string(s.DosDateTime) + "=" + std::to_string(s.Size) + "\r\n";
  total += static_cast<int64_t>(FList.size());
  // The header holds 32-bit totals.
  if (total > INT32_MAX || FScanned.size() > size_t(INT32_MAX)) throw EBackupStop(beCannotWriteArchive);
  if (o.MaxSize > 0 && o.MaxSize < archive::MinVolumeSize(o.BackupTitle.size(), FLongestName))
    throw EBackupStop(beCannotWriteArchive);
  // A volume named like the archive (x.002) would be written over it.
  if (o.MaxSize > 0 && archive::VolumeNameClashes(FArchiveName)) throw EBackupStop(beCannotWriteArchive);
  o.FTotalSize = static_cast<int32_t>(total);
  o.FFileCount = static_cast<int32_t>(FScanned.size());
}

void TBackupFile::TBackupRun::CreateIdsFile() {
  if (!FOwner.SaveFileID) return;
  std::string idsName = FArchiveName + ".ids";
  try {
    FIds = FOwner.FFiles.OpenFile(idsName, fmCreate);
    FCreated.push_back(idsName);
  } catch (const EStreamError&) {
    throw EBackupStop(beFileIDTempFile);
  }
}

void TBackupFile::TBackupRun::WriteArchive() {
  TBackupFile& o = FOwner;
  archive::TVolumeWriter writer(o.FFiles, FArchiveName, o.MaxSize, [&o](int Number) {
    if (!o.OnNeedDisk) return true;
    o.OnNeedDisk(&o, static_cast<uint16_t>(Number), o.FContinueFlag);
    return o.FContinueFlag;
  });
  std::vector<uint8_t> header;
  AppendInt32(header, static_cast<int32_t>(o.BackupTitle.size()));
  AppendText(header, o.BackupTitle);
  AppendInt32(header, o.FTotalSize);
  AppendInt32(header, o.FFileCount);
  try {
    writer.Start(header);
    int threads = o.CompressionThreads > 0 ? o.CompressionThreads : platform::ProcessorCount();
    archive::TDeflatePipeline pipeline(ZlibLevelOf(o.CompressionLevel), threads, o.ThreadStarter);
    FWriter = &writer;
    FPipeline = &pipeline;
    ScopeExit done([this] {
      FWriter = nullptr;
      FPipeline = nullptr;
    });
    QueueFileList();
    for (size_t i = 0; i < FScanned.size(); ++i) QueueFile(int(i));
    while (!FActions.empty()) DrainOne();
    writer.Finish();
    FCreated.insert(FCreated.end(), writer.Created().begin(), writer.Created().end());
  } catch (...) {
    FCreated.insert(FCreated.end(), writer.Created().begin(), writer.Created().end());
    throw;
  }
}

void TBackupFile::TBackupRun::QueueFileList() {
  FActions.push_back({TAction::Head, -1, 0});
  for (size_t off = 0; off < FList.size(); off += archive::kMaxBlockSize) {
    size_t n = std::min(FList.size() - off, size_t(archive::kMaxBlockSize));
    FPiece.assign(FList.begin() + static_cast<std::ptrdiff_t>(off),
                  FList.begin() + static_cast<std::ptrdiff_t>(off + n));
    QueuePiece(-1);
  }
  FActions.push_back({TAction::End, -1, 0});
}

void TBackupFile::TBackupRun::QueueFile(int Index) {
  const TScannedFile& s = FScanned[size_t(Index)];
  FActions.push_back({TAction::Head, Index, 0});
  if (s.Size > 0) {
    std::unique_ptr<TFileStream> source;
    try {
      source = FOwner.FFiles.OpenFile(s.Source->SourcePath, fmOpenRead | fmShareDenyNone);
    } catch (const EStreamError&) {
      CannotRead(s);
    }
    for (int64_t left = s.Size; left > 0;) {
      int32_t n = static_cast<int32_t>(std::min<int64_t>(left, archive::kMaxBlockSize));
      FPiece.resize(size_t(n));
      // A file that became shorter since it was measured cannot give the
      // size already written into the file list.
      try {
        source->ReadBuffer(FPiece.data(), n);
      } catch (const EReadError&) {
        CannotRead(s);
      }
      left -= n;
      QueuePiece(Index);
    }
  }
  FActions.push_back({TAction::End, Index, 0});
}

void TBackupFile::TBackupRun::QueuePiece(int Source) {
  if (FPipeline->InFlight() == FPipeline->Window()) DrainOne();
  int32_t rawSize = static_cast<int32_t>(FPiece.size());
  FPipeline->Push(FPiece);
  FActions.push_back({TAction::Block, Source, rawSize});
}

void TBackupFile::TBackupRun::DrainOne() {
  while (!FActions.empty()) {
    TAction a = FActions.front();
    FActions.pop_front();
    Perform(a);
    if (a.What == TAction::Block) return;
  }
}

void TBackupFile::TBackupRun::Perform(const TAction& Action) {
  switch (Action.What) {
    case TAction::Head:
      // The file list and its terminator stay in the first volume, where
      // readers of the title and list look for them.
      if (Action.Source < 0) FWriter->KeepInVolume(true);
      FWriter->BeginEntry(Action.Source < 0 ? EntryHead(std::string(archive::kFileListName), ListDateTime())
                                            : EntryHead(FScanned[size_t(Action.Source)].Source->StoredName,
                                                        FScanned[size_t(Action.Source)].DosDateTime));
      break;
    case TAction::Block:
      WriteBlock(Action);
      break;
    case TAction::End:
      FWriter->EndEntry();
      if (Action.Source < 0) FWriter->KeepInVolume(false);
      break;
  }
}

void TBackupFile::TBackupRun::WriteBlock(const TAction& Action) {
  TBackupFile& o = FOwner;
  FPipeline->Pop(FBlock);
  if (FBlock.Failed) throw EBackupStop(beCompressionError);
  // One record, or two for a piece that did not shrink; each may end a
  // volume on its own.
  for (size_t at = 0; at + 4 <= FBlock.Bytes.size();) {
    int32_t length = static_cast<int32_t>(archive::LoadLE32(FBlock.Bytes.data() + at));
    size_t record = 4 + static_cast<size_t>(length < 0 ? -int64_t(length) : int64_t(length));
    FWriter->WriteBlock(FBlock.Bytes.data() + at, record);
    at += record;
  }
  if (Action.Source < 0) return;
  o.FBytesDone += Action.RawSize;
  o.FCurrentFileName = SourceName(Action.Source);
  if (o.OnProgress)
    o.OnProgress(&o, o.FCurrentFileName, archive::ProgressPercent(o.FBytesDone, o.FTotalSize), o.FContinueFlag);
  if (!o.FContinueFlag) throw EBackupCancelled();
}

void TBackupFile::TBackupRun::WriteIds() {
  if (!FIds) return;
  std::string text;
  for (size_t i = 0; i < FScanned.size(); ++i)
    text +=
        std::to_string(i + 1) + "\t" + FScanned[i].Source->StoredName + "\t" + FScanned[i].Source->SourcePath + "\r\n";
  try {
    FIds->WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
  } catch (const EStreamError&) {
    throw EBackupStop(beFileIDTempFile);
  }
  FIds.reset();
}

void TBackupFile::TBackupRun::CleanUp(bool Complete) {
  if (!Complete) {
    // No unfinished archive or volume is left behind.
    FIds.reset();
    for (const std::string& name : FCreated) FOwner.FFiles.EraseFile(name);
  } else if (FOwner.SetArchiveFlag) {
    for (const TScannedFile& s : FScanned) FOwner.FFiles.ClearArchiveAttribute(s.Source->SourcePath);
  }
}
