#!/usr/bin/env python3
"""opentype_fonts.py font|collection OUT (SOURCE FAMILY STYLE FULL)...: faces of TrueType files, cut
to ASCII and named anew, with CFF outlines for a source "cff:FILE", as one font or a collection.
opentype_fonts.py details OUTDIR: fonts that hold every fact --info reads, and its edge cases
(names of every ID holding what JSON escapes, vendors, dates, CFF2) for tests/reference/.
opentype_fonts.py expect FILE...: those facts of every face of each file, one JSON object a
line, as fontTools reads them and fc-query judges them (the keys of typorama --info --json).
opentype_fonts.py samples OUTDIR: faces without Latin letters (Greek, Hebrew, Arabic cut from
DejaVu Sans; Kana, Han beyond the BMP, Runic, symbols, private use made anew), some with a sample
text of their own (name ID 19), one with a symbol cmap only, and a collection of three.
opentype_fonts.py cmap FILE...: the character map of every face of each file as fontTools reads
it (getBestCmap(), else the symbol subtable (3,0)) as ranges, and its English name ID 19."""
import datetime
import json
import logging
import os
import struct
import subprocess
import sys

from fontTools import subset
from fontTools.feaLib.builder import addOpenTypeFeaturesFromString
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib.tables._c_m_a_p import CmapSubtable
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
    if source.startswith("cff:"):
        cubic(font, full)
    return font


def cubic(font, full, cff2=False):
    """The font's quadratic outlines as the cubic ones they are exactly, in a CFF or CFF2 table."""
    glyphs, charstrings = font.getGlyphSet(), {}
    for name in font.getGlyphOrder():
        pen = T2CharStringPen(None if cff2 else glyphs[name].width, glyphs, CFF2=cff2)
        glyphs[name].draw(pen)
        charstrings[name] = pen.getCharString()
    for tag in {"glyf", "loca", "fpgm", "prep", "cvt ", "gasp", "hdmx"} & set(font.keys()):
        del font[tag]
    font.sfntVersion = "OTTO"
    builder = FontBuilder(font=font)
    if cff2:
        builder.setupCFF2(charstrings)
    else:
        builder.setupCFF(full.replace(" ", "-"), {"FullName": full}, charstrings, {})
    builder.setupMaxp()
    font["post"].formatType = 3.0


SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
MONO = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
NAME_KEYS = {0: "copyright", 1: "family", 2: "subfamily", 4: "fullName", 5: "version", 6: "postScriptName",
             7: "trademark", 8: "manufacturer", 9: "designer", 10: "description", 11: "vendorUrl",
             12: "designerUrl", 13: "license", 14: "licenseUrl", 16: "typographicFamily",
             17: "typographicSubfamily", 19: "sampleText"}


def latin(source, cff=None):
    """A subset of an installed face (Latin-1 and Latin Extended-A), with CFF or CFF2 outlines."""
    font = TTFont(source, recalcTimestamp=False)
    cutter = subset.Subsetter(subset.Options(name_IDs=["*"], notdef_outline=True, layout_features=[]))
    cutter.populate(unicodes=list(range(0x20, 0x7F)) + list(range(0xA0, 0x180)))
    cutter.subset(font)
    for tag in {"GSUB", "GPOS", "GDEF"} & set(font.keys()):
        del font[tag]
    if cff:
        cubic(font, "Details " + cff, cff == "CFF2")
    return font


def name_all(font, family, texts=None):
    table = font["name"]
    table.names = []
    texts = texts or {}
    for nid in list(NAME_KEYS) + [3, 15, 18]:
        table.setName(texts.get(nid, f"{family} {nid}"), nid, 3, 1, 0x409)
    table.setName(family, 1, 3, 1, 0x409)
    table.setName(family, 1, 1, 0, 0)  # a Macintosh record, which the Microsoft one replaces


def layout(font, scripts, gsub, gpos):
    cmap = font.getBestCmap()
    a, b, v = cmap[ord("a")], cmap[ord("b")], cmap[ord("V")]
    text = "".join(f"languagesystem {s} dflt;\n" for s in scripts)
    text += "".join(f"feature {f} {{ sub {a} by {b}; }} {f};\n" for f in gsub)
    text += "".join(f"feature {f} {{ pos {v} {a} -40; }} {f};\n" for f in gpos)
    addOpenTypeFeaturesFromString(font, text)


