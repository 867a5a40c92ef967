// UNRAR32.DLL: RAR 4 and RAR 5
#include "backends/Entries.h"

MOKURENA_LIBRARY_ENTRIES(Unrar, UnrarGetWriteTimeEx, backends::kRarFormat)
