// UNLHA32.DLL: LHA
#include "backends/Entries.h"

MOKURENA_LIBRARY_ENTRIES(Unlha, UnlhaGetWriteTimeEx, backends::kLhaFormat)
