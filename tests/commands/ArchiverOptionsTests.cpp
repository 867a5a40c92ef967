#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archives/ArchiverOptions.h"

using archives::TArchiverOptions;
using archives::TResFileUsage;
using Kind = TArchiverOptions::TSwitchKind;

namespace {

// Gives every switch a value of its own, different from the defaults.
void FillSwitches(TArchiverOptions& options) {
  int k = 0;
  for (const auto& sw : TArchiverOptions::Switches()) {
    switch (sw.Kind) {
      case Kind::Number: options.*sw.Number = static_cast<std::int8_t>(k); break;
      case Kind::Text:
      case Kind::Folder: options.*sw.Text = std::string("v-") + sw.Name; break;
      case Kind::List: (options.*sw.List).Add(std::string("l-") + sw.Name); break;
    }
    ++k;
  }
}

class TDerivedOptions : public TArchiverOptions {
 public:
  const char* ClassName() const override { return "TDerivedOptions"; }
  std::string extra = "kept";
};

}  // namespace

// The order and the names are pinned by LHA's golden command line.
TEST(ArchiverOptions, EachSwitchSetsOnlyTheMemberOfItsKind) {
  std::set<std::string> names;
  for (const auto& sw : TArchiverOptions::Switches()) {
    EXPECT_TRUE(names.insert(sw.Name).second) << sw.Name << " twice";
    const bool text = sw.Kind == Kind::Text || sw.Kind == Kind::Folder;
    EXPECT_EQ(sw.Number != nullptr, sw.Kind == Kind::Number) << sw.Name;
    EXPECT_EQ(sw.Text != nullptr, text) << sw.Name;
    EXPECT_EQ(sw.List != nullptr, sw.Kind == Kind::List) << sw.Name;
  }
}

TEST(ArchiverOptions, EachEntryReachesItsOwnMember) {
  TArchiverOptions options;
  FillSwitches(options);
  // Every number got its index; a table entry pointing at the wrong member
  // leaves another one at -1 or holding a different index.
  const auto& switches = TArchiverOptions::Switches();
  for (std::size_t k = 0; k < switches.size(); ++k) {
    if (switches[k].Kind == Kind::Number) {
      EXPECT_EQ(options.*switches[k].Number, static_cast<int>(k)) << switches[k].Name;
    }
  }
  EXPECT_EQ(options.a, 0);
  EXPECT_EQ(options.u, 14);
  EXPECT_EQ(options.jse, 34);
  EXPECT_EQ(options.jso, 37);
  EXPECT_EQ(options.gyx, 72);
  EXPECT_EQ(options.w, "v-w");
  EXPECT_EQ(options.job, "v-job");
  EXPECT_EQ(options.gyw, "v-gyw");
  EXPECT_EQ(options.jx.Lines(), std::vector<std::string>{"l-jx"});
}

TEST(ArchiverOptions, Defaults) {
  const TArchiverOptions options;
  for (const auto& sw : TArchiverOptions::Switches()) {
    switch (sw.Kind) {
      case Kind::Number: EXPECT_EQ(options.*sw.Number, -1) << sw.Name; break;
      case Kind::Text:
      case Kind::Folder: EXPECT_TRUE(archives::IsNotSet(options.*sw.Text)) << sw.Name; break;
      case Kind::List: EXPECT_EQ((options.*sw.List).Count(), 0u) << sw.Name; break;
    }
  }
  EXPECT_EQ(options.UserOptions, "");
  EXPECT_EQ(options.UserFileList, "");
  EXPECT_EQ(options.ResFileName, "");
  EXPECT_EQ(options.PackFilter, archives::pfComponent);
  EXPECT_TRUE(options.ResFileUsage.Contains(archives::ruOnPack));
  EXPECT_TRUE(options.ResFileUsage.Contains(archives::ruOnUnpack));
  EXPECT_TRUE(options.ResFileUsage.Contains(archives::ruOnRemoveItem));
  EXPECT_FALSE(options.ResFileUsage.Contains(archives::ruOnUpdate));
  EXPECT_EQ(options.ResFileUsage.Bits(), 0x07);
  EXPECT_TRUE(options.IncludeExtraStreams);
  EXPECT_EQ(options.StreamSeparator, ";#");
  EXPECT_EQ(sizeof options.ResFileUsage, 1u);
  EXPECT_EQ(sizeof options.PackFilter, 1u);
}

