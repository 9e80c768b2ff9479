// Opening and checking the setup package, and reading one index-file entry.
// The reader is process-wide: one thread uses it at a time (the start page
// opens it; afterwards one operation thread extracts).
#pragma once

#include <cstdint>

#include "os_layer.h"
#include "package_format.h"

// Codes of OpenSetupPackage.
enum OpenCode : int {
  kOpenOk = 0,
  kOpenIndexMissing = -1,
  kOpenIndexReadError = -2,
  kOpenIndexTooLarge = -3,  // also for an index file of 4 GiB or more
  kOpenSizeMismatch = -4,
  kOpenBadVersion = -5,
  kOpenBadHeaderCrc = -6,
  kOpenPartUnreadable = -7,
  kOpenPartSizeMismatch = -8,
  kOpenBadPartCount = -9,  // partCount above 16
};

// Codes of ExtractEntry and of extraction (Part of the engine's own table).
enum EntryCode : int {
  kEntryOk = 0,
  kEntryCancelled = 1,
  kEntryEmpty = -5,
  kEntryBadLength = -6,
  kEntryShortRead = -7,
  kEntryBadCrc = -8,
  kEntryCannotCreate = -9,
  kEntryShortWrite = -10,
  kPartCannotOpen = -11,
  kPartSizeMismatch = -12,
  kMrBadOffset = -13,
  kMrPastPartEnd = -14,
  kMrWriteFailed = -15,
  kFontNameRefused = -16,  // a font name from the package that is not a bare file name
};

// Short English meaning of an open or entry code, for kvpack to print.
const char* OpenCodeMeaning(int code);
const char* EntryCodeMeaning(int code);

struct PackageReader {
  os::File packageFile = os::kNoFile;
  uint32_t entryCursor = 0;  // header offset of the next unread end-offset slot
  uint8_t header[pkg::kHeaderSize] = {};
};

extern PackageReader packageReader;
// The one 128 MiB buffer that receives a whole entry or MR file.
extern uint8_t transferBuffer[pkg::kTransferBufferSize];

// Opens and checks the package in installState.setupDir; creates
// installState.installDir when missing. 0 or an OpenCode; with a binding in
// force a header other than the bound one is kOpenBadHeaderCrc. Closes a handle left
// open by an earlier call first.
int OpenSetupPackage();

// Reads, checks and writes the next entry to the path in stepCaption.
// 0, 1 (written, runFlag was 0) or a negative EntryCode.
int ExtractEntry();

// Closes packageFile when open.
void ClosePackageFile();

// Header field accessors over packageReader.header.
uint32_t HeaderU32(uint32_t offset);

// The pieces of ExtractEntry, shared with the extraction of songs and fonts
// and with kvpack's checks.
//
// An entry read into transferBuffer and checked against its CRC.
struct EntryView {
  const uint8_t* data = nullptr;  // inside transferBuffer
  uint32_t length = 0;
  uint64_t lastWriteTime = 0;  // FILETIME
};

// Takes the slot at entryCursor: *start = low word of progressPos with its two
// low bits cleared, *end = the slot's value; advances entryCursor by one slot
// and sets progressPos to the slot's value (high word 0). False (nothing taken)
// when the cursor has left the end-offset tables.
bool TakeSlot(uint32_t* start, uint32_t* end);

// Reads and checks the entry spanning start .. end (an end-offset value):
// 0 with *view filled, kEntryEmpty when end <= start, kEntryBadLength when the
// data length lies outside minLength .. kMaxDataLength or the span does not
// fit transferBuffer, kEntryShortRead, kEntryBadCrc. With a binding in force
// the whole span must match the bound digest of the slot TakeSlot took last
// (kEntryBadCrc otherwise), which stands in for the CRC.
int ReadEntry(uint32_t start, uint32_t end, uint32_t minLength, EntryView* view);

// ReadEntry's read without its check: the span goes to into (room bytes,
// kEntryBadLength when it does not fit), *spanLength is its length, which a
// binding's digest covers. The caller checks it.
int ReadEntrySpan(uint32_t start, uint32_t end, uint32_t minLength, uint8_t* into, uint32_t room,
                  EntryView* view, uint32_t* spanLength);
// The bound digest of the slot TakeSlot took last; null without a binding in
// force or before the first slot.
const uint8_t* BoundDigestOfTakenSlot();

// Writes an entry's data to path and gives the file its last-write time:
// 0, kEntryCannotCreate or kEntryShortWrite.
int WriteEntryFile(const wchar_t* path, const EntryView& view);
