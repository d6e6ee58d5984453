// TForm2: the destination folder chooser. A drive box and a directory list
// over the file system's drives and folders, and the edit field Edit1 that
// holds the result; "Conferma" ends it with mrOk, "Annulla" and the close
// box with mrCancel.
#pragma once

#include "app/services.h"
#include "ui/widgets.h"

class TForm2 : public TForm {
 public:
  // The lists open at the file system's current folder; Edit1 starts empty.
  TForm2(TComponent* AOwner, const TServices& Services);

  TLabel* Label5;
  TLabel* Label3;
  TEdit* Edit1;
  TLabel* Label2;
  TDirectoryListBox* DirectoryListBox1;
  TLabel* Label1;
  TDriveComboBox* DriveComboBox1;
  TLabel* Label4;
  TButton* Button1;
  TButton* Button2;

  // Edit1's text := the list's current folder.
  void DirectoryListBox1Change(TObject* Sender);
};
