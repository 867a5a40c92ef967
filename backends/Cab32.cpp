// CAB32.DLL: cabinet
#include "backends/Entries.h"

MOKURENA_LIBRARY_ENTRIES(Cab, CabGetWriteTimeEx, backends::kCabFormat)
