#include "backends/LibarchiveApi.h"

#include <dlfcn.h>

namespace backends {

const LibarchiveApi* Libarchive() {
  // Loaded once (thread-safe), freed when the library holding it unloads.
  static const struct Loaded {
    void* handle = nullptr;
    LibarchiveApi api;
    bool complete = false;
    Loaded() {
      handle = dlopen(MOKURENA_LIBARCHIVE_SONAME, RTLD_NOW | RTLD_LOCAL);
      if (!handle) return;
      complete = true;
#define MOKURENA_LIBARCHIVE_BIND(name)                                   \
  api.name = reinterpret_cast<decltype(api.name)>(dlsym(handle, #name)); \
  if (!api.name) complete = false;
      MOKURENA_LIBARCHIVE_FUNCTIONS(MOKURENA_LIBARCHIVE_BIND)
#undef MOKURENA_LIBARCHIVE_BIND
    }
    ~Loaded() {
      if (handle) dlclose(handle);
    }
  } loaded;
  return loaded.complete ? &loaded.api : nullptr;
}

}  // namespace backends
