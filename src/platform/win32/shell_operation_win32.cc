#include "platform/shell_operation.h"

// Before the shell header, which relies on its types.
#include <windows.h>

#include <shellapi.h>

int RunShellOperation(const ShellRequest& request) {
  SHFILEOPSTRUCTA operation = {};
  operation.hwnd = nullptr;
  operation.wFunc = request.function;
  operation.pFrom = request.from;
  operation.pTo = request.to;
  operation.fFlags = FOF_NOCONFIRMATION | FOF_SIMPLEPROGRESS | FOF_NOCONFIRMMKDIR;
  operation.fAnyOperationsAborted = FALSE;
  operation.hNameMappings = nullptr;
  operation.lpszProgressTitle = request.title;
  // Only the returned value counts; fAnyOperationsAborted is not read.
  return SHFileOperationA(&operation);
}
