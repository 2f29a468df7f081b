#!/usr/bin/env python3
"""Flips one bit of one value in one row of a protocol table and checks that
the protocol family's tests notice, for every value of every row.

Run on request only (it is not part of CI):
    tests/mutate/flip_rows.py [--only CPtMP200] [--seed 1] [--list]

The worktree is never modified. The sources are mirrored into
build-mutate/src, where every literal of every namespace-scope (or static)
const table in protocols/ becomes `(literal ^ Mutant(id, bit))`; one build
holds all the mutants, and TREVALO_MUTANT=id switches on one of them per run
of the family's test suites. A mutant that leaves its family green is a
survivor: a table value that no vector pins.
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WORK = os.path.join(ROOT, "build-mutate")
SRC = os.path.join(WORK, "src")
BUILD = os.path.join(WORK, "build")

PRELUDE = """#ifndef TREVALO_MUTANT_PRELUDE
#define TREVALO_MUTANT_PRELUDE
#include <cstdlib>
struct TrevaloMutantBits {
    int v;
    template <class T> operator T() const { return static_cast<T>(v); }
};
static inline int TrevaloMutantChosen() {
    static const int chosen = std::getenv("TREVALO_MUTANT") ? std::atoi(std::getenv("TREVALO_MUTANT")) : -1;
    return chosen;
}
static inline TrevaloMutantBits TrevaloMutant(int value, int id, int bit) {
    return {id == TrevaloMutantChosen() ? value ^ (1 << bit) : value};
}
// A string pointer: its characters have the ids first, first + 1, ...
static inline const char* TrevaloMutantText(const char* s, int first, const char* bits) {
    const int k = TrevaloMutantChosen() - first;
    if (k < 0 || k >= static_cast<int>(__builtin_strlen(s))) return s;
    char* copy = __builtin_strdup(s);
    copy[k] = static_cast<char>(copy[k] ^ (1 << (bits[k] - '0')));
    return copy;
}
#endif
"""

DECL = re.compile(r"^([ \t]*)(static\s+)?(const|constexpr)\s+(?:[\w:]+\s+)?([\w:]+)\s+(\w+)\s*((?:\[[^\]]*\])+)\s*=\s*", re.M)
LITERAL = re.compile(r"(?<![\w.'])(0[xX][0-9A-Fa-f]+|\d+|'(?:\\.|[^'\\])')(?![\w.'])")


def literal_value(text):
    if text.startswith("'"):
        body = text[1:-1]
        if body.startswith("\\"):
            return {"\\0": 0, "\\r": 13, "\\n": 10, "\\t": 9, "\\\\": 92, "\\'": 39}.get(body)
        return ord(body)
    return int(text, 0)


def matching(s, i, open_c="{", close_c="}"):
    """Index of the brace closing the one at s[i]."""
    depth = 0
    while i < len(s):
        c = s[i]
        if c == '"' or c == "'":
            i = s.index(c, i + 1)
            while s[i - 1] == "\\":
                i = s.index(c, i + 1)
        elif c == open_c:
            depth += 1
        elif c == close_c:
            depth -= 1
            if depth == 0:
                return i
        i += 1
    raise ValueError("unbalanced braces")


def top_groups(s, start, end):
    """Spans of the brace groups directly inside s[start:end]."""
    spans, i = [], start
    while i < end:
        if s[i] == "{":
            j = matching(s, i)
            spans.append((i, j + 1))
            i = j + 1
        elif s[i] in "\"'":
            i = s.index(s[i], i + 1) + 1
        else:
            i += 1
    return spans


class Table:
    def __init__(self, path, name, line, rows):
        self.path, self.name, self.line, self.rows = path, name, line, rows


def code_view(text):
    """The text with comments and the insides of literals blanked, same length."""
    out, i = list(text), 0
    while i < len(text):
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = len(text) if j < 0 else j
        elif text.startswith("/*", i):
            j = text.index("*/", i) + 2
        elif text[i] in "\"'":
            j = i + 1
            while text[j] != text[i]:
                j += 2 if text[j] == "\\" else 1
            if text[i] == "'":  # character literals stay, they are values
                i = j + 1
                continue
            for k in range(i + 1, j):  # keep the quotes, blank the string's inside
                out[k] = " "
            i = j + 1
            continue
        else:
            i += 1
            continue
        for k in range(i, j):
            if out[k] != "\n":
                out[k] = " "
        i = j
    return "".join(out)


def row_has_pointer(text, type_name):
    """Whether the row type (a struct of this file) holds a string pointer."""
    m = re.search(r"struct\s+%s\s*\{([^}]*)\}" % re.escape(type_name.split("::")[-1]), text)
    return bool(m and re.search(r"const\s+char\s*\*", m.group(1)))


def find_tables(path, text):
    """Tables of the file; a row is (line, [(start, end, value, in_string)])."""
    code = code_view(text)
    line_of = lambda pos: text.count("\n", 0, pos) + 1
    tables = []
    for m in DECL.finditer(code):
        indent, static, t_type, name = m.group(1), m.group(2), m.group(4), m.group(5)
        if indent and not static:
            continue  # a function's local array, built per call
        pos = m.end()
        while True:
            if code[pos] == "{":
                end = matching(code, pos)
                groups = top_groups(code, pos + 1, end) or [(pos, end + 1)]
                rows = []
                for g0, g1 in groups:
                    lits = []
                    for lm in LITERAL.finditer(code, g0, g1):
                        v = literal_value(lm.group(1))
                        if v is not None:
                            lits.append((lm.start(1), lm.end(1), v, None))
                    for sm in re.finditer(r'"[^"]*"', code[g0:g1]):
                        qa, qb = g0 + sm.start(), g0 + sm.end()
                        body = text[qa + 1:qb - 1]
                        if "\\" in body:
                            continue
                        form = "pointer" if row_has_pointer(text, t_type) else "chars"
                        lits += [(qa + 1 + k, qa + 2 + k, ord(c), (qa, qb, form)) for k, c in enumerate(body)]
                    lits.sort()
                    rows.append((line_of(g0), lits))
                tables.append(Table(path, name, line_of(m.start()), rows))
                pos = end + 1
            elif code[pos] == '"':
                end = code.index('"', pos + 1)
                s = text[pos + 1:end]
                if "\\" not in s:  # a plain string is one row of characters
                    lits = [(pos + 1 + k, pos + 2 + k, ord(c), (pos, end + 1, "chars")) for k, c in enumerate(s)]
                    tables.append(Table(path, name, line_of(m.start()), [(line_of(pos), lits)]))
                pos = end + 1
            else:
                break
            nxt = re.match(r"\s*,\s*(\w+)\s*((?:\[[^\]]*\])+)\s*=\s*", code[pos:])
            if not nxt:
                break
            name = nxt.group(1)
            pos += nxt.end()
    return tables


def mutate_text(text, tables, ids):
    """The source with each chosen literal made switchable; ids: start -> (id, bit)."""
    edits = []  # (start, end, replacement)
    for t in tables:
        for _, lits in t.rows:
            spans = {}
            for a, b, v, span in lits:
                if span is None:
                    if a in ids:
                        edits.append((a, b, "TrevaloMutant(%s, %d, %d)" % ((text[a:b],) + ids[a])))
                else:
                    spans.setdefault(span, []).append((a, v))
            for (qa, qb, form), chars in spans.items():
                if not any(a in ids for a, _ in chars):
                    continue
                if form == "pointer":
                    first = ids[chars[0][0]][0]
                    bits = "".join(str(ids[a][1]) for a, _ in chars)
                    edits.append((qa, qb, 'TrevaloMutantText(%s, %d, "%s")' % (text[qa:qb], first, bits)))
                else:
                    parts = ["TrevaloMutant(%d, %d, %d)" % ((v,) + ids[a]) for a, v in chars]
                    edits.append((qa, qb, "{" + ", ".join(parts + ["0"]) + "}"))
    out, last = [], 0
    for a, b, rep in sorted(edits):
        out.append(text[last:a])
        out.append(rep)
        last = b
    out.append(text[last:])
    body = "".join(out)
    # A table that now calls a function cannot stay constexpr.
    body = re.sub(r"^(\s*(?:static\s+)?)constexpr(\s+[\w:]+\s+\w+\s*\[)", r"\1const\2", body, flags=re.M)
    if "#pragma once" in body:
        return body.replace("#pragma once", "#pragma once\n" + PRELUDE, 1)
    return PRELUDE + body


def families(paths):
    """For each protocol source, the test suites that cover its indexes."""
    registry = open(os.path.join(ROOT, "interface", "PtRegistry.cpp")).read()
    class_index = {c: int(n) for n, c in re.findall(r"\{(\d+),\s*\"[^\"]*\",[^}]*NewCPt(\w+)\}", registry)}
    index_of = {}
    for p in paths:
        base = os.path.splitext(os.path.basename(p))[0]
        index_of[p] = {class_index[base[3:]]} if base.startswith("CPt") and base[3:] in class_index else set()
    for p in paths:  # a shared frame or table: the indexes of its includers
        if not index_of[p]:
            base = os.path.splitext(os.path.basename(p))[0]
            for q in paths:
                if re.search(r'#include "protocols/%s\.h"' % re.escape(base), open(q).read()):
                    index_of[p] |= index_of[q]
    suites_of = {}
    for tf in sorted(os.listdir(os.path.join(ROOT, "tests"))):
        if not tf.endswith("Test.cpp"):
            continue
        text = open(os.path.join(ROOT, "tests", tf)).read()
        if "CheckVectors(" not in text:
            continue  # a family's file has a vector table
        used = {int(n) for n in re.findall(r'\{"[^"]*",\s*(\d+),', text)}
        used |= {int(n) for n in re.findall(r"(?:CaptureChannel|SerialRig)\s+\w+\((\d+)", text)}
        suites = sorted(set(re.findall(r"^TEST(?:_F|_P)?\((\w+),", text, re.M)))
        for i in used:
            suites_of.setdefault(i, set()).update(suites)
    result = {}
    for p in paths:
        suites = set()
        for i in index_of[p]:
            suites |= suites_of.get(i, set())
        result[p] = sorted(suites)
    return result


def mirror(mutated):
    """Brings build-mutate/src up to date, writing only files that changed."""
    keep = set()
    for dirpath, dirnames, filenames in os.walk(ROOT):
        rel = os.path.relpath(dirpath, ROOT)
        dirnames[:] = [d for d in dirnames if not (rel == "." and (d.startswith("build") or d in (".git", "out")))]
        for f in filenames:
            src = os.path.join(dirpath, f)
            dst = os.path.join(SRC, os.path.relpath(src, ROOT))
            keep.add(dst)
            data = mutated.get(src)
            data = data.encode() if data is not None else open(src, "rb").read()
            if os.path.exists(dst) and open(dst, "rb").read() == data:
                continue
            os.makedirs(os.path.dirname(dst), exist_ok=True)
            with open(dst, "wb") as out:
                out.write(data)
            shutil.copymode(src, dst)
    for dirpath, _, filenames in os.walk(SRC):
        for f in filenames:
            if os.path.join(dirpath, f) not in keep:
                os.remove(os.path.join(dirpath, f))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--only", action="append", default=[], help="protocol source base names to mutate")
    ap.add_argument("--seed", type=int, default=1, help="seed for the bit picked in each value")
    ap.add_argument("--list", action="store_true", help="list the tables and rows, change nothing")
    ap.add_argument("--jobs", type=int, default=2)
    args = ap.parse_args()

    pdir = os.path.join(ROOT, "protocols")
    paths = sorted(os.path.join(pdir, f) for f in os.listdir(pdir) if f.endswith((".cpp", ".h")))
    fam = families(paths)
    rng = random.Random(args.seed)
    mutants, mutated = [], {}
    table_count = row_count = 0
    for p in paths:
        text = open(p).read()
        tables = find_tables(p, text)
        base = os.path.splitext(os.path.basename(p))[0]
        if args.only and base not in args.only:
            continue
        ids = {}
        for t in tables:
            table_count += 1
            for line, lits in t.rows:
                row_count += 1
                if args.list:
                    print("%s:%d %s %s" % (os.path.relpath(p, ROOT), line, t.name, [l[2] for l in lits]))
                for lit in lits:
                    width = 7 if (lit[3] or text[lit[0]] == "'") else 8
                    if lit[3] and lit[3][2] == "pointer":
                        width = 5  # keeps the character printable and not a NUL
                    bit = rng.randrange(width)
                    mid = len(mutants)
                    ids[lit[0]] = (mid, bit)
                    mutants.append((p, t.name, line, text[lit[0]:lit[1]], bit, fam[p]))
        if ids:
            mutated[p] = mutate_text(text, tables, ids)
    # Mutated tables are no longer constants, so the lookup index is built on
    # first use instead (a code flipped onto another row's code then throws).
    ptt = os.path.join(pdir, "PtTable.h")
    mutated[ptt] = open(ptt).read().replace("static constexpr Index kIndex", "static const Index kIndex")
    print("%d tables, %d rows, %d values" % (table_count, row_count, len(mutants)))
    if args.list:
        return 0
    uncovered = sorted({m[0] for m in mutants if not m[5]})
    for p in uncovered:
        print("no test suite covers", os.path.relpath(p, ROOT))

    mirror(mutated)
    env = dict(os.environ, CCACHE_BASEDIR=os.environ.get("CCACHE_BASEDIR", "/work"))
    cfg = ["cmake", "-S", SRC, "-B", BUILD, "-DCMAKE_BUILD_TYPE=", "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache",
           "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
    if subprocess.run(cfg, stdout=subprocess.DEVNULL, env=env).returncode != 0:
        return 2
    b = subprocess.run(["cmake", "--build", BUILD, "-j%d" % args.jobs, "--target", "trevalo_tests"],
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, env=env)
    if b.returncode != 0:
        print(b.stdout[-6000:])
        return 2
    binary = os.path.join(BUILD, "tests", "trevalo_tests")

    tmp = tempfile.mkdtemp(prefix="trevalo-mutate-")
    try:
        def run(mid, suites):
            e = dict(env, TREVALO_MUTANT=str(mid), TMPDIR=tmp)
            r = subprocess.run([binary, "--gtest_filter=" + ":".join(s + ".*" for s in suites),
                                "--gtest_brief=1"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               env=e, timeout=300)
            return r.returncode

        baseline = {}
        for suites in sorted({tuple(m[5]) for m in mutants if m[5]}):
            baseline[suites] = run(-1, list(suites))
            if baseline[suites] != 0:
                print("family already red without a mutant:", ",".join(suites))
        caught = survived = 0
        for mid, (p, name, line, lit, bit, suites) in enumerate(mutants):
            if not suites or baseline[tuple(suites)] != 0:
                continue
            if run(mid, suites) != 0:
                caught += 1
            else:
                survived += 1
                print("SURVIVED %s:%d %s value %s bit %d (suites %s)" % (
                    os.path.relpath(p, ROOT), line, name, lit, bit, ",".join(suites)))
        print("%d mutants: %d caught, %d survived" % (caught + survived, caught, survived))
        return 1 if survived else 0
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
