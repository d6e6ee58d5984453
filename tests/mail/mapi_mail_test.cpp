// TMapiControl and TMapiUse against the host binding, which records every
// message as the mail client would receive it.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "mail/mapi_control.h"
#include "mail/mapi_use.h"
#include "platform/host/host_mail.h"
#include "tests/support/fake_dialogs.h"
#include "tests/support/fake_registry.h"

namespace {

using platform::MapiMailRecord;
using platform::MapiRecipRecord;

TStringList List(const std::vector<std::string>& Items) {
  TStringList l;
  for (const std::string& s : Items) l.Add(s);
  return l;
}

// What the events saw, in order: "success", "abort", "error <code>".
struct EventLog {
  std::vector<std::string> Seen;
  void Attach(TMapiMail& Mail) {
    Mail.OnSuccess = [this](TObject*) { Seen.push_back("success"); };
    Mail.OnUserAbort = [this](TObject*) { Seen.push_back("abort"); };
    Mail.OnMapiError = [this](TObject*, int32_t Code) { Seen.push_back("error " + std::to_string(Code)); };
  }
};

class MapiMailTest : public ::testing::Test {
 protected:
  MapiMailTest() : mapi(registry) { EnableMapi("1"); }
  void EnableMapi(const std::string& Value) {
    registry.SetString(platform::RootKey::LocalMachine, platform::kMessagingSubsystemKey, "MAPI", Value);
  }
  const MapiMailRecord& Only() {
    EXPECT_EQ(mapi.Sent.size(), 1u);
    return mapi.Sent.at(0);
  }

