// Windows word size and drive space.
#pragma once

// Sets osBits to 32 or 64, or 0 when the word size cannot be told; returns it.
int ProbeWindowsBits();
// Sets diskTotalBytes and diskFreeBytes for the root of the drive; both 0 when
// the drive cannot be asked.
void ProbeDiskSpace(char driveLetter);