def variable(font, axes, instances):
    builder = FontBuilder(font=font)
    builder.setupFvar(axes, instances)
    if "glyf" in font:
        builder.setupGvar({})


def details(outdir):
    """The fonts of the details test, each saved as it is set up."""
    def save(font, file):
        font.save(os.path.join(outdir, file))

    font = latin(SANS)
    name_all(font, "Details Names", {
        0: 'Copyright "quoted" \\ back\\slash', 7: "Trade\nmark\ttab\x01control\x7f",
        8: "Maker \u00dcn\u00efc\u00f6d\u00e9", 9: "Designer \U0001F600 emoji", 10: "Two\r\nlines",
        19: "Sample \u2603 \u0416"})
    font["head"].fontRevision = 1.5
    font["head"].created = 0  # 1904-01-01T00:00:00Z
    font["head"].modified = int((datetime.datetime(9999, 12, 31, 23, 59, 59) - datetime.datetime(1904, 1, 1))
                                .total_seconds())
    font["post"].italicAngle = -12.25
    font["OS/2"].achVendID = "AB\0\0"
    font["OS/2"].fsSelection = 0x21
    layout(font, ["DFLT", "latn", "cyrl"], ["smcp", "ss01"], ["kern", "mark"])
    save(font, "names.ttf")
    # Vendors padded with spaces, NULs, or holding a byte that is not ASCII; an odd permission.
    for k, vendor in enumerate(["AB  ", b"\xe9XYZ", "    "]):
        font["OS/2"].achVendID, font["OS/2"].fsType, font["OS/2"].fsSelection = vendor, 0x30A >> k, k
        save(font, f"vendor-{k}.ttf")
    # Dates past 9999, and the largest the field holds.
    font["head"].created = int((datetime.datetime(9999, 12, 31) - datetime.datetime(1904, 1, 1)).total_seconds()) + 86400
    font["head"].modified = 2 ** 64 - 1
    save(font, "dates.ttf")

    mono = latin(MONO)
    name_all(mono, "Details Mono")
    save(mono, "mono.ttf")

    font = latin(SANS)
    name_all(font, "Details Variable")
    variable(font, [("wght", 100, 400, 900, "Weight"), ("wdth", 75, 100, 125.5, "Width"),
                    ("slnt", -12.25, 0, 0, "Slant")],
             [dict(location=dict(wght=100, wdth=100, slnt=0), stylename="Thin"),
              dict(location=dict(wght=400, wdth=100, slnt=0), stylename="Regular"),
              dict(location=dict(wght=900, wdth=75, slnt=-12.25), stylename="Black Condensed Oblique")])
    layout(font, ["latn", "grek"], ["liga", "ss02"], ["kern"])
    save(font, "variable.ttf")

    font = latin(SANS, "CFF")
    name_all(font, "Details CFF")
    save(font, "cff.otf")
    font = latin(SANS, "CFF2")
    name_all(font, "Details CFF2")
    variable(font, [("wght", 200, 200, 700, "Weight")], [dict(location=dict(wght=700), stylename="Bold")])
    save(font, "cff2.otf")

    collection = ttCollection.TTCollection()
    collection.fonts = [TTFont(os.path.join(outdir, "names.ttf")), TTFont(os.path.join(outdir, "mono.ttf"))]
    collection.save(os.path.join(outdir, "pair.ttc"))


def head_date(seconds):
    if seconds < 0:
        return None
    try:
        return (datetime.datetime(1904, 1, 1) + datetime.timedelta(seconds=seconds)).strftime("%Y-%m-%dT%H:%M:%SZ")
    except OverflowError:
        return None


