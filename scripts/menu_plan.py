#!/usr/bin/env python3
"""Generates the program's menus and accelerator tables from the menu plan,
so that every command has one line and the menus cannot drift from it.

usage: menu_plan.py PLAN.txt OUTPUT.rc OUTPUT.cpp

The plan's format is described in res/README.md. OUTPUT.rc holds menus 180
and 181, the in-place menu 6 and the embedding menu 9, and their
accelerator tables (the resource script includes it);
OUTPUT.cpp holds every row of the plan as res::kMenuPlan (res/MenuPlan.h).
A malformed plan stops the build with the line at fault.
"""
import re
import sys

MENUS = {'180': 1, '181': 2, '6': 8, '9': 16}
IN_MENUS = 1 | 2 | 8 | 16
SYSTEM = 4          # keys the window system serves (the MDI child keys)
DOC, IN_PLACE, EMBEDDING = 2, 8, 16

# ACCEL flags of the platform.
FVIRTKEY, FSHIFT, FCONTROL, FALT = 0x01, 0x04, 0x08, 0x10

NAMED_KEYS = {
    'Del': 0x2E, 'Ins': 0x2D, 'Esc': 0x1B, 'Enter': 0x0D, 'Tab': 0x09, 'Space': 0x20,
    'Back': 0x08, 'Home': 0x24, 'End': 0x23, 'PgUp': 0x21, 'PgDn': 0x22,
    'Left': 0x25, 'Up': 0x26, 'Right': 0x27, 'Down': 0x28, '[': 0xDB, ']': 0xDD,
}
# '+' and '-' with a modifier: the main keyboard's key and the keypad's.
PLUS_KEYS = (0xBB, 0x6B)
MINUS_KEYS = (0xBD, 0x6D)
MODIFIERS = {'Ctrl': FCONTROL, 'Shift': FSHIFT, 'Alt': FALT}


class PlanError(Exception):
    pass


def parse_key(text):
    """A key as written in the plan -> list of (flags, key) accelerator entries."""
    if text in ('+', '-'):
        return [(0, ord(text))]  # the typed character, however it is typed
    parts = text.split('+')
    if text.endswith('++'):
        parts = parts[:-2] + ['+']
    mods = 0
    for m in parts[:-1]:
        if m not in MODIFIERS or mods & MODIFIERS[m]:
            raise PlanError(f'bad modifier {m!r} in key {text!r}')
        mods |= MODIFIERS[m]
    name = parts[-1]
    if mods == 0 and not re.fullmatch(r'F\d+|Del|Ins|Esc', name):
        raise PlanError(f'key {text!r} needs a modifier')
    flags = FVIRTKEY | mods
    if name == '+':
        return [(flags, k) for k in PLUS_KEYS]
    if name == '-':
        return [(flags, k) for k in MINUS_KEYS]
    if re.fullmatch(r'[A-Z0-9]', name):
        return [(flags, ord(name))]
    m = re.fullmatch(r'F(\d+)', name)
    if m and 1 <= int(m.group(1)) <= 24:
        return [(flags, 0x70 + int(m.group(1)) - 1)]
    if name in NAMED_KEYS:
        return [(flags, NAMED_KEYS[name])]
    raise PlanError(f'unknown key {text!r}')


def plain(text):
    return text.replace('&', '')


class Row:
    def __init__(self, line, fields):
        self.line = line
        ident, state, menus, owner, keys, path, text = fields
        self.kind = ident if ident in ('popup', 'sep') else 'command'
        self.first = self.last = 0
        if self.kind == 'command':
            m = re.fullmatch(r'(\d+)(?:-(\d+))?', ident)
            if not m:
                raise PlanError(f'bad id {ident!r}')
            self.first = int(m.group(1))
            self.last = int(m.group(2) or m.group(1))
            if self.last < self.first or self.last > 0xFFFF:
                raise PlanError(f'bad id range {ident!r}')
        allowed = {'command': ('on', 'off'), 'popup': ('fixed', 'auto'), 'sep': ('',)}[self.kind]
        if state not in allowed:
            raise PlanError(f'state {state!r} of a {self.kind} row must be one of {allowed}')
        self.state = state
        self.menus = 0
        for token in menus.split():
            if token in MENUS:
                self.menus |= MENUS[token]
            elif token == 'sys' and len(menus.split()) == 1:
                self.menus = SYSTEM
            elif token != '-' or len(menus.split()) != 1:
                raise PlanError(f'bad menus {menus!r}')
        self.owner = owner
        if self.kind == 'command' and not re.fullmatch(r'[a-z]+', owner):
            raise PlanError('a command needs an owner (one lower-case word)')
        self.keys = keys.split()
        self.accels = []
        for key in self.keys:
            self.accels += parse_key(key)
        self.path = path
        if len(text) >= 2 and text[0] == '"' and text[-1] == '"':
            text = text[1:-1]
        self.text = text
        if self.kind == 'command' and not text:
            raise PlanError('a command needs a text')
        if self.kind != 'command' and self.keys:
            raise PlanError('only commands take keys')
        if self.in_menus() and self.first != self.last:
            raise PlanError('a menu item has one id')

    def in_menus(self):
        return self.menus & IN_MENUS != 0 and self.path != '-'

    def shown(self):
        return self.kind == 'command' and self.state == 'on'


