#include "tools/arc_commands.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

#include "archive/backup.h"
#include "archive/format.h"
#include "archive/payload.h"
#include "archive/progress.h"
#include "archive/record_reader.h"
#include "archive/volume_writer.h"
#include "archive/volumes.h"
#include "platform/destination.h"
#include "platform/dostime.h"
#include "platform/folder_walk.h"
#include "runtime/exceptions.h"
#include "runtime/stringlist.h"
#include "runtime/windows_path.h"
#include "tools/arc_options.h"
#include "tools/archive_check.h"
#include "tools/extraction.h"

namespace arc {

namespace {

const char kToolVersion[] = "1.1";

const char kGeneralHelp[] =
    "Usage: velto-arc COMMAND [OPTION]... ARGUMENT...\n"
    "       velto-arc --version | --help\n"
    "Commands:\n"
    "  create     write an archive from files\n"
    "  list       show an archive's title, totals and files\n"
    "  test       check every block of every entry of an archive\n"
    "  extract    restore the files of an archive\n"
    "  installer  append an archive to an installer stub\n"
    "Run 'velto-arc COMMAND --help' for the options of a command.\n"
    "Options take their values attached or apart: -j2, -j 2, --jobs=2, --jobs 2.\n"
    "list, test and extract also take a finished installer as ARCHIVE.\n"
    "Exit status: 0 success, 1 archive or file error, 2 wrong usage.\n";

const char kCreateHelp[] =
    "Usage: velto-arc create ARCHIVE [OPTION]... FILE...\n"
    "Writes ARCHIVE from the FILEs, in the order given; a folder stands for\n"
    "every file below it, in sorted order (links to folders are passed over).\n"
    "  -t, --title TITLE        the archive's title (default: none)\n"
    "  -l, --level LEVEL        fastest (default), none, default or max; at\n"
    "                           fastest, default and max every block carries a\n"
    "                           checksum; none stores the data as it is, with no\n"
    "                           checksum, so such an archive cannot be checked\n"
    "                           and damage in it is not found\n"
    "  -j, --jobs N             compression threads (default: one per processor);\n"
    "                           the archive's bytes do not depend on it\n"
    "      --volume-size BYTES  split into volume files of at most BYTES bytes:\n"
    "                           ARCHIVE, then ARCHIVE with the extension .002,\n"
    "                           .003, ...; at least 16412 bytes (more for very\n"
    "                           long titles or names)\n"
    "      --force              replace an existing ARCHIVE that is not an archive\n"
    "  -q, --quiet              no progress bar and no summary\n"
    "  -h, --help               this text\n"
    "ARCHIVE is written under a temporary name beside it and renamed over it\n"
    "when complete (a symbolic link there is replaced, not followed); volumes\n"
    "are written in place. An ARCHIVE that is one of the FILEs by any name (a\n"
    "link, '..', a hard link) is refused before anything is written, and so is\n"
    "an existing ARCHIVE that is not an archive, unless --force.\n"
    "A FILE is stored under its absolute path written as a Windows path on\n"
    "drive Z: (/home/u/a.txt is stored as Z:\\home\\u\\a.txt). A folder is stored\n"
    "as it was named, below drive c: (src as c:\\src\\..., /data/src as\n"
    "c:\\data\\src\\...), so that extract --full-path makes it again as named; a\n"
    "folder named with '..' is refused. Folders with no file below them are left\n"
    "out (an archive holds files only) and counted in a message. Write\n"
    "SOURCE=STORED to store SOURCE under the name STORED: the argument is split\n"
    "at the first '=' followed by a drive letter, a colon and a backslash, so\n"
    "build/a=1.exe=c:\\release\\a.exe stores build/a=1.exe as c:\\release\\a.exe.\n"
    "When SOURCE_DATE_EPOCH is set, it gives the date of the file list, so that\n"
    "the same files give the same archive. On Linux names are converted from\n"
    "the locale's encoding to Windows-1252; a name that cannot be is an error.\n"
    "Example: velto-arc create -l max -j2 -t 'Velto 1.0' velto.arc build/velto\n";

const char kListHelp[] =
    "Usage: velto-arc list ARCHIVE\n"
    "Shows the archive's title, its totals and one line per file: the stored\n"
    "name, the date and time, the size in bytes. An archive with stored blocks\n"
    "(written at level none) is said to be one that cannot be checked.\n"
    "Every record is read to the end marker, the data passed over by its\n"
    "length (test checks the data): an archive that is cut short or whose\n"
    "records are broken ends with exit status 1 after what could be shown.\n"
    "  -h, --help               this text\n"
    "Example: velto-arc list velto.arc\n";

const char kTestHelp[] =
    "Usage: velto-arc test [-q] ARCHIVE\n"
    "Reads every block of every entry, following the volumes, checks each zlib\n"
    "stream and its Adler-32, the header's totals and the file list, and names\n"
    "every damaged entry. Stored blocks (level none) carry no checksum: their\n"
    "number is reported, as blocks that could not be checked.\n"
    "  -q, --quiet              print nothing when the archive is sound\n"
    "  -h, --help               this text\n"
    "Example: velto-arc test -q velto.arc\n";

const char kExtractHelp[] =
    "Usage: velto-arc extract ARCHIVE [OPTION]...\n"
    "Restores the archive's files. The archive is read once and every block\n"
    "checked as by test; each file waits under a temporary name and all are\n"
    "put in place only when the whole archive proved sound: a damaged or cut\n"
    "archive writes nothing.\n"
    "  -d, --directory DIR      restore into DIR (default: the current folder)\n"
    "      --mode MODE          all (default): every file; no-overwrite: only\n"
    "                           files that do not exist; newer: missing files and\n"
    "                           files older than the stored ones; existing: only\n"
    "                           files that exist; existing-newer: existing files\n"
    "                           older than the stored ones\n"
    "      --full-path          keep the stored folders below DIR (the drive part\n"
    "                           is dropped); otherwise every file goes into DIR\n"
    "      --overwrite          when two entries would be written to one file,\n"
    "                           the later replaces the earlier (by default the\n"
    "                           run stops before writing anything, naming both)\n"
    "      --sound-only         when the check finds damaged entries, restore the\n"
    "                           others and name those left out (exit status 1)\n"
    "  -q, --quiet              no progress bar and no summary\n"
    "  -h, --help               this text\n"
    "At a volume change the next volume is read when its file is there; else the\n"
    "tool asks for it on the terminal, and stops when there is no terminal.\n"
    "Nothing is written outside DIR: a symbolic link in place of a file is\n"
    "replaced by the file, never followed; an entry whose folder below DIR is a\n"
    "symbolic link, whose name is no valid name, or that would land on a file of\n"
    "the archive is not written (the others are, and the run ends with status\n"
    "1). Modes and collisions are decided on the final name: on Linux the exact\n"
    "name (case twins are two files), on Windows ignoring case and trailing dots\n"
    "and blanks. Ctrl+C removes the temporary files. On Linux names are\n"
    "converted from Windows-1252 to the locale's encoding.\n"
    "Example: velto-arc extract velto.arc -d out --full-path\n";

const char kInstallerHelp[] =
    "Usage: velto-arc installer --stub STUB.exe -o SETUP.exe ARCHIVE\n"
    "Writes SETUP.exe: a copy of STUB.exe, zero bytes so that the finished\n"
    "file's length is a multiple of 8 (a code-signing tool can then append its\n"
    "certificate table without padding), ARCHIVE, and the 4-byte payload\n"
    "trailer holding the archive's start offset. ARCHIVE must be a sound\n"
    "single-volume archive.\n"
    "      --stub STUB.exe      the installer program\n"
    "  -o, --output SETUP.exe   the installer to write\n"
    "      --force              replace an existing SETUP.exe that holds no archive\n"
    "  -h, --help               this text\n"
    "STUB.exe must be a Windows executable image. SETUP.exe is written under a\n"
    "temporary name beside it and renamed over it when complete; one that is\n"
    "STUB.exe or ARCHIVE by any name (a link, '..', a hard link) is refused\n"
    "before anything is written, and so is an existing SETUP.exe that holds no\n"
    "archive, unless --force. Prints the size of what it made, its files and\n"
    "the stub used.\n"
    "Example: velto-arc installer --stub stub.exe -o setup.exe velto.arc\n";

// A usage error: the message and the command whose help to point at.
struct EUsage {
  std::string Message;
};
// A failure: the message ends up as "velto-arc: <Message>".
struct EFailure {
  std::string Message;
};

// True when Stream (read from its start, left there) holds a Windows
// executable image: the "MZ" header whose offset at 0x3C leads to "PE\0\0".
bool IsWindowsImage(TStream& Stream) {
  unsigned char head[64], pe[4];
  bool image = false;
  try {
    Stream.SetPosition(0);
    Stream.ReadBuffer(head, sizeof head);
    uint32_t at = archive::LoadLE32(head + 0x3C);
    if (head[0] == 'M' && head[1] == 'Z' && at >= sizeof head && at <= Stream.Size() - 4) {
      Stream.SetPosition(at);
      Stream.ReadBuffer(pe, 4);
      image = std::memcmp(pe, "PE\0\0", 4) == 0;
    }
  } catch (const EStreamError&) {
  }
  Stream.SetPosition(0);
  return image;
}

bool ParseNumber(const std::string& Text, long long Min, long long Max, long long& Value) {
  if (Text.empty() || Text.size() > 12 || Text.find_first_not_of("0123456789") != std::string::npos) return false;
  Value = std::stoll(Text);
  return Value >= Min && Value <= Max;
}

std::string DateTimeText(int32_t Dos) {
  platform::DosDateTimeParts p;
  if (!platform::UnpackDosDateTime(Dos, p)) return std::to_string(Dos);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", p.Year, p.Month, p.Day, p.Hour, p.Minute, p.Second);
  return buf;
}

// The progress bar on standard error, drawn only on a terminal. It shows
// names as given: already in the terminal's encoding.
class TTerminalProgress {
 public:
  TTerminalProgress(std::ostream& Err, bool Enabled) : FErr(Err), FEnabled(Enabled) {}
  void Show(const std::string& Shown, int Percent) {
    if (!FEnabled || (Percent == FPercent && Shown == FName)) return;
    FPercent = Percent;
    FName = Shown;
    int filled = Percent * 30 / 100;
    std::string shown = Shown;
    if (shown.size() > 40) {
      // The tail, not starting inside a UTF-8 character.
      size_t from = shown.size() - 37;
      while (from < shown.size() && (static_cast<unsigned char>(shown[from]) & 0xC0) == 0x80) ++from;
      shown = "..." + shown.substr(from);
    }
    char pct[8];
    std::snprintf(pct, sizeof pct, "%3d%%", Percent);
    FErr << "\r[" << std::string(size_t(filled), '#') << std::string(size_t(30 - filled), '.') << "] " << pct << ' '
         << shown << "\x1b[K" << std::flush;
    FDrawn = true;
  }
  // Ends the bar's line, before other output or at the end.
  void Finish() {
    if (FDrawn) FErr << "\n" << std::flush;
    FDrawn = false;
  }

