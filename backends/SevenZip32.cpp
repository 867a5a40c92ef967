// 7-zip32.dll: 7z
#include "backends/Entries.h"

MOKURENA_LIBRARY_ENTRIES(SevenZip, SevenZipGetWriteTimeEx, backends::kSevenZipFormat)
