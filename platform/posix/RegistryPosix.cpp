// The registry substitute for POSIX: one tree per root, held in memory for the
// life of the process. Key and value names are compared without regard to
// case, as in the Windows registry; the default value has the empty name.
#include "platform/Registry.h"

#include "platform/CodePage.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

namespace {

constexpr std::uint32_t kKeySetValue = 0x0002;  // KEY_SET_VALUE

enum class ValueType { String, Integer };

struct Value {
  ValueType type = ValueType::String;
  std::string text;
  std::uint32_t number = 0;
};

struct Node {
  std::map<std::string, std::unique_ptr<Node>> children;  // by folded name
  std::map<std::string, Value> values;                    // by folded name
};

struct Substitute {
  std::mutex mutex;
  std::map<RegistryRoot, Node> roots;
  std::map<RegistryRoot, bool> refusesWrites;
};

Substitute& TheRegistry() {
  static Substitute registry;
  return registry;
}

std::string Fold(const std::string& name) { return AnsiUpperCase(name); }

// An open key remembers its root and path, not a node, so that it stays safe
// when the tree is reset under it: it then finds nothing.
struct OpenKeyState {
  RegistryRoot root;
  std::vector<std::string> path;  // folded names
};

std::vector<std::string> SplitKeyPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (std::size_t pos = 0; pos < path.size();) {
    const std::size_t length = CharLength(path, pos);
    if (length == 1 && path[pos] == '\\') {
      if (!current.empty()) parts.push_back(Fold(current));
      current.clear();
    } else {
      current.append(path, pos, length);
    }
    pos += length;
  }
  if (!current.empty()) parts.push_back(Fold(current));
  return parts;
}

// Walks the path; creates missing keys when create is set. Caller holds the lock.
Node* Walk(Substitute& registry, const OpenKeyState& key, bool create) {
  Node* node = &registry.roots[key.root];
  for (const std::string& part : key.path) {
    auto it = node->children.find(part);
    if (it == node->children.end()) {
      if (!create) return nullptr;
      it = node->children.emplace(part, std::make_unique<Node>()).first;
    }
    node = it->second.get();
  }
  return node;
}

OpenKeyState* State(void* key) { return static_cast<OpenKeyState*>(key); }

void StoreValue(void* key, std::uint32_t access, RegistryRoot root, const std::string& name, const Value& value) {
  if (!key) throw RegistryError("No registry key is open to write \"" + name + "\"");
  if ((access & kKeySetValue) == 0) {
    throw RegistryError("The registry key is not open for writing \"" + name + "\"");
  }
  Substitute& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (registry.refusesWrites[root]) throw RegistryError("The registry refused to store \"" + name + "\"");
  Node* node = Walk(registry, *State(key), false);
  if (!node) throw RegistryError("The registry key of \"" + name + "\" no longer exists");
  node->values[Fold(name)] = value;
}

}  // namespace

RegistryKey::RegistryKey(RegistryRoot root, std::uint32_t access) : root_(root), access_(access) {}

RegistryKey::~RegistryKey() { CloseKey(); }

bool RegistryKey::OpenKey(const std::string& path, bool canCreate) {
  CloseKey();
  auto state = std::make_unique<OpenKeyState>();
  state->root = root_;
  state->path = SplitKeyPath(path);
  Substitute& registry = TheRegistry();
  {
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (canCreate && registry.refusesWrites[root_] && !Walk(registry, *state, false)) return false;
    if (!Walk(registry, *state, canCreate)) return false;
  }
  key_ = state.release();
  return true;
}

void RegistryKey::CloseKey() {
  delete State(key_);
  key_ = nullptr;
}

bool RegistryKey::IsOpen() const { return key_ != nullptr; }

std::string RegistryKey::ReadString(const std::string& name) const {
  if (!key_) return std::string();
  Substitute& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  Node* node = Walk(registry, *State(key_), false);
  if (!node) return std::string();
  const auto it = node->values.find(Fold(name));
  if (it == node->values.end()) return std::string();
  if (it->second.type != ValueType::String) {
    throw RegistryError("The registry value \"" + name + "\" is not a string");
  }
  return it->second.text;
}

void RegistryKey::WriteString(const std::string& name, const std::string& value) {
  Value v;
  v.type = ValueType::String;
  v.text = value;
  StoreValue(key_, access_, root_, name, v);
}

void RegistryKey::WriteInteger(const std::string& name, std::uint32_t value) {
  Value v;
  v.type = ValueType::Integer;
  v.number = value;
  StoreValue(key_, access_, root_, name, v);
}

void ResetSubstituteRegistry() {
  Substitute& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.roots.clear();
  registry.refusesWrites.clear();
}

void SetSubstituteRegistryRefusesWrites(RegistryRoot root, bool refuses) {
  Substitute& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.refusesWrites[root] = refuses;
}

}  // namespace platform
