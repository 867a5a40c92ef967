#include "settings/ConfigRules.h"

#include <cstddef>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace settings {

const char kAssociationNotFound[] = "error";

std::vector<std::string> DefaultWatchList() { return {"bat", "exe", "pif", "scr"}; }

std::string NormalizeAddedExtension(const std::string& answer) {
  std::string withoutDots;
  withoutDots.reserve(answer.size());
  std::size_t pos = 0;
  while (pos < answer.size()) {
    std::size_t length = platform::CharLength(answer, pos);
    if (length == 0) length = 1;
    if (!(length == 1 && answer[pos] == '.')) withoutDots.append(answer, pos, length);
    pos += length;
  }
  return platform::TrimText(platform::AnsiLowerCase(withoutDots));
}

std::vector<std::string> SortLikeListBox(const std::vector<std::string>& items) {
  std::vector<std::string> sorted;
  sorted.reserve(items.size());
  for (const std::string& item : items) {
    // Binary search over the placed items, from the middle of the whole
    // range (rounded down) as the list control does.
    std::ptrdiff_t low = 0;
    std::ptrdiff_t high = static_cast<std::ptrdiff_t>(sorted.size()) - 1;
    while (low <= high) {
      const std::ptrdiff_t middle = (low + high) / 2;
      const int order = platform::AnsiCompareText(sorted[static_cast<std::size_t>(middle)], item);
      if (order == 0) {
        low = middle;
        break;
      }
      if (order > 0) {
        high = middle - 1;
      } else {
        low = middle + 1;
      }
    }
    sorted.insert(sorted.begin() + low, item);
  }
  return sorted;
}

std::vector<std::string> AddToWatchList(std::vector<std::string> items, const std::string& answer) {
  const std::string extension = NormalizeAddedExtension(answer);
  if (!extension.empty()) items.push_back(extension);
  return SortLikeListBox(items);
}

ArchiverBrowseStart GetArchiverpathStart(const std::string& current) {
  ArchiverBrowseStart start;
  if (platform::FileExists(current)) {
    start.result = current;
    start.initialFolder = platform::ExtractFilePath(current);
  }
  return start;
}

std::string AssociationExtensionKey(const std::string& ext) { return "." + ext; }

std::string AssociationFileType(const std::string& ext) { return "Qorbel" + ext + "File"; }

std::string AssociationDisplayName(const std::string& ext) { return ext + "File"; }

std::string AssociationIconKey(const std::string& fileType) { return fileType + "\\DefaultIcon"; }

std::string AssociationCommandKey(const std::string& fileType) { return fileType + "\\shell\\open\\command"; }

std::string AssociationIconValue(const std::string& exe) { return "\"" + exe + "\",0"; }

std::string AssociationOpenCommand(const std::string& exe) { return "\"" + exe + "\" \"%1\""; }

std::string AssociatedOpenCommand(const std::string& ext, const DefaultValueReader& read) {
  std::string value;
  if (!read(AssociationExtensionKey(ext), value)) return kAssociationNotFound;
  if (value == kAssociationNotFound) return kAssociationNotFound;
  std::string command;
  if (!read(AssociationCommandKey(value), command)) return kAssociationNotFound;
  return command;
}

bool OpenCommandNamesExe(const std::string& value, const std::string& exe) {
  if (value == kAssociationNotFound || exe.empty()) return false;
  return platform::AnsiContainsText(value, exe);
}

}  // namespace settings
