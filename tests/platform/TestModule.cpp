// The library loaded by the dynamic-library and limited-run tests.
#include <new>

#ifdef _WIN32
#define PLATTEST_EXPORT __declspec(dllexport)
#else
#define PLATTEST_EXPORT __attribute__((visibility("default")))
#endif

extern "C" PLATTEST_EXPORT int PlatTestAnswer(int x) { return 2 * x + 1; }

// Takes blocks of 1 MiB with this library's own operator new until count are
// taken or one fails, gives them back and says how many it got: a failed
// allocation that the library handles itself.
extern "C" PLATTEST_EXPORT unsigned long PlatTestTakeMiB(unsigned long count) {
  void* last = nullptr;  // the blocks are a list through their first bytes
  unsigned long taken = 0;
  for (; taken < count; ++taken) {
    char* block = new (std::nothrow) char[1 << 20];
    if (!block) break;
    *reinterpret_cast<void**>(block) = last;
    last = block;
  }
  while (last) {
    char* block = static_cast<char*>(last);
    last = *reinterpret_cast<void**>(block);
    delete[] block;
  }
  return taken;
}
