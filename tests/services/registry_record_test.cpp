// The install record (read, write, delete) with its entry in the list of
// installed programs, and the driver probe, against the bed's real registry,
// read back with the raw registry calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/install_state.h"
#include "engine/registry_record.h"
#include "engine/uninstall_entry.h"
#include "tests/services/win_test_files.h"

namespace {

const std::wstring kRecordRoot = L"C:\\KvRecordTest";
const std::wstring kInstalled = kRecordRoot + L"\\Tavenor";
const wchar_t* kDriverKey = L"SOFTWARE\\Aladdin Knowledge Systems\\HASP\\Driver\\Installer";

std::vector<uint8_t> VersionPattern(uint8_t seed) {
  std::vector<uint8_t> block(256, 0);
  for (int i = 0; i < 36; ++i) block[i] = static_cast<uint8_t>(seed + i);
  return block;
}

// What a test puts under a record key; a missing field is not written.
struct RawRecord {
  bool withPath = true;
  std::wstring path;
  bool pathTerminated = true;
  DWORD pathType = REG_SZ;
  bool withVersion = true;
  std::vector<uint8_t> version = VersionPattern(1);
  bool withSetup = true;
  DWORD setup = 1;
};

bool KeyExists(const wchar_t* key) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

void PutRecord(const wchar_t* key, const RawRecord& record) {
  HKEY h = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE,
                                           nullptr, &h, nullptr));
  if (record.withPath) {
    const DWORD units = static_cast<DWORD>(record.path.size() + (record.pathTerminated ? 1 : 0));
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExW(h, L"Path", 0, record.pathType,
                             reinterpret_cast<const BYTE*>(record.path.c_str()), units * 2));
  }
  if (record.withVersion) {
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(h, L"Version", 0, REG_BINARY, record.version.data(),
                                            static_cast<DWORD>(record.version.size())));
  }
  if (record.withSetup) {
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(h, L"Setup", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&record.setup), 4));
  }
  RegCloseKey(h);
}

// A value of the uninstall entry: its type and its text (REG_SZ) or number
// (REG_DWORD); type 0 when the value or the key is missing.
struct EntryValue {
  DWORD type = 0;
  std::wstring text;
  DWORD number = 0;
};

EntryValue ReadEntryValue(const wchar_t* name) {
  EntryValue value;
  HKEY h = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallEntryKey, 0, KEY_READ, &h) != ERROR_SUCCESS)
    return value;
  BYTE data[1200] = {};
  DWORD type = 0, bytes = sizeof(data) - 2;
  if (RegQueryValueExW(h, name, nullptr, &type, data, &bytes) == ERROR_SUCCESS) {
    value.type = type;
    if (type == REG_SZ) value.text = reinterpret_cast<const wchar_t*>(data);
    if (type == REG_DWORD && bytes == 4) memcpy(&value.number, data, 4);
  }
  RegCloseKey(h);
  return value;
}

void PutEntryValue(const wchar_t* name, const std::wstring& text) {
  HKEY h = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallEntryKey, 0, nullptr, 0,
                                           KEY_WRITE, nullptr, &h, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(h, name, 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(text.c_str()),
                                          static_cast<DWORD>((text.size() + 1) * 2)));
  RegCloseKey(h);
}

std::wstring OwnFileName() {
  wchar_t name[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, name, MAX_PATH);
  return name;
}

// An existing folder spelled with "\." steps, exactly `units` long.
std::wstring ExistingPathOfLength(size_t units) {
  std::wstring path = L"C:\\windows";
  while (path.size() + 2 <= units) path += L"\\.";
  if (path.size() < units) path += L"\\";
  return path;
}

class InstallRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallState();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Korvane");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Tavenor");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallEntryKey);
    kvtest::RemoveTree(kRecordRoot);
    ASSERT_TRUE(kvtest::MakeFolders(kInstalled));
  }
  void TearDown() override {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Korvane");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Tavenor");
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallEntryKey);
    kvtest::RemoveTree(kRecordRoot);
  }
  // Fills recordedPath with non-NUL units so that a missing terminator shows.
  static void SoilRecordedPath() {
    for (wchar_t& c : installState.recordedPath) c = L'X';
  }
};

struct ReadCase {
  const char* name;
  RawRecord record;
  bool writeKey;
  int expected;
};

