// Whether bytes begin an archive or a compressed stream of a kind that some
// extractor opens: used to tell a self-extractor's stub or trailing padding
// from a second archive glued before or after the one listed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace backends {

// True when the bytes at p (size of them available) begin an archive: ZIP,
// 7z, RAR, cabinet, LHA, tar (ustar), gzip, bzip2, xz, zstd.
bool BeginsArchive(const std::uint8_t* p, std::size_t size);

// True when the bytes at p begin a compressed stream of a single file:
// gzip, bzip2, xz, zstd, compress.
bool BeginsCompressedStream(const std::uint8_t* p, std::size_t size);

}  // namespace backends
