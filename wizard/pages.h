// The handlers of every wizard page, as the page table names them.
#pragma once

#include <windows.h>

// Shared handlers (common_controls.cpp)
void NoInput(HWND, WPARAM, LPARAM);          // "none"
void EmptyPageEnter(HWND);                   // "empty": rows without a page
void DoNothingTick(HWND);
void PlainSteadyTick(HWND);                  // hover step + present
void SingleButtonMouseMove(HWND, WPARAM, LPARAM);  // S-move
void SingleButtonDown(HWND, WPARAM, LPARAM);       // S-down
void ProgressKey(HWND, WPARAM, LPARAM);            // P-key (pages 3-5)
void ProgressButtonUp(HWND, WPARAM, LPARAM);       // P-up
void FeatureMouseMove(HWND, WPARAM, LPARAM);       // F-move (pages 2, 9)
void FeatureButtonDown(HWND, WPARAM, LPARAM);      // F-down

// Page 0 (start_page.cpp)
void StartPageEnter(HWND);
void StartPageKey(HWND, WPARAM, LPARAM);
void StartPageMouseMove(HWND, WPARAM, LPARAM);
void StartPageButtonDown(HWND, WPARAM, LPARAM);
void StartPageButtonUp(HWND, WPARAM, LPARAM);

// Page 1 (choice_page.cpp)
void ChoicePageEnter(HWND);
void ChoicePageKey(HWND, WPARAM, LPARAM);
void ChoicePageMouseMove(HWND, WPARAM, LPARAM);
void ChoicePageButtonDown(HWND, WPARAM, LPARAM);
void ChoicePageButtonUp(HWND, WPARAM, LPARAM);

// Page 2 (modify_options_page.cpp)
void ModifyOptionsEnter(HWND);
void ModifyOptionsKey(HWND, WPARAM, LPARAM);
void ModifyOptionsButtonUp(HWND, WPARAM, LPARAM);

// Pages 3, 4, 5 (maintenance_progress_page.cpp)
void RepairProgressEnter(HWND);
void RemoveProgressEnter(HWND);
void ModifyProgressEnter(HWND);

// Page 6 (licence_page.cpp)
void LicencePageEnter(HWND);
void LicencePageKey(HWND, WPARAM, LPARAM);
void LicencePageMouseMove(HWND, WPARAM, LPARAM);
void LicencePageButtonDown(HWND, WPARAM, LPARAM);
void LicencePageButtonUp(HWND, WPARAM, LPARAM);

// Page 7 (install_type_page.cpp)
void InstallTypeEnter(HWND);
void InstallTypeKey(HWND, WPARAM, LPARAM);
void InstallTypeMouseMove(HWND, WPARAM, LPARAM);
void InstallTypeButtonDown(HWND, WPARAM, LPARAM);
void InstallTypeButtonUp(HWND, WPARAM, LPARAM);

// Page 8 (install_folder_page.cpp)
void InstallFolderEnter(HWND);
void InstallFolderKey(HWND, WPARAM, LPARAM);
void InstallFolderMouseMove(HWND, WPARAM, LPARAM);
void InstallFolderButtonDown(HWND, WPARAM, LPARAM);
void InstallFolderButtonUp(HWND, WPARAM, LPARAM);
// The folder dialog's answer: shown in the folder box and copied into
// installDir only while page 8 and its box are current; false when dropped.
bool TakeChosenFolder(const wchar_t* path);

// Page 9 (feature_page.cpp)
void FeaturePageEnter(HWND);
void FeaturePageKey(HWND, WPARAM, LPARAM);
void FeaturePageButtonUp(HWND, WPARAM, LPARAM);

// Pages 10 and 11 (install_progress_page.cpp)
void PassThroughEnter(HWND);
void InstallProgressEnter(HWND);
void InstallProgressKey(HWND, WPARAM, LPARAM);
void InstallProgressButtonUp(HWND, WPARAM, LPARAM);

// Pages 16 and 17 (end_pages.cpp)
void ErrorPageEnter(HWND);
void CompletionPageEnter(HWND);
void EndPageKey(HWND, WPARAM, LPARAM);
void EndPageButtonUp(HWND, WPARAM, LPARAM);
