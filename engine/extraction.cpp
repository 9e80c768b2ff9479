// Extraction of the whole payload into installDir in the package's fixed order
// (driver files, program files, documents, user settings, songs, fonts, MR
// files), and the FTDI-only extraction of the modify operation.
#include "extraction.h"

#include <cstdint>
#include <cstring>

#include "digest_thread.h"
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

// After a written song, font or info file: true when the operation was
// cancelled, else a pause that gives the other threads time.
bool CancelledAfterFile() {
  if (installState.runFlag.load(std::memory_order_acquire) == 0) return true;
  os::PauseAfterFile();
  return false;
}

// A song, font or info file whose data is checked: its folder when
// folderFormat is given, the file, then the cancel test and the pause.
int WriteLibraryFile(const wchar_t* path, bool pathFits, const wchar_t* folderFormat,
                     uint32_t folderNumber, const EntryView& view) {
  if (folderFormat) MakeNumberedFolder(folderFormat, installState.installDir, folderNumber);
  if (!pathFits) return kEntryCannotCreate;
  const int rc = WriteEntryFile(path, view);
  if (rc != 0) return rc;
  return CancelledAfterFile() ? kEntryCancelled : 0;
}

// An MR file whose size bytes at data are checked or need no check: made,
// the pause, written with its time, closed, counted, the pause. With
// discardOnFailure a failed write leaves no file.
int WriteMrFile(const wchar_t* path, const uint8_t* data, uint32_t size, uint64_t lastWriteTime,
                bool discardOnFailure);

// The bound pipeline. A bound extraction checks each song, font, info and MR
// file against its digest before the file is made. So that the hashing does
// not add to the reads and writes, files are read into the quarters of
// transferBuffer and hashed two at a time on the digest thread (two messages
// in lockstep hash about half again as fast as one): while a pair is hashed,
// the pair before it, already checked, is written and the next two files are
// read. The first of a pair is staged until the second comes; the end of a
// phase, or a file whose bytes need more than a quarter, first checks and
// writes what is in the pipeline. Files are written in the order they were
// read, as the serial extraction writes them, and one that differs ends the
// extraction after the ones before it.
constexpr uint32_t kQuarterBuffer = pkg::kTransferBufferSize / 4;
constexpr uint32_t kHalfBuffer = pkg::kTransferBufferSize / 2;
constexpr int kNoQuarter = -1;

uint8_t* QuarterStart(int q) { return transferBuffer + size_t(q) * kQuarterBuffer; }

struct PipelineFile {
  bool mr = false;
  bool pathFits = false;
  bool matched = false;  // its digest collected and equal to bound
  wchar_t path[kPathUnits] = {};
  const wchar_t* folderFormat = nullptr;
  uint32_t folderNumber = 0;
  EntryView view;
  const uint8_t* hashed = nullptr;  // the bytes the digest covers, in its quarter
  uint32_t hashedLength = 0;
  Sha256 digest;
  const uint8_t* bound = nullptr;
  int mismatch = 0;  // the code when it differs from bound
};
PipelineFile quarterFiles[4];  // by the quarter of transferBuffer that holds the file

// The extracting thread's own record of the files in the pipeline, oldest
// first: the posted ones (hashed or being hashed), then the staged one.
struct Pipeline {
  int posted[2] = {kNoQuarter, kNoQuarter};
  int postedCount = 0;
  bool collected = true;  // the posted files' digests are compared
  int staged = kNoQuarter;
};
Pipeline pipeline;

bool QuarterInUse(int q) {
  for (int i = 0; i < pipeline.postedCount; ++i)
    if (pipeline.posted[i] == q) return true;
  return pipeline.staged == q;
}

// At most three quarters hold files when the next one is read.
int FreeQuarter() {
  int q = 0;
  while (QuarterInUse(q)) ++q;
  return q;
}