 private:
  std::ostream& FErr;
  bool FEnabled;
  bool FDrawn = false;
  int FPercent = -1;
  std::string FName;
};

// Dialogs for the component: the tool gets every error through OnError and
// every volume through OnNeedDisk, so a box only appears for what those do
// not cover; it is printed and answered with OK.
class TConsoleDialogs : public platform::IDialogs {
 public:
  explicit TConsoleDialogs(std::ostream& Err) : FErr(Err) {}
  int ShowMessageBox(const std::string& Text, const std::string&, uint32_t) override {
    FErr << "velto-arc: " << Text << "\n";
    return platform::idOK;
  }

 private:
  std::ostream& FErr;
};

// An archive opened for list, test or extract: the file and where the
// archive starts in it (after the image of an installer).
struct TOpenedArchive {
  std::unique_ptr<TFileStream> Stream;
  int64_t Start = 0;
  bool Installer() const { return Start > 0; }
};

class TCommands {
 public:
  TCommands(IConsole& Console, std::ostream& Out, std::ostream& Err) : FConsole(Console), FOut(Out), FErr(Err) {}

  int Run(const std::vector<std::string>& Args) {
    std::string command = Args.empty() ? "" : Args[0];
    std::vector<std::string> rest(Args.begin() + (Args.empty() ? 0 : 1), Args.end());
    try {
      try {
        if (command == "--help" || command == "-h" || command == "help") {
          FOut << kGeneralHelp;
          return esSuccess;
        }
        if (command == "--version") {
          FOut << "velto-arc " << kToolVersion << " (archive format "
               << TBackupFile(nullptr, FConsole.Files(), FDialogs).Version() << ")\n";
          return esSuccess;
        }
        if (command == "create") return Create(rest);
        if (command == "list") return List(rest);
        if (command == "test") return Test(rest);
        if (command == "extract") return Extract(rest);
        if (command == "installer") return Installer(rest);
        FCommand.clear();
        throw EUsage{command.empty() ? "no command given" : "unknown command '" + command + "'"};
      } catch (const EUsage& e) {
        FBar.reset();
        FErr << "velto-arc: " << e.Message << "\n";
        FErr << "Try 'velto-arc " << (FCommand.empty() ? "" : FCommand + " ") << "--help'.\n";
        return esUsage;
      }
    } catch (const EFailure& e) {
      if (FBar) FBar->Finish();
      FErr << "velto-arc: " << e.Message << "\n";
      return esFailure;
    } catch (const std::exception& e) {
      // Whatever else went wrong (a stream error, memory) ends the command
      // with its message, never with an abort.
      if (FBar) FBar->Finish();
      FErr << "velto-arc: " << Show(e.what()) << "\n";
      return esFailure;
    }
  }

