#include "settings/Associations.h"

#include "platform/Registry.h"
#include "platform/Shell.h"
#include "settings/ConfigRules.h"

namespace settings {

namespace {

// Opens or creates one key and sets its default value. A key that cannot be
// had ends the association here: with no key open, a later value could
// otherwise land in whatever key was open before.
void WriteDefaultValue(platform::RegistryKey& registry, const std::string& keyPath, const std::string& value) {
  if (!registry.OpenKey(keyPath, true)) {
    throw platform::RegistryError("レジストリキー \"HKEY_CLASSES_ROOT\\" + keyPath + "\" を開けません。");
  }
  registry.WriteString("", value);
}

}  // namespace

ShellNotifier DefaultShellNotifier() {
  return [] { platform::NotifyAssociationsChanged(); };
}

bool IsAssosiatedMeB(const std::string& ext, const std::string& exe) {
  platform::RegistryKey registry(platform::RegistryRoot::ClassesRoot, platform::kKeyAllAccess);
  const DefaultValueReader read = [&registry](const std::string& keyPath, std::string& value) {
    if (!registry.OpenKey(keyPath, false)) return false;
    value = registry.ReadString("");
    return true;
  };
  const std::string command = AssociatedOpenCommand(ext, read);
  registry.CloseKey();
  return OpenCommandNamesExe(command, exe);
}

void AssociatedMeB(const std::string& ext, const std::string& exe, const ShellNotifier& notify) {
  const std::string fileType = AssociationFileType(ext);
  {
    platform::RegistryKey registry(platform::RegistryRoot::ClassesRoot, platform::kKeyAllAccess);
    WriteDefaultValue(registry, AssociationExtensionKey(ext), fileType);
    WriteDefaultValue(registry, fileType, AssociationDisplayName(ext));
    WriteDefaultValue(registry, AssociationIconKey(fileType), AssociationIconValue(exe));
    WriteDefaultValue(registry, AssociationCommandKey(fileType), AssociationOpenCommand(exe));
  }
  if (notify) notify();
}

void AssociatedMe(const AssociationChoices& ticked, const std::string& exe, const ShellNotifier& notify) {
  for (std::size_t i = 0; i < kArchiveTypeCount; ++i) {
    if (ticked[i]) AssociatedMeB(kArchiveTypeExtensions[i], exe, notify);
  }
}

}  // namespace settings
