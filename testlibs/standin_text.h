// Fields of the stand-ins' call log and of the stand-in archiver's records.
//
// A log line or record is a list of fields separated by TAB and ended by LF.
// Texts are escaped so that a field never holds a TAB, CR or LF: "\t", "\n",
// "\r", "\\", "\xHH" (upper-case hex) for every other byte below 0x20 and for
// 0x7F. Other bytes, those of multibyte characters included, are kept as they
// are. A null text pointer is written as "\N" and decoded as kNullText.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

// What a field written for a null text pointer decodes to: one NUL character,
// which no logged text can hold (logged texts end at their first NUL).
extern const char* const kNullTextField;  // "\\N"
std::string NullText();

std::string EscapeField(const std::string& text);

// Escapes a NUL-terminated text; nullptr gives kNullTextField.
std::string EscapeTextArgument(const char* text);

// Decodes one escaped field. Returns false for a malformed escape (a lone
// backslash, an unknown letter, bad hex digits); text is then unspecified.
bool UnescapeField(const std::string& field, std::string& text);

// A pointer or handle as lower-case hex with "0x"; nullptr as "0".
std::string PointerField(const void* pointer);

// A number as lower-case hex with "0x"; 0 as "0x0".
std::string HexField(std::uint64_t value);

// Splits a line (without its LF) at every TAB.
std::vector<std::string> SplitFields(const std::string& line);

// Appends one line (LF added here) to the file at path: open, write, close.
// Returns false when the file cannot be opened or written.
bool AppendLine(const std::string& path, const std::string& line);

}  // namespace standin
