#!/usr/bin/env python3
"""`typorama --list` against an independent reading of the same files with fontTools.

Makes a tree of fonts (names in several scripts, case and prefix twins, separators and control
characters inside names, Macintosh-only names, files the catalogue must skip) beside copies of
installed fonts, runs the program with a fontconfig setup naming only that tree, and compares
every row, in order, with what fontTools reads and Python sorts: of `--list --all-formats`, with
OpenType and collection files (forged ones too) in the tree, under an address-space limit; fc-scan
must find each of their faces listed, `--list` must give the .ttf rows alone, and a last run,
from the cache the others wrote, the same rows again."""
import logging
import os
import resource
import shutil
import struct
import subprocess
import sys
import tempfile
import time

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont, TTLibError, sfnt, ttCollection

from private_setup import private_env

SEPARATOR = "||MySeparator123||"
logging.getLogger("fontTools").setLevel(logging.ERROR)


def make_font(path, records, fs_selection=0x40, family="Made", cff=False):
    """A font of one empty glyph whose full names (ID 4) are exactly `records`:
    (platformID, encodingID, languageID, nameID, text), saved when a path is given."""
    fb = FontBuilder(1000, isTTF=not cff)
    fb.setupGlyphOrder([".notdef"])
    fb.setupCharacterMap({})
    if cff:
        fb.setupCFF("Made", {}, {".notdef": T2CharStringPen(500, None).getCharString()}, {})
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


def make_collection(path, fonts, patches=()):
    """A collection of the fonts, then each (offset, 32-bit value) of `patches` written into it."""
    collection = ttCollection.TTCollection()
    collection.fonts = fonts
    collection.save(path)
    data = bytearray(open(path, "rb").read())
    for at, value in patches:
        struct.pack_into(">L", data, at, value)
    open(path, "wb").write(data)


def forge_many(path, font, faces):
    """A collection of `faces` faces that all name the one table directory of `font`."""
    make_collection(path, [font])
    data = bytearray(open(path, "rb").read())
    grow = 4 * (faces - 1)
    for at in range(36, 36 + 16 * struct.unpack(">H", data[20:22])[0], 16):  # its tables move along with it
        struct.pack_into(">L", data, at, struct.unpack(">L", data[at:at + 4])[0] + grow)
    open(path, "wb").write(data[:8] + struct.pack(">L", faces) + struct.pack(">L", 16 + grow) * faces + data[16:])


