// "Cambia" and the folder chooser TForm2.
#include "app/unit2.h"
#include "tests/app/wizard_fixture.h"

namespace wizardtest {
namespace {

class ChooserTest : public WizardTest {
 protected:
  ChooserTest() {
    files.ForceDirectories("c:\\lavoro\\progetti");
    files.ForceDirectories("c:\\lavoro\\archivio");
    files.ForceDirectories("d:\\giochi");
    WriteProductInstaller();
  }
  // Presses "Cambia" on the destination page; Play acts as the user in the
  // chooser.
  void Cambia(TForm1* F, std::function<void(TForm2&)> Play) {
    F->Notebook1->SetPageIndex(2);
    peer.OnShowModal = [Play](TForm& Form) {
      auto* chooser = dynamic_cast<TForm2*>(&Form);
      ASSERT_NE(chooser, nullptr);
      Play(*chooser);
    };
    ASSERT_TRUE(peer.Click(*F->Button5));
  }
  int ItemNamed(TDirectoryListBox& List, const std::string& Name) {
    for (size_t i = 0; i < List.Items().size(); ++i)
      if (List.Items()[i].Name == Name) return static_cast<int>(i);
    return -1;
  }
};

TEST_F(ChooserTest, ChooserLayoutIsTheStoredOne) {
  TForm2 form(nullptr, services);
  EXPECT_EQ(form.Caption(), "Seleziona percorso");
  EXPECT_EQ(form.ClientWidth(), 275);
  EXPECT_EQ(form.ClientHeight(), 258);
  EXPECT_EQ(form.BorderStyle(), bsDialog);
  EXPECT_EQ(form.Position(), poScreenCenter);
  EXPECT_EQ(form.Font().Name, "MS Sans Serif");
  EXPECT_EQ(form.Label5->Caption(), "Selezionare un nuovo percorso per l'installazione");
  EXPECT_EQ(form.Label3->Caption(), "Percorso:");
  EXPECT_EQ(form.Label2->Caption(), "Directory:");
  EXPECT_EQ(form.Label1->Caption(), "Driver:");
  EXPECT_FALSE(form.Label4->Visible());
  EXPECT_EQ(form.Edit1->Width(), 229);
  EXPECT_EQ(form.DirectoryListBox1->Width(), 145);
  EXPECT_EQ(form.DirectoryListBox1->Height(), 97);
  EXPECT_EQ(form.DirectoryListBox1->ItemHeight, 16);
  EXPECT_EQ(form.DriveComboBox1->Width(), 145);
  EXPECT_EQ(form.Button1->Caption(), "Conferma");
  EXPECT_EQ(form.Button1->ModalResult, mrOk);
  EXPECT_EQ(form.Button2->Caption(), "Annulla");
  EXPECT_EQ(form.Button2->ModalResult, mrCancel);
  EXPECT_GT(form.Button1->Left(), form.DirectoryListBox1->Left() + form.DirectoryListBox1->Width());
  EXPECT_GT(form.Button2->Top(), form.Button1->Top());
  // Tab order: drive box, directory list, edit field, "Conferma", "Annulla".
  std::vector<TControl*> stops;
  for (TControl* c : form.TabOrderList())
    if (c->TabStop()) stops.push_back(c);
  EXPECT_EQ(stops, (std::vector<TControl*>{form.DriveComboBox1, form.DirectoryListBox1, form.Edit1, form.Button1,
                                           form.Button2}));
}

TEST_F(ChooserTest, ListsOpenAtTheCurrentFolderAndLeaveTheEditAlone) {
  TForm2 form(nullptr, services);
  form.Edit1->SetText("c:\\programmi\\brovik\\agent");
  EXPECT_EQ(form.DirectoryListBox1->Directory(), "c:\\lavoro");
  EXPECT_EQ(form.DriveComboBox1->Drive(), 'c');
  EXPECT_NE(ItemNamed(*form.DirectoryListBox1, "progetti"), -1);
  EXPECT_NE(ItemNamed(*form.DirectoryListBox1, "archivio"), -1);
  EXPECT_EQ(form.Edit1->Text(), "c:\\programmi\\brovik\\agent");
}

TEST_F(ChooserTest, ConfermaWithoutTouchingAnythingKeepsTheDestination) {
  TForm1* f = Start();
  Cambia(f, [&](TForm2& c) {
    EXPECT_EQ(c.Edit1->Text(), kDefaultDest);
    EXPECT_TRUE(peer.Click(*c.Button1));
  });
  EXPECT_EQ(f->LabelDir->Caption(), kDefaultDest);
  EXPECT_EQ(peer.ModalShows, 1);
}

TEST_F(ChooserTest, FolderChosenInTheListBecomesTheDestination) {
  TForm1* f = Start();
  Cambia(f, [&](TForm2& c) {
    ASSERT_TRUE(peer.OpenFolder(*c.DirectoryListBox1, ItemNamed(*c.DirectoryListBox1, "progetti")));
    EXPECT_EQ(c.Edit1->Text(), "c:\\lavoro\\progetti");
    peer.Click(*c.Button1);
  });
  EXPECT_EQ(f->LabelDir->Caption(), "c:\\lavoro\\progetti");
}

TEST_F(ChooserTest, TextEditedAfterChoosingAFolderIsTakenUnchecked) {
  TForm1* f = Start();
  Cambia(f, [&](TForm2& c) {
    peer.OpenFolder(*c.DirectoryListBox1, ItemNamed(*c.DirectoryListBox1, "archivio"));
    peer.Type(*c.Edit1, "q:\\non esiste\\ancora\\");
    peer.Click(*c.Button1);
  });
  EXPECT_EQ(f->LabelDir->Caption(), "q:\\non esiste\\ancora\\");
}

TEST_F(ChooserTest, AnnullaOrCloseBoxAfterChoosingKeepsTheDestination) {
  TForm1* f = Start();
  Cambia(f, [&](TForm2& c) {
    peer.OpenFolder(*c.DirectoryListBox1, ItemNamed(*c.DirectoryListBox1, "progetti"));
    peer.Click(*c.Button2);
  });
  EXPECT_EQ(f->LabelDir->Caption(), kDefaultDest);
  Cambia(f, [&](TForm2& c) {
    peer.OpenFolder(*c.DirectoryListBox1, ItemNamed(*c.DirectoryListBox1, "progetti"));
    EXPECT_TRUE(peer.PressCloseBox(c));
    EXPECT_EQ(c.ModalResult(), mrCancel);
  });
  EXPECT_EQ(f->LabelDir->Caption(), kDefaultDest);
  EXPECT_EQ(Form1, f);  // closing the chooser leaves the wizard alone
}

TEST_F(ChooserTest, DriveChosenShowsItsFolderInTheEditAtOnce) {
  TForm1* f = Start();
  Cambia(f, [&](TForm2& c) {
    ASSERT_TRUE(peer.ChooseDrive(*c.DriveComboBox1, 'd'));
    EXPECT_EQ(c.DirectoryListBox1->Directory(), "d:\\");
    EXPECT_EQ(c.Edit1->Text(), "d:\\");
    EXPECT_NE(ItemNamed(*c.DirectoryListBox1, "giochi"), -1);
    // Back on the current drive: its current folder.
    peer.ChooseDrive(*c.DriveComboBox1, 'C');
    EXPECT_EQ(c.Edit1->Text(), "c:\\lavoro");
    peer.Click(*c.Button1);
  });
  EXPECT_EQ(f->LabelDir->Caption(), "c:\\lavoro");
}

TEST_F(ChooserTest, ChooserIsDestroyedAfterEveryUse) {
  TForm1* f = Start();
  TForm2* seen = nullptr;
  Cambia(f, [&](TForm2& c) {
    seen = &c;
    peer.Click(*c.Button1);
  });
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(peer.FormsDestroyed.size(), 1u);
  EXPECT_EQ(peer.FormsDestroyed[0], seen);
  for (int i = 0; i < app->ComponentCount(); ++i) EXPECT_EQ(dynamic_cast<TForm2*>(app->Components(i)), nullptr);
}

TEST_F(ChooserTest, LongFolderPathIsKeptWhole) {
  std::string deep = "c:\\lavoro";
  for (int i = 0; i < 12; ++i) deep += "\\cartella con un nome lungo " + std::to_string(i);
  files.ForceDirectories(deep);
  files.CurrentDir = deep.substr(0, deep.rfind('\\'));
  TForm1* f = Start();
  Cambia(f, [&](TForm2& c) {
    peer.OpenFolder(*c.DirectoryListBox1, ItemNamed(*c.DirectoryListBox1, "cartella con un nome lungo 11"));
    peer.Click(*c.Button1);
  });
  EXPECT_EQ(f->LabelDir->Caption(), deep);
}

TEST_F(ChooserTest, ParentFolderInTheListCanBeOpened) {
  files.CurrentDir = "c:\\lavoro\\progetti";
  TForm2 form(nullptr, services);
  ASSERT_EQ(form.DirectoryListBox1->Items()[0].Name, "c:\\");
  form.DirectoryListBox1->OpenItem(1);  // "lavoro"
  EXPECT_EQ(form.DirectoryListBox1->Directory(), "c:\\lavoro");
  EXPECT_EQ(form.Edit1->Text(), "c:\\lavoro");
  form.DirectoryListBox1->OpenItem(0);
  EXPECT_EQ(form.Edit1->Text(), "c:\\");
}

}  // namespace
}  // namespace wizardtest
