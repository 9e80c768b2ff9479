// Windows word size and drive space.
#pragma once

int ProbeWindowsBits();
void ProbeDiskSpace(char driveLetter);
