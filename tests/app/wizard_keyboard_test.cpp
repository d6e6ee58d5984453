// The wizard for a keyboard user: the first focus of every page, the default
// button that Enter presses, and an install from the first page to the
// success box with Enter alone.
#include "tests/app/wizard_fixture.h"

namespace wizardtest {
namespace {

class WizardKeyboardTest : public WizardTest {
 protected:
  // Enter, with the focus where the Win32 peer puts it on a new page: the
  // first tab stop.
  bool Enter(TForm1* Form) { return peer.PressEnter(*Form, Form->FirstTabStop()); }
};

TEST_F(WizardKeyboardTest, EveryPageFocusesItsFirstFieldOrForwardButtonAndEnterPressesTheForwardOne) {
  WriteProductInstaller();
  StoreRecord({{"RootDir", "c:\\programmi\\brovik\\agent\\velto.exe"}});  // uninstall enabled
  TForm1* f = Start();
  struct Case {
    int page;
    TControl* first;
    TButton* forward;
  };
  const Case cases[] = {
      {0, f->Button2, f->Button2}, {1, f->Edit1, f->Button12},  {2, f->Button4, f->Button4},
      {3, f->Button6, f->Button6}, {4, f->Button1, f->Button1}, {5, f->Button9, f->Button9},
  };
  for (const Case& c : cases) {
    f->Notebook1->SetPageIndex(c.page);
    EXPECT_EQ(f->FirstTabStop(), c.first) << "page " << c.page;
    EXPECT_EQ(f->DefaultButton(), c.forward) << "page " << c.page;
    // From any single-line field or check box of the page, Enter goes forward.
    for (TControl* field : std::initializer_list<TControl*>{f->Edit1, f->Edit6, f->CheckBox1, f->RadioButton2})
      if (field->Showing()) {
        EXPECT_EQ(f->EnterTarget(field), c.forward) << field->Name;
      }
  }
  // Enter in a text box starts a new line there.
  for (TMemo* memo : {f->Memo1, f->Memo2, f->Memo3}) EXPECT_EQ(f->EnterTarget(memo), nullptr) << memo->Name;
}

TEST_F(WizardKeyboardTest, UninstallButtonIsNeverTheFirstFocusOfTheWelcomePage) {
  WriteProductInstaller();
  StoreRecord({{"RootDir", "c:\\programmi\\brovik\\agent\\velto.exe"}});
  TForm1* f = Start();
  ASSERT_TRUE(f->Button14->EffectivelyEnabled());
  EXPECT_EQ(f->FirstTabStop(), f->Button2);
  // Offline, the gate disables "&Avanti>>": the focus goes to "&Chiudi".
  f->Button2->SetEnabled(false);
  EXPECT_EQ(f->FirstTabStop(), f->Button3);
  // Enter there closes the window; the record stays.
  EXPECT_TRUE(Enter(f));
  EXPECT_TRUE(WizardGone());
  EXPECT_EQ(Record("RootDir"), "c:\\programmi\\brovik\\agent\\velto.exe");
}

TEST_F(WizardKeyboardTest, EnterAloneInstallsFromTheWelcomePageToTheSuccessBox) {
  WriteProductInstaller();
  TForm1* f = Start();
  for (int page = 0; page < 5; ++page) {
    ASSERT_EQ(f->Notebook1->PageIndex(), page);
    if (page == 1) {
      // The card typed in (its fields are in tab order, Edit1 first).
      for (auto [edit, text] : {std::pair{f->Edit1, "Rossi"},
                                {f->Edit2, "Mario"},
                                {f->Edit7, "Via Roma 1"},
                                {f->Edit3, "Milano"},
                                {f->Edit4, "MI"},
                                {f->Edit5, "34"}})
        peer.Type(*edit, text);
      peer.Click(*f->CheckBox1);  // the space bar on the focused box
    }
    ASSERT_TRUE(Enter(f)) << "page " << page;
  }
  ASSERT_EQ(f->Notebook1->PageIndex(), 5);
  EXPECT_TRUE(Enter(f));  // "Installa"
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Lanciare il programma dall'icona sul desktop"});
  EXPECT_TRUE(WizardGone());
  EXPECT_EQ(HostFile("c:\\programmi\\brovik\\agent\\velto.exe"), "main program");
  EXPECT_EQ(Record("RootDir"), "c:\\programmi\\brovik\\agent\\velto.exe");
  EXPECT_EQ(Record("Cognome"), "Rossi");
}

}  // namespace
}  // namespace wizardtest
