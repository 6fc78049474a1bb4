#!/usr/bin/env python3
"""The texts' table for the native build, and the checks on the texts.

gen-text-table.py table IDS_HEADER TEXTS_RC OUT.inc
    Reads the string tables of TEXTS_RC (one per language), checks that both
    languages have the same numbers and that each pair has the same %s and %d
    in the same order, and writes them as a C++ table. Fails on any mismatch.
gen-text-table.py literals SRC_DIR
    Fails when a C++ file below SRC_DIR has a string or character literal with
    a character outside ASCII (comments may have them): such texts belong in
    the resources.
"""
import pathlib
import re
import sys

LANGUAGES = {"LANG_JAPANESE": "ja", "LANG_ENGLISH": "en"}


def read_ids(header):
    ids = {}
    for match in re.finditer(r"^#define\s+(IDS_\w+)\s+(\d+)\s*$", header.read_text(encoding="utf-8"), re.M):
        ids[match.group(1)] = int(match.group(2))
    return ids


def unescape(text):
    out, i = [], 0
    escapes = {"r": "\r", "n": "\n", "t": "\t", "\\": "\\", '"': '"'}
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text) and text[i + 1] in escapes:
            out.append(escapes[text[i + 1]])
            i += 2
        elif c == '"' and text[i + 1 : i + 2] == '"':
            out.append('"')
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def read_tables(rc, ids, errors):
    tables, language, in_table = {}, None, False
    for number, line in enumerate(rc.read_text(encoding="utf-8").splitlines(), 1):
        stripped = line.strip()
        match = re.match(r"LANGUAGE\s+(\w+)\s*,", stripped)
        if match:
            language = LANGUAGES.get(match.group(1))
            if language is None:
                errors.append(f"{rc}:{number}: unknown language {match.group(1)}")
            continue
        if stripped == "STRINGTABLE":
            tables.setdefault(language, {})
            in_table = True
            continue
        if stripped == "END":
            in_table = False
            continue
        if not in_table or stripped in ("", "BEGIN") or stripped.startswith("//"):
            continue
        match = re.match(r'(IDS_\w+)\s+"((?:[^"]|"")*)"$', stripped)
        if not match or match.group(1) not in ids:
            errors.append(f"{rc}:{number}: not a known text: {stripped}")
            continue
        if match.group(1) in tables[language]:
            errors.append(f"{rc}:{number}: {match.group(1)} twice in {language}")
        tables[language][match.group(1)] = unescape(match.group(2))
    return tables


def specifiers(text):
    return re.findall(r"%[sd]", text.replace("%%", ""))


def check_pairs(ids, tables, errors):
    for language in LANGUAGES.values():
        if language not in tables:
            errors.append(f"no string table for {language}")
            return
    ja, en = tables["ja"], tables["en"]
    for name in sorted(set(ids) - set(ja)):
        errors.append(f"{name} has no Japanese text")
    for name in sorted(set(ids) - set(en)):
        errors.append(f"{name} has no English text")
    for name in sorted(set(ja) & set(en)):
        if specifiers(ja[name]) != specifiers(en[name]):
            errors.append(f"{name}: Japanese {specifiers(ja[name])} but English {specifiers(en[name])}")
    numbers = {}
    for name, number in ids.items():
        if number in numbers:
            errors.append(f"{name} and {numbers[number]} share the number {number}")
        numbers[number] = name


def cxx_literal(text):
    escaped = text.replace("\\", "\\\\").replace('"', '\\"').replace("\r", "\\r").replace("\n", "\\n")
    return 'u8"' + escaped + '"'


def table(header, rc, out):
    ids = read_ids(pathlib.Path(header))
    errors = []
    tables = read_tables(pathlib.Path(rc), ids, errors)
    check_pairs(ids, tables, errors)
    if errors:
        print("\n".join(errors), file=sys.stderr)
        return 1
    lines = ["// Made by scripts/gen-text-table.py from the resource file; do not edit.", ""]
    for name in sorted(ids, key=ids.get):
        ja, en = cxx_literal(tables["ja"][name]), cxx_literal(tables["en"][name])
        lines.append(f"{{{ids[name]}, {ja}, {en}}},")
    text = "\n".join(lines) + "\n"
    path = pathlib.Path(out)
    if not path.exists() or path.read_text(encoding="utf-8") != text:
        path.write_text(text, encoding="utf-8")
    return 0


LITERAL = re.compile(r'//[^\n]*|/\*.*?\*/|(?:u8|u|U|L)?R"([^(\s]*)\((.*?)\)\1"|(?:u8|u|U|L)?"(?:\\.|[^"\\\n])*"'
                     r"|(?:u8|u|U|L)?'(?:\\.|[^'\\\n])*'", re.S)


def literals(src):
    found = []
    for path in sorted(pathlib.Path(src).rglob("*")):
        if path.suffix not in (".cpp", ".h", ".inc", ".in") or not path.is_file():
            continue
        text = path.read_text(encoding="utf-8", errors="replace")
        for match in LITERAL.finditer(text):
            token = match.group(0)
            if token.startswith("/"):
                continue
            if any(ord(c) > 127 for c in token):
                line = text.count("\n", 0, match.start()) + 1
                found.append(f"{path}:{line}: {token[:60]}")
    if found:
        print("Texts outside the resources:\n" + "\n".join(found), file=sys.stderr)
        return 1
    print("no text outside the resources")
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "table":
        sys.exit(table(*sys.argv[2:]))
    if len(sys.argv) == 3 and sys.argv[1] == "literals":
        sys.exit(literals(sys.argv[2]))
    print(__doc__, file=sys.stderr)
    sys.exit(2)
