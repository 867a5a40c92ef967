// A compressed file (gzip, bzip2, xz, lzma, zstd, compress) is also the file
// it decompresses to: gunzip and its kin write the file's own name without
// the compression suffix, or, asked to (gunzip -N), the name stored in the
// gzip header. Both are names an extractor gives the content.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "backends/Member.h"

namespace backends {

// The names of the decompressed file: the file name at path (its last part)
// without a compression suffix (".tgz" and its kin become ".tar"), then the
// last part of the gzip header's stored name; each once, none empty. head
// holds the file's first bytes (the gzip header), size of them.
std::vector<std::string> DecompressedNames(const std::string& path, const std::uint8_t* head, std::size_t size);

// Hands out names (each as a member with nothing but its name) before the
// members of an inner reader.
class NamesFirstReader : public MemberReader {
 public:
  NamesFirstReader(std::vector<std::string> names, std::unique_ptr<MemberReader> inner)
      : names_(std::move(names)), inner_(std::move(inner)) {}
  ReadResult Next(Member& member) override;
  int Doubt() const override { return inner_ ? inner_->Doubt() : 0; }

 private:
  std::vector<std::string> names_;
  std::size_t next_ = 0;
  std::unique_ptr<MemberReader> inner_;
};

}  // namespace backends