RawRecord WithPath(const std::wstring& path) {
  RawRecord r;
  r.path = path;
  return r;
}
RawRecord Without(RawRecord r, bool path, bool version, bool setup) {
  r.withPath = !path && r.withPath;
  r.withVersion = !version && r.withVersion;
  r.withSetup = !setup && r.withSetup;
  return r;
}

TEST_F(InstallRecord, ValidityByShape) {
  const ReadCase cases[] = {
      {"existing folder", WithPath(kInstalled), true, 1},
      {"no key", WithPath(kInstalled), false, 0},
      {"folder gone", WithPath(kRecordRoot + L"\\Gone"), true, 0},
      {"drive root C:\\", WithPath(L"C:\\"), true, 0},
      {"empty path", WithPath(L""), true, 0},
      {"no Path", Without(WithPath(kInstalled), true, false, false), true, 0},
      {"no Version", Without(WithPath(kInstalled), false, true, false), true, 0},
      {"no Setup", Without(WithPath(kInstalled), false, false, true), true, 0},
      {"259 units, terminated", WithPath(ExistingPathOfLength(259)), true, 1},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Korvane");
    if (c.writeKey) PutRecord(kProductKey, c.record);
    ResetInstallState();
    EXPECT_EQ(c.expected, ReadInstallRecord(kProductKey));
    if (c.expected == 1) {
      EXPECT_EQ(c.record.path, installState.recordedPath);
      EXPECT_EQ(0, memcmp(c.record.version.data(), installState.versionBlock, 256));
      EXPECT_EQ(c.record.setup, installState.setupValue);
    }
  }
}

TEST_F(InstallRecord, BrandRecordAloneKeepsItsValues) {
  RawRecord brand = WithPath(kInstalled);
  brand.version = VersionPattern(0x40);
  brand.setup = 7;
  PutRecord(kBrandKey, brand);

  installState.brandRecordPresent = ReadInstallRecord(kBrandKey);
  installState.productRecordPresent = ReadInstallRecord(kProductKey);
  EXPECT_EQ(1u, installState.brandRecordPresent);
  EXPECT_EQ(0u, installState.productRecordPresent);
  EXPECT_EQ(kInstalled, installState.recordedPath);
  EXPECT_EQ(0, memcmp(brand.version.data(), installState.versionBlock, 256));
  EXPECT_EQ(7u, installState.setupValue);
}

TEST_F(InstallRecord, ProductValuesWinOverBrand) {
  const std::wstring other = kRecordRoot + L"\\Other";
  ASSERT_TRUE(kvtest::MakeFolders(other));
  RawRecord brand = WithPath(other);
  brand.version = VersionPattern(0x40);
  brand.setup = 7;
  PutRecord(kBrandKey, brand);
  RawRecord product = WithPath(kInstalled);
  product.version = VersionPattern(0x80);
  PutRecord(kProductKey, product);

  EXPECT_EQ(1, ReadInstallRecord(kBrandKey));
  EXPECT_EQ(1, ReadInstallRecord(kProductKey));
  EXPECT_EQ(kInstalled, installState.recordedPath);
  EXPECT_EQ(0, memcmp(product.version.data(), installState.versionBlock, 256));
  EXPECT_EQ(1u, installState.setupValue);
}

TEST_F(InstallRecord, PathStoredWithoutTerminatorIsEndedAtItsLength) {
  RawRecord record = WithPath(kInstalled);
  record.pathTerminated = false;
  PutRecord(kProductKey, record);
  SoilRecordedPath();
  EXPECT_EQ(1, ReadInstallRecord(kProductKey));
  EXPECT_EQ(kInstalled, installState.recordedPath);
}

// A Path filling all 260 units without a terminator: its first 259 units name
// an existing folder, so a reader that cut the text there would accept it.
// Stored as a string, Wine refuses the query for want of room for a NUL;
// stored as binary (a damaged record), the query fills the whole buffer.
TEST_F(InstallRecord, FullUnterminatedPathIsInvalidAndBounded) {
  const std::wstring full = ExistingPathOfLength(259) + L"x";
  ASSERT_EQ(260u, full.size());
  for (DWORD type : {static_cast<DWORD>(REG_SZ), static_cast<DWORD>(REG_BINARY)}) {
    SCOPED_TRACE(type == REG_SZ ? "REG_SZ" : "REG_BINARY");
    RawRecord record = WithPath(full);
    record.pathTerminated = false;
    record.pathType = type;
    PutRecord(kProductKey, record);
    SoilRecordedPath();
    EXPECT_EQ(0, ReadInstallRecord(kProductKey));
    EXPECT_STREQ(L"", installState.recordedPath);
  }
}

