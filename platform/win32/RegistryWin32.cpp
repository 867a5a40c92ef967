// The Windows registry through the ANSI calls.
#include "platform/Registry.h"

#include <windows.h>

#include <vector>

namespace platform {

namespace {

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
  }
  return HKEY_CURRENT_USER;
}

std::string SubKey(const std::string& path) {
  // A leading "\" names the same key below the root.
  return !path.empty() && path[0] == '\\' ? path.substr(1) : path;
}

void Store(void* key, const std::string& name, DWORD type, const BYTE* data, DWORD size) {
  if (!key) throw RegistryError("レジストリ値 \"" + name + "\" を書き込むキーが開かれていません。");
  const LONG r = RegSetValueExA(static_cast<HKEY>(key), name.c_str(), 0, type, data, size);
  if (r != ERROR_SUCCESS) {
    throw RegistryError("レジストリ値 \"" + name + "\" を書き込めません。（エラー " + std::to_string(r) + "）");
  }
}

}  // namespace

RegistryKey::RegistryKey(RegistryRoot root, std::uint32_t access) : root_(root), access_(access) {}

RegistryKey::~RegistryKey() { CloseKey(); }

bool RegistryKey::OpenKey(const std::string& path, bool canCreate) {
  CloseKey();
  HKEY key = nullptr;
  const std::string subKey = SubKey(path);
  LONG r;
  if (canCreate) {
    r = RegCreateKeyExA(RootKey(root_), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_, nullptr, &key,
                        nullptr);
  } else {
    r = RegOpenKeyExA(RootKey(root_), subKey.c_str(), 0, access_, &key);
  }
  if (r != ERROR_SUCCESS) return false;
  key_ = key;
  return true;
}

void RegistryKey::CloseKey() {
  if (key_) RegCloseKey(static_cast<HKEY>(key_));
  key_ = nullptr;
}

bool RegistryKey::IsOpen() const { return key_ != nullptr; }

std::string RegistryKey::ReadString(const std::string& name) const {
  if (!key_) return std::string();
  HKEY key = static_cast<HKEY>(key_);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::string();
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    throw RegistryError("レジストリ値 \"" + name + "\" は文字列ではありません。");
  }
  // The value may grow between the two calls: ask again until it fits.
  std::vector<char> buffer;
  LONG r;
  do {
    buffer.assign(size + 1, '\0');
    size = static_cast<DWORD>(buffer.size() - 1);
    r = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
  } while (r == ERROR_MORE_DATA);
  if (r != ERROR_SUCCESS) return std::string();
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    throw RegistryError("レジストリ値 \"" + name + "\" は文字列ではありません。");
  }
  // The stored text ends at its first NUL, which the size usually counts.
  return std::string(buffer.data(), size).c_str();
}

void RegistryKey::WriteString(const std::string& name, const std::string& value) {
  Store(key_, name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
}

void RegistryKey::WriteInteger(const std::string& name, std::uint32_t value) {
  const DWORD data = value;
  Store(key_, name, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

void ResetSubstituteRegistry() {}

void SetSubstituteRegistryRefusesWrites(RegistryRoot, bool) {}

}  // namespace platform
