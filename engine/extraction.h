// Writing the whole payload into the install folder in the package's order,
// and the FTDI-only extraction of the modify operation.
#pragma once

// 0 when everything is written, 1 when cancelled, or a negative EntryCode.
int ExtractPackage();
// Writes only Driver\FTDIDriver.zip. 0 (index file closed) or ExtractEntry's code.
int ExtractFtdiDriver();
