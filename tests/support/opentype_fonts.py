#!/usr/bin/env python3
"""OpenType fonts with PostScript (CFF) outlines and font collections, made with fontTools from
TrueType files for the tests: each face under names of its own, cut to the printable ASCII
letters so that it stays small.

  opentype_fonts.py font OUT SRC FAMILY STYLE FULL          one face (a CFF face when SRC is "cff:FILE")
  opentype_fonts.py collection OUT SRC FAMILY STYLE FULL... a collection of such faces, in order
"""
import logging
import sys

from fontTools import subset
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.ttLib import TTFont
from fontTools.ttLib.ttCollection import TTCollection

logging.getLogger("fontTools").setLevel(logging.ERROR)


def renamed(font, family, style, full):
    name = font["name"]
    for nid in (1, 2, 3, 4, 6, 16, 17, 21, 22):
        name.removeNames(nameID=nid)
    for nid, value in ((1, family), (2, style), (3, "test " + full), (4, full), (6, full.replace(" ", "-"))):
        name.setName(value, nid, 3, 1, 0x409)
        name.setName(value, nid, 1, 0, 0)
    return font


def with_cff_outlines(font):
    """The same glyphs drawn as cubic (CFF) outlines: quadratic curves convert exactly."""
    glyphs = font.getGlyphSet()
    charstrings = {}
    for glyph in font.getGlyphOrder():
        pen = T2CharStringPen(glyphs[glyph].width, glyphs)
        glyphs[glyph].draw(pen)
        charstrings[glyph] = pen.getCharString()
    for tag in ("glyf", "loca", "fpgm", "prep", "cvt ", "gasp", "hdmx", "LTSH", "VDMX"):
        if tag in font:
            del font[tag]
    font.sfntVersion = "OTTO"
    ps = font["name"].getDebugName(6) or "Test"
    builder = FontBuilder(font=font)
    builder.setupCFF(ps, {"FullName": font["name"].getDebugName(4) or ps}, charstrings, {})
    builder.setupMaxp()
    font["post"].formatType = 3.0
    return font


def face(source, family, style, full):
    cff = source.startswith("cff:")
    font = TTFont(source[4:] if cff else source)
    options = subset.Options()
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.notdef_outline = True
    cutter = subset.Subsetter(options)
    cutter.populate(unicodes=range(0x20, 0x7F))
    cutter.subset(font)
    renamed(font, family, style, full)
    return with_cff_outlines(font) if cff else font


def main(args):
    kind, out, specs = args[0], args[1], args[2:]
    faces = [face(*specs[i:i + 4]) for i in range(0, len(specs), 4)]
    if kind == "font" and len(faces) == 1:
        faces[0].save(out)
    elif kind == "collection" and faces:
        collection = TTCollection()
        collection.fonts = faces
        collection.save(out)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
