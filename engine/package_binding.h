// The binding of a setup program to the one package it may install: SHA-256
// digests of the package header, of every index-file entry as it is read, of
// every MR file and of the driver installer's data, kept in a block inside
// the signed program (written there by `kvpack bind` before signing). A
// program whose block carries no binding checks nothing beyond the CRCs.
//
//  Binding block (all digests SHA-256, 32 bytes)
//  +---------+-------------------------------------------------------------+
//  |       0 | magic         16 bytes "KVSetup binding" + NUL              |
//  |      16 | bindingFormat u32  0 = no binding, 1 = this layout          |
//  |      20 | reserved      u32  0                                        |
//  |      24 | headerDigest  the 70,492 header bytes as read at open       |
//  |      56 | slotDigests   1288 x 32: end-offset slot s (fixed 0 .. 31,  |
//  |         |               songs 32 .. 1031, fonts 1032 .. 1287): the    |
//  |         |               entry's whole span as read (CRC, time, data,  |
//  |         |               pad); zero for a slot that holds no entry     |
//  |  41,272 | mrDigests     2000 x 32: the data of MR record r            |
//  | 105,272 | driverDigest  the data of Driver\haspdinst.exe as installed |
//  | 105,304 | end                                                         |
//  +---------+-------------------------------------------------------------+
#pragma once

#include <cstddef>
#include <cstdint>

#include "package_format.h"

namespace bind {

constexpr uint32_t kDigestBytes = 32;
constexpr char kMagic[16] = "KVSetup binding";
constexpr uint32_t kFormatBound = 1;
constexpr uint32_t kSlotCount = pkg::kFixedSlots + pkg::kSongSlots + pkg::kFontSlots;  // 1288
constexpr uint32_t kOffFormat = 16;
constexpr uint32_t kOffHeaderDigest = 24;
constexpr uint32_t kOffSlotDigests = kOffHeaderDigest + kDigestBytes;
constexpr uint32_t kOffMrDigests = kOffSlotDigests + kSlotCount * kDigestBytes;
constexpr uint32_t kOffDriverDigest = kOffMrDigests + pkg::kMrRecords * kDigestBytes;
constexpr uint32_t kBlockSize = kOffDriverDigest + kDigestBytes;
static_assert(kOffMrDigests == 41272 && kBlockSize == 105304, "layout drawn above");

}  // namespace bind

// Puts the binding in block (kBlockSize bytes, kept by the caller for as long
// as the binding is in force) in force. False, and no binding in force, when
// the block's magic is wrong or it carries no binding.
bool UsePackageBinding(const uint8_t* block);
// No binding in force: every check below is off.
void ClearPackageBinding();
bool PackageBindingInForce();

// The bound digests; null when no binding is in force.
const uint8_t* BoundHeaderDigest();
const uint8_t* BoundSlotDigest(uint32_t slot);     // slot < bind::kSlotCount
const uint8_t* BoundMrDigest(uint32_t record);     // record < pkg::kMrRecords
const uint8_t* BoundDriverInstallerDigest();

// True when the SHA-256 digest of length bytes at data equals the 32 bytes at
// bound.
bool MatchesBoundDigest(const void* data, size_t length, const uint8_t* bound);
