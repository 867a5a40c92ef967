// The file-type associations of the six archive types in HKEY_CLASSES_ROOT:
// the test whether an extension opens with this executable, and the writing
// of the four default values that make it so. Every operation opens its own
// registry object on the class root with KEY_ALL_ACCESS and closes it before
// it returns. Nothing is ever deleted.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "settings/SettingsFiles.h"

namespace settings {

// Tells the shell that associations changed (SHChangeNotify with
// SHCNE_ASSOCCHANGED and SHCNF_FLUSH unless a test puts its own).
using ShellNotifier = std::function<void()>;
ShellNotifier DefaultShellNotifier();

// One flag per archive type, in the order of kArchiveTypeExtensions (lzh,
// zip, cab, 7z, rar, gca).
using AssociationChoices = std::array<bool, kArchiveTypeCount>;

// True when the open command registered for ext (the default value of
// "<file type>\shell\open\command", where "." + ext names the file type)
// contains exe, compared without regard to case. A key that cannot be opened
// makes the type count as not associated. Throws platform::RegistryError for
// a default value that is not a string.
bool IsAssosiatedMeB(const std::string& ext, const std::string& exe);

// Writes the four default values of the association of ext with exe, in
// order: "." + ext, the file type "Qorbel" + ext + "File", its
// "\DefaultIcon" and its "\shell\open\command"; then notifies the shell.
// Throws platform::RegistryError when a key can be neither opened nor
// created or a value is refused; the values after it are then not written
// (never into another key) and the shell is not notified.
void AssociatedMeB(const std::string& ext, const std::string& exe, const ShellNotifier& notify);

// AssociatedMeB for every ticked type, in table order; a type that is not
// ticked is not touched. The first error ends the run: later types are left
// as they were.
void AssociatedMe(const AssociationChoices& ticked, const std::string& exe, const ShellNotifier& notify);

}  // namespace settings
