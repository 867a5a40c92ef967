#include "archives/CmdOpt.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace archives {

namespace {

const char kQuote = '"';

std::string Quoted(const std::string& text) { return kQuote + text + kQuote; }

const char* VarKindName(TVarKind kind) {
  switch (kind) {
    case TVarKind::Empty: return "Empty";
    case TVarKind::Null: return "Null";
    case TVarKind::Integer: return "Int64";
    case TVarKind::Float: return "Double";
    case TVarKind::Boolean: return "Boolean";
    case TVarKind::Text: return "String";
    case TVarKind::Array: return "Array Variant";
  }
  return "Unknown";
}

// General format with up to 15 significant digits; the exponent, when one is
// needed, is written as E<digits> or E-<digits> without leading zeros.
std::string FloatText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  std::string text(buffer);
  std::size_t e = text.find('e');
  if (e == std::string::npos) return text;
  std::string mantissa = text.substr(0, e);
  std::string exponent = text.substr(e + 1);
  std::string sign;
  if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
    if (exponent[0] == '-') sign = "-";
    exponent.erase(0, 1);
  }
  std::size_t firstDigit = exponent.find_first_not_of('0');
  exponent = firstDigit == std::string::npos ? "0" : exponent.substr(firstDigit);
  return mantissa + "E" + sign + exponent;
}

void AppendIfNotEmpty(TStringList& list, const std::string& text) {
  if (!text.empty()) list.Add(text);
}

}  // namespace

// ---------------------------------------------------------------- TVariant

TVariant::TVariant(int value) : kind_(TVarKind::Integer), integer_(value) {}
TVariant::TVariant(double value) : kind_(TVarKind::Float), float_(value) {}
TVariant::TVariant(bool value) : kind_(TVarKind::Boolean), boolean_(value) {}
TVariant::TVariant(const std::string& value) : kind_(TVarKind::Text), text_(value) {}
TVariant::TVariant(const char* value) : kind_(TVarKind::Text), text_(value ? value : "") {}

TVariant TVariant::Null() {
  TVariant v;
  v.kind_ = TVarKind::Null;
  return v;
}

TVariant TVariant::Integer(std::int64_t value) {
  TVariant v;
  v.kind_ = TVarKind::Integer;
  v.integer_ = value;
  return v;
}

TVariant TVariant::Array(int lowBound, std::vector<TVariant> elements) {
  const long long high = static_cast<long long>(lowBound) + static_cast<long long>(elements.size()) - 1;
  if (high > INT_MAX || high < INT_MIN) {
    throw std::out_of_range("variant array bounds out of range");
  }
  TVariant v;
  v.kind_ = TVarKind::Array;
  v.low_ = lowBound;
  v.elements_ = std::move(elements);
  return v;
}

const TVariant& TVariant::Element(int index) const {
  if (!IsArray() || index < low_ || index > HighBound()) {
    throw std::out_of_range("variant array index out of bounds");
  }
  return elements_[static_cast<std::size_t>(static_cast<long long>(index) - low_)];
}

std::string TVariant::ToText() const {
  switch (kind_) {
    case TVarKind::Empty: return std::string();
    case TVarKind::Integer: return std::to_string(integer_);
    case TVarKind::Float: return FloatText(float_);
    case TVarKind::Boolean: return boolean_ ? "True" : "False";
    case TVarKind::Text: return text_;
    case TVarKind::Null:
    case TVarKind::Array: break;
  }
  throw EVariantTypeCastError(std::string("Could not convert variant of type (") + VarKindName(kind_) +
                              ") into type (String)");
}

// ------------------------------------------------------------------ TValue

TValue::TValue(const std::string& text) : kind_(TValueKind::Text), text_(text) {}
TValue::TValue(const char* text) : kind_(TValueKind::Text), text_(text ? text : "") {}
TValue::TValue(const std::u16string& text) : kind_(TValueKind::WideText), wide_(text) {}
TValue::TValue(const char16_t* text) : kind_(TValueKind::WideText), wide_(text ? text : u"") {}
TValue::TValue(const TObject* object) : kind_(TValueKind::Object), object_(object) {}
TValue::TValue(const TVariant& variant) : kind_(TValueKind::Variant), variant_(variant) {}
TValue::TValue(int) : kind_(TValueKind::Integer) {}
TValue::TValue(char) : kind_(TValueKind::Char) {}
TValue::TValue(bool) : kind_(TValueKind::Boolean) {}
TValue::TValue(double) : kind_(TValueKind::Float) {}

