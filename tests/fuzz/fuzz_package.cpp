// Decoding of the shared fuzz input (fuzz_package.h) into the in-memory layer.
#include "fuzz_package.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "crc32.h"
#include "os_layer_mem.h"
#include "package_format.h"

namespace fuzz {

namespace {

// Sets the entry CRCs along the walk that extraction takes, where the span
// lies inside the index file, until they have covered the index twice: an end
// that goes back makes the walk read the same bytes again, and a thousand
// such spans would spend the run on forged CRCs.
void FixEntryCrcs(std::vector<uint8_t>& index) {
  uint32_t start = pkg::ReadU32(&index[pkg::kOffFirstEntryStart]) & ~3u;
  size_t budget = 2 * index.size();
  auto fix = [&](uint32_t slot) {
    const uint32_t end = pkg::ReadU32(&index[slot]);
    const uint32_t aligned = end & ~3u;
    if (start < end && aligned >= start + pkg::kEntryHeaderSize + (end & 3u) &&
        aligned <= index.size() && aligned - start <= budget) {
      const uint32_t length = aligned - start - (end & 3u) - pkg::kEntryHeaderSize;
      pkg::WriteU32(&index[start], Crc32Jam(&index[start + pkg::kEntryHeaderSize], length));
      budget -= aligned - start;
    }
    start = end & ~3u;
  };
  for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i) fix(pkg::kOffFixedEntryEnds + 4 * i);
  for (uint32_t i = 0; i < pkg::kSongSlots + pkg::kFontSlots; ++i)
    fix(pkg::kOffSongEntryEnds + 4 * i);
}

// Writes the runs of a flag-5 head (fuzz_package.h) into header, which holds
// kHeaderSize zeros; a run cut short by the input's end writes what it has.
void SpreadRuns(const uint8_t* runs, size_t size, uint8_t* header) {
  size_t at = 0;
  while (size >= 6 && at < pkg::kHeaderSize) {
    at = std::min<size_t>(at + (runs[0] | runs[1] << 8), pkg::kHeaderSize);
    const size_t length = std::min<size_t>(runs[2] | runs[3] << 8, size - 6);
    const size_t repeats = runs[4] | runs[5] << 8;
    runs += 6;
    size -= 6;
    const size_t put = std::min(length, pkg::kHeaderSize - at);
    std::memcpy(header + at, runs, put);
    at += put;
    // The word stands just before at (unless put was cut, and then at is at
    // the end); each copy doubles what the last one copied.
    const size_t word = std::min<size_t>(length, 4);
    const size_t want = std::min(repeats * word, pkg::kHeaderSize - at);
    for (size_t done = 0; done < want;) {
      const size_t n = std::min(done + word, want - done);
      std::memcpy(header + at + done, header + at - word, n);
      done += n;
    }
    at += want;
    runs += length;
    size -= length;
  }
}

std::wstring Join(const wchar_t* dir, const wchar_t* name) { return std::wstring(dir) + L"\\" + name; }

}  // namespace

bool PutPackage(const wchar_t* dir, const uint8_t* data, size_t size) {
  if (size < 9) return false;
  const uint8_t flags = data[0];
  size_t headLength = pkg::ReadU32(data + 1);
  size_t tailLength = pkg::ReadU32(data + 5);
  data += 9;
  size -= 9;
  if (headLength > size) headLength = size;
  if (tailLength > size - headLength) tailLength = size - headLength;
  // Kept from run to run: the index is at least a 70 KB header, and a fresh
  // buffer each time costs the sanitizer's allocator more than the check does.
  static std::vector<uint8_t> index;
  if (flags & 32) {
    index.assign(pkg::kHeaderSize, 0);
    SpreadRuns(data, headLength, index.data());
  } else {
    index.assign(data, data + headLength);
  }
  index.insert(index.end(), data + headLength, data + headLength + tailLength);
  // The parts are read where libFuzzer holds the input.
  const uint8_t* partBytes = data + headLength + tailLength;
  const size_t partLength = size - headLength - tailLength;
  const size_t firstLength = flags & 16 ? partLength / 2 : partLength;
  const uint32_t parts = partLength == 0 ? 0 : flags & 16 ? 2 : 1;

  if (index.size() >= pkg::kHeaderSize) {
    if (flags & 4) {
      pkg::WriteU32(&index[pkg::kOffPartCount], parts);
      pkg::WriteU32(&index[pkg::kOffPartSizes], static_cast<uint32_t>(firstLength));
      pkg::WriteU32(&index[pkg::kOffPartSizes + 4], static_cast<uint32_t>(partLength - firstLength));
    }
    if (flags & 2) FixEntryCrcs(index);
    if (flags & 1) {
      pkg::WriteU32(&index[pkg::kOffIndexFileSize], static_cast<uint32_t>(index.size()));
      pkg::WriteU32(&index[pkg::kOffHeaderCrc], Crc32Jam(&index[4], pkg::kHeaderSize - 4));
    }
  }
  os::mem::PutFile(Join(dir, L"KVSetup.dat").c_str(), index.data(), index.size());
  if (parts >= 1) os::mem::PutFile(Join(dir, L"KVSetup.d01").c_str(), partBytes, firstLength);
  if (parts == 2)
    os::mem::PutFile(Join(dir, L"KVSetup.d02").c_str(), partBytes + firstLength, partLength - firstLength);
  return true;
}

void CheckWrittenInside(const wchar_t* folder) {
  const std::wstring inside = os::mem::Resolve(folder);
  for (const std::wstring& path : os::mem::WrittenPaths()) {
    if (path == inside || (path.compare(0, inside.size(), inside) == 0 && path[inside.size()] == L'\\'))
      continue;
    std::fprintf(stderr, "written outside %ls: %ls\n", inside.c_str(), path.c_str());
    std::abort();
  }
}

}  // namespace fuzz
