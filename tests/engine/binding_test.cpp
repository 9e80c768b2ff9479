// A setup program bound to its package: tampered copies whose CRCs are
// forged, so that only the binding can tell them from the bound package, are
// refused by the bound engine (and named by verify --against) while an
// unbound one takes them as before; bind refuses a signed program and binds
// twice to the same bytes. Natively and under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/crc32.h"
#include "engine/extraction.h"
#include "engine/package_binding.h"
#include "engine/package_format.h"
#include "engine/package_reader.h"
#include "tests/engine/extraction_support.h"
#include "tools/kvpack/commands.h"
#include "tools/kvpack/package_check.h"
#include "tools/kvpack/program_binding.h"

namespace {

using extraction_support::ExtractionTest;
using extraction_support::MrPath;
namespace fs = std::filesystem;

int RunVerb(int (*verb)(int, char**), std::vector<std::string> args, std::string* out = nullptr) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  if (out) testing::internal::CaptureStdout();
  const int status = verb(static_cast<int>(argv.size()), argv.data());
  if (out) *out = testing::internal::GetCapturedStdout();
  return status;
}

// The smallest PE32 image kvpack bind accepts: DOS header, PE signature,
// file header, an optional header with 16 data directories and a CheckSum,
// and an unbound binding block behind them; signed sets the security
// directory as a signature does.
void WriteProgram(const fs::path& path, bool signedImage) {
  std::vector<uint8_t> b(0x200 + bind::kBlockSize + 64, 0);
  b[0] = 'M';
  b[1] = 'Z';
  pkg::WriteU32(&b[0x3C], 0x80);
  std::memcpy(&b[0x80], "PE\0\0", 4);
  const size_t optional = 0x80 + 24;
  b[0x80 + 20] = 224;  // SizeOfOptionalHeader
  b[optional] = 0x0B;  // PE32
  b[optional + 1] = 0x01;
  pkg::WriteU32(&b[optional + 64], 0x1234);  // CheckSum, set as a linker sets it
  pkg::WriteU32(&b[optional + 92], 16);
  if (signedImage) {
    pkg::WriteU32(&b[optional + 96 + 8 * 4], 0x180);
    pkg::WriteU32(&b[optional + 96 + 8 * 4 + 4], 0x40);
  }
  std::memcpy(&b[0x200], bind::kMagic, sizeof bind::kMagic);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
}

class BindingTest : public ExtractionTest {
 protected:
  fs::path exe = scratch / "KVSetup.exe";
  kvpack::ProgramImage image;

  void SetUp() override { WriteAndBind(); }
  void WriteAndBind() {
    ASSERT_TRUE(fixture::Write(input, pkgDir));
    WriteProgram(exe, false);
    std::string out, error;
    ASSERT_EQ(0, RunVerb(RunBindCommand, {"bind", exe.string(), pkgDir.string()}, &out)) << out;
    ASSERT_TRUE(kvpack::ReadProgramImage(exe, &image, &error)) << error;
    ASSERT_TRUE(image.bound());
  }
  void TearDown() override { ClearPackageBinding(); }

  // Open and extraction codes of a fresh installation, bound or not.
  std::pair<int, int> Install(bool bound) {
    fs::remove_all(installDir);
    if (bound) EXPECT_TRUE(UsePackageBinding(image.block()));
    else ClearPackageBinding();
    const int open = Open();
    const int extract = open == kOpenOk ? ExtractPackage() : 0;
    ClosePackageFile();
    ClearPackageBinding();
    return {open, extract};
  }

  // The entry verify lists with this kind and number.
  kvpack::EntrySummary Entry(kvpack::EntryInfo::Kind kind, uint32_t number) {
    for (const kvpack::EntrySummary& e : kvpack::VerifyPackage(pkgDir).entryList)
      if (e.kind == kind && e.number == number) return e;
    ADD_FAILURE() << "no such entry";
    return {};
  }
  // Flips one data byte of an entry and writes the CRC of the changed data.
  void ForgeEntry(kvpack::EntryInfo::Kind kind, uint32_t number) {
    const kvpack::EntrySummary e = Entry(kind, number);
    const fs::path index = fixture::IndexFile(pkgDir);
    fixture::FlipByte(index, e.start + pkg::kEntryHeaderSize + 5);
    const std::vector<uint8_t> all = fixture::ReadAll(index);
    fixture::PatchU32(index, e.start, Crc32Jam(&all[e.start + pkg::kEntryHeaderSize], e.length));
  }
  void ForgeMr(uint32_t record) {
    const kvpack::MrInfo m = kvpack::VerifyPackage(pkgDir).records.at(record);
    fixture::FlipByte(fixture::PartFile(pkgDir, m.partIndex), m.partOffset + 7);
  }
};