 private:
  // Text for the terminal: Show for the archive's text (Windows-1252: stored
  // names, titles, the component's messages), ShowPath for names in the
  // system's encoding (paths as typed or as the system gives them).
  std::string Show(const std::string& Text) { return FConsole.ToTerminal(Text); }
  std::string ShowPath(const std::string& Name) { return FConsole.ShownName(Name); }
  // Text typed on the command line, as Windows-1252.
  std::string Typed(const std::string& Text, const std::string& What) {
    std::string out;
    if (!FConsole.FromTerminal(Text, out)) throw EUsage{What + " has characters that Windows-1252 cannot hold"};
    return out;
  }
  // The options of the current command; wrong ones are a usage error.
  TParsedOptions Options(const std::vector<std::string>& Args, std::vector<TOptionSpec> Specs) {
    Specs.push_back({'h', "help", false});
    try {
      return TParsedOptions(Args, Specs);
    } catch (const EOptionError& e) {
      throw EUsage{e.Message};
    }
  }
  bool HelpAsked(const TParsedOptions& A, const char* Help) {
    if (!A.Has("help")) return false;
    FOut << Help;
    return true;
  }
  void StartBar(bool Quiet) { FBar = std::make_unique<TTerminalProgress>(FErr, !Quiet && FConsole.ErrIsTerminal()); }

  // Opens ARCHIVE (a host path given by the user) and finds the archive in it.
  TOpenedArchive OpenArchive(const std::string& Given, std::string& Path) {
    Path = FConsole.ComponentPath(Given);
    platform::IFileSystem& files = FConsole.Files();
    if (!files.FileExists(Path)) throw EFailure{ShowPath(Given) + ": no such archive file"};
    TOpenedArchive a;
    try {
      a.Stream = files.OpenFile(Path, fmOpenRead | fmShareDenyNone);
    } catch (const EStreamError& e) {
      throw EFailure{BackupErrorMessage(beCannotReadArchive) + ": " + ShowPath(Given) + " (" + ShowPath(e.Message()) +
                     ")"};
    }
    // The archive is read by seeking: a pipe is refused as such.
    if (a.Stream->Size() < 0 || a.Stream->Seek(0, TSeekOrigin::soBeginning) != 0)
      throw EFailure{BackupErrorMessage(beCannotReadArchive) + ": " + ShowPath(Given) +
                     " (not a regular file: an archive is read by seeking)"};
    if (!archive::FindArchiveStart(*a.Stream, a.Start))
      throw EFailure{BackupErrorMessage(beInvalidArchive) + ": " + ShowPath(Given) +
                     " (an executable without a payload trailer)"};
    a.Stream->SetPosition(a.Start);
    return a;
  }

  // The following volumes of the archive at Path, each opened once and kept
  // open for the whole command (none for an installer, whose payload has one
  // volume). A volume asked for again is read from its start. A volume that
  // is not there is asked for on the terminal when Ask; without a terminal,
  // or when the user types q, it is missing.
  class TVolumeSet {
   public:
    TVolumeSet(TCommands& Owner, const TOpenedArchive& Archive, std::string Path, bool Ask)
        : FOwner(Owner), FInstaller(Archive.Installer()), FPath(std::move(Path)), FAsk(Ask) {}
    TOpenVolume Opener() {
      return [this](int Number, std::string& Name) { return Open(Number, Name); };
    }
    // Called with each volume's system path when it is first opened.
    std::function<void(const std::string& SystemPath)> OnOpened;
    bool Stopped() const { return FStopped; }
    bool Installer() const { return FInstaller; }
    std::string Missing() const { return FMissing; }

