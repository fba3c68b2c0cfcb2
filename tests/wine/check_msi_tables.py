#!/usr/bin/env python3
"""Checks the tables of a built VkString installer against what it must hold.

    check_msi_tables.py <package.msi> <32|64> <VelkorString.rgs> <VelkorString.idl> <version>

Reads the package with msiinfo (msitools) and checks:
  - Registry: exactly the rows tools/msi/registry_wxs.py derives from the registration script and
    the interface description, each in a component of the right registry view (the module's
    bitness; the 32-bit view for a 64-bit type library's second copy);
  - Component: every component of a 64-bit package except that second copy is 64-bit, none of a
    32-bit package is;
  - File: the module, vkstring.exe, README.md and LICENSE.txt, each once, in the installation
    folder, which lies in Program Files of the package's bitness;
  - Property and summary: the project's version, per-machine installation (ALLUSERS=1), the
    platform of the template, and the upgrade code that stays from build to build;
  - no self-registration (SelfReg table empty or absent) and no custom actions.
Prints one line per failed check and ends with "DONE failures=<n>"; exits 1 on any failure.
"""
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "msi"))
import registry_wxs  # noqa: E402

# The upgrade codes of tools/msi/VkString.wxs: a new one would make the next version install
# beside the old one instead of replacing it.
UPGRADE_CODES = {64: "{79B3CB55-E83D-4F48-8945-662E933523F2}", 32: "{713CB078-9D7A-4A5B-9166-065758432C2B}"}
COMPONENT_64BIT = 256

failures = 0


def fail(message):
    global failures
    failures += 1
    print("FAIL " + message)


def table(package, name):
    """The rows of a table as dictionaries by column name ([] when the package lacks it)."""
    tables = subprocess.run(["msiinfo", "tables", package], check=True, capture_output=True, text=True).stdout.split()
    if name not in tables:
        return []
    text = subprocess.run(["msiinfo", "export", package, name], check=True, capture_output=True,
                          text=True).stdout
    lines = text.replace("\r\n", "\n").split("\n")
    columns = lines[0].split("\t")
    # The export's first three lines are the columns, their types and the table's keys.
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line != ""]


def summary(package):
    text = subprocess.run(["msiinfo", "suminfo", package], check=True, capture_output=True, text=True).stdout
    return dict(line.split(": ", 1) for line in text.splitlines() if ": " in line)


def check_registry(package, bits, rgs, idl):
    components = {c["Component"]: int(c["Attributes"] or 0) for c in table(package, "Component")}
    expected = set()
    for line in registry_wxs.table_rows(registry_wxs.all_rows(rgs, idl, bits), "VelkorString.dll",
                                        "INSTALLDIR").splitlines():
        view, root, key, name, value = line.split("\t")
        expected.add((view, root, key, name, value))
    found = set()
    for row in table(package, "Registry"):
        attributes = components.get(row["Component_"])
        if attributes is None:
            fail("Registry row %s belongs to no component" % row["Registry"])
            continue
        is_64 = bool(attributes & COMPONENT_64BIT)
        view = "native" if is_64 == (bits == 64) else "other"
        found.add((view, row["Root"], row["Key"], row["Name"], row["Value"]))
    for row in sorted(expected - found):
        fail("Registry lacks %s" % "\t".join(row))
    for row in sorted(found - expected):
        fail("Registry has the unexpected row %s" % "\t".join(row))
    print("Registry: %d rows, %d as expected" % (len(found), len(found & expected)))


def check_components_and_files(package, bits):
    components = table(package, "Component")
    for c in components:
        is_64 = bool(int(c["Attributes"] or 0) & COMPONENT_64BIT)
        # Only a 64-bit package's copy of the type library in the 32-bit view is 32-bit.
        should_be_64 = bits == 64 and c["Component"] != "TypeLibrary32BitView"
        if is_64 != should_be_64:
            fail("component %s is %s-bit, expected %s-bit" % (c["Component"], 64 if is_64 else 32,
                                                             64 if should_be_64 else 32))
        if c["Directory_"] != "INSTALLDIR":
            fail("component %s installs into %s, not INSTALLDIR" % (c["Component"], c["Directory_"]))
    directories = {d["Directory"]: d for d in table(package, "Directory")}
    program_files = "ProgramFiles64Folder" if bits == 64 else "ProgramFilesFolder"
    folder = directories.get("INSTALLDIR")
    if folder is None or folder["Directory_Parent"] != program_files or folder["DefaultDir"] != "VkString":
        fail("INSTALLDIR is %r, expected VkString under %s" % (folder, program_files))
    names = sorted(f["FileName"] for f in table(package, "File"))
    if names != sorted(["VelkorString.dll", "vkstring.exe", "README.md", "LICENSE.txt"]):
        fail("File lists %s" % names)
    for f in table(package, "File"):
        if int(f["FileSize"]) <= 0:
            fail("File %s is empty" % f["FileName"])
    print("Components: %d; files: %s" % (len(components), " ".join(names)))


def check_properties(package, bits, version):
    properties = {p["Property"]: p["Value"] for p in table(package, "Property")}
    for name, want in (("ProductVersion", version), ("ALLUSERS", "1"), ("UpgradeCode", UPGRADE_CODES[bits])):
        if properties.get(name) != want:
            fail("property %s is %r, expected %r" % (name, properties.get(name), want))
    if not re.fullmatch(r"\{[0-9A-F-]{36}\}", properties.get("ProductCode", "")):
        fail("ProductCode is %r" % properties.get("ProductCode"))
    template = summary(package).get("Template", "")
    want = "x64;1033" if bits == 64 else "Intel;1033"
    if template != want:
        fail("summary Template is %r, expected %r" % (template, want))
    if table(package, "SelfReg"):
        fail("the package self-registers a module")
    if table(package, "CustomAction"):
        fail("the package runs custom actions: %s" % [a["Action"] for a in table(package, "CustomAction")])
    print("Properties: ProductVersion %s, UpgradeCode %s, Template %s" % (properties.get("ProductVersion"),
                                                                        properties.get("UpgradeCode"), template))


def main(argv):
    if len(argv) != 5 or argv[1] not in ("32", "64"):
        print(__doc__, file=sys.stderr)
        return 2
    package, bits, rgs_path, idl_path, version = argv[0], int(argv[1]), argv[2], argv[3], argv[4]
    with open(rgs_path, encoding="utf-8") as f:
        rgs = f.read()
    with open(idl_path, encoding="utf-8") as f:
        idl = f.read()
    check_registry(package, bits, rgs, idl)
    check_components_and_files(package, bits)
    check_properties(package, bits, version)
    print("DONE failures=%d" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