TEST_F(InstallRecord, OverlongPathIsInvalidAndBounded) {
  PutRecord(kProductKey, WithPath(std::wstring(300, L'a')));
  SoilRecordedPath();
  EXPECT_EQ(0, ReadInstallRecord(kProductKey));
  EXPECT_LT(wcsnlen(installState.recordedPath, kPathUnits), static_cast<size_t>(kPathUnits));
}

TEST_F(InstallRecord, WrittenValuesReadBackRawAndThroughTheReader) {
  FormatPath(installState.installDir, L"%ls", kInstalled.c_str());
  const std::vector<uint8_t> version = VersionPattern(0x21);
  memcpy(installState.versionBlock, version.data(), 256);
  installState.setupValue = 1;
  installState.packageBytes = (5u << 20) + 1;  // a part of a KB counts as a whole one
  ASSERT_EQ(1, WriteInstallRecord());

  HKEY h = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &h));
  wchar_t path[300] = {};
  DWORD type = 0, bytes = sizeof(path);
  EXPECT_EQ(ERROR_SUCCESS,
            RegQueryValueExW(h, L"Path", nullptr, &type, reinterpret_cast<BYTE*>(path), &bytes));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ((kInstalled.size() + 1) * 2, bytes);
  EXPECT_EQ(kInstalled, path);
  uint8_t block[300] = {};
  bytes = sizeof(block);
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(h, L"Version", nullptr, &type, block, &bytes));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
  EXPECT_EQ(256u, bytes);
  EXPECT_EQ(0, memcmp(version.data(), block, 256));
  DWORD setup = 0;
  bytes = sizeof(setup);
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(h, L"Setup", nullptr, &type,
                                            reinterpret_cast<BYTE*>(&setup), &bytes));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  EXPECT_EQ(1u, setup);
  RegCloseKey(h);

  ResetInstallState();
  EXPECT_EQ(1, ReadInstallRecord(kProductKey));
  EXPECT_EQ(kInstalled, installState.recordedPath);
  EXPECT_EQ(0, memcmp(version.data(), installState.versionBlock, 256));
  EXPECT_EQ(1u, installState.setupValue);

  // The entry in the list of installed programs, written with the record.
  // The version is this test program's own (services_version.rc).
  const struct {
    const wchar_t* name;
    DWORD type;
    std::wstring text;
    DWORD number;
  } entry[] = {
      {L"DisplayName", REG_SZ, L"Korvane", 0},
      {L"Publisher", REG_SZ, L"Tavenor", 0},
      {L"DisplayVersion", REG_SZ, L"2.30.400.5006", 0},
      {L"InstallLocation", REG_SZ, kInstalled, 0},
      {L"DisplayIcon", REG_SZ, kInstalled + L"\\Korvane.exe", 0},
      {L"UninstallString", REG_SZ, L"\"" + OwnFileName() + L"\"", 0},
      {L"EstimatedSize", REG_DWORD, L"", 5121},
      {L"NoModify", REG_DWORD, L"", 0},
      {L"NoRepair", REG_DWORD, L"", 0},
  };
  for (const auto& expected : entry) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(expected.name)));
    const EntryValue got = ReadEntryValue(expected.name);
    EXPECT_EQ(expected.type, got.type);
    EXPECT_EQ(expected.text, got.text);
    EXPECT_EQ(expected.number, got.number);
  }
}

TEST_F(InstallRecord, WriteReplacesAnEarlierRecord) {
  const std::wstring old = kRecordRoot + L"\\Old";
  ASSERT_TRUE(kvtest::MakeFolders(old));
  RawRecord earlier = WithPath(old);
  earlier.setup = 9;
  earlier.version = VersionPattern(0x55);
  PutRecord(kProductKey, earlier);
  PutEntryValue(L"InstallLocation", old);
  PutEntryValue(L"URLInfoAbout", L"http://old.example");

  FormatPath(installState.installDir, L"%ls", kInstalled.c_str());
  installState.setupValue = 1;
  ASSERT_EQ(1, WriteInstallRecord());
  // The entry is written anew: nothing of the earlier one stays.
  EXPECT_EQ(kInstalled, ReadEntryValue(L"InstallLocation").text);
  EXPECT_EQ(0u, ReadEntryValue(L"URLInfoAbout").type);
  EXPECT_EQ(0u, ReadEntryValue(L"EstimatedSize").type) << "no package, no size";
  ResetInstallState();
  EXPECT_EQ(1, ReadInstallRecord(kProductKey));
  EXPECT_EQ(kInstalled, installState.recordedPath);
  EXPECT_EQ(1u, installState.setupValue);
  const uint8_t zeros[256] = {};
  EXPECT_EQ(0, memcmp(zeros, installState.versionBlock, 256));
}