struct TamperCase {
  const char* name;
  std::function<void()> tamper;
  int boundOpen, boundExtract;
  const char* neverWritten;  // by the bound program, relative to the install folder
  const char* named;         // in verify --against's problem line
};

TEST_F(BindingTest, ForgedCopiesFailOnlyWhereTheBindingIsInForce) {
  const fs::path pristine = scratch / "pristine";
  fs::copy(pkgDir, pristine);
  const TamperCase cases[] = {
      {"a version word", [this] { fixture::SetHeaderU32(pkgDir, pkg::kOffVersionWords + 8, 77); },
       kOpenBadHeaderCrc, 0, "Driver/haspdinst.exe", "KVSetup.dat header: not the bound package's"},
      {"a font name",
       [this] {
         // "Alpha.ttf" becomes "Alphb.ttf": as safe a name, another file.
         fixture::FlipByte(fixture::IndexFile(pkgDir), pkg::kOffFontNames + 2 * 4, 0x03);
         fixture::RefreshHeaderCrc(fixture::IndexFile(pkgDir));
       },
       kOpenBadHeaderCrc, 0, "Fonts/Alphb.ttf", "KVSetup.dat header: not the bound package's"},
      {"a fixed entry", [this] { ForgeEntry(kvpack::EntryInfo::kFixed, pkg::kFixKorvaneExe); },
       kOpenOk, kEntryBadCrc, "Korvane.exe", "Korvane.exe: not the bound package's entry"},
      {"a song", [this] { ForgeEntry(kvpack::EntryInfo::kSong, 6); }, kOpenOk, kEntryBadCrc,
       "SongMR/00/006.esz", "SongMR\\00\\006.esz: not the bound package's entry"},
      {"a font's info file", [this] { ForgeEntry(kvpack::EntryInfo::kFontInfo, 0); }, kOpenOk,
       kEntryBadCrc, "Fonts/Info/Alpha.ttf.ftb", "Fonts\\Info\\Alpha.ttf.ftb: not the bound package's entry"},
      {"an MR file", [this] { ForgeMr(2); }, kOpenOk, kMrWriteFailed, "MR/000/00100.emr",
       "MR record 2 (MR\\000\\00100.emr): not the bound package's file"},
  };
  for (const TamperCase& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(pkgDir);
    fs::copy(pristine, pkgDir);
    c.tamper();
    // The CRCs are forged: plain verify and an unbound program take it.
    EXPECT_TRUE(kvpack::VerifyPackage(pkgDir).sound());
    EXPECT_EQ(std::make_pair(0, 0), Install(false));
    EXPECT_EQ(std::make_pair(c.boundOpen, c.boundExtract), Install(true));
    EXPECT_FALSE(Exists(c.neverWritten));

    std::string text, json;
    EXPECT_EQ(1, RunVerb(RunVerifyCommand, {"verify", "--against", exe.string(), pkgDir.string()}, &text));
    EXPECT_NE(std::string::npos, text.find(std::string("problem: ") + c.named)) << text;
    EXPECT_NE(std::string::npos, text.find("NOT the bound package")) << text;
    EXPECT_EQ(1, RunVerb(RunVerifyCommand, {"verify", "--json", "--against", exe.string(), pkgDir.string()}, &json));
    std::string escaped;  // as a JSON string holds it
    for (const char* p = c.named; *p; ++p) escaped += *p == '\\' ? std::string("\\\\") : std::string(1, *p);
    EXPECT_NE(std::string::npos, json.find(escaped)) << json;
    EXPECT_NE(std::string::npos, json.find("\"boundPackage\": false")) << json;
  }

  fs::remove_all(pkgDir);
  fs::copy(pristine, pkgDir);
  std::string out;
  EXPECT_EQ(0, RunVerb(RunVerifyCommand, {"verify", "--against", exe.string(), pkgDir.string()}, &out)) << out;
  EXPECT_EQ(std::make_pair(0, 0), Install(true));
  // Checked in pairs, each file must still be written from its own bytes.
  for (const auto& [number, content] : input.songs) ExpectFile(extraction_support::SongPath(number), content);
  ExpectFile(u8"Fonts/Info/Alpha.ttf.ftb", *input.fonts[0].info);
  for (const kvpack::MrInput& mr : input.mrFiles) ExpectFile(MrPath(mr.number), mr.content);
  EXPECT_EQ(0, RunVerb(RunExtractCommand, {"extract", "--against", exe.string(), pkgDir.string(),
                                           (scratch / "by-kvpack").string()}, &out)) << out;
}