def opentype_rows(path):
    """Each face fontTools reads of an OpenType file or collection (the first 1,024, as the program
    reads them), in face order; a face it cannot read is reported, not listed."""
    try:
        count = min(sfnt.readTTCHeader(open(path, "rb")).numFonts, 1024)
    except (TTLibError, AssertionError) as e:  # no collection: one font; another version: none
        count = int(isinstance(e, TTLibError))
    rows = []
    for face in range(count):
        try:
            rows.append((full_name(path, face), path, face, style(path, face)))
        except (TTLibError, struct.error):
            pass
    return rows


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
        # A hidden folder and one named like a font are walked; a link back to the root is not.
        for sub in ("", "a", "a/deeper", "b", ".hidden", "x.ttf", "cache", "data"):
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
            ".hidden/h.ttf": [ms("In Hidden")],
            "x.ttf/in.ttf": [ms("In Folder Named Like A Font")],
            "notes.txt": [ms("Not a ttf")],
        }
        for relative, records in made.items():
            make_font(os.path.join(fonts, relative), records, 0x21 if "bold" in relative else 0x40)
        os.symlink(fonts, os.path.join(fonts, "a", "loop"))
        for installed in ("/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/liberation"):
            if os.path.isdir(installed):
                for name in sorted(os.listdir(installed)):
                    if name.endswith(".ttf"):
                        shutil.copy(os.path.join(installed, name), os.path.join(fonts, "b", name))
        here = lambda name: os.path.join(fonts, "a", name)
        make_font(here("cff.otf"), [ms("Made Cff")], cff=True)
        make_font(here("UPPER.OTF"), [ms("Жирный Cff", 0x0419)], 0x21, cff=True)
        make_collection(here("three.ttc"), [make_font(None, [ms(n)], bits) for n, bits in (
            ("Zeta Face", 0x40), ("Alpha Face", 0x21), ("Zeta Face", 0x01))])
        make_collection(here("two.TTC"), [make_font(None, [ms("Version Two " + k)]) for k in "BA"], [(4, 0x20000)])
        make_collection(here("cff.otc"), [make_font(None, [ms("Otc Face " + k)], cff=True) for k in "AB"])
        fine = [here(n) for n in ("cff.otf", "UPPER.OTF", "three.ttc", "two.TTC", "cff.otc")]
        forge_many(here("forged-many.ttc"), make_font(None, [ms("Forged Many")]), 0xFFFF)
        make_collection(here("forged-past.ttc"), [make_font(None, [ms("Forged Past")])] * 3, [(16, 0x7FFFFFF0)])
        make_collection(here("version-three.ttc"), [make_font(None, [ms("Three")])], [(4, 0x30000)])

        env = private_env(root, fonts)
        time.sleep(3.1)  # files this old get a record in the program's cache, which the last run reads
        # Forged collections cost no more than their rows: 512 MiB do (AddressSanitizer needs more).
        asan = b"libasan" in subprocess.run(["ldd", program], capture_output=True).stdout
        limit = None if asan else lambda: resource.setrlimit(resource.RLIMIT_AS, (512 << 20, 512 << 20))
        run = subprocess.run([program, "--list", "--all-formats"], env=env, capture_output=True, timeout=120,
                             preexec_fn=limit)
        if run.returncode != 0:
            sys.exit(f"--list failed ({run.returncode}): {run.stderr.decode(errors='replace')}")
        got = run.stdout.split(b"\n")
        assert got[-1] == b"", "the output must end with a newline"
        got = got[:-1]

        expected = []
        for folder, _, files in os.walk(fonts):
            for name in files:
                path = os.path.join(folder, name)
                if name.lower().endswith(".ttf") and not name.startswith("~"):
                    expected.append((full_name(path), path, 0, style(path)))
                elif name.lower().endswith((".otf", ".ttc", ".otc")):
                    expected += opentype_rows(path)
        # Ascending entry text without regard to case: the text compared unit by unit once
        # lowered (none of these names changes length or meets a fold that lower() lacks).
        expected.sort(key=lambda e: ((e[0] + SEPARATOR + e[1]).lower(), e[0] + SEPARATOR + e[1], e[2]))
        rows = [b"\t".join([str(i + 1).encode(), escape(name.encode()), *(str(b).encode() for b in bits),
                            escape(path.encode()), str(face).encode()])
                for i, (name, path, face, bits) in enumerate(expected)]
        mismatches = [(i, g, w) for i, (g, w) in enumerate(zip(got, rows)) if g != w]
        for i, g, w in mismatches[:10]:
            print(f"row {i + 1}:\n  got  {g!r}\n  want {w!r}")
        if len(got) != len(rows):
            print(f"{len(got)} rows listed, {len(rows)} expected")
        for line in got:
            if line.count(b"\t") != 7:
                print(f"not eight fields: {line!r}")
                mismatches.append(line)
        scan = subprocess.run(["fc-scan", "--format", "%{file}\t%{index}\n"] + fine, env=env, capture_output=True)
        unfound = {f"{p}\t{k}".encode() for _, p, k, _ in expected if p in fine} - set(scan.stdout.splitlines())
        # Without the option: the rows of the .ttf files alone, numbered anew, seven fields each.
        ttf = [r.split(b"\t")[1:7] for r in rows if r.split(b"\t")[6].lower().endswith(b".ttf")]
        plain = b"".join(b"\t".join([str(i + 1).encode()] + r) + b"\n" for i, r in enumerate(ttf))
        if subprocess.run([program, "--list"], env=env, capture_output=True).stdout != plain:
            print("--list is not the .ttf rows of --list --all-formats")
            mismatches.append(plain)
        if subprocess.run([program, "--list", "--all-formats"], env=env, capture_output=True,
                          preexec_fn=limit).stdout != run.stdout:
            print("--list --all-formats from the cache is not what it was")
            mismatches.append(run.stdout)
        if mismatches or unfound or len(got) != len(rows):
            sys.exit(f"fc-scan does not find {unfound}" if unfound else 1)
        print(f"{len(rows)} rows agree with fontTools, in order; fc-scan finds every face; --list the .ttf ones")
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1])
