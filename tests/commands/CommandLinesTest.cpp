// The command lines the format archivers build, as the stand-in libraries
// receive them; the operations a format refuses; the response file.

// The case tables are laid out by hand, one row a case.
// clang-format off
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archives/ARCHIVES.h"
#include "archives/ArchiverErrors.h"
#include "archives/BGA32.h"
#include "archives/GCA32.h"
#include "archives/LHA32.h"
#include "archives/ZIP32.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "tests/commands/CommandTestSupport.h"
#include "tests/support/PlatformHooks.h"

namespace {

using namespace archives;
using archivetest::BindingTest;
using commandtest::CommandTest;
using commandtest::FakeWindow;
using commandtest::LhaOptions;
using commandtest::Logged;
using commandtest::ReadLogged;
using testsupport::ScopedCallLog;
using testsupport::ScopedLibraryFolder;

enum class Op { Extract, Pack, Delete, Update, Sfx, Memory };

const char* OpName(Op op) {
  switch (op) {
    case Op::Extract: return "Extract";
    case Op::Pack: return "Pack";
    case Op::Delete: return "Delete";
    case Op::Update: return "Update";
    case Op::Sfx: return "MakeSfx";
    case Op::Memory: return "ExtractToMemory";
  }
  return "?";
}

// Runs one command operation with no output buffer; returns the command line
// the operation stored. The memory extraction takes files[0] as the member.
std::string RunOp(TArchiver& archiver, Op op, const TArchiverOptions& options,
                  const std::string& archive, const std::string& folder,
                  const std::vector<std::string>& files, bool useResponseFile = false) {
  TValueList values(files.begin(), files.end());
  std::string line;
  std::string output;
  ArcWindow window = archiver.OwnerWindow;
  switch (op) {
    case Op::Extract:
      archiver.Extract(window, archive, options, folder, values, useResponseFile, line, output);
      break;
    case Op::Pack:
      archiver.Pack(window, archive, options, folder, values, useResponseFile, line, output);
      break;
    case Op::Delete:
      archiver.Delete(window, archive, options, folder, values, useResponseFile, line, output);
      break;
    case Op::Update:
      archiver.Update(window, archive, options, folder, values, useResponseFile, line, output);
      break;
    case Op::Sfx:
      archiver.MakeSfx(window, archive, options, folder, line, output);
      break;
    case Op::Memory: {
      unsigned char buffer[8];
      std::uint32_t written = 0;
      archiver.ExtractToMemory(window, archive, options, files.empty() ? "" : files[0], buffer,
                               sizeof buffer, &written, line);
      break;
    }
  }
  return line;
}

struct LineCase {
  const char* what;
  TArchiverType type;
  Op op;
  std::function<void(TArchiverOptions&)> set;  // changes from the defaults
  bool ownerWindow;
  const char* archive;
  const char* folder;
  std::vector<std::string> files;
  const char* served;  // "<library> <entry>"
  std::string line;
};

void RunLineCases(const std::vector<LineCase>& cases, TArchiverOptions base) {
  for (const LineCase& c : cases) {
    archivetest::ForgetAllBindings();
    std::unique_ptr<TArchiver> archiver = CreateArchiver(c.type);
    ASSERT_NE(archiver, nullptr) << c.what;
    if (c.ownerWindow) archiver->OwnerWindow = FakeWindow();
    TArchiverOptions options = base;
    if (c.set) c.set(options);
    ScopedCallLog log;
    std::string stored = RunOp(*archiver, c.op, options, c.archive, c.folder, c.files);
    Logged logged = ReadLogged(log);
    EXPECT_EQ(logged.calls, std::vector<std::string>{c.served}) << c.what;
    EXPECT_EQ(logged.lines, std::vector<std::string>{c.line}) << c.what;
    EXPECT_EQ(stored, c.line) << c.what;  // the line run is the line handed back
  }
}

auto Set(std::function<void(TArchiverOptions&)> f) { return f; }

TEST_F(CommandTest, LhaAndArjLines) {
  // Each item follows one blank; the empty user options and the empty user
  // file list are items too.
  RunLineCases(
      {
          {"extract", atLha, Op::Extract, nullptr, false, R"(C:\a.lzh)", R"(C:\out)", {"*.*"},
           "UNLHA32.DLL Unlha", R"(x -+ -jse0 -jso1  "C:\a.lzh" "C:\out\" "*.*" )"},
          {"owner window: -n1 between m and o", atLha, Op::Extract,
           Set([](TArchiverOptions& o) { o.a = 2; o.m = 3; o.o = 4; }), true, R"(C:\a.lzh)",
           R"(C:\out)", {"*.*"}, "UNLHA32.DLL Unlha",
           R"(x -+ -a2 -m3 -n1 -o4 -jse0 -jso1  "C:\a.lzh" "C:\out\" "*.*" )"},
          {"owner window outweighs n", atLha, Op::Extract, Set([](TArchiverOptions& o) { o.n = 0; }),
           true, R"(C:\a.lzh)", "", {}, "UNLHA32.DLL Unlha", R"(x -+ -n1 -jse0 -jso1  "C:\a.lzh" )"},
          {"delete names no folder", atLha, Op::Delete, nullptr, false, R"(C:\a.lzh)", R"(C:\out)",
           {"a.txt"}, "UNLHA32.DLL Unlha", R"(d -+ -jse0 -jso1  "C:\a.lzh" "a.txt" )"},
          {"update", atLha, Op::Update, Set([](TArchiverOptions& o) { o.jse = -1; }), false,
           R"(C:\a.lzh)", R"(C:\base\)", {"a.txt"}, "UNLHA32.DLL Unlha",
           R"(f -+ -jso1  "C:\a.lzh" "C:\base\" "a.txt" )"},
          {"self-extracting: no files", atLha, Op::Sfx, nullptr, false, R"(C:\a.lzh)", R"(C:\out)",
           {"ignored"}, "UNLHA32.DLL Unlha", R"(s -+ -jse0 -jso1  "C:\a.lzh" "C:\out\" )"},
          {"memory: no command word", atLha, Op::Memory, nullptr, false, R"(C:\a.lzh)", "",
           {"m.txt"}, "UNLHA32.DLL UnlhaExtractMem", R"( -+ -jse0 -jso1  "C:\a.lzh" "m.txt" )"},
          {"ARJ extract", atArj, Op::Extract, nullptr, false, R"(C:\a.arj)", R"(C:\out)", {"*.*"},
           "UNARJ32J.DLL Unarj", R"(x -+ -jse0 -jso1  "C:\a.arj" "C:\out\" "*.*" )"},
          {"ARJ pack through its own library", atArj, Op::Pack, nullptr, false, R"(C:\a.arj)", "",
           {"a.txt"}, "UNARJ32J.DLL Unarj", R"(u -+ -jse0 -jso1  "C:\a.arj" "a.txt" )"},
      },
      LhaOptions());
}

TEST_F(CommandTest, LhaWritesEveryOptionInItsPlace) {
  TArchiverOptions o;
  std::int8_t next = 1;
  // Numbers 1, 2, 3... in declaration order; texts named after their switch.
  for (const TArchiverOptions::TSwitchInfo& info : TArchiverOptions::Switches()) {
    if (info.Kind == TArchiverOptions::TSwitchKind::Number) o.*info.Number = next++;
  }
  o.w = R"(C:\w)";
  o.jo = "JO";
  o.job = "JOB";
  o.jz = "JZ";
  o.gr = "GR";
  o.gyd = "GYD";
  o.gye = "GYE";
  o.gyt = "GYT";
  o.gyw = "GYW";
  o.jx = TStringList{"a", "", "b c"};
  o.UserOptions = "-uo";
  o.UserFileList = "@list";
  std::string expected =
      "u -+ -a1 -c2 -e3 -f4 -h5 -i6 -l7 -m8 -n9 -o10 -p11 -r12 -s13 -t14 -u15"
      R"( "-wC:\w\")"
      " -x16 -y17 -z18 -jc19 -jd20 -je21 -jf22 -jh23 -ji24 -jm25 -jn26"
      R"( "-joJO" "-jobJOB")"
      " -jp27 -jr28 -jsb29 -jsc30 -jsd31 -jse32 -jsf33 -jsl34 -jso35 -jss36 -jst37 -jsv38"
      " -jsz39 -jw40"
      R"( "-jxa" "-jxb c")"
      " -jyc41 -jyd42 -jyk43 -jyn44 -jyo45"
      R"( "-jzJZ")"
      " -ga46 -gd47 -ge48 -gf49 -gj50 -gm51 -gn52 -go53 -gp54"
      R"( "-grGR")"
      " -gs55 -gu56 -gw57 -gya58 -gyc59"
      R"( "-gydGYD" "-gyeGYE")"
      " -gyo60 -gyq61 -gys62"
      R"( "-gytGYT" "-gywGYW")"
      " -gyx63 -uo"
      R"( "C:\a.lzh" "C:\base\" "f.txt" @list)";
  RunLineCases({{"pack, every option", atLha, Op::Pack, nullptr, false, R"(C:\a.lzh)",
                 R"(C:\base)", {"f.txt"}, "UNLHA32.DLL Unlha", expected}},
               o);
}

TEST_F(CommandTest, ZipLines) {
  RunLineCases(
      {
          {"extract: names escaped, archive and folder not", atZip, Op::Extract,
           Set([](TArchiverOptions& o) { o.x = 0; }), false, R"(C:\w\-a[1].zip)", R"(C:\out)",
           {"-x[1].txt", R"(d\-x.txt)"}, "UNZIP32.DLL UnZip",
           R"(-x -j  "C:\w\-a[1].zip" "C:\out\" "[-]x[[]1].txt" "d/-x.txt" )"},
          {"extract with owner window", atZip, Op::Extract, Set([](TArchiverOptions& o) { o.c = 1; }),
           true, R"(C:\a.zip)", "", {"a.txt"}, "UNZIP32.DLL UnZip",
           R"(-x -o --i  "C:\a.zip" "a.txt" )"},
          {"pack with ZIP32J.DLL: no command word, -D", atZip, Op::Pack, nullptr, false,
           R"(C:\a.zip)", R"(C:\base)", {"-a.txt"}, "ZIP32J.DLL Zip",
           R"( -D  "C:\a.zip" "C:\base\" "[-]a.txt" )"},
          {"pack, every ZIP option", atZip, Op::Pack,
           Set([](TArchiverOptions& o) {
             o.a = 2; o.l = 1; o.n = 1; o.r = 1; o.u = 1; o.x = 0; o.jc = 1; o.ji = 1; o.jm = 9;
             o.gd = 1;
           }),
           false, R"(C:\a.zip)", "", {"a.txt"}, "ZIP32J.DLL Zip",
           R"( -S -v -q -r -o -u -j -FF -k -9 -J  "C:\a.zip" "a.txt" )"},
          {"pack, a 1", atZip, Op::Pack, Set([](TArchiverOptions& o) { o.a = 1; o.jm = 0; }), false,
           R"(C:\a.zip)", "", {"a.txt"}, "ZIP32J.DLL Zip", R"( -S -D -0  "C:\a.zip" "a.txt" )"},
          {"delete: no folder", atZip, Op::Delete, nullptr, false, R"(C:\a.zip)", R"(C:\base)",
           {R"(a\b.txt)"}, "ZIP32J.DLL Zip", R"(-d -D  "C:\a.zip" "a/b.txt" )"},
          {"update", atZip, Op::Update, nullptr, false, R"(C:\a.zip)", R"(C:\base)", {"a.txt"},
           "ZIP32J.DLL Zip", R"(-f -D  "C:\a.zip" "C:\base\" "a.txt" )"},
          {"memory", atZip, Op::Memory, nullptr, true, R"(C:\a.zip)", "", {"-m.txt"},
           "UNZIP32.DLL UnZipExtractMem", R"( --i  "C:\a.zip" "[-]m.txt" )"},
      },
      TArchiverOptions());
}

TEST_F(CommandTest, CabTarRarBgaGcaYz1SevenZipLines) {
  const std::string fullCab = platform::ExpandFullPath("a.cab");
  RunLineCases(
      {
          {"CAB extract names the archive's full path", atCab, Op::Extract,
           Set([](TArchiverOptions& o) { o.c = 1; o.n = 1; o.r = 1; o.w = R"(C:\h)"; o.x = 0; o.ji = 1; }),
           false, "a.cab", R"(C:\out)", {"*.*"}, "CAB32.DLL Cab",
           R"(-x -o -i -r "-hC:\h\" -j -q  ")" + fullCab + R"(" "C:\out\" "*.*" )"},
          {"CAB pack keeps the name", atCab, Op::Pack, nullptr, true, "a.cab", R"(C:\base)",
           {"a.txt"}, "CAB32.DLL Cab", R"(-a -i  "a.cab" "C:\base\" "a.txt" )"},
          {"CAB self-extracting", atCab, Op::Sfx, nullptr, false, "a.cab", R"(C:\out)", {},
           "CAB32.DLL Cab", R"(-f  "a.cab" "C:\out\" )"},

          {"TAR extract: -f and -o with separate values", atTar, Op::Extract, nullptr, false,
           R"(C:\a.tar)", R"(C:\out)", {"*.*"}, "TAR32.DLL Tar",
           R"(x  -f "C:\a.tar" -o "C:\out\" "*.*" )"},
          {"TAR options", atTar, Op::Extract,
           Set([](TArchiverOptions& o) { o.a = 1; o.n = 1; o.o = 1; o.p = 1; o.x = 0; }), false,
           R"(C:\a.tar)", R"(C:\out\)", {"*.*"}, "TAR32.DLL Tar",
           R"(x -AH --display-dialog=0 -g --check-all-path=1 --use-directory=0  -f "C:\a.tar" -o "C:\out\" "*.*" )"},
          {"TAR: a 0, and no dialog switch with an owner window", atTar, Op::Extract,
           Set([](TArchiverOptions& o) { o.a = 0; o.n = 1; }), true, R"(C:\a.tar)", "", {},
           "TAR32.DLL Tar", R"(x -I  -f "C:\a.tar" )"},
          {"TGZ without jm", atTgz, Op::Extract, nullptr, false, R"(C:\a.tgz)", R"(C:\out)",
           {"*.*"}, "TAR32.DLL Tar", R"(x -z  -f "C:\a.tgz" -o "C:\out\" "*.*" )"},
          {"TGZ jm 9", atTgz, Op::Extract, Set([](TArchiverOptions& o) { o.jm = 9; }), false,
           R"(C:\a.tgz)", R"(C:\out)", {"*.*"}, "TAR32.DLL Tar",
           R"(x -z9  -f "C:\a.tgz" -o "C:\out\" "*.*" )"},
          {"BZ2 without jm", atBZ2, Op::Extract, nullptr, false, R"(C:\a.bz2)", "", {},
           "TAR32.DLL Tar", R"(x -B  -f "C:\a.bz2" )"},
          {"TAR memory", atTar, Op::Memory, nullptr, false, R"(C:\a.tar)", "", {"m.txt"},
           "TAR32.DLL TarExtractMem", R"(  -f "C:\a.tar" "m.txt" )"},

          {"RAR extract", atRar, Op::Extract, nullptr, false, R"(C:\a.rar)", R"(C:\out)",
           {"a.txt"}, "UNRAR32.DLL Unrar", R"(-x -u  "C:\a.rar" "C:\out\" "a.txt" )"},
          {"RAR extract without folders", atRar, Op::Extract,
           Set([](TArchiverOptions& o) { o.x = 0; }), false, R"(C:\a.rar)", R"(C:\out)", {"a.txt"},
           "UNRAR32.DLL Unrar", R"(-e -u  "C:\a.rar" "C:\out\" "a.txt" )"},
          {"RAR options", atRar, Op::Extract,
           Set([](TArchiverOptions& o) { o.x = 1; o.c = 1; o.m = 1; o.p = 1; }), false,
           R"(C:\a.rar)", "", {"a.txt"}, "UNRAR32.DLL Unrar", R"(-x -y -s  "C:\a.rar" "a.txt" )"},

          {"BGA extract", atBga, Op::Extract, nullptr, false, R"(C:\a.gza)", R"(C:\out)",
           {"a.txt"}, "BGA32.DLL Bga", R"(x -n -j  "C:\a.gza" "C:\out\" "a.txt" )"},
          {"BGA options", atBga, Op::Extract,
           Set([](TArchiverOptions& o) { o.a = 1; o.c = 1; o.r = 1; o.x = 1; o.jm = 3; }), true,
           R"(C:\a.gza)", "", {"a.txt"}, "BGA32.DLL Bga", R"(x -a -o -i -r -l3  "C:\a.gza" "a.txt" )"},
          {"BGA pack", atBga, Op::Pack, Set([](TArchiverOptions& o) { o.n = 1; }), false,
           R"(C:\a.gza)", R"(C:\base)", {"a.txt"}, "BGA32.DLL Bga",
           R"(a -n -i -j  "C:\a.gza" "C:\base\" "a.txt" )"},
          {"BGA delete: no folder", atBga, Op::Delete, nullptr, false, R"(C:\a.gza)", R"(C:\base)",
           {"a.txt"}, "BGA32.DLL Bga", R"(d -n -j  "C:\a.gza" "a.txt" )"},
          {"BGA self-extracting", atBga, Op::Sfx, nullptr, false, R"(C:\a.gza)", R"(C:\out)", {},
           "BGA32.DLL Bga", R"(s -n -j  "C:\a.gza" "C:\out\" )"},

          {"GCA extract", atGCA, Op::Extract, nullptr, false, R"(C:\a.gca)", R"(C:\out)", {"a.txt"},
           "UnGCA32.DLL UnGCA", R"(ex  "C:\a.gca" "C:\out\" "a.txt" )"},
          {"GCA extract of everything", atGCA, Op::Extract, nullptr, false, R"(C:\a.gca)",
           R"(C:\out)", {}, "UnGCA32.DLL UnGCA", R"(e  "C:\a.gca" "C:\out\" )"},
          {"GCA: empty names name no file", atGCA, Op::Extract, nullptr, false, R"(C:\a.gca)", "",
           {"", ""}, "UnGCA32.DLL UnGCA", R"(e  "C:\a.gca" )"},
          {"GCA options", atGCA, Op::Extract,
           Set([](TArchiverOptions& o) { o.n = 1; o.x = 0; o.y = 1; }), false, R"(C:\a.gca)", "",
           {"a.txt"}, "UnGCA32.DLL UnGCA", R"(ex -sx1 -xx0 -yx1  "C:\a.gca" "a.txt" )"},
          {"GCA memory names c:\\test\\", atGCA, Op::Memory, nullptr, false, R"(C:\a.gca)", "",
           {"m.txt"}, "UnGCA32.DLL UnGCAExtractMem", R"(ex  "C:\a.gca" "c:\test\" "m.txt" )"},

          {"YZ1 extract", atYz1, Op::Extract, nullptr, false, R"(C:\a.yz1)", R"(C:\out)", {"a.txt"},
           "YYZ32.DLL Yz1", R"(x -+  "C:\a.yz1" "C:\out\" "a.txt" )"},
          {"YZ1 m 0: y2 forces c2", atYz1, Op::Extract, Set([](TArchiverOptions& o) { o.m = 0; o.c = 5; }),
           false, R"(C:\a.yz1)", "", {}, "YYZ32.DLL Yz1", R"(x -+ -c2 -y2  "C:\a.yz1" )"},
          {"YZ1 m 9", atYz1, Op::Extract, Set([](TArchiverOptions& o) { o.m = 9; o.c = 1; }), false,
           R"(C:\a.yz1)", "", {}, "YYZ32.DLL Yz1", R"(x -+ -c1 -y0  "C:\a.yz1" )"},
          {"YZ1 m 5: no y", atYz1, Op::Extract, Set([](TArchiverOptions& o) { o.m = 5; o.c = 3; }),
           false, R"(C:\a.yz1)", "", {}, "YYZ32.DLL Yz1", R"(x -+ -c3  "C:\a.yz1" )"},
          {"YZ1 m 1 and the rest", atYz1, Op::Pack,
           Set([](TArchiverOptions& o) { o.m = 1; o.n = 1; o.p = 4; o.x = 0; }), false,
           R"(C:\a.yz1)", R"(C:\base)", {"a.txt"}, "YYZ32.DLL Yz1",
           R"(c -+ -y1 -i -z4 -x0  "C:\a.yz1" "C:\base\" "a.txt" )"},

          {"7z extract", at7z, Op::Extract, nullptr, false, R"(C:\a.7z)", R"(C:\out)", {"a.txt"},
           "7-zip32.dll SevenZip", R"(x -ms=off "-oC:\out\"  "C:\a.7z" "a.txt" )"},
          {"7z extract without folders runs e", at7z, Op::Extract,
           Set([](TArchiverOptions& o) { o.x = 0; o.m = 2; }), false, R"(C:\a.7z)", "", {"a.txt"},
           "7-zip32.dll SevenZip", R"(e -aou -ms=off  "C:\a.7z" "a.txt" )"},
          {"7z -aos", at7z, Op::Extract, Set([](TArchiverOptions& o) { o.jn = 1; o.c = 1; }), false,
           R"(C:\a.7z)", "", {}, "7-zip32.dll SevenZip", R"(x -aos -ms=off  "C:\a.7z" )"},
          {"7z -aoa", at7z, Op::Extract, Set([](TArchiverOptions& o) { o.c = 1; o.m = 1; }), false,
           R"(C:\a.7z)", "", {}, "7-zip32.dll SevenZip", R"(x -aoa -ms=off  "C:\a.7z" )"},
          {"7z pack: no -ao, no e", at7z, Op::Pack,
           Set([](TArchiverOptions& o) { o.m = 2; o.c = 1; o.jn = 1; o.x = 0; }), false,
           R"(C:\a.7z)", R"(C:\base)", {"a.txt"}, "7-zip32.dll SevenZip",
           R"(u -ms=off "-oC:\base\"  "C:\a.7z" "a.txt" )"},
          {"7z delete: no folder", at7z, Op::Delete, Set([](TArchiverOptions& o) { o.c = 1; }),
           false, R"(C:\a.7z)", R"(C:\base)", {"a.txt"}, "7-zip32.dll SevenZip",
           R"(d -ms=off  "C:\a.7z" "a.txt" )"},
          {"7z options", at7z, Op::Extract,
           Set([](TArchiverOptions& o) {
             o.n = 1; o.r = 0; o.w = R"(C:\w)"; o.y = 1; o.jx = TStringList{"*.bak", "", "*.tmp"};
             o.UserOptions = "-p"; o.UserFileList = "b.txt";
           }),
           false, R"(C:\a.7z)", R"(C:\out)", {"a.txt"}, "7-zip32.dll SevenZip",
           R"(x -ms=off -hide -r- "-wC:\w\" -y "-x!*.bak" "-x!*.tmp" "-oC:\out\" -p "C:\a.7z" "a.txt" b.txt)"},
          {"7z r 2", at7z, Op::Extract, Set([](TArchiverOptions& o) { o.r = 2; }), false,
           R"(C:\a.7z)", "", {}, "7-zip32.dll SevenZip", R"(x -ms=off -r  "C:\a.7z" )"},
      },
      TArchiverOptions());
}

TEST_F(CommandTest, OutputBufferWindowAndResultPassThrough) {
  TLha32 lha;
  ScopedCallLog log;
  std::string line;
  std::string output(8, '.');
  EXPECT_EQ(lha.Extract(FakeWindow(), R"(C:\a.lzh)", LhaOptions(), "", {}, false, line, output), 0);
  EXPECT_EQ(output, std::string("ok\0.....", 8));  // the library wrote into the caller's text
  std::string empty;
  EXPECT_EQ(lha.Pack(nullptr, R"(C:\a.lzh)", LhaOptions(), "", {}, false, line, empty), 0);
  std::vector<testsupport::StandinCall> calls = log.Read();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].args[0], "0x4242");
  EXPECT_EQ(calls[0].args[3], "8");
  EXPECT_EQ(calls[1].args[0], "0");
  EXPECT_EQ(calls[1].args[2], "0");  // no characters: a null buffer
  EXPECT_EQ(calls[1].args[3], "0");

  unsigned char buffer[4] = {'.', '.', '.', '.'};
  std::uint32_t written = 99;
  TZip32 zip;
  EXPECT_EQ(zip.ExtractToMemory(FakeWindow(), R"(C:\a.zip)", TArchiverOptions(), "m.txt", buffer,
                                sizeof buffer, &written, line),
            0);
  EXPECT_EQ(line, R"(  "C:\a.zip" "m.txt" )");
  EXPECT_EQ(written, 2u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 3), std::string("ok\0", 3));
  calls = log.Read();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[2].args[0], "0x4242");
  EXPECT_EQ(calls[2].args[3], "4");
  EXPECT_EQ(calls[2].args[4], "0");  // no time pointer
  EXPECT_EQ(calls[2].args[5], "0");  // no attribute pointer
}

