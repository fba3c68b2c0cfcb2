#!/usr/bin/env python3
"""Checks the resources of VelkorString.dll against the files they are made from.

    check_resources.py <VelkorString.dll> <VelkorString.tlb> <VelkorString.rgs> <toolbox.bmp> <version>

Reads the PE resource directory directly: TYPELIB 1 must be the compiled type library, REGISTRY
102 the registration script, BITMAP 101 the toolbox picture (a 16 x 16, 16-colour bitmap), string
100 "VkString", and the version block must carry the module's names and the project's version
(<version>, as "1.2.3": the fixed versions 1,2,3,0 and the strings "1.2.3"). Prints one line
per failed check and ends with "DONE failures=<n>"; the exit code is 1 when anything failed.
"""
import struct
import sys

RT_BITMAP, RT_STRING, RT_VERSION = 2, 6, 16

failures = 0


def fail(message):
    global failures
    failures += 1
    print("FAIL " + message)


def check(what, actual, expected):
    if actual != expected:
        fail("%s: got %r, expected %r" % (what, actual, expected))


class Image:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (112 if magic == 0x20B else 96)
        self.resource_rva, _ = struct.unpack_from("<II", data, directories + 2 * 8)
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            size, rva, raw_size, raw = struct.unpack_from("<IIII", data, table + i * 40 + 8)
            self.sections.append((rva, max(size, raw_size), raw))
        self.root = self.offset(self.resource_rva)

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("RVA %#x outside every section" % rva)

    def entries(self, directory):
        """(id or name, is_directory, offset relative to the resource root) of a directory."""
        named, numbered = struct.unpack_from("<12xHH", self.data, self.root + directory)
        result = []
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, self.root + directory + 16 + 8 * i)
            if name & 0x80000000:
                at = self.root + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", self.data, at)[0]
                key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            else:
                key = name
            result.append((key, bool(target & 0x80000000), target & 0x7FFFFFFF))
        return result

    def resource(self, kind, ident):
        """The bytes of the first language of resource (kind, ident), or None."""
        for key, is_dir, target in self.entries(0):
            if key != kind or not is_dir:
                continue
            for key2, is_dir2, target2 in self.entries(target):
                if key2 != ident or not is_dir2:
                    continue
                for _, is_dir3, target3 in self.entries(target2):
                    if is_dir3:
                        continue
                    rva, size = struct.unpack_from("<II", self.data, self.root + target3)
                    at = self.offset(rva)
                    return self.data[at:at + size]
        return None


def version_strings(block):
    """The StringFileInfo strings and the fixed version of a VS_VERSIONINFO block."""
    strings = {}
    fixed = {}

    def node(at, end):
        length, value_length, kind = struct.unpack_from("<HHH", block, at)
        key_end = at + 6
        while block[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = block[at + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        if key == "VS_VERSION_INFO" and value_length:
            signature, _, ms, ls, pms, pls = struct.unpack_from("<IIIIII", block, value_at)
            fixed.update(signature=signature, file=(ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF),
                         product=(pms >> 16, pms & 0xFFFF, pls >> 16, pls & 0xFFFF))
        value_bytes = value_length * 2 if kind == 1 else value_length
        children_at = (value_at + value_bytes + 3) & ~3
        if kind == 1 and key not in ("StringFileInfo", "VarFileInfo") and len(key) != 8:
            text = block[value_at:value_at + value_bytes].decode("utf-16-le")
            strings[key] = text.split("\0", 1)[0]
        child = children_at
        while child < min(at + length, end):
            child_length = struct.unpack_from("<H", block, child)[0]
            if child_length == 0:
                break
            node(child, at + length)
            child = (child + child_length + 3) & ~3

    node(0, len(block))
    return strings, fixed


def main():
    if len(sys.argv) != 6:
        print(__doc__)
        return 2
    dll, tlb, rgs, bmp = (open(path, "rb").read() for path in sys.argv[1:5])
    version = sys.argv[5]
    fixed_version = tuple(int(part) for part in version.split(".")) + (0,)
    image = Image(dll)

    check("TYPELIB 1 is the compiled type library", image.resource("TYPELIB", 1) == tlb, True)
    check("REGISTRY 102 is the registration script", image.resource("REGISTRY", 102) == rgs, True)

    bitmap = image.resource(RT_BITMAP, 101)
    if bitmap is None:
        fail("BITMAP 101 is missing")
    else:
        check("BITMAP 101 is toolbox.bmp without its file header", bitmap == bmp[14:], True)
        width, height, planes, bits = struct.unpack_from("<iiHH", bitmap, 4)
        check("toolbox bitmap size and colours", (width, abs(height), planes, bits), (16, 16, 1, 4))

    table = image.resource(RT_STRING, 100 // 16 + 1)
    if table is None:
        fail("the string table block of string 100 is missing")
    else:
        at = 0
        text = None
        for index in range(16):
            length = struct.unpack_from("<H", table, at)[0]
            if index == 100 % 16:
                text = table[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            at += 2 + 2 * length
        check("string 100", text, "VkString")

    block = image.resource(RT_VERSION, 1)
    if block is None:
        fail("the version block is missing")
    else:
        strings, fixed = version_strings(block)
        check("fixed version signature", fixed.get("signature"), 0xFEEF04BD)
        check("fixed file version", fixed.get("file"), fixed_version)
        check("fixed product version", fixed.get("product"), fixed_version)
        expected = {
            "FileDescription": "VkString Module",
            "ProductName": "VkString Module",
            "InternalName": "VkString",
            "OriginalFilename": "VkString.DLL",
            "FileVersion": version,
            "ProductVersion": version,
            "OLESelfRegister": "",
        }
        for key, value in expected.items():
            check("version string " + key, strings.get(key), value)

    print("DONE failures=%d" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
