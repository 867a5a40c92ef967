// The switches and settings from which the format archivers build their
// command lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "archives/CmdOpt.h"
#include "archives/StringList.h"

namespace archives {

enum TPackFilter : std::uint8_t { pfArchiver, pfComponent };

// The operations whose file list goes through the response file.
enum TResFileUse : std::uint8_t { ruOnPack, ruOnUnpack, ruOnRemoveItem, ruOnUpdate };

// A set of TResFileUse in one byte: bit n stands for the value n.
class TResFileUsage {
 public:
  constexpr TResFileUsage() = default;
  constexpr TResFileUsage(std::initializer_list<TResFileUse> uses) {
    for (TResFileUse use : uses) bits_ = static_cast<std::uint8_t>(bits_ | Bit(use));
  }
  // Only the bits of the four uses are kept.
  static constexpr TResFileUsage FromBits(std::uint8_t bits) {
    TResFileUsage usage;
    usage.bits_ = static_cast<std::uint8_t>(bits & 0x0F);
    return usage;
  }

  constexpr bool Contains(TResFileUse use) const { return (bits_ & Bit(use)) != 0; }
  void Include(TResFileUse use) { bits_ = static_cast<std::uint8_t>(bits_ | Bit(use)); }
  void Exclude(TResFileUse use) { bits_ = static_cast<std::uint8_t>(bits_ & ~Bit(use)); }
  constexpr std::uint8_t Bits() const { return bits_; }

  friend constexpr bool operator==(TResFileUsage a, TResFileUsage b) { return a.bits_ == b.bits_; }
  friend constexpr bool operator!=(TResFileUsage a, TResFileUsage b) { return a.bits_ != b.bits_; }

 private:
  static constexpr std::uint8_t Bit(TResFileUse use) {
    return static_cast<std::uint8_t>(1u << static_cast<unsigned>(use));
  }
  std::uint8_t bits_ = 0;
};

class TArchiverOptions : public TPersistent {
 public:
  TArchiverOptions() = default;
  TArchiverOptions(const TArchiverOptions&) = default;
  TArchiverOptions& operator=(const TArchiverOptions&) = default;

  const char* ClassName() const override { return "TArchiverOptions"; }

  // Copies every property into a TArchiverOptions (jx by content; the two
  // lists stay separate objects). Any other destination raises EConvertError.
  void AssignTo(TPersistent& destination) const override;

  // The switches, named after the command-line switches they feed. Numbers
  // are -1 when not set; texts hold kNotSetText when not set.
  std::int8_t a = -1, c = -1, e = -1, f = -1, h = -1, i = -1, l = -1, m = -1, n = -1, o = -1, p = -1, r = -1, s = -1,
              t = -1, u = -1;
  std::string w = kNotSetText;
  std::int8_t x = -1, y = -1, z = -1, jc = -1, jd = -1, je = -1, jf = -1, jh = -1, ji = -1, jm = -1, jn = -1;
  std::string jo = kNotSetText, job = kNotSetText;
  std::int8_t jp = -1, jr = -1, jsb = -1, jsc = -1, jsd = -1, jse = -1, jsf = -1, jsl = -1, jso = -1, jss = -1,
              jst = -1, jsv = -1, jsz = -1, jw = -1;
  TStringList jx;
  std::int8_t jyc = -1, jyd = -1, jyk = -1, jyn = -1, jyo = -1;
  std::string jz = kNotSetText;
  std::int8_t ga = -1, gd = -1, ge = -1, gf = -1, gj = -1, gm = -1, gn = -1, go = -1, gp = -1;
  std::string gr = kNotSetText;
  std::int8_t gs = -1, gu = -1, gw = -1, gya = -1, gyc = -1;
  std::string gyd = kNotSetText, gye = kNotSetText;
  std::int8_t gyo = -1, gyq = -1, gys = -1;
  std::string gyt = kNotSetText, gyw = kNotSetText;
  std::int8_t gyx = -1;

  // Text appended to command lines.
  std::string UserOptions;
  // Text appended after the file arguments.
  std::string UserFileList;
  TPackFilter PackFilter = pfComponent;
  // Response file for the file list; used when ResFileUsage names the operation.
  std::string ResFileName;
  TResFileUsage ResFileUsage{ruOnPack, ruOnUnpack, ruOnRemoveItem};
  bool IncludeExtraStreams = true;
  std::string StreamSeparator = ";#";

  // How a switch is written: a number, a text in quotes, a folder (a text
  // with a trailing "\\"), or one argument per line of a list.
  enum class TSwitchKind { Number, Text, Folder, List };

  // One switch: its name and the member that holds it (only the member of
  // its kind is set; a folder is held in a text).
  struct TSwitchInfo {
    const char* Name;
    TSwitchKind Kind;
    std::int8_t TArchiverOptions::*Number;
    std::string TArchiverOptions::*Text;
    TStringList TArchiverOptions::*List;
  };

  // The switches in declaration order, which is the order LHA's command
  // line takes them in. A new switch is a member above and a row there.
  static const std::vector<TSwitchInfo>& Switches();
};

}  // namespace archives
