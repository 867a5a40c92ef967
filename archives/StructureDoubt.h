// Find-entry results of our own archiver libraries (backends/) for a listing
// that handed out every name it found but whose archive other extractors may
// read differently: a local entry no directory covers, a second directory,
// bounds or counts that disagree, another archive glued to this one. The
// caller must not take such a listing for all of the archive's members.
#pragma once

namespace archives {

constexpr int kDoubtUncoveredEntries = 0x8F01;
constexpr int kDoubtSecondDirectory = 0x8F02;
constexpr int kDoubtBounds = 0x8F03;
constexpr int kDoubtArchiveOutside = 0x8F04;
constexpr int kDoubtCounts = 0x8F05;
constexpr int kDoubtReadersDisagree = 0x8F06;

// The plain message for one of these results; nullptr for any other.
inline const char* StructureDoubtMessage(int code) {
  switch (code) {
    case kDoubtUncoveredEntries:
      return "the archive holds entries that its directory does not list; other extractors create them";
    case kDoubtSecondDirectory:
      return "the archive holds more than one directory or end record; extractors disagree on its members";
    case kDoubtBounds:
      return "the archive's directory bounds disagree with its records; extractors disagree on its members";
    case kDoubtArchiveOutside:
      return "data before or after the archive is itself an archive; extractors disagree on its members";
    case kDoubtCounts:
      return "the archive's entry counts disagree with its records; extractors disagree on its members";
    case kDoubtReadersDisagree:
      return "the archive's headers can be read in more than one way; extractors disagree on its members";
    default: return nullptr;
  }
}

}  // namespace archives
