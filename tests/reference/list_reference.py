#!/usr/bin/env python3
"""`typorama --list` against an independent reading of the same files with fontTools.

Makes a tree of fonts (names in several scripts, case and prefix twins, separators and control
characters inside names, Macintosh-only names, files the catalogue must skip) beside copies of
installed fonts, runs the program with a fontconfig setup naming only that tree, and compares
every row, in order, with what fontTools reads and Python sorts. The tree also holds OpenType
(CFF) files and collections, forged ones among them: `--list` must leave them out, and
`--list --all-formats` must list each face, as fontTools reads it and as fc-scan finds it."""
import logging
import os
import shutil
import struct
import subprocess
import sys
import tempfile

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont, TTLibError
from fontTools.ttLib.sfnt import readTTCHeader
from fontTools.ttLib.ttCollection import TTCollection

SEPARATOR = "||MySeparator123||"
logging.getLogger("fontTools").setLevel(logging.ERROR)


MAX_FACES = 1024  # the faces of a collection the program reads at most


def make_font(path, records, fs_selection=0x40, family="Made", cff=False):
    """A font of one empty glyph whose full names (ID 4) are exactly `records`:
    (platformID, encodingID, languageID, nameID, text). Saved to `path` unless it is None."""
    fb = FontBuilder(1000, isTTF=not cff)
    fb.setupGlyphOrder([".notdef"])
    fb.setupCharacterMap({})
    if cff:
        fb.setupCFF(family.replace(" ", ""), {}, {".notdef": T2CharStringPen(500, None).getCharString()}, {})
    else:
        fb.setupGlyf({".notdef": TTGlyphPen(None).glyph()})
    fb.setupHorizontalMetrics({".notdef": (500, 0)})
    fb.setupHorizontalHeader()
    fb.setupNameTable({"familyName": family, "styleName": "Regular"}, mac=False)
    fb.setupOS2(fsSelection=fs_selection)
    fb.setupPost()
    table = fb.font["name"]
    table.removeNames(nameID=4)
    for platform, encoding, language, name_id, text in records:
        table.setName(text, name_id, platform, encoding, language)
    if path:
        fb.save(path)
    return fb.font


def make_collection(path, fonts, version=1):
    collection = TTCollection()
    collection.fonts = fonts
    collection.save(path)
    if version == 2:  # the signature fields that version 2 adds are read by no one here
        with open(path, "r+b") as f:
            f.seek(4)
            f.write(struct.pack(">L", 0x00020000))


def forge_collection(path, font, faces, past_end=()):
    """A collection of `faces` faces that all name the one table directory of `font`, except
    those in `past_end`, whose directory lies past the end of the file."""
    make_collection(path, [font])
    with open(path, "rb") as f:
        data = bytearray(f.read())
    (first,) = struct.unpack(">L", data[12:16])
    grow = 4 * (faces - 1)
    head = bytearray(data[:12]) + b"".join(struct.pack(">L", 0x7FFFFFF0 if k in past_end else first + grow)
                                              for k in range(faces))
    body = bytearray(data[16:])
    (count,) = struct.unpack(">H", body[first - 16 + 4:first - 16 + 6])
    for i in range(count):  # the directory's tables move along with it
        at = first - 16 + 12 + 16 * i + 8
        struct.pack_into(">L", body, at, struct.unpack(">L", body[at:at + 4])[0] + grow)
    struct.pack_into(">L", head, 8, faces)
    with open(path, "wb") as f:
        f.write(head + body)


