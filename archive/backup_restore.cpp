// TBackupFile: the reading side. Reading the title and file list, restoring
// the entries of an archive (from a file, a set of volume files or the
// caller's stream), and copying one entry's data section.
//
// Memory while restoring is two 16 KB buffers on the stack of CopyEntryData
// and one zlib state per data section; for a file of more than four blocks,
// the parallel restore's bounded window (backup_restore_parallel.cpp).
// Nothing is sized from the archive's numbers before they are checked
// against the bytes that are really there.
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "archive/backup.h"
#include "archive/block_records.h"
#include "archive/format.h"
#include "archive/progress.h"
#include "archive/record_reader.h"
#include "archive/volumes.h"
#include "platform/threads.h"
#include "runtime/exceptions.h"
#include "runtime/scope_exit.h"
#include "runtime/windows_path.h"

namespace {

using archive::BlockInflater;
using archive::BlockRecordReader;

constexpr const char* kStreamName = ":STREAM";

// Blocks of one file restored on the caller's thread before the rest are
// decompressed on several: a file this short is done before threads pay.
constexpr int kBlocksRestoredHere = 4;

// True when the relative path Rel, put below a folder, could name something
// outside it: one of its parts (split at "\" or "/") is ".." or, as Windows
// reads a part with its trailing dots and blanks dropped, becomes "..".
bool LeavesFolder(const std::string& Rel) {
  size_t start = 0;
  while (start <= Rel.size()) {
    size_t end = Rel.find_first_of("\\/", start);
    if (end == std::string::npos) end = Rel.size();
    std::string part = Rel.substr(start, end - start);
    bool onlyDotsAndBlanks = !part.empty() && part.find_first_not_of(". ") == std::string::npos;
    if (onlyDotsAndBlanks && std::count(part.begin(), part.end(), '.') >= 2) return true;
    start = end + 1;
  }
  return false;
}

// Two names of the same file as Windows compares them: ignoring case, with
// "/" and "\" alike.
bool SameFileName(const std::string& A, const std::string& B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    auto fold = [](char C) { return C == '/' ? '\\' : C >= 'a' && C <= 'z' ? char(C - 'a' + 'A') : C; };
    if (fold(A[i]) != fold(B[i])) return false;
  }
  return true;
}

// The date/time by which the restore modes compare an existing file: its
// age, or the oldest of all when it has a date that no MS-DOS date/time
// holds (before 1980 or after 2107).
int32_t ExistingDateTime(platform::IFileSystem& Files, const std::string& Name) {
  int32_t age = Files.FileAge(Name);
  return age == -1 ? INT32_MIN : age;
}

// A memory stream that refuses to grow past a cap: a file list that
// inflates beyond it is damage, not a reason to take all memory.
class TCappedMemoryStream : public TMemoryStream {
 public:
  explicit TCappedMemoryStream(size_t Cap) : FCap(Cap) {}
  int32_t Write(const void* Buffer, int32_t Count) override {
    if (Count > 0 && Bytes().size() + size_t(Count) > FCap) throw EWriteError("the file list is too long");
    return TMemoryStream::Write(Buffer, Count);
  }

 private:
  size_t FCap;
};

// The file behind a run's source: the archive file, or the file of the
// caller's stream; "" when there is none.
std::string SourceFileName(TStream* Source) {
  auto* file = dynamic_cast<TFileStream*>(Source);
  return file ? file->FileName() : std::string();
}

