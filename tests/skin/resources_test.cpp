// The compiled resources of KVSetup.exe, linked into this test program: the
// string table (Korean intact), both icon groups with their six 32-bit
// images, the version block and the manifest.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

namespace {

TEST(Resources, StringTableHoldsTitleAndClassName) {
  wchar_t text[100] = {};
  ASSERT_GT(LoadStringW(GetModuleHandleW(nullptr), 103, text, 100), 0);
  EXPECT_STREQ(text, L"Korvane \uC124\uCE58");  // "Korvane 설치"
  ASSERT_GT(LoadStringW(GetModuleHandleW(nullptr), 109, text, 100), 0);
  EXPECT_STREQ(text, L"KVSETUP");
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST(Resources, IconGroupsHoldSixSizesOf32Bits) {
  for (int group : {107, 108}) {
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(group), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(res, nullptr) << group;
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
    WORD count = 0;
    std::memcpy(&count, dir + 4, 2);
    ASSERT_EQ(count, 6) << group;
    const int expected[] = {256, 128, 64, 48, 32, 16};
    for (int i = 0; i < 6; ++i) {
      GroupIconEntry e;
      std::memcpy(&e, dir + 6 + i * sizeof(GroupIconEntry), sizeof e);
      EXPECT_EQ(e.width == 0 ? 256 : e.width, expected[i]) << group;
      EXPECT_EQ(e.bitCount, 32) << group;
    }
    HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(group),
                                               IMAGE_ICON, 48, 48, 0));
    EXPECT_NE(icon, nullptr) << group;
    if (icon) DestroyIcon(icon);
  }
}

TEST(Resources, VersionBlockIsKorean) {
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(self, &ignored);
  ASSERT_GT(size, 0u);
  static BYTE block[16384];
  ASSERT_LE(size, sizeof block);
  ASSERT_TRUE(GetFileVersionInfoW(self, 0, size, block));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(block, L"\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00000001u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000008u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00000001u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000008u);

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block, L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
  ASSERT_GE(len, 4u);
  EXPECT_EQ(translation[0], 0x0412);
  EXPECT_EQ(translation[1], 1200);

  struct Field { const wchar_t* path; const wchar_t* value; };
  const Field fields[] = {
      {L"\\StringFileInfo\\041204B0\\FileDescription", L"KVInst"},
      {L"\\StringFileInfo\\041204B0\\ProductName", L"Korvane Install"},
      {L"\\StringFileInfo\\041204B0\\FileVersion", L"0.1.0.8"},
  };
  for (const Field& f : fields) {
    wchar_t* value = nullptr;
    ASSERT_TRUE(VerQueryValueW(block, f.path, reinterpret_cast<void**>(&value), &len)) << f.value;
    EXPECT_STREQ(value, f.value);
  }
}

#ifdef KV_EXPECT_MANIFEST
TEST(Resources, ManifestAsksForAdministratorRights) {
  HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(res, nullptr);
  const char* text = static_cast<const char*>(LockResource(LoadResource(nullptr, res)));
  const DWORD size = SizeofResource(nullptr, res);
  const char needle[] = "requireAdministrator";
  bool found = false;
  for (DWORD i = 0; i + sizeof needle - 1 <= size && !found; ++i)
    found = std::memcmp(text + i, needle, sizeof needle - 1) == 0;
  EXPECT_TRUE(found);
}

// Windows ignores a setting outside its namespace without a word, and then
// stretches the window as a bitmap on every scaled display.
TEST(Resources, ManifestDrawsAtEveryMonitorsScale) {
  HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(res, nullptr);
  const std::string text(static_cast<const char*>(LockResource(LoadResource(nullptr, res))),
                         SizeofResource(nullptr, res));
  for (const char* element :
       {"<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
        "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
        "PerMonitorV2, PerMonitor</dpiAwareness>",
        "<application xmlns=\"urn:schemas-microsoft-com:asm.v3\">"})
    EXPECT_NE(text.find(element), std::string::npos) << element;
}
#endif

}  // namespace
