// DLL search hardening: a DLL planted beside the program is no longer found
// by name, while system DLLs still load. Its own program, since the change is
// process-wide.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/dll_search.h"

namespace {

TEST(DllSearch, PlantedDllBesideTheProgramIsNotLoadedByName) {
  wchar_t module[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, module, MAX_PATH), 0u);
  std::wstring planted = module;
  planted.resize(planted.rfind(L'\\') + 1);
  planted += L"kv_planted.dll";
  // The default search would find it: the program's folder comes first.
  wchar_t found[MAX_PATH] = {};
  ASSERT_GT(SearchPathW(nullptr, L"kv_planted.dll", nullptr, MAX_PATH, found, nullptr), 0u);

  HardenDllSearch();
  EXPECT_EQ(nullptr, LoadLibraryW(L"kv_planted.dll"));
  HMODULE system = LoadLibraryW(L"version.dll");
  EXPECT_NE(nullptr, system);
  if (system) FreeLibrary(system);
  // Named by its full path it still loads, so the refusal above is the search.
  HMODULE direct = LoadLibraryW(planted.c_str());
  EXPECT_NE(nullptr, direct);
  if (direct) FreeLibrary(direct);
}

}  // namespace
