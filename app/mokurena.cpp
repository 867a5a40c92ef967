// mokurena.exe: one run per start. The application window stays hidden, the
// main form is created and does the run while it is being created, then the
// message loop handles what is pending and the process ends. An error that
// leaves the run is shown in the error box first.
#include <windows.h>

#include <memory>

#include "app/Arguments.h"
#include "app/unit1.h"
#include "platform/DynamicLibrary.h"
#include "runtime/Application.h"

int main() {
  // Before anything loads a library: the current folder is usually the
  // folder of the archive being opened.
  platform::KeepCurrentFolderOutOfLibrarySearch();
  std::unique_ptr<app::TfrmQorbelMain> frmQorbelMain;
  const int status = runtime::RunApplication([&frmQorbelMain] {
    runtime::Application::SetTitle("Mokurena");
    frmQorbelMain = std::make_unique<app::TfrmQorbelMain>(app::ProgramArguments(GetCommandLineA()));
  });
  frmQorbelMain.reset();
  return status;
}