   private:
    TStream* Open(int Number, std::string& Name) {
      if (FInstaller || Number < 2 || Number > archive::kMaxVolumeNumber) return nullptr;
      std::string volume = archive::VolumeFileName(FPath, Number);
      Name = FOwner.FConsole.DisplayPath(volume);
      if (auto it = FOpened.find(Number); it != FOpened.end()) {
        it->second->SetPosition(0);
        return it->second.get();
      }
      platform::IFileSystem& files = FOwner.FConsole.Files();
      while (!files.FileExists(volume)) {
        if (!FAsk || FStopped || !FOwner.FConsole.InIsTerminal()) {
          FMissing = Name;
          return nullptr;
        }
        if (FOwner.FBar) FOwner.FBar->Finish();
        FOwner.FErr << "Volume " << Number << " (" << FOwner.ShowPath(Name)
                    << ") is missing. Put it there and press Enter, or type q to stop: " << std::flush;
        std::string line;
        if (!FOwner.FConsole.ReadLine(line) || line == "q" || line == "Q") {
          FStopped = true;
          FMissing = Name;
          return nullptr;
        }
      }
      try {
        auto& stream = FOpened[Number] = files.OpenFile(volume, fmOpenRead | fmShareDenyNone);
        if (OnOpened) OnOpened(Name);
        return stream.get();
      } catch (const EStreamError&) {
        FMissing = Name;
        return nullptr;
      }
    }

    TCommands& FOwner;
    bool FInstaller;
    std::string FPath;
    bool FAsk;
    bool FStopped = false;
    std::string FMissing;
    std::map<int, std::unique_ptr<TFileStream>> FOpened;
  };

  // A file that create or installer reads: its id and the name it was given
  // by (or found by, below a folder given).
  struct TInput {
    platform::TFileId Id;
    std::string Given;
  };
  void AddInput(std::vector<TInput>& Inputs, const std::string& Path, const std::string& Given) {
    platform::TFileId id;
    if (platform::FileIdOf(FConsole.DisplayPath(Path), id)) Inputs.push_back({id, Given});
  }
  // An output that is one of the inputs, by any name (a link, "..", a hard
  // link: the same file id), is refused before anything is written.
  void RefuseInput(const std::string& Path, const std::string& Given, const std::vector<TInput>& Inputs) {
    platform::TFileId id;
    if (!platform::FileIdOf(FConsole.DisplayPath(Path), id)) return;
    for (const TInput& input : Inputs)
      if (input.Id == id)
        throw EUsage{ShowPath(Given) + " is the input " + ShowPath(input.Given) +
                     " (the same file); nothing was written"};
  }
  // An existing output that holds none of our archives (plain, or behind an
  // installer's image) is replaced only with --force.
  void RefuseForeign(const std::string& Path, const std::string& Given, bool Force) {
    platform::IFileSystem& files = FConsole.Files();
    if (Force || !files.FileExists(Path)) return;
    bool ours = false;
    try {
      std::unique_ptr<TFileStream> stream = files.OpenFile(Path, fmOpenRead | fmShareDenyNone);
      int64_t start = 0;
      if (stream->Size() > 0 && archive::FindArchiveStart(*stream, start)) {
        stream->SetPosition(start);
        archive::TRecordReader reader(*stream);
        reader.ReadHeader();
        archive::TRecord first = reader.NextRecord(1);
        ours = first.Kind == archive::rkEntry && first.Name == archive::kFileListName;
      }
    } catch (const Exception&) {
    }
    if (!ours)
      throw EUsage{ShowPath(Given) + " exists and is not an archive; nothing was written (--force replaces it)"};
  }
  // Makes the file Path (given as Given) under a temporary name beside it:
  // Write gets the temporary file's path and fills it; the file is renamed
  // over Path only when Write returns true, and removed otherwise (also
  // when Write raises, or on an interrupt). False, with nothing made, when
  // Path's folder does not exist.
  bool WriteBeside(const std::string& Path, const std::string& Given,
                   const std::function<bool(const std::string& TempPath)>& Write) {
    std::string folder = FolderPart(Path), reason;
    if (!FConsole.Files().DirectoryExists(folder)) return false;
    std::unique_ptr<platform::IDestination> dest = platform::OpenDestination(FConsole.DisplayPath(folder), reason);
    std::unique_ptr<platform::ITempFile> temp = dest ? dest->NewTempFile({}, reason) : nullptr;
    if (!temp || !temp->Close(reason)) throw EFailure{"cannot write to " + ShowPath(Given) + ": " + ShowPath(reason)};
    if (!Write(WithTrailingBackslash(folder) + temp->TempName())) return true;
    if (!temp->Commit(FileNamePart(Path), true, reason))
      throw EFailure{"cannot write to " + ShowPath(Given) + ": " + ShowPath(reason)};
    return true;
  }

