// Listing of cabinets from their header, folder and file records alone.
//
// A cabinet starts with a header that counts its folders and files and gives
// where the file records begin; the folder records follow the header, and
// each file record names a member, its size, its DOS date, time and
// attributes, and the folder that holds its data. The data itself is never
// read. Names are kept as the cabinet's bytes (UTF-8 when the record says
// so, otherwise the code page of the machine that made it, Shift_JIS from
// Japanese Windows): NameText decodes them as it does every other format's.
// Every field is read from a range whose length was checked first; a record
// that runs past the end of the file, or names a folder the cabinet does not
// have, ends the listing with ReadResult::Damaged.
//
// Files that do not begin with a cabinet header (self-extracting cabinets)
// stay with libarchive (LibarchiveReader), which searches for the header.
#pragma once

#include <cstdint>
#include <memory>

#include "backends/ByteSource.h"
#include "backends/Member.h"

namespace backends {

class CabHeaderReader : public MemberReader {
 public:
  // source holds a cabinet header at its start, read by OpenCabHeaders.
  CabHeaderReader(std::unique_ptr<ByteSource> source, std::uint64_t firstFile, std::uint16_t files,
                  std::uint16_t folders)
      : source_(std::move(source)), offset_(firstFile), remaining_(files), folders_(folders) {}
  ReadResult Next(Member& member) override;

 private:
  std::unique_ptr<ByteSource> source_;
  std::uint64_t offset_;     // the next file record
  std::uint16_t remaining_;  // file records not read yet
  std::uint16_t folders_;
  bool damaged_ = false;
};

// The reader for a cabinet whose header (with its optional fields) is at the
// start of source and counts at least one folder and one file, or nullptr.
std::unique_ptr<MemberReader> OpenCabHeaders(std::unique_ptr<ByteSource> source);

}  // namespace backends