def read_plan(path):
    rows = []
    for number, line in enumerate(open(path, encoding='utf-8'), 1):
        if not line.strip() or line.lstrip().startswith('#'):
            continue
        fields = [f.strip() for f in line.rstrip('\n').split('|', 6)]
        try:
            if len(fields) != 7:
                raise PlanError('a row has seven columns separated by "|"')
            rows.append(Row(f'{path}:{number}', fields))
        except PlanError as e:
            sys.exit(f'{path}:{number}: {e}')
    inherit_menus(rows)
    return rows


def inherit_menus(rows):
    """Menu 9 (an image embedded in a container, edited in the program's
    window) holds all of 181; menu 6 (the image edited in place) holds the
    181 rows of the top-level popups that name 6 and the 181 keys of no
    menu. Rows that name 6 or 9 themselves are theirs alone."""
    in_place_roots = {r.path for r in rows if r.kind == 'popup' and '/' not in r.path and r.menus & IN_PLACE}
    for r in rows:
        if r.menus & DOC:
            r.menus |= EMBEDDING
            top = r.path.split('/')[0]
            if top in in_place_roots or (r.kind == 'command' and not r.in_menus()):
                r.menus |= IN_PLACE


class Popup:
    def __init__(self, row):
        self.row = row
        self.children = []  # Rows and Popups in plan order


def build_trees(rows):
    """Checks the plan as a whole and returns the popup tree of each path."""
    popups = {}
    roots = []
    ids = []
    accels = {m: {} for m in MENUS.values()}
    for row in rows:
        try:
            if row.kind == 'command':
                for other in ids:
                    if row.first <= other.last and other.first <= row.last:
                        raise PlanError(f'id {row.first} is also on {other.line}')
                ids.append(row)
                if row.shown():
                    for menu in MENUS.values():
                        if row.menus & menu:
                            for accel in row.accels:
                                if accel in accels[menu]:
                                    raise PlanError(f'key {accel} is also on {accels[menu][accel].line}')
                                accels[menu][accel] = row
            if row.kind == 'popup':
                if row.path in popups:
                    raise PlanError(f'popup {row.path!r} appears twice')
                if row.path.split('/')[-1] != plain(row.text):
                    raise PlanError('the popup text must name the last part of its path')
                node = Popup(row)
                popups[row.path] = node
                parent_path = row.path.rpartition('/')[0]
                if not parent_path:
                    roots.append(node)
                    continue
                parent = popups.get(parent_path)
                if parent is None:
                    raise PlanError(f'popup {parent_path!r} is not declared before')
                if row.menus & ~parent.row.menus:
                    raise PlanError(f'in a menu its popup {parent_path!r} is not in')
                parent.children.append(node)
            elif row.in_menus() or row.kind == 'sep':
                parent = popups.get(row.path)
                if parent is None:
                    raise PlanError(f'popup {row.path!r} is not declared before')
                if row.menus & ~parent.row.menus:
                    raise PlanError(f'in a menu its popup {row.path!r} is not in')
                parent.children.append(row)
        except PlanError as e:
            sys.exit(f'{row.line}: {e}')
    return roots


def mnemonic(text):
    """The letter Alt or a key in an open menu reaches an entry by: the
    character after its first single '&' ('&&' is a plain '&'), upper case;
    None when the text has none."""
    i = 0
    while True:
        i = text.find('&', i)
        if i < 0 or i + 1 >= len(text):
            return None
        if text[i + 1] == '&':
            i += 2
            continue
        return text[i + 1].upper()


def check_mnemonics(roots):
    """No two entries of one popup (or of a menu bar) share a mnemonic in
    any generated menu: a key must reach the entry it names."""
    def check(entries, menu):
        seen = {}
        for child in entries:
            row = child.row if isinstance(child, Popup) else child
            if row.kind == 'sep':
                continue
            key = mnemonic(row.text)
            if key is None:
                continue
            if key in seen:
                raise PlanError(f'{row.line}: mnemonic {key!r} of {row.text!r} is also '
                                f'{seen[key].text!r} ({seen[key].line}) in menu {name}')
            seen[key] = row
        for child in entries:
            if isinstance(child, Popup):
                check(visible_children(child, menu), menu)
    for name, menu in MENUS.items():
        bar = [r for r in roots if r.row.menus & menu]
        check(bar, menu)


def rc_text(text):
    return '"' + text.replace('"', '""').replace('\t', '\\t') + '"'


