#!/usr/bin/env python3
"""Turns the module's registration sources into the registry part of its Windows installer.

    registry_wxs.py --rgs VelkorString.rgs --idl VelkorString.idl --bits 64|32
                    [--file-id VelkorString.dll] [--dir-id INSTALLDIR] (--wxi DIR | --rows OUT)

The installer must write what `regsvr32 VelkorString.dll` writes, and nothing else, so both are
made from the same sources:
  - the registration script (component/VelkorString.rgs), which DllRegisterServer runs from the
    module's REGISTRY resource: the ProgIDs and the class key;
  - the interface description (component/VelkorString.idl), from which the type library is
    compiled: what RegisterTypeLib writes for it (the TypeLib key, and an Interface key for
    each dual or automation interface the library describes). A 64-bit library is registered
    in both registry views, as 32-bit processes look libraries and interfaces up too.

--wxi writes two WiX includes into DIR: registry.wxi, the <RegistryValue> elements of the
module's own component (the module's bitness's view), and registry-other-view.wxi, those of the
32-bit view (empty for a 32-bit module), placed in a 32-bit component of their own. --rows
writes the Registry table rows the built package must hold (view, Root, Key, Name, Value, tab
separated, sorted), which the package checks compare against `msiinfo export`.

Where the script names the module (%MODULE%) the installer writes the installed file's path
([#file-id]); the type library's help folder is the installation folder ([dir-id]).
A key with no values is created by a row named "+" (create) or "*" (create, and remove with its
subtree on uninstall): "*" for ForceRemove keys and for the class, version and interface keys,
which unregistration deletes whole.
"""
import argparse
import os
import re
import sys
from xml.sax.saxutils import quoteattr

# What the installer's Registry table calls each root (msidbRegistryRoot*).
ROOTS = {"HKCR": 0, "HKEY_CLASSES_ROOT": 0, "HKCU": 1, "HKEY_CURRENT_USER": 1,
         "HKLM": 2, "HKEY_LOCAL_MACHINE": 2, "HKEY_USERS": 3}
ROOT_NAMES = {0: "HKCR", 1: "HKCU", 2: "HKLM", 3: "HKU"}
# The proxy/stub class of automation interfaces (oleaut32's marshaller), as RegisterTypeLib
# writes it for every dual or oleautomation interface.
AUTOMATION_PROXY = "{00020424-0000-0000-C000-000000000046}"
# Library flags (LIBFLAGS) by IDL attribute. A library loaded from its file also reports
# LIBFLAG_FHASDISKIMAGE, and RegisterTypeLib writes the flags it reports.
LIBRARY_FLAGS = {"restricted": 1, "control": 2, "hidden": 4}
FHASDISKIMAGE = 8


class SourceError(Exception):
    pass


# A registry value as a list of parts: plain text, or one of the names MODULE / DIR, which the
# installer fills in with the installed module's path and folder.
MODULE, DIR = ("MODULE",), ("DIR",)


def tokens(text):
    """The registration script's tokens: '{', '}', '=', ('word', w) and ('quoted', q).

    A brace is a token only when whitespace or the end follows it, so a GUID is one word;
    a quote inside a quoted string is written twice."""
    i, n = 0, len(text)
    while True:
        while i < n and text[i] in " \t\r\n":
            i += 1
        if i >= n:
            return
        c = text[i]
        if c in "{}" and (i + 1 >= n or text[i + 1] in " \t\r\n"):
            i += 1
            yield c
        elif c == "=":
            i += 1
            yield "="
        elif c == "'":
            value, i = [], i + 1
            while True:
                if i >= n:
                    raise SourceError("unterminated quoted string in the registration script")
                if text[i] == "'":
                    if i + 1 < n and text[i + 1] == "'":
                        value.append("'")
                        i += 2
                        continue
                    i += 1
                    break
                value.append(text[i])
                i += 1
            yield ("quoted", "".join(value))
        else:
            start = i
            while i < n and text[i] not in " \t\r\n=":
                i += 1
            yield ("word", text[start:i])


