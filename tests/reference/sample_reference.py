#!/usr/bin/env python3
"""`typorama --list --json --own-script`, `--sample` and the exports against fontTools.

Makes the one-script faces of tests/support/opentype_fonts.py (Greek, Hebrew and Arabic cut from
DejaVu Sans, Kana, Han, Runic, symbols, private use, a symbol cmap, a collection; some with a
sample text of their own), runs the program over that tree only, and checks every row's "sample"
against the face's character map as fontTools reads it: each character drawn is one the face
maps to a glyph, a face that holds the sample text shows it, and one that holds its own sample
text shows that. Then the same samples in a spreadsheet and a document read back with openpyxl
and python-docx, and texts the program must refuse."""
import json
import os
import shutil
import subprocess
import sys
import tempfile

import unicodedata

import docx
import openpyxl
from fontTools.ttLib import TTFont, ttCollection

from private_setup import private_env

FONTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "opentype_fonts.py")
SAMPLE = "AaBbCc123"


def faces(path):
    with open(path, "rb") as f:
        collection = f.read(4) == b"ttcf"
    return ttCollection.TTCollection(path).fonts if collection else [TTFont(path)]


def drawable(font):
    """The code points the face maps to a glyph other than .notdef, as fontTools reads the cmap."""
    codes = font["cmap"].getBestCmap()
    if codes is None:
        table = font["cmap"].getcmap(3, 0)
        codes = table.cmap if table else {}
    return {code for code, glyph in codes.items() if glyph != ".notdef"}


def own_text(font):
    name = font["name"].getName(19, 3, 1, 0x409)
    return " ".join(name.toUnicode().split()) if name else ""


# Characters a face may map that draw nothing a reader sees: blanks, controls, marks alone,
# Hangul fillers, the object replacement character.
INVISIBLE = {"Zs", "Zl", "Zp", "Cc", "Cf", "Cs", "Mn", "Mc", "Me"}
FILLERS = {0x115F, 0x1160, 0x3164, 0xFFA0, 0xFFFC}


def visible(code):
    return code not in FILLERS and unicodedata.category(chr(code)) not in INVISIBLE


def covers(codes, text):
    return all(ord(c) in codes for c in text if not c.isspace())


def check_row(row, font, text):
    """What is wrong with the sample a row shows, or None."""
    codes, shown = drawable(font), row.get("sample")
    if shown is None:
        return "no sample"
    if covers(codes, text):
        return None if shown == text else f"holds {text!r} but shows {shown!r}"
    if not any(visible(c) for c in codes):
        return None if shown == text else f"holds nothing drawable but shows {shown!r}"
    if not shown.strip() or not covers(codes, shown):
        return f"shows {shown!r}, which it cannot draw"
    own = own_text(font)
    if own and covers(codes, own) and shown != own:
        return f"holds its own text {own!r} but shows {shown!r}"
    return None


def main(program):
    root = tempfile.mkdtemp(prefix="typorama-samples-")
    try:
        fonts = os.path.join(root, "fonts")
        os.makedirs(fonts)
        subprocess.run(["/usr/bin/python3", FONTS, "samples", fonts], check=True)
        shutil.copy("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", fonts)  # scripts/deps.sh installs it
        env = private_env(root, fonts, cache='fc-cache')
        env.update(QT_QPA_PLATFORM="offscreen")

        def run(*arguments):
            done = subprocess.run([program, *arguments], env=env, capture_output=True, timeout=300)
            return done.returncode, done.stdout.decode(), done.stderr.decode()

        failures = []
        by_file = {}
        for text, extra in ((SAMPLE, []), ("Γειά σου κόσμε", ["--sample", "Γειά σου κόσμε"])):
            code, out, err = run("--list", "--all-formats", "--json", "--own-script", *extra)
            rows = [json.loads(line) for line in out.splitlines()]
            if code != 0 or len(rows) < 15:
                sys.exit(f"--list --json --own-script {extra}: exit {code}, {len(rows)} rows; {err}")
            for row in rows:
                font = faces(row["path"])[row["face"]]
                problem = check_row(row, font, text)
                if problem:
                    failures.append(f"{os.path.basename(row['path'])}#{row['face']} with {text!r}: {problem}")
            by_file[text] = {(os.path.basename(r["path"]), r["face"]): r["sample"] for r in rows}
        shown = by_file[SAMPLE]
        for key, want in ((("DejaVuSans.ttf", 0), SAMPLE), (("hebrew.ttf", 0), "שלום עולם"),
                          (("greek-own.ttf", 0), "Καλημέρα κόσμε")):
            if shown.get(key) != want:
                failures.append(f"{key} shows {shown.get(key)!r}, not {want!r}")
        if by_file["Γειά σου κόσμε"].get(("greek.ttf", 0)) != "Γειά σου κόσμε":
            failures.append("the Greek face does not show a Greek sample text")

        # Without --own-script every row shows the text as given.
        code, out, _ = run("--list", "--json", "--sample", "שלום ‏עולם")
        if code != 0 or {json.loads(line)["sample"] for line in out.splitlines()} != {"שלום ‏עולם"}:
            failures.append(f"--sample alone: exit {code}")

        # The exports show what the list shows, in its order.
        listed = [json.loads(line) for line in run("--list", "--all-formats", "--json", "--own-script")[1].splitlines()]
        sheet_path, doc_path = os.path.join(root, "s.xlsx"), os.path.join(root, "d.docx")
        for path in (sheet_path, doc_path):
            code, _, err = run("--export", path, "--all-formats", "--own-script")
            if code != 0:
                failures.append(f"--export {path}: exit {code}, {err}")
        sheet = openpyxl.load_workbook(sheet_path).active
        cells = [(r[0].value, r[2].value) for r in sheet.iter_rows(min_row=1) if r[0].value is not None]
        if cells != [(r["number"], r["sample"]) for r in listed]:
            failures.append(f"the spreadsheet's samples differ from the list's: {cells[:5]}")
        lines = [p.text for p in docx.Document(doc_path).paragraphs if p.text]
        if [line.endswith("     " + r["sample"]) for line, r in zip(lines, listed)].count(False) or len(lines) != len(listed):
            failures.append(f"the document's samples differ from the list's: {lines[:3]}")

        for arguments, reason in ((["--list", "--json", "--sample", ""], "empty"),
                                  (["--list", "--json", "--sample", "a\tb"], "U+0009"),
                                  (["--export", os.path.join(root, "x.xlsx"), "--sample", "a\x1bb"], "U+001B"),
                                  (["--list", "--json", "--sample", "x" * 201], "200"),
                                  (["--list", "--sample", "abc"], "--json")):
            code, _, err = run(*arguments)
            if code != 2 or reason not in err:
                failures.append(f"{arguments[:3]}: exit {code}, {err!r}")
        if os.path.exists(os.path.join(root, "x.xlsx")):
            failures.append("a refused sample still wrote a file")
        if failures:
            sys.exit("\n".join(failures))
        print(f"{len(shown)} faces, every sample drawn from the face's own character map")
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1])
