// The operating-system services the installer's windows use, passed in from
// the entry (real ones) or from a test (fakes). Every reference must outlive
// the windows given it.
#pragma once

#include "platform/dialogs.h"
#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/simple_mapi.h"
#include "platform/sockets.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "ui/widget_peer.h"

struct TServices {
  platform::IFileSystem& Files;
  platform::IDialogs& Dialogs;
  platform::IRegistry& Registry;
  platform::ISystem& System;
  platform::ITimers& Timers;
  platform::ICursor& Cursor;
  IWidgetPeer& Peer;
  platform::IShell& Shell;
  platform::ISimpleMapi& Mail;
  platform::ISockets& Sockets;
};
