// fontconfig's best match, quicker when the pattern names a file.
//
// Qt asks fontconfig how to render each face it loads (hinting, antialiasing, subpixel order) by
// matching a pattern that names the face's own file against every installed face: about 0.14 G
// instructions per face with 25,000 installed, for each face the window draws text in. The file
// is the match's first criterion, so a face of that very file always wins over any other: the
// match runs over those faces alone, in their order, and gives the same answer.
//
// Defined in the program, this stands in for fontconfig's own function everywhere in it, Qt's
// calls included. Every other call (no file, a file no face of the configuration has, memory
// short) goes to fontconfig's own FcFontMatch, the next one the dynamic linker knows; should
// there be none, to FcFontSetMatch over the system's faces and the application's, as fontconfig's
// own does.
#include "platform/linux/fc_ptr.h"

#include <cstring>
#include <dlfcn.h>

namespace {

using Match = FcPattern* (*)(FcConfig*, FcPattern*, FcResult*);

// Looked up once; a function-local static is set up safely even when threads race to it.
Match fontconfigsOwnMatch() {
  static const Match own = reinterpret_cast<Match>(dlsym(RTLD_NEXT, "FcFontMatch"));
  return own;
}

// The configuration's faces: the system's, then the application's. Returns how many sets.
int faceSets(FcConfig* config, FcFontSet* sets[2]) {
  int count = 0;
  for (const FcSetName name : {FcSetSystem, FcSetApplication})
    if (FcFontSet* set = FcConfigGetFonts(config, name)) sets[count++] = set;
  return count;
}

// The faces of `file` in the given sets, in their order; nothing when there is none or memory
// runs short (a match over part of them could differ).
fc::FontSet facesOf(FcFontSet* const* sets, int count, const FcChar8* file) {
  fc::FontSet same(FcFontSetCreate());
  if (!same) return same;
  for (int s = 0; s < count; ++s) {
    for (int k = 0; k < sets[s]->nfont; ++k) {
      FcPattern* face = sets[s]->fonts[k];
      FcChar8* faceFile = nullptr;
      if (FcPatternGetString(face, FC_FILE, 0, &faceFile) != FcResultMatch ||
          std::strcmp(reinterpret_cast<const char*>(faceFile), reinterpret_cast<const char*>(file)) != 0)
        continue;
      FcPatternReference(face);  // the set lets go of it
      if (!FcFontSetAdd(same.get(), face)) {
        FcPatternDestroy(face);
        return nullptr;
      }
    }
  }
  if (same->nfont == 0) return nullptr;
  return same;
}

// The match among the faces of the file the pattern names; false when that does not apply.
bool matchWithinFile(FcConfig* config, FcPattern* p, FcResult* result, FcPattern** match) {
  FcChar8* file = nullptr;
  if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) return false;
  // Held while its faces are looked at, as fontconfig itself holds it.
  const fc::Config held(FcConfigReference(config));
  if (!held) return false;
  FcFontSet* sets[2];
  const int count = faceSets(held.get(), sets);
  const fc::FontSet same = facesOf(sets, count, file);
  if (!same) return false;
  FcFontSet* only = same.get();
  *match = FcFontSetMatch(held.get(), &only, 1, p, result);
  return true;
}

// What fontconfig's own function does, for when the dynamic linker knows no other.
FcPattern* matchEveryFace(FcConfig* config, FcPattern* p, FcResult* result) {
  const fc::Config held(FcConfigReference(config));
  if (!held) return nullptr;
  FcFontSet* sets[2];
  const int count = faceSets(held.get(), sets);
  return FcFontSetMatch(held.get(), sets, count, p, result);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) FcPattern* FcFontMatch(FcConfig* config, FcPattern* p,
                                                                          FcResult* result) {
  *result = FcResultNoMatch;
  FcPattern* match = nullptr;
  if (matchWithinFile(config, p, result, &match)) return match;
  const Match own = fontconfigsOwnMatch();
  return own ? own(config, p, result) : matchEveryFace(config, p, result);
}
