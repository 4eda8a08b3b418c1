#include "platform/shortcut.h"

// Before the shell headers, which rely on its types.
#include <windows.h>

#include <objidl.h>
#include <shlobj.h>

namespace {

// The shell reports through HRESULTs; a Win32 error inside one is left as itself.
void SetLastErrorFrom(HRESULT result) {
  SetLastError(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result)
                                                          : static_cast<DWORD>(result));
}

}  // namespace

bool SaveShortcut(const char* path, const char* target, const char* working_folder,
                  const char* arguments, int show_command) {
  // Windows refuses to replace a read-only file; Wine running as root would replace it.
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  IShellLinkA* link = nullptr;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                    reinterpret_cast<void**>(&link));
  if (FAILED(result)) {
    SetLastErrorFrom(result);
    return false;
  }
  // Only the save decides: Wine's SetPath returns S_FALSE for a target that does not
  // exist, and the shortcut is still made.
  link->SetPath(target);
  link->SetWorkingDirectory(working_folder);
  link->SetArguments(arguments);
  if (show_command != 0) link->SetShowCmd(show_command);
  IPersistFile* file = nullptr;
  result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (SUCCEEDED(result)) {
    WCHAR wide[kMaxShortcutPath + 1];
    // 0 when the path does not fit the buffer: refused rather than cut.
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, kMaxShortcutPath + 1) == 0) {
      result = E_INVALIDARG;
    } else {
      result = file->Save(wide, TRUE);
    }
    file->Release();
  }
  link->Release();
  if (FAILED(result)) SetLastErrorFrom(result);
  return SUCCEEDED(result);
}
