#!/usr/bin/env python3
"""`typorama --list --json` and `--where` against an independent reading of the same files with
fontTools and fc-query.

Makes a tree of installed fonts (monospaced, CFF, italic) beside fonts made here (every name ID,
a variable face with named instances and OpenType features, fsType bits, dates at the edges, a
collection), runs the program with a fontconfig setup naming only that tree, and compares every
row's JSON key by key with what fontTools and fc-query say of its face; then each of a list of
--where expressions against a selection made here from the same facts; then, after one file is
replaced by another font, that the cached details of the old file are not shown for the new."""
import datetime
import json
import logging
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

from fontTools.feaLib.builder import addOpenTypeFeaturesFromString
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont, ttCollection

logging.getLogger("fontTools").setLevel(logging.ERROR)
NAME_KEYS = {0: "copyright", 1: "family", 2: "subfamily", 4: "fullName", 5: "version", 6: "postScriptName",
             7: "trademark", 8: "manufacturer", 9: "designer", 10: "description", 11: "vendorUrl",
             12: "designerUrl", 13: "license", 14: "licenseUrl", 16: "typographicFamily",
             17: "typographicSubfamily", 19: "sampleText"}
EPOCH = datetime.datetime(1904, 1, 1, tzinfo=datetime.timezone.utc)


def made_font(path, full, fs_type=0, created=0, variable=False, weight=400):
    fb = FontBuilder(1000, isTTF=True)
    glyphs = [".notdef", "a", "b", "c"]
    fb.setupGlyphOrder(glyphs)
    fb.setupCharacterMap({0x61: "a", 0x62: "b", 0x63: "c"})
    fb.setupGlyf({g: TTGlyphPen(None).glyph() for g in glyphs})
    fb.setupHorizontalMetrics({g: (500, 0) for g in glyphs})
    fb.setupHorizontalHeader()
    names = {"familyName": "Made " + full, "styleName": "Regular"}
    fb.setupNameTable(names, mac=False)
    for name_id in (0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19):
        fb.font["name"].setName(f"{full} id{name_id} \u00e9\u4e2d", name_id, 3, 1, 0x409)
    fb.font["name"].setName(full, 4, 3, 1, 0x409)
    fb.setupOS2(fsType=fs_type, usWeightClass=weight, achVendID="Mk ")
    fb.setupPost(italicAngle=-11.25)
    fb.setupHead(created=created, modified=created, fontRevision=2.0625)
    if variable:
        fb.setupFvar([("wght", 100, 400, 900, "Weight"), ("wdth", 75, 100, 125, "Width")],
                     [{"location": {"wght": 100, "wdth": 100}, "stylename": "Thin"},
                      {"location": {"wght": 900, "wdth": 75}, "stylename": "Black Condensed"}])
    addOpenTypeFeaturesFromString(fb.font, "languagesystem DFLT dflt; languagesystem grek dflt;\n"
                                  "feature liga { sub a b by c; } liga;\nfeature kern { pos a b -20; } kern;\n")
    if path:
        fb.save(path)
    return fb.font


def pick_name(font, name_id):
    """The full name's locale rule: a Microsoft record replaces the others, 0x0409 wins at once."""
    result = ""
    for record in font["name"].names:
        if record.nameID != name_id:
            continue
        text = record.toUnicode(errors="replace") if record.platformID in (0, 3) else record.toStr()
        if record.platformID == 3:
            result = text
            if record.langID == 0x409:
                break
        elif not result:
            result = text
    return result


def date(seconds):
    try:
        when = EPOCH + datetime.timedelta(seconds=seconds)
    except OverflowError:  # past the year 9999
        return None
    return when.strftime("%Y-%m-%dT%H:%M:%SZ") if 1904 <= when.year <= 9999 else None


def tags(font, kind):
    found = set()
    for table in ("GSUB", "GPOS"):
        if table in font and font[table].table is not None:
            t = font[table].table
            records = t.ScriptList.ScriptRecord if kind == "Script" else t.FeatureList.FeatureRecord
            found.update(r.ScriptTag if kind == "Script" else r.FeatureTag for r in records)
    return sorted(found)


def fontconfig_facts(path, face):
    out = subprocess.run(["fc-query", "-i", str(face), "-f", "%{index}\t%{spacing}\t%{lang}\n", path],
                         capture_output=True, text=True).stdout
    for line in out.splitlines():
        index, spacing, langs = line.split("\t")
        if int(index) == face:
            spacing = {"": "proportional", "90": "dual", "100": "mono", "110": "charcell"}[spacing]
            return spacing, sorted(langs.split("|")) if langs else []
    raise AssertionError(f"fc-query has no face {face} of {path}")