def expand(text, names):
    """A value as parts, its %NAME% references replaced by their values; an unknown name is an
    error, as it is for the module's own registrar, and %% is a plain percent sign. Plain text
    next to plain text is one part."""
    parts, pos = [], 0

    def add(part):
        if part == "":
            return
        if parts and isinstance(part, str) and isinstance(parts[-1], str):
            parts[-1] += part
        else:
            parts.append(part)

    for match in re.finditer(r"%([^%]*)%", text):
        add(text[pos:match.start()])
        name = match.group(1)
        if name == "":
            add("%")
        elif name in names:
            add(names[name])
        else:
            raise SourceError("the registration script names %%%s%%, which has no value here" % name)
        pos = match.end()
    if "%" in text[pos:]:
        raise SourceError("unmatched '%' in the registration script")
    add(text[pos:])
    return parts


class Key:
    def __init__(self, name, flag):
        self.name, self.flag = name, flag
        self.default = None
        self.values = []      # (name, parts)
        self.children = []


class RgsParser:
    def __init__(self, text):
        self.stream = tokens(text)
        self.current = None
        self.advance()

    def advance(self):
        self.current = next(self.stream, None)

    def expect_word(self, what):
        if not isinstance(self.current, tuple):
            raise SourceError("registration script: %s expected, found %r" % (what, self.current))
        word = self.current[1]
        self.advance()
        return word

    def parse(self):
        roots = []
        while self.current is not None:
            if not (isinstance(self.current, tuple) and self.current[0] == "word"
                    and self.current[1].upper() in ROOTS):
                raise SourceError("registration script: a root key expected, found %r" % (self.current,))
            root = ROOTS[self.current[1].upper()]
            self.advance()
            if self.current != "{":
                raise SourceError("registration script: '{' expected after the root key")
            self.advance()
            roots.append((root, self.block(None)))
        return roots

    def string_value(self):
        """'= s 'text'' after a key or a value name."""
        self.advance()  # the '='
        if self.current != ("word", "s") and self.current != ("word", "S"):
            raise SourceError("registration script: only string values (s '...') can be installed, found %r"
                              % (self.current,))
        self.advance()
        if not (isinstance(self.current, tuple) and self.current[0] == "quoted"):
            raise SourceError("registration script: a quoted value expected")
        text = self.current[1]
        self.advance()
        return text

    def block(self, key):
        keys = []
        while self.current != "}":
            if self.current is None:
                raise SourceError("registration script: missing '}'")
            if isinstance(self.current, tuple) and self.current[0] == "word" and self.current[1].lower() == "val":
                if key is None:
                    raise SourceError("registration script: a named value directly under a root key")
                self.advance()
                name = self.expect_word("a value name")
                if self.current != "=":
                    raise SourceError("registration script: '=' expected after the value name %r" % name)
                key.values.append((name, self.string_value()))
                continue
            keys.append(self.one_key())
        self.advance()
        if key is not None:
            key.children = keys
        return keys

    def one_key(self):
        flag = "Normal"
        if isinstance(self.current, tuple) and self.current[0] == "word":
            for f in ("ForceRemove", "NoRemove", "Delete"):
                if self.current[1].lower() == f.lower():
                    flag = f
                    self.advance()
        key = Key(self.expect_word("a key name"), flag)
        if key.name == "":
            raise SourceError("registration script: an empty key name")
        if self.current == "=":
            key.default = self.string_value()
        if self.current == "{":
            self.advance()
            self.block(key)
        return key


def script_rows(text):
    """(root, key path, value name, parts) rows for the registration script; a None name is a
    key row ("+" or "*"), "" the default value."""
    rows = []
    names = {"MODULE": MODULE}

    def walk(root, parent, key):
        path = key.name if parent is None else parent + "\\" + key.name
        if key.flag == "Delete":
            raise SourceError("registration script: the Delete key %s cannot be expressed by the installer" % path)
        if key.flag == "ForceRemove":
            rows.append((root, path, "*", []))
        elif key.flag == "Normal" and key.default is None and not key.values:
            rows.append((root, path, "*" if not key.children else "+", []))
        if key.default is not None:
            rows.append((root, path, "", expand(key.default, names)))
        for name, value in key.values:
            rows.append((root, path, name, expand(value, names)))
        for child in key.children:
            walk(root, path, child)

    for root, keys in RgsParser(text).parse():
        for key in keys:
            walk(root, None, key)
    return rows


