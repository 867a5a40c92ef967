// Listing through libarchive, for every family but ZIP.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "backends/Formats.h"
#include "backends/Member.h"

struct archive;

namespace backends {

class LibarchiveReader : public MemberReader {
 public:
  // nullptr unless the first member header of the archive can be read (the
  // reader then hands that member out first).
  static std::unique_ptr<LibarchiveReader> Open(Family family, const std::string& path);
  ~LibarchiveReader() override;
  LibarchiveReader(const LibarchiveReader&) = delete;
  LibarchiveReader& operator=(const LibarchiveReader&) = delete;

  ReadResult Next(Member& member) override;

 private:
  LibarchiveReader(Family family, std::string path) : family_(family), path_(std::move(path)) {}
  bool OpenAttempt(std::size_t attempt, bool single);
  bool Reopen();
  ReadResult ReadHeader(Member& member);
  void Close();

  Family family_;
  std::string path_;
  archive* archive_ = nullptr;
  std::size_t attempt_ = 0;
  bool single_ = false;  // a single compressed file, not an archive
  std::uint64_t handedOut_ = 0;
  Member pending_;
  bool hasPending_ = false;
  // A single compressed file's other names, handed out after its member.
  std::vector<std::string> otherNames_;
};

}  // namespace backends