def decode(record):
    raw = record.string if isinstance(record.string, bytes) else record.string.encode("utf-16-be")
    if record.platformID in (0, 3) or (raw and raw[0] == 0):
        return raw[: len(raw) // 2 * 2].decode("utf-16-be", errors="surrogatepass")
    return raw.decode("cp1252", errors="replace")


def full_name(path, face=-1, locale=0x0409):
    """Name ID 4: a Microsoft record replaces what other platforms gave; the one in the
    user's language wins at once, otherwise the last Microsoft one."""
    result = ""
    for record in TTFont(path, lazy=True, fontNumber=face)["name"].names:
        if record.nameID != 4:
            continue
        text = decode(record)
        if record.platformID == 3:
            result = text
            if record.langID == locale:
                break
        elif not result:
            result = text
    return result


def style(path, face=-1):
    bits = TTFont(path, lazy=True, fontNumber=face)["OS/2"].fsSelection
    return [(bits >> 5) & 1, bits & 1, (bits >> 1) & 1, (bits >> 4) & 1]  # bold italic under strike


def escape(text_bytes):
    out = bytearray()
    i = 0
    while i < len(text_bytes):
        c = text_bytes[i]
        if c in b"\\\t\n\r":
            out += {0x5C: b"\\\\", 0x09: b"\\t", 0x0A: b"\\n", 0x0D: b"\\r"}[c]
        elif c < 0x20 or c == 0x7F:
            out += b"\\x%02x" % c
        elif c == 0xC2 and i + 1 < len(text_bytes) and 0x80 <= text_bytes[i + 1] <= 0x9F:
            out += b"\\x%02x\\x%02x" % (c, text_bytes[i + 1])
            i += 1
        else:
            out.append(c)
        i += 1
    return bytes(out)


def main(program):
    root = tempfile.mkdtemp(prefix="typorama-reference-")
    try:
        fonts = os.path.join(root, "fonts")
        for sub in ("", "a", "a/deeper", "b", "cache", "data"):
            os.makedirs(os.path.join(fonts if sub not in ("cache", "data") else root, sub), exist_ok=True)
        ms = lambda text, lang=0x0409: (3, 1, lang, 4, text)
        made = {
            "sans.ttf": [ms("Sans")],
            "a/sans-bold.ttf": [ms("Sans Bold")],
            "b/SANS.TTF": [ms("SANS")],
            "a/deeper/alpha.ttf": [ms("alpha")],
            "b/Alpha.ttf": [ms("Alpha")],
            "cyr.ttf": [ms("Жирный Тест", 0x0419)],
            "greek.ttf": [ms("Ωμέγα Sans", 0x0408)],
            "cjk.ttf": [ms("字体 Regular", 0x0804)],
            "two-languages.ttf": [ms("Deutsch", 0x0407), ms("English"), ms("Later", 0x0c0a)],
            "mac-only.ttf": [(1, 0, 0, 4, "Caf\u00e9 Mac")],
            "forged.ttf": [ms("Nice" + SEPARATOR + "/etc/passwd")],
            "controls.ttf": [ms("Tab\tNew\nline\x01\u0085end")],
            "b/z y.ttf": [ms("Blank And | Bar")],
            "~skipped.ttf": [ms("Skipped")],
            "notes.txt": [ms("Not a ttf")],
        }
        for relative, records in made.items():
            make_font(os.path.join(fonts, relative), records, 0x21 if "bold" in relative else 0x40)
        for installed in ("/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/liberation"):
            if os.path.isdir(installed):
                for name in sorted(os.listdir(installed)):
                    if name.endswith(".ttf"):
                        shutil.copy(os.path.join(installed, name), os.path.join(fonts, "b", name))

        # OpenType and collection files, fine and forged: listed with --all-formats only.
        opentype = os.path.join(fonts, "open")
        os.makedirs(opentype)
        make_font(os.path.join(opentype, "cff.otf"), [ms("Made Cff")], cff=True)
        make_font(os.path.join(opentype, "UPPER.OTF"), [ms("Жирный Cff", 0x0419)], 0x21, cff=True)
        make_collection(os.path.join(opentype, "three.ttc"), [make_font(None, [ms(n)], bits) for n, bits in (
            ("Zeta Face", 0x40), ("Alpha Face", 0x21), ("Zeta Face", 0x01))])
        make_collection(os.path.join(opentype, "two.TTC"), [make_font(None, [ms("Version Two " + k)]) for k in "BA"],
                        version=2)
        make_collection(os.path.join(opentype, "cff.otc"), [make_font(None, [ms("Otc Face " + k)], cff=True)
                                                            for k in "AB"])
        made_fine = [os.path.join(opentype, n) for n in ("cff.otf", "UPPER.OTF", "three.ttc", "two.TTC", "cff.otc")]
        forge_collection(os.path.join(opentype, "forged-many.ttc"), make_font(None, [ms("Forged Many")]), 0xFFFF)
        forge_collection(os.path.join(opentype, "forged-past.ttc"), make_font(None, [ms("Forged Past")]), 3, {1})
        make_collection(os.path.join(opentype, "version-three.ttc"), [make_font(None, [ms("Three")])])
        with open(os.path.join(opentype, "version-three.ttc"), "r+b") as f:
            f.seek(4)
            f.write(struct.pack(">L", 0x00030000))

        conf = os.path.join(root, "fonts.conf")
        with open(conf, "w") as f:
            f.write('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">\n'
                    f"<fontconfig><dir>{fonts}</dir><cachedir>{root}/cache</cachedir></fontconfig>\n")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env.update(FONTCONFIG_FILE=conf, XDG_DATA_HOME=os.path.join(root, "data"), LANG="C.UTF-8",
                   LC_ALL="C.UTF-8", XDG_RUNTIME_DIR=root)

        failed = False
        for every_format in (False, True):
            expected = []
            for folder, _, files in os.walk(fonts):
                for name in files:
                    path = os.path.join(folder, name)
                    if name.lower().endswith(".ttf") and not name.startswith("~"):
                        expected.append((full_name(path), path, 0, style(path)))
                    elif every_format and name.lower().endswith((".otf", ".ttc", ".otc")):
                        expected += opentype_rows(path)
            failed |= not agrees(program, env, every_format, expected)
            if every_format:
                failed |= not fontconfig_finds(env, made_fine, expected)
        if failed:
            sys.exit(1)
    finally:
        shutil.rmtree(root, ignore_errors=True)


def opentype_rows(path):
    """The rows of an OpenType file or collection: each face fontTools can read, in face order."""
    with open(path, "rb") as f:
        try:
            faces = range(min(readTTCHeader(f).numFonts, MAX_FACES))
        except TTLibError:  # no collection: the file's one face
            faces = [-1]
        except AssertionError:  # a collection of another version
            faces = []
    rows = []
    for face in faces:
        try:
            rows.append((full_name(path, face), path, max(face, 0), style(path, face)))
        except (TTLibError, struct.error):
            pass  # a face that cannot be read is reported, not listed
    return rows


def agrees(program, env, every_format, expected):
    """Runs --list (with --all-formats or not) and compares every row, in order."""
    args = [program, "--list"] + (["--all-formats"] if every_format else [])
    run = subprocess.run(args, env=env, capture_output=True, timeout=300)
    if run.returncode != 0:
        print(f"{' '.join(args[1:])} failed ({run.returncode}): {run.stderr.decode(errors='replace')}")
        return False
    got = run.stdout.split(b"\n")
    assert got[-1] == b"", "the output must end with a newline"
    got = got[:-1]
    # Ascending entry text without regard to case: the text compared unit by unit once lowered
    # (none of these names changes length or meets a fold that lower() lacks); then face order.
    expected.sort(key=lambda e: ((e[0] + SEPARATOR + e[1]).lower(), e[0] + SEPARATOR + e[1], e[2]))
    rows = [b"\t".join([str(i + 1).encode(), escape(name.encode()), *(str(b).encode() for b in bits),
                        escape(path.encode())] + ([str(face).encode()] if every_format else []))
            for i, (name, path, face, bits) in enumerate(expected)]
    mismatches = [(i, g, w) for i, (g, w) in enumerate(zip(got, rows)) if g != w]
    for i, g, w in mismatches[:10]:
        print(f"row {i + 1}:\n  got  {g!r}\n  want {w!r}")
    if len(got) != len(rows):
        print(f"{len(got)} rows listed, {len(rows)} expected")
    fields = 8 if every_format else 7
    for line in got:
        if line.count(b"\t") != fields - 1:
            print(f"not {fields} fields: {line!r}")
            mismatches.append(line)
    if mismatches or len(got) != len(rows):
        return False
    print(f"{' '.join(args[1:])}: {len(rows)} rows agree with fontTools, in order")
    return True


def fontconfig_finds(env, files, expected):
    """fc-scan finds every face listed of the files fontTools made."""
    run = subprocess.run(["fc-scan", "--format", "%{file}\t%{index}\n"] + files, env=env, capture_output=True,
                         text=True, timeout=120)
    found = set(run.stdout.splitlines())
    missing = [f"{path}\t{face}" for _, path, face, _ in expected if path in files and f"{path}\t{face}" not in found]
    for m in missing:
        print(f"fc-scan does not find {m!r}")
    listed = sum(1 for e in expected if e[1] in files)
    if not missing:
        print(f"fc-scan finds all {listed} faces listed of the OpenType files and collections")
    return not missing and listed > len(files)


if __name__ == "__main__":
    main(sys.argv[1])