def idl_blocks(text):
    """(attributes, kind, name, start, end) of each attributed item of an interface description
    without comments: '[ ... ] interface|dispinterface|library|coclass Name { ... }'."""
    items = []
    for match in re.finditer(r"\[([^\[\]]*)\]\s*(interface|dispinterface|library|coclass)\s+(\w+)", text):
        body_start = text.find("{", match.end())
        depth, i = 0, body_start
        while i < len(text):
            depth += {"{": 1, "}": -1}.get(text[i], 0)
            if depth == 0:
                break
            i += 1
        items.append((match.group(1), match.group(2), match.group(3), match.start(), i))
    return items


def attribute(attributes, name):
    """The argument of an attribute such as uuid(...), or True for a bare one, or None."""
    match = re.search(r"(?:^|,)\s*%s\s*(?:\(\s*(\"(?:[^\"\\]|\\.)*\"|[^)]*?)\s*\))?\s*(?=,|$)" % name, attributes)
    if match is None:
        return None
    argument = match.group(1)
    if argument is None:
        return True
    return argument[1:-1] if argument.startswith('"') else argument


def type_library_rows(text, bits):
    """What RegisterTypeLib writes for the library the description defines: its TypeLib key
    (name, flags, the file for the platform, the help folder) and an Interface key for every
    interface it describes that automation marshals (dual, oleautomation, or a dispinterface)."""
    text = re.sub(r"//[^\n]*|/\*.*?\*/", "", text, flags=re.S)
    items = idl_blocks(text)
    libraries = [item for item in items if item[1] == "library"]
    if len(libraries) != 1:
        raise SourceError("the interface description must define exactly one library")
    attributes, _, library_name, lib_start, lib_end = libraries[0]
    libid = attribute(attributes, "uuid")
    version = attribute(attributes, "version")
    if not isinstance(libid, str) or not isinstance(version, str):
        raise SourceError("the library needs uuid(...) and version(...)")
    libid = "{%s}" % libid.upper()
    major, _, minor = version.partition(".")
    version = "%x.%x" % (int(major), int(minor or "0"))
    helpstring = attribute(attributes, "helpstring")
    lcid = attribute(attributes, "lcid")
    lcid = "%x" % int(lcid, 0) if isinstance(lcid, str) else "0"
    flags = FHASDISKIMAGE | sum(value for name, value in LIBRARY_FLAGS.items()
                                if attribute(attributes, name) is True)
    base = "TypeLib\\%s\\%s" % (libid, version)
    rows = [
        (0, base, "*", []),
        (0, base, "", [helpstring if isinstance(helpstring, str) else library_name]),
        (0, base + "\\FLAGS", "", ["%d" % flags]),
        (0, "%s\\%s\\%s" % (base, lcid, "win64" if bits == 64 else "win32"), "", [MODULE]),
        (0, base + "\\HELPDIR", "", [DIR]),
    ]
    # The library holds the interfaces declared inside it and those its coclasses name.
    named = set(re.findall(r"interface\s+(\w+)\s*;", text[lib_start:lib_end]))
    for attributes, kind, name, start, _ in items:
        if kind not in ("interface", "dispinterface"):
            continue
        inside = lib_start < start < lib_end
        automation = kind == "dispinterface" or attribute(attributes, "dual") is True \
            or attribute(attributes, "oleautomation") is True
        if not (inside or name in named) or not automation:
            continue
        iid = attribute(attributes, "uuid")
        if not isinstance(iid, str):
            raise SourceError("the interface %s has no uuid(...)" % name)
        key = "Interface\\{%s}" % iid.upper()
        rows += [
            (0, key, "*", []),
            (0, key, "", [name]),
            (0, key + "\\ProxyStubClsid", "", [AUTOMATION_PROXY]),
            (0, key + "\\ProxyStubClsid32", "", [AUTOMATION_PROXY]),
            (0, key + "\\TypeLib", "", [libid]),
            (0, key + "\\TypeLib", "Version", [version]),
        ]
    return rows