def expected(path, face):
    font = TTFont(path, fontNumber=face, lazy=True)
    facts = {"path": path, "face": face, "fileSize": os.path.getsize(path)}
    for name_id, key in NAME_KEYS.items():
        if pick_name(font, name_id):
            facts[key] = pick_name(font, name_id)
    facts["format"] = "CFF2" if "CFF2" in font else "CFF" if "CFF " in font else "TrueType"
    head = font["head"]
    facts.update(revision=round(head.fontRevision, 3), unitsPerEm=head.unitsPerEm)
    # The dates as the file has them: fontTools cuts them to 32 bits and takes small ones for Unix times.
    raw = font.reader["head"]
    for key, seconds in (("created", struct.unpack(">q", raw[20:28])[0]), ("modified", struct.unpack(">q", raw[28:36])[0])):
        if date(seconds):
            facts[key] = date(seconds)
    os2 = font["OS/2"]
    facts.update(vendor=os2.achVendID, weight=os2.usWeightClass, width=os2.usWidthClass,
                 bold=bool(os2.fsSelection & 0x20), italic=bool(os2.fsSelection & 1),
                 embedding="editable" if os2.fsType & 8 else "print" if os2.fsType & 4 else
                 "restricted" if os2.fsType & 2 else "installable",
                 noSubsetting=bool(os2.fsType & 0x100), bitmapOnly=bool(os2.fsType & 0x200),
                 italicAngle=round(font["post"].italicAngle, 3), glyphs=font["maxp"].numGlyphs,
                 scripts=tags(font, "Script"), features=tags(font, "Feature"))
    facts.update(axes=[], instances=[])  # lists are there, if empty
    if "fvar" in font:
        fvar = font["fvar"]
        facts["axes"] = [{"tag": a.axisTag, "min": round(a.minValue, 3), "default": round(a.defaultValue, 3),
                          "max": round(a.maxValue, 3)} for a in fvar.axes]
        facts["instances"] = [pick_name(font, i.subfamilyNameID) for i in fvar.instances]
    facts["spacing"], facts["languages"] = fontconfig_facts(path, face)
    return facts


def holds(f, term):
    negated = term.startswith("!")
    term = term.lstrip("!")
    if term == "mono":
        result = f["spacing"] in ("mono", "charcell")
    elif term == "variable":
        result = bool(f.get("axes"))
    elif term in ("italic", "bold"):
        result = f[term]
    elif term == "cff":
        result = f["format"] in ("CFF", "CFF2")
    elif "~" in term:
        key, text = term.split("~", 1)
        result = text.lower() in str(f.get(key, "")).lower()
    else:
        for op in (">=", "<=", "="):
            if op in term:
                key, value = term.split(op, 1)
                break
        if key in ("weight", "width"):
            result = {">=": f[key] >= int(value), "<=": f[key] <= int(value), "=": f[key] == int(value)}[op]
        elif key == "lang":
            result = value in f["languages"]
        elif key in ("script", "feature"):
            result = value in f[key + "s"]
        elif key == "embedding":
            result = f["embedding"] == value
        else:
            result = f["vendor"].rstrip().lower() == value.lower()
    return result != negated


def run(program, env, *arguments):
    done = subprocess.run([program, "--list", "--all-formats", *arguments], env=env, capture_output=True,
                          timeout=300)
    return done.returncode, done.stdout.decode(), done.stderr.decode()


def compare_rows(program, env, rows):
    failures = 0
    for row in rows:
        want = expected(row["path"], row["face"])
        got = {k: v for k, v in row.items() if k != "number"}
        for key in sorted(set(want) | set(got)):
            if want.get(key) != got.get(key):
                failures += 1
                print(f"{row['path']}#{row['face']} {key}: program {got.get(key)!r}, fontTools/fc-query "
                      f"{want.get(key)!r}")
    return failures