  testsupport::FakeRegistry registry;
  platform::HostSimpleMapi mapi;
  testsupport::FakeDialogs dialogs;
  TMapiControl control{nullptr, mapi};
  TMapiUse use{nullptr, mapi, dialogs};
};

std::vector<std::string> Classes(const MapiMailRecord& R) {
  std::vector<std::string> out;
  for (const MapiRecipRecord& r : R.Recips)
    out.push_back(std::to_string(r.RecipClass) + " " + r.Name.value_or("<null>") + " " + r.Address.value_or("<null>"));
  return out;
}

TEST_F(MapiMailTest, RecipientRecordsFollowToCcBccOrderWithSmtpPrefixOnEveryEntry) {
  struct Case {
    std::vector<std::string> To, Cc, Bcc;
    std::vector<std::string> Expected;
  };
  const Case cases[] = {
      {{"a@x.it", "b@x.it"},
       {"c@x.it"},
       {"d@x.it"},
       {"1 a@x.it SMTP:a@x.it", "1 b@x.it SMTP:b@x.it", "2 c@x.it SMTP:c@x.it", "3 d@x.it SMTP:d@x.it"}},
      {{}, {"A"}, {}, {"2 A SMTP:A"}},
      {{"SMTP:e@x.it"}, {}, {}, {"1 SMTP:e@x.it SMTP:SMTP:e@x.it"}},
      {{}, {}, {"z"}, {"3 z SMTP:z"}},
      {{"", "p q"}, {}, {}, {"1  SMTP:", "1 p q SMTP:p q"}},
  };
  for (const Case& c : cases) {
    mapi.Sent.clear();
    control.SetRecipients(List(c.To));
    control.SetCopyTo(List(c.Cc));
    control.SetBlindCopyTo(List(c.Bcc));
    control.Send();
    const MapiMailRecord& r = Only();
    EXPECT_EQ(r.RecipCount, c.Expected.size());
    EXPECT_FALSE(r.RecipsNull);
    EXPECT_EQ(Classes(r), c.Expected);
    for (const MapiRecipRecord& rec : r.Recips) {
      EXPECT_EQ(rec.Reserved, 0u);
      EXPECT_EQ(rec.EIDSize, 0u);
      EXPECT_TRUE(rec.EntryIDNull);
    }
  }
}

TEST_F(MapiMailTest, MessageAndOriginatorRecordsCarryTheTextsAsTheyStand) {
  control.Subject = "Oggetto";
  control.Body = "riga 1\r\nA&B <x>";
  control.FromName = "Rossi Mario";
  control.FromAdress = "mario@x.it";
  control.Send();
  const MapiMailRecord& r = Only();
  EXPECT_EQ(r.Session, 0u);
  EXPECT_EQ(r.Reserved, 0u);
  EXPECT_EQ(r.MessageReserved, 0u);
  EXPECT_EQ(r.Subject, "Oggetto");
  EXPECT_EQ(r.NoteText, "riga 1\r\nA&B <x>");
  EXPECT_FALSE(r.MessageType || r.DateReceived || r.ConversationID);
  EXPECT_EQ(r.MessageFlags, 0u);
  ASSERT_TRUE(r.Originator);
  EXPECT_EQ(r.Originator->RecipClass, platform::mapiOrig);
  EXPECT_EQ(r.Originator->Name, "Rossi Mario");
  EXPECT_EQ(r.Originator->Address, "mario@x.it");  // no prefix on the originator
  // No recipient at all: passed on with count 0 and no array; no files.
  EXPECT_EQ(r.RecipCount, 0u);
  EXPECT_TRUE(r.RecipsNull);
  EXPECT_EQ(r.FileCount, 0u);
  EXPECT_TRUE(r.FilesNull);
}

TEST_F(MapiMailTest, EmptyTextsArePassedAsEmptyTextsNotNull) {
  control.Send();
  const MapiMailRecord& r = Only();
  EXPECT_EQ(r.Subject, "");
  EXPECT_EQ(r.NoteText, "");
  EXPECT_EQ(r.Originator->Name, "");
  EXPECT_EQ(r.Originator->Address, "");
}

TEST_F(MapiMailTest, AttachmentsGetPositionMinusOneAndTheirDisplayNames) {
  struct Case {
    std::vector<std::string> Paths;
    std::vector<std::string> DisplayNames;
  };
  const Case cases[] = {
      {{"C:\\Dati\\report.txt"}, {"report.txt"}},
      {{"C:\\a\\b\\uno.doc", "d:due.xls", "tre"}, {"uno.doc", "due.xls", "tre"}},
  };
  for (const Case& c : cases) {
    mapi.Sent.clear();
    control.SetAttachedFiles(List(c.Paths));
    control.Send();
    const MapiMailRecord& r = Only();
    EXPECT_EQ(control.DisplayFileName().Items(), c.DisplayNames);
    ASSERT_EQ(r.FileCount, c.Paths.size());
    ASSERT_EQ(r.Files.size(), c.Paths.size());
    for (size_t i = 0; i < c.Paths.size(); ++i) {
      EXPECT_EQ(r.Files[i].Position, 0xFFFFFFFFu);
      EXPECT_EQ(r.Files[i].PathName, c.Paths[i]);
      EXPECT_EQ(r.Files[i].FileName, c.DisplayNames[i]);
      EXPECT_EQ(r.Files[i].Flags, 0u);
      EXPECT_TRUE(r.Files[i].FileTypeNull);
    }
  }
  // A send without attachments keeps the display names of the last one.
  mapi.Sent.clear();
  control.AttachedFiles().Clear();
  control.Send();
  EXPECT_EQ(Only().FileCount, 0u);
  EXPECT_TRUE(Only().FilesNull);
  EXPECT_EQ(control.DisplayFileName().Count(), 3);
}

TEST_F(MapiMailTest, FlagsFollowShowDialogOnlyForBothComponents) {
  use.Recipients().Add("x");
  for (bool showDialog : {false, true})
    for (bool useAppHandle : {false, true}) {
      mapi.Sent.clear();
      control.ShowDialog = use.ShowDialog = showDialog;
      control.UseAppHandle = use.UseAppHandle = useAppHandle;
      control.Send();
      use.InviaMail();
      ASSERT_EQ(mapi.Sent.size(), 2u);
      for (const MapiMailRecord& r : mapi.Sent) EXPECT_EQ(r.SendFlags, showDialog ? 0x0Bu : 0u);
    }
}

TEST_F(MapiMailTest, EachResultRaisesItsOneEvent) {
  struct Case {
    uint32_t Result;
    const char* Event;
  };
  const Case cases[] = {{0, "success"}, {1, "abort"}, {2, "error 2"}, {26, "error 26"}, {0xFFFFFFFF, "error -1"}};
  use.Recipients().Add("x");
  for (const Case& c : cases) {
    for (TMapiMail* mail : {static_cast<TMapiMail*>(&control), static_cast<TMapiMail*>(&use)}) {
      EventLog log;
      log.Attach(*mail);
      mapi.Result = c.Result;
      if (mail == &control)
        control.Send();
      else
        use.InviaMail();
      EXPECT_EQ(log.Seen, std::vector<std::string>{c.Event}) << c.Result;
    }
  }
}

TEST_F(MapiMailTest, ResultsWithoutHandlersAreSilent) {
  for (uint32_t result : {0u, 1u, 2u}) {
    mapi.Result = result;
    EXPECT_NO_THROW(control.Send());
  }
  EXPECT_TRUE(dialogs.Boxes.empty());
}

TEST_F(MapiMailTest, ControlPassesTheMainWindowReadAtSendTimeAndUsePassesNone) {
  use.Recipients().Add("x");
  control.Send();  // no handler: no parent
  int window = 0;
  uintptr_t current = reinterpret_cast<uintptr_t>(&window);
  control.OnGetParentWindow = [&current] { return current; };
  control.Send();
  use.InviaMail();
  current = 0;
  control.Send();
  ASSERT_EQ(mapi.Sent.size(), 4u);
  const uintptr_t expected[] = {0, reinterpret_cast<uintptr_t>(&window), 0, 0};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(mapi.Sent[i].ParentWindow, expected[i]) << i;
}

TEST_F(MapiMailTest, RecordsAreReleasedWhenTheMailClientThrows) {
  // Under the address sanitizer a leak of the records or address copies fails.
  control.Recipients().Add("a");
  control.SetAttachedFiles(List({"c:\\x.txt"}));
  mapi.OnSend = [](const platform::MapiMessage&) { throw std::runtime_error("client crashed"); };
  EventLog log;
  log.Attach(control);
  EXPECT_THROW(control.Send(), std::runtime_error);
  EXPECT_TRUE(log.Seen.empty());
}

TEST_F(MapiMailTest, EveryRecipientHasItsOwnAddressCopy) {
  use.SetToAddr(List({"uno", "due", "tre"}));
  std::vector<const char*> addresses;
  mapi.OnSend = [&](const platform::MapiMessage& M) {
    for (uint32_t i = 0; i < M.nRecipCount; ++i) addresses.push_back(M.lpRecips[i].lpszAddress);
  };
  use.InviaMail();
  ASSERT_EQ(addresses.size(), 3u);
  EXPECT_NE(addresses[0], addresses[1]);
  EXPECT_NE(addresses[1], addresses[2]);
  EXPECT_EQ(Classes(Only()), (std::vector<std::string>{"1 uno SMTP:uno", "1 due SMTP:due", "1 tre SMTP:tre"}));
}

TEST_F(MapiMailTest, ListWritersCopyTheEntries) {
  TStringList source = List({"a", "b"});
  control.SetRecipients(source);
  use.SetCCAddr(source);
  source.Add("c");
  EXPECT_EQ(control.Recipients().Count(), 2);
  EXPECT_EQ(use.CopyTo().Count(), 2);
  control.SetRecipients(List({"z"}));
  EXPECT_EQ(control.Recipients().Items(), std::vector<std::string>{"z"});
}

TEST_F(MapiMailTest, UseRefusesToSendWithoutRecipients) {
  EventLog log;
  log.Attach(use);
  use.SetAttachedFileName(List({"c:\\a.txt"}));
  use.InviaMail();
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text, "Nessun destinatario");
  EXPECT_EQ(dialogs.Boxes[0].Caption, "Stop");
  EXPECT_EQ(dialogs.Boxes[0].Flags, 0x10u);
  EXPECT_TRUE(mapi.Sent.empty());
  EXPECT_EQ(mapi.Decisions, 0);
  EXPECT_TRUE(log.Seen.empty());
  EXPECT_EQ(use.DisplayFileName().Count(), 0);
  // Only a Bcc entry is enough.
  use.SetBCCAddr(List({"b"}));
  use.InviaMail();
  EXPECT_EQ(Classes(Only()), std::vector<std::string>{"3 b SMTP:b"});
}