// A bound MR file larger than the transfer buffer is hashed piece by piece
// as it is written under a temporary name: a byte changed in its first, a
// middle or its last piece leaves no file under either name.
TEST_F(BindingTest, ForgedPieceOfALargeMrFileLeavesNoFile) {
  const uint32_t size = pkg::kTransferBufferSize + 8, half = pkg::kTransferBufferSize / 2;
  input.mrFiles.push_back({90050, fixture::Data(size, 50)});
  WriteAndBind();
  const kvpack::MrInfo big = kvpack::VerifyPackage(pkgDir).records.back();
  ASSERT_EQ(90050u, big.number);
  const fs::path part = fixture::PartFile(pkgDir, big.partIndex);
  for (const uint32_t at : {5u, half + 5, size - 3}) {
    SCOPED_TRACE(at);
    fixture::FlipByte(part, big.partOffset + at);
    EXPECT_EQ(std::make_pair(0, 0), Install(false));
    EXPECT_EQ(std::make_pair(int(kOpenOk), int(kMrWriteFailed)), Install(true));
    EXPECT_FALSE(Exists(MrPath(90050)));
    EXPECT_FALSE(Exists(MrPath(90050) + ".tmp"));
    EXPECT_TRUE(Exists(MrPath(90001)));
    fixture::FlipByte(part, big.partOffset + at);
  }
  EXPECT_EQ(std::make_pair(0, 0), Install(true));
  ExpectFile(MrPath(90050), input.mrFiles.back().content);
  EXPECT_FALSE(Exists(MrPath(90050) + ".tmp"));
}

TEST_F(BindingTest, BindRefusesWhatItCannotBindAndRebindsToTheSameBytes) {
  const std::vector<uint8_t> bound = fixture::ReadAll(exe);
  std::string out;
  ASSERT_EQ(0, RunVerb(RunBindCommand, {"bind", exe.string(), pkgDir.string()}, &out));
  EXPECT_TRUE(fixture::ReadAll(exe) == bound);
  // The checksum the image carried is made right for the bound bytes.
  EXPECT_EQ(kvpack::PeChecksum(bound, image.checksumAt), pkg::ReadU32(&bound[image.checksumAt]));

  const fs::path signedExe = scratch / "signed.exe", unbound = scratch / "unbound.exe";
  WriteProgram(signedExe, true);
  WriteProgram(unbound, false);
  const std::vector<uint8_t> before = fixture::ReadAll(signedExe);
  EXPECT_EQ(1, RunVerb(RunBindCommand, {"bind", signedExe.string(), pkgDir.string()}));
  EXPECT_TRUE(fixture::ReadAll(signedExe) == before);

  // A package with a problem is not bound.
  fixture::FlipByte(fixture::IndexFile(pkgDir), Entry(kvpack::EntryInfo::kSong, 4).start + 20);
  std::string problems;
  EXPECT_EQ(1, RunVerb(RunBindCommand, {"bind", unbound.string(), pkgDir.string()}, &problems));
  EXPECT_NE(std::string::npos, problems.find("problem: SongMR\\00\\004.esz: entry CRC mismatch")) << problems;
  std::string error;
  ASSERT_TRUE(kvpack::ReadProgramImage(unbound, &image, &error)) << error;
  EXPECT_FALSE(image.bound());

  // --against needs a bound program: usage errors, before any package is read.
  for (auto verb : {RunVerifyCommand, RunExtractCommand}) {
    std::vector<std::string> args = {verb == RunVerifyCommand ? "verify" : "extract", "--against",
                                     unbound.string(), pkgDir.string()};
    if (verb == RunExtractCommand) args.push_back((scratch / "none").string());
    EXPECT_EQ(2, RunVerb(verb, args));
  }
  EXPECT_FALSE(fs::exists(scratch / "none"));
}

}  // namespace
