// UNZIP32.DLL: ZIP, listed from the central directory
#include "backends/Entries.h"

MOKURENA_LIBRARY_ENTRIES(UnZip, UnzipGetWriteTimeEx, backends::kZipFormat)
