// The card page's "&Avanti>>" (SendMail): the required fields and their
// order, the statistics card mail as the mail client receives it, and the
// Flash prompt's button.
#include "tests/app/wizard_fixture.h"

namespace {

using wizardtest::WizardTest;

class CardMailTest : public WizardTest {
 protected:
  TForm1* StartOnCard() {
    registry.SetString(platform::RootKey::LocalMachine, platform::kMessagingSubsystemKey, "MAPI", "1");
    WriteInstaller("2005 1.0.0.0", {{"velto.exe", wizardtest::kDate2005, "x"}});
    TForm1* f = Start();
    f->Notebook1->SetPageIndex(1);
    return f;
  }
  // Fills the card: surname, name, address, town, province, age, mobile.
  void Fill(TForm1* f, const std::vector<std::string>& V) {
    TEdit* edits[] = {f->Edit1, f->Edit2, f->Edit7, f->Edit3, f->Edit4, f->Edit5, f->Edit6};
    for (size_t i = 0; i < V.size(); ++i) edits[i]->SetText(V[i]);
  }
  std::string ExpectedBody(const std::string& Head, TForm1* f) {
    return Head + "<VERSIONE>2005 1.0.0.0</VERSIONE>\r\nAccetto quanto segue:\r\n" + f->Memo3->Text();
  }
};

TEST_F(CardMailTest, FullCardIsMailedWithTheExactBodyAndTheWizardMovesOn) {
  TForm1* f = StartOnCard();
  Fill(f, {"A&B", "Mario", "Via <Roma> 1", "Città", "MI", " 40 ", ""});
  ASSERT_TRUE(peer.Click(*f->Button12));
  EXPECT_EQ(f->Notebook1->PageIndex(), 2);
  EXPECT_TRUE(dialogs.Boxes.empty());
  ASSERT_EQ(mail.Sent.size(), 1u);
  const platform::MapiMailRecord& m = mail.Sent[0];
  EXPECT_EQ(m.Subject, "Scheda statistica velto");
  EXPECT_EQ(m.Originator->Name, "A&B Mario");
  EXPECT_EQ(m.Originator->Address, "");
  ASSERT_EQ(m.Recips.size(), 1u);
  EXPECT_EQ(m.Recips[0].Name, "statistiche@brovik.example");
  EXPECT_EQ(m.Recips[0].Address, "SMTP:statistiche@brovik.example");
  EXPECT_EQ(m.SendFlags, 0u);
  EXPECT_EQ(m.NoteText, ExpectedBody("<Cognome>A&B</Cognome>\r\n<Nome>Mario</Nome>\r\n"
                                     "<Indirizzo>Via <Roma> 1</Indirizzo>\r\n<Citta>Città</Citta>\r\n"
                                     "<Prov>MI</Prov>\r\n<Eta> 40 </Eta>\r\n<Cellulare></Cellulare>\r\n"
                                     "<Maschio>FALSE</Maschio>\r\n",
                                     f));
  EXPECT_NE(m.NoteText->find("Informativa"), std::string::npos);  // the privacy notice is there
}

TEST_F(CardMailTest, MaschioLineReadsOnlyTheFirstCheckBox) {
  struct Case {
    bool Maschio, Femmina;
    const char* Line;
  };
  const Case cases[] = {{true, true, "<Maschio>TRUE</Maschio>\r\n"},
                        {false, true, "<Maschio>FALSE</Maschio>\r\n"},
                        {true, false, "<Maschio>TRUE</Maschio>\r\n"}};
  TForm1* f = StartOnCard();
  Fill(f, {"R", "M", "V", "C", "P", "E", "333"});
  for (const Case& c : cases) {
    mail.Sent.clear();
    f->CheckBox1->SetChecked(c.Maschio);
    f->CheckBox2->SetChecked(c.Femmina);
    f->Notebook1->SetPageIndex(1);
    peer.Click(*f->Button12);
    ASSERT_EQ(mail.Sent.size(), 1u);
    EXPECT_NE(mail.Sent[0].NoteText->find(std::string("<Cellulare>333</Cellulare>\r\n") + c.Line), std::string::npos);
  }
}

TEST_F(CardMailTest, FirstEmptyRequiredFieldStopsWithOneBoxAndNoMail) {
  // Fields: surname, name, address, town, province, age, mobile.
  const std::vector<std::vector<std::string>> cases = {
      {"", "M", "", "C", "P", "E", "1"},   // address and surname empty
      {"R", "M", "V", "C", "P", "", "1"},  // only the age
      {"R", "", "V", "C", "P", "E", ""},   // only the name
      {"R", "M", "V", "", "P", "E", ""},   // only the town
      {"R", "M", "V", "C", "", "E", ""},   // only the province
  };
  TForm1* f = StartOnCard();
  for (const auto& c : cases) {
    dialogs.Boxes.clear();
    Fill(f, c);
    f->Panel10->SetVisible(false);
    peer.Click(*f->Button12);
    ASSERT_EQ(dialogs.Boxes.size(), 1u);
    EXPECT_EQ(dialogs.Boxes[0].Text, "Dati incompleti");
    EXPECT_EQ(dialogs.Boxes[0].Caption, "Completa modulo!");
    EXPECT_EQ(dialogs.Boxes[0].Flags, 0x10u);
    EXPECT_EQ(f->Notebook1->PageIndex(), 1);
    EXPECT_FALSE(f->Panel10->Visible());  // the Flash check did not run
    EXPECT_TRUE(mail.Sent.empty());
    EXPECT_EQ(f->MapiUse1->Recipients().Count(), 0);
  }
  // Spaces count as filled.
  Fill(f, {" ", " ", " ", " ", " ", " ", ""});
  peer.Click(*f->Button12);
  EXPECT_EQ(mail.Sent.size(), 1u);
}

TEST_F(CardMailTest, SecondSendListsTheMailboxTwice) {
  TForm1* f = StartOnCard();
  Fill(f, {"R", "M", "V", "C", "P", "E", ""});
  peer.Click(*f->Button12);
  peer.Click(*f->Indietro);
  f->Edit1->SetText("S");
  peer.Click(*f->Button12);
  ASSERT_EQ(mail.Sent.size(), 2u);
  EXPECT_EQ(mail.Sent[1].Recips.size(), 2u);
  EXPECT_EQ(mail.Sent[1].Recips[1].Name, "statistiche@brovik.example");
  EXPECT_EQ(mail.Sent[1].Originator->Name, "S M");
}

TEST_F(CardMailTest, NonAccettoSendsNothingAndMovesOn) {
  TForm1* f = StartOnCard();
  peer.Click(*f->RadioButton2);
  peer.Click(*f->Button12);
  EXPECT_TRUE(dialogs.Boxes.empty());
  EXPECT_TRUE(mail.Sent.empty());
  EXPECT_EQ(mail.Decisions, 0);
  EXPECT_EQ(f->Notebook1->PageIndex(), 2);
}

TEST_F(CardMailTest, NoSimpleMapiOrAFailingClientLeavesTheWizardGoingOn) {
  for (const char* value : {"0", "1"}) {
    TForm1* f = StartOnCard();
    registry.SetString(platform::RootKey::LocalMachine, platform::kMessagingSubsystemKey, "MAPI", value);
    mail.Result = 2;
    Fill(f, {"R", "M", "V", "C", "P", "E", ""});
    peer.Click(*f->Button12);
    EXPECT_EQ(f->Notebook1->PageIndex(), 2);
    EXPECT_TRUE(dialogs.Boxes.empty());
    f->Release();
  }
}

TEST_F(CardMailTest, FlashButtonHidesThePromptAndOpensTheDownloadPage) {
  TForm1* f = StartOnCard();
  f->Notebook1->SetPageIndex(2);
  f->Image5->SetVisible(true);  // hidden as stored; shown here to be clicked
  ASSERT_TRUE(f->Panel10->Visible());
  f->Image5->Click();
  EXPECT_FALSE(f->Panel10->Visible());
  ASSERT_EQ(hostShell.Opened.size(), 1u);
  EXPECT_EQ(hostShell.Opened[0].Url, "http://www.macromedia.com/shockwave/download/triggerpages_mmcom/flash.html");
  EXPECT_EQ(hostShell.Opened[0].OwnerWindow, reinterpret_cast<uintptr_t>(f->PeerHandle));
  EXPECT_EQ(hostShell.Opened[0].ShowState, 1);
}

TEST_F(CardMailTest, CardNotesAreBold) {
  TForm1* f = StartOnCard();
  EXPECT_TRUE(f->Label16->Font().Bold);
  EXPECT_TRUE(f->Label17->Font().Bold);
  EXPECT_EQ(f->Label17->Caption(), "Leggere con attenzione:");
}

}  // namespace
