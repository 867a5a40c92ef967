#include "settings/IniFile.h"

#include "platform/CodePage.h"

namespace settings {

namespace {

const char kLineEnd[] = "\r\n";

// Position of the first character of text that is the single-byte character
// ch, stepping character by character so that a trail byte never counts.
std::size_t FindCharacter(const std::string& text, char ch) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == ch) return pos;
    std::size_t length = platform::CharLength(text, pos);
    pos += length == 0 ? 1 : length;
  }
  return std::string::npos;
}

bool IsSectionLine(const std::string& line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

}  // namespace

IniFile IniFile::Parse(const std::string& bytes) {
  IniFile file;
  for (const std::string& raw : platform::SplitLines(bytes)) {
    std::string line = platform::TrimText(raw);
    if (line.empty() || line.front() == ';') continue;
    if (IsSectionLine(line)) {
      file.sections_.push_back(Section{platform::TrimText(line.substr(1, line.size() - 2)), {}});
      continue;
    }
    if (file.sections_.empty()) continue;  // before the first section
    std::vector<Line>& lines = file.sections_.back().lines;
    std::size_t equals = FindCharacter(line, '=');
    if (equals == std::string::npos) {
      lines.push_back(Line{false, line, std::string()});
    } else {
      lines.push_back(
          Line{true, platform::TrimText(line.substr(0, equals)), platform::TrimText(line.substr(equals + 1))});
    }
  }
  return file;
}

const IniFile::Section* IniFile::FindSection(const std::string& name) const {
  for (const Section& section : sections_) {
    if (platform::AnsiSameText(section.name, name)) return &section;
  }
  return nullptr;
}

IniFile::Section* IniFile::FindSection(const std::string& name) {
  return const_cast<Section*>(static_cast<const IniFile*>(this)->FindSection(name));
}

const IniFile::Line* IniFile::FindEntry(const std::string& section, const std::string& key) const {
  const Section* found = FindSection(section);
  if (found == nullptr) return nullptr;
  for (const Line& line : found->lines) {
    if (line.isEntry && platform::AnsiSameText(line.text, key)) return &line;
  }
  return nullptr;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
  const Line* entry = FindEntry(section, key);
  return entry == nullptr ? defaultValue : entry->value;
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
  return FindEntry(section, key) != nullptr;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  Section* target = FindSection(section);
  if (target == nullptr) {
    sections_.push_back(Section{section, {}});
    target = &sections_.back();
  }
  for (Line& line : target->lines) {
    if (line.isEntry && platform::AnsiSameText(line.text, key)) {
      line = Line{true, key, value};
      return;
    }
  }
  target->lines.push_back(Line{true, key, value});
}

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& section : sections_) names.push_back(section.name);
  return names;
}

std::string IniFile::ToBytes() const {
  std::string bytes;
  for (const Section& section : sections_) {
    bytes += "[" + section.name + "]" + kLineEnd;
    for (const Line& line : section.lines) bytes += line.Render() + kLineEnd;
    bytes += kLineEnd;
  }
  return bytes;
}

}  // namespace settings
