#include "archives/ArchiverOptions.h"

namespace archives {

namespace {

using O = TArchiverOptions;
using Info = TArchiverOptions::TSwitchInfo;
using Kind = TArchiverOptions::TSwitchKind;

constexpr Info Number(const char* name, std::int8_t O::*member) {
  return Info{name, Kind::Number, member, nullptr, nullptr};
}
constexpr Info Text(const char* name, std::string O::*member) {
  return Info{name, Kind::Text, nullptr, member, nullptr};
}
constexpr Info Folder(const char* name, std::string O::*member) {
  return Info{name, Kind::Folder, nullptr, member, nullptr};
}
constexpr Info List(const char* name, TStringList O::*member) {
  return Info{name, Kind::List, nullptr, nullptr, member};
}

}  // namespace

const std::vector<TArchiverOptions::TSwitchInfo>& TArchiverOptions::Switches() {
  static const std::vector<Info> switches{
      Number("a", &O::a),     Number("c", &O::c),     Number("e", &O::e),     Number("f", &O::f),
      Number("h", &O::h),     Number("i", &O::i),     Number("l", &O::l),     Number("m", &O::m),
      Number("n", &O::n),     Number("o", &O::o),     Number("p", &O::p),     Number("r", &O::r),
      Number("s", &O::s),     Number("t", &O::t),     Number("u", &O::u),     Folder("w", &O::w),
      Number("x", &O::x),     Number("y", &O::y),     Number("z", &O::z),     Number("jc", &O::jc),
      Number("jd", &O::jd),   Number("je", &O::je),   Number("jf", &O::jf),   Number("jh", &O::jh),
      Number("ji", &O::ji),   Number("jm", &O::jm),   Number("jn", &O::jn),   Text("jo", &O::jo),
      Text("job", &O::job),   Number("jp", &O::jp),   Number("jr", &O::jr),   Number("jsb", &O::jsb),
      Number("jsc", &O::jsc), Number("jsd", &O::jsd), Number("jse", &O::jse), Number("jsf", &O::jsf),
      Number("jsl", &O::jsl), Number("jso", &O::jso), Number("jss", &O::jss), Number("jst", &O::jst),
      Number("jsv", &O::jsv), Number("jsz", &O::jsz), Number("jw", &O::jw),   List("jx", &O::jx),
      Number("jyc", &O::jyc), Number("jyd", &O::jyd), Number("jyk", &O::jyk), Number("jyn", &O::jyn),
      Number("jyo", &O::jyo), Text("jz", &O::jz),     Number("ga", &O::ga),   Number("gd", &O::gd),
      Number("ge", &O::ge),   Number("gf", &O::gf),   Number("gj", &O::gj),   Number("gm", &O::gm),
      Number("gn", &O::gn),   Number("go", &O::go),   Number("gp", &O::gp),   Text("gr", &O::gr),
      Number("gs", &O::gs),   Number("gu", &O::gu),   Number("gw", &O::gw),   Number("gya", &O::gya),
      Number("gyc", &O::gyc), Text("gyd", &O::gyd),   Text("gye", &O::gye),   Number("gyo", &O::gyo),
      Number("gyq", &O::gyq), Number("gys", &O::gys), Text("gyt", &O::gyt),   Text("gyw", &O::gyw),
      Number("gyx", &O::gyx),
  };
  return switches;
}

void TArchiverOptions::AssignTo(TPersistent& destination) const {
  auto options = dynamic_cast<TArchiverOptions*>(&destination);
  if (!options) {
    TPersistent::AssignTo(destination);
    return;
  }
  // The member-wise copy covers every property, and the jx list is a member
  // of its own in each object, so only its lines are copied. A destination of
  // a derived class keeps its own additions.
  if (options != this) *options = *this;
}

}  // namespace archives
