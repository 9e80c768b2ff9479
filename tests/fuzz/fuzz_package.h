// The input format both fuzz targets share, and how an input becomes a setup
// package in the in-memory file layer.
//
// Input: flags u8 | head length u32 | tail length u32 | head | tail | parts.
// The index file is head then tail. Most of a real header is zeros, and its
// empty song and font slots repeat one end, so with flag bit 5 the head is
// runs spread over a zeroed header: each run is gap u16 | length u16 |
// repeats u16 | bytes[length], which leaves gap zero bytes, writes the bytes,
// then their last word (all of them, when fewer than four) repeats more
// times, cut at the header's end. That keeps an input small, and the
// fuzzer's mutations on the bytes that matter; a longer pattern repeats no
// cheaper than it did in the whole header, so ends that go back and forth a
// thousand times (each re-reading the index) take as many bytes as before.
// Flags also make the fuzzer's work reach past the checks it cannot forge:
//   bit 0: set indexFileSize and headerCrc to match the bytes given
//   bit 1: set the in-range entry CRCs of the walk to match their data, until
//          they have covered the index twice
//   bit 2: set partCount and partSizes to match the parts given
//   bit 4: the part bytes are two parts (KVSetup.d01, .d02), split in half
//   bit 5: the head is runs over a zeroed header (above)
// Bits 3, 6 and 7 are left to the targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Puts the package an input describes into dir (KVSetup.dat and its parts);
// false when the input is too short to hold one. The parts are the input's own
// bytes and the index a buffer reused by the next call: the package lasts
// until the next call or the end of the run.
bool PutPackage(const wchar_t* dir, const uint8_t* data, size_t size);

// Aborts, naming the path, when the layer recorded a file created or a folder
// made anywhere but folder or inside it.
void CheckWrittenInside(const wchar_t* folder);

}  // namespace fuzz
