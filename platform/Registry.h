// The registry. Win32: the real one (RegCreateKeyExA, RegOpenKeyExA,
// RegQueryValueExA, RegSetValueExA). POSIX: a substitute held in memory for the
// life of the process, enough for the settings code and its tests.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine };

constexpr std::uint32_t kKeyRead = 0x20019;       // KEY_READ
constexpr std::uint32_t kKeyAllAccess = 0xF003F;  // KEY_ALL_ACCESS

// A value that cannot be read (wrong type) or written.
class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One open key at a time under a fixed root, as the toolkit's registry object.
class RegistryKey {
 public:
  RegistryKey(RegistryRoot root, std::uint32_t access);
  ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens the key at path below the root, closing any key opened before.
  // With canCreate a missing key is created. False when it cannot be opened;
  // no key is then open.
  bool OpenKey(const std::string& path, bool canCreate);
  void CloseKey();
  bool IsOpen() const;

  // A string value of the open key; name empty = the default value. A missing
  // value reads as the empty text; REG_EXPAND_SZ is read unexpanded; any other
  // type throws RegistryError.
  std::string ReadString(const std::string& name) const;

  // Writes a REG_SZ value into the open key; throws RegistryError when the
  // registry refuses it or no key is open.
  void WriteString(const std::string& name, const std::string& value);

  // Writes a REG_DWORD value, as WriteString otherwise (tests use it to put a
  // value of another type where a string is expected).
  void WriteInteger(const std::string& name, std::uint32_t value);

 private:
  RegistryRoot root_;
  std::uint32_t access_;
  void* key_ = nullptr;
};

}  // namespace platform
