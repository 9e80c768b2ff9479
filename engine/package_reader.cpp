// The package reader: OpenSetupPackage checks the index file and the data
// parts beside the setup program, ExtractEntry reads, checks and writes one
// index-file entry. Only the OS layer is used; codes are those of OpenCode and
// EntryCode.
#include "package_reader.h"

#include <cstring>

#include "crc32.h"
#include "install_state.h"
#include "package_binding.h"

PackageReader packageReader;
uint8_t transferBuffer[pkg::kTransferBufferSize];

namespace {

// The end-offset tables (fixed, song and font slots) lie back to back.
constexpr uint32_t kFirstSlot = pkg::kOffFixedEntryEnds;
constexpr uint32_t kSlotsEnd = pkg::kOffFontNames;

// Owns a file handle for the length of a scope.
class ScopedFile {
 public:
  explicit ScopedFile(os::File file) : file_(file) {}
  ~ScopedFile() { os::Close(file_); }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  os::File get() const { return file_; }
  bool ok() const { return file_ != os::kNoFile; }

 private:
  os::File file_;
};

// Opens data part n and compares its full size with its header entry.
int CheckPart(uint32_t n, uint64_t* size) {
  wchar_t path[kPathUnits];
  if (!FormatPath(path, L"%ls\\KVSetup.d%02u", installState.setupDir, n))
    return kOpenPartUnreadable;
  ScopedFile part(os::OpenForRead(path));
  if (!part.ok()) return kOpenPartUnreadable;
  int64_t real = os::Size(part.get());
  if (real < 0) return kOpenPartUnreadable;
  uint32_t expected = HeaderU32(pkg::kOffPartSizes + 4 * (n - 1));
  // Compared in 64 bits: a part of 4 GiB + x must not pass as x.
  if (static_cast<uint64_t>(real) != expected) return kOpenPartSizeMismatch;
  *size = static_cast<uint64_t>(real);
  return kOpenOk;
}

}  // namespace

const char* OpenCodeMeaning(int code) {
  switch (code) {
    case kOpenOk: return "package is sound";
    case kOpenIndexMissing: return "KVSetup.dat not found";
    case kOpenIndexReadError: return "KVSetup.dat cannot be opened or its header read";
    case kOpenIndexTooLarge: return "KVSetup.dat larger than 0xFF000000 bytes";
    case kOpenSizeMismatch: return "indexFileSize differs from the real size";
    case kOpenBadVersion: return "formatVersion is not 3";
    case kOpenBadHeaderCrc: return "header CRC mismatch";
    case kOpenPartUnreadable: return "a data part cannot be opened";
    case kOpenPartSizeMismatch: return "a data part's size differs from partSizes";
    case kOpenBadPartCount: return "partCount above 16";
    default: return "unknown code";
  }
}

const char* EntryCodeMeaning(int code) {
  switch (code) {
    case kEntryOk: return "written";
    case kEntryCancelled: return "written, then cancelled";
    case kEntryEmpty: return "entry empty";
    case kEntryBadLength: return "data length out of bounds";
    case kEntryShortRead: return "short read from KVSetup.dat";
    case kEntryBadCrc: return "entry CRC mismatch";
    case kEntryCannotCreate: return "target file cannot be created";
    case kEntryShortWrite: return "short write";
    case kPartCannotOpen: return "data part cannot be opened";
    case kPartSizeMismatch: return "data part size differs from partSizes";
    case kMrBadOffset: return "MR record not where the previous file ended";
    case kMrPastPartEnd: return "MR record runs past the end of its part";
    case kMrWriteFailed: return "MR file cannot be created, read or written";
    case kFontNameRefused: return "font name is not a bare file name";
    default: return "unknown code";
  }
}

uint32_t HeaderU32(uint32_t offset) { return pkg::ReadU32(packageReader.header + offset); }

void ClosePackageFile() {
  if (packageReader.packageFile != os::kNoFile) os::Close(packageReader.packageFile);
  packageReader.packageFile = os::kNoFile;
}