// Waits for the posted files' digests and compares them.
void CollectPosted() {
  if (pipeline.collected) return;
  CollectDigestUpdate();
  for (int i = 0; i < pipeline.postedCount; ++i) {
    PipelineFile& f = quarterFiles[pipeline.posted[i]];
    uint8_t made[kSha256Bytes];
    Sha256Final(&f.digest, made);
    f.matched = std::memcmp(made, f.bound, kSha256Bytes) == 0;
  }
  pipeline.collected = true;
}

void PostFiles(const int* quarters, int count) {
  for (int i = 0; i < count; ++i) {
    PipelineFile& f = quarterFiles[quarters[i]];
    Sha256Init(&f.digest);
    pipeline.posted[i] = quarters[i];
  }
  const PipelineFile& a = quarterFiles[quarters[0]];
  if (count == 2) {
    const PipelineFile& b = quarterFiles[quarters[1]];
    PostDigestUpdates(&quarterFiles[quarters[0]].digest, a.hashed, a.hashedLength,
                      &quarterFiles[quarters[1]].digest, b.hashed, b.hashedLength);
  } else {
    PostDigestUpdate(&quarterFiles[quarters[0]].digest, a.hashed, a.hashedLength);
  }
  pipeline.postedCount = count;
  pipeline.collected = false;
}

// Writes checked files in order, as the serial extraction would have written
// them: 0, or the code of the first that differs or fails.
int WriteCheckedFiles(const int* quarters, int count) {
  for (int i = 0; i < count; ++i) {
    const PipelineFile& f = quarterFiles[quarters[i]];
    if (!f.matched) return f.mismatch;
    const int rc = f.mr ? WriteMrFile(f.path, f.view.data, f.view.length, f.view.lastWriteTime, true)
                        : WriteLibraryFile(f.path, f.pathFits, f.folderFormat, f.folderNumber, f.view);
    if (rc != 0) return rc;
  }
  return 0;
}

// Empties the pipeline after a failure: nothing in it is written.
int DropPipeline(int rc) {
  CollectDigestUpdate();
  pipeline = Pipeline{};
  return rc;
}

// Checks and writes every file in the pipeline, the staged one hashed while
// the posted ones are written: 0, or the first file's code.
int FlushPipeline() {
  CollectPosted();
  const int written[2] = {pipeline.posted[0], pipeline.posted[1]};
  const int writtenCount = pipeline.postedCount;
  pipeline.postedCount = 0;
  if (pipeline.staged != kNoQuarter) {
    const int staged = pipeline.staged;
    pipeline.staged = kNoQuarter;
    PostFiles(&staged, 1);
  }
  int rc = WriteCheckedFiles(written, writtenCount);
  if (rc != 0) return DropPipeline(rc);
  CollectPosted();
  rc = WriteCheckedFiles(pipeline.posted, pipeline.postedCount);
  pipeline = Pipeline{};
  return rc;
}

// The end of a phase that may leave files in the pipeline: they are checked
// and written first, and a failure or cancel among them comes before rc, as
// it came first.
int WithPipelineWritten(int rc) {
  const int written = FlushPipeline();
  return written != 0 ? written : rc;
}

// A file read into quarter q (see FreeQuarter): staged, or posted with the
// staged one while the pair posted before is written. 0, or the code of a
// file before it (nothing is left in the pipeline then).
int PassFile(int q, bool mr, const wchar_t* path, bool pathFits, const wchar_t* folderFormat,
             uint32_t folderNumber, const EntryView& view, uint32_t hashedLength,
             const uint8_t* bound, int mismatch) {
  PipelineFile& f = quarterFiles[q];
  f.mr = mr;
  f.pathFits = pathFits && FormatPath(f.path, L"%ls", path);
  f.folderFormat = folderFormat;
  f.folderNumber = folderNumber;
  f.view = view;
  f.hashed = QuarterStart(q);
  f.hashedLength = hashedLength;
  f.bound = bound;
  f.mismatch = mismatch;
  if (pipeline.staged == kNoQuarter) {
    pipeline.staged = q;
    return 0;
  }
  CollectPosted();
  const int written[2] = {pipeline.posted[0], pipeline.posted[1]};
  const int writtenCount = pipeline.postedCount;
  const int pair[2] = {pipeline.staged, q};
  pipeline.staged = kNoQuarter;
  PostFiles(pair, 2);
  const int rc = WriteCheckedFiles(written, writtenCount);
  return rc != 0 ? DropPipeline(rc) : 0;
}

