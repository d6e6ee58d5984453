// Finding the archive behind an executable image through the payload
// trailer, with and without a certificate table behind it.
#include "archive/payload.h"

#include "archive/format.h"
#include "runtime/exceptions.h"
#include "tests/archive/restore_fixture.h"

using namespace testarchive;

namespace {

const std::vector<FileSpec> kFiles = {
    {"c:\\release\\velto.exe", kDate2005, PatternBytes(20000, 31)},
    {"c:\\release\\velto.hlp", kDate2005, "help"},
};

void Put32(std::string& S, size_t At, uint32_t V) { archive::StoreLE32(reinterpret_cast<unsigned char*>(&S[At]), V); }
void Put16(std::string& S, size_t At, uint16_t V) {
  S[At] = char(V & 0xFF);
  S[At + 1] = char(V >> 8);
}
std::string LE32(uint32_t V) {
  std::string s(4, '\0');
  Put32(s, 0, V);
  return s;
}

constexpr size_t kPeOffset = 0x80;
constexpr size_t kOptional = kPeOffset + 24;

// A 1024-byte image with DOS and PE headers (no sections), PE32 or PE32+,
// whose security directory is {TableOffset, TableSize}.
std::string PeImage(bool Plus, uint32_t TableOffset, uint32_t TableSize, uint32_t DirectoryCount = 16) {
  std::string img(1024, '\0');
  img[0] = 'M';
  img[1] = 'Z';
  Put32(img, 0x3C, kPeOffset);
  img.replace(kPeOffset, 4, std::string("PE\0\0", 4));
  Put16(img, kPeOffset + 4, Plus ? 0x8664 : 0x14C);  // machine
  Put16(img, kPeOffset + 20, Plus ? 0xF0 : 0xE0);    // size of the optional header
  Put16(img, kOptional, Plus ? 0x20B : 0x10B);       // magic
  size_t count = kOptional + (Plus ? 108 : 92);
  Put32(img, count, DirectoryCount);
  Put32(img, count + 4 + 4 * 8, TableOffset);
  Put32(img, count + 4 + 4 * 8 + 4, TableSize);
  return img;
}

// A WIN_CERTIFICATE-shaped table of Size bytes.
std::string CertificateTable(uint32_t Size) {
  std::string t = LE32(Size) + std::string("\x00\x02\x02\x00", 4);
  t += PatternBytes(Size - 8, 77, false);
  return t;
}

// Image + archive + trailer, padded with zeros to a multiple of 8 when a
// certificate table follows, then that table; its directory entry is filled in.
std::string Installer(std::string Image, const std::string& Archive, bool Sign, bool Plus = false) {
  std::string file = Image + Archive + LE32(uint32_t(Image.size()));
  if (Sign) {
    while (file.size() % 8) file.insert(Image.size(), 1, '\0');  // zero bytes between image and archive
    file.replace(file.size() - 4, 4, LE32(uint32_t(file.size() - Archive.size() - 4)));
    uint32_t tableOffset = uint32_t(file.size());
    file.replace(0, 1024, PeImage(Plus, tableOffset, 40));
    file += CertificateTable(40);
  }
  return file;
}

class PayloadTest : public ArchiveTest {
 protected:
  std::string Archive = MakeArchive("2005 1.0.0.0", kFiles);
};

TEST_F(PayloadTest, UnsignedImageGivesTitleAndListThroughTheLastFourBytes) {
  std::string image = PatternBytes(3000, 1, false);
  image[0] = 'M';
  image[1] = 'Z';
  TMemoryStream exe(std::vector<uint8_t>(0, 0));
  std::string file = Installer(image, Archive, false);
  exe.WriteBuffer(file.data(), int32_t(file.size()));
  TStringList list;
  std::string title;
  archive::PayloadLocation at = archive::ReadPayloadInfo(exe, *Backup, &list, title);
  EXPECT_EQ(at.ArchiveStart, 3000);
  EXPECT_EQ(at.ArchiveEnd, int64_t(3000 + Archive.size()));
  EXPECT_FALSE(at.Signed());
  EXPECT_TRUE(at.Plausible());
  EXPECT_EQ(title, "2005 1.0.0.0");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[1], "c:\\release\\velto.hlp\t851533824=4");
  EXPECT_TRUE(Dialogs.Boxes.empty());

  // The install run seeks back to the start and restores from the same stream.
  exe.SetPosition(at.ArchiveStart);
  EXPECT_TRUE(Backup->RestoreFromStream(&exe, "c:\\inst"));
  EXPECT_EQ(Get("c:\\inst\\velto.exe"), kFiles[0].Content);
  EXPECT_EQ(Get("c:\\inst\\velto.hlp"), "help");
}

