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
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>

#include "archive/backup.h"
#include "archive/block_records.h"
#include "archive/format.h"
#include "runtime/exceptions.h"
#include "runtime/scope_exit.h"
#include "runtime/windows_path.h"

namespace {

using archive::BlockInflater;
using archive::BlockRecordReader;
using archive::ReadFully;

constexpr const char* kStreamName = ":STREAM";

// Blocks of one file restored on the caller's thread before the rest are
// decompressed on several: a file this short is done before threads pay.
constexpr int kBlocksRestoredHere = 4;

int32_t ReadInt32(TStream& Source) {
  unsigned char b[4];
  ReadFully(Source, b, 4);
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
  ReadFully(Source, text.data(), Length);
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

bool StartsWith(const std::string& S, std::string_view Prefix) {
  return S.size() >= Prefix.size() && S.compare(0, Prefix.size(), Prefix) == 0;
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

// Name with its extension replaced by Ext (which starts with "."); Ext is
// appended when the name has no extension.
std::string ChangeFileExt(const std::string& Name, const std::string& Ext) {
  size_t pos = Name.find_last_of(".\\:");
  if (pos == std::string::npos || Name[pos] != '.') return Name + Ext;
  return Name.substr(0, pos) + Ext;
}

// Round(Done / Total * 100) with halves to even, computed exactly and clamped
// to 0..100; 0 while the total is unknown (0 or less).
TPercentage ProgressPercent(int64_t Done, int64_t Total) {
  if (Total <= 0 || Done <= 0) return 0;
  if (Done >= Total) return 100;
  int64_t scaled = Done * 100;
  int64_t q = scaled / Total;
  int64_t twiceRest = (scaled % Total) * 2;
  if (twiceRest > Total || (twiceRest == Total && (q & 1) != 0)) ++q;
  return static_cast<TPercentage>(q);
}

}  // namespace

void TBackupFile::CopyEntryData(TStream& Source, TStream* Destination, bool Write) {
  unsigned char signature[4];
  ReadFully(Source, signature, 4);
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
            FErrorCode = beCompressionError;
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
      const int threads = DecompressionThreads > 0 ? DecompressionThreads : int(std::thread::hardware_concurrency());
      if (threads > 1) {
        CopyBlocksInParallel(records, *Destination, threads);
        return;
      }
    }
  } while (blockLength != 0 && FContinueFlag);
}

void TBackupFile::AfterBlockRecord(bool CountProgress, uint32_t Produced) {
  if (FPump) FPump->ProcessMessages();
  if (CountProgress) {
    FBytesDone = static_cast<int32_t>(std::min<int64_t>(INT32_MAX, int64_t(FBytesDone) + Produced));
    if (OnProgress) OnProgress(this, FCurrentFileName, ProgressPercent(FBytesDone, FTotalSize), FContinueFlag);
  }
}

bool TBackupFile::Restore(const std::string& ArchiveName, const std::string& DestDir) {
  std::string destDir = DestDir;
  if (!destDir.empty() && destDir.back() != '\\') destDir += '\\';
  FErrorCode = beNone;
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
  ScopeExit clearBusy([this] { FBusy = false; });
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

  int32_t nameLength = -1;
  while (nameLength != 0 && FContinueFlag) {
    nameLength = ReadInt32(*source);
    if (nameLength <= 0) continue;  // 0 ends the archive; below 0 is passed over
    std::string name = ReadText(*source, nameLength);

    if (StartsWith(name, archive::kNextDiskPrefix)) {
      if (fromStream) {
        // The caller's stream has no file name to find a next volume by, and
        // is not ours to close: the run ends with an error.
        FErrorCode = beInvalidArchive;
        FContinueFlag = false;
        continue;
      }
      ContinueFromNextVolume(name, ArchiveName, ownSource, source, decision, storedDateTime);
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
      FErrorCode = beCannotReadFile;
    } else {
      int32_t existing = FFiles.FileAge(FCurrentFileName);
      bool exists = existing != -1;
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
        FErrorCode = beCannotReadFile;
        FContinueFlag = false;
      }
    }

    if (decision) {
      std::unique_ptr<TFileStream> file;
      try {
        file = FFiles.OpenFile(FCurrentFileName, fmCreate);
        CopyEntryData(*source, file.get(), true);
        ++FRestoredCount;
      } catch (const std::exception&) {
        FErrorCode = beCannotReadFile;
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
                                         std::unique_ptr<TFileStream>& OwnSource, TStream*& Source, bool Decision,
                                         int32_t StoredDateTime) {
  // The current volume is done with.
  OwnSource.reset();
  Source = nullptr;

  std::string volumeText = Marker.substr(archive::kNextDiskPrefix.size());
  if (Marker.size() != static_cast<size_t>(archive::kNextDiskNameLength) ||
      volumeText.find_first_not_of("0123456789") != std::string::npos)
    throw Exception(BackupErrorMessage(beInvalidArchive));
  std::string numberText = volumeText.substr(std::min(volumeText.find_first_not_of('0'), volumeText.size()));
  auto diskID = static_cast<uint16_t>(std::stoi(volumeText));

  std::string nextName;
  do {
    if (OnNeedDisk)
      OnNeedDisk(this, diskID, FContinueFlag);
    else
      FContinueFlag = FDialogs.ShowMessageBox(DiskPromptMessage(numberText), "Information",
                                              platform::mbOKCancel | platform::mbIconInformation) == platform::idOK;
    nextName = ChangeFileExt(ArchiveName, "." + volumeText);
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
      FErrorCode = beCannotReadFile;
      FContinueFlag = false;
      return;
    }
  }
  CopyEntryData(*Source, file.get(), Decision);
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
      FErrorCode = beCannotReadArchive;
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
        text.SetPosition(0);
        List->LoadFromStream(text);
      }
    }
  } catch (const std::exception&) {
    FErrorCode = beInvalidArchive;
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
