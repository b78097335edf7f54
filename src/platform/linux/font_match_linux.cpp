// fontconfig's best match, quicker when the pattern names a file.
//
// Qt asks fontconfig how to render each face it loads (hinting, antialiasing, subpixel order) by
// matching a pattern that names the face's own file against every installed face: about 0.14 G
// instructions per face with 25,000 installed, for each face the window draws text in. The file
// is the match's first criterion, so a face of that very file always wins over any other: the
// match runs over those faces alone, in their order, and gives the same answer.
//
// Defined in the program, this stands in for fontconfig's own function everywhere in it, Qt's
// calls included. A pattern without a file, or one whose file no face of the configuration
// has, is matched against every face as before. FcFontSetMatch over the system's faces and the
// application's, in that order, is what fontconfig's own FcFontMatch does.
#include "platform/linux/fc_ptr.h"

#include <cstring>

extern "C" __attribute__((visibility("default"))) FcPattern* FcFontMatch(FcConfig* config, FcPattern* p,
                                                                          FcResult* result) {
  *result = FcResultNoMatch;
  // Held while its faces are looked at, as fontconfig itself holds it.
  const fc::Config held(FcConfigReference(config));
  if (!held) return nullptr;
  FcFontSet* sets[2];
  int count = 0;
  for (const FcSetName name : {FcSetSystem, FcSetApplication})
    if (FcFontSet* set = FcConfigGetFonts(held.get(), name)) sets[count++] = set;
  FcChar8* file = nullptr;
  if (FcPatternGetString(p, FC_FILE, 0, &file) == FcResultMatch) {
    const fc::FontSet same(FcFontSetCreate());
    bool whole = same != nullptr;  // every face of the file is in it
    for (int s = 0; whole && s < count; ++s) {
      for (int k = 0; k < sets[s]->nfont; ++k) {
        FcPattern* face = sets[s]->fonts[k];
        FcChar8* faceFile = nullptr;
        if (FcPatternGetString(face, FC_FILE, 0, &faceFile) != FcResultMatch ||
            std::strcmp(reinterpret_cast<const char*>(faceFile), reinterpret_cast<const char*>(file)) != 0)
          continue;
        FcPatternReference(face);  // the set lets go of it
        if (!FcFontSetAdd(same.get(), face)) {
          FcPatternDestroy(face);
          whole = false;
          break;
        }
      }
    }
    if (whole && same->nfont > 0) {
      FcFontSet* only = same.get();
      return FcFontSetMatch(held.get(), &only, 1, p, result);
    }
  }
  return FcFontSetMatch(held.get(), sets, count, p, result);
}
