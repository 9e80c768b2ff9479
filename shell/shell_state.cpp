// Storage of the shell's process-wide words.
#include "shell_state.h"

uint32_t currentPage = 0;
int repaintFlag = 0;
int hoverId = 0;
int drawnHoverId = 0;
int lastHoverId = 0;
int focusButton = 0;
int buttonImageBase[4] = {};
int optionImageBase[3] = {};
int selectedOption = 0;

int drawnOption = 0;
uint32_t drawnFeatureFlags = 0;
uint64_t drawnProgressPos = 0;
uint32_t barLength = 0;
int nextEnabled = 0;

uint32_t* backBuffer = nullptr;
