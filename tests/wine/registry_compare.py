#!/usr/bin/env python3
"""Compares the registry entries two installations wrote, as `reg export` files.

    registry_compare.py NAME_A MODULE_A EXPORTS_A... -- NAME_B MODULE_B EXPORTS_B...

Each side is a set of `reg export` files (UTF-16 or UTF-8 text) and the Windows path of the
module that side registered. A file given as VIEW:PATH (VIEW 32 or 64) was exported from that
registry view (reg export /reg:VIEW): its keys are shown and compared under "VIEW:", as the same
key may hold different data in the two views. Within each value, that path becomes <MODULE> and its folder
<DIR> (with and without the closing backslash), so the two sides may differ only where the
module's location differs. Prints every (key, value name, data) of the union, marked "=" when
both sides have it, "<" or ">" when only one does, and exits 1 on any difference or when either
side is empty.
"""
import re
import sys


def read_text(path):
    data = open(path, "rb").read()
    if data.startswith(b"\xff\xfe"):
        return data[2:].decode("utf-16-le")
    return data.decode("utf-8-sig")


def unquote(text):
    """A quoted .reg string ("...", with \\\\ and \\" escapes) and what follows it."""
    assert text.startswith('"')
    out, i = [], 1
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            out.append(text[i + 1])
            i += 2
            continue
        if c == '"':
            return "".join(out), text[i + 1:]
        out.append(c)
        i += 1
    raise ValueError("unterminated string: %r" % text)


def entries(text):
    """(key, value name, data) of an export; a key with no values appears as (key, None, None).
    Keys compare without case, as the registry treats them; data of other types than strings
    stays in its exported form (e.g. 'dword:00000001')."""
    result, key, has_value = set(), None, False
    lines = text.replace("\r\n", "\n").split("\n")
    i = 0
    while i < len(lines):
        line = lines[i]
        while line.endswith("\\") and i + 1 < len(lines):  # continued hex data
            i += 1
            line = line[:-1] + lines[i].strip()
        i += 1
        if line.startswith("[") and line.endswith("]"):
            if key is not None and not has_value:
                result.add((key, None, None))
            key, has_value = line[1:-1].lower(), False
            continue
        if key is None or not line or line.startswith(";") or line.startswith("Windows Registry") \
                or line == "REGEDIT4":
            continue
        if line.startswith("@="):
            name, rest = "", line[1:]
        elif line.startswith('"'):
            name, rest = unquote(line)
        else:
            continue
        rest = rest[1:]  # the '='
        data = unquote(rest)[0] if rest.startswith('"') else rest
        result.add((key, name.lower(), data))
        has_value = True
    if key is not None and not has_value:
        result.add((key, None, None))
    return result


def normalised(found, module):
    folder = module.rsplit("\\", 1)[0]
    out = set()
    for key, name, data in found:
        if data is not None:
            # Longest first: the module's path, then its folder with and without the backslash.
            for text, mark in ((module, "<MODULE>"), (folder + "\\", "<DIR>\\"), (folder, "<DIR>")):
                data = re.sub(re.escape(text), lambda _: mark, data, flags=re.IGNORECASE)
        out.add((key, name, data))
    return out


def side(arguments):
    name, module, files = arguments[0], arguments[1], arguments[2:]
    found = set()
    for path in files:
        view = re.match(r"(32|64):(.*)", path)
        if view is None:
            found |= entries(read_text(path))
        else:
            found |= {(view.group(1) + ":" + key, value_name, data)
                      for key, value_name, data in entries(read_text(view.group(2)))}
    return name, normalised(found, module)


def main(argv):
    if "--" not in argv:
        print(__doc__, file=sys.stderr)
        return 2
    cut = argv.index("--")
    if cut < 2 or len(argv) - cut - 1 < 2:
        print(__doc__, file=sys.stderr)
        return 2
    name_a, a = side(argv[:cut])
    name_b, b = side(argv[cut + 1:])
    print("registry entries: %s (<) against %s (>), '=' when both wrote it" % (name_a, name_b))
    for key, name, data in sorted(a | b, key=lambda e: (e[0], e[1] or "", e[2] or "")):
        mark = "=" if (key, name, data) in a and (key, name, data) in b else ("<" if (key, name, data) in a else ">")
        shown = "(key)" if name is None else "%s = %s" % (name or "@", data)
        print("  %s %s  %s" % (mark, key, shown))
    differences = len(a ^ b)
    print("%d entries, %d on both sides, %d differ" % (len(a | b), len(a & b), differences))
    if not a or not b:
        print("FAIL one side wrote nothing")
        return 1
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
