// Layout of the setup package: the index file "KVSetup.dat" and its data parts
// "KVSetup.d01" ... "KVSetup.d16". Shared by the setup program and kvpack, so
// one description serves the reader and the writer. All integers little-endian.
//
//  KVSetup.dat
//  +--------+---------------------------------------------------------------+
//  |      0 | headerCrc     u32  CRC-32/JAMCRC of bytes 4 .. 70,491          |
//  |      4 | formatVersion u32  = 3                                        |
//  |      8 | versionWords  9 x u32, copied to the registry "Version"       |
//  |     44 | reserved      u32                                             |
//  |     48 | indexFileSize u32  size of KVSetup.dat                        |
//  |     52 | partCount     u32  0 .. 16                                    |
//  |     56 | partSizes     16 x u32                                        |
//  |    120 | firstEntryStart u32                                           |
//  |    124 | fixedEntryEnds 32 x u32 (19 used)                             |
//  |    252 | songEntryEnds 1000 x u32 (song numbers 0 .. 999)              |
//  |  4,252 | fontEntryEnds 256 x u32 (font file, then info if font present)|
//  |  5,276 | fontNames     128 x 72 bytes, UTF-16LE, NUL-terminated        |
//  | 14,492 | mrRecords     2000 x 28 bytes                                 |
//  | 70,492 | entries, back to back, each starting at a multiple of 4       |
//  +--------+---------------------------------------------------------------+
//
//  End offset slot E: (E & ~3) is the aligned end of the entry, (E & 3) the
//  number of pad bytes in it. An entry starts where the previous one ended
//  ((previous E) & ~3; the first at firstEntryStart & ~3); E <= start means
//  the entry is empty (absent song or font).
//
//  Entry:  dataCrc u32 (CRC of data only) | lastWriteTime u64 FILETIME |
//          data (L bytes) | 0-3 pad bytes
//
//  MR record (28 bytes): mrNumber u32 | partIndex u32 (1-based; a value naming
//  no part ends the table) | partOffset u32 | size u32 | reserved u32 |
//  lastWriteTime u64. Records are sorted by part and lie back to back in it.
//
//  Data parts hold the MR files back to back and nothing else; no checksum.
#pragma once

#include <cstdint>
#include <cstring>

namespace pkg {

constexpr uint32_t kHeaderSize = 70492;
constexpr uint32_t kFormatVersion = 3;
constexpr uint32_t kMaxParts = 16;
constexpr uint32_t kFixedSlots = 32;
constexpr uint32_t kFixedEntriesUsed = 19;
constexpr uint32_t kSongSlots = 1000;
constexpr uint32_t kFontSlots = 256;
constexpr uint32_t kFontNames = 128;
constexpr uint32_t kFontNameBytes = 72;
constexpr uint32_t kFontNameMaxUnits = 35;
constexpr uint32_t kMrRecords = 2000;
constexpr uint32_t kMrRecordSize = 28;
constexpr uint32_t kEntryHeaderSize = 12;
constexpr uint32_t kMaxIndexFileSize = 0xFF000000u;
constexpr uint32_t kTransferBufferSize = 134217728;  // 128 MiB
constexpr uint32_t kMinFixedDataLength = 16;
constexpr uint32_t kMinLibraryDataLength = 256;  // songs and fonts
constexpr uint32_t kMaxDataLength = 134217727;
// The MR numbers that removal deletes by name (folders MR\900 .. MR\999);
// extraction writes any other number too, and removal then leaves it behind.
constexpr uint32_t kFirstRemovedMr = 90001;
constexpr uint32_t kLastRemovedMr = 100000;

// Field offsets in the header.
constexpr uint32_t kOffHeaderCrc = 0;
constexpr uint32_t kOffFormatVersion = 4;
constexpr uint32_t kOffVersionWords = 8;
constexpr uint32_t kOffIndexFileSize = 48;
constexpr uint32_t kOffPartCount = 52;
constexpr uint32_t kOffPartSizes = 56;
constexpr uint32_t kOffFirstEntryStart = 120;
constexpr uint32_t kOffFixedEntryEnds = 124;
constexpr uint32_t kOffSongEntryEnds = 252;
constexpr uint32_t kOffFontEntryEnds = 4252;
constexpr uint32_t kOffFontNames = 5276;
constexpr uint32_t kOffMrRecords = 14492;

// Field offsets in an MR record.
constexpr uint32_t kMrOffNumber = 0;
constexpr uint32_t kMrOffPartIndex = 4;
constexpr uint32_t kMrOffPartOffset = 8;
constexpr uint32_t kMrOffSize = 12;
constexpr uint32_t kMrOffLastWriteTime = 20;

// The 19 fixed entries in package order.
enum FixedEntry : uint32_t {
  kFixHaspInstaller, kFixKeyReinstaller, kFixFtdiDriver,
  kFixKorvaneExe, kFixKorvaneUpExe, kFixUpdaterExe, kFixSnl, kFixVersionBin,
  kFixUpdaterBin, kFixManual, kFixQuickGuide,
  kFixEffectSet, kFixUserKeySet, kFixVolInstMrSet, kFixVolumeSet,
  kFixBassDsc, kFixDrumDsc, kFixGigakiDsc, kFixEventLst,
};

// Path of each fixed entry relative to the install folder, in package order.
extern const wchar_t* const kFixedEntryPaths[kFixedEntriesUsed];

inline uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
         uint32_t(p[3]) << 24;
}
inline uint64_t ReadU64(const uint8_t* p) {
  return uint64_t(ReadU32(p)) | uint64_t(ReadU32(p + 4)) << 32;
}
inline void WriteU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
inline void WriteU64(uint8_t* p, uint64_t v) {
  WriteU32(p, uint32_t(v));
  WriteU32(p + 4, uint32_t(v >> 32));
}

}  // namespace pkg