TEST_F(InstallRecord, DeleteRemovesProductTreeAndKeepsBrand) {
  PutRecord(kProductKey, WithPath(kInstalled));
  PutRecord(L"Software\\Korvane\\Extra", WithPath(kInstalled));
  PutRecord(kBrandKey, WithPath(kInstalled));
  PutEntryValue(L"DisplayName", L"Korvane");

  EXPECT_EQ(1, DeleteInstallRecord());
  EXPECT_FALSE(KeyExists(L"Software\\Korvane"));
  EXPECT_FALSE(KeyExists(kUninstallEntryKey));
  EXPECT_TRUE(KeyExists(kBrandKey));
  EXPECT_EQ(1, ReadInstallRecord(kBrandKey));
}

// A subkey with children of its own cannot go with one-level deletion; the
// deletion must still come to an end and leave the rest alone.
TEST_F(InstallRecord, DeleteEndsWhenASubkeyHasChildren) {
  PutRecord(kProductKey, WithPath(kInstalled));
  PutRecord(L"Software\\Korvane\\Nested\\Child", WithPath(kInstalled));
  PutRecord(L"Software\\Korvane\\Zeta", WithPath(kInstalled));

  EXPECT_EQ(1, DeleteInstallRecord());
  EXPECT_FALSE(KeyExists(kProductKey));
  EXPECT_FALSE(KeyExists(L"Software\\Korvane\\Zeta"));
  EXPECT_TRUE(KeyExists(L"Software\\Korvane\\Nested\\Child"));
}

// The entry goes all the same: it would offer a removal that has been done.
TEST_F(InstallRecord, DeleteWithoutRecordReportsNothingReached) {
  PutRecord(kBrandKey, WithPath(kInstalled));
  PutEntryValue(L"DisplayName", L"Korvane");
  EXPECT_EQ(0, DeleteInstallRecord());
  EXPECT_TRUE(KeyExists(kBrandKey));
  EXPECT_FALSE(KeyExists(kUninstallEntryKey));
}

class DriverProbe : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInstallState();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Aladdin Knowledge Systems");
  }
  void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Aladdin Knowledge Systems"); }
};

struct ProbeCase {
  const char* name;
  bool key;
  const wchar_t* value;  // null: none
  size_t valueUnits;     // text length of the value
  int expected;
};

TEST_F(DriverProbe, AnswersByTheValuesPresent) {
  const ProbeCase cases[] = {
      {"DrvPkgVersion", true, L"DrvPkgVersion", 6, 1},
      {"only Version", true, L"Version", 6, 1},
      {"other value only", true, L"Vendor", 6, 0},
      {"empty key", true, nullptr, 0, 0},
      {"no key", false, nullptr, 0, 0},
      // Larger than the 200-byte buffer: present all the same.
      {"long DrvPkgVersion", true, L"DrvPkgVersion", 250, 1},
      {"long Version", true, L"Version", 250, 1},
  };
  // A 32-bit Windows ignores the 64-bit view flag, so both word sizes reach
  // the one key here.
  for (uint32_t bits : {32u, 64u}) {
    for (const ProbeCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (bits == 64 ? ", 64-bit view" : ", own view"));
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Aladdin Knowledge Systems");
      if (c.key) {
        HKEY h = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDriverKey, 0, nullptr, 0,
                                                 KEY_WRITE, nullptr, &h, nullptr));
        if (c.value) {
          const std::wstring text(c.valueUnits, L'7');
          RegSetValueExW(h, c.value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * 2));
        }
        RegCloseKey(h);
      }
      installState.osBits = bits;
      EXPECT_EQ(c.expected, ProbeDriverInstalled());
    }
  }
}

}  // namespace