  int Create(const std::vector<std::string>& Args) {
    FCommand = "create";
    TParsedOptions a = Options(Args, {{'t', "title", true},
                                      {'l', "level", true},
                                      {'j', "jobs", true},
                                      {0, "volume-size", true},
                                      {0, "force", false},
                                      {'q', "quiet", false}});
    if (HelpAsked(a, kCreateHelp)) return esSuccess;
    if (a.Positional.size() < 2) throw EUsage{a.Positional.empty() ? "no archive given" : "no file given"};
    TBackupFile backup(nullptr, FConsole.Files(), FDialogs);
    backup.BackupTitle = Typed(a.Get("title"), "the title");
    std::string level = a.Get("level", "fastest");
    if (level == "fastest")
      backup.CompressionLevel = clFastest;
    else if (level == "none")
      backup.CompressionLevel = clcNone;
    else if (level == "default")
      backup.CompressionLevel = clcDefault;
    else if (level == "max")
      backup.CompressionLevel = clMax;
    else
      throw EUsage{"unknown level '" + level + "' (fastest, none, default or max)"};
    long long n = FConsole.Processors();
    if (a.Has("jobs") && !ParseNumber(a.Get("jobs"), 1, 256, n)) throw EUsage{"--jobs needs a number from 1 to 256"};
    backup.CompressionThreads = int(n);

    std::vector<TBackupFile::TSourceFile> files;
    std::map<std::string, std::string> shown;  // component path -> as the terminal shows it
    std::vector<TInput> inputs;
    size_t longest = 0;
    int emptyFolders = 0;
    for (size_t i = 1; i < a.Positional.size(); ++i) {
      std::string source, stored;
      SplitSourceSpec(a.Positional[i], source, stored);
      if (source.empty()) throw EUsage{"'" + a.Positional[i] + "' names no source file"};
      std::string path = FConsole.ComponentPath(source);
      if (!stored.empty()) stored = Typed(stored, "the stored name " + stored);
      if (!FConsole.Folders().IsFolder(path)) {
        // A file: stored under STORED, or under its own absolute path.
        std::string name = stored;
        if (name.empty() && !FConsole.StoredName(path, name))
          throw EFailure{"cannot store " + ShowPath(source) + ": its name has characters Windows-1252 lacks"};
        AddInput(inputs, path, source);
        shown[path] = ShowPath(source);
        files.push_back({path, name});
        longest = std::max(longest, name.size());
        continue;
      }
      // A folder stands for the files below it, sorted, stored below STORED
      // or below the folder as it was named.
      if (stored.empty()) {
        std::string typed;
        if (!FConsole.StoredName(source, typed))
          throw EFailure{"cannot store " + ShowPath(source) + ": its name has characters Windows-1252 lacks"};
        if (!FolderStoredName(typed, stored))
          throw EUsage{"'" + source + "': a folder named with '..' cannot be stored as named (write " + source +
                       "=c:\\NAME to store it as c:\\NAME)"};
      }
      platform::TFolderFiles below;
      std::string reason;
      if (!FConsole.Folders().FilesBelow(path, below, reason)) throw EFailure{ShowPath(reason)};
      emptyFolders += below.EmptyFolders;
      for (const std::string& rel : below.Files) {
        std::string file = WithTrailingBackslash(path) + rel, name;
        if (!FConsole.StoredName(rel, name))
          throw EFailure{"cannot store " + ShowPath(FConsole.DisplayPath(file)) +
                         ": its name has characters Windows-1252 lacks"};
        name = WithTrailingBackslash(stored) + name;
        AddInput(inputs, file, FConsole.DisplayPath(file));
        shown[file] = ShowPath(FConsole.DisplayPath(file));
        files.push_back({file, name});
        longest = std::max(longest, name.size());
      }
    }
    const std::string& given = a.Positional[0];
    std::string archivePath = FConsole.ComponentPath(given);
    if (a.Has("volume-size")) {
      long long min = archive::MinVolumeSize(backup.BackupTitle.size(), longest), size = 0;
      if (!ParseNumber(a.Get("volume-size"), 1, 0x7FFFFFFF, size))
        throw EUsage{"--volume-size needs a number of bytes up to 2147483647"};
      if (size < min) throw EUsage{"--volume-size must be at least " + std::to_string(min) + " bytes for these files"};
      backup.MaxSize = int32_t(size);
      // Volumes are written in place, as before: none of their names may be
      // an input.
      for (int v = 2; v <= archive::kMaxVolumeNumber; ++v) {
        std::string volume = archive::VolumeFileName(archivePath, v);
        RefuseInput(volume, FConsole.DisplayPath(volume), inputs);
      }
    }
    RefuseInput(archivePath, given, inputs);
    RefuseForeign(archivePath, given, a.Has("force"));

    bool quiet = a.Has("quiet");
    StartBar(quiet);
    int32_t error = 0;
    backup.OnError = [&](TObject*, const int32_t Code, const std::string&) { error = Code; };
    backup.OnProgress = [&](TObject*, const std::string& Name, TPercentage Percent, bool&) {
      auto it = shown.find(Name);
      FBar->Show(it != shown.end() ? it->second : ShowPath(Name), Percent);
    };
    int volumes = 1;
    backup.OnNeedDisk = [&](TObject*, uint16_t, bool&) { ++volumes; };
    bool ok = false;
    if (backup.MaxSize > 0)
      ok = backup.Backup(archivePath, files);
    else if (!WriteBeside(archivePath, given,
                          [&](const std::string& TempPath) { return ok = backup.Backup(TempPath, files); }))
      error = beCannotWriteArchive;
    FBar->Finish();
    if (!ok) {
      std::string concerned = ShowPath(given);
      if (error == beCannotReadFile && shown.count(backup.CurrentFileName()))
        concerned = shown[backup.CurrentFileName()];
      throw EFailure{BackupErrorMessage(error ? error : beCannotWriteArchive) + ": " + concerned};
    }
    if (emptyFolders > 0)
      FErr << "velto-arc: " << Counted(emptyFolders, "empty folder", "empty folders")
           << " left out: an archive holds files only\n";
    if (!quiet)
      FOut << ShowPath(given) << ": " << Counted(backup.FileCount(), "file", "files") << ", "
           << Counted(backup.TotalSize(), "byte", "bytes")
           << (volumes > 1 ? ", " + std::to_string(volumes) + " volumes" : std::string()) << "\n";
    return esSuccess;
  }

