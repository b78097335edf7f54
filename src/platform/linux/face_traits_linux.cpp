// fontconfig's judgement of a face's spacing and languages: its cached pattern of the face where
// the current configuration has one, else a query of the file as a scan would make it.
#include "platform/linux/fc_ptr.h"
#include "platform/linux/font_system_linux.h"
#include "platform/path_codec.h"

#include <algorithm>
#include <string>
#include <unistd.h>
#include <unordered_map>

struct LinuxFontSystem::FaceIndex {
  fc::Config config;  // a reference, keeping the configuration and its patterns alive
  std::unordered_map<std::string, FcPattern*> faces;  // by key()
};

namespace {

std::string key(const char* file, int index) { return std::string(file) + '\0' + std::to_string(index); }

bool isVariable(FcPattern* p) {
  FcBool variable = FcFalse;
  return FcPatternGetBool(p, FC_VARIABLE, 0, &variable) == FcResultMatch && variable;
}

// The pattern of the file's face `index` in the set: exactly that index, never a named instance
// of a variable font ((i << 16) | face). A variable font has two patterns there, its default
// instance's and the whole font's (FC_VARIABLE): the first is what FcFreeTypeQuery gives a file
// fontconfig does not know, so it is taken.
FcPattern* findFace(FcFontSet* set, const std::string& file, int index) {
  FcPattern* whole = nullptr;
  for (int i = 0; set && i < set->nfont; ++i) {
    FcChar8* f = nullptr;
    int at = -1;
    FcPattern* p = set->fonts[i];
    if (FcPatternGetString(p, FC_FILE, 0, &f) != FcResultMatch || !f || file != reinterpret_cast<const char*>(f) ||
        FcPatternGetInteger(p, FC_INDEX, 0, &at) != FcResultMatch || at != index)
      continue;
    if (!isVariable(p)) return p;
    whole = p;
  }
  return whole;
}

FaceTraits traitsOf(FcPattern* p) {
  FaceTraits traits;
  int spacing = FC_PROPORTIONAL;
  FcPatternGetInteger(p, FC_SPACING, 0, &spacing);
  traits.spacing = spacing == FC_DUAL       ? FaceSpacing::Dual
                   : spacing == FC_MONO     ? FaceSpacing::Mono
                   : spacing == FC_CHARCELL ? FaceSpacing::Charcell
                                            : FaceSpacing::Proportional;
  FcLangSet* langs = nullptr;
  if (FcPatternGetLangSet(p, FC_LANG, 0, &langs) == FcResultMatch && langs) {
    FcStrSet* set = FcLangSetGetLangs(langs);
    const fc::StrList list(set ? FcStrListCreate(set) : nullptr);
    while (FcChar8* lang = list ? FcStrListNext(list.get()) : nullptr)
      traits.languages << QByteArray(reinterpret_cast<const char*>(lang));
    if (set) FcStrSetDestroy(set);
    std::sort(traits.languages.begin(), traits.languages.end());
  }
  return traits;
}

}  // namespace

std::optional<FaceTraits> LinuxFontSystem::faceTraits(const QString& path, uint32_t face) {
  std::string file = pathToBytes(path);
  if (file.empty() || face > 0xFFFF) return std::nullopt;
  // fontconfig names its files by absolute paths.
  if (file.front() != '/') {
    if (char* cwd = ::getcwd(nullptr, 0)) {
      file = std::string(cwd) + '/' + (file.starts_with("./") ? file.substr(2) : file);
      ::free(cwd);
    }
  }
  const int index = static_cast<int>(face);
  {
    const std::lock_guard lock(faceIndexMutex_);
    // The configuration in use, its fonts loaded (from fontconfig's caches) if nothing has yet.
    FcConfig* config = FcConfigGetCurrent();
    FcPattern* known = nullptr;
    if (config) {
      if (faceIndex_ && faceIndex_->config.get() != config) faceIndex_.reset();
      FcFontSet* system = FcConfigGetFonts(config, FcSetSystem);
      if (!faceIndex_ && ++faceTraitsCalls_ >= 2 && FcConfigReference(config)) {
        faceIndex_ = std::make_shared<FaceIndex>();
        faceIndex_->config.reset(config);
        for (int i = 0; system && i < system->nfont; ++i) {
          FcPattern* p = system->fonts[i];
          FcChar8* f = nullptr;
          int at = -1;
          if (FcPatternGetString(p, FC_FILE, 0, &f) != FcResultMatch || !f ||
              FcPatternGetInteger(p, FC_INDEX, 0, &at) != FcResultMatch)
            continue;
          // As findFace chooses: a variable font's default instance before the whole font.
          const auto [it, added] = faceIndex_->faces.emplace(key(reinterpret_cast<const char*>(f), at), p);
          if (!added && isVariable(it->second) && !isVariable(p)) it->second = p;
        }
      }
      if (faceIndex_) {
        const auto it = faceIndex_->faces.find(key(file.c_str(), index));
        known = it != faceIndex_->faces.end() ? it->second : nullptr;
      } else {
        known = findFace(system, file, index);
      }
      // Faces added to this process (a program's own fonts) may come and go: walked each time.
      if (!known) known = findFace(FcConfigGetFonts(config, FcSetApplication), file, index);
    }
    if (known) return traitsOf(known);
  }
  int count = 0;
  const fc::Pattern queried(FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(file.c_str()), face, nullptr, &count));
  if (!queried) return std::nullopt;
  return traitsOf(queried.get());
}