TEST_F(CommandTest, OperationsAFormatLacksFailBeforeTheLibrary) {
  const char* noPack = "この形式では書庫ファイルの作成をサポートしておりません。";
  const char* noDelete = "この形式の書庫ではファイルの削除をサポートしておりません。";
  const char* noUpdate = "この形式の書庫では書庫の更新をサポートしておりません。";
  const char* noSfx = "この形式では自己解凍書庫の作成をサポートしておりません。";
  const char* noMemory = "この形式ではメモリ展開をサポートしておりません。";
  const struct {
    TArchiverType type;
    Op op;
    const char* message;
  } cases[] = {
      {atRar, Op::Pack, noPack},      {atRar, Op::Delete, noDelete}, {atRar, Op::Update, noUpdate},
      {atRar, Op::Sfx, noSfx},        {atGCA, Op::Pack, noPack},     {atGCA, Op::Sfx, noSfx},
      {atGCA, Op::Delete, noDelete},  {atCab, Op::Delete, noDelete}, {atCab, Op::Update, noUpdate},
      {atTar, Op::Delete, noDelete},  {atTgz, Op::Update, noUpdate}, {atBga, Op::Update, noUpdate},
      {atBga, Op::Memory, noMemory},  {atYz1, Op::Delete, noDelete}, {atYz1, Op::Update, noUpdate},
      {atYz1, Op::Memory, noMemory},  {at7z, Op::Update, noUpdate},  {at7z, Op::Memory, noMemory},
  };
  for (const auto& c : cases) {
    std::unique_ptr<TArchiver> archiver = CreateArchiver(c.type);
    ScopedCallLog log;
    std::string what = std::to_string(c.type) + " " + OpName(c.op);
    try {
      RunOp(*archiver, c.op, TArchiverOptions(), R"(C:\a)", "", {"a.txt"});
      ADD_FAILURE() << what << ": no exception";
    } catch (const EArchiver& e) {
      EXPECT_STREQ(e.what(), c.message) << what;
    }
    EXPECT_TRUE(log.Lines().empty()) << what;
  }
}

