// The events a screen reader follows the pages by, raised in one place after
// each frame tick from the state words the pages draw from.
#pragma once

#include <windows.h>

// Compares what the current page shows now with what was last announced and
// raises the events for the differences: the focus on a page's first tick and
// when focusButton moves, a state change when an option or check box changes
// or a button becomes (un)available, a value change when the bar's whole
// percent moves, a name change of the file caption at most four times a second.
void AnnounceAccessibleChanges(HWND window);
