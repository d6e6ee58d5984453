#include "app/program.h"

#include "app/unit1.h"
#include "ui/application.h"

int RunInstaller(const TServices& Services) {
  TApplication app(Services.Peer, Services.Dialogs);
  try {
    app.Initialize();
    app.Title = kApplicationTitle;
    // Two runs at once would write over each other's files and entries.
    if (!Services.System.ClaimSingleInstance(kInstallerMutexName)) {
      app.ShowMessageBox(kAlreadyRunningMessage, "", platform::mbOK | platform::mbIconWarning);
      return 0;
    }
    app.CreateForm<TForm1>(Services);
    app.Run();
  } catch (...) {
    app.HandleException();
  }
  return 0;
}
