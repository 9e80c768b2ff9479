// The program's binding block: a constant in the file image that `kvpack
// bind` finds by its magic and fills with the digests of one package before
// the program is signed. As built it carries no binding (format 0). Kept in
// a translation unit of its own so that no caller can fold its bytes into
// constants of its own; entry.cpp reads it only through a laundered pointer.
#include "shell/binding_block.h"

extern const uint8_t programBindingBlock[bind::kBlockSize] = {
    'K', 'V', 'S', 'e', 't', 'u', 'p', ' ', 'b', 'i', 'n', 'd', 'i', 'n', 'g', 0,
};
