// What the manifest and the version resource do to a running program, seen from inside one:
// the unit tests carry the program's manifest (only asking for no elevation) and its
// version resource.
#include <windows.h>
// After windows.h, which they need.
#include <shlwapi.h>
#include <winver.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "updater_version.h"

namespace {

std::wstring OwnPath() {
  std::wstring path(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(n);
  return path;
}

// Wine's comctl32 reports 5.81 from DllGetVersion whichever copy is loaded.
bool RunsUnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The encoded identity of the assembly that comctl32.dll is redirected to in the process's
// activation context (its manifest's dependency), with that assembly's folder; empty when
// nothing redirects it.
struct Redirection {
  std::wstring identity;
  std::wstring folder;
};

Redirection ComctlRedirection() {
  ACTCTX_SECTION_KEYED_DATA data = {};
  data.cbSize = sizeof data;
  if (!FindActCtxSectionStringW(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr,
                                ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll",
                                &data)) {
    return {};
  }
  DWORD index = data.ulAssemblyRosterIndex;
  SIZE_T size = 0;
  QueryActCtxW(0, data.hActCtx, &index, AssemblyDetailedInformationInActivationContext, nullptr, 0,
               &size);
  std::vector<unsigned char> buffer(size +
                                    sizeof(ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION));
  auto* info = reinterpret_cast<ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
  Redirection found;
  if (QueryActCtxW(0, data.hActCtx, &index, AssemblyDetailedInformationInActivationContext, info,
                   buffer.size(), &size)) {
    if (info->lpAssemblyEncodedAssemblyIdentity)
      found.identity = info->lpAssemblyEncodedAssemblyIdentity;
    if (info->lpAssemblyDirectoryName) found.folder = info->lpAssemblyDirectoryName;
  }
  ReleaseActCtx(data.hActCtx);
  return found;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

}  // namespace

// The common controls dependency: comctl32.dll comes from the side-by-side assembly of
// version 6, so message boxes and the shell's progress dialog get the visual styles.
TEST(ProgramManifestTest, CommonControlsVersion6) {
  Redirection redirection = ComctlRedirection();
  SCOPED_TRACE(
      testing::Message() << "identity: "
                         << std::string(redirection.identity.begin(), redirection.identity.end()));
  std::wstring identity = Lower(redirection.identity);
  EXPECT_EQ(0u, identity.find(L"microsoft.windows.common-controls,"));
  EXPECT_NE(std::wstring::npos, identity.find(L"version=\"6."));
  ASSERT_FALSE(redirection.folder.empty());

  HMODULE comctl = LoadLibraryW(L"comctl32.dll");
  ASSERT_NE(nullptr, comctl);
  EXPECT_EQ(comctl, GetModuleHandleW(L"comctl32.dll"));
  std::wstring module(MAX_PATH, L'\0');
  module.resize(GetModuleFileNameW(comctl, module.data(), MAX_PATH));
  EXPECT_NE(std::wstring::npos, Lower(module).find(Lower(redirection.folder)))
      << std::string(module.begin(), module.end());

  auto get_version = reinterpret_cast<DLLGETVERSIONPROC>(
      reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
  ASSERT_NE(nullptr, get_version);
  DLLVERSIONINFO version = {};
  version.cbSize = sizeof version;
  ASSERT_EQ(S_OK, get_version(&version));
  if (!RunsUnderWine()) {
    EXPECT_EQ(6u, version.dwMajorVersion);
  }
  FreeLibrary(comctl);
}

// The loader finds the manifest where it looks for it, and the version functions read the
// version resource as the one version number.
TEST(ProgramManifestTest, ResourcesAsWindowsReadsThem) {
  HRSRC manifest = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(nullptr, manifest);
  std::string xml(static_cast<const char*>(LockResource(LoadResource(nullptr, manifest))),
                  SizeofResource(nullptr, manifest));
  EXPECT_NE(std::string::npos, xml.find("level=\"asInvoker\""));
  // The program keeps the system's ANSI code page (the word may stand in a comment).
  EXPECT_EQ(std::string::npos, xml.find("<activeCodePage"));
  EXPECT_EQ(std::string::npos, xml.find(":activeCodePage"));

  std::wstring path = OwnPath();
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_NE(0u, size);
  std::vector<unsigned char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(DWORD{MAKELONG(UPDATER_VERSION_MINOR, UPDATER_VERSION_MAJOR)}, fixed->dwFileVersionMS);
  EXPECT_EQ(DWORD{MAKELONG(0, UPDATER_VERSION_PATCH)}, fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
  EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);

  const std::string expected_version = UPDATER_VERSION;
  for (const wchar_t* name : {L"ProductVersion", L"FileVersion"}) {
    std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    wchar_t* value = nullptr;
    ASSERT_TRUE(
        VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length))
        << std::string(key.begin(), key.end());
    EXPECT_EQ(std::wstring(expected_version.begin(), expected_version.end()), value);
  }
}
