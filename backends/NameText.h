// Member names as the records carry them: text of the process's narrow code
// page, folders separated by "\", at most 512 bytes.
#pragma once

#include <cstddef>
#include <string>

namespace backends {

constexpr std::size_t kMaxRecordName = 512;  // the record's 513 bytes hold a NUL too

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(const char* text, std::size_t size);

// Decodes an archive's name bytes to UTF-16. Well-formed UTF-8 is read as
// UTF-8; anything else as Shift_JIS (code page 932), the code page of names
// written on Japanese Windows, each undecodable byte giving "?".
std::u16string DecodeArchiveName(const std::string& bytes);

// The name for the record: cut at its first NUL, decoded, "/" turned into
// "\", converted to the active narrow code page, and shortened to
// kMaxRecordName bytes when longer (see ShortenName).
std::string RecordName(const std::string& bytes);
// The same into out, reusing its storage: one member after another.
void RecordName(const std::string& bytes, std::string& out);

// Shortens narrow text to at most maxBytes bytes, cutting only between
// characters of the active code page. The end of the name is kept, since the
// extension decides what a member is: the first part and the last part
// (about a quarter of maxBytes, the whole extension included) are joined by
// "...". Trailing dots and blanks are set aside first (a few are put back),
// so the kept end holds the extension the file would get. Text that fits is
// returned unchanged.
std::string ShortenName(const std::string& text, std::size_t maxBytes = kMaxRecordName);

// DOS-style wildcard match of a member name, blind to case as the code page
// sees it: "*" any run of characters, "?" one character. "*" and "*.*" match
// every name; a pattern without "\" is matched against the last part of the
// name only.
bool MatchWildcard(const std::string& pattern, const std::string& name);

}  // namespace backends
