// Extraction of the whole payload into installDir in the package's fixed order
// (driver files, program files, documents, user settings, songs, fonts, MR
// files), and the FTDI-only extraction of the modify operation.
#include "extraction.h"

#include <cstdint>
#include <cstring>

#include "install_state.h"
#include "name_check.h"
#include "os_layer.h"
#include "package_binding.h"
#include "package_format.h"
#include "package_reader.h"
#include "sha256.h"

namespace {

constexpr uint32_t kNoFolder = 0xFFFFFFFFu;

// Creates one folder level when an existence test says it is missing. A path
// that does not fit is left alone: every file below it fails to format too.
void MakeFolder(const wchar_t* format, const wchar_t* dir) {
  wchar_t path[kPathUnits];
  if (FormatPath(path, format, dir) && !os::PathExists(path)) os::CreateFolder(path);
}

// The Driver folder, made or taken over with its protected access before
// anything is written in it (see os::CreateAdminFolder). Where the access
// cannot be set (a volume without access control) the files are written as
// before: the folder is then no worse than the install folder around it.
void MakeDriverFolder() {
  wchar_t path[kPathUnits];
  if (FormatPath(path, L"%ls\\Driver", installState.installDir)) os::CreateAdminFolder(path);
}

void MakeNumberedFolder(const wchar_t* format, const wchar_t* dir, uint32_t number) {
  wchar_t path[kPathUnits];
  if (FormatPath(path, format, dir, number) && !os::PathExists(path)) os::CreateFolder(path);
}

// Takes the next end-offset slot without reading its entry.
void SkipSlot() {
  uint32_t start = 0, end = 0;
  TakeSlot(&start, &end);
}

// True when the entry that the next slot describes is present: its end lies
// beyond where the previous entry ended.
bool NextSlotPresent() {
  const uint32_t start =
      static_cast<uint32_t>(installState.progressPos.load(std::memory_order_relaxed)) & ~3u;
  return start < HeaderU32(packageReader.entryCursor);
}

// A present song, font or info entry: publishes its path (formatted by the
// caller; pathFits says whether it fitted) before the slot moves progressPos
// on, reads and checks the data (at least 256 bytes), makes the entry's folder
// when folderFormat is given, and writes the file.
int ExtractLibraryEntry(const wchar_t* path, bool pathFits, const wchar_t* folderFormat,
                        uint32_t folderNumber) {
  if (pathFits) SetStepCaption(path);
  uint32_t start = 0, end = 0;
  if (!TakeSlot(&start, &end)) return kEntryEmpty;
  EntryView view;
  const int rc = ReadEntry(start, end, pkg::kMinLibraryDataLength, &view);
  if (rc != kEntryOk) return rc;
  if (folderFormat) MakeNumberedFolder(folderFormat, installState.installDir, folderNumber);
  if (!pathFits) return kEntryCannotCreate;
  return WriteEntryFile(path, view);
}

// Extraction's stages (0, 1, 2) never replace a final one (3, 16, 17): the
// install page sets 17 at once when the driver-installer thread cannot start,
// possibly just after this thread began, and the worker's wait for the driver
// must then still end at once.
void PublishDriverStage(uint32_t stage) {
  uint32_t seen = installState.driverStage.load(std::memory_order_acquire);
  while (seen < kDriverStageDone &&
         !installState.driverStage.compare_exchange_weak(seen, stage, std::memory_order_release))
    ;
}

// Walks the font slots as the extraction will (from the last song slot on)
// and checks the name of every font that is present, so that a package with
// a name that is not a bare file name is refused before anything is written.
bool PresentFontNamesSafe() {
  uint32_t previous = HeaderU32(pkg::kOffSongEntryEnds + 4 * (pkg::kSongSlots - 1));
  uint32_t slot = pkg::kOffFontEntryEnds;
  for (uint32_t i = 0; i < pkg::kFontNames; ++i) {
    const uint32_t end = HeaderU32(slot);
    slot += 4;
    const bool present = (previous & ~3u) < end;
    previous = end;
    if (!present) continue;
    wchar_t name[pkg::kFontNameBytes / 2 + 1];
    if (!DecodeFontName(packageReader.header + pkg::kOffFontNames + i * pkg::kFontNameBytes, name,
                        sizeof name / sizeof name[0]))
      return false;
    previous = HeaderU32(slot);  // the info file's slot
    slot += 4;
  }
  return true;
}

int ExtractFixedEntries() {
  const uint32_t features = installState.featureFlags.load(std::memory_order_relaxed);
  for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i) {
    if (i == pkg::kFixFtdiDriver && (features & kFeatureFtdiDriver) == 0) {
      SkipSlot();
      continue;
    }
    if (i == pkg::kFixManual) MakeFolder(L"%ls\\Doc", installState.installDir);
    if (i == pkg::kFixEffectSet) MakeFolder(L"%ls\\User", installState.installDir);
    wchar_t path[kPathUnits];
    if (!FormatPath(path, L"%ls\\%ls", installState.installDir, pkg::kFixedEntryPaths[i]))
      return kEntryCannotCreate;
    SetStepCaption(path);
    const int rc = ExtractEntry();
    if (rc != 0) return rc;
    if (i == pkg::kFixHaspInstaller)
      PublishDriverStage(kDriverStageInstallerWritten);
  }
  return 0;
}

