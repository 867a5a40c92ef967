// Time conversion for member records.
#pragma once

#include <cstdint>

namespace platform {

// Converts an MS-DOS date and time, read as local time, to a UTC file time
// (100-nanosecond intervals since 1601-01-01), as DosDateTimeToFileTime then
// LocalFileTimeToFileTime do. Returns false and leaves result alone when
// either step fails (an impossible date, for instance). POSIX: the local zone
// is read once per process, when the first conversion runs (tzset); a later
// change of TZ counts only once tzset is called again.
bool DosDateTimeToUtcFileTime(std::uint16_t dosDate, std::uint16_t dosTime, std::uint64_t& result);

}  // namespace platform