TEST_F(MapiMailTest, ResetEmptiesEveryStringAndList) {
  use.Subject = "s";
  use.Body = "b";
  use.FromName = "n";
  use.FromAdress = "a";
  use.SetToAddr(List({"t"}));
  use.SetCCAddr(List({"c"}));
  use.SetBCCAddr(List({"b"}));
  use.SetAttachedFileName(List({"c:\\f.txt"}));
  use.InviaMail();
  ASSERT_EQ(use.DisplayFileName().Count(), 1);
  use.Reset();
  EXPECT_EQ(use.Subject + use.Body + use.FromName + use.FromAdress, "");
  for (int count : {use.Recipients().Count(), use.CopyTo().Count(), use.BlindCopyTo().Count(),
                    use.AttachedFiles().Count(), use.DisplayFileName().Count()})
    EXPECT_EQ(count, 0);
}

// ---- The binding's once-only decision ----------------------------------------------------

TEST(HostSimpleMapiTest, DecidesOnceFromTheMessagingSubsystemValue) {
  struct Case {
    const char* Name;
    std::optional<std::string> Value;  // nullopt: missing
    bool NumberOne;                    // a REG_DWORD 1 instead of the string
    uint32_t Result;                   // of every send
  };
  const Case cases[] = {
      {"one", "1", false, 0},
      {"zero", "0", false, 1},
      {"missing", std::nullopt, false, 1},
      {"eight bytes", "1234567", false, 1},
      {"nine bytes", "12345678", false, 1},
      {"ten bytes", "123456789", false, 1},
      {"one and more", "11", false, 1},
      {"number one", std::nullopt, true, 1},
  };
  for (const Case& c : cases) {
    testsupport::FakeRegistry registry;
    if (c.Value)
      registry.SetString(platform::RootKey::LocalMachine, platform::kMessagingSubsystemKey, "MAPI", *c.Value);
    if (c.NumberOne) registry.SetNumber(platform::RootKey::LocalMachine, platform::kMessagingSubsystemKey, "MAPI", 1);
    platform::HostSimpleMapi mapi(registry);
    platform::MapiMessage message{};
    EXPECT_EQ(mapi.SendMail(0, 0, message, 0, 0), c.Result) << c.Name;
    // The value changes later; the decision stays.
    registry.SetString(platform::RootKey::LocalMachine, platform::kMessagingSubsystemKey, "MAPI",
                       c.Result == 0 ? "0" : "1");
    EXPECT_EQ(mapi.SendMail(0, 0, message, 0, 0), c.Result) << c.Name;
    EXPECT_EQ(mapi.Decisions, 1) << c.Name;
    EXPECT_EQ(mapi.Loads, c.Result == 0 ? 1 : 0) << c.Name;
    EXPECT_EQ(mapi.Sent.size(), c.Result == 0 ? 2u : 0u) << c.Name;
  }
}

