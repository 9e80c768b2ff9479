// The fixed entries of the setup package: their install paths in package order.
#include "package_format.h"

namespace pkg {

const wchar_t* const kFixedEntryPaths[kFixedEntriesUsed] = {
    L"Driver\\haspdinst.exe",
    L"Driver\\키락재설치.exe",
    L"Driver\\FTDIDriver.zip",
    L"Korvane.exe",
    L"KorvaneUp.exe",
    L"KVUpdater.exe",
    L"Korvane.snl",
    L"KVVersion.bin",
    L"KVUpdater.bin",
    L"Doc\\Korvane사용설명서.pdf",
    L"Doc\\Korvane퀵가이드.pdf",
    L"User\\Effect.set",
    L"User\\UserKey.set",
    L"User\\VolInstMR.set",
    L"User\\Volume.set",
    L"User\\Bass.dsc",
    L"User\\Drum.dsc",
    L"User\\Gigaki.dsc",
    L"User\\Event.lst",
};

}  // namespace pkg
