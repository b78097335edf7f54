#pragma once
// Owners for fontconfig objects, so that every way out of a function lets go of them.
#include <fontconfig/fontconfig.h>

#include <memory>

namespace fc {

template <auto Destroy>
struct Deleter {
  template <typename T>
  void operator()(T* p) const {
    if (p) Destroy(p);
  }
};

using Config = std::unique_ptr<FcConfig, Deleter<FcConfigDestroy>>;
using Pattern = std::unique_ptr<FcPattern, Deleter<FcPatternDestroy>>;
using ObjectSet = std::unique_ptr<FcObjectSet, Deleter<FcObjectSetDestroy>>;
using FontSet = std::unique_ptr<FcFontSet, Deleter<FcFontSetDestroy>>;
using StrList = std::unique_ptr<FcStrList, Deleter<FcStrListDone>>;

}  // namespace fc
