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
#include <thread>
#include <vector>

#include "archive/backup.h"
#include "archive/block_records.h"
#include "archive/format.h"
#include "archive/progress.h"
#include "archive/volumes.h"
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

int32_t ReadInt32(TStream& Source) {
  unsigned char b[4];
  Source.ReadBuffer(b, 4);
  return static_cast<int32_t>(archive::LoadLE32(b));
}

// Reads Length bytes of text. A length below 0 or beyond the end of Source
// is a damaged record and raises EReadError before anything is allocated.
std::string ReadText(TStream& Source, int32_t Length) {
  if (Length < 0) throw EReadError("Stream read error");
  int64_t pos = Source.Position();
  int64_t size = Source.Size();
  if (pos < 0 || size < 0 || Length > size - pos) throw EReadError("Stream read error");
  std::string text(static_cast<size_t>(Length), '\0');
  Source.ReadBuffer(text.data(), Length);
  return text;
}

// The archive's header: title length, title, total size, file count.
struct ArchiveHeader {
  std::string Title;
  int32_t TotalSize = 0;
  int32_t FileCount = 0;
};

ArchiveHeader ReadHeader(TStream& Source) {
  ArchiveHeader header;
  header.Title = ReadText(Source, ReadInt32(Source));
  header.TotalSize = ReadInt32(Source);
  header.FileCount = ReadInt32(Source);
  return header;
}

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

// The file behind a run's source: the archive file, or the file of the
// caller's stream; "" when there is none.
std::string SourceFileName(const std::string& ArchiveName, TStream* Source) {
  if (ArchiveName != kStreamName) return ArchiveName;
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
    int32_t length = ReadInt32(Source);
    std::string marker = length == archive::kNextDiskNameLength ? ReadText(Source, length) : std::string();
    int next = archive::NextVolumeNumber(marker, 1);
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

void TBackupFile::CopyEntryData(TStream& Source, TStream* Destination, bool Write) {
  unsigned char signature[4];
  Source.ReadBuffer(signature, 4);
  // The signature is the text up to the first zero byte.
  size_t textLength = static_cast<size_t>(std::find(signature, signature + 4, 0) - signature);
  if (std::string_view(reinterpret_cast<const char*>(signature), textLength) != archive::kDataSignatureText)
    throw Exception(BackupErrorMessage(beInvalidArchive));

  BlockRecordReader records(Source);
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
  std::string destDir = DestDir;
  if (!destDir.empty() && destDir.back() != '\\') destDir += '\\';
  SetError(beNone, "");
  FRestoredCount = 0;
  FContinueFlag = true;

  // The source: the caller's stream, or the archive file opened here (and
  // closed here, also by an exception).
  std::unique_ptr<TFileStream> ownSource;
  TStream* source = nullptr;
  const bool fromStream = ArchiveName == kStreamName;
  if (fromStream) {
    source = FSourceStream;
  } else if (!FFiles.FileExists(ArchiveName)) {
    return false;
  }

  FBusy = true;
  FRestoreThreads = DecompressionThreads > 0 ? DecompressionThreads : int(std::thread::hardware_concurrency());
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
    ArchiveHeader header = ReadHeader(*source);
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
  if (std::string file = SourceFileName(ArchiveName, source); !file.empty()) readFiles.push_back(file);
  int volume = 1;

  int32_t nameLength = -1;
  while (nameLength != 0 && FContinueFlag) {
    nameLength = ReadInt32(*source);
    if (nameLength <= 0) continue;  // 0 ends the archive; below 0 is passed over
    std::string name = ReadText(*source, nameLength);

    if (archive::IsContinuationMarker(name)) {
      if (fromStream) {
        // The caller's stream has no file name to find a next volume by, and
        // is not ours to close: the run ends with an error, which concerns
        // the archive rather than the last file restored.
        SetError(beInvalidArchive, "");
        FContinueFlag = false;
        continue;
      }
      ContinueFromNextVolume(name, ArchiveName, ownSource, source, volume, decision, storedDateTime);
      if (ownSource) readFiles.push_back(ownSource->FileName());
      continue;
    }

    storedDateTime = ReadInt32(*source);
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
        CopyEntryData(*source, file.get(), true);
        file->FlushBuffer();
        ++FRestoredCount;
      } catch (const std::exception&) {
        SetError(beCannotReadFile, FCurrentFileName);
        FContinueFlag = false;
      }
      if (file) FinishRestoredFile(file, storedDateTime);
    } else {
      CopyEntryData(*source, nullptr, false);
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

void TBackupFile::ContinueFromNextVolume(const std::string& Marker, const std::string& ArchiveName,
                                         std::unique_ptr<TFileStream>& OwnSource, TStream*& Source, int& Volume,
                                         bool Decision, int32_t StoredDateTime) {
  // The current volume is done with.
  OwnSource.reset();
  Source = nullptr;

  // Only a later volume leads on: one named again would be read for ever.
  int next = archive::NextVolumeNumber(Marker, Volume);
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
  Source = OwnSource.get();

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
    CopyEntryData(*Source, file.get(), Decision);
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
    return Restore(kStreamName, DestDir);
  } catch (const std::exception&) {
    return false;
  }
}

void TBackupFile::ReadArchiveInfo(const std::string& ArchiveName, TStringList* List, std::string& Title) {
  Title.clear();
  FTotalSize = 0;
  FFileCount = 0;
  FRestoredCount = 0;

  std::unique_ptr<TFileStream> ownSource;
  TStream* source = nullptr;
  if (ArchiveName == kStreamName) {
    source = FSourceStream;
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
    int32_t titleLength = ReadInt32(*source);
    Title = ReadText(*source, titleLength);
    FTotalSize = ReadInt32(*source);
    FFileCount = ReadInt32(*source);
    int32_t nameLength = ReadInt32(*source);
    if (nameLength > 0 && List) {
      std::string name = ReadText(*source, nameLength);
      if (name == archive::kFileListName) {
        (void)ReadInt32(*source);  // the list's date/time: not used
        FContinueFlag = true;
        TMemoryStream text;
        CopyEntryData(*source, &text, true);
        // A zlib error in the list is an unreadable list, not a shorter one.
        if (!FContinueFlag) throw Exception(BackupErrorMessage(beCompressionError));
        // So is a list that goes on in the next volume: only its start is here.
        if (ListGoesOnInNextVolume(*source, FFiles, SourceFileName(ArchiveName, source)))
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
    ReadArchiveInfo(kStreamName, List, Title);
  } catch (const std::exception&) {
    Title.clear();
  }
}