TEST_F(CommandTest, LhaAndArjRequireJsoAndForExtractingJse) {
  const std::string jse = "jse オプションが設定されていません。";
  const std::string jso = "jso オプションが設定されていません。";
  const struct {
    TArchiverType type;
    Op op;
    std::int8_t jse, jso;
    std::string message;
  } cases[] = {
      {atLha, Op::Extract, -1, -1, jse}, {atLha, Op::Extract, -1, 1, jse},
      {atLha, Op::Extract, 0, -1, jso},  {atLha, Op::Pack, -1, -1, jso},
      {atLha, Op::Delete, -1, -1, jso},  {atLha, Op::Update, -1, -1, jso},
      {atLha, Op::Sfx, -1, -1, jso},     {atLha, Op::Memory, -1, -1, jso},
      {atArj, Op::Extract, -1, 1, jse},  {atArj, Op::Pack, 0, -1, jso},
  };
  for (const auto& c : cases) {
    std::unique_ptr<TArchiver> archiver = CreateArchiver(c.type);
    TArchiverOptions options;
    options.jse = c.jse;
    options.jso = c.jso;
    ScopedCallLog log;
    std::string what = std::to_string(c.type) + " " + OpName(c.op);
    try {
      RunOp(*archiver, c.op, options, R"(C:\a)", "", {"a.txt"});
      ADD_FAILURE() << what << ": no exception";
    } catch (const EArchiver&) {
      ADD_FAILURE() << what << ": a programming error is no archive error";
    } catch (const EAssertionFailed& e) {
      EXPECT_EQ(e.what(), c.message) << what;
    }
    EXPECT_TRUE(log.Lines().empty()) << what;
  }
  // Pack needs no jse.
  TLha32 lha;
  TArchiverOptions options;
  options.jso = 0;
  EXPECT_EQ(RunOp(lha, Op::Pack, options, "a.lzh", "", {}), R"(u -+ -jso0  "a.lzh" )");
}

