#include "tests/archives/ArchivesTestSupport.h"

#include "archives/ARJ32.h"
#include "archives/BGA32.h"
#include "archives/CAB32.h"
#include "archives/GCA32.h"
#include "archives/LHA32.h"
#include "archives/RAR32.h"
#include "archives/SZIP32.h"
#include "archives/TAR32.h"
#include "archives/YZ132.h"
#include "archives/ZIP32.h"

namespace archivetest {

void ForgetAllBindings() {
  using namespace archives;
  TLha32::FreeDLL();
  TArj32::FreeDLL();
  TZip32::FreeDLL();
  TCab32::FreeDLL();
  TTar32::FreeDLL();
  TRar32::FreeDLL();
  TBGA32::FreeDLL();
  TGCA32::FreeDLL();
  TYZ1::FreeDLL();
  TSevenZip32::FreeDLL();
}

}  // namespace archivetest
