#include "tools/extraction.h"

#include <algorithm>
#include <climits>

#include "runtime/name_rule.h"
#include "runtime/windows_path.h"

namespace arc {

namespace {

// A file longer than this is written as it is read; shorter ones are held
// and made by the writer threads, which is where the time of many small
// files goes (making a file costs more than inflating it).
constexpr size_t kHeldFileBytes = size_t(1) << 20;
// Buffers of held files kept for the next files, so that memory once
// touched is used again instead of being given back and faulted in anew.
constexpr size_t kSpareBuffers = 64;
// File bytes waiting for the writers at most; the walk waits beyond it.
constexpr size_t kQueuedBytes = size_t(8) << 20;
// The longest name of one part that the systems take.
constexpr size_t kMaxPartBytes = 255;

std::string Joined(const platform::TNameParts& Parts, size_t Count, char Separator) {
  std::string out;
  for (size_t i = 0; i < Count && i < Parts.size(); ++i) {
    if (i > 0) out += Separator;
    out += Parts[i];
  }
  return out;
}

}  // namespace

TExtraction::TExtraction(platform::IDestination& Dest, IConsole& Console, TExtractSettings Settings,
                         std::vector<platform::TFileId> Protected)
    : FDest(Dest),
      FConsole(Console),
      FSettings(std::move(Settings)),
      FProtected(std::move(Protected)),
      FSeparator(HostNameSystem() == TNameSystem::Windows ? '\\' : '/') {
  FRootShown = FConsole.ShownName(FDest.Root());
  while (FRootShown.size() > 1 && FRootShown.back() == FSeparator) FRootShown.pop_back();
  int writers = std::max(1, FSettings.Writers);
  FJobs.resize(static_cast<size_t>(writers));
  FWorkReady = std::vector<std::condition_variable>(static_cast<size_t>(writers));
  for (int i = 0; i < writers; ++i) FThreads.emplace_back([this, i] { Work(static_cast<size_t>(i)); });
}

TExtraction::~TExtraction() {
  WaitForWriters();
  {
    std::lock_guard<std::mutex> lock(FLock);
    FStop = true;
  }
  for (auto& ready : FWorkReady) ready.notify_one();
  for (std::thread& t : FThreads) t.join();
  FFiles.clear();  // removes what was not put in place
}

bool TExtraction::TargetOf(const std::string& Name, platform::TNameParts& Parts, std::string& Stored,
                           std::string& Why) {
  // Without the folders every file goes into the destination itself.
  Stored = FSettings.FullPath ? (Name.size() > 3 ? Name.substr(3) : std::string()) : FileNamePart(Name);
  if (Stored.size() >= kMaxPath) {
    Why = "a name longer than " + std::to_string(kMaxPath - 1) + " characters";
    return false;
  }
  Parts.clear();
  for (const std::string& part : SplitPathParts(Stored)) {
    if (std::string why = InvalidPartReason(part); !why.empty()) {
      Why = "invalid name: " + why;
      return false;
    }
    std::string name;
    if (!FConsole.SystemName(part, name)) {
      Why = "a name this system cannot spell";
      return false;
    }
    if (name.size() > kMaxPartBytes) {
      Why = "a name part longer than 255 bytes";
      return false;
    }
    Parts.push_back(std::move(name));
  }
  return true;
}

bool TExtraction::Decide(const platform::TEntryInfo& Existing, int32_t DateTime) const {
  // A link in place of a file counts as an old file: it is replaced, never
  // followed. A date that no MS-DOS date/time holds is older than any.
  bool exists = Existing.Kind == platform::ekFile || Existing.Kind == platform::ekLink;
  int32_t age = Existing.Kind == platform::ekFile && Existing.DosDateTime != -1 ? Existing.DosDateTime : INT32_MIN;
  switch (FSettings.Mode) {
    case rmAll:
      return true;
    case rmNoOverwrite:
      return !exists;
    case rmNewer:
      return !exists || DateTime > age;
    case rmExisting:
      return exists;
    case rmExistingNewer:
      return exists && DateTime > age;
  }
  return false;
}

bool TExtraction::FolderOnTheWayIsLink(const platform::TNameParts& Parts, std::string& Link, bool& New) {
  New = false;
  for (size_t n = 1; n < Parts.size(); ++n) {
    std::string key = Joined(Parts, n, '\\');
    if (FNewFolders.count(key)) {
      New = true;
      return false;
    }
    if (FSoundFolders.count(key)) continue;
    platform::TNameParts folder(Parts.begin(), Parts.begin() + static_cast<long>(n));
    platform::TEntryKind kind = FDest.Look(folder).Kind;
    if (kind == platform::ekLink || kind == platform::ekFile || kind == platform::ekOther) {
      Link = FRootShown + FSeparator + Joined(Parts, n, FSeparator);
      return true;
    }
    if (kind == platform::ekNone) {
      // Missing: this run makes it and everything below it.
      for (size_t m = n; m < Parts.size(); ++m) {
        platform::TNameParts below(Parts.begin(), Parts.begin() + static_cast<long>(m));
        FNewFolders.insert(Joined(below, m, '\\'));
        FMissingFolders.push_back(std::move(below));
      }
      New = true;
      return false;
    }
    FSoundFolders.insert(key);
  }
  return false;
}

bool TExtraction::IsProtected(const platform::TEntryInfo& Info) const {
  return Info.Kind == platform::ekFile && std::find(FProtected.begin(), FProtected.end(), Info.Id) != FProtected.end();
}

void TExtraction::Refuse(const std::string& Shown, const std::string& Why) {
  std::lock_guard<std::mutex> lock(FLock);
  FProblems.push_back(Shown + ": " + Why + "; not written");
}

bool TExtraction::BeginEntry(int Index, const std::string& Name, int32_t DateTime) {
  FCurrent = nullptr;
  if (FSettings.LeaveOut.count(Index)) return false;
  if (std::string failure = WriteFailure(); !failure.empty()) throw EExtractStop{failure};
  platform::TNameParts parts;
  std::string stored, why;
  if (!TargetOf(Name, parts, stored, why)) {
    Refuse("entry " + FConsole.ToTerminal(Name), why);
    return false;
  }
  std::string shownRel = FConsole.ToTerminal(stored);
  std::replace_if(shownRel.begin(), shownRel.end(), IsPathSeparator, FSeparator);
  std::string shown = FRootShown + FSeparator + shownRel;

  // Two entries for one file: by the key under which the system takes two
  // names as one file, on the final names.
  std::string key = FileNameKey(Joined(parts, parts.size(), '\\'), HostNameSystem());
  auto earlier = FByKey.find(key);
  if (earlier != FByKey.end() && !FSettings.Overwrite)
    throw EExtractStop{"entries " + FConsole.ToTerminal(earlier->second.first) + " and " + FConsole.ToTerminal(Name) +
                       " would both be written to " + shown +
                       "; nothing was written (--overwrite lets the later one replace the earlier)"};
  // The earlier file is replaced only by a later one that is written.
  TFile* replaced = earlier != FByKey.end() ? earlier->second.second : nullptr;
  if (earlier == FByKey.end()) FByKey.emplace(key, std::make_pair(Name, nullptr));

  std::string link;
  bool folderIsNew = false;
  if (FolderOnTheWayIsLink(parts, link, folderIsNew)) {
    Refuse(shown, "the folder " + link + " is a symbolic link or no folder");
    return false;
  }
  // Nothing is in a folder this run found missing (and makes).
  platform::TEntryInfo existing = folderIsNew ? platform::TEntryInfo() : FDest.Look(parts);
  if (existing.Kind == platform::ekFolder || existing.Kind == platform::ekOther) {
    Refuse(shown, "something that is no file has its name");
    return false;
  }
  if (IsProtected(existing)) {
    Refuse(shown, "it is a file of the archive being read");
    return false;
  }
  if (!Decide(existing, DateTime)) return false;

  TFile& file = FFiles.emplace_back();
  file.Parts = std::move(parts);
  file.Shown = shown;
  file.DateTime = DateTime;
  file.Replace = existing.Kind != platform::ekNone || FSettings.Mode == rmAll;
  file.ProtectedKnown = FProtected.size();
  if (replaced) replaced->Superseded = true;
  FByKey[key] = {Name, &file};
  FCurrent = &file;
  FDirect = false;
  FHeld.clear();
  if (FHeld.capacity() == 0) {
    // A buffer a writer is done with: its memory is there already.
    std::lock_guard<std::mutex> lock(FLock);
    if (!FSpare.empty()) {
      FHeld.swap(FSpare.back());
      FSpare.pop_back();
    }
  }
  FShown = shown;
  return true;
}

void TExtraction::EntryBytes(const uint8_t* Data, size_t Size) {
  if (!FCurrent || !FCurrent->Failure.empty()) return;
  std::string reason;
  if (!FDirect) {
    FHeld.insert(FHeld.end(), Data, Data + Size);
    if (FHeld.size() <= kHeldFileBytes) return;
    // Too long to hold: made now and written as it is read.
    platform::TNameParts folders(FCurrent->Parts.begin(), FCurrent->Parts.end() - 1);
    FCurrent->Temp = FDest.NewTempFile(folders, reason);
    FDirect = true;
    if (FCurrent->Temp && !FCurrent->Temp->Write(FHeld.data(), FHeld.size(), reason)) FCurrent->Temp.reset();
    FHeld.clear();
    FHeld.shrink_to_fit();
  } else if (!FCurrent->Temp->Write(Data, Size, reason)) {
    FCurrent->Temp.reset();
  }
  if (!FCurrent->Temp) NoteWriteFailure(*FCurrent, reason);
}

void TExtraction::EndEntry(const std::string& Damage) {
  TFile* file = FCurrent;
  FCurrent = nullptr;
  if (!file) return;
  if (!Damage.empty() || !file->Failure.empty()) {
    // A damaged entry is never put in place.
    file->Superseded = true;
    file->Temp.reset();
    return;
  }
  if (FDirect) {
    std::string reason;
    file->Temp->SetDosDateTime(file->DateTime);
    if (!file->Temp->Close(reason)) {
      file->Temp.reset();
      NoteWriteFailure(*file, reason);
    }
    return;
  }
  Give({file, std::move(FHeld), false});
  FHeld = {};
}

void TExtraction::Give(TJob Job) {
  // The files of one folder go to one writer: files made in one folder wait
  // for each other on the folder's lock in the system, files of several
  // folders are made at once.
  const platform::TNameParts& parts = Job.File->Parts;
  size_t writer = std::hash<std::string>()(Joined(parts, parts.size() - 1, '\\')) % FJobs.size();
  std::unique_lock<std::mutex> lock(FLock);
  ++FWaiting;
  FDone.wait(lock, [&] { return FQueuedBytes < kQueuedBytes || FQueuedJobs == 0; });
  --FWaiting;
  FQueuedBytes += Job.Data.size();
  const bool wasIdle = FJobs[writer].empty();
  FJobs[writer].push_back(std::move(Job));
  ++FQueuedJobs;
  // Only the writer that gets the job is woken, and only when it may sleep.
  if (wasIdle) FWorkReady[writer].notify_one();
}

void TExtraction::Work(size_t Writer) {
  std::deque<TJob>& jobs = FJobs[Writer];
  std::unique_lock<std::mutex> lock(FLock);
  for (;;) {
    FWorkReady[Writer].wait(lock, [&] { return FStop || !jobs.empty(); });
    if (jobs.empty()) return;
    TJob job = std::move(jobs.front());
    jobs.pop_front();
    --FQueuedJobs;
    ++FBusy;
    lock.unlock();
    if (job.Commit)
      CommitOne(*job.File);
    else
      WriteWhole(*job.File, job.Data);
    size_t size = job.Data.size();
    lock.lock();
    if (FSpare.size() < kSpareBuffers && job.Data.capacity() > 0) {
      job.Data.clear();
      FSpare.push_back(std::move(job.Data));
    }
    --FBusy;
    FQueuedBytes -= size;
    if (FWaiting > 0) FDone.notify_all();
  }
}

void TExtraction::WriteWhole(TFile& File, const std::vector<uint8_t>& Data) {
  std::string reason;
  platform::TNameParts folders(File.Parts.begin(), File.Parts.end() - 1);
  std::unique_ptr<platform::ITempFile> temp = FDest.NewTempFile(folders, reason);
  bool ok = temp && (Data.empty() || temp->Write(Data.data(), Data.size(), reason));
  if (ok) {
    temp->SetDosDateTime(File.DateTime);
    ok = temp->Close(reason);
  }
  if (ok) {
    File.Temp = std::move(temp);
    return;
  }
  NoteWriteFailure(File, reason);
}

void TExtraction::NoteWriteFailure(TFile& File, const std::string& Reason) {
  std::lock_guard<std::mutex> lock(FLock);
  File.Failure = Reason;
  if (FWriteFailure.empty()) FWriteFailure = "cannot write " + File.Shown + ": " + Reason;
}

void TExtraction::CommitOne(TFile& File) {
  if (File.Superseded || !File.Temp) {
    File.Temp.reset();
    return;
  }
  std::string reason;
  // Checked again now when a volume was opened after the entry came: it may
  // have the name.
  if (File.ProtectedKnown < FProtected.size() && IsProtected(FDest.Look(File.Parts))) {
    File.Temp.reset();
    Refuse(File.Shown, "it is a file of the archive being read");
    return;
  }
  bool placed = File.Temp->Commit(File.Parts.back(), File.Replace, reason);
  File.Temp.reset();
  std::lock_guard<std::mutex> lock(FLock);
  if (placed)
    ++FPlaced;
  else
    FProblems.push_back(File.Shown + ": " + reason + "; not written");
}

void TExtraction::WaitForWriters() {
  std::unique_lock<std::mutex> lock(FLock);
  ++FWaiting;
  FDone.wait(lock, [&] { return FQueuedJobs == 0 && FBusy == 0; });
  --FWaiting;
}

std::string TExtraction::WriteFailure() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FWriteFailure;
}

int TExtraction::Finish(bool PutInPlace) {
  FCurrent = nullptr;
  WaitForWriters();
  if (!PutInPlace || !WriteFailure().empty()) {
    FFiles.clear();
    return 0;
  }
  for (TFile& file : FFiles) Give({&file, {}, true});
  WaitForWriters();
  FFiles.clear();
  return FPlaced;
}

}  // namespace arc