TEST_F(BindingTest, ZipCommandsNeedTheirLibraries) {
  const char* noUnpacker = "ZIP 形式書庫の解凍には UNZIP32.DLL または LMZIP32.DLL が必要です。";
  const char* noPacker = "ZIP 形式書庫の作成には ZIP32J.DLL または LMZIP32.DLL が必要です。";
  const struct {
    std::vector<std::string> present;
    Op op;
    const char* served;  // empty: refused with message
    const char* message;
    const char* line;
  } cases[] = {
      {{"ZIP32J.DLL"}, Op::Extract, "", noUnpacker, ""},
      {{"LMZIP32.DLL"}, Op::Extract, "LMZIP32.DLL Unzip", "", R"(-x  "a.zip" "C:\base\" "a.txt" )"},
      {{"UNZIP32.DLL"}, Op::Pack, "", noPacker, ""},
      {{"LMZIP32.DLL"}, Op::Pack, "LMZIP32.DLL Zip", "", R"(-ru  "a.zip" "-a.txt" )"},
      {{"ZIP32J.DLL", "LMZIP32.DLL"}, Op::Pack, "ZIP32J.DLL Zip", "",
       R"( -D  "a.zip" "C:\base\" "[-]a.txt" )"},
  };
  for (const auto& c : cases) {
    archivetest::ForgetAllBindings();
    ScopedLibraryFolder libraries("full", c.present);
    TZip32 zip;
    ScopedCallLog log;
    const std::vector<std::string> files{c.op == Op::Pack ? "-a.txt" : "a.txt"};
    const std::string archive = scratch.Path("a.zip");
    std::string line;
    try {
      // LMZIP32.DLL takes no folder and no escaped names.
      line = RunOp(zip, c.op, TArchiverOptions(), archive, R"(C:\base)", files);
      EXPECT_STRNE(c.served, "") << "no exception";
    } catch (const EArchiver& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    Logged logged = ReadLogged(log);
    if (*c.served) {
      EXPECT_EQ(logged.calls, std::vector<std::string>{c.served});
      std::string expected = c.line;
      expected.replace(expected.find("a.zip"), 5, archive);
      EXPECT_EQ(line, expected);
    } else {
      EXPECT_TRUE(logged.calls.empty());
    }
  }
}

TEST_F(BindingTest, GcaMemoryExtractionAsFirstCallLoadsTheLibrary) {
  ScopedLibraryFolder none("full", {});
  TGCA32 gca;  // makes the binding without loading
  unsigned char buffer[4];
  std::uint32_t written = 0;
  std::string line;
  try {
    gca.ExtractToMemory(nullptr, R"(C:\a.gca)", TArchiverOptions(), "m.txt", buffer, sizeof buffer,
                        &written, line);
    ADD_FAILURE() << "no exception";
  } catch (const ENoArchiverDLL& e) {
    EXPECT_STREQ(e.what(), "GCA 形式書庫 を扱うには UnGCA32.DLL が 必要です。");
  }
}

TEST(ZipNames, EscapedCharacterByCharacter) {
  const struct {
    const char* name;
    const char* escaped;
  } cases[] = {
      {"-x[1].txt", "[-]x[[]1].txt"},
      {R"(d\-x.txt)", "d/-x.txt"},  // only a dash at the very start
      {R"(-a\[b])", "[-]a/[[]b]"},
      {"--", "[-]-"},
      {"", ""},
      {"[[", "[[][[]"},
      {"plain.txt", "plain.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeZipFileName(c.name), c.escaped) << c.name;

  // In Shift_JIS, 0x5C and 0x5B are also second bytes of characters (表 and
  // 楽 here); those stay as they are.
  platform::OverrideCodePage(platform::CodePage::Cp932);
  if (platform::ActiveCodePage() == platform::CodePage::Cp932) {
    EXPECT_EQ(EscapeZipFileName("\x95\x5C\\\x8A\x5B["), "\x95\x5C/\x8A\x5B[[]");
  }
  platform::ClearCodePageOverride();
}

// The response file: which builders use it, and what it holds.
TEST_F(CommandTest, ResponseFileChoicePerBuilder) {
  enum Source {
    Caller = -1,
    Unpack = ruOnUnpack,
    PackUse = ruOnPack,
    Remove = ruOnRemoveItem,
    UpdateUse = ruOnUpdate
  };
  const struct {
    TArchiverType type;
    Op op;
    int source;  // Caller, or the TResFileUse that decides
  } cases[] = {
      {atLha, Op::Extract, Unpack}, {atLha, Op::Pack, PackUse}, {atLha, Op::Delete, Remove},
      {atLha, Op::Update, UpdateUse}, {atArj, Op::Extract, Caller}, {atArj, Op::Pack, PackUse},
      {atZip, Op::Extract, Caller}, {atZip, Op::Pack, Caller},    {atZip, Op::Delete, Caller},
      {atZip, Op::Update, Caller},  {atCab, Op::Extract, Unpack}, {atCab, Op::Pack, PackUse},
      {atTar, Op::Extract, Unpack}, {atBZ2, Op::Pack, PackUse},   {atRar, Op::Extract, Unpack},
      {atBga, Op::Extract, Caller}, {atBga, Op::Pack, Caller},    {atBga, Op::Delete, Remove},
      {atGCA, Op::Extract, Unpack}, {atYz1, Op::Extract, Caller}, {atYz1, Op::Pack, Caller},
      {at7z, Op::Extract, Unpack},  {at7z, Op::Pack, PackUse},    {at7z, Op::Delete, Remove},
  };
  const std::string responseFile = scratch.Path("files.lst");
  const TResFileUsage all{ruOnPack, ruOnUnpack, ruOnRemoveItem, ruOnUpdate};
  for (const auto& c : cases) {
    std::unique_ptr<TArchiver> archiver = CreateArchiver(c.type);
    // The two runs whose outcome differs when the wrong source decides.
    const struct {
      bool flag;
      TResFileUsage usage;
      bool used;
    } runs[] = {
        {true, TResFileUsage(), c.source == Caller},
        {false, all, c.source != Caller},
        {true, c.source == Caller ? TResFileUsage() : [&] {
           TResFileUsage u = all;
           u.Exclude(static_cast<TResFileUse>(c.source));
           return u;
         }(), c.source == Caller},
    };
    for (const auto& run : runs) {
      TArchiverOptions options = LhaOptions();
      options.ResFileName = responseFile;
      options.ResFileUsage = run.usage;
      platform::RemoveFile(responseFile);
      std::string line = RunOp(*archiver, c.op, options, scratch.Path("a"), "", {"a.txt"}, run.flag);
      const bool onLine = line.find("\"a.txt\"") != std::string::npos;
      const bool viaFile = line.find("\"@" + responseFile + "\"") != std::string::npos;
      std::string what = std::to_string(c.type) + " " + OpName(c.op) + (run.flag ? " flag" : " usage");
      EXPECT_EQ(viaFile, run.used) << what;
      EXPECT_EQ(onLine, !run.used) << what;
      EXPECT_EQ(platform::FileExists(responseFile), run.used) << what;
    }
  }
}

TEST_F(CommandTest, ResponseFileContents) {
  const std::string responseFile = scratch.Path("files.lst");
  TArchiverOptions options = LhaOptions();
  options.ResFileName = responseFile;
  options.UserFileList = "extra";
  TStringList list{"a b.txt", "", "c.txt"};
  const TValueList files{TValue(&list)};
  std::string line;
  std::string output;
  TLha32 lha;
  lha.Pack(nullptr, R"(C:\a.lzh)", options, "", files, false, line, output);
  EXPECT_EQ(line, R"(u -+ -jse0 -jso1  "C:\a.lzh" "@)" + responseFile + R"(" extra)");
  EXPECT_EQ(platform::ReadWholeFile(responseFile), "\"a b.txt\"\r\n\"c.txt\"\r\n");

  // ZIP escapes the names it writes there.
  TZip32 zip;
  zip.Extract(nullptr, R"(C:\a.zip)", options, "", {"-x.txt", R"(d\[e].txt)"}, true, line, output);
  EXPECT_EQ(platform::ReadWholeFile(responseFile), "\"[-]x.txt\"\r\n\"d/[[]e].txt\"\r\n");

  // The not-set marker and the empty name mean no response file at all.
  for (const std::string& name : {kNotSetText, std::string()}) {
    options.ResFileName = name;
    lha.Pack(nullptr, R"(C:\a.lzh)", options, "", {"a.txt"}, true, line, output);
    EXPECT_EQ(line, R"(u -+ -jse0 -jso1  "C:\a.lzh" "a.txt" extra)");
  }

  // A BGA self-extracting archive names no file, but still writes the
  // (empty) response file when ruOnRemoveItem asks for it.
  options.ResFileName = responseFile;
  platform::RemoveFile(responseFile);
  TBGA32 bga;
  bga.MakeSfx(nullptr, R"(C:\a.gza)", options, "", line, output);
  EXPECT_EQ(line, R"(s -n -j  "C:\a.gza" "@)" + responseFile + R"(" extra)");
  EXPECT_TRUE(platform::FileExists(responseFile));
  EXPECT_EQ(platform::ReadWholeFile(responseFile), "");
}

}  // namespace
// clang-format on
