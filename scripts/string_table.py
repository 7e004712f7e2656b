#!/usr/bin/env python3
"""Generates the portable string table from the STRINGTABLE of the resource
script, so the program's texts have one source.

usage: string_table.py SCRIPT.rc HEADER.h OUTPUT.cpp

Entries are `ID "text"` on one line each, ID a number or a name #defined in
HEADER; escapes \\n, \\t, \\\\ and "" (a quote). Anything else inside a
STRINGTABLE block is an error, so the two tables cannot silently differ.
"""
import re
import sys

ESCAPES = {'n': '\n', 't': '\t', '\\': '\\'}


def read_defines(header):
    defines = {}
    for line in open(header, encoding='ascii'):
        m = re.match(r'\s*#define\s+(\w+)\s+(\d+)\s*$', line)
        if m:
            defines[m.group(1)] = int(m.group(2))
    return defines


def unescape(body, where):
    out = []
    i = 0
    while i < len(body):
        c = body[i]
        if c == '\\':
            if i + 1 >= len(body) or body[i + 1] not in ESCAPES:
                sys.exit(f'{where}: unsupported escape')
            out.append(ESCAPES[body[i + 1]])
            i += 2
        elif c == '"':
            if body[i + 1:i + 2] != '"':
                sys.exit(f'{where}: lone quote inside a text')
            out.append('"')
            i += 2
        else:
            out.append(c)
            i += 1
    return ''.join(out)


def read_strings(script, defines):
    entries = {}
    inside = False
    for number, line in enumerate(open(script, encoding='ascii'), 1):
        where = f'{script}:{number}'
        text = line.strip()
        if not inside:
            inside = text == 'STRINGTABLE'
            continue
        if text in ('', 'BEGIN', '{') or text.startswith('//'):
            continue
        if text in ('END', '}'):
            inside = False
            continue
        m = re.match(r'(\w+)\s*,?\s*"(.*)"$', text)
        if not m:
            sys.exit(f'{where}: not an entry of the form ID "text"')
        name = m.group(1)
        ident = int(name) if name.isdigit() else defines.get(name)
        if ident is None:
            sys.exit(f'{where}: {name} is not defined in the header')
        if ident in entries:
            sys.exit(f'{where}: id {ident} appears twice')
        entries[ident] = unescape(m.group(2), where)
    return entries


def c_literal(text):
    out = []
    for ch in text.encode('latin-1'):
        if ch in (0x22, 0x5C):
            out.append('\\' + chr(ch))
        elif 0x20 <= ch < 0x7F and ch != 0x3F:  # '?' escaped against trigraphs
            out.append(chr(ch))
        else:
            out.append(f'\\{ch:03o}')
    return '"' + ''.join(out) + '"'


def main():
    script, header, output = sys.argv[1:4]
    entries = read_strings(script, read_defines(header))
    lines = ['// Generated from the resource script by scripts/string_table.py; do not edit.',
             '#include "res/StringTable.h"', '', 'namespace res {', '',
             'const StringEntry kStringTable[] = {']
    for ident in sorted(entries):
        lines.append(f'    {{{ident}, {c_literal(entries[ident])}}},')
    lines += ['};', '', 'const std::size_t kStringTableSize = sizeof(kStringTable) / sizeof(kStringTable[0]);',
              '', '}  // namespace res', '']
    content = '\n'.join(lines)
    try:
        if open(output, encoding='ascii').read() == content:
            return
    except OSError:
        pass
    with open(output, 'w', encoding='ascii') as f:
        f.write(content)


if __name__ == '__main__':
    main()
