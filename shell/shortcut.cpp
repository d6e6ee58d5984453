#include "shell/shortcut.h"

void TMyShortCut::CreateLink() { Calls.push_back({"CreateLink", FilePathName, IconPathName, ""}); }

void TMyShortCut::RemoveLink() { Calls.push_back({"RemoveLink", FilePathName, IconPathName, ""}); }

void TMyShortCut::RemoveCartella(const std::string& Path, TProgressBar*) {
  Calls.push_back({"RemoveCartella", FilePathName, IconPathName, Path});
}
