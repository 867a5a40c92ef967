// What the scan tests share: where mokurena-scan is, its output split into
// lines, and a strict JSON reader to check --json with.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace scantest {

// mokurena-scan beside the test program (both are built into <build>/bin).
std::string ScanProgram();

// The lines of a program's output, without their LF or CR LF.
std::vector<std::string> OutputLines(const std::string& text);

// A JSON value as RFC 8259 has it. Strings hold UTF-8.
struct Json {
  enum class Type { Null, Boolean, Number, String, Array, Object } type = Type::Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  std::map<std::string, Json> members;
  std::vector<std::string> keys;  // in the order written, duplicates included

  bool Has(const std::string& key) const { return members.count(key) != 0; }
  const Json& operator[](const std::string& key) const;
  const Json& operator[](std::size_t index) const { return items.at(index); }
};

// Reads one JSON text; false with a reason for anything that is not strict
// JSON in UTF-8 (trailing text, raw control characters, bad escapes, lone
// surrogates, malformed UTF-8...).
bool ParseJson(const std::string& text, Json& value, std::string& error);

}  // namespace scantest
