#include "RarWriter.h"

#include "ArchiveTools.h"
#include "backends/ZipCentralDirectory.h"

namespace backends_test {
namespace {

std::uint32_t Crc(const std::string& bytes) {
  return backends::Crc32(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

void PutVint(std::string& out, std::uint64_t v) {
  do {
    std::uint8_t b = v & 0x7F;
    v >>= 7;
    if (v) b |= 0x80;
    out.push_back(static_cast<char>(b));
  } while (v);
}

// RAR 4 block: CRC16 (low half of the CRC-32 of everything after it), then the rest.
std::string Rar4Block(std::uint8_t type, std::uint16_t flags, const std::string& body) {
  std::string head;
  head.push_back(static_cast<char>(type));
  Put16(head, flags);
  Put16(head, static_cast<std::uint32_t>(2 + 1 + 2 + 2 + body.size()));
  head += body;
  std::string block;
  Put16(block, Crc(head) & 0xFFFF);
  return block + head;
}

// RAR 5 header: CRC-32, size, then type, flags and the fields.
std::string Rar5Header(const std::string& fields) {
  std::string sized;
  PutVint(sized, fields.size());
  sized += fields;
  std::string header;
  Put32(header, Crc(sized));
  return header + sized;
}

}  // namespace

std::string MakeRar4(const std::vector<RarMember>& members, bool unicodeNames, bool encryptedHeaders) {
  std::string out("Rar!\x1A\x07\x00", 7);
  std::string main;
  Put16(main, 0);
  Put32(main, 0);
  out += Rar4Block(0x73, encryptedHeaders ? 0x0080 : 0x0000, main);
  if (encryptedHeaders) {
    out += std::string(64, '\x5A');  // what follows is ciphertext to a reader without the key
    return out;
  }
  for (const RarMember& m : members) {
    std::string body;
    Put32(body, static_cast<std::uint32_t>(m.data.size()));  // packed size
    Put32(body, static_cast<std::uint32_t>(m.data.size()));  // unpacked size
    body.push_back(2);                                       // host: Windows
    Put32(body, Crc(m.data));
    Put32(body, (41u << 25) | (6u << 21) | (15u << 16) | (12u << 11) | (34u << 5) | (56u / 2));
    body.push_back(29);    // version needed
    body.push_back(0x30);  // stored
    Put16(body, static_cast<std::uint32_t>(m.name.size()));
    Put32(body, m.directory ? 0x10 : 0x20);
    body += m.name;
    std::uint16_t flags = 0x8000;
    if (unicodeNames) flags |= 0x0200;
    if (m.directory) flags |= 0x00E0;
    out += Rar4Block(0x74, flags, body);
    out += m.data;
  }
  out += Rar4Block(0x7B, 0x4000, std::string());
  return out;
}

std::string MakeRar5(const std::vector<RarMember>& members, bool encryptedHeaders) {
  std::string out("Rar!\x1A\x07\x01\x00", 8);
  if (encryptedHeaders) {
    std::string fields;
    PutVint(fields, 4);                 // archive encryption header
    PutVint(fields, 0);                 // header flags
    PutVint(fields, 0);                 // AES-256
    PutVint(fields, 0);                 // no password check value
    fields.push_back(15);               // KDF count
    fields += std::string(16, '\x11');  // salt
    out += Rar5Header(fields);
    out += std::string(64, '\x5A');
    return out;
  }
  std::string main;
  PutVint(main, 1);  // main archive header
  PutVint(main, 0);
  PutVint(main, 0);  // archive flags
  out += Rar5Header(main);
  for (const RarMember& m : members) {
    std::string fields;
    PutVint(fields, 2);       // file header
    PutVint(fields, 0x0002);  // a data area follows
    PutVint(fields, m.data.size());
    PutVint(fields, (m.directory ? 0x0001 : 0) | 0x0002 | 0x0004);  // folder, time, CRC
    PutVint(fields, m.data.size());
    PutVint(fields, m.directory ? 0x10 : 0x20);
    Put32(fields, 1623760496);  // 2021-06-15 12:34:56 UTC
    Put32(fields, Crc(m.data));
    PutVint(fields, 0);  // version 0, stored
    PutVint(fields, 0);  // host: Windows
    PutVint(fields, m.name.size());
    fields += m.name;
    out += Rar5Header(fields);
    out += m.data;
  }
  std::string end;
  PutVint(end, 5);
  PutVint(end, 0);
  PutVint(end, 0);
  out += Rar5Header(end);
  return out;
}

}  // namespace backends_test
