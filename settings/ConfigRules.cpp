#include "settings/ConfigRules.h"

#include <algorithm>

#include "platform/CodePage.h"

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

std::vector<std::string> SortLikeListBox(std::vector<std::string> items) {
  std::stable_sort(items.begin(), items.end(), [](const std::string& a, const std::string& b) {
    return platform::AnsiCompareText(a, b) < 0;
  });
  return items;
}

std::string AssociationExtensionKey(const std::string& ext) { return "." + ext; }

std::string AssociationFileType(const std::string& ext) { return "Qorbel" + ext + "File"; }

std::string AssociationDisplayName(const std::string& ext) { return ext + "File"; }

std::string AssociationIconKey(const std::string& fileType) {
  return fileType + "\\DefaultIcon";
}

std::string AssociationCommandKey(const std::string& fileType) {
  return fileType + "\\shell\\open\\command";
}

std::string AssociationIconValue(const std::string& exe) { return "\"" + exe + "\",0"; }

std::string AssociationOpenCommand(const std::string& exe) {
  return "\"" + exe + "\" \"%1\"";
}

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
