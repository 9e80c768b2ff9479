// Shell links of the program and its documents on the all-users desktop and in
// the all-users start-menu folder "Tavenor", made through the shell's link
// object (IShellLinkW, IPersistFile) and deleted again on removal.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "install_state.h"
#include "shortcuts.h"

namespace {

// Owns one COM interface pointer.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (pointer_) pointer_->Release();
  }
  Interface* operator->() const { return pointer_; }
  void** Receive() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

// COM (apartment-threaded) on this thread for the scope's duration.
class ComApartment {
 public:
  ComApartment() : result_(CoInitialize(nullptr)) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  bool ok() const { return SUCCEEDED(result_); }

 private:
  HRESULT result_;
};

enum class LinkFolder { kCommonDesktop, kCommonPrograms };

struct LinkRow {
  uint32_t feature;
  LinkFolder folder;
  const wchar_t* linkPattern;
  const wchar_t* targetPattern;
  const wchar_t* args;
  const wchar_t* description;
};

// In the order they are made.
constexpr LinkRow kLinks[] = {
    {kFeatureDesktopLinks, LinkFolder::kCommonDesktop, L"%ls\\Korvane.lnk", L"%ls\\Korvane.exe", L"",
     L"Velmora Korvane"},
    {kFeatureDesktopLinks, LinkFolder::kCommonDesktop, L"%ls\\KorvaneUp.lnk", L"%ls\\KorvaneUp.exe",
     L"", L"Velmora KorvaneUp"},
    {kFeatureStartMenuLinks, LinkFolder::kCommonPrograms, L"%ls\\Tavenor\\Korvane.lnk",
     L"%ls\\Korvane.exe", L"", L"Velmora Korvane"},
    {kFeatureStartMenuLinks, LinkFolder::kCommonPrograms, L"%ls\\Tavenor\\KorvaneUp.lnk",
     L"%ls\\KorvaneUp.exe", L"", L"Velmora KorvaneUp"},
    {kFeatureStartMenuLinks, LinkFolder::kCommonPrograms, L"%ls\\Tavenor\\Korvane사용설명서.lnk",
     L"%ls\\Doc\\Korvane사용설명서.pdf", L" ", L"Korvane사용설명서"},
    {kFeatureStartMenuLinks, LinkFolder::kCommonPrograms, L"%ls\\Tavenor\\Korvane퀵가이드.lnk",
     L"%ls\\Doc\\Korvane퀵가이드.pdf", L" ", L"Korvane퀵가이드"},
};

constexpr const wchar_t* kDesktopLinkNames[] = {L"%ls\\Korvane.lnk", L"%ls\\KorvaneUp.lnk"};
constexpr const wchar_t* kStartMenuFolder = L"%ls\\Tavenor";

const wchar_t* FolderPath(LinkFolder folder) {
  return folder == LinkFolder::kCommonDesktop ? installState.commonDesktopDir
                                          : installState.commonProgramsDir;
}

// A file in a shell folder. An empty folder (its lookup failed at start-up)
// gives no path: "\Korvane.lnk" would name the root of the current drive.
bool FormatInFolder(wchar_t (&out)[kPathUnits], const wchar_t* pattern, const wchar_t* folder) {
  out[0] = 0;
  if (folder[0] == 0) return false;
  return FormatPath(out, pattern, folder);
}

void DeleteInFolder(const wchar_t* pattern, const wchar_t* folder) {
  wchar_t path[kPathUnits];
  if (FormatInFolder(path, pattern, folder)) DeleteFileW(path);
}

}  // namespace

int32_t MakeShortcutLink(const wchar_t* target, const wchar_t* args, const wchar_t* linkFile,
                         const wchar_t* description, const wchar_t* icon) {
  DeleteFileW(linkFile);
  ComPtr<IShellLinkW> link;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.Receive());
  if (FAILED(hr)) return hr;
  link->SetPath(target);
  link->SetArguments(args);
  if (description && description[0]) link->SetDescription(description);
  link->SetShowCmd(SW_SHOWNORMAL);
  if (icon && icon[0]) link->SetIconLocation(icon, 0);
  ComPtr<IPersistFile> file;
  hr = link->QueryInterface(IID_IPersistFile, file.Receive());
  if (SUCCEEDED(hr)) hr = file->Save(linkFile, TRUE);
  return hr;
}

int32_t CreateShortcuts() {
  ComApartment com;
  if (!com.ok()) return 0;
  for (const wchar_t* name : kDesktopLinkNames) DeleteInFolder(name, installState.desktopDir);

  const uint32_t features = installState.featureFlags.load();
  HRESULT last = S_OK;
  bool startMenuFolderMade = false;
  for (const LinkRow& row : kLinks) {
    if (!(features & row.feature)) continue;
    if (row.folder == LinkFolder::kCommonPrograms && !startMenuFolderMade) {
      wchar_t folder[kPathUnits];
      if (FormatInFolder(folder, kStartMenuFolder, installState.commonProgramsDir))
        CreateDirectoryW(folder, nullptr);
      startMenuFolderMade = true;
    }
    wchar_t link[kPathUnits];
    wchar_t target[kPathUnits];
    if (!FormatInFolder(link, row.linkPattern, FolderPath(row.folder)) ||
        !FormatPath(target, row.targetPattern, installState.installDir)) {
      last = E_FAIL;
      continue;
    }
    last = MakeShortcutLink(target, row.args, link, row.description, target);
  }
  return last;
}

int DeleteShortcuts() {
  for (const wchar_t* name : kDesktopLinkNames) DeleteInFolder(name, installState.desktopDir);
  for (const LinkRow& row : kLinks) DeleteInFolder(row.linkPattern, FolderPath(row.folder));
  // Only an empty folder goes; anything else the user put there stays.
  wchar_t folder[kPathUnits];
  if (FormatInFolder(folder, kStartMenuFolder, installState.commonProgramsDir))
    RemoveDirectoryW(folder);
  return 0;
}
