// The main form: never shown, it owns what a run creates and gives the
// message boxes, the archiver library and the program start an owner window.
// Creating it does the whole run (FormCreate): the settings dialog without an
// argument, the archive check with one, nothing with more.
#pragma once

#include <string>
#include <vector>

#include "app/CheckRun.h"
#include "runtime/Control.h"
#include "runtime/Form.h"

namespace app {

class TfrmQorbelMain : public runtime::Form {
 public:
  // arguments: the command-line arguments after the program name
  // (ProgramArguments). Runs FormCreate; an error of the run leaves the
  // constructor.
  explicit TfrmQorbelMain(const std::vector<std::string>& arguments);

  runtime::Panel& Panel;

 private:
  void FormCreate(const std::vector<std::string>& arguments);
  void PanelClick();

  void RunCheck(const std::string& path);
  // Lists the archive into check; false when it does not open.
  bool ListMembers(const std::string& path, MemberCheck& check);
  void PassToArchiver(const std::string& path);
};

}  // namespace app
