#!/usr/bin/env python3
"""opentype_fonts.py font|collection OUT (SOURCE FAMILY STYLE FULL)...: faces of TrueType files, cut
to ASCII and named anew, with CFF outlines for a source "cff:FILE", as one font or a collection."""
import logging
import sys

from fontTools import subset
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.ttLib import TTFont, ttCollection

logging.getLogger("fontTools").setLevel(logging.ERROR)


def face(source, family, style, full):
    font = TTFont(source.removeprefix("cff:"))
    options = subset.Options(name_IDs=["*"], name_languages=["*"], notdef_outline=True)
    cutter = subset.Subsetter(options)
    cutter.populate(unicodes=range(0x20, 0x7F))
    cutter.subset(font)
    for nid in (1, 2, 3, 4, 6, 16, 17, 21, 22):
        font["name"].removeNames(nameID=nid)
    for nid, value in ((1, family), (2, style), (3, "test " + full), (4, full), (6, full.replace(" ", "-"))):
        font["name"].setName(value, nid, 3, 1, 0x409)
        font["name"].setName(value, nid, 1, 0, 0)
    if source.startswith("cff:"):  # quadratic outlines turn into cubic ones exactly
        glyphs, charstrings = font.getGlyphSet(), {}
        for name in font.getGlyphOrder():
            pen = T2CharStringPen(glyphs[name].width, glyphs)
            glyphs[name].draw(pen)
            charstrings[name] = pen.getCharString()
        for tag in {"glyf", "loca", "fpgm", "prep", "cvt ", "gasp", "hdmx"} & set(font.keys()):
            del font[tag]
        font.sfntVersion = "OTTO"
        builder = FontBuilder(font=font)
        builder.setupCFF(full.replace(" ", "-"), {"FullName": full}, charstrings, {})
        builder.setupMaxp()
        font["post"].formatType = 3.0
    return font


kind, out, fields = sys.argv[1], sys.argv[2], sys.argv[3:]
faces = [face(*fields[i:i + 4]) for i in range(0, len(fields), 4)]
if kind == "collection":
    collection = ttCollection.TTCollection()
    collection.fonts = faces
    collection.save(out)
else:
    faces[0].save(out)
