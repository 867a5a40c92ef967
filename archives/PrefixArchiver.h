// The class-level half of a format whose library entries share one prefix:
// one binding per class for the whole process, made from Derived::kLibrary.
#pragma once

#include <memory>
#include <utility>

#include "archives/Archiver.h"
#include "archives/FormatSupport.h"

namespace archives {

template <class Derived, class Base = TArchiver>
class TPrefixArchiver : public Base {
 public:
  // Creates the binding on first use and loads the library; raises
  // ENoArchiverDLL when it cannot. Once the binding exists, does nothing.
  static void LoadDLL() { LoadSharedDll(sharedDll_, Derived::kLibrary); }
  // Destroys the binding, which unloads the library.
  static void FreeDLL() { sharedDll_.reset(); }
  static TArchiverDll* SharedDll() { return sharedDll_.get(); }

  TCustomArchiverDll& ArchiverDll() override { return SharedDllOf(sharedDll_, Derived::kLibrary); }
  void EnsureLoaded() override { Derived::LoadDLL(); }

 protected:
  template <class... Args>
  explicit TPrefixArchiver(Args&&... args) : Base(std::forward<Args>(args)...) {}

  static std::unique_ptr<TArchiverDll>& Shared() { return sharedDll_; }

 private:
  static inline std::unique_ptr<TArchiverDll> sharedDll_;
};

}  // namespace archives
