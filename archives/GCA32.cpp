#include "archives/GCA32.h"

namespace archives {

const LibraryInfo TGCA32::kLibrary{"GCA 形式書庫", "UnGCA32.DLL", "UnGCA"};

}  // namespace archives
