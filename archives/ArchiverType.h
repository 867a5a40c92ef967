// The archive formats the library knows.
#pragma once

#include <cstdint>

namespace archives {

enum TArchiverType : std::uint8_t {
  atLha,
  atZip,
  atCab,
  atArj,
  atTar,
  atTgz,
  atBZ2,
  atRar,
  atBga,
  atYz1,
  atGCA,
  atBel,
  at7z,
  atNone,
  atAutoDetect,
};

}  // namespace archives