def formatted(parts, file_id, dir_id):
    """A value as the installer's formatted text: brackets in plain text are escaped ([\\[] and
    [\\]]), the module becomes [#file-id] and the folder [dir-id]."""
    out = []
    for part in parts:
        if part is MODULE:
            out.append("[#%s]" % file_id)
        elif part is DIR:
            out.append("[%s]" % dir_id)
        else:
            out.append(re.sub(r"[\[\]]", lambda m: "[\\%s]" % m.group(0), part))
    return "".join(out)


def all_rows(rgs_text, idl_text, bits):
    """(view, root, key, name, parts) of everything registration writes; view is "native" (the
    module's bitness) or "other" (the 32-bit view, for a 64-bit module's type library)."""
    library = type_library_rows(idl_text, bits)
    rows = [("native",) + row for row in script_rows(rgs_text) + library]
    if bits == 64:
        rows += [("other",) + row for row in library]
    seen = set()
    for view, root, key, name, _ in rows:
        entry = (view, root, key.lower(), name.lower())
        if entry in seen:
            raise SourceError("%s\\%s: the value %r is written twice" % (ROOT_NAMES[root], key, name))
        seen.add(entry)
    return rows


def wxi(rows, view, file_id, dir_id):
    """The include of one view's rows. The other view's component has no file, so its first
    value is its key path."""
    lines = ['<?xml version="1.0" encoding="utf-8"?>',
             "<!-- Generated by tools/msi/registry_wxs.py from the registration script and the interface",
             "     description; do not edit. -->",
             "<Include>"]
    key_path = view == "other"
    for row_view, root, key, name, parts in rows:
        if row_view != view:
            continue
        value = formatted(parts, file_id, dir_id)
        extra = "" if name == "" else " Name=%s" % quoteattr(name)
        if key_path and name not in ("+", "*"):
            extra += ' KeyPath="yes"'
            key_path = False
        lines.append("  <RegistryValue Root=%s Key=%s%s Type=\"string\" Value=%s/>"
                     % (quoteattr(ROOT_NAMES[root]), quoteattr(key), extra, quoteattr(value)))
    lines.append("</Include>")
    return "\n".join(lines) + "\n"


def table_rows(rows, file_id, dir_id):
    """The Registry table as msiinfo exports it (Root, Key, Name, Value), one row a line, sorted."""
    out = []
    for view, root, key, name, parts in rows:
        value = formatted(parts, file_id, dir_id)
        # A string value beginning with '#' is stored with one more '#', so it is not read as
        # a number.
        if value.startswith("#"):
            value = "#" + value
        out.append("%s\t%d\t%s\t%s\t%s" % (view, root, key, name, value))
    return "\n".join(sorted(out)) + "\n"


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--rgs", required=True)
    parser.add_argument("--idl", required=True)
    parser.add_argument("--bits", type=int, choices=(32, 64), required=True)
    parser.add_argument("--file-id", default="VelkorString.dll")
    parser.add_argument("--dir-id", default="INSTALLDIR")
    output = parser.add_mutually_exclusive_group(required=True)
    output.add_argument("--wxi")
    output.add_argument("--rows")
    args = parser.parse_args(argv)
    try:
        with open(args.rgs, encoding="utf-8") as f:
            rgs_text = f.read()
        with open(args.idl, encoding="utf-8") as f:
            idl_text = f.read()
        rows = all_rows(rgs_text, idl_text, args.bits)
    except (OSError, SourceError) as error:
        print("registry_wxs.py: %s" % error, file=sys.stderr)
        return 1
    if args.rows:
        outputs = {args.rows: table_rows(rows, args.file_id, args.dir_id)}
    else:
        outputs = {os.path.join(args.wxi, "registry.wxi"): wxi(rows, "native", args.file_id, args.dir_id),
                   os.path.join(args.wxi, "registry-other-view.wxi"): wxi(rows, "other", args.file_id, args.dir_id)}
    for path, text in outputs.items():
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