TEST_F(PayloadTest, SignedImageFindsTheTrailerBeforeTheCertificateTable) {
  for (bool plus : {false, true}) {
    SCOPED_TRACE(plus ? "PE32+" : "PE32");
    std::string file = Installer(PeImage(plus, 0, 0), Archive, true, plus);
    ASSERT_EQ((file.size() - 40) % 8, 0u);
    TMemoryStream exe;
    exe.WriteBuffer(file.data(), int32_t(file.size()));
    TStringList list;
    std::string title;
    archive::PayloadLocation at = archive::ReadPayloadInfo(exe, *Backup, &list, title);
    EXPECT_TRUE(at.Signed());
    EXPECT_EQ(at.CertificateTable, int64_t(file.size() - 40));
    EXPECT_EQ(at.ArchiveEnd, at.CertificateTable - 4);
    EXPECT_EQ(at.ArchiveStart + int64_t(Archive.size()), at.ArchiveEnd);
    EXPECT_EQ(title, "2005 1.0.0.0");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_TRUE(Dialogs.Boxes.empty());
  }
}

TEST_F(PayloadTest, SignedInstallerFileRestoresFromDisk) {
  std::string exePath = Put("c:\\setup\\velto-setup.exe", Installer(PeImage(false, 0, 0), Archive, true));
  auto exe = Host.OpenFile(exePath, fmOpenRead | fmShareDenyNone);
  TStringList list;
  std::string title;
  archive::PayloadLocation at = archive::ReadPayloadInfo(*exe, *Backup, &list, title);
  EXPECT_EQ(title, "2005 1.0.0.0");
  exe->SetPosition(at.ArchiveStart);
  EXPECT_TRUE(Backup->RestoreFromStream(exe.get(), "c:\\inst"));
  EXPECT_EQ(Get("c:\\inst\\velto.exe"), kFiles[0].Content);
}

TEST_F(PayloadTest, TableThatDoesNotEndTheFileLeavesTheLastFourBytes) {
  // Signed, then something appended with a trailer of its own at the end.
  std::string signedFile = Installer(PeImage(false, 0, 0), Archive, true);
  int64_t start = archive::LoadLE32(reinterpret_cast<const unsigned char*>(&signedFile[signedFile.size() - 44]));
  std::string file = signedFile + LE32(uint32_t(start));
  TMemoryStream exe;
  exe.WriteBuffer(file.data(), int32_t(file.size()));
  archive::PayloadLocation at = archive::LocatePayload(exe);
  EXPECT_FALSE(at.Signed());
  EXPECT_EQ(at.ArchiveStart, start);
  EXPECT_EQ(at.ArchiveEnd, int64_t(file.size() - 4));
  EXPECT_EQ(exe.Position(), start);
}

TEST_F(PayloadTest, MalformedPeHeadersCountAsUnsigned) {
  std::string tail = Archive + LE32(1024);
  uint32_t tableAt = uint32_t(1024 + tail.size() - 8);  // would end at the file's end
  struct Case {
    const char* What;
    std::string Image;
  };
  std::vector<Case> cases;
  cases.push_back({"no table", PeImage(false, 0, 0)});
  cases.push_back({"table size wraps", PeImage(false, 0xFFFFFFF0u, 0x20)});
  cases.push_back({"table too early for a trailer", PeImage(false, 2, uint32_t(1024 + tail.size() - 2))});
  cases.push_back({"four directories", PeImage(false, tableAt, 8, 4)});
  std::string badMagic = PeImage(false, tableAt, 8);
  Put16(badMagic, kOptional, 0x107);
  cases.push_back({"unknown magic", badMagic});
  std::string shortOptional = PeImage(false, tableAt, 8);
  Put16(shortOptional, kPeOffset + 20, 0x60);
  cases.push_back({"optional header without the entry", shortOptional});
  std::string farPe = PeImage(false, tableAt, 8);
  Put32(farPe, 0x3C, 0xFFFFFFF0u);
  cases.push_back({"PE header beyond the file", farPe});
  std::string noSig = PeImage(false, tableAt, 8);
  noSig[kPeOffset + 2] = 'X';
  cases.push_back({"no PE signature", noSig});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    std::string file = c.Image + tail;
    TMemoryStream exe;
    exe.WriteBuffer(file.data(), int32_t(file.size()));
    archive::PayloadLocation at = archive::LocatePayload(exe);
    EXPECT_FALSE(at.Signed());
    EXPECT_EQ(at.ArchiveStart, 1024);
    EXPECT_EQ(at.ArchiveEnd, int64_t(file.size() - 4));
  }
  // The same header with a sane entry is taken as signed: the cases above
  // fail for the reason they name.
  std::string file = PeImage(false, tableAt, 8) + tail;
  TMemoryStream exe;
  exe.WriteBuffer(file.data(), int32_t(file.size()));
  EXPECT_TRUE(archive::LocatePayload(exe).Signed());
}

