#include "app/unit2.h"

namespace {

TLabel* MakeLabel(TForm2* Form, const char* Name, const char* Caption, int L, int T_, int W) {
  auto* l = NewControl<TLabel>(Form, Form, Name, L, T_, W, 13);
  l->SetCaption(Caption);
  return l;
}

}  // namespace

TForm2::TForm2(TComponent* AOwner, const TServices& Services) : TForm(AOwner, Services.Peer) {
  Name = "Form2";
  SetCaption("Seleziona percorso");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(275);
  SetClientHeight(258);
  SetFont(TFont{});

  Label5 = MakeLabel(this, "Label5", "Selezionare un nuovo percorso per l'installazione", 8, 8, 259);
  Label3 = MakeLabel(this, "Label3", "Percorso:", 8, 32, 100);
  Edit1 = NewControl<TEdit>(this, this, "Edit1", 8, 48, 229, 21);
  Label2 = MakeLabel(this, "Label2", "Directory:", 8, 78, 100);
  DirectoryListBox1 = NewControl<TDirectoryListBox>(this, this, "DirectoryListBox1", 8, 94, 145, 97);
  DirectoryListBox1->ItemHeight = 16;
  Label1 = MakeLabel(this, "Label1", "Driver:", 8, 198, 100);
  DriveComboBox1 = NewControl<TDriveComboBox>(this, this, "DriveComboBox1", 8, 214, 145, 21);
  Label4 = MakeLabel(this, "Label4", "", 8, 240, 145);
  Label4->SetVisible(false);
  Button1 = NewControl<TButton>(this, this, "Button1", 176, 94, 75, 25);
  Button1->SetCaption("Conferma");
  Button1->ModalResult = mrOk;
  Button2 = NewControl<TButton>(this, this, "Button2", 176, 126, 75, 25);
  Button2->SetCaption("Annulla");
  Button2->ModalResult = mrCancel;

  // Tab order: drive box, directory list, edit field, "Conferma", "Annulla".
  int order = 0;
  for (TControl* c : {static_cast<TControl*>(DriveComboBox1), static_cast<TControl*>(DirectoryListBox1),
                      static_cast<TControl*>(Edit1), static_cast<TControl*>(Button1), static_cast<TControl*>(Button2)})
    c->SetTabOrder(order++);
  for (TLabel* l : {Label5, Label3, Label2, Label1, Label4}) l->SetTabOrder(order++);

  DriveComboBox1->DirList = DirectoryListBox1;
  DirectoryListBox1->SetFileSystem(&Services.Files);
  DriveComboBox1->SetFileSystem(&Services.Files);
  DirectoryListBox1->OnChange = [this](TObject* S) { DirectoryListBox1Change(S); };
}

void TForm2::DirectoryListBox1Change(TObject*) { Edit1->SetText(DirectoryListBox1->Directory()); }