// After a written song, font or info file: true when the operation was
// cancelled, else a pause that gives the other threads time.
bool CancelledAfterFile() {
  if (installState.runFlag.load(std::memory_order_acquire) == 0) return true;
  os::PauseAfterFile();
  return false;
}

int ExtractSongs() {
  MakeFolder(L"%ls\\SongMR", installState.installDir);
  packageReader.entryCursor = pkg::kOffSongEntryEnds;
  uint32_t folderMade = kNoFolder;
  for (uint32_t song = 0; song < pkg::kSongSlots; ++song) {
    if (!NextSlotPresent()) {
      SkipSlot();
      continue;
    }
    const uint32_t folder = song / 10;
    wchar_t path[kPathUnits];
    const bool fits =
        FormatPath(path, L"%ls\\SongMR\\%02u\\%03u.esz", installState.installDir, folder, song);
    const int rc = ExtractLibraryEntry(
        path, fits, folder != folderMade ? L"%ls\\SongMR\\%02u" : nullptr, folder);
    if (rc != 0) return rc;
    folderMade = folder;
    if (CancelledAfterFile()) return kEntryCancelled;
  }
  return 0;
}

int ExtractFonts() {
  MakeFolder(L"%ls\\Fonts", installState.installDir);
  MakeFolder(L"%ls\\Fonts\\Info", installState.installDir);
  for (uint32_t i = 0; i < pkg::kFontNames; ++i) {
    if (!NextSlotPresent()) {  // an absent font takes one slot and no name
      SkipSlot();
      continue;
    }
    wchar_t name[pkg::kFontNameBytes / 2 + 1];
    if (!DecodeFontName(packageReader.header + pkg::kOffFontNames + i * pkg::kFontNameBytes, name,
                        sizeof name / sizeof name[0]))
      return kFontNameRefused;
    wchar_t path[kPathUnits];
    bool fits = FormatPath(path, L"%ls\\Fonts\\%ls", installState.installDir, name);
    int rc = ExtractLibraryEntry(path, fits, nullptr, 0);
    if (rc != 0) return rc;
    if (CancelledAfterFile()) return kEntryCancelled;

    if (!NextSlotPresent()) {  // the font's info file is absent
      SkipSlot();
      continue;
    }
    fits = FormatPath(path, L"%ls\\Fonts\\Info\\%ls.ftb", installState.installDir, name);
    rc = ExtractLibraryEntry(path, fits, nullptr, 0);
    if (rc != 0) return rc;
    if (CancelledAfterFile()) return kEntryCancelled;
  }
  return 0;
}

// Closes the files of one MR copy on every way out.
struct OpenFile {
  os::File file;
  explicit OpenFile(os::File f) : file(f) {}
  ~OpenFile() { os::Close(file); }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
};

// A bound MR copy that fails leaves no file: whatever is in it is not the
// bound file. Closed first, so that Windows lets it go.
int DiscardMrFile(OpenFile& target, const wchar_t* path) {
  os::Close(target.file);
  target.file = os::kNoFile;
  os::RemoveFile(path);
  return kMrWriteFailed;
}

// Copies size bytes from the part's current position into a new file; a file
// larger than transferBuffer goes through it in pieces. With a bound digest
// the data must match it: a file that fits the buffer is checked before its
// file is created, a larger one while it is copied and removed when it
// differs.
int CopyMrFile(os::File part, const wchar_t* path, uint32_t size, uint64_t lastWriteTime,
               const uint8_t* bound) {
  const bool checkedFirst = bound != nullptr && size <= pkg::kTransferBufferSize;
  if (checkedFirst && (os::Read(part, transferBuffer, size) != size ||
                       !MatchesBoundDigest(transferBuffer, size, bound)))
    return kMrWriteFailed;
  OpenFile target(os::CreateForReadWrite(path));
  if (target.file == os::kNoFile) return kMrWriteFailed;
  const bool checkedWhileCopied = bound != nullptr && !checkedFirst;
  Sha256 digest;
  Sha256Init(&digest);
  uint32_t left = size;
  bool paused = false;
  do {
    const uint32_t piece = left < pkg::kTransferBufferSize ? left : pkg::kTransferBufferSize;
    if (!checkedFirst && os::Read(part, transferBuffer, piece) != piece)
      return checkedWhileCopied ? DiscardMrFile(target, path) : kMrWriteFailed;
    if (checkedWhileCopied) Sha256Update(&digest, transferBuffer, piece);
    if (!paused) {
      os::PauseAfterFile();
      paused = true;
    }
    if (os::Write(target.file, transferBuffer, piece) != piece)
      return bound != nullptr ? DiscardMrFile(target, path) : kMrWriteFailed;
    left -= piece;
  } while (left > 0);
  if (checkedWhileCopied) {
    uint8_t copied[kSha256Bytes];
    Sha256Final(&digest, copied);
    if (std::memcmp(copied, bound, kSha256Bytes) != 0) return DiscardMrFile(target, path);
  }
  os::SetLastWriteTime(target.file, lastWriteTime);
  return 0;
}