  int List(const std::vector<std::string>& Args) {
    FCommand = "list";
    TParsedOptions a = Options(Args, {});
    if (HelpAsked(a, kListHelp)) return esSuccess;
    if (a.Positional.size() != 1) throw EUsage{a.Positional.empty() ? "no archive given" : "one archive only"};
    std::string path;
    TOpenedArchive archive = OpenArchive(a.Positional[0], path);
    TBackupFile backup(nullptr, FConsole.Files(), FDialogs);
    int32_t error = 0;
    backup.OnError = [&](TObject*, const int32_t Code, const std::string&) { error = Code; };
    TStringList list;
    std::string title;
    backup.ReadArchiveInfoFromStream(archive.Stream.get(), &list, title);
    if (error) throw EFailure{BackupErrorMessage(error) + ": " + ShowPath(a.Positional[0])};
    FOut << "Title: " << Show(title) << "\n";
    FOut << "Files: " << backup.FileCount() << "\n";
    FOut << "Total size: " << backup.TotalSize() << " bytes\n";
    for (const std::string& line : list.Items()) {
      archive::TFileListLine parsed;
      if (!archive::ParseFileListLine(line, parsed)) {
        FOut << Show(line) << "\n";
        continue;
      }
      FOut << Show(std::string(parsed.Name)) << "  " << DateTimeText(parsed.DateTime) << "  " << parsed.Size << "\n";
    }
    archive.Stream->SetPosition(archive.Start);
    TVolumeSet volumes(*this, archive, path, false);
    // The records to the end marker, every block passed over by its length:
    // a cut archive, or one whose structure is broken, is found here.
    TCheckReport scan = ScanArchive(*archive.Stream, volumes.Opener());
    if (!scan.MissingVolume.empty()) throw EFailure{"volume " + ShowPath(scan.MissingVolume) + " is missing"};
    if (!scan.Broken.empty())
      throw EFailure{BackupErrorMessage(beInvalidArchive) + ": " + ShowPath(a.Positional[0]) + " (" +
                     Show(scan.Broken) + ")"};
    if (scan.Files != scan.FileCount)
      throw EFailure{BackupErrorMessage(beInvalidArchive) + ": " + ShowPath(a.Positional[0]) + " (the header counts " +
                     Counted(scan.FileCount, "file", "files") + ", the archive holds " + std::to_string(scan.Files) +
                     ")"};
    if (scan.StoredBlocks > 0)
      FOut << "Stored blocks: " << scan.StoredBlocks << " of " << scan.Blocks
           << " (level none: no checksum, so this archive cannot be checked)\n";
    return esSuccess;
  }

  int Test(const std::vector<std::string>& Args) {
    FCommand = "test";
    TParsedOptions a = Options(Args, {{'q', "quiet", false}});
    if (HelpAsked(a, kTestHelp)) return esSuccess;
    if (a.Positional.size() != 1) throw EUsage{a.Positional.empty() ? "no archive given" : "one archive only"};
    std::string path;
    TOpenedArchive archive = OpenArchive(a.Positional[0], path);
    TVolumeSet volumes(*this, archive, path, false);
    TCheckReport report = CheckArchive(*archive.Stream, volumes.Opener(), FConsole.Processors());
    for (const std::string& d : report.Damaged) FErr << "velto-arc: damaged entry " << Show(d) << "\n";
    if (!report.Broken.empty()) throw EFailure{ShowPath(a.Positional[0]) + ": " + Show(report.Broken)};
    if (!report.Damaged.empty())
      throw EFailure{ShowPath(a.Positional[0]) + ": " + std::to_string(report.Damaged.size()) + " damaged"};
    if (!a.Has("quiet"))
      FOut << ShowPath(a.Positional[0]) << ": " << Counted(report.Files, "file", "files") << ", "
           << Counted(report.Volumes, "volume", "volumes") << ", all blocks sound"
           << (report.StoredBlocks > 0 ? ", " + Counted(report.StoredBlocks, "stored block", "stored blocks") +
                                             " unchecked (no checksum: level none)"
                                       : std::string())
           << "\n";
    return esSuccess;
  }

