// TBackupFile: construction, properties and error reporting. Reading and
// restoring are in backup_restore.cpp, writing in backup_write.cpp.
#include "archive/backup.h"

std::string BackupErrorMessage(int32_t Code) {
  switch (Code) {
    case beCannotReadFile:
      return "Cannot read file";
    case beOverwriteFailed:
      return "Overwriting file failed";
    case beCannotReadArchive:
      return "Cannot read archive";
    case beCannotWriteArchive:
      return "Cannot write to archive";
    case beInvalidArchive:
      return "Invalid archive type";
    case beCompressionError:
      return "Compression error";
    case beFileIDTempFile:
      return "Cannot create temporary file to save the file IDs";
    default:
      return "";
  }
}

std::string DiskPromptMessage(const std::string& DiskText) {
  return "Please insert disk " + DiskText + " and click OK to continue.";
}

TBackupFile::TBackupFile(TComponent* AOwner, platform::IFileSystem& Files, platform::IDialogs& Dialogs,
                         platform::IMessagePump* Pump)
    : TComponent(AOwner), FFiles(Files), FDialogs(Dialogs), FPump(Pump) {}

void TBackupFile::SetBackupMode(TBackupMode Value) {
  if (Value == FBackupMode) return;
  if (Value == bmIncremental) SetArchiveFlag = true;
  FBackupMode = Value;
}

void TBackupFile::SetError(int32_t Code, const std::string& FileName) {
  FErrorCode = Code;
  FErrorFileName = FileName;
}

void TBackupFile::ReportError(int32_t Code) {
  std::string message = BackupErrorMessage(Code);
  if (OnError) {
    OnError(this, Code, message);
    return;
  }
  FDialogs.ShowMessageBox(message, "Error", platform::mbOK | platform::mbIconError);
}
