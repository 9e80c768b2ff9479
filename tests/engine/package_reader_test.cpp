// The package reader: OpenSetupPackage's checks and every one of its codes,
// and ExtractEntry's reading, checking and writing of single entries, on
// packages crafted with the fixture.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <system_error>

#include "engine/crc32.h"
#include "engine/install_state.h"
#include "engine/package_reader.h"
#include "tests/engine/package_fixture.h"

#ifndef _WIN32
#include <dirent.h>
#endif

namespace {

namespace fs = std::filesystem;
using fixture::IndexFile;
using fixture::PartFile;

class PackageReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pkgDir_ = scratch_ / "pkg";
    installDir_ = scratch_ / "install";
    input_ = fixture::SmallInput();
  }
  void TearDown() override { ClosePackageFile(); }

  // Writes input_ (MR files split into parts of at most partLimit bytes) and
  // points the engine at it.
  bool Make(uint64_t partLimit = kvpack::kDefaultPartLimit) {
    if (!fixture::Write(input_, pkgDir_, partLimit)) return false;
    fixture::PointEngine(pkgDir_, installDir_);
    return true;
  }
  uint32_t FixedSlot(uint32_t i) { return fixture::ReadU32At(IndexFile(pkgDir_), pkg::kOffFixedEntryEnds + 4 * i); }
  // Publishes install/<name> as the caption and extracts the next entry.
  int ExtractTo(const std::string& name) {
    SetStepCaption(fixture::Wide(installDir_ / name).c_str());
    return ExtractEntry();
  }

  fixture::Scratch scratch_;
  fs::path pkgDir_, installDir_;
  kvpack::PackageInput input_;
};

TEST_F(PackageReaderTest, OpensSoundPackageAndPublishesItsFacts) {
  ASSERT_TRUE(Make(700));  // five MR files of 360 .. 600 bytes: one per part
  EXPECT_FALSE(fs::exists(installDir_));
  ASSERT_EQ(OpenSetupPackage(), kOpenOk);

  EXPECT_TRUE(fs::is_directory(installDir_));
  uint64_t total = fs::file_size(IndexFile(pkgDir_));
  uint32_t parts = 0;
  for (; fs::exists(PartFile(pkgDir_, parts + 1)); ++parts) total += fs::file_size(PartFile(pkgDir_, parts + 1));
  EXPECT_EQ(parts, 5u);
  EXPECT_EQ(installState.packageBytes, total);
  EXPECT_EQ(installState.requiredBytes, total);
  for (uint32_t i = 0; i < 9; ++i) EXPECT_EQ(pkg::ReadU32(installState.versionBlock + 4 * i), input_.versionWords[i]);
  for (size_t i = 36; i < sizeof installState.versionBlock; ++i) ASSERT_EQ(installState.versionBlock[i], 0) << i;
  EXPECT_EQ(installState.setupValue, 1u);
  EXPECT_EQ(installState.progressPos.load(), pkg::kHeaderSize);
  EXPECT_EQ(packageReader.entryCursor, pkg::kOffFixedEntryEnds);
  EXPECT_NE(packageReader.packageFile, os::kNoFile);
}

// Each damage to a sound package (five MR files, one per part) and the code
// OpenSetupPackage must give for it.
struct OpenCase {
  const char* name;
  std::function<void(const fs::path& dir)> damage;
  int code;
};

class OpenFailureTest : public PackageReaderTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenFailureTest, GivesItsCode) {
  ASSERT_TRUE(Make(700));
  GetParam().damage(pkgDir_);
  EXPECT_EQ(OpenSetupPackage(), GetParam().code) << OpenCodeMeaning(GetParam().code);
}