  int Extract(const std::vector<std::string>& Args) {
    FCommand = "extract";
    TParsedOptions a = Options(Args, {{'d', "directory", true},
                                      {0, "mode", true},
                                      {0, "full-path", false},
                                      {0, "overwrite", false},
                                      {0, "sound-only", false},
                                      {'q', "quiet", false}});
    if (HelpAsked(a, kExtractHelp)) return esSuccess;
    if (a.Positional.size() != 1) throw EUsage{a.Positional.empty() ? "no archive given" : "one archive only"};
    TExtractSettings settings;
    std::string mode = a.Get("mode", "all");
    static const std::pair<const char*, TRestoreMode> modes[] = {{"all", rmAll},
                                                                 {"no-overwrite", rmNoOverwrite},
                                                                 {"newer", rmNewer},
                                                                 {"existing", rmExisting},
                                                                 {"existing-newer", rmExistingNewer}};
    auto found = std::find_if(std::begin(modes), std::end(modes), [&](auto& m) { return mode == m.first; });
    if (found == std::end(modes)) throw EUsage{"unknown mode '" + mode + "'"};
    settings.Mode = found->second;
    settings.FullPath = a.Has("full-path");
    settings.Overwrite = a.Has("overwrite");
    // Two writers a processor, at least four: making files waits on the
    // system more than on the processor.
    settings.Writers = std::clamp(2 * FConsole.Processors(), 4, 8);
    const std::string& given = a.Positional[0];
    std::string dir = a.Has("directory") ? FConsole.ComponentPath(a.Get("directory")) : FConsole.CurrentFolder();

    std::string path;
    TOpenedArchive archive = OpenArchive(given, path);
    TVolumeSet volumes(*this, archive, path, true);
    const bool soundOnly = a.Has("sound-only");
    size_t soundOnlyDamage = 0;
    std::vector<std::string> leftOutNames;
    if (soundOnly) {
      // The check first, to know which entries to leave out; the volumes
      // stay open for the restore.
      TCheckReport check = CheckArchive(*archive.Stream, volumes.Opener(), FConsole.Processors());
      for (const std::string& d : check.Damaged) FErr << "velto-arc: damaged entry " << Show(d) << "\n";
      FailIfBroken(check, volumes, given);
      settings.LeaveOut.insert(check.DamagedEntries.begin(), check.DamagedEntries.end());
      soundOnlyDamage = check.Damaged.size();
      leftOutNames = check.DamagedNames;
      archive.Stream->SetPosition(archive.Start);
    }

    std::string reason;
    const bool dirExisted = FConsole.Files().DirectoryExists(dir);
    std::unique_ptr<platform::IDestination> dest = platform::OpenDestination(FConsole.DisplayPath(dir), reason);
    if (!dest) throw EFailure{"cannot write to " + FConsole.DisplayPath(dir) + ": " + reason};
    // The archive's files are never targets: the archive itself and every
    // volume of its set that is there now or is opened during the run.
    std::vector<platform::TFileId> own;
    auto protect = [&](const std::string& SystemPath, std::vector<platform::TFileId>& Ids) {
      platform::TFileId id;
      if (platform::FileIdOf(SystemPath, id)) Ids.push_back(id);
    };
    protect(FConsole.DisplayPath(path), own);
    for (int n = 2; !archive.Installer() && n <= archive::kMaxVolumeNumber; ++n)
      protect(FConsole.DisplayPath(archive::VolumeFileName(path, n)), own);
    auto extraction = std::make_unique<TExtraction>(*dest, FConsole, settings, own);
    volumes.OnOpened = [&](const std::string& SystemPath) {
      std::vector<platform::TFileId> ids;
      protect(SystemPath, ids);
      for (const platform::TFileId& id : ids) extraction->Protect(id);
    };
    bool quiet = a.Has("quiet");
    StartBar(quiet);
    extraction->OnProgress = [&](const std::string& Shown, int64_t Done, int32_t Total) {
      FBar->Show(Shown, archive::ProgressPercent(static_cast<int32_t>(std::min<int64_t>(Done, INT32_MAX)), Total));
    };
    TCheckReport report;
    try {
      report = WalkArchive(*archive.Stream, volumes.Opener(), FConsole.Processors(), extraction.get());
    } catch (const EExtractStop& e) {
      extraction->Finish(false);
      RemoveMadeFolders(extraction, dest, dir, dirExisted);
      throw EFailure{e.Message};
    }
    // Everything is put in place only when the whole archive proved sound
    // (with --sound-only: every entry but those left out).
    auto leftOut = [&](int Index) { return settings.LeaveOut.count(Index) > 0; };
    bool sound = report.Broken.empty() &&
                 (soundOnly ? std::all_of(report.DamagedEntries.begin(), report.DamagedEntries.end(), leftOut)
                            : report.Damaged.empty());
    // Finish waits for the writers: what failed is known after it.
    int placed = extraction->Finish(sound);
    const std::string writeFailure = extraction->WriteFailure();
    const std::vector<std::string> problems = extraction->Problems();
    if (placed == 0) RemoveMadeFolders(extraction, dest, dir, dirExisted);
    FBar->Finish();
    if (!soundOnly)
      for (const std::string& d : report.Damaged) FErr << "velto-arc: damaged entry " << Show(d) << "\n";
    FailIfBroken(report, volumes, given);
    if (!sound)
      throw EFailure{ShowPath(given) + ": " + std::to_string(report.Damaged.size()) +
                     " damaged; nothing extracted (--sound-only restores the sound entries)"};
    // A file that could not be written: nothing was put in place.
    if (!writeFailure.empty()) throw EFailure{writeFailure};
    for (const std::string& problem : problems) FErr << "velto-arc: " << problem << "\n";
    if (!quiet) FOut << ShowPath(given) << ": " << Counted(placed, "file", "files") << " restored\n";
    if (!problems.empty()) throw EFailure{ShowPath(given) + ": " + std::to_string(problems.size()) + " not written"};
    if (soundOnly && soundOnlyDamage > 0) {
      for (const std::string& name : leftOutNames) FErr << "velto-arc: left out damaged entry " << Show(name) << "\n";
      throw EFailure{ShowPath(given) + ": " + Counted(int(leftOutNames.size()), "damaged entry", "damaged entries") +
                     " left out"};
    }
    return esSuccess;
  }

  // After a run that put nothing in place: the empty folders it made go
  // again (once the destination, which holds them open, is closed).
  void RemoveMadeFolders(std::unique_ptr<TExtraction>& Extraction, std::unique_ptr<platform::IDestination>& Dest,
                         const std::string& Dir, bool DirExisted) {
    std::vector<platform::TNameParts> made = Extraction->MissingFolders();
    Extraction.reset();
    Dest.reset();
    for (auto it = made.rbegin(); it != made.rend(); ++it) {
      std::string path = Dir;
      for (const std::string& part : *it) path += "\\" + part;
      FConsole.Files().RemoveDir(path);  // only an empty folder goes
    }
    if (!DirExisted) FConsole.Files().RemoveDir(Dir);
  }

