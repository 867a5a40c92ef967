// The second half of a ZIP listing: one forward pass over the local headers,
// checked against the central directory while it is read.
//
// Extractors do not agree on where a ZIP's members are: streaming ones walk
// the local headers from the front, others trust the central directory found
// from the last end record, others scan for signatures. The pass finds every
// name one of them could create (a local name that differs from the central
// one, a local entry no central record covers, the records of a second
// directory, an archive glued before this one) and says whether the archive
// can be read in more than one way (archives/StructureDoubt.h).
//
// Memory: a central directory in the order of the local headers (what every
// writer produces) costs nothing; local headers met before the central record
// that claims them are remembered until it comes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "backends/ByteSource.h"

namespace backends {

struct ZipLayout;

// What the pass needs of one central record.
struct ZipCentralEntry {
  std::uint64_t localOffset = 0;     // as stored: relative to the archive's start
  std::uint64_t compressedSize = 0;  // ZIP64 value when there is one
  std::uint16_t flags = 0;
  const std::uint8_t* name = nullptr;  // the stored name's bytes
  std::size_t nameLength = 0;
};

class ZipLocalPass {
 public:
  // source: a second reader of the same bytes, so that the two passes each
  // keep their own window.
  ZipLocalPass(std::unique_ptr<ByteSource> source, const ZipLayout& layout);

  // The local entry of one central record; names that extractors could give
  // it besides the central ones are appended to names.
  void Check(const ZipCentralEntry& entry, std::vector<std::string>& names);
  // After the last central record (the directory read to its end): what lies
  // between and around the entries.
  void Finish(std::vector<std::string>& names);

  // 0, or the first structural doubt found.
  int Doubt() const { return doubt_; }

 private:
  // A local header:
  //    0 signature      4 version needed   6 flags           8 method
  //   10 DOS time      12 DOS date        14 CRC-32         18 compressed size
  //   22 original size                    26 name length    28 extra length
  //   30 name, extra block
  struct LocalEntry {
    const std::uint8_t* name = nullptr;  // into the window: valid until the next read
    std::size_t nameLength = 0;
    std::string unicodeName;  // from a local Unicode path field; empty if none
    std::uint64_t dataStart = 0;
    bool sizeKnown = false;  // the local header states the data's size
    std::uint64_t compressedSize = 0;
  };
  bool ReadLocal(std::uint64_t at, LocalEntry& entry);
  // Looks for local headers (kept in unclaimed_) and the records of other
  // directories (their names kept in stray_) between from and to.
  void ScanGap(std::uint64_t from, std::uint64_t to);
  void Raise(int code) {
    if (doubt_ == 0) doubt_ = code;
  }

  std::unique_ptr<ByteSource> source_;
  const ZipLayout& layout_;
  std::uint64_t expected_ = 0;  // where the next local entry begins, in file order
  bool started_ = false;
  // Local headers found in gaps and not yet claimed by a central record.
  std::map<std::uint64_t, std::vector<std::string>> unclaimed_;
  std::vector<std::string> stray_;  // names of central records outside the directory
  int doubt_ = 0;
};

// The names of the central records from start on, up to end, appended to
// names (stored name and Unicode path name): a directory not the one listed.
// Returns where the records stop.
std::uint64_t CentralRecordNames(ByteSource& source, std::uint64_t start, std::uint64_t end,
                                 std::vector<std::string>& names);

}  // namespace backends
