// What the settings dialog decides, as plain functions: the extension that
// the add prompt yields, the list order after an add, the default watch list,
// and the texts of the file-type associations and their test.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace settings {

// "bat", "exe", "pif", "scr", in this order.
std::vector<std::string> DefaultWatchList();

// The extension made from an answer of the add prompt: every "." removed,
// lower-cased (code-page aware), then trimmed of blanks and control
// characters. ".EXE " gives "exe", "tar.gz" "targz", "..." the empty text
// (which adds nothing).
std::string NormalizeAddedExtension(const std::string& answer);

// The items in the order a sorted list box gives them when they are added to
// it one after another: ascending, without regard to case (locale-aware).
// Like the list control, each item goes where a binary search over the items
// already placed finds it; meeting an equal item puts it at that place, so
// items that compare equal do not keep their order.
std::vector<std::string> SortLikeListBox(const std::vector<std::string>& items);

// The watch list after the add prompt was answered with answer (the empty
// text for Cancel): the normalised extension appended unless it is empty,
// then the whole list sorted like the list box, in every case.
std::vector<std::string> AddToWatchList(std::vector<std::string> items, const std::string& answer);

// Where browsing for an archiver program starts from the text current of an
// edit field: when current names an existing file, the result stays current
// until a file is chosen and the file-open dialog opens in that file's
// folder; otherwise the result starts empty and the dialog opens in the
// system's default folder (initialFolder empty).
struct ArchiverBrowseStart {
  std::string result;
  std::string initialFolder;
};
ArchiverBrowseStart GetArchiverpathStart(const std::string& current);

// Registry texts of the association of one extension ext (lower case, no dot)
// with the executable exe.
std::string AssociationExtensionKey(const std::string& ext);     // "." + ext
std::string AssociationFileType(const std::string& ext);         // "Qorbel" + ext + "File"
std::string AssociationDisplayName(const std::string& ext);      // ext + "File"
std::string AssociationIconKey(const std::string& fileType);     // fileType + "\DefaultIcon"
std::string AssociationCommandKey(const std::string& fileType);  // ... "\shell\open\command"
std::string AssociationIconValue(const std::string& exe);        // "exe",0
std::string AssociationOpenCommand(const std::string& exe);      // "exe" "%1"

// Marker of a registry value that was not found in the association test.
extern const char kAssociationNotFound[];

// Reads the default value of a key below HKEY_CLASSES_ROOT: false when the key
// cannot be opened; a key without a default value gives the empty text.
using DefaultValueReader = std::function<bool(const std::string& keyPath, std::string& value)>;

// The open command registered for ext: the default value of "." + ext names
// the file type, whose "\shell\open\command" key holds the command.
// kAssociationNotFound when either key cannot be opened or the file type is
// literally that marker.
std::string AssociatedOpenCommand(const std::string& ext, const DefaultValueReader& read);

// True when value (an open command) contains exe anywhere, without regard to
// case. The not-found marker and an empty exe never count.
bool OpenCommandNamesExe(const std::string& value, const std::string& exe);

}  // namespace settings