TValue TValue::ShortText(const std::string& text) {
  TValue v(TValueKind::ShortText);
  v.text_ = text;
  return v;
}

TValue TValue::PChar(const char* text) {
  TValue v(TValueKind::PChar);
  v.pchar_ = text;
  return v;
}

TValue TValue::PCharArray(const char* const* texts) {
  TValue v(TValueKind::PCharArray);
  v.pchars_ = texts;
  return v;
}

TValue TValue::Int64(std::int64_t) { return TValue(TValueKind::Int64); }
TValue TValue::Currency(std::int64_t) { return TValue(TValueKind::Currency); }
TValue TValue::Class() { return TValue(TValueKind::Class); }
TValue TValue::Interface() { return TValue(TValueKind::Interface); }

void TValue::AppendNames(TStringList& list) const {
  switch (kind_) {
    case TValueKind::ShortText:
    case TValueKind::Text: AppendIfNotEmpty(list, text_); break;
    case TValueKind::PChar:
      if (pchar_) AppendIfNotEmpty(list, pchar_);
      break;
    case TValueKind::PCharArray:
      if (pchars_) {
        for (const char* const* p = pchars_; *p; ++p) AppendIfNotEmpty(list, *p);
      }
      break;
    case TValueKind::Object:
      if (auto strings = dynamic_cast<const TStringList*>(object_)) {
        for (const std::string& line : *strings) AppendIfNotEmpty(list, line);
      }
      break;
    case TValueKind::Variant:
      if (variant_.IsArray()) {
        for (const TVariant& element : variant_.Elements()) AppendIfNotEmpty(list, element.ToText());
      } else {
        AppendIfNotEmpty(list, variant_.ToText());
      }
      break;
    case TValueKind::WideText: AppendIfNotEmpty(list, platform::WideToNarrow(wide_)); break;
    case TValueKind::Integer:
    case TValueKind::Char:
    case TValueKind::Boolean:
    case TValueKind::Float:
    case TValueKind::Class:
    case TValueKind::Interface:
    case TValueKind::Currency:
    case TValueKind::Int64: break;
  }
}

std::unique_ptr<TStringList> ToStringList(const TValueList& values) {
  auto list = std::make_unique<TStringList>();
  for (const TValue& value : values) value.AppendNames(*list);
  return list;
}

// ----------------------------------------------------------------- TCmdOpt

void TCmdOpt::Add(const std::string& text) {
  CmdLine += ' ';
  CmdLine += text;
}

void TCmdOpt::AddStr(const std::string& name, const std::string& value) {
  if (IsNotSet(value)) return;
  if (name.empty()) {
    Add(Quoted(value));
    return;
  }
  const std::string switchName = name[0] == ' ' ? name.substr(1) : "-" + name;
  if (SeparateValue) {
    Add(switchName + ' ' + Quoted(value));
  } else {
    Add(Quoted(switchName + value));
  }
}

void TCmdOpt::AddNum(const std::string& name, int value) {
  if (value < 0) return;
  Add("-" + name + std::to_string(value));
}

void TCmdOpt::AddFlag(const std::string& name, bool on) {
  if (on) Add("-" + name);
}

void TCmdOpt::AddDir(const std::string& name, const std::string& directory) {
  if (directory.empty() || IsNotSet(directory)) return;
  if (platform::LastCharacter(directory) == "\\") {
    AddStr(name, directory);
  } else {
    AddStr(name, directory + "\\");
  }
}

std::string TCmdOpt::ConvertFileName(const std::string& fileName) const {
  return OnConvertFileName ? OnConvertFileName(fileName) : fileName;
}

void TCmdOpt::AddFile(const std::string& name, const std::string& fileName) { AddStr(name, ConvertFileName(fileName)); }

int TCmdOpt::AddFiles(const std::string& name, const TValueList& values) {
  std::unique_ptr<TStringList> list = ToStringList(values);
  for (const std::string& entry : *list) AddFile(name, entry);
  return static_cast<int>(list->Count());
}

int TCmdOpt::AddResponseFile(const TValueList& values, const std::string& responseFile) {
  std::unique_ptr<TStringList> list = ToStringList(values);
  std::string text;
  for (const std::string& entry : *list) {
    text += Quoted(ConvertFileName(entry));
    text += "\r\n";
  }
  // One write of the whole text: no byte-order mark, no terminating NUL.
  platform::WriteWholeFile(responseFile, text);
  AddStr("", "@" + responseFile);
  return static_cast<int>(list->Count());
}

}  // namespace archives
