#include "app/program.h"

#include "app/unit1.h"
#include "ui/application.h"

int RunInstaller(const TServices& Services) {
  TApplication app(Services.Peer, Services.Dialogs);
  try {
    app.Initialize();
    app.Title = kApplicationTitle;
    app.CreateForm<TForm1>(Services);
    app.Run();
  } catch (...) {
    app.HandleException();
  }
  return 0;
}