TEST_F(PayloadTest, StreamTooShortForATrailerRaises) {
  TMemoryStream exe(std::vector<uint8_t>{1, 2, 3});
  EXPECT_THROW(archive::LocatePayload(exe), EReadError);
  TMemoryStream empty;
  std::string title = "x";
  EXPECT_THROW(archive::ReadPayloadInfo(empty, *Backup, nullptr, title), EReadError);
}

TEST_F(PayloadTest, EmptyTitlePayload) {
  std::string file = Installer(PatternBytes(100, 2), MakeArchive("", kFiles), false);
  TMemoryStream exe;
  exe.WriteBuffer(file.data(), int32_t(file.size()));
  TStringList list;
  std::string title = "old";
  archive::ReadPayloadInfo(exe, *Backup, &list, title);
  EXPECT_EQ(title, "");
  EXPECT_EQ(list.Count(), 2);
}

TEST_F(PayloadTest, DamagedOrMisplacedArchiveIsReportedInTheErrorBox) {
  // The trailer points beyond the file.
  std::string file = PatternBytes(100, 3) + LE32(5000);
  TMemoryStream exe;
  exe.WriteBuffer(file.data(), int32_t(file.size()));
  std::string title = "old";
  archive::PayloadLocation at = archive::ReadPayloadInfo(exe, *Backup, nullptr, title);
  EXPECT_FALSE(at.Plausible());
  EXPECT_EQ(title, "");
  ASSERT_EQ(Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(Dialogs.Boxes[0].Text, "Invalid archive type");

  // A header cut after its title: the title read so far stays.
  std::string cut = Installer(PatternBytes(100, 4), MakeArchive("2005", kFiles).substr(0, 10), false);
  TMemoryStream exe2;
  exe2.WriteBuffer(cut.data(), int32_t(cut.size()));
  archive::ReadPayloadInfo(exe2, *Backup, nullptr, title);
  EXPECT_EQ(title, "2005");
  EXPECT_EQ(Dialogs.Boxes.size(), 2u);
}

TEST_F(PayloadTest, InstallerSignedByOsslsigncodeStillFindsItsArchive) {
  // A real signature made with a throwaway certificate, when the tools are
  // there (they are on the Linux build machine, not under Wine).
  std::string dir = Temp.Path() + "/sign";
  std::filesystem::create_directories(dir);
  std::string cmd = "cd '" + dir + "' && openssl req -x509 -newkey rsa:2048 -nodes -keyout k.pem -out c.pem -days 2 " +
                    "-subj /CN=Brovik >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "openssl is not available";
  // The archive starts where the file length becomes a multiple of 8, so
  // that the signing tool appends its table with no padding.
  std::string image = PeImage(false, 0, 0);
  Put32(image, kOptional + 60, 1024);  // SizeOfHeaders
  std::string body = image + Archive;
  size_t pad = (8 - (body.size() + 4) % 8) % 8;
  std::string file = image + std::string(pad, '\0') + Archive + LE32(uint32_t(1024 + pad));
  ASSERT_EQ(file.size() % 8, 0u);
  testsupport::WriteFile(dir + "/in.exe", file);
  cmd = "cd '" + dir + "' && osslsigncode sign -certs c.pem -key k.pem -in in.exe -out out.exe >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "osslsigncode is not available";

  std::string signedFile = testsupport::ReadFile(dir + "/out.exe");
  ASSERT_GT(signedFile.size(), file.size());
  TMemoryStream exe;
  exe.WriteBuffer(signedFile.data(), int32_t(signedFile.size()));
  TStringList list;
  std::string title;
  archive::PayloadLocation at = archive::ReadPayloadInfo(exe, *Backup, &list, title);
  EXPECT_TRUE(at.Signed());
  EXPECT_EQ(at.CertificateTable, int64_t(file.size()));
  EXPECT_EQ(at.ArchiveStart, int64_t(1024 + pad));
  EXPECT_EQ(title, "2005 1.0.0.0");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_TRUE(Dialogs.Boxes.empty());
}

}  // namespace