// True when the record after a file list is a continuation marker and the
// volume it leads to starts with a data section holding blocks: the list
// goes on there. What cannot be read (a missing volume) counts as not going
// on. Source is left where it was.
bool ListGoesOnInNextVolume(TStream& Source, platform::IFileSystem& Files, const std::string& ArchiveFile) {
  int64_t at = Source.Position();
  bool goesOn = false;
  try {
    archive::TRecord marker = archive::TRecordReader(Source).NextRecord(1);
    int next = marker.Kind == archive::rkContinuation ? marker.NextVolume : -1;
    if (next > 0 && !ArchiveFile.empty()) {
      std::string volume = archive::VolumeFileName(ArchiveFile, next);
      if (Files.FileExists(volume)) {
        unsigned char head[8];  // data signature, first block length
        Files.OpenFile(volume, fmOpenRead | fmShareDenyNone)->ReadBuffer(head, 8);
        goesOn = archive::LoadLE32(head + 4) != uint32_t(archive::kBlockTerminator);
      }
    }
  } catch (const std::exception&) {
  }
  Source.SetPosition(at);
  return goesOn;
}

}  // namespace

void TBackupFile::CopyEntryData(archive::TRecordReader& Reader, TStream* Destination, bool Write) {
  Reader.BeginSection(FCurrentFileName);
  TStream& Source = Reader.Source();
  BlockRecordReader& records = Reader.Blocks();
  unsigned char output[archive::kMaxBlockSize];
  BlockInflater inflater;
  auto* progressFile = dynamic_cast<TFileStream*>(Destination);
  int blocksRestored = 0;
  int32_t blockLength;
  do {
    blockLength = records.NextLength();
    uint32_t produced = 0;
    if (blockLength != 0) {
      int32_t size = blockLength > 0 ? blockLength : -blockLength;
      if (Write) {
        const unsigned char* input = records.NextBlock(size);
        if (blockLength > 0) {
          uInt n = 0;
          if (!inflater.Inflate(input, static_cast<uInt>(size), output, sizeof output, n)) {
            SetError(beCompressionError, progressFile ? FCurrentFileName : std::string());
            FContinueFlag = false;
          }
          produced = n;
          // The bytes produced are written even after a zlib error.
          if (Destination && n > 0) Destination->WriteBuffer(output, static_cast<int32_t>(n));
        } else {
          produced = static_cast<uint32_t>(size);
          if (Destination) Destination->WriteBuffer(input, size);
        }
      } else if (Source.Seek(size, TSeekOrigin::soCurrent) < 0) {
        throw EReadError("Stream read error");
      }
    }
    AfterBlockRecord(progressFile != nullptr, produced);
    // The rest of a long file is decompressed on several threads.
    if (blockLength != 0 && FContinueFlag && Write && progressFile && ++blocksRestored == kBlocksRestoredHere) {
      if (FRestoreThreads > 1) {
        CopyBlocksInParallel(records, *Destination, FRestoreThreads);
        return;
      }
    }
  } while (blockLength != 0 && FContinueFlag);
}

void TBackupFile::AfterBlockRecord(bool CountProgress, uint32_t Produced) {
  if (FPump) FPump->ProcessMessages();
  if (CountProgress) {
    FBytesDone = static_cast<int32_t>(std::min<int64_t>(INT32_MAX, int64_t(FBytesDone) + Produced));
    if (OnProgress) OnProgress(this, FCurrentFileName, archive::ProgressPercent(FBytesDone, FTotalSize), FContinueFlag);
  }
}

bool TBackupFile::Restore(const std::string& ArchiveName, const std::string& DestDir) {
  // ":STREAM" names the stream a caller gave before.
  return ArchiveName == kStreamName ? RestoreFrom(true, FSourceStream, std::string(), DestDir)
                                    : RestoreFrom(false, nullptr, ArchiveName, DestDir);
}