def facts(path, index, font):
    d = {"path": path, "face": index}
    for tag, outline in (("CFF2", "CFF2"), ("CFF ", "CFF"), ("glyf", "TrueType")):
        if tag in font:
            d["format"] = outline
            break
    names = font["name"]
    def name(nid):
        record = names.getName(nid, 3, 1, 0x409)
        return record.toUnicode() if record else ""
    for nid, key in NAME_KEYS.items():
        if name(nid):
            d[key] = name(nid)
    head, os2, post = font["head"], font["OS/2"], font["post"]
    d.update(revision=round(head.fontRevision, 3), unitsPerEm=head.unitsPerEm, italicAngle=round(post.italicAngle, 3))
    # The dates as the file holds them (signed seconds since 1904): fontTools' own head drops the
    # top four bytes of a larger value and takes one before 1970 for seconds since 1970.
    for key, at in (("created", 20), ("modified", 28)):
        date = head_date(struct.unpack(">q", font.reader["head"][at:at + 8])[0])
        if date:
            d[key] = date
    vendor = os2.achVendID
    d["vendor"] = vendor.decode("latin-1") if isinstance(vendor, bytes) else vendor
    d.update(weight=os2.usWeightClass, width=os2.usWidthClass, bold=bool(os2.fsSelection & 0x20),
             italic=bool(os2.fsSelection & 1), noSubsetting=bool(os2.fsType & 0x100),
             bitmapOnly=bool(os2.fsType & 0x200), glyphs=font["maxp"].numGlyphs)
    d["embedding"] = next((e for bit, e in ((8, "editable"), (4, "print"), (2, "restricted")) if os2.fsType & bit),
                          "installable")
    d.update(axes=[], instances=[], scripts=[], features=[], languages=[])  # lists are there, if empty
    if "fvar" in font:
        d["axes"] = [{"tag": a.axisTag, "min": round(a.minValue, 3), "default": round(a.defaultValue, 3),
                      "max": round(a.maxValue, 3)} for a in font["fvar"].axes]
        d["instances"] = [name(i.subfamilyNameID) for i in font["fvar"].instances]
    scripts, features = set(), set()
    for tag in ("GSUB", "GPOS"):
        table = font[tag].table if tag in font else None
        if table and table.ScriptList:
            scripts.update(r.ScriptTag for r in table.ScriptList.ScriptRecord)
        if table and table.FeatureList:
            features.update(r.FeatureTag for r in table.FeatureList.FeatureRecord)
    d.update(scripts=sorted(scripts), features=sorted(features))
    judged = subprocess.run(["fc-query", "-i", str(index), "--format", "%{spacing}\n%{lang}\n", path],
                            check=True, capture_output=True).stdout.decode().split("\n")
    d["spacing"] = {"90": "dual", "100": "mono", "110": "charcell"}.get(judged[0], "proportional")
    d["languages"] = sorted(judged[1].split("|")) if judged[1] else []
    d["fileSize"] = os.path.getsize(path)
    return d


def faces_of(path):
    """Every face of a font file, a collection's in order."""
    with open(path, "rb") as f:
        collection = f.read(4) == b"ttcf"
    return ttCollection.TTCollection(path).fonts if collection else [TTFont(path)]


def expect(paths):
    for path in paths:
        for index, font in enumerate(faces_of(path)):
            print(json.dumps(facts(path, index, font)))


def own_text(font, texts):
    """Name ID 19 in each language given (Microsoft platform), and no other."""
    font["name"].removeNames(nameID=19)
    for language, text in (texts or {}).items():
        font["name"].setName(text, 19, 3, 1, language)


def cut(unicodes, family, texts=None):
    """DejaVu Sans cut to these characters, named anew."""
    font = TTFont(SANS)
    cutter = subset.Subsetter(subset.Options(name_IDs=["*"], name_languages=["*"], notdef_outline=True))
    cutter.populate(unicodes=unicodes)
    cutter.subset(font)
    for nid, value in ((1, family), (4, family), (6, family.replace(" ", "-"))):
        font["name"].setName(value, nid, 3, 1, 0x409)
    own_text(font, texts)
    return font


def made(family, codes, texts=None, symbol=False):
    """A face of empty glyphs, one for each code; with `symbol` its only cmap subtable is (3, 0)."""
    order = [".notdef"] + [f"g{code:X}" for code in codes]
    builder = FontBuilder(1000, isTTF=True)
    builder.setupGlyphOrder(order)
    builder.setupCharacterMap({code: f"g{code:X}" for code in codes})
    builder.setupGlyf({name: TTGlyphPen(None).glyph() for name in order})
    builder.setupHorizontalMetrics({name: (500, 0) for name in order})
    builder.setupHorizontalHeader(ascent=800, descent=-200)
    builder.setupNameTable({"familyName": family, "styleName": "Regular"})
    builder.setupOS2()
    builder.setupPost()
    if symbol:
        table = CmapSubtable.newSubtable(4)
        table.platformID, table.platEncID, table.language = 3, 0, 0
        table.cmap = {code: f"g{code:X}" for code in codes}
        builder.font["cmap"].tables = [table]
    own_text(builder.font, texts)
    return builder.font