int ExtractMrFiles() {
  MakeFolder(L"%ls\\MR", installState.installDir);
  uint32_t partCount = HeaderU32(pkg::kOffPartCount);
  if (partCount > pkg::kMaxParts) partCount = pkg::kMaxParts;
  uint32_t folderMade = kNoFolder;
  uint32_t record = 0;
  for (uint32_t j = 1; j <= partCount; ++j) {
    wchar_t partPath[kPathUnits];
    if (!FormatPath(partPath, L"%ls\\KVSetup.d%02u", installState.setupDir, j))
      return kPartCannotOpen;
    OpenFile part(os::OpenForRead(partPath));
    if (part.file == os::kNoFile) return kPartCannotOpen;
    const uint32_t partSize = HeaderU32(pkg::kOffPartSizes + 4 * (j - 1));
    if (os::Size(part.file) != int64_t(partSize)) return kPartSizeMismatch;
    if (!os::Seek(part.file, 0)) return kPartCannotOpen;
    uint64_t running = 0;
    // The table ends at a record that names no later part, or after its
    // last record.
    for (; record < pkg::kMrRecords; ++record) {
      const uint32_t at = pkg::kOffMrRecords + record * pkg::kMrRecordSize;
      if (HeaderU32(at + pkg::kMrOffPartIndex) != j) break;
      const uint32_t number = HeaderU32(at + pkg::kMrOffNumber);
      const uint32_t offset = HeaderU32(at + pkg::kMrOffPartOffset);
      const uint32_t size = HeaderU32(at + pkg::kMrOffSize);
      if (offset != running) return kMrBadOffset;
      if (running + size > partSize) return kMrPastPartEnd;
      const uint32_t folder = (number - 1) / 100;
      if (folder != folderMade) {
        folderMade = folder;
        MakeNumberedFolder(L"%ls\\MR\\%03u", installState.installDir, folder);
      }
      wchar_t path[kPathUnits];
      if (!FormatPath(path, L"%ls\\MR\\%03u\\%05u.emr", installState.installDir, folder, number))
        return kMrWriteFailed;
      SetStepCaption(path);
      const uint64_t lastWriteTime =
          pkg::ReadU64(packageReader.header + at + pkg::kMrOffLastWriteTime);
      const int rc = CopyMrFile(part.file, path, size, lastWriteTime, BoundMrDigest(record));
      if (rc != 0) return rc;
      AdvanceProgress(size);
      os::PauseAfterFile();
      running += size;
    }
  }
  return 0;
}

}  // namespace

int ExtractPackage() {
  PublishDriverStage(kDriverStageNone);
  if (!PresentFontNamesSafe()) return kFontNameRefused;
  if (!os::PathExists(installState.installDir)) os::CreateFolder(installState.installDir);
  MakeDriverFolder();

  int rc = ExtractFixedEntries();
  if (rc != 0) return rc;

  MakeFolder(L"%ls\\Log", installState.installDir);
  MakeFolder(L"%ls\\Playlist", installState.installDir);
  PublishDriverStage(kDriverStageMayRun);

  rc = ExtractSongs();
  if (rc != 0) return rc;
  rc = ExtractFonts();
  if (rc != 0) return rc;
  ClosePackageFile();
  return ExtractMrFiles();
}

int ExtractFtdiDriver() {
  installState.progressPos.store(HeaderU32(pkg::kOffFixedEntryEnds + 4 * pkg::kFixKeyReinstaller),
                                 std::memory_order_relaxed);
  packageReader.entryCursor = pkg::kOffFixedEntryEnds + 4 * pkg::kFixFtdiDriver;
  MakeDriverFolder();
  wchar_t path[kPathUnits];
  if (!FormatPath(path, L"%ls\\%ls", installState.installDir,
                  pkg::kFixedEntryPaths[pkg::kFixFtdiDriver]))
    return kEntryCannotCreate;
  SetStepCaption(path);
  const int rc = ExtractEntry();
  if (rc != 0) return rc;
  ClosePackageFile();
  return 0;
}
