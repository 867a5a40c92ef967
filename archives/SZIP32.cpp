#include "archives/SZIP32.h"

namespace archives {

const LibraryInfo TSevenZip32::kLibrary{"7z 形式書庫", "7-zip32.dll", "SevenZip"};

}  // namespace archives
