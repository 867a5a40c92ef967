// libFuzzer target: the way from a record's raw name to the extension that
// is judged (NUL, decoding, code page, shortening, trailing dots and
// blanks). The record's name must keep the extension that the full name
// gives the extracted file, whatever the name's length and bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/CheckRun.h"
#include "backends/NameText.h"
#include "platform/CodePage.h"
#include "tests/support/PlatformHooks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte picks the code page and a padding that makes names long.
  const std::uint8_t control = data[0];
  platform::OverrideCodePage(control & 1 ? platform::CodePage::Cp932 : platform::CodePage::Utf8);
  std::string raw(reinterpret_cast<const char*>(data + 1), size - 1);
  if (control & 2) raw.insert(0, std::string(static_cast<std::size_t>(control) * 4, 'a'));
  const std::string record = backends::RecordName(raw);
  if (record.size() > backends::kMaxRecordName) __builtin_trap();
  if (record.find('\0') != std::string::npos) __builtin_trap();
  // The reference: the whole name as the extractor writes it, cut at its
  // NUL and converted, but not shortened.
  std::u16string wide = backends::DecodeArchiveName(raw.substr(0, raw.find('\0')));
  for (char16_t& c : wide)
    if (c == u'/') c = u'\\';
  const std::string expected = app::MemberExtensionAsExtracted(platform::WideToNarrow(wide));
  const std::string got = app::MemberExtensionAsExtracted(record);
  // A watch-list entry is short: a short extension on either side must be
  // the other's too. (A shortened name without one may show a long one.)
  const bool shortExpected = !expected.empty() && expected.size() <= 16;
  const bool shortGot = !got.empty() && got.size() <= 16;
  if ((shortExpected || shortGot) && got != expected) __builtin_trap();
  platform::ClearCodePageOverride();
  return 0;
}
