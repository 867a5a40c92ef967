// Process environment variables (Win32: the process environment block, which
// started programs and loaded libraries see too).
#pragma once

#include <string>

namespace platform {

// The variable's value; empty when it is not set.
std::string GetEnvironmentValue(const std::string& name);

// Sets the variable, or removes it when value is empty.
void SetEnvironmentValue(const std::string& name, const std::string& value);

}  // namespace platform