int OpenSetupPackage() {
  // A handle left open by an earlier call (the start page entered again) is
  // closed rather than lost.
  ClosePackageFile();
  if (!os::PathExists(installState.installDir)) os::CreateFolder(installState.installDir);

  wchar_t path[kPathUnits];
  // Without its own folder the program would look at "\KVSetup.dat", the root
  // of whatever drive is current: as good as a missing file. So is a setup
  // folder too long for the name.
  if (installState.setupDir[0] == 0) return kOpenIndexMissing;
  if (!FormatPath(path, L"%ls\\KVSetup.dat", installState.setupDir)) return kOpenIndexMissing;
  SetStepCaption(path);
  if (!os::PathExists(path)) return kOpenIndexMissing;

  packageReader.packageFile = os::OpenForRead(path);
  if (packageReader.packageFile == os::kNoFile) return kOpenIndexReadError;

  // The full 64-bit size: a file of 4 GiB or more is too large, never taken
  // by its low 32 bits.
  int64_t size = os::Size(packageReader.packageFile);
  if (size < 0) return kOpenIndexReadError;
  if (static_cast<uint64_t>(size) > pkg::kMaxIndexFileSize) return kOpenIndexTooLarge;
  installState.requiredBytes = static_cast<uint64_t>(size);

  if (!os::Seek(packageReader.packageFile, 0)) return kOpenIndexReadError;
  if (os::Read(packageReader.packageFile, packageReader.header, pkg::kHeaderSize) !=
      static_cast<int64_t>(pkg::kHeaderSize))
    return kOpenIndexReadError;

  if (HeaderU32(pkg::kOffIndexFileSize) != static_cast<uint64_t>(size)) return kOpenSizeMismatch;
  if (HeaderU32(pkg::kOffFormatVersion) != pkg::kFormatVersion) return kOpenBadVersion;
  if (Crc32Jam(packageReader.header + 4, pkg::kHeaderSize - 4) != HeaderU32(pkg::kOffHeaderCrc))
    return kOpenBadHeaderCrc;
  // A bound program opens its own package only. A header with its CRC
  // recomputed passes the check above; its digest cannot be forged so.
  if (const uint8_t* bound = BoundHeaderDigest())
    if (!MatchesBoundDigest(packageReader.header, pkg::kHeaderSize, bound)) return kOpenBadHeaderCrc;
  uint32_t partCount = HeaderU32(pkg::kOffPartCount);
  if (partCount > pkg::kMaxParts) return kOpenBadPartCount;

  installState.packageBytes = static_cast<uint64_t>(size);
  for (uint32_t n = 1; n <= partCount; ++n) {
    uint64_t partSize = 0;
    int code = CheckPart(n, &partSize);
    if (code != kOpenOk) return code;
    installState.packageBytes += partSize;
    installState.requiredBytes += partSize;
  }

  std::memset(installState.versionBlock, 0, sizeof installState.versionBlock);
  std::memcpy(installState.versionBlock, packageReader.header + pkg::kOffVersionWords, 36);
  installState.setupValue = 1;

  installState.progressPos.store(HeaderU32(pkg::kOffFirstEntryStart));
  packageReader.entryCursor = kFirstSlot;
  return kOpenOk;
}

bool TakeSlot(uint32_t* start, uint32_t* end) {
  uint32_t cursor = packageReader.entryCursor;
  if (cursor < kFirstSlot || cursor > kSlotsEnd - 4) return false;
  *start = static_cast<uint32_t>(installState.progressPos.load()) & ~3u;
  *end = HeaderU32(cursor);
  packageReader.entryCursor = cursor + 4;
  installState.progressPos.store(*end);
  return true;
}

int ReadEntrySpan(uint32_t start, uint32_t end, uint32_t minLength, uint8_t* into, uint32_t room,
                  EntryView* view, uint32_t* spanLength) {
  if (start >= end) return kEntryEmpty;
  // 64-bit arithmetic: a span shorter than its header and pad goes negative.
  int64_t span = static_cast<int64_t>(end & ~3u) - start;
  int64_t length = span - (end & 3) - pkg::kEntryHeaderSize;
  if (length < minLength || length > pkg::kMaxDataLength) return kEntryBadLength;
  // The longest data plus header and pad does not fit the buffer; such a span
  // is refused rather than read past it.
  if (span > static_cast<int64_t>(room)) return kEntryBadLength;

  if (!os::Seek(packageReader.packageFile, start)) return kEntryShortRead;
  if (os::Read(packageReader.packageFile, into, static_cast<uint32_t>(span)) != span)
    return kEntryShortRead;
  view->data = into + pkg::kEntryHeaderSize;
  view->length = static_cast<uint32_t>(length);
  view->lastWriteTime = pkg::ReadU64(into + 4);
  *spanLength = static_cast<uint32_t>(span);
  return kEntryOk;
}

const uint8_t* BoundDigestOfTakenSlot() {
  if (packageReader.entryCursor <= kFirstSlot) return nullptr;
  return BoundSlotDigest((packageReader.entryCursor - kFirstSlot) / 4 - 1);
}

int ReadEntry(uint32_t start, uint32_t end, uint32_t minLength, EntryView* view) {
  uint32_t span = 0;
  const int rc =
      ReadEntrySpan(start, end, minLength, transferBuffer, pkg::kTransferBufferSize, view, &span);
  if (rc != kEntryOk) return rc;
  if (PackageBindingInForce()) {
    // The span of the slot TakeSlot took last, against its bound digest. Bind
    // takes only packages whose every CRC is sound, so a span that matches has
    // a sound CRC too and the CRC is not computed again.
    const uint8_t* bound = BoundDigestOfTakenSlot();
    if (bound == nullptr || !MatchesBoundDigest(transferBuffer, span, bound)) return kEntryBadCrc;
  } else if (Crc32Jam(view->data, view->length) != pkg::ReadU32(transferBuffer)) {
    return kEntryBadCrc;
  }
  return kEntryOk;
}

int WriteEntryFile(const wchar_t* path, const EntryView& view) {
  os::File file = os::CreateForWrite(path);
  if (file == os::kNoFile) return kEntryCannotCreate;
  if (os::Write(file, view.data, view.length) != static_cast<int64_t>(view.length)) {
    os::Close(file);
    return kEntryShortWrite;
  }
  os::SetLastWriteTime(file, view.lastWriteTime);
  os::Close(file);
  return kEntryOk;
}

int ExtractEntry() {
  uint32_t start = 0, end = 0;
  if (!TakeSlot(&start, &end)) return kEntryEmpty;
  EntryView view;
  int code = ReadEntry(start, end, pkg::kMinFixedDataLength, &view);
  if (code != kEntryOk) return code;

  // The caller published the target path as the caption; a private copy
  // keeps a painter's concurrent read from mattering.
  wchar_t path[kPathUnits];
  CopyStepCaption(path);
  code = WriteEntryFile(path, view);
  if (code != kEntryOk) return code;
  return installState.runFlag.load() == 0 ? kEntryCancelled : kEntryOk;
}