def visible_children(node, menu):
    """The children a menu shows: on items, popups that show, and separators
    only between two shown entries."""
    out = []
    for child in node.children:
        if isinstance(child, Popup):
            if child.row.menus & menu and (child.row.state == 'fixed' or visible_children(child, menu)):
                out.append(child)
        elif child.menus & menu and (child.shown() or child.kind == 'sep'):
            out.append(child)
    tidy = []
    for child in out:
        is_sep = not isinstance(child, Popup) and child.kind == 'sep'
        if is_sep and (not tidy or (not isinstance(tidy[-1], Popup) and tidy[-1].kind == 'sep')):
            continue
        tidy.append(child)
    while tidy and not isinstance(tidy[-1], Popup) and tidy[-1].kind == 'sep':
        tidy.pop()
    return tidy


def item_text(row):
    return row.text + ('\t' + row.keys[0] if row.keys else '')


def emit_popup(node, menu, indent, out):
    children = visible_children(node, menu)
    out.append(f'{indent}POPUP {rc_text(node.row.text)}' + ('' if children else ', GRAYED'))
    out.append(f'{indent}BEGIN')
    if not children:
        # The resource format ends a popup on its last item: one is needed.
        out.append(f'{indent}  MENUITEM SEPARATOR')
    for child in children:
        if isinstance(child, Popup):
            emit_popup(child, menu, indent + '  ', out)
        elif child.kind == 'sep':
            out.append(f'{indent}  MENUITEM SEPARATOR')
        else:
            out.append(f'{indent}  MENUITEM {rc_text(item_text(child))}, {child.first}')
    out.append(f'{indent}END')


def emit_rc(roots, rows):
    out = ['// Generated from res/MenuPlan.txt by scripts/menu_plan.py; do not edit.',
           '#pragma code_page(1252)', '']
    for name, menu in MENUS.items():
        out += [f'{name} MENU', 'BEGIN']
        if menu == IN_PLACE:
            # The container's file group goes before the object's popups.
            out.append('  MENUITEM SEPARATOR')
        for root in roots:
            if root.row.menus & menu:
                emit_popup(root, menu, '  ', out)
        out += ['END', '']
        out += [f'{name} ACCELERATORS', 'BEGIN']
        for row in rows:
            if row.shown() and row.menus & menu:
                for flags, key in row.accels:
                    if flags & FVIRTKEY:
                        mods = ''.join(f', {n}' for f, n in ((FSHIFT, 'SHIFT'), (FCONTROL, 'CONTROL'), (FALT, 'ALT'))
                                       if flags & f)
                        out.append(f'  {key}, {row.first}, VIRTKEY{mods}, NOINVERT')
                    else:
                        out.append(f'  {rc_text(chr(key))}, {row.first}, ASCII, NOINVERT')
        out += ['END', '']
    return '\n'.join(out)


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


def emit_cpp(rows):
    kinds = {'command': 'kCommand', 'popup': 'kPopup', 'sep': 'kSeparator'}
    out = ['// Generated from res/MenuPlan.txt by scripts/menu_plan.py; do not edit.',
           '#include "res/MenuPlan.h"', '', 'namespace res {', 'namespace {', '']
    for i, row in enumerate(rows):
        if row.accels:
            entries = ', '.join(f'{{{flags}, {key}}}' for flags, key in row.accels)
            out.append(f'constexpr MenuAccel kAccels{i}[] = {{{entries}}};')
    out += ['', '}  // namespace', '', 'const MenuPlanRow kMenuPlan[] = {']
    for i, row in enumerate(rows):
        accels = f'kAccels{i}, {len(row.accels)}' if row.accels else 'nullptr, 0'
        on = 'true' if row.state in ('on', 'fixed') else 'false'
        out.append(f'    {{MenuPlanRow::{kinds[row.kind]}, {row.first}, {row.last}, {on}, {row.menus}, '
                   f'{c_literal(row.owner)}, {c_literal(" ".join(row.keys))}, {c_literal(row.path)}, '
                   f'{c_literal(row.text)}, {accels}}},')
    out += ['};', '', 'const std::size_t kMenuPlanSize = sizeof(kMenuPlan) / sizeof(kMenuPlan[0]);', '',
            '}  // namespace res', '']
    return '\n'.join(out)


def write_if_changed(path, content, encoding):
    try:
        if open(path, encoding=encoding).read() == content:
            return
    except OSError:
        pass
    with open(path, 'w', encoding=encoding) as f:
        f.write(content)


def main():
    plan, rc_out, cpp_out = sys.argv[1:4]
    rows = read_plan(plan)
    roots = build_trees(rows)
    try:
        check_mnemonics(roots)
    except PlanError as e:
        sys.exit(str(e))
    try:
        write_if_changed(rc_out, emit_rc(roots, rows), 'cp1252')
        write_if_changed(cpp_out, emit_cpp(rows), 'ascii')
    except UnicodeEncodeError as e:
        sys.exit(f'{plan}: a text holds a character outside the Windows-1252 set: {e}')


if __name__ == '__main__':
    main()