bool TBackupFile::RestoreFrom(bool FromStream, TStream* Stream, const std::string& ArchiveName,
                              const std::string& DestDir) {
  std::string destDir = DestDir;
  if (!destDir.empty() && destDir.back() != '\\') destDir += '\\';
  SetError(beNone, "");
  FRestoredCount = 0;
  FContinueFlag = true;

  // The source: the caller's stream, or the archive file opened here (and
  // closed here, also by an exception).
  std::unique_ptr<TFileStream> ownSource;
  TStream* source = nullptr;
  std::unique_ptr<archive::TRecordReader> reader;
  const bool fromStream = FromStream;
  if (fromStream) {
    source = Stream;
  } else if (!FFiles.FileExists(ArchiveName)) {
    return false;
  }

  FBusy = true;
  FRestoreThreads = DecompressionThreads > 0 ? DecompressionThreads : platform::ProcessorCount();
  ScopeExit clearBusy([this] {
    FBusy = false;
    FRestorePipeline.reset();  // the workers end with the run
  });
  try {
    if (!fromStream) {
      ownSource = FFiles.OpenFile(ArchiveName, fmOpenRead | fmShareDenyNone);
      ownSource->SetPosition(0);
      source = ownSource.get();
    }
    if (!source) throw EReadError("Stream read error");
    reader = std::make_unique<archive::TRecordReader>(*source);
    archive::TArchiveHeader header = reader->ReadHeader();
    FTotalSize = header.TotalSize;
    FFileCount = header.FileCount;
  } catch (const std::exception&) {
    throw Exception(BackupErrorMessage(beCannotReadArchive));
  }
  FBytesDone = 0;

  // The current entry: its decision and stored date/time stay current until
  // the next entry is read, so that a continuation resumes or passes over
  // the same file. Before the first entry there is none.
  bool decision = false;
  int32_t storedDateTime = 0;
  FCurrentFileName.clear();
  // The files this run reads from, which are never restore targets: the
  // archive, each volume opened, or the file behind the caller's stream.
  std::vector<std::string> readFiles;
  if (std::string file = fromStream ? SourceFileName(source) : ArchiveName; !file.empty()) readFiles.push_back(file);
  int volume = 1;

  bool ended = false;
  while (!ended && FContinueFlag) {
    archive::TRecord record = reader->NextRecord(volume);
    if (record.Kind == archive::rkEnd) {
      ended = true;
      continue;
    }
    const std::string& name = record.Name;

    if (record.Kind == archive::rkContinuation) {
      if (fromStream) {
        // The caller's stream has no file name to find a next volume by, and
        // is not ours to close: the run ends with an error, which concerns
        // the archive rather than the last file restored.
        SetError(beInvalidArchive, "");
        FContinueFlag = false;
        continue;
      }
      ContinueFromNextVolume(record, ArchiveName, ownSource, *reader, volume, decision, storedDateTime);
      if (ownSource) readFiles.push_back(ownSource->FileName());
      continue;
    }

    storedDateTime = record.DateTime;
    std::string relative;
    if (destDir.empty())
      FCurrentFileName = name;
    else {
      relative = RestoreFullPath ? (name.size() > 3 ? name.substr(3) : std::string()) : FileNamePart(name);
      FCurrentFileName = destDir + relative;
    }

    if (!destDir.empty() && LeavesFolder(relative)) {
      // A stored name that climbs out of the destination folder is never
      // written; its data is passed over and the run reports error 1.
      decision = false;
      SetError(beCannotReadFile, FCurrentFileName);
    } else {
      // Existence is decided apart from the date, which not every file has
      // in MS-DOS form.
      bool exists = FFiles.FileExists(FCurrentFileName);
      int32_t existing = exists ? ExistingDateTime(FFiles, FCurrentFileName) : -1;
      switch (RestoreMode) {
        case rmAll:
          decision = true;
          break;
        case rmNoOverwrite:
          decision = !exists;
          break;
        case rmNewer:
          decision = !exists || storedDateTime > existing;
          break;
        case rmExisting:
          decision = exists;
          break;
        case rmExistingNewer:
          decision = exists && storedDateTime > existing;
          break;
        default:
          decision = false;
          break;
      }
      if (name == archive::kFileListName)
        decision = false;
      else if (OnRestoreFile)
        OnRestoreFile(this, FCurrentFileName, storedDateTime, decision);
      // Restoring over the archive being read would destroy it: the entry
      // is passed over, the run goes on and ends with error 1.
      if (decision && std::any_of(readFiles.begin(), readFiles.end(),
                                  [&](const std::string& F) { return SameFileName(F, FCurrentFileName); })) {
        decision = false;
        SetError(beCannotReadFile, FCurrentFileName);
      }
    }

    if (decision) {
      std::string folder = FolderPart(FCurrentFileName);
      if (folder.empty()) throw EInOutError("Unable to create directory");
      FFiles.ForceDirectories(folder);
      if (!FFiles.DirectoryExists(folder)) {
        // Skipping silently would let the run report success with the file
        // missing: a folder that cannot be made is a file that cannot be
        // written (error 1), and the run stops after this entry.
        decision = false;
        SetError(beCannotReadFile, FCurrentFileName);
        FContinueFlag = false;
      }
    }

    if (decision) {
      std::unique_ptr<TFileStream> file;
      try {
        file = FFiles.OpenFile(FCurrentFileName, fmCreate);
        CopyEntryData(*reader, file.get(), true);
        file->FlushBuffer();
        ++FRestoredCount;
      } catch (const std::exception&) {
        SetError(beCannotReadFile, FCurrentFileName);
        FContinueFlag = false;
      }
      if (file) FinishRestoredFile(file, storedDateTime);
    } else {
      CopyEntryData(*reader, nullptr, false);
    }
  }

  ownSource.reset();
  bool result = FErrorCode == beNone && FContinueFlag;
  if (OnProgress) OnProgress(this, std::string(), 100, FContinueFlag);
  FBusy = false;
  if (FErrorCode != beNone) ReportError(FErrorCode);
  return result;
}

