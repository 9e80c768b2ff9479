// Keeps DLLs that lie beside the setup program (a download folder) from being
// loaded in place of system ones. Called first thing in the program's entry.
#pragma once

// Restricts the default DLL search to System32 where Windows offers that,
// else takes the current folder out of the search.
void HardenDllSearch();