TEST(HostSimpleMapiTest, MissingLibraryOrEntryPointGivesUserAbort) {
  testsupport::FakeRegistry registry;
  registry.SetString(platform::RootKey::LocalMachine, platform::kMessagingSubsystemKey, "MAPI", "1");
  platform::MapiMessage message{};
  platform::HostSimpleMapi noLibrary(registry);
  noLibrary.LibraryPresent = false;
  EXPECT_EQ(noLibrary.SendMail(0, 0, message, 0, 0), 1u);
  EXPECT_EQ(noLibrary.Lookups, 0);
  // The entry point is looked up on every call until found, then kept.
  platform::HostSimpleMapi noEntry(registry);
  noEntry.EntryPointPresent = false;
  noEntry.Result = 2;
  EXPECT_EQ(noEntry.SendMail(0, 0, message, 0, 0), 1u);
  EXPECT_EQ(noEntry.SendMail(0, 0, message, 0, 0), 1u);
  noEntry.EntryPointPresent = true;
  EXPECT_EQ(noEntry.SendMail(0, 0, message, 0, 0), 2u);
  noEntry.EntryPointPresent = false;
  EXPECT_EQ(noEntry.SendMail(0, 0, message, 0, 0), 2u);
  EXPECT_EQ(noEntry.Lookups, 3);
  EXPECT_EQ(noEntry.Loads, 1);
}

TEST(HostSimpleMapiTest, NoSimpleMapiReachesTheControlAsUserAbort) {
  testsupport::FakeRegistry registry;
  platform::HostSimpleMapi mapi(registry);
  TMapiControl control(nullptr, mapi);
  EventLog log;
  log.Attach(control);
  control.Send();
  control.Send();
  EXPECT_EQ(log.Seen, (std::vector<std::string>{"abort", "abort"}));
  EXPECT_EQ(mapi.Decisions, 1);
  EXPECT_EQ(mapi.Loads, 0);
}

}  // namespace
