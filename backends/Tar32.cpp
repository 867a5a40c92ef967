// TAR32.DLL: tar, cpio and ar, plain or under gzip, compress or bzip2, and single compressed files
#include "backends/Entries.h"

MOKURENA_LIBRARY_ENTRIES(Tar, TarGetWriteTimeEx, backends::kTarFormat)
