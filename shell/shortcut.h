// TMyShortCut: the shell-integration component. It holds the settings of the
// product's links and browser entries; CreateLink makes them when the main
// executable is installed, RemoveLink and RemoveCartella undo the install.
//
// This is the least form of the component that the wizard needs: the
// operations record what they were asked to do and change nothing on the
// machine yet.
#pragma once

#include <string>
#include <vector>

#include "runtime/component.h"
#include "runtime/stringlist.h"

class TProgressBar;

class TMyShortCut : public TComponent {
 public:
  explicit TMyShortCut(TComponent* AOwner) : TComponent(AOwner) {}

  // ---- Published properties ----
  std::string ExeName;                 // main executable's file name ("velto.exe")
  std::string FilePathName;            // its full path once installed
  std::string IconPathName;            // icon file; made a full path by the wizard
  std::string Descrizione;             // link description
  std::string MenuText;                // browser menu text
  std::string LinkName;                // link file name without ".lnk"
  std::string GruppoProgrammiName;     // program group folder
  std::string DescrizioneExeInForder;  // link name inside the program group
  std::string CLSIDExplore;
  std::string CLSIDExplore1;
  bool CreateDeskTopLink = false;
  bool CreateFolder = false;
  bool CreateToTrova = false;
  bool CreateToExplorer = false;
  bool CreateToAvvio = false;
  TStringList listafile;  // the product's installed files, by name

  // Makes the links and registrations that the Create* settings select, for
  // FilePathName.
  void CreateLink();
  // Removes what CreateLink made.
  void RemoveLink();
  // Removes the files of listafile beside Path's folder and the folder when
  // it is empty, advancing Progress (may be null).
  void RemoveCartella(const std::string& Path, TProgressBar* Progress);

  // ---- What was asked, in order (until the real operations exist) ----
  struct TCall {
    std::string Operation;     // "CreateLink", "RemoveLink", "RemoveCartella"
    std::string FilePathName;  // FilePathName at the call
    std::string IconPathName;  // IconPathName at the call
    std::string Path;          // RemoveCartella's Path
  };
  std::vector<TCall> Calls;
};
