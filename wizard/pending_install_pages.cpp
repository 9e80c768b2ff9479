// TEMPORARY: do-nothing handlers for the fresh-installation pages (6-11) until
// they are built, so that the program links. Delete each definition as its page
// lands; this file must be gone when the install pages are done.
#include "pages.h"

void LicencePageEnter(HWND) {}
void LicencePageKey(HWND, WPARAM, LPARAM) {}
void LicencePageMouseMove(HWND, WPARAM, LPARAM) {}
void LicencePageButtonDown(HWND, WPARAM, LPARAM) {}
void LicencePageButtonUp(HWND, WPARAM, LPARAM) {}
void InstallTypeEnter(HWND) {}
void InstallTypeKey(HWND, WPARAM, LPARAM) {}
void InstallTypeMouseMove(HWND, WPARAM, LPARAM) {}
void InstallTypeButtonDown(HWND, WPARAM, LPARAM) {}
void InstallTypeButtonUp(HWND, WPARAM, LPARAM) {}
void InstallFolderEnter(HWND) {}
void InstallFolderKey(HWND, WPARAM, LPARAM) {}
void InstallFolderMouseMove(HWND, WPARAM, LPARAM) {}
void InstallFolderButtonDown(HWND, WPARAM, LPARAM) {}
void InstallFolderButtonUp(HWND, WPARAM, LPARAM) {}
void FeaturePageEnter(HWND) {}
void FeaturePageKey(HWND, WPARAM, LPARAM) {}
void FeaturePageButtonUp(HWND, WPARAM, LPARAM) {}
void PassThroughEnter(HWND) {}
void InstallProgressEnter(HWND) {}
void InstallProgressKey(HWND, WPARAM, LPARAM) {}
void InstallProgressButtonUp(HWND, WPARAM, LPARAM) {}