const OpenCase kOpenCases[] = {
    {"IndexMissing", [](const fs::path& d) { fs::remove(IndexFile(d)); }, kOpenIndexMissing},
    {"IndexIsAFolder",
     [](const fs::path& d) {
       fs::remove(IndexFile(d));
       fs::create_directory(IndexFile(d));
     },
     kOpenIndexReadError},
    {"HeaderShort", [](const fs::path& d) { fixture::Resize(IndexFile(d), pkg::kHeaderSize - 1); },
     kOpenIndexReadError},
    {"IndexLongerThanRecorded", [](const fs::path& d) { fixture::Resize(IndexFile(d), fs::file_size(IndexFile(d)) + 4); },
     kOpenSizeMismatch},
    {"VersionFour", [](const fs::path& d) { fixture::SetHeaderU32(d, pkg::kOffFormatVersion, 4); }, kOpenBadVersion},
    {"HeaderByteFlipped", [](const fs::path& d) { fixture::FlipByte(IndexFile(d), 5000); }, kOpenBadHeaderCrc},
    {"UsualCrcInsteadOfJam",
     [](const fs::path& d) {
       fs::path f = IndexFile(d);
       fixture::PatchU32(f, pkg::kOffHeaderCrc, ~fixture::ReadU32At(f, pkg::kOffHeaderCrc));
     },
     kOpenBadHeaderCrc},
    {"PartCountSeventeen", [](const fs::path& d) { fixture::SetHeaderU32(d, pkg::kOffPartCount, 17); },
     kOpenBadPartCount},
    {"PartMissing", [](const fs::path& d) { fs::remove(PartFile(d, 3)); }, kOpenPartUnreadable},
    {"FirstFailingPartDecides",  // part 2 missing, part 3 short: part 2 is checked first
     [](const fs::path& d) {
       fs::remove(PartFile(d, 2));
       fixture::Resize(PartFile(d, 3), fs::file_size(PartFile(d, 3)) - 1);
     },
     kOpenPartUnreadable},
    {"PartOneByteShort", [](const fs::path& d) { fixture::Resize(PartFile(d, 4), fs::file_size(PartFile(d, 4)) - 1); },
     kOpenPartSizeMismatch},
    {"ShortPartBeforeMissingOne",
     [](const fs::path& d) {
       fixture::Resize(PartFile(d, 2), fs::file_size(PartFile(d, 2)) - 1);
       fs::remove(PartFile(d, 3));
     },
     kOpenPartSizeMismatch},
    {"PartLongerThanRecorded", [](const fs::path& d) { fixture::Resize(PartFile(d, 5), fs::file_size(PartFile(d, 5)) + 1); },
     kOpenPartSizeMismatch},
};

