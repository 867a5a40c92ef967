// Assembling the option part of an archiver library's command line.
//
// TCmdOpt collects items (switches with numbers, switches with quoted text,
// directories, file names, response files), each preceded by one blank; a
// builder puts the command word in front of CmdLine. ToStringList flattens a
// caller's list of mixed values (texts, string lists, variants...) into
// plain names.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "archives/StringList.h"

namespace archives {

// The not-set marker of a text option: a text of exactly one NUL character,
// distinct from the empty text.
inline const std::string kNotSetText(1, '\0');
inline bool IsNotSet(const std::string& text) { return text.size() == 1 && text[0] == '\0'; }

// Raised when a variant cannot be converted to text.
class EVariantTypeCastError : public std::runtime_error {
 public:
  explicit EVariantTypeCastError(const std::string& message) : std::runtime_error(message) {}
};

enum class TVarKind { Empty, Null, Integer, Float, Boolean, Text, Array };

// A variant: empty, null, an integer, a floating-point number, a Boolean, a
// text, or a one-dimensional array of variants with a low bound.
class TVariant {
 public:
  TVariant() = default;  // empty
  TVariant(int value);
  TVariant(double value);
  TVariant(bool value);
  TVariant(const std::string& value);
  TVariant(const char* value);  // null gives the empty text

  static TVariant Null();
  static TVariant Integer(std::int64_t value);
  // Elements indexed lowBound to lowBound + size - 1 (the high bound); raises
  // std::out_of_range when the high bound would not fit an int.
  static TVariant Array(int lowBound, std::vector<TVariant> elements);

  TVarKind Kind() const { return kind_; }
  bool IsArray() const { return kind_ == TVarKind::Array; }
  // Bounds of an array (high < low when it has no element); 0 and -1 for a
  // variant that is not an array.
  int LowBound() const { return IsArray() ? low_ : 0; }
  int HighBound() const {
    return static_cast<int>(static_cast<long long>(LowBound()) + static_cast<long long>(elements_.size()) - 1);
  }
  // The element at index, LowBound() <= index <= HighBound(); raises
  // std::out_of_range otherwise.
  const TVariant& Element(int index) const;
  const std::vector<TVariant>& Elements() const { return elements_; }

  // The value as text: empty gives the empty text, integers in decimal,
  // floating-point numbers with up to 15 significant digits, Booleans "True"
  // or "False". Null and arrays raise EVariantTypeCastError.
  std::string ToText() const;

 private:
  TVarKind kind_ = TVarKind::Empty;
  std::int64_t integer_ = 0;
  double float_ = 0.0;
  bool boolean_ = false;
  std::string text_;
  int low_ = 0;
  std::vector<TVariant> elements_;
};

enum class TValueKind {
  ShortText,   // a short text
  Text,        // a text
  PChar,       // pointer to a NUL-terminated character array
  PCharArray,  // pointer to a null-terminated array of such pointers
  Object,      // an object: a string list gives its lines
  Variant,
  WideText,  // UTF-16 text, converted to the narrow code page
  // The remaining kinds are accepted and contribute no name.
  Integer,
  Char,
  Boolean,
  Float,
  Class,
  Interface,
  Currency,
  Int64
};

// One element of a mixed value list. Pointers (character arrays, pointer
// arrays, objects) are not owned: they must outlive the list's use.
class TValue {
 public:
  TValue(const std::string& text);
  TValue(const char* text);  // copied as text; null gives the empty text
  TValue(const std::u16string& text);
  TValue(const char16_t* text);  // null gives the empty text
  TValue(const TObject* object);
  TValue(const TVariant& variant);
  TValue(int value);
  TValue(char value);
  TValue(bool value);
  TValue(double value);

  static TValue ShortText(const std::string& text);
  static TValue PChar(const char* text);
  static TValue PCharArray(const char* const* texts);
  static TValue Int64(std::int64_t value);
  static TValue Currency(std::int64_t tenThousandths);
  static TValue Class();
  static TValue Interface();

  TValueKind Kind() const { return kind_; }

  // Appends the value's names to list, leaving out empty ones.
  void AppendNames(TStringList& list) const;

 private:
  explicit TValue(TValueKind kind) : kind_(kind) {}

  TValueKind kind_;
  std::string text_;
  std::u16string wide_;
  const char* pchar_ = nullptr;
  const char* const* pchars_ = nullptr;
  const TObject* object_ = nullptr;
  TVariant variant_;
};

using TValueList = std::vector<TValue>;

// A new list of the names in values, in order; empty names are left out.
// Raises EVariantTypeCastError for a variant that has no text.
std::unique_ptr<TStringList> ToStringList(const TValueList& values);

class TCmdOpt {
 public:
  // False: a text option is one quoted item "-<name><value>". True: the
  // dashed name, a blank, and the quoted value: -<name> "<value>".
  bool SeparateValue = false;
  // When set, file names pass through it before they are written.
  std::function<std::string(const std::string&)> OnConvertFileName;
  // The items added so far, each preceded by one blank.
  std::string CmdLine;

  // Appends a blank and text (a lone blank for the empty text).
  void Add(const std::string& text);
  // A quoted text option. The not-set marker adds nothing; an empty value is
  // written. An empty name writes the quoted value alone; a name beginning
  // with a blank is written without that blank and without a dash.
  void AddStr(const std::string& name, const std::string& value);
  // "-<name><value>" when value >= 0; a negative value adds nothing.
  void AddNum(const std::string& name, int value);
  // "-<name>" when on.
  void AddFlag(const std::string& name, bool on);
  // A directory text option whose value ends in "\", which is added when the
  // last character is not one. Empty or not-set directories add nothing.
  void AddDir(const std::string& name, const std::string& directory);
  // A text option with the converted file name.
  void AddFile(const std::string& name, const std::string& fileName);
  // AddFile for every name of values; returns the count of names.
  int AddFiles(const std::string& name, const TValueList& values);
  // Writes the names of values, each converted, quoted and ended by CR LF,
  // to responseFile (replaced when it exists), then adds the quoted item
  // "@<responseFile>". Returns the count of names. A file that cannot be
  // written raises platform::FileError and adds no item.
  int AddResponseFile(const TValueList& values, const std::string& responseFile);
  // The name as OnConvertFileName gives it, or unchanged when none is set.
  std::string ConvertFileName(const std::string& fileName) const;
};

}  // namespace archives
