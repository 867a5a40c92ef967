// The library loaded by the dynamic-library tests.
#ifdef _WIN32
#define PLATTEST_EXPORT __declspec(dllexport)
#else
#define PLATTEST_EXPORT __attribute__((visibility("default")))
#endif

extern "C" PLATTEST_EXPORT int PlatTestAnswer(int x) { return 2 * x + 1; }