def main(program):
    root = tempfile.mkdtemp(prefix="typorama-details-")
    try:
        fonts = os.path.join(root, "fonts")
        os.makedirs(fonts)
        for source in ("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
                       "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Italic.ttf",
                       "/usr/share/fonts/truetype/liberation/LiberationMono-Bold.ttf",
                       "/usr/share/fonts/opentype/cantarell/Cantarell-Regular.otf",
                       "/usr/share/fonts/opentype/urw-base35/NimbusMonoPS-Italic.otf"):
            shutil.copy(source, fonts)  # scripts/deps.sh installs them
        made_font(os.path.join(fonts, "variable.ttf"), "Made Variable", fs_type=0x8 | 0x200, variable=True)
        made_font(os.path.join(fonts, "old.ttf"), "Made Old", fs_type=0x2 | 0x100, created=0, weight=900)
        made_font(os.path.join(fonts, "far.ttf"), "Made Far", fs_type=0x4, created=8099 * 365 * 86400)
        made_font(os.path.join(fonts, "beyond.ttf"), "Made Beyond", created=8200 * 366 * 86400)
        collection = ttCollection.TTCollection()
        collection.fonts = [made_font(None, "Made Face A"), made_font(None, "Made Face B", weight=700)]
        collection.save(os.path.join(fonts, "two.ttc"))
        conf = os.path.join(root, "fonts.conf")
        with open(conf, "w") as f:
            f.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">\n'
                    f"<fontconfig><dir>{fonts}</dir><cachedir>{root}/fc-cache</cachedir></fontconfig>\n")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env.update(FONTCONFIG_FILE=conf, XDG_DATA_HOME=os.path.join(root, "data"), LANG="C.UTF-8",
                   LC_ALL="C.UTF-8", XDG_RUNTIME_DIR=root, XDG_CACHE_HOME=os.path.join(root, "cache"))
        time.sleep(3.1)  # old enough for the cache to keep their details

        code, out, err = run(program, env, "--json")
        rows = [json.loads(line) for line in out.splitlines()]
        if code != 0 or not rows:
            sys.exit(f"--list --json failed ({code}): {err}")
        assert [r["number"] for r in rows] == list(range(1, len(rows) + 1)), "numbers not 1..n"
        failures = compare_rows(program, env, rows)
        facts = {(r["path"], r["face"]): expected(r["path"], r["face"]) for r in rows}
        order = [(r["path"], r["face"]) for r in rows]
        # The cache's second run gives the same bytes, and the cache holds every file's record and
        # details (about 300 bytes a face; a cache left with no records is some 100 bytes).
        if run(program, env, "--json")[1] != out:
            failures += 1
            print("a second --list --json, from the cache, differs")
        cache = os.path.join(root, "cache", "typorama", "catalogue.cache")
        if os.path.getsize(cache) < 150 * len(rows):
            failures += 1
            print(f"the cache holds {os.path.getsize(cache)} bytes for {len(rows)} faces")

        for expression in ("mono", "!mono", "variable", "cff", "italic,mono", "bold", "weight>=700",
                           "weight<=400,!cff", "width=5", "lang=el", "lang=hy", "script=grek", "feature=liga",
                           "!feature=kern", "embedding=editable", "embedding=restricted", "embedding=installable",
                           "vendor=mk", "license~ID13", "designer~id9 é中", "copyright~dejavu", "path~.otf"):
            code, out, err = run(program, env, "--where", expression)
            got = [line.split("\t") for line in out.splitlines()]
            want = [key for key in order if all(holds(facts[key], t) for t in expression.split(","))]
            got_keys = [(row[6], int(row[7])) for row in got]
            if code != 0 or got_keys != want or [int(r[0]) for r in got] != list(range(1, len(got) + 1)):
                failures += 1
                print(f"--where {expression}: exit {code}, rows {got_keys}, wanted {want}; {err}")
        code, _, err = run(program, env, "--where", "mono,colour=red")
        if code != 2 or "colour=red" not in err:
            failures += 1
            print(f"a bad term: exit {code}, {err!r}")

        # A file replaced by another font (same name, its old times put back) shows the new one.
        target = os.path.join(fonts, "old.ttf")
        stat = os.stat(target)
        made_font(target, "Made Replaced", weight=300)
        os.utime(target, ns=(stat.st_atime_ns, stat.st_mtime_ns))
        code, out, err = run(program, env, "--json", "--where", "fullName~Made Replaced")
        rows = [json.loads(line) for line in out.splitlines()]
        if len(rows) != 1 or rows[0].get("weight") != 300:
            failures += 1
            print(f"after a replacement: {out!r} {err!r}")
        if failures:
            sys.exit(f"{failures} differences")
        print(f"{len(order)} faces, every key as fontTools and fc-query give it")
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1])
