#!/usr/bin/env python3
"""Writes src/species/CharacterTable.cpp from the games' character table
(gen4_charmap.csv: code, char, kind, ...): every code of kind "char" with its text."""
import csv
import sys

source, target = sys.argv[1], sys.argv[2]
rows = []
with open(source, encoding="utf-8", newline="") as f:
    for row in csv.DictReader(f):
        if row["kind"] == "char":
            rows.append((int(row["code"], 16), row["char"]))
rows.sort()


def literal(text):
    out = ""
    escaped = False
    for b in text.encode("utf-8"):
        c = chr(b)
        if 0x20 <= b < 0x7F and c not in '"\\?':
            # A hex digit right after an escape would join it: the literal is split there.
            out += ('""' if escaped and c in "0123456789abcdefABCDEF" else "") + c
            escaped = False
        else:
            out += "\\x%02X" % b
            escaped = True
    return '"' + out + '"'


with open(target, "w", encoding="utf-8", newline="\n") as out:
    out.write("// Made by scripts/make-character-table.py from the games' character table; do not edit.\n")
    out.write('#include "species/CharacterTable.h"\n\nnamespace quillmark::species {\n\n')
    out.write("const std::array<GameCharacter, %d> GameCharacters = {{\n" % len(rows))
    for code, text in rows:
        out.write("    {0x%04X, %s},\n" % (code, literal(text)))
    out.write("}};\n\n} // namespace quillmark::species\n")
