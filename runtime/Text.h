// Plain text rules of the GUI runtime, kept apart from any window so that
// they are tested on their own.
#pragma once

#include <string>
#include <vector>

namespace runtime {

// The access key of a caption: the character after a single "&" ("&&" is a
// literal ampersand), lower-cased when it is an ASCII letter; 0 when the
// caption has none. Double-byte characters are skipped whole, so a trail
// byte that happens to be "&" never counts.
char AccessKeyOf(const std::string& caption);

// True when the typed character ch selects a control with this caption.
bool MatchesAccessKey(const std::string& caption, char ch);

// "text|pattern|text|pattern" to the form the file dialogs expect:
// "text\0pattern\0text\0pattern\0\0". A "|" that is the trail byte of a
// double-byte character is kept.
std::string FilterToNulSeparated(const std::string& filter);

// Joins lines as a multi-line edit holds them: each line followed by CR LF,
// so that platform::SplitLines(JoinLines(x)) == x.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace runtime