// A present song, font or info entry: publishes its path (formatted by the
// caller; pathFits says whether it fitted) before the slot moves progressPos
// on, reads and checks the data (at least 256 bytes), makes the entry's folder
// when folderFormat is given, writes the file, tests for a cancel and pauses.
// Bound, the file goes through the pipeline; one too large for a quarter is
// read and checked alone.
int ExtractLibraryEntry(const wchar_t* path, bool pathFits, const wchar_t* folderFormat,
                        uint32_t folderNumber) {
  if (pathFits) SetStepCaption(path);
  uint32_t start = 0, end = 0;
  if (!TakeSlot(&start, &end)) return kEntryEmpty;
  EntryView view;
  const bool bound = PackageBindingInForce();
  const bool alone = start < (end & ~3u) && (end & ~3u) - start > kQuarterBuffer;
  if (!bound || alone) {
    int rc = FlushPipeline();
    if (rc != 0) return rc;
    rc = ReadEntry(start, end, pkg::kMinLibraryDataLength, &view);
    if (rc != kEntryOk) return rc;
    return WriteLibraryFile(path, pathFits, folderFormat, folderNumber, view);
  }
  const int q = FreeQuarter();
  uint32_t span = 0;
  const int rc = ReadEntrySpan(start, end, pkg::kMinLibraryDataLength, QuarterStart(q),
                               kQuarterBuffer, &view, &span);
  if (rc != kEntryOk) return rc;
  const uint8_t* digest = BoundDigestOfTakenSlot();
  if (digest == nullptr) return kEntryBadCrc;
  return PassFile(q, false, path, pathFits, folderFormat, folderNumber, view, span, digest,
                  kEntryBadCrc);
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

    if (!NextSlotPresent()) {  // the font's info file is absent
      SkipSlot();
      continue;
    }
    fits = FormatPath(path, L"%ls\\Fonts\\Info\\%ls.ftb", installState.installDir, name);
    rc = ExtractLibraryEntry(path, fits, nullptr, 0);
    if (rc != 0) return rc;
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

// The progress of a written MR file, and the pause after it.
void MrFileDone(uint32_t size) {
  AdvanceProgress(size);
  os::PauseAfterFile();
}

// A bound MR copy that fails leaves no file: whatever is in it is not the
// bound file. Closed first, so that Windows lets it go.
int DiscardMrFile(OpenFile& target, const wchar_t* path) {
  os::Close(target.file);
  target.file = os::kNoFile;
  os::RemoveFile(path);
  return kMrWriteFailed;
}

int WriteMrFile(const wchar_t* path, const uint8_t* data, uint32_t size, uint64_t lastWriteTime,
                bool discardOnFailure) {
  {
    OpenFile target(os::CreateForReadWrite(path));
    if (target.file == os::kNoFile) return kMrWriteFailed;
    os::PauseAfterFile();
    if (os::Write(target.file, data, size) != size)
      return discardOnFailure ? DiscardMrFile(target, path) : kMrWriteFailed;
    os::SetLastWriteTime(target.file, lastWriteTime);
  }
  MrFileDone(size);
  return 0;
}

// An unbound MR file, copied as it comes; one larger than transferBuffer
// goes through it in pieces.
int CopyUncheckedMrFile(os::File part, const wchar_t* path, uint32_t size, uint64_t lastWriteTime) {
  {
    OpenFile target(os::CreateForReadWrite(path));
    if (target.file == os::kNoFile) return kMrWriteFailed;
    uint32_t left = size;
    bool paused = false;
    do {
      const uint32_t piece = left < pkg::kTransferBufferSize ? left : pkg::kTransferBufferSize;
      if (os::Read(part, transferBuffer, piece) != piece) return kMrWriteFailed;
      if (!paused) {
        os::PauseAfterFile();
        paused = true;
      }
      if (os::Write(target.file, transferBuffer, piece) != piece) return kMrWriteFailed;
      left -= piece;
    } while (left > 0);
    os::SetLastWriteTime(target.file, lastWriteTime);
  }
  MrFileDone(size);
  return 0;
}

// A bound MR file larger than transferBuffer cannot be checked before it is
// written. It is written under a temporary name beside its place and takes
// its name only when its digest matched: a process ended on the way leaves
// the temporary file, never unchecked bytes under the MR file's name; a
// mismatch leaves neither, and an earlier installation's file of that name
// stays as it was. It goes through the two halves of transferBuffer in
// turn: each piece is hashed on the digest thread while it is written and
// the next one is read.
int CopyLargeBoundMrFile(os::File part, const wchar_t* path, uint32_t size,
                         uint64_t lastWriteTime, const uint8_t* bound) {
  wchar_t temporary[kPathUnits];
  if (!FormatPath(temporary, L"%ls.tmp", path)) return kMrWriteFailed;
  {
    OpenFile target(os::CreateForReadWrite(temporary));
    if (target.file == os::kNoFile) return kMrWriteFailed;
    Sha256 digest;
    Sha256Init(&digest);
    uint8_t* half = transferBuffer;
    uint32_t left = size;
    bool failed = false, paused = false;
    while (left > 0 && !failed) {
      const uint32_t piece = left < kHalfBuffer ? left : kHalfBuffer;
      // This half's previous piece was written, and its hash collected when
      // the piece after it was posted.
      if (os::Read(part, half, piece) != piece) break;
      PostDigestUpdate(&digest, half, piece);
      if (!paused) {
        os::PauseAfterFile();
        paused = true;
      }
      failed = os::Write(target.file, half, piece) != piece;
      left -= piece;
      half = half == transferBuffer ? transferBuffer + kHalfBuffer : transferBuffer;
    }
    CollectDigestUpdate();
    uint8_t copied[kSha256Bytes];
    Sha256Final(&digest, copied);
    if (left > 0 || failed || std::memcmp(copied, bound, kSha256Bytes) != 0)
      return DiscardMrFile(target, temporary);
    os::SetLastWriteTime(target.file, lastWriteTime);
  }
  if (!os::MoveOver(temporary, path)) {
    os::RemoveFile(temporary);
    return kMrWriteFailed;
  }
  MrFileDone(size);
  return 0;
}

// Copies size bytes from the part's current position into the MR file at
// path, counts them and pauses. With a bound digest the data must match it
// before the file takes its name: a file that fits a quarter of
// transferBuffer goes through the pipeline, one that fits the whole buffer is
// checked before its file is made, a larger one is written under a temporary
// name first.
int CopyMrFile(os::File part, const wchar_t* path, uint32_t size, uint64_t lastWriteTime,
               const uint8_t* bound) {
  if (bound == nullptr) return CopyUncheckedMrFile(part, path, size, lastWriteTime);
  if (size <= kQuarterBuffer) {
    const int q = FreeQuarter();
    if (os::Read(part, QuarterStart(q), size) != size) return kMrWriteFailed;
    EntryView view;
    view.data = QuarterStart(q);
    view.length = size;
    view.lastWriteTime = lastWriteTime;
    return PassFile(q, true, path, true, nullptr, 0, view, size, bound, kMrWriteFailed);
  }
  const int rc = FlushPipeline();
  if (rc != 0) return rc;
  if (size > pkg::kTransferBufferSize)
    return CopyLargeBoundMrFile(part, path, size, lastWriteTime, bound);
  if (os::Read(part, transferBuffer, size) != size ||
      !MatchesBoundDigest(transferBuffer, size, bound))
    return kMrWriteFailed;
  return WriteMrFile(path, transferBuffer, size, lastWriteTime, true);
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
  if (rc == 0) rc = ExtractFonts();
  rc = WithPipelineWritten(rc);
  if (rc != 0) return rc;
  ClosePackageFile();
  return WithPipelineWritten(ExtractMrFiles());
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
