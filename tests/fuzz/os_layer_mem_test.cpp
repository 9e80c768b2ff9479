// The in-memory file layer that the fuzz targets trust to say where the
// engine wrote: paths resolve the way Windows resolves them, so a name that
// climbs out of a folder is recorded outside it, and files behave like files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/os_layer.h"
#include "engine/os_layer_mem.h"

namespace {

// As GetFullPathNameW folds them on Windows 7 and later.
TEST(MemLayer, ResolvesLikeWindows) {
  const struct {
    const wchar_t* path;
    const wchar_t* resolved;
  } cases[] = {
      {L"C:\\Program Files\\Korvane", L"c:\\program files\\korvane"},
      {L"c:/a//b\\", L"c:\\a\\b"},
      {L"C:\\a\\.\\b\\..\\c", L"c:\\a\\c"},
      {L"C:\\a\\..\\..\\..\\x", L"c:\\x"},  // never above the drive
      {L"C:\\a\\.. \\x", L"c:\\a\\.. \\x"},    // a middle ".. " is a name
      {L"C:\\a\\b\\.. ", L"c:\\a\\b"},          // a last one is trimmed away
      {L"C:\\a\\b\\..", L"c:\\a"},
      {L"C:\\a.\\b..\\c.. \\d", L"c:\\a\\b.\\c.. \\d"},  // a middle one loses one dot
      {L"C:\\a\\b  ....   ..   ", L"c:\\a\\b"},  // a last one every dot and blank
      {L"C:\\a\\...", L"c:\\a"},
      {L"C:", L"c:\\"},
      {L"\\x\\..\\..", L"\\"},
      {L"/pkg/KVSetup.dat", L"\\pkg\\kvsetup.dat"},
      // A last component that names a device is that device, anywhere.
      {L"C:\\Inst\\Fonts\\CON.ttf", L"\\\\.\\con"},
      {L"C:\\con\\con", L"\\\\.\\con"},
      {L"C:\\Inst\\nul", L"\\\\.\\nul"},
      {L"C:\\Inst\\Prn  .x.y", L"\\\\.\\prn"},
      {L"C:\\Inst\\aux:stream", L"\\\\.\\aux"},
      {L"C:\\Inst\\COM1", L"\\\\.\\com1"},
      {L"C:\\Inst\\com0.ttf", L"\\\\.\\com0"},
      {L"C:\\Inst\\Lpt9. ", L"\\\\.\\lpt9"},
      {L"C:\\Inst\\COM\u00B9.ttf", L"\\\\.\\com\u00B9"},
      {L"C:\\Inst\\lpt\u00B2", L"\\\\.\\lpt\u00B2"},
      {L"C:\\Inst\\LPT\u00B3.x", L"\\\\.\\lpt\u00B3"},
      {L"C:\\Inst\\CONOUT$", L"\\\\.\\conout$"},
      {L"C:\\Inst\\conin$.log", L"\\\\.\\conin$"},
      // Names that only start like one, and a middle component.
      {L"C:\\Inst\\nul0.ttf", L"c:\\inst\\nul0.ttf"},
      {L"C:\\Inst\\COM10", L"c:\\inst\\com10"},
      {L"C:\\Inst\\com\u2074", L"c:\\inst\\com\u2074"},
      {L"C:\\Inst\\ CON", L"c:\\inst\\ con"},
      {L"C:\\Inst\\conerr$", L"c:\\inst\\conerr$"},
      {L"C:\\nul\\x", L"c:\\nul\\x"},
  };
  for (const auto& c : cases) EXPECT_EQ(os::mem::Resolve(c.path), c.resolved) << c.path;
}

// A write to a device is recorded outside every folder, so that a fuzz
// target checking where the engine wrote sees it; nothing is stored.
TEST(MemLayer, DevicesAreWritesOutsideEveryFolder) {
  os::mem::Reset();
  os::mem::PutFolder(L"C:\\Inst\\Fonts");
  os::File out = os::CreateForWrite(L"C:\\Inst\\Fonts\\NUL.ttf");
  ASSERT_NE(out, os::kNoFile);  // NUL opens on Windows too
  EXPECT_EQ(os::Write(out, "abc", 3), 3);
  os::Close(out);
  EXPECT_FALSE(os::CreateFolder(L"C:\\Inst\\Fonts\\com1"));
  EXPECT_FALSE(os::PathExists(L"C:\\Inst\\Fonts\\nul.ttf"));
  EXPECT_EQ(os::mem::WrittenPaths(), (std::vector<std::wstring>{L"\\\\.\\nul", L"\\\\.\\com1"}));
}

TEST(MemLayer, FilesFoldersAndTheWrittenRecord) {
  os::mem::Reset();
  const uint8_t put[] = {1, 2, 3, 4, 5};
  os::mem::PutFile(L"C:\\Setup\\KVSetup.dat", put, sizeof put);
  EXPECT_TRUE(os::PathExists(L"c:\\SETUP"));
  EXPECT_FALSE(os::CreateFolder(L"C:\\Inst\\Sub"));  // parent missing
  EXPECT_TRUE(os::CreateFolder(L"C:\\Inst"));
  EXPECT_FALSE(os::CreateFolder(L"C:\\Inst"));       // exists

  os::File in = os::OpenForRead(L"C:\\Setup\\KVSetup.dat");
  ASSERT_NE(in, os::kNoFile);
  uint8_t buffer[8] = {};
  EXPECT_TRUE(os::Seek(in, 3));
  EXPECT_EQ(os::Read(in, buffer, 8), 2);
  EXPECT_EQ(buffer[0], 4);
  EXPECT_EQ(os::Read(in, buffer, 8), 0);
  EXPECT_EQ(os::Write(in, buffer, 1), -1);  // opened for reading
  EXPECT_EQ(os::Size(in), 5);
  os::Close(in);

  EXPECT_EQ(os::CreateForWrite(L"C:\\Nowhere\\x"), os::kNoFile);
  os::File out = os::CreateForWrite(L"C:\\Inst\\Sub\\..\\..\\Escaped.txt");
  ASSERT_NE(out, os::kNoFile);
  EXPECT_EQ(os::Write(out, "abc", 3), 3);
  EXPECT_TRUE(os::Seek(out, 1));
  EXPECT_EQ(os::Write(out, "XYZ", 3), 3);
  EXPECT_EQ(os::Read(out, buffer, 1), -1);  // opened for writing only
  os::Close(out);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(os::mem::ReadFile(L"c:\\escaped.TXT", &bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "aXYZ");

  EXPECT_FALSE(os::RemoveFolder(L"C:\\Setup"));  // not empty
  EXPECT_TRUE(os::RemoveFile(L"C:\\Setup\\KVSetup.dat"));
  EXPECT_TRUE(os::RemoveFolder(L"C:\\Setup"));
  EXPECT_EQ(os::mem::WrittenPaths(), (std::vector<std::wstring>{L"c:\\inst", L"c:\\escaped.txt"}));
  EXPECT_EQ(os::RunProcessAndWait(nullptr, L"x.exe", L"x"), false);
  EXPECT_EQ(os::StartThread(nullptr), nullptr);
}

}  // namespace
