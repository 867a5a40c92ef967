// An INI file held in memory: read from bytes, changed, written back as bytes.
//
// Reading: lines end at CR LF, a lone CR or a lone LF. Every line is trimmed of
// blanks and control characters; empty lines and lines beginning with ";" are
// dropped. "[name]" starts a section (name trimmed); lines before the first
// section are dropped. In a section, "name=value" is an entry split at the
// first "=", both parts trimmed; any other line is kept as it is (trimmed) and
// names no key. Section and key names match without regard to case; values
// keep any quotes. Bytes that are not valid text (NUL, stray lead bytes) are
// kept as ordinary bytes: nothing is dropped after them.
//
// Writing: every section in order as "[name]", its lines, one empty line; all
// lines end in CR LF. Comments and blank lines of the read text are gone.
#pragma once

#include <string>
#include <vector>

namespace settings {

class IniFile {
 public:
  IniFile() = default;

  // Reads the text of an INI file. Never fails: any bytes give some content.
  static IniFile Parse(const std::string& bytes);

  // The value of key in section, or defaultValue when the section or the key
  // is missing. The first matching section and the first matching key win.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue = std::string()) const;

  bool ValueExists(const std::string& section, const std::string& key) const;

  // Sets key in section to value: an existing entry (case-blind) is replaced
  // in place, a missing one is appended at the end of the section, a missing
  // section is appended at the end of the file. key and section are written
  // in the letter case given here.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);

  // Section names in file order (duplicates included).
  std::vector<std::string> SectionNames() const;

  // The whole file as it is written: CR LF line ends, no byte-order mark.
  std::string ToBytes() const;

 private:
  // A line of a section: an entry (name and value) or a line without "=",
  // kept in text.
  struct Line {
    bool isEntry;
    std::string text;  // the key name of an entry, else the whole line
    std::string value;
    std::string Render() const { return isEntry ? text + "=" + value : text; }
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };

  const Line* FindEntry(const std::string& section, const std::string& key) const;

  const Section* FindSection(const std::string& name) const;
  Section* FindSection(const std::string& name);

  std::vector<Section> sections_;
};

}  // namespace settings
