#include "backends/ZipRecords.h"

namespace backends {

bool ReadUnicodePath(const ZipExtraField& field, std::uint32_t& storedNameCrc, std::string& name) {
  // Version byte, CRC, then at least one byte of name.
  if (field.id != kZipExtraUnicodePath || field.length <= 5 || field.data[0] != 1) return false;
  storedNameCrc = get32(field.data + 1);
  name.assign(reinterpret_cast<const char*>(field.data + 5), field.length - 5);
  return true;
}

ZipRecordAt ReadCentralRecord(ByteSource& source, std::uint64_t at, std::uint64_t end, ZipCentralRecord& record) {
  const std::uint64_t left = end - at;
  const std::uint8_t* p = left >= 4 ? source.Bytes(at, 4) : nullptr;
  if (!p || get32(p) != kZipCentralSignature) return ZipRecordAt::kNone;
  if (left < kZipCentralSize || !(p = source.Bytes(at, kZipCentralSize))) return ZipRecordAt::kCut;
  record.versionMadeBy = get16(p + 4);
  record.flags = get16(p + 8);
  record.method = get16(p + 10);
  record.dosTime = get16(p + 12);
  record.dosDate = get16(p + 14);
  record.crc = get32(p + 16);
  record.compressedSize = get32(p + 20);
  record.originalSize = get32(p + 24);
  record.nameLength = get16(p + 28);
  record.extraLength = get16(p + 30);
  const std::size_t commentLength = get16(p + 32);
  record.externalAttributes = get32(p + 38);
  record.localOffset = get32(p + 42);
  record.size = kZipCentralSize + record.nameLength + record.extraLength + commentLength;
  if (record.size > left || !(p = source.Bytes(at, record.size))) return ZipRecordAt::kCut;
  record.name = p + kZipCentralSize;
  record.extra = record.name + record.nameLength;
  return ZipRecordAt::kWhole;
}

}  // namespace backends