  // A structure that could not be followed to its end: nothing extracted.
  void FailIfBroken(const TCheckReport& Report, const TVolumeSet& Volumes, const std::string& Given) {
    if (Report.Broken.empty()) return;
    if (Volumes.Stopped()) throw EFailure{"extraction stopped at a missing volume; nothing extracted"};
    if (!Report.MissingVolume.empty() && !Volumes.Installer())
      throw EFailure{"volume " + ShowPath(Report.MissingVolume) +
                     " is missing and there is no terminal to ask for it; nothing extracted"};
    throw EFailure{BackupErrorMessage(beInvalidArchive) + ": " + ShowPath(Given) + " (" + Show(Report.Broken) +
                   "); nothing extracted"};
  }

  static std::string Counted(int N, const char* One, const char* Many) {
    return std::to_string(N) + " " + (N == 1 ? One : Many);
  }

  int Installer(const std::vector<std::string>& Args) {
    FCommand = "installer";
    TParsedOptions a = Options(Args, {{0, "stub", true}, {'o', "output", true}, {0, "force", false}});
    if (HelpAsked(a, kInstallerHelp)) return esSuccess;
    if (!a.Has("stub")) throw EUsage{"no --stub given"};
    if (!a.Has("output")) throw EUsage{"no -o given"};
    if (a.Positional.size() != 1) throw EUsage{a.Positional.empty() ? "no archive given" : "one archive only"};
    platform::IFileSystem& files = FConsole.Files();
    std::string stubGiven = a.Get("stub"), outGiven = a.Get("output");
    std::string stubPath = FConsole.ComponentPath(stubGiven), outPath = FConsole.ComponentPath(outGiven);
    std::string archivePath = FConsole.ComponentPath(a.Positional[0]);
    auto open = [&](const std::string& Path, const std::string& Given) {
      if (!files.FileExists(Path)) throw EFailure{ShowPath(Given) + ": no such file"};
      try {
        return files.OpenFile(Path, fmOpenRead | fmShareDenyNone);
      } catch (const EStreamError& e) {
        throw EFailure{ShowPath(Given) + ": " + ShowPath(e.Message())};
      }
    };
    auto stub = open(stubPath, stubGiven);
    auto archive = open(archivePath, a.Positional[0]);
    std::vector<TInput> inputs;
    AddInput(inputs, stubPath, stubGiven);
    AddInput(inputs, archivePath, a.Positional[0]);
    RefuseInput(outPath, outGiven, inputs);
    if (!IsWindowsImage(*stub)) throw EFailure{ShowPath(stubGiven) + ": not a Windows executable image"};
    RefuseForeign(outPath, outGiven, a.Has("force"));
    bool volumes = false;
    TCheckReport report = CheckArchive(
        *archive,
        [&](int, std::string&) -> TStream* {
          volumes = true;
          return nullptr;
        },
        FConsole.Processors());
    if (volumes) throw EFailure{ShowPath(a.Positional[0]) + ": an installer needs a single-volume archive"};
    if (!report.Ok())
      throw EFailure{ShowPath(a.Positional[0]) + ": not a sound archive (" +
                     Show(report.Broken.empty() ? report.Damaged[0] : report.Broken) + ")"};
    if (report.StoredBlocks > 0)
      FErr << "velto-arc: warning: " << ShowPath(a.Positional[0]) << " has "
           << Counted(report.StoredBlocks, "stored block", "stored blocks")
           << " (level none): the installer cannot find damage in them\n";
    int64_t size = 0;
    bool written = WriteBeside(outPath, outGiven, [&](const std::string& TempPath) {
      try {
        std::unique_ptr<TFileStream> out = files.OpenFile(TempPath, fmCreate);
        archive::WriteInstaller(*stub, *archive, *out);
        size = out->Size();
      } catch (const Exception& e) {
        throw EFailure{ShowPath(outGiven) + ": " + ShowPath(e.Message())};
      }
      return true;
    });
    if (!written) throw EFailure{ShowPath(outGiven) + ": its folder does not exist"};
    FOut << ShowPath(outGiven) << ": " << Counted(report.Files, "file", "files") << ", " << size << " bytes (stub "
         << ShowPath(stubGiven) << ", " << stub->Size() << " bytes; archive " << ShowPath(a.Positional[0]) << ", "
         << archive->Size() << " bytes)\n";
    return esSuccess;
  }

  IConsole& FConsole;
  std::ostream& FOut;
  std::ostream& FErr;
  TConsoleDialogs FDialogs{FErr};
  std::unique_ptr<TTerminalProgress> FBar;
  std::string FCommand;
};

}  // namespace

void SplitSourceSpec(const std::string& Arg, std::string& Source, std::string& Stored) {
  for (size_t i = 0; i + 3 < Arg.size(); ++i) {
    char d = Arg[i + 1];
    if (Arg[i] == '=' && ((d >= 'a' && d <= 'z') || (d >= 'A' && d <= 'Z')) && Arg[i + 2] == ':' &&
        Arg[i + 3] == '\\') {
      Source = Arg.substr(0, i);
      Stored = Arg.substr(i + 1);
      return;
    }
  }
  Source = Arg;
  Stored.clear();
}

bool FolderStoredName(const std::string& Typed, std::string& Stored) {
  std::string rest = Typed, path;
  char drive = 'c';
  if (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0]))) {
    drive = char(std::tolower(static_cast<unsigned char>(rest[0])));
    rest.erase(0, 2);
  }
  for (size_t at = 0; at <= rest.size();) {
    size_t end = rest.find_first_of("\\/", at);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(at, end - at);
    at = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") return false;
    path += (path.empty() ? "" : "\\") + part;
  }
  Stored = std::string(1, drive) + ":\\" + path;
  return true;
}

int RunArc(const std::vector<std::string>& Args, IConsole& Console, std::ostream& Out, std::ostream& Err) {
  return TCommands(Console, Out, Err).Run(Args);
}

}  // namespace arc
