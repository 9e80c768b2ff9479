// The in-memory file layer that the fuzz targets trust to say where the
// engine wrote: paths resolve the way Windows resolves them, so a name that
// climbs out of a folder is recorded outside it, and files behave like files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/os_layer.h"
#include "engine/os_layer_mem.h"

namespace {

TEST(MemLayer, ResolvesLikeWindows) {
  const struct {
    const wchar_t* path;
    const wchar_t* resolved;
  } cases[] = {
      {L"C:\\Program Files\\Korvane", L"c:\\program files\\korvane"},
      {L"c:/a//b\\", L"c:\\a\\b"},
      {L"C:\\a\\.\\b\\..\\c", L"c:\\a\\c"},
      {L"C:\\a\\..\\..\\..\\x", L"c:\\x"},  // never above the drive
      {L"C:\\a\\.. \\x", L"c:\\x"},          // trailing blanks dropped first
      {L"C:\\a\\b...\\c. ", L"c:\\a\\b\\c"},
      {L"C:\\a\\...\\b", L"c:\\a\\b"},
      {L"C:", L"c:\\"},
      {L"\\x\\..\\..", L"\\"},
      {L"/pkg/KVSetup.dat", L"\\pkg\\kvsetup.dat"},
  };
  for (const auto& c : cases) EXPECT_EQ(os::mem::Resolve(c.path), c.resolved) << c.path;
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
