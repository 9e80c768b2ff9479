// TEMPORARY: do-nothing handlers for the maintenance pages (1-5) until they are
// built, so that the program links. Delete each definition as its page lands;
// this file must be gone when the maintenance pages are done.
#include "pages.h"

void ChoicePageEnter(HWND) {}
void ChoicePageKey(HWND, WPARAM, LPARAM) {}
void ChoicePageMouseMove(HWND, WPARAM, LPARAM) {}
void ChoicePageButtonDown(HWND, WPARAM, LPARAM) {}
void ChoicePageButtonUp(HWND, WPARAM, LPARAM) {}
void ModifyOptionsEnter(HWND) {}
void ModifyOptionsKey(HWND, WPARAM, LPARAM) {}
void ModifyOptionsButtonUp(HWND, WPARAM, LPARAM) {}
void RepairProgressEnter(HWND) {}
void RemoveProgressEnter(HWND) {}
void ModifyProgressEnter(HWND) {}