def samples(outdir):
    """The faces of the shown-sample test, by file name."""
    space = [0x20]
    fonts = {
        "latin.ttf": cut(range(0x20, 0x7F), "Samples Latin"),
        "greek.ttf": cut(space + list(range(0x370, 0x400)), "Samples Greek"),
        # Its own text, blanks and all, in English; another in Greek; one it lacks a glyph of in German.
        "greek-own.ttf": cut(space + list(range(0x370, 0x400)), "Samples Greek Own",
                             {0x409: " Καλημέρα\n  κόσμε ", 0x408: "Γειά σου", 0x407: "Ωμέγα \u2713"}),
        "hebrew.ttf": cut(space + list(range(0x590, 0x600)), "Samples Hebrew", {0x409: "שלום עולם"}),
        "arabic.ttf": cut(space + list(range(0x600, 0x700)), "Samples Arabic"),
        "kana-han.ttf": made("Samples Kana", [0x20] + [ord(c) for c in "あいうアイウ永字八法"]),
        # Beyond the BMP: a format-12 subtable (3, 10) besides the format-4 one.
        "han-wide.ttf": made("Samples Han", [ord(c) for c in "永字八法"] + list(range(0x20000, 0x20010)) + [0x1F600]),
        "runic.ttf": made("Samples Runic", list(range(0x16A0, 0x16F1)) + list(range(0x21, 0x40))),
        "runic-few.ttf": made("Samples Runic Few", [0x16A0, 0x16A1, 0x16A2, 0x0300, 0x23] + list(range(0x30, 0x3A))),
        "punctuation.ttf": made("Samples Punctuation", [ord(c) for c in "!\"#%&'*,./"] + [0x300]),
        "marks.ttf": made("Samples Marks", [0x20, 0xA0, 0x200B, 0xFE00, 0x1160, 0xFFFC] + list(range(0x300, 0x370))),
        "private.ttf": made("Samples Private", [0x20] + list(range(0xE000, 0xE010))),
        "symbol.ttf": made("Samples Symbol", list(range(0xF020, 0xF07F)), {0x409: "Symbol"}, symbol=True),
        "symbols.ttf": made("Samples Symbols", [ord(c) for c in "★☎♠♣♥♦✓"]),
        "empty.ttf": made("Samples Empty", []),
    }
    # A Latin face whose cmap maps B to glyph 0: it holds neither the sample text nor Latin's sample.
    notdef = cut(range(0x20, 0x7F), "Samples Latin Notdef")
    for table in notdef["cmap"].tables:
        table.cmap[ord("B")] = ".notdef"
    fonts["latin-notdef.ttf"] = notdef
    for file, font in fonts.items():
        font.save(os.path.join(outdir, file))
    collection = ttCollection.TTCollection()
    collection.fonts = [TTFont(os.path.join(outdir, f)) for f in ("greek.ttf", "hebrew.ttf", "runic.ttf")]
    collection.save(os.path.join(outdir, "three.ttc"))


def cmaps(paths):
    for path in paths:
        for index, font in enumerate(faces_of(path)):
            codes, symbol = font["cmap"].getBestCmap(), False
            if codes is None:
                table = font["cmap"].getcmap(3, 0)
                codes, symbol = (table.cmap if table else {}), table is not None
            ranges = []
            for code in sorted(codes):
                if ranges and ranges[-1][1] + 1 == code:
                    ranges[-1][1] = code
                else:
                    ranges.append([code, code])
            own = font["name"].getName(19, 3, 1, 0x409)
            print(json.dumps({"path": path, "face": index, "symbol": symbol, "ranges": ranges,
                              "own": own.toUnicode() if own else ""}))


kind, out, fields = sys.argv[1], sys.argv[2], sys.argv[3:]
if kind == "details":
    details(out)
    sys.exit(0)
if kind == "samples":
    samples(out)
    sys.exit(0)
if kind == "cmap":
    cmaps([os.fsdecode(a) for a in sys.argv[2:]])
    sys.exit(0)
if kind == "expect":
    expect([os.fsdecode(a) for a in sys.argv[2:]])
    sys.exit(0)
faces = [face(*fields[i:i + 4]) for i in range(0, len(fields), 4)]
if kind == "collection":
    collection = ttCollection.TTCollection()
    collection.fonts = faces
    collection.save(out)
else:
    faces[0].save(out)
