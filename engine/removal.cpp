// Removal of an installation: deletes by fixed name or by number from a fixed
// range, never by enumerating a folder, and removes the folders that become
// empty. User\ is never touched; shared folders stay for the brand's product.
#include "removal.h"

#include <cstdint>

#include "install_state.h"
#include "os_layer.h"

namespace {

// Each helper formats one path under installDir with a bound; a path that
// does not fit names nothing the extraction could have written, so it is
// skipped. Results of deletions are ignored: the next step runs regardless.
void DeleteIn(const wchar_t* format, const wchar_t* name) {
  wchar_t path[kPathUnits];
  if (FormatPath(path, format, installState.installDir, name)) os::RemoveFile(path);
}

void RemoveFolderIn(const wchar_t* format) {
  wchar_t path[kPathUnits];
  if (FormatPath(path, format, installState.installDir)) os::RemoveFolder(path);
}

bool FolderExists(const wchar_t* format) {
  wchar_t path[kPathUnits];
  return FormatPath(path, format, installState.installDir) && os::PathExists(path);
}

// Empties and removes the numbered folders first ... last of a library (SongMR
// or MR): folder f holds the files numbered perFolder * f + firstInFolder and
// the perFolder - 1 numbers after it. Then removes the library folder itself.
void RemoveLibrary(const wchar_t* folderFormat, const wchar_t* fileFormat,
                   const wchar_t* libraryFormat, uint32_t first, uint32_t last,
                   uint32_t perFolder, uint32_t firstInFolder) {
  for (uint32_t folder = first; folder <= last; ++folder) {
    wchar_t folderPath[kPathUnits];
    if (!FormatPath(folderPath, folderFormat, installState.installDir, folder) ||
        !os::PathExists(folderPath))
      continue;
    for (uint32_t k = 0; k < perFolder; ++k) {
      wchar_t path[kPathUnits];
      if (FormatPath(path, fileFormat, folderPath, folder * perFolder + firstInFolder + k))
        os::RemoveFile(path);
    }
    os::RemoveFolder(folderPath);
  }
  RemoveFolderIn(libraryFormat);
}

}  // namespace

int RemoveInstalledFiles() {
  if (installState.installDir[0] == 0 || !os::PathExists(installState.installDir)) return 0;

  static const wchar_t* const kProgramFiles[] = {
      L"Korvane.exe", L"KorvaneUp.exe", L"KVUpdater.exe", L"Korvane.snl",
      L"KVInst.exe",  L"KVVersion.bin", L"KVUpdater.bin"};
  for (const wchar_t* name : kProgramFiles) DeleteIn(L"%ls\\%ls", name);

  const bool keepShared = installState.brandRecordPresent != 0;
  if (FolderExists(L"%ls\\Doc")) {
    DeleteIn(L"%ls\\Doc\\%ls", L"Korvane사용설명서.pdf");
    DeleteIn(L"%ls\\Doc\\%ls", L"Korvane퀵가이드.pdf");
    if (!keepShared) RemoveFolderIn(L"%ls\\Doc");
  }

  if (!keepShared) {
    if (FolderExists(L"%ls\\Driver")) {
      DeleteIn(L"%ls\\Driver\\%ls", L"haspdinst.exe");
      DeleteIn(L"%ls\\Driver\\%ls", L"키락재설치.exe");
      DeleteIn(L"%ls\\Driver\\%ls", L"FTDIDriver.zip");
      RemoveFolderIn(L"%ls\\Driver");
    }
    // Their files are not deleted: a folder that still holds some stays.
    RemoveFolderIn(L"%ls\\Log");
    RemoveFolderIn(L"%ls\\Playlist");
    RemoveFolderIn(L"%ls\\Fonts\\Info");
    RemoveFolderIn(L"%ls\\Fonts");
  }

  // Songs 000-999 in SongMR\00-99; MR files 90001-100000 in MR\900-999.
  RemoveLibrary(L"%ls\\SongMR\\%02u", L"%ls\\%03u.esz", L"%ls\\SongMR", 0, 99, 10, 0);
  RemoveLibrary(L"%ls\\MR\\%03u", L"%ls\\%05u.emr", L"%ls\\MR", 900, 999, 100, 1);
  return 1;
}
