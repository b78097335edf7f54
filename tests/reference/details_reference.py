#!/usr/bin/env python3
"""`typorama --list --json` and `--where` against an independent reading of the same files with
fontTools and fc-query.

Makes the details fonts of tests/support/opentype_fonts.py (every name ID, vendors, dates at the
edges, a variable face, CFF and CFF2, a collection) beside installed fonts (monospaced, italic,
CFF), runs the program with a fontconfig setup naming only that tree, and compares every row's
JSON key by key with what opentype_fonts.py reads of its face with fontTools and fc-query; then
each of a list of --where expressions against a selection made here from the same facts; --info
on copies fontconfig has never seen; and, after one file is replaced by another font, that the
cached details of the old file are not shown."""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

from private_setup import private_env

FONTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "opentype_fonts.py")


def expected(paths):
    """The facts of every face of the files, by (path, face), as fontTools and fc-query give them."""
    out = subprocess.run(["/usr/bin/python3", FONTS, "expect", *paths], check=True, capture_output=True, text=True)
    facts = [json.loads(line) for line in out.stdout.splitlines()]
    return {(f["path"], f["face"]): f for f in facts}


def holds(f, term):
    negated = term.startswith("!")
    term = term.lstrip("!")
    if term in ("mono", "variable", "italic", "bold", "cff"):
        result = {"mono": f["spacing"] in ("mono", "charcell"), "variable": bool(f["axes"]), "italic": f["italic"],
                  "bold": f["bold"], "cff": f["format"] in ("CFF", "CFF2")}[term]
    elif "~" in term:
        key, text = term.split("~", 1)
        result = text.lower() in str(f.get(key, "")).lower()
    else:
        op = next(op for op in (">=", "<=", "=") if op in term)
        key, value = term.split(op, 1)
        if key in ("weight", "width"):
            result = {">=": f[key] >= int(value), "<=": f[key] <= int(value), "=": f[key] == int(value)}[op]
        elif key in ("lang", "script", "feature"):
            result = value in f["languages" if key == "lang" else key + "s"]
        elif key == "embedding":
            result = f["embedding"] == value
        else:
            result = f["vendor"].rstrip().lower() == value.lower()
    return result != negated


def run(program, env, *arguments):
    done = subprocess.run([program, "--list", "--all-formats", *arguments], env=env, capture_output=True, timeout=300)
    return done.returncode, done.stdout.decode(), done.stderr.decode()


def differences(rows, want, skip=()):
    found = 0
    for row in rows:
        got = {k: v for k, v in row.items() if k != "number"}
        wanted = want[(row["path"], row["face"])]
        for key in sorted((set(wanted) | set(got)) - set(skip)):
            if wanted.get(key) != got.get(key):
                found += 1
                print(f"{row['path']}#{row['face']} {key}: program {got.get(key)!r}, fontTools/fc-query "
                      f"{wanted.get(key)!r}")
    return found


def main(program):
    root = tempfile.mkdtemp(prefix="typorama-details-")
    try:
        fonts = os.path.join(root, "fonts")
        os.makedirs(fonts)
        subprocess.run(["/usr/bin/python3", FONTS, "details", fonts], check=True)
        for source in ("/usr/share/fonts/truetype/liberation/LiberationSerif-Italic.ttf",
                       "/usr/share/fonts/truetype/liberation/LiberationMono-Bold.ttf",
                       "/usr/share/fonts/opentype/cantarell/Cantarell-Regular.otf",
                       "/usr/share/fonts/opentype/urw-base35/NimbusMonoPS-Italic.otf"):
            shutil.copy(source, fonts)  # scripts/deps.sh installs them
        env = private_env(root, fonts, cache='fc-cache')
        time.sleep(3.1)  # old enough for the cache to keep their details

        code, out, err = run(program, env, "--json")
        rows = [json.loads(line) for line in out.splitlines()]
        if code != 0 or not rows:
            sys.exit(f"--list --json failed ({code}): {err}")
        assert [r["number"] for r in rows] == list(range(1, len(rows) + 1)), "numbers not 1..n"
        facts = expected(sorted({r["path"] for r in rows}))
        failures = differences(rows, facts)
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
                           "weight<=400,!cff", "width=5", "lang=el", "lang=ru", "script=grek", "feature=liga",
                           "!feature=kern", "embedding=editable", "embedding=restricted", "embedding=installable",
                           "vendor=ab", "designer~emoji", "manufacturer~ÜN", "copyright~dejavu", "path~.otf"):
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

        # --info reads the same of copies fontconfig has never seen (it queries them itself).
        elsewhere = os.path.join(root, "elsewhere")
        os.makedirs(elsewhere)
        for name in ("variable.ttf", "pair.ttc", "cff2.otf", "mono.ttf"):
            shutil.copy(os.path.join(fonts, name), elsewhere)
        copies = expected(sorted(os.path.join(elsewhere, n) for n in os.listdir(elsewhere)))
        for path, face in copies:
            done = subprocess.run([program, "--info", path, "--face", str(face), "--json"], env=env,
                                  capture_output=True, timeout=60)
            failures += differences([json.loads(done.stdout)] if done.returncode == 0 else [], copies)
            failures += done.returncode != 0

        # A file replaced by another font (same name, its old times put back) shows the new one. Its
        # spacing and languages stay fontconfig's, whose cache of an unchanged folder still holds the
        # old file (fc-list says the same), while fc-query reads the new one.
        target = os.path.join(fonts, "vendor-0.ttf")
        stat = os.stat(target)
        shutil.copyfile(os.path.join(fonts, "mono.ttf"), target)
        os.utime(target, ns=(stat.st_atime_ns, stat.st_mtime_ns))
        code, out, err = run(program, env, "--json", "--where", "path~vendor-0")
        failures += differences([json.loads(line) for line in out.splitlines()], expected([target]),
                                ("spacing", "languages"))
        if len(out.splitlines()) != 1:
            failures += 1
            print(f"after a replacement: {out!r} {err!r}")
        if failures:
            sys.exit(f"{failures} differences")
        print(f"{len(order)} faces, every key as fontTools and fc-query give it")
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1])