INSTANTIATE_TEST_SUITE_P(PackageReader, OpenFailureTest, ::testing::ValuesIn(kOpenCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Without its own folder the program must not look at "\KVSetup.dat", the
// root of the current drive. Where the scratch folder lies on C: (the
// Windows beds, whose C: is a throw-away prefix), a sound package is put
// right there for a wrong reader to find.
TEST_F(PackageReaderTest, EmptySetupFolderIsAMissingPackage) {
  ASSERT_TRUE(Make());
  const fs::path driveRoot = fs::absolute(scratch_.path()).root_path();
  const bool ownDrive = driveRoot.root_name() == "C:";
  std::error_code ec;
  const fs::path cwd = fs::current_path();
  if (ownDrive) {
    fs::current_path(scratch_.path());
    ASSERT_TRUE(fs::copy_file(IndexFile(pkgDir_), driveRoot / "KVSetup.dat", ec)) << ec.message();
  }
  installState.setupDir[0] = 0;
  EXPECT_EQ(OpenSetupPackage(), kOpenIndexMissing);
  EXPECT_EQ(packageReader.packageFile, os::kNoFile);
  if (ownDrive) {
    fs::remove(driveRoot / "KVSetup.dat", ec);
    fs::current_path(cwd);
  }
}

TEST_F(PackageReaderTest, PartCountZeroOpensNoPart) {
  input_.mrFiles.clear();
  ASSERT_TRUE(Make());
  EXPECT_FALSE(fs::exists(PartFile(pkgDir_, 1)));
  ASSERT_EQ(OpenSetupPackage(), kOpenOk);
  EXPECT_EQ(installState.packageBytes, fs::file_size(IndexFile(pkgDir_)));
}

// Sizes around the 0xFF000000 limit, made as sparse files: the limit itself
// passes, one byte more does not, and a size of 4 GiB + x is not taken as x.
TEST_F(PackageReaderTest, IndexSizeLimit) {
  ASSERT_TRUE(Make());
  const fs::path index = IndexFile(pkgDir_);
  const uint64_t real = fs::file_size(index);
  struct Case {
    uint64_t size;
    int code;
  };
  const Case cases[] = {{pkg::kMaxIndexFileSize, kOpenOk},
                        {uint64_t(pkg::kMaxIndexFileSize) + 1, kOpenIndexTooLarge},
                        {(uint64_t(1) << 32) + real, kOpenIndexTooLarge}};
  for (const Case& c : cases) {
    std::error_code ec;
    fs::resize_file(index, c.size, ec);
    if (ec) GTEST_SKIP() << "no sparse file of " << c.size << " bytes here: " << ec.message();
    fixture::SetHeaderU32(pkgDir_, pkg::kOffIndexFileSize, static_cast<uint32_t>(c.size));
    EXPECT_EQ(OpenSetupPackage(), c.code) << "size " << c.size;
    ClosePackageFile();
  }
}

TEST_F(PackageReaderTest, PartOfFourGiBPlusItsSizeIsAMismatch) {
  ASSERT_TRUE(Make(700));
  const fs::path part = PartFile(pkgDir_, 1);
  std::error_code ec;
  fs::resize_file(part, (uint64_t(1) << 32) + fs::file_size(part), ec);
  if (ec) GTEST_SKIP() << "no sparse file here: " << ec.message();
  EXPECT_EQ(OpenSetupPackage(), kOpenPartSizeMismatch);
}

#ifndef _WIN32
int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

TEST_F(PackageReaderTest, ReopeningClosesTheEarlierHandle) {
  ASSERT_TRUE(Make());
  ASSERT_EQ(OpenSetupPackage(), kOpenOk);
  const int open = OpenDescriptors();
  for (int i = 0; i < 5; ++i) ASSERT_EQ(OpenSetupPackage(), kOpenOk);
  EXPECT_EQ(OpenDescriptors(), open);
}
#endif

TEST_F(PackageReaderTest, ExtractsFixedEntriesWithDataTimeAndPosition) {
  ASSERT_TRUE(Make());
  ASSERT_EQ(OpenSetupPackage(), kOpenOk);
  installState.runFlag = 1;
  for (uint32_t i = 0; i < pkg::kFixedEntriesUsed; ++i) {
    const std::string name = "fixed" + std::to_string(i);
    ASSERT_EQ(ExtractTo(name), kEntryOk) << i;
    EXPECT_EQ(fixture::ReadAll(installDir_ / name), input_.fixed[i]->bytes) << i;
    EXPECT_EQ(installState.progressPos.load(), FixedSlot(i)) << i;
    EXPECT_EQ(packageReader.entryCursor, pkg::kOffFixedEntryEnds + 4 * (i + 1));
    // Times compared as differences, which do not depend on the clock's epoch.
    auto written = fs::last_write_time(installDir_ / name) - fs::last_write_time(installDir_ / "fixed0");
    auto stored = std::chrono::nanoseconds(100 * static_cast<int64_t>(input_.fixed[i]->lastWriteTime -
                                                                      input_.fixed[0]->lastWriteTime));
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::nanoseconds>(written), stored) << i;
  }
}

TEST_F(PackageReaderTest, WorkedExampleOf101BytesWithThreePadBytes) {
  input_.fixed[0] = fixture::Data(101, 1);
  ASSERT_TRUE(Make());
  EXPECT_EQ(FixedSlot(0), 70611u);
  ASSERT_EQ(OpenSetupPackage(), kOpenOk);
  installState.runFlag = 1;
  ASSERT_EQ(ExtractTo("a"), kEntryOk);
  EXPECT_EQ(fs::file_size(installDir_ / "a"), 101u);
  EXPECT_EQ(installState.progressPos.load(), 70611u);
  // The next entry starts at the aligned end, 70,608.
  ASSERT_EQ(ExtractTo("b"), kEntryOk);
  EXPECT_EQ(fixture::ReadAll(installDir_ / "b"), input_.fixed[1]->bytes);
  EXPECT_EQ(FixedSlot(1) & ~3u, 70608u + 12 + ((input_.fixed[1]->size + 3) & ~3ull));
}

TEST_F(PackageReaderTest, CancelledAfterWritingWhenRunFlagIsZero) {
  ASSERT_TRUE(Make());
  ASSERT_EQ(OpenSetupPackage(), kOpenOk);
  installState.runFlag = 0;
  ASSERT_EQ(ExtractTo("a"), kEntryCancelled);
  EXPECT_EQ(fixture::ReadAll(installDir_ / "a"), input_.fixed[0]->bytes);
}

// Each crafted first entry (or damage) and the code ExtractEntry gives for it.
struct EntryCase {
  const char* name;
  std::function<void(kvpack::PackageInput&)> craft;
  std::function<void(const fs::path& dir)> damage;
  int code;
};

class EntryCodeTest : public PackageReaderTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(EntryCodeTest, GivesItsCode) {
  if (GetParam().craft) GetParam().craft(input_);
  ASSERT_TRUE(Make());
  if (GetParam().damage) GetParam().damage(pkgDir_);
  ASSERT_EQ(OpenSetupPackage(), kOpenOk);
  installState.runFlag = 1;
  EXPECT_EQ(ExtractTo("first"), GetParam().code) << EntryCodeMeaning(GetParam().code);
  EXPECT_EQ(fs::exists(installDir_ / "first"), GetParam().code == kEntryOk || GetParam().code == kEntryShortWrite);
}

const EntryCase kEntryCases[] = {
    {"SixteenBytesAccepted", [](kvpack::PackageInput& in) { in.fixed[0] = fixture::Data(16, 1); }, nullptr, kEntryOk},
    {"Empty", [](kvpack::PackageInput& in) { in.fixed[0].reset(); }, nullptr, kEntryEmpty},
    {"FifteenBytes", [](kvpack::PackageInput& in) { in.fixed[0] = fixture::Data(15, 1); }, nullptr, kEntryBadLength},
    {"NoBytes", [](kvpack::PackageInput& in) { in.fixed[0] = fixture::Data(0, 1); }, nullptr, kEntryBadLength},
    {"RepeatedEndWithPadBits",  // start 70,492, slot 70,492 | 3: a span shorter than its pad
     nullptr, [](const fs::path& d) { fixture::SetHeaderU32(d, pkg::kOffFixedEntryEnds, pkg::kHeaderSize | 3); },
     kEntryBadLength},
    {"LongestLengthDoesNotFitTheBuffer",  // L = 134,217,727 + 1 pad + 12 > 128 MiB
     nullptr,
     [](const fs::path& d) {
       fixture::SetHeaderU32(d, pkg::kOffFixedEntryEnds, (pkg::kHeaderSize + 12 + pkg::kMaxDataLength + 1) | 1);
     },
     kEntryBadLength},
    {"LengthAboveLimit", nullptr,
     [](const fs::path& d) {
       fixture::SetHeaderU32(d, pkg::kOffFixedEntryEnds, pkg::kHeaderSize + 12 + pkg::kMaxDataLength + 1);
     },
     kEntryBadLength},
    {"RunsPastTheIndexFile", nullptr,
     [](const fs::path& d) {
       fixture::SetHeaderU32(d, pkg::kOffFixedEntryEnds,
                             static_cast<uint32_t>(fs::file_size(IndexFile(d))) + 64);
     },
     kEntryShortRead},
    {"DataByteFlipped", nullptr, [](const fs::path& d) { fixture::FlipByte(IndexFile(d), pkg::kHeaderSize + 12 + 7); },
     kEntryBadCrc},
    {"CrcByteFlipped", nullptr, [](const fs::path& d) { fixture::FlipByte(IndexFile(d), pkg::kHeaderSize + 2, 0x80); },
     kEntryBadCrc},
};

INSTANTIATE_TEST_SUITE_P(PackageReader, EntryCodeTest, ::testing::ValuesIn(kEntryCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PackageReaderTest, TargetThatCannotBeCreated) {
  ASSERT_TRUE(Make());
  ASSERT_EQ(OpenSetupPackage(), kOpenOk);
  EXPECT_EQ(ExtractTo("no-such-folder/a"), kEntryCannotCreate);
  // The slot was taken all the same: the next call reads the second entry.
  installState.runFlag = 1;
  ASSERT_EQ(ExtractTo("b"), kEntryOk);
  EXPECT_EQ(fixture::ReadAll(installDir_ / "b"), input_.fixed[1]->bytes);
}

#ifndef _WIN32
TEST_F(PackageReaderTest, ShortWriteOnAFullDevice) {
  ASSERT_TRUE(Make());
  ASSERT_EQ(OpenSetupPackage(), kOpenOk);
  SetStepCaption(L"/dev/full");
  EXPECT_EQ(ExtractEntry(), kEntryShortWrite);
}
#endif

TEST_F(PackageReaderTest, CursorPastTheSlotTablesTakesNothing) {
  ASSERT_TRUE(Make());
  ASSERT_EQ(OpenSetupPackage(), kOpenOk);
  packageReader.entryCursor = pkg::kOffFontNames;
  const uint64_t before = installState.progressPos.load();
  EXPECT_EQ(ExtractTo("a"), kEntryEmpty);
  EXPECT_EQ(installState.progressPos.load(), before);
  EXPECT_FALSE(fs::exists(installDir_ / "a"));
}

}  // namespace
