#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archives/ArchiverOptions.h"
#include "archives/CmdOpt.h"

using archives::TCmdOpt;
using archives::TStringList;
using archives::TValue;
using archives::TValueList;
using archives::TVariant;
using Names = std::vector<std::string>;

namespace {

// A descendant of the string list counts as a string list.
class TSortedNames : public TStringList {
 public:
  using TStringList::TStringList;
  const char* ClassName() const override { return "TSortedNames"; }
};

}  // namespace

TEST(ValueList, NamesOfEachKind) {
  const char* const pointerArray[] = {"p1", "", "p2", nullptr};
  const char* const emptyPointerArray[] = {nullptr};
  const TStringList lines{"a", "", "b"};
  const TSortedNames derived{"d1", "d2"};
  const archives::TArchiverOptions notAList;

  struct Case {
    const char* what;
    TValueList values;
    Names names;
  } cases[] = {
      {"text", {TValue(std::string("t.txt"))}, {"t.txt"}},
      {"short text", {TValue::ShortText("s.txt")}, {"s.txt"}},
      {"character array", {TValue::PChar("c.txt")}, {"c.txt"}},
      {"null character array", {TValue::PChar(nullptr)}, {}},
      {"empty texts are dropped", {TValue(""), TValue::ShortText(""), TValue::PChar("")}, {}},
      {"pointer array", {TValue::PCharArray(pointerArray)}, {"p1", "p2"}},
      {"pointer array without entries", {TValue::PCharArray(emptyPointerArray)}, {}},
      {"null pointer array", {TValue::PCharArray(nullptr)}, {}},
      {"string list", {TValue(&lines)}, {"a", "b"}},
      {"descendant of the string list", {TValue(&derived)}, {"d1", "d2"}},
      {"other object", {TValue(&notAList)}, {}},
      {"null object", {TValue(static_cast<const archives::TObject*>(nullptr))}, {}},
      {"variant text", {TValue(TVariant("v.txt"))}, {"v.txt"}},
      {"variant number and Boolean", {TValue(TVariant(42)), TValue(TVariant(true))}, {"42", "True"}},
      {"empty variant", {TValue(TVariant())}, {}},
      {"variant array", {TValue(TVariant::Array(1, {TVariant("x"), TVariant(), TVariant(7)}))}, {"x", "7"}},
      {"empty variant array", {TValue(TVariant::Array(0, {}))}, {}},
      {"wide text", {TValue(u"w.txt")}, {"w.txt"}},
      {"empty wide text", {TValue(std::u16string())}, {}},
      {"other kinds add nothing",
       {TValue(1), TValue('c'), TValue(true), TValue(1.5), TValue::Int64(5), TValue::Currency(10000), TValue::Class(),
        TValue::Interface()},
       {}},
      {"mixed, in order", {TValue("first"), TValue(&lines), TValue(3), TValue(u"last")}, {"first", "a", "b", "last"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(archives::ToStringList(c.values)->Lines(), c.names) << c.what;

    // AddFiles writes the same names, one quoted item each, and counts them.
    TCmdOpt opt;
    std::string expected;
    for (const std::string& name : c.names) expected += " \"-jx" + name + "\"";
    EXPECT_EQ(opt.AddFiles("jx", c.values), static_cast<int>(c.names.size())) << c.what;
    EXPECT_EQ(opt.CmdLine, expected) << c.what;
  }
}

TEST(ValueList, ConversionFailureAddsNothing) {
  const TValueList failing[] = {
      {TValue("a.txt"), TValue(TVariant::Null())},
      {TValue("a.txt"), TValue(TVariant::Array(0, {TVariant("b"), TVariant::Null()}))},
      {TValue(TVariant::Array(0, {TVariant::Array(0, {TVariant("nested")})}))},
  };
  for (const TValueList& values : failing) {
    EXPECT_THROW(archives::ToStringList(values), archives::EVariantTypeCastError);
    TCmdOpt opt;
    EXPECT_THROW(opt.AddFiles("", values), archives::EVariantTypeCastError);
    EXPECT_EQ(opt.CmdLine, "");
  }
  try {
    TVariant::Null().ToText();
    FAIL() << "Null converted to text";
  } catch (const archives::EVariantTypeCastError& e) {
    EXPECT_STREQ(e.what(), "Could not convert variant of type (Null) into type (String)");
  }
}

TEST(Variant, TextOfScalars) {
  struct Case {
    TVariant value;
    std::string text;
  } cases[] = {
      {TVariant(), ""},
      {TVariant(0), "0"},
      {TVariant(-15), "-15"},
      {TVariant::Integer(9007199254740993LL), "9007199254740993"},
      {TVariant(1.5), "1.5"},
      {TVariant(0.1), "0.1"},
      {TVariant(-2.0), "-2"},
      {TVariant(1e20), "1E20"},
      {TVariant(1.25e-7), "1.25E-7"},
      {TVariant(true), "True"},
      {TVariant(false), "False"},
      {TVariant("x y"), "x y"},
      {TVariant(static_cast<const char*>(nullptr)), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value.ToText(), c.text);
}

TEST(Variant, ArrayBounds) {
  const TVariant array = TVariant::Array(-1, {TVariant("a"), TVariant("b"), TVariant("c")});
  EXPECT_EQ(array.LowBound(), -1);
  EXPECT_EQ(array.HighBound(), 1);
  EXPECT_EQ(array.Element(-1).ToText(), "a");
  EXPECT_EQ(array.Element(1).ToText(), "c");
  EXPECT_THROW(array.Element(-2), std::out_of_range);
  EXPECT_THROW(array.Element(2), std::out_of_range);
  EXPECT_THROW(TVariant("x").Element(0), std::out_of_range);

  const TVariant empty = TVariant::Array(5, {});
  EXPECT_LT(empty.HighBound(), empty.LowBound());
  EXPECT_THROW(empty.Element(5), std::out_of_range);

  EXPECT_EQ(TVariant::Array(INT_MAX, {TVariant(1)}).HighBound(), INT_MAX);
  EXPECT_THROW(TVariant::Array(INT_MIN, {}), std::out_of_range);
  EXPECT_THROW(TVariant::Array(INT_MAX, {TVariant(1), TVariant(2)}), std::out_of_range);
}
