// What tests change in the platform layer: the code page the POSIX helpers
// use and the POSIX substitute registry. The product never calls these;
// platform/posix defines them, platform/win32 as calls that do nothing.
#pragma once

#include "platform/CodePage.h"
#include "platform/Registry.h"

namespace platform {

// POSIX: the helpers work in this code page until cleared. Win32 ignores it.
void OverrideCodePage(CodePage codePage);
void ClearCodePageOverride();

// POSIX substitute registry: forget every key.
void ResetSubstituteRegistry();

// POSIX substitute registry: refuse to create keys and store values under
// root, as Windows does without the rights to it. Reset clears it.
void SetSubstituteRegistryRefusesWrites(RegistryRoot root, bool refuses);

}  // namespace platform
