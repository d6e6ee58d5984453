// The Win32 Simple MAPI binding under Wine, with the tests' own MAPI32.DLL in
// the prefix's system folder (it records what MAPISendMail received) and a
// second one planted beside this program, which must never be loaded.
#include <windows.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "mail/mapi_control.h"
#include "mail/statistics_card.h"
#include "platform/win32/win32_mail.h"
#include "tests/mail/mapi_record_file.h"

namespace {

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p = path;
  return p.substr(0, p.find_last_of('\\'));
}

std::string SystemFolder() {
  char path[MAX_PATH] = {};
  GetSystemDirectoryA(path, MAX_PATH);
  return path;
}

// Sets the "MAPI" value: a string, or raw binary bytes.
void SetMapiValue(DWORD Type, const std::string& Data) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, platform::kMessagingSubsystemKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "MAPI", 0, Type, reinterpret_cast<const BYTE*>(Data.data()), static_cast<DWORD>(Data.size()));
  RegCloseKey(key);
}

std::string ReadAll(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class Win32SimpleMapiTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The stand-in takes the place of the system's MAPI32.DLL in this prefix.
    std::string source = ProgramFolder() + "\\velto_test_mapi32.dll";
    ASSERT_TRUE(CopyFileA(source.c_str(), (SystemFolder() + "\\MAPI32.DLL").c_str(), FALSE)) << source;
  }
  void SetUp() override {
    record = ProgramFolder() + "\\mapi_record.txt";
    DeleteFileA(record.c_str());
    SetEnvironmentVariableA("VELTO_MAPI_RECORD", record.c_str());
    SetEnvironmentVariableA("VELTO_MAPI_RESULT", nullptr);
    SetMapiValue(REG_SZ, std::string("1", 2));
  }
  std::vector<maprecord::Mail> Mails() { return maprecord::Parse(ReadAll(record)); }

  std::string record;
};

TEST_F(Win32SimpleMapiTest, StatisticsCardArrivesWithItsExactBytesFromTheSystemFolderCopy) {
  ASSERT_EQ(GetFileAttributesA((ProgramFolder() + "\\MAPI32.DLL").c_str()) != INVALID_FILE_ATTRIBUTES, true)
      << "the planted copy must lie beside this program";
  platform::Win32SimpleMapi mapi;
  TMapiControl control(nullptr, mapi);
  TStatisticsCard card{"A&B", "Mario", "Via <Roma> 1", "Città", "MI", "40", "", true};
  std::string body = StatisticsCardBody(card, "2005 1.0.0.0", "Informativa\r\nriga due\r\n");
  control.FromName = "A&B Mario";
  control.Recipients().Add(kStatisticsMailbox);
  control.Subject = kStatisticsSubject;
  control.Body = body;
  control.AttachedFiles().Add("C:\\Dati\\report.txt");
  int successes = 0;
  control.OnSuccess = [&](TObject*) { ++successes; };
  control.Send();
  EXPECT_EQ(successes, 1);
  std::vector<maprecord::Mail> mails = Mails();
  ASSERT_EQ(mails.size(), 1u);
  const maprecord::Mail& m = mails[0];
  EXPECT_EQ(m.Tag, "system");
  EXPECT_EQ(m.Session, 0u);
  EXPECT_EQ(m.Flags, 0u);
  EXPECT_EQ(m.Reserved, 0u);
  EXPECT_EQ(m.Subject, "Scheda statistica velto");
  EXPECT_EQ(m.Note, body);
  EXPECT_NE(m.Note->find("<Citta>Citt\xe0</Citta>\r\n"), std::string::npos);
  ASSERT_TRUE(m.Originator);
  EXPECT_EQ(m.Originator->Class, 0u);
  EXPECT_EQ(m.Originator->Name, "A&B Mario");
  EXPECT_EQ(m.Originator->Address, "");
  ASSERT_EQ(m.Recips.size(), 1u);
  EXPECT_EQ(m.Recips[0].Class, 1u);
  EXPECT_EQ(m.Recips[0].Name, "statistiche@brovik.example");
  EXPECT_EQ(m.Recips[0].Address, "SMTP:statistiche@brovik.example");
  ASSERT_EQ(m.Files.size(), 1u);
  EXPECT_EQ(m.Files[0].Position, -1);
  EXPECT_EQ(m.Files[0].Path, "C:\\Dati\\report.txt");
  EXPECT_EQ(m.Files[0].Name, "report.txt");
  // Only the system folder's library is in the process.
  EXPECT_EQ(GetModuleHandleA((ProgramFolder() + "\\MAPI32.DLL").c_str()), nullptr);
  EXPECT_NE(GetModuleHandleA((SystemFolder() + "\\MAPI32.DLL").c_str()), nullptr);
}

TEST_F(Win32SimpleMapiTest, MailClientResultsReachTheEvents) {
  struct Case {
    const char* Result;
    const char* Event;
  };
  const Case cases[] = {{"0", "success"}, {"1", "abort"}, {"2", "error 2"}};
  platform::Win32SimpleMapi mapi;
  TMapiControl control(nullptr, mapi);
  control.ShowDialog = true;
  std::string seen;
  control.OnSuccess = [&](TObject*) { seen = "success"; };
  control.OnUserAbort = [&](TObject*) { seen = "abort"; };
  control.OnMapiError = [&](TObject*, int32_t Code) { seen = "error " + std::to_string(Code); };
  for (const Case& c : cases) {
    SetEnvironmentVariableA("VELTO_MAPI_RESULT", c.Result);
    control.Send();
    EXPECT_EQ(seen, c.Event);
  }
  std::vector<maprecord::Mail> mails = Mails();
  ASSERT_EQ(mails.size(), 3u);
  for (const maprecord::Mail& m : mails) EXPECT_EQ(m.Flags, 0x0Bu);
}

TEST_F(Win32SimpleMapiTest, DisabledOrOverlongMapiValueSendsNothingAndIsNotDecidedAgain) {
  struct Case {
    const char* Name;
    DWORD Type;
    std::string Data;
  };
  const Case cases[] = {
      {"zero", REG_SZ, std::string("0", 2)},
      {"one followed by more than nine bytes", REG_BINARY, std::string("1\0\0\0\0\0\0\0\0\0", 10)},
      {"eleven", REG_SZ, std::string("11", 3)},
  };
  for (const Case& c : cases) {
    SetMapiValue(c.Type, c.Data);
    platform::Win32SimpleMapi mapi;
    platform::MapiMessage message{};
    char empty[] = "";
    message.lpszSubject = message.lpszNoteText = empty;
    EXPECT_EQ(mapi.SendMail(0, 0, message, 0, 0), 1u) << c.Name;
    SetMapiValue(REG_SZ, std::string("1", 2));
    EXPECT_EQ(mapi.SendMail(0, 0, message, 0, 0), 1u) << c.Name;  // decided once
  }
  EXPECT_EQ(GetFileAttributesA(record.c_str()), INVALID_FILE_ATTRIBUTES);  // nothing recorded
  // The value "1" without its terminating zero counts as well.
  SetMapiValue(REG_BINARY, "1");
  platform::Win32SimpleMapi mapi;
  platform::MapiMessage message{};
  EXPECT_EQ(mapi.SendMail(0, 0, message, 0, 0), 0u);
}

}  // namespace