TEST(ArchiverOptions, ResFileUsageBits) {
  struct Case {
    TResFileUsage usage;
    std::uint8_t bits;
  } cases[] = {
      {TResFileUsage{}, 0x00},
      {TResFileUsage{archives::ruOnPack}, 0x01},
      {TResFileUsage{archives::ruOnUpdate}, 0x08},
      {TResFileUsage{archives::ruOnUnpack, archives::ruOnUpdate}, 0x0A},
      {TResFileUsage::FromBits(0xFF), 0x0F},
      {TResFileUsage::FromBits(0x04), 0x04},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.usage.Bits(), c.bits);
    for (int use = archives::ruOnPack; use <= archives::ruOnUpdate; ++use) {
      EXPECT_EQ(c.usage.Contains(static_cast<archives::TResFileUse>(use)), ((c.bits >> use) & 1) != 0);
    }
  }
  TResFileUsage usage;
  usage.Include(archives::ruOnUpdate);
  usage.Include(archives::ruOnPack);
  usage.Exclude(archives::ruOnUpdate);
  EXPECT_EQ(usage, TResFileUsage{archives::ruOnPack});
}

TEST(ArchiverOptions, AssignToCopiesEverythingDeeply) {
  TArchiverOptions source;
  FillSwitches(source);
  source.jx.Add("");
  source.jx.Add("second");
  source.UserOptions = "-u";
  source.UserFileList = "list";
  source.PackFilter = archives::pfArchiver;
  source.ResFileName = "r.rsp";
  source.ResFileUsage = TResFileUsage{archives::ruOnUpdate};
  source.IncludeExtraStreams = false;
  source.StreamSeparator = ":";

  TDerivedOptions derived;
  derived.extra = "mine";
  TArchiverOptions plain;
  // Both ways in: AssignTo on the source, Assign on the destination.
  source.AssignTo(plain);
  derived.Assign(source);

  for (TArchiverOptions* dest : {&plain, static_cast<TArchiverOptions*>(&derived)}) {
    for (const auto& sw : TArchiverOptions::Switches()) {
      switch (sw.Kind) {
        case Kind::Number: EXPECT_EQ(dest->*sw.Number, source.*sw.Number) << sw.Name; break;
        case Kind::Text:
        case Kind::Folder: EXPECT_EQ(dest->*sw.Text, source.*sw.Text) << sw.Name; break;
        case Kind::List: EXPECT_EQ(dest->*sw.List, source.*sw.List) << sw.Name; break;
      }
    }
    EXPECT_EQ(dest->UserOptions, "-u");
    EXPECT_EQ(dest->UserFileList, "list");
    EXPECT_EQ(dest->PackFilter, archives::pfArchiver);
    EXPECT_EQ(dest->ResFileName, "r.rsp");
    EXPECT_EQ(dest->ResFileUsage, source.ResFileUsage);
    EXPECT_FALSE(dest->IncludeExtraStreams);
    EXPECT_EQ(dest->StreamSeparator, ":");
    EXPECT_NE(&dest->jx, &source.jx);
  }
  EXPECT_EQ(derived.extra, "mine");

  // The lists stay separate: changing one leaves the copies alone.
  source.jx.Strings(0) = "changed";
  source.jx.Add("more");
  EXPECT_EQ(plain.jx.Lines(), (std::vector<std::string>{"l-jx", "", "second"}));
  plain.jx.Clear();
  EXPECT_EQ(source.jx.Count(), 4u);

  source.AssignTo(source);
  EXPECT_EQ(source.jx.Count(), 4u);
}

TEST(ArchiverOptions, AssignToAnythingElseIsRefused) {
  TArchiverOptions options;
  options.jx.Add("a");
  archives::TStringList list{"kept"};
  try {
    options.AssignTo(list);
    FAIL() << "assigned to a string list";
  } catch (const archives::EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TArchiverOptions to a TStringList");
  }
  EXPECT_THROW(list.Assign(options), archives::EConvertError);
  EXPECT_EQ(list.Lines(), std::vector<std::string>{"kept"});

  // A string list can be copied into another one, but not into options.
  archives::TStringList other;
  other.Assign(list);
  EXPECT_EQ(other, list);
  EXPECT_THROW(options.Assign(list), archives::EConvertError);
  EXPECT_EQ(options.jx.Lines(), std::vector<std::string>{"a"});
}