void TBackupFile::FinishRestoredFile(std::unique_ptr<TFileStream>& File, int32_t StoredDateTime) {
  if (OnFileRestored) {
    TFileStream* stream = File.get();
    OnFileRestored(this, FCurrentFileName, stream);
    if (stream != File.get()) {
      // The handler kept the old stream and handed over a new one (or none).
      (void)File.release();
      File.reset(stream);
    }
  }
  // A stored value that is no valid date leaves the time the system gave.
  if (File) (void)File->SetDosDateTime(StoredDateTime);
  File.reset();
}

void TBackupFile::ContinueFromNextVolume(const archive::TRecord& Marker, const std::string& ArchiveName,
                                         std::unique_ptr<TFileStream>& OwnSource, archive::TRecordReader& Reader,
                                         int& Volume, bool Decision, int32_t StoredDateTime) {
  // The current volume is done with.
  OwnSource.reset();

  // Only a later volume leads on: one named again would be read for ever.
  int next = Marker.NextVolume;
  if (next < 0) throw Exception(BackupErrorMessage(beInvalidArchive));
  Volume = next;
  std::string numberText = std::to_string(next);
  auto diskID = static_cast<uint16_t>(next);

  std::string nextName;
  do {
    if (OnNeedDisk)
      OnNeedDisk(this, diskID, FContinueFlag);
    else
      FContinueFlag = FDialogs.ShowMessageBox(DiskPromptMessage(numberText), "Information",
                                              platform::mbOKCancel | platform::mbIconInformation) == platform::idOK;
    nextName = archive::VolumeFileName(ArchiveName, diskID);
  } while (!FFiles.FileExists(nextName) && FContinueFlag);
  if (!FContinueFlag) return;

  OwnSource = FFiles.OpenFile(nextName, fmOpenRead | fmShareDenyNone);
  OwnSource->SetPosition(0);
  Reader.SetSource(*OwnSource);

  std::unique_ptr<TFileStream> file;
  if (Decision) {
    try {
      file = FFiles.OpenFile(FCurrentFileName, fmOpenWrite | fmShareDenyNone);
      if (file->Seek(0, TSeekOrigin::soEnd) < 0) throw EStreamError("Stream seek error");
    } catch (const std::exception&) {
      // The file restored so far cannot be reopened: as any failure to fill
      // a restored file, the run stops with error 1.
      SetError(beCannotReadFile, FCurrentFileName);
      FContinueFlag = false;
      return;
    }
  }
  try {
    CopyEntryData(Reader, file.get(), Decision);
  } catch (const EWriteError&) {
    // A full disk: as in the first volume, error 1 at the end of the run.
    SetError(beCannotReadFile, FCurrentFileName);
    FContinueFlag = false;
  } catch (...) {
    // A damaged volume leaves the run as an exception; the file is still
    // closed and dated first.
    if (file) FinishRestoredFile(file, StoredDateTime);
    throw;
  }
  if (file) FinishRestoredFile(file, StoredDateTime);
}

