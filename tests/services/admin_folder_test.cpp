// The Driver folder's access: the descriptor the program builds from its SDDL
// (what Windows then enforces; Wine keeps no such descriptor faithfully), and
// CreateAdminFolder on a new folder, an existing one and a file.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/admin_folder.h"
#include "engine/os_layer.h"
#include "tests/services/win_test_files.h"

namespace {

struct AllowedAce {
  WELL_KNOWN_SID_TYPE who;
  ACCESS_MASK mask;
};

// Every right by which a user could change what the folder holds: write or
// append a file or add one (a DLL beside the installer), delete or rename it
// or the folder, or give itself more.
constexpr ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                      FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD | DELETE |
                                      WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

bool IsSid(PSID sid, WELL_KNOWN_SID_TYPE type) { return IsWellKnownSid(sid, type) != 0; }

TEST(AdminFolder, DescriptorGivesOnlySystemAndAdministratorsChangeRights) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(os::kAdminFolderSddl,
                                                                   SDDL_REVISION_1, &sd, nullptr));
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  ASSERT_TRUE(GetSecurityDescriptorControl(sd, &control, &revision));
  EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the parent's entries would reach the folder";
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted));
  ASSERT_TRUE(present && dacl);

  const AllowedAce expected[] = {
      {WinLocalSystemSid, FILE_ALL_ACCESS},
      {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
      {WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE},
  };
  ASSERT_EQ(sizeof expected / sizeof expected[0], dacl->AceCount);
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    SCOPED_TRACE(i);
    void* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, &ace));
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, allowed->Header.AceType);
    EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, allowed->Header.AceFlags);
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    EXPECT_TRUE(IsSid(sid, expected[i].who));
    EXPECT_EQ(expected[i].mask, allowed->Mask);
    if (!IsSid(sid, WinLocalSystemSid) && !IsSid(sid, WinBuiltinAdministratorsSid)) {
      EXPECT_EQ(0u, allowed->Mask & kChangeRights);
    }
  }

  // Parsed back, the descriptor says what the program asked for.
  wchar_t* text = nullptr;
  ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorW(
      sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr));
  EXPECT_STREQ(os::kAdminFolderSddl, text);
  LocalFree(text);
  LocalFree(sd);
}

TEST(AdminFolder, MadeNewTakenOverWhenPresentRefusedOverAFile) {
  const std::wstring root = L"C:\\Kv Admin";
  kvtest::RemoveTree(root);
  ASSERT_TRUE(kvtest::MakeFolders(root));
  const std::wstring fresh = root + L"\\Driver";
  EXPECT_TRUE(os::CreateAdminFolder(fresh.c_str()));
  EXPECT_TRUE(kvtest::Exists(fresh));
  // The program writes the driver files in it afterwards.
  EXPECT_TRUE(kvtest::WriteBytes(fresh + L"\\haspdinst.exe", "MZ"));
  const std::wstring existing = root + L"\\Older";
  ASSERT_TRUE(CreateDirectoryW(existing.c_str(), nullptr));
  EXPECT_TRUE(os::CreateAdminFolder(existing.c_str()));
  EXPECT_TRUE(kvtest::WriteBytes(existing + L"\\haspdinst.exe", "MZ"));
  const std::wstring file = root + L"\\file";
  ASSERT_TRUE(kvtest::WriteBytes(file, "x"));
  EXPECT_FALSE(os::CreateAdminFolder(file.c_str()));
  EXPECT_FALSE(os::CreateAdminFolder((root + L"\\missing\\Driver").c_str()));
  kvtest::RemoveTree(root);
}

}  // namespace