bool TBackupFile::RestoreFromStream(TStream* Stream, const std::string& DestDir) {
  if (!Stream) return false;
  FSourceStream = Stream;
  try {
    return RestoreFrom(true, Stream, std::string(), DestDir);
  } catch (const std::exception&) {
    return false;
  }
}

void TBackupFile::ReadArchiveInfo(const std::string& ArchiveName, TStringList* List, std::string& Title) {
  if (ArchiveName == kStreamName)
    ReadInfoFrom(true, FSourceStream, std::string(), List, Title);
  else
    ReadInfoFrom(false, nullptr, ArchiveName, List, Title);
}

void TBackupFile::ReadInfoFrom(bool FromStream, TStream* Stream, const std::string& ArchiveName, TStringList* List,
                               std::string& Title) {
  Title.clear();
  FTotalSize = 0;
  FFileCount = 0;
  FRestoredCount = 0;

  std::unique_ptr<TFileStream> ownSource;
  TStream* source = nullptr;
  if (FromStream) {
    source = Stream;
  } else {
    if (!FFiles.FileExists(ArchiveName)) return;
    try {
      ownSource = FFiles.OpenFile(ArchiveName, fmOpenRead | fmShareDenyNone);
      ownSource->SetPosition(0);
    } catch (const std::exception&) {
      SetError(beCannotReadArchive, "");
      ReportError(beCannotReadArchive);
      throw EAbort();
    }
    source = ownSource.get();
  }

  try {
    if (!source) throw EReadError("Stream read error");
    archive::TRecordReader reader(*source);
    archive::TArchiveHeader header;
    ScopeExit keep([&] {
      Title = header.Title;
      FTotalSize = header.TotalSize;
      FFileCount = header.FileCount;
    });
    reader.ReadHeader(header);
    archive::TRecord first = reader.NextRecord(1);
    if (List) {
      if (first.Kind == archive::rkEntry && first.Name == archive::kFileListName) {
        FContinueFlag = true;
        TCappedMemoryStream text(archive::kMaxFileListSize);
        CopyEntryData(reader, &text, true);
        // A zlib error in the list is an unreadable list, not a shorter one.
        if (!FContinueFlag) throw Exception(BackupErrorMessage(beCompressionError));
        // So is a list that goes on in the next volume: only its start is here.
        if (ListGoesOnInNextVolume(*source, FFiles, FromStream ? SourceFileName(source) : ArchiveName))
          throw Exception(BackupErrorMessage(beInvalidArchive));
        text.SetPosition(0);
        List->LoadFromStream(text);
      }
    }
  } catch (const std::exception&) {
    SetError(beInvalidArchive, "");
    ReportError(beInvalidArchive);
  }
}

void TBackupFile::ReadArchiveInfoFromStream(TStream* Stream, TStringList* List, std::string& Title) {
  if (!Stream) return;
  FSourceStream = Stream;
  try {
    ReadInfoFrom(true, Stream, std::string(), List, Title);
  } catch (const std::exception&) {
    Title.clear();
  }
}
