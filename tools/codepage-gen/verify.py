#!/usr/bin/env python3
"""Cross-checks the generated code-page tables against independent converters.

Reads the stored blobs back out of charset/tables/cp*.cpp with its own reader of the stored
format (base64, container, bzip2, delta-coded records), checks the format's invariants, builds
the decode and encode tables the way the table store does (chained hash tables with first-match
lookup, the 10001 patch on 932 and its inverted decode table), applies the engine's ASCII rule,
and compares every page, code by code and character by character, with:

  py:NAME    Python's codec NAME
  icu:NAME   an ICU converter (libicuuc through ctypes; round-trip and decode-only mappings,
             no encode fallbacks, which is how ICU converts by default)
  iconv:NAME a glibc iconv converter (through ctypes)
  package    the source tables themselves (the pinned `codepage` npm package, read via node)

Each difference is put in a class; the classes named after a generator rule are expected.
Prints a summary line per page and reference, the unexpected differences, and a total.

  python3 verify.py [--tables DIR] [--pages 932,1252] [--details N] [--no-package]
Exit status: 0 when nothing unexpected is found, 1 otherwise.
"""

import argparse
import base64
import bz2
import ctypes
import ctypes.util
import json
import os
import re
import subprocess
import sys
from collections import Counter, defaultdict

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..', '..'))

MAGIC = bytes([0xE1, 0xA7, 0x94, 0xB3])
B64 = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/'

MULTI_BYTE = {932, 936, 949, 950, 1361, 51932, 51949, 10001}
ISO_EURO = {28591, 28592, 28593, 28594, 28595, 28596, 28598, 28599}

# Bucket counts of the table store.
SB_ENCODE_BUCKETS, SB_STAGING_BUCKETS = 269, 283
MB_BUCKETS = {932: (7669, 4919), 949: (7669, 7669), 1361: (7669, 7669), 51949: (7669, 7669),
              936: (7649, 7649), 950: (7649, 7649), 51932: (4919, 4919), 10001: (4919, 4919)}

REFERENCES = {
    37: ['py:cp037'], 437: ['py:cp437'], 500: ['py:cp500'],     720: ['py:cp720'], 737: ['py:cp737'], 775: ['py:cp775'], 850: ['py:cp850'],
    852: ['py:cp852'], 855: ['py:cp855'], 857: ['py:cp857'], 858: ['py:cp858'],
    860: ['py:cp860'], 861: ['py:cp861'], 862: ['py:cp862'], 863: ['py:cp863'],
    864: ['py:cp864'], 865: ['py:cp865'], 866: ['py:cp866'], 869: ['py:cp869'],
    870: ['icu:ibm-870_P100-1995'], 874: ['icu:windows-874-2000'], 875: ['py:cp875'],
    1026: ['py:cp1026'], 1047: ['icu:ibm-1047_P100-1995,swaplfnl'], 1140: ['py:cp1140'],
    1141: ['icu:ibm-1141_P100-1997'], 1142: ['icu:ibm-1142_P100-1997'],
    1143: ['icu:ibm-1143_P100-1997'], 1144: ['icu:ibm-1144_P100-1997'],
    1145: ['icu:ibm-1145_P100-1997'], 1146: ['icu:ibm-1146_P100-1997'],
    1147: ['icu:ibm-1147_P100-1997'], 1148: ['icu:ibm-1148_P100-1997'],
    1149: ['icu:ibm-1149_P100-1997'],
    1250: ['py:cp1250'], 1251: ['py:cp1251'], 1252: ['py:cp1252'], 1253: ['py:cp1253'],
    1254: ['py:cp1254'], 1255: ['py:cp1255'], 1256: ['py:cp1256'], 1257: ['py:cp1257'],
    1258: ['py:cp1258'],
    10000: ['py:mac_roman'], 10004: ['py:mac_arabic'], 10006: ['py:mac_greek'],
    10007: ['py:mac_cyrillic'], 10010: ['py:mac_romanian'], 10017: ['iconv:MAC-UK'],
    10029: ['py:mac_latin2'], 10079: ['py:mac_iceland'], 10081: ['py:mac_turkish'],
    10082: ['py:mac_croatian'],
    20106: ['iconv:ISO646-DE'], 20107: ['iconv:SEN_850200_B'], 20108: ['iconv:NS_4551-1'],
    20127: ['py:ascii'], 20261: ['iconv:T.61-8BIT'], 20269: ['iconv:ISO_6937'],
    20273: ['py:cp273'], 20277: ['icu:ibm-277_P100-1995'], 20278: ['icu:ibm-278_P100-1995'],
    20280: ['icu:ibm-280_P100-1995'], 20284: ['icu:ibm-284_P100-1995'],
    20285: ['icu:ibm-285_P100-1995'], 20290: ['icu:ibm-290_P100-1995'],
    20297: ['icu:ibm-297_P100-1995'], 20420: ['icu:ibm-420_X120-1999'],
    20423: ['iconv:IBM423'], 20424: ['py:cp424'], 20838: ['icu:ibm-838_P100-1995'],
    20866: ['py:koi8_r'], 20871: ['icu:ibm-871_P100-1995'], 20880: ['iconv:IBM880'],
    20905: ['iconv:IBM905'], 21025: ['icu:ibm-1025_P100-1995'], 21866: ['py:koi8_u'],
    28591: ['py:iso8859_1'], 28592: ['py:iso8859_2'], 28593: ['py:iso8859_3'],
    28594: ['py:iso8859_4'], 28595: ['py:iso8859_5'], 28596: ['py:iso8859_6'],
    28597: ['py:iso8859_7'], 28598: ['py:iso8859_8'], 28599: ['py:iso8859_9'],
    28603: ['py:iso8859_13'], 28605: ['py:iso8859_15'], 38598: ['py:iso8859_8'],
    932: ['py:cp932', 'icu:windows-932'], 936: ['icu:windows-936-2000', 'py:gbk'],
    949: ['icu:windows-949-2000', 'py:cp949'], 950: ['icu:windows-950-2000', 'py:cp950'],
    1361: ['py:johab', 'iconv:JOHAB'], 51932: ['py:euc_jp', 'iconv:EUC-JP-MS'],
    51949: ['py:euc_kr', 'icu:EUC-KR'],
}


# ---------------------------------------------------------------------------------------------
# Reading the stored form back.

def read_blob_text(path):
    with open(path, encoding='ascii') as f:
        source = f.read()
    body = source[source.index('= {'):source.index('nullptr')]
    return ''.join(re.findall(r'"([^"]*)"', body))


def base64_decode(text):
    """The loader's base64: whitespace skipped, '=' or NUL ends, odd characters count as '+'."""
    out = bytearray()
    acc = bits = 0
    for ch in text:
        if ch in ' \t\r\n':
            continue
        if ch in '=\0':
            break
        o = ord(ch)
        value = 62 if (o < 0x2B or o > 0x7A) else B64.find(ch)
        if value < 0:
            raise ValueError(f'character {ch!r} outside the stored alphabet')
        acc = (acc << 6) | value
        bits += 6
        if bits >= 8:
            bits -= 8
            out.append((acc >> bits) & 0xFF)
    return bytes(out)


def table_data(text):
    if re.search(r'[^A-Za-z0-9+/=]', text[1:]):
        raise ValueError('stored text holds characters outside base64')
    raw = base64_decode(text[1:])
    if text[0] == 'x':
        return raw
    if raw[:4] != MAGIC:
        raise ValueError('wrong container magic')
    size = int.from_bytes(raw[4:8], 'little')
    data = bz2.decompress(raw[8:])
    if len(data) != size:
        raise ValueError(f'container says {size} bytes, stream gives {len(data)}')
    return data


class Reader:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def u8(self):
        v = self.data[self.pos]
        self.pos += 1
        return v

    def u16(self):
        v = self.data[self.pos] | (self.data[self.pos + 1] << 8)
        self.pos += 2
        return v


def parse_table(data, problems):
    """Returns (ascii, kind, sections). Full: (singles, doubles) as (code, unit) lists in stored
    order; patch: (removals, singles, doubles)."""
    r = Reader(data)
    ascii_mark = r.u8() == 0x61
    kind = 'patch' if r.u8() == 0x64 else 'full'
    if kind == 'patch':
        removals, singles, doubles = [], [], []
        while (u := r.u16()) != 0:
            removals.append(u)
        while (b := r.u8()) != 0:
            singles.append((b, r.u16()))
        while True:
            lead, trail = r.u8(), r.u8()
            if lead == 0 and trail == 0:
                break
            doubles.append(((lead << 8) | trail, r.u16()))
        sections = (removals, singles, doubles)
    else:
        singles, doubles = [], []
        code = unit = 0
        while (d := r.u8()) != 0:
            code = (code + d) & 0xFF
            unit = (unit + r.u16()) & 0xFFFF
            singles.append((code, unit))
        code = unit = 0
        while (d := r.u16()) != 0:
            code = (code + d) & 0xFFFF
            unit = (unit + r.u16()) & 0xFFFF
            doubles.append((code, unit))
        # A character repeats only for its extra decode-only codes, right after its first record.
        for name, section in (('single-byte', singles), ('double-byte', doubles)):
            units = [u for _, u in section]
            if units != sorted(units):
                problems.append(f'{name} section not ascending by character')
        if {u for _, u in singles} & {u for _, u in doubles}:
            problems.append('a character occurs in both sections')
        if any(c < 0x100 for c, _ in doubles):
            problems.append('double-byte record with a code below 0x100')
        sections = (singles, doubles)
    if r.pos != len(data):
        problems.append(f'{len(data) - r.pos} bytes after the last section')
    return ascii_mark, kind, sections


class HashConvert:
    """The table store's chained hash table: insert appends, lookup takes the first match."""

    def __init__(self, buckets):
        self.buckets = [[] for _ in range(buckets)]
        self.ascii = False

    def _index(self, key):
        return int.from_bytes(key[:4], 'little') % len(self.buckets)

    def insert(self, key, value):
        self.buckets[self._index(key)].append((key, value))

    def remove(self, key):
        b = self._index(key)
        self.buckets[b] = [e for e in self.buckets[b] if e[0] != key]

    def lookup(self, key):
        for k, v in self.buckets[self._index(key)]:
            if k == key:
                return v
        return None

    def copy_inverted(self, other):
        # Only what lookup answers: a key listed again later in its bucket is shadowed.
        for bucket in self.buckets:
            for k, v in bucket:
                if self.lookup(k) == v:
                    other.insert(v, k)


def code_bytes(code):
    return bytes([code]) if code < 0x100 else bytes([code >> 8, code & 0xFF])


def load_table(data, target, encode, problems):
    ascii_mark, kind, sections = parse_table(data, problems)
    target.ascii = ascii_mark
    if kind == 'patch':
        if encode:
            removals, singles, doubles = sections
            for u in removals:
                target.remove(u.to_bytes(2, 'little'))
            for code, u in singles + doubles:
                key = u.to_bytes(2, 'little')
                target.remove(key)
                target.insert(key, code_bytes(code))
        return kind
    for code, u in sections[0] + sections[1]:
        if encode:
            target.insert(u.to_bytes(2, 'little'), code_bytes(code))
        else:
            target.insert(code_bytes(code), u.to_bytes(2, 'little'))
    return kind


class Model:
    """Decode and encode of one code page as the engine sees them through the table store."""

    def __init__(self, cp, blobs, problems):
        self.cp = cp
        self.multi = cp in MULTI_BYTE
        data = {c: table_data(t) for c, t in blobs.items()}
        if cp == 10001:
            enc = HashConvert(4919)
            load_table(data[932], enc, True, problems)
            load_table(data[10001], enc, True, problems)
            dec = HashConvert(4919)
            enc.copy_inverted(dec)
            dec.ascii = enc.ascii
        elif self.multi:
            eb, db = MB_BUCKETS[cp]
            enc, dec = HashConvert(eb), HashConvert(db)
            load_table(data[cp], enc, True, problems)
            load_table(data[cp], dec, False, problems)
        else:
            enc, staging = HashConvert(SB_ENCODE_BUCKETS), HashConvert(SB_STAGING_BUCKETS)
            load_table(data[cp], enc, True, problems)
            load_table(data[cp], staging, False, problems)
            self.lookup = [0] * 256
            for b in range(1, 256):
                if staging.ascii and b < 0x80:
                    self.lookup[b] = b
                else:
                    v = staging.lookup(bytes([b]))
                    self.lookup[b] = int.from_bytes(v, 'little') if v and len(v) == 2 else 0
            dec = staging
        self.enc, self.dec, self.ascii = enc, dec, enc.ascii

    def decode(self, code):
        if not self.multi:
            return self.lookup[code] or None
        if code < 0x100:
            if code < 0x80 and self.dec.ascii:
                return code
        v = self.dec.lookup(code_bytes(code))
        return int.from_bytes(v, 'little') if v else None

    def encode(self, unit):
        if unit < 0x80 and self.ascii:
            return bytes([unit])
        return self.enc.lookup(unit.to_bytes(2, 'little'))


# ---------------------------------------------------------------------------------------------
# References.

class PythonCodec:
    def __init__(self, name):
        self.name = name
        ''.encode(name)

    def decode(self, raw):
        try:
            s = raw.decode(self.name)
        except UnicodeDecodeError:
            return None
        return ord(s) if len(s) == 1 and ord(s) != 0xFFFD else None

    def encode(self, unit):
        try:
            return chr(unit).encode(self.name)
        except UnicodeEncodeError:
            return None


class IcuConverter:
    _lib = None
    _suffix = None

    @classmethod
    def _load(cls):
        if cls._lib is None:
            path = ctypes.util.find_library('icuuc')
            lib = ctypes.CDLL(path or 'libicuuc.so')
            for v in range(50, 100):
                if hasattr(lib, f'ucnv_open_{v}'):
                    cls._suffix = f'_{v}'
                    break
            else:
                cls._suffix = ''
            cls._lib = lib
        return cls._lib

    def _fn(self, name, restype, *argtypes):
        f = getattr(self._lib, name + self._suffix)
        f.restype, f.argtypes = restype, list(argtypes)
        return f

    def __init__(self, name):
        lib = self._load()
        err = ctypes.c_int(0)
        vp, ip = ctypes.c_void_p, ctypes.POINTER(ctypes.c_int)
        self._open = self._fn('ucnv_open', vp, ctypes.c_char_p, ip)
        self.cnv = self._open(name.encode(), ctypes.byref(err))
        if err.value > 0 or not self.cnv:
            raise LookupError(name)
        set_to = self._fn('ucnv_setToUCallBack', None, vp, vp, vp, vp, vp, ip)
        set_from = self._fn('ucnv_setFromUCallBack', None, vp, vp, vp, vp, vp, ip)
        stop_to = ctypes.cast(getattr(lib, 'UCNV_TO_U_CALLBACK_STOP' + self._suffix), vp)
        stop_from = ctypes.cast(getattr(lib, 'UCNV_FROM_U_CALLBACK_STOP' + self._suffix), vp)
        set_to(self.cnv, stop_to, None, None, None, ctypes.byref(err))
        set_from(self.cnv, stop_from, None, None, None, ctypes.byref(err))
        self._to_u = self._fn('ucnv_toUChars', ctypes.c_int32, vp, ctypes.c_void_p,
                              ctypes.c_int32, ctypes.c_char_p, ctypes.c_int32, ip)
        self._from_u = self._fn('ucnv_fromUChars', ctypes.c_int32, vp, ctypes.c_char_p,
                                ctypes.c_int32, ctypes.c_void_p, ctypes.c_int32, ip)
        self._ubuf = (ctypes.c_uint16 * 8)()
        self._bbuf = ctypes.create_string_buffer(16)

    def decode(self, raw):
        err = ctypes.c_int(0)
        n = self._to_u(self.cnv, self._ubuf, 8, raw, len(raw), ctypes.byref(err))
        if err.value > 0 or n != 1 or self._ubuf[0] == 0xFFFD:
            return None
        return self._ubuf[0]

    def encode(self, unit):
        err = ctypes.c_int(0)
        src = (ctypes.c_uint16 * 1)(unit)
        n = self._from_u(self.cnv, self._bbuf, 16, src, 1, ctypes.byref(err))
        if err.value > 0 or n <= 0:
            return None
        return self._bbuf.raw[:n]


class IconvConverter:
    _libc = None

    def __init__(self, name):
        if IconvConverter._libc is None:
            IconvConverter._libc = ctypes.CDLL(ctypes.util.find_library('c'))
        libc = self._libc
        self._open = libc.iconv_open
        self._open.restype, self._open.argtypes = ctypes.c_void_p, [ctypes.c_char_p] * 2
        self._iconv = libc.iconv
        self._iconv.restype = ctypes.c_size_t
        self._iconv.argtypes = [ctypes.c_void_p] + [ctypes.c_void_p] * 4
        self.to_u = self._open(b'UTF-16LE', name.encode())
        self.from_u = self._open(name.encode(), b'UTF-16LE')
        bad = ctypes.c_void_p(-1).value
        if self.to_u in (None, bad) or self.from_u in (None, bad):
            raise LookupError(name)

    def _run(self, cd, raw):
        self._iconv(cd, None, None, None, None)
        inbuf = ctypes.create_string_buffer(raw, len(raw))
        outbuf = ctypes.create_string_buffer(32)
        inptr, outptr = ctypes.c_char_p(ctypes.addressof(inbuf)), ctypes.c_char_p(ctypes.addressof(outbuf))
        inleft, outleft = ctypes.c_size_t(len(raw)), ctypes.c_size_t(32)
        res = self._iconv(cd, ctypes.byref(inptr), ctypes.byref(inleft), ctypes.byref(outptr), ctypes.byref(outleft))
        if res == ctypes.c_size_t(-1).value or inleft.value != 0:
            return None
        flushed = self._iconv(cd, None, None, ctypes.byref(outptr), ctypes.byref(outleft))
        if flushed == ctypes.c_size_t(-1).value:
            return None
        return outbuf.raw[:32 - outleft.value]

    def decode(self, raw):
        out = self._run(self.to_u, raw)
        if out is None or len(out) != 2:
            return None
        u = int.from_bytes(out, 'little')
        return None if u == 0xFFFD else u

    def encode(self, unit):
        out = self._run(self.from_u, unit.to_bytes(2, 'little'))
        return out or None


class PackageTable:
    """The source table as the pinned package has it (codes decoding to one unit)."""

    _cache = None

    @classmethod
    def load_all(cls):
        if cls._cache is None:
            script = (
                "const cp=require('codepage');const out={};"
                "for(const k of Object.keys(cp)){const d=cp[k];if(!/^[0-9]+$/.test(k)||!d.dec)continue;const m={};"
                "d.dec.forEach((c,i)=>{if(typeof c==='string'&&c.length===1&&c!=='\\ufffd')m[i]=c.charCodeAt(0);});"
                "out[k]=m;}process.stdout.write(JSON.stringify(out));")
            res = subprocess.run(['node', '-e', script], cwd=HERE, capture_output=True, check=True)
            cls._cache = {int(k): {int(c): u for c, u in v.items()} for k, v in json.loads(res.stdout).items()}
        return cls._cache

    def __init__(self, cp):
        table = self.load_all().get(51936 if cp == 936 else cp)
        if table is None:
            raise LookupError(cp)
        self.dec = table
        self.enc = {}
        for code in sorted(table):
            self.enc.setdefault(table[code], code)

    def decode(self, raw):
        code = raw[0] if len(raw) == 1 else (raw[0] << 8) | raw[1]
        return self.dec.get(code)

    def encode(self, unit):
        code = self.enc.get(unit)
        return None if code is None else code_bytes(code)


def make_reference(ref_name, cp):
    kind, _, name = ref_name.partition(':')
    if kind == 'py':
        return PythonCodec(name)
    if kind == 'icu':
        return IcuConverter(name)
    if kind == 'iconv':
        return IconvConverter(name)
    if kind == 'package':
        return PackageTable(cp)
    raise ValueError(ref_name)


# ---------------------------------------------------------------------------------------------
# Comparison.

def decode_domain(cp):
    codes = list(range(1, 0x100))
    if cp in MULTI_BYTE:
        codes += [(lead << 8) | trail for lead in range(0x81, 0xFF) for trail in range(0x21, 0xFF)]
    return codes


ENCODE_DOMAIN = [u for u in range(1, 0x10000) if not 0xD800 <= u <= 0xDFFF]


def _area(leads, trails):
    return {(lead << 8) | t for lead in leads for lo, hi in trails for t in range(lo, hi + 1)}


# Positions that rule R3 adds to the package's CJK tables (and R4 brings in for 936).
ADDED_POSITIONS = {
    932: {0x80, 0xA0, 0xFD, 0xFE, 0xFF} | _area(range(0xF0, 0xFA), [(0x40, 0x7E), (0x80, 0xFC)]),
    949: {0x80, 0xFF} | _area([0xC9, 0xFE], [(0xA1, 0xFE)]),
    950: {0x80, 0xFF} | _area(list(range(0xFA, 0xFF)) + list(range(0x8E, 0xA1)) + list(range(0x81, 0x8E))
                              + [0xC7, 0xC8], [(0x40, 0x7E), (0xA1, 0xFE)]) | _area([0xC6], [(0xA1, 0xFE)]),
    936: {0x80, 0xFF} | _area(list(range(0xAA, 0xB0)) + list(range(0xF8, 0xFF)), [(0xA1, 0xFE)])
    | _area(range(0xA1, 0xA8), [(0x40, 0x7E), (0x80, 0xA0)]),
}


# Reference converters that follow another vendor's version of a code page; their remaining
# differences are listed but not counted as unexpected.
KNOWN_VARIANTS = {
    (874, 'icu:windows-874-2000'): 'ICU maps the unassigned C1 bytes to U+0080-U+009F, Windows leaves them unmapped',
    (10000, 'py:mac_roman'): "Apple's mapping; Windows has Microsoft's (0xDB U+00A4, 0xBD U+2126, no Apple logo)",
    (10006, 'py:mac_greek'): "Apple's mapping; Windows has Microsoft's (0x9C U+00AD, 0xAF U+0387)",
    (10007, 'py:mac_cyrillic'): "Apple's later mapping (U+0490/U+0491, euro); Windows has Microsoft's",
    (10010, 'py:mac_romanian'): "Apple's later mapping (comma-below letters, euro); Windows has Microsoft's",
    (10079, 'py:mac_iceland'): "Apple's mapping; Windows has Microsoft's (0xDB U+00A4, 0xBD U+2126)",
    (10081, 'py:mac_turkish'): "Apple's mapping; Windows has Microsoft's (0xDB U+00A4, 0xBD U+2126)",
    (10082, 'py:mac_croatian'): "Apple's mapping; Windows has Microsoft's (0xDB U+00A4, 0xBD U+2126)",
    (10004, 'py:mac_arabic'): "Apple maps the directional punctuation to ASCII, Windows to private use",
    (20107, 'iconv:SEN_850200_B'): "glibc's ISO 646 table differs from Windows' IA5 Swedish in a few positions",
    (20108, 'iconv:NS_4551-1'): "glibc's ISO 646 table differs from Windows' IA5 Norwegian in a few positions",
    (20261, 'iconv:T.61-8BIT'): 'glibc converts the two-byte accent sequences and lacks the positions Windows adds',
    (20269, 'iconv:ISO_6937'): 'glibc converts the two-byte accent sequences and lacks the positions Windows adds',
    (20273, 'py:cp273'): "IBM's 0xBC is U+203E, Windows' is U+00AF",
    (20424, 'py:cp424'): "IBM's 0xB3/0xBC differ from Windows' U+2022/U+203E",
    (20420, 'icu:ibm-420_X120-1999'): 'ICU decodes to Arabic letters, Windows to presentation (shaping) forms',
    (20423, 'iconv:IBM423'): "glibc's IBM423 is an older table than Windows' 20423",
    (20880, 'iconv:IBM880'): "glibc's IBM880 is an older table than Windows' 20880",
    (20905, 'iconv:IBM905'): "glibc's IBM905 is an older table than Windows' 20905",
    (21866, 'py:koi8_u'): 'Windows 21866 has U+045E/U+040E at AE/BE (KOI8-RU)',
    (38598, 'py:iso8859_8'): 'Windows maps the unassigned positions to private use and 0xAF to U+203E',
    (950, 'py:cp950'): 'Python adds the ETEN kana and Cyrillic rows at C6A1-C8FE, Windows has private use there',
    (1361, 'py:johab'): 'Windows decodes the jamo codes to conjoining jamo U+1100..., references to compatibility jamo',
    (1361, 'iconv:JOHAB'): 'Windows decodes the jamo codes to conjoining jamo U+1100..., references to compatibility jamo',
    (51932, 'py:euc_jp'): 'Windows 51932 follows the cp932 Unicode mapping (U+FF5E, U+2225, NEC row 13, IBM rows)',
    (51932, 'iconv:EUC-JP-MS'): 'glibc maps C1 controls and user-defined rows that Windows 51932 does not',
    (51949, 'py:euc_kr'): 'Python writes hangul missing from KS X 1001 as 8-byte sequences; no 1998 additions',
    (51949, 'icu:EUC-KR'): "ICU's EUC-KR lacks the KS X 1001:1998 additions (euro, registered sign) and has a user-defined row",
}


def is_windows_extra(unit):
    """Private-use and C1-control characters that the Windows CJK tables map."""
    return unit is not None and (0xE000 <= unit <= 0xF8FF or 0x80 <= unit <= 0x9F)


def classify(cp, model, ref, direction, key, ours, theirs):
    """Names the rule that explains a difference, or 'unexpected'."""
    added = ADDED_POSITIONS.get(cp, set())
    multi = cp in MULTI_BYTE
    if direction == 'decode':
        code = key
        if code in added and ours is not None:
            return 'position added (R3/R4)'
        if model.ascii and code < 0x80 and ours == code:
            return 'ascii-range (R6)'
        if code == 0x01 and ours == 0x01:
            return 'byte 0x01 (R1)'
        if cp in ISO_EURO and code == 0x80 and ours == 0x20AC:
            return 'euro at 0x80 (R2)'
        if cp == 28597 and code == 0x80 and ours is None:
            return '0x80 unmapped (R2)'
        if cp == 51949 and code == 0xB4D3 and ours == 0xB2D2:
            return 'B4D3 is U+B2D2 (R7)'
        if multi and is_windows_extra(ours) and theirs is None:
            return 'Windows private-use/control position'
        if ours is None and theirs is not None:
            stored = model.encode(theirs)
            if stored is not None and stored != code_bytes(code) and model.decode(
                    int.from_bytes(stored, 'big')) == theirs:
                return 'code not stored, its character is stored elsewhere (R5)'
        return 'unexpected'
    unit = key
    their_code = int.from_bytes(theirs, 'big') if theirs and len(theirs) <= 2 else None
    if ours is not None and int.from_bytes(ours, 'big') in added and theirs is None:
        return 'position added (R3/R4)'
    if their_code is not None and their_code in added and ours is None:
        return 'position added (R3/R4)'
    if model.ascii and unit < 0x80 and ours == bytes([unit]):
        return 'ascii-range (R6)'
    if model.ascii and ours is None and their_code is not None and their_code < 0x80:
        return 'ascii-range (R6)'
    if unit == 0x01 and ours == b'\x01':
        return 'byte 0x01 (R1)'
    if theirs in (b'\x00', b'\x01') and ours is not None:
        return 'byte 0x00/0x01 held a wrong character (R1)'
    if (unit == 0xA0 and ours == b' ') or (unit == 0xA5 and ours == b'\\'):
        return 'encode-only look-alike (R6)'
    if cp in ISO_EURO and unit in (0x80, 0x20AC):
        return 'euro at 0x80 (R2)'
    if cp == 28597 and unit == 0x80 and ours is None:
        return '0x80 unmapped (R2)'
    if cp == 51949 and unit in (0xB2D2, 0xB2D6):
        return 'B4D3 is U+B2D2 (R7)'
    if theirs is not None and len(theirs) == 2 and not multi and ours is None:
        return 'two-byte sequence (single-byte table)'
    if multi and is_windows_extra(unit) and theirs is None:
        return 'Windows private-use/control position'
    if ours is None and theirs is not None and ref.decode(theirs) != unit:
        return 'reference has an encode-only mapping'
    if ours is not None and theirs is not None and model.decode(int.from_bytes(ours, 'big')) == unit:
        return 'encoder picks another code of the character (R5)'
    return 'unexpected'


def fmt_code(code):
    return f'{code:02X}' if code < 0x100 else f'{code:04X}'


def fmt_bytes(b):
    return '-' if b is None else b.hex().upper()


def fmt_unit(u):
    return '-' if u is None else f'U+{u:04X}'


def compare(cp, model, ref, variant):
    classes = Counter()
    details = []
    agree = {'decode': 0, 'encode': 0}
    for code in decode_domain(cp):
        ours = model.decode(code)
        theirs = ref.decode(code_bytes(code))
        if ours == theirs:
            agree['decode'] += 1
            continue
        cls = classify(cp, model, ref, 'decode', code, ours, theirs)
        if cls == 'unexpected' and variant:
            cls = 'known variant'
        classes[('decode', cls)] += 1
        if cls in ('unexpected', 'known variant'):
            details.append(f'decode {fmt_code(code)}: ours {fmt_unit(ours)}, theirs {fmt_unit(theirs)}')
    for unit in ENCODE_DOMAIN:
        ours = model.encode(unit)
        theirs = ref.encode(unit)
        if ours == theirs:
            agree['encode'] += 1
            continue
        cls = classify(cp, model, ref, 'encode', unit, ours, theirs)
        if cls == 'unexpected' and variant:
            cls = 'known variant'
        classes[('encode', cls)] += 1
        if cls in ('unexpected', 'known variant'):
            details.append(f'encode {fmt_unit(unit)}: ours {fmt_bytes(ours)}, theirs {fmt_bytes(theirs)}')
    return agree, classes, details


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument('--tables', default=os.path.join(ROOT, 'charset', 'tables'))
    ap.add_argument('--pages', help='comma-separated code pages (default: all)')
    ap.add_argument('--details', type=int, default=12, help='unexpected differences listed per check')
    ap.add_argument('--no-package', action='store_true', help='skip the comparison with the source package')
    args = ap.parse_args()

    blobs = {}
    for name in sorted(os.listdir(args.tables)):
        m = re.fullmatch(r'cp(\d+)\.cpp', name)
        if m:
            blobs[int(m.group(1))] = read_blob_text(os.path.join(args.tables, name))
    pages = sorted(blobs) if not args.pages else [int(p) for p in args.pages.split(',')]

    failures = 0
    totals = Counter()
    for cp in pages:
        problems = []
        model = Model(cp, blobs, problems)
        for p in problems:
            print(f'{cp}: FORMAT: {p}')
        failures += len(problems)
        ref_names = list(REFERENCES.get(cp, []))
        if not args.no_package:
            ref_names.append('package')
        for ref_name in ref_names:
            try:
                ref = make_reference(ref_name, cp)
            except LookupError:
                print(f'{cp:>5} {ref_name:<34} not available (no independent reference)')
                continue
            variant = KNOWN_VARIANTS.get((cp, ref_name))
            agree, classes, details = compare(cp, model, ref, variant)
            unexpected = sum(n for (_, cls), n in classes.items() if cls == 'unexpected')
            explained = sum(n for (_, cls), n in classes.items() if cls not in ('unexpected', 'known variant'))
            known = sum(n for (_, cls), n in classes.items() if cls == 'known variant')
            print(f'{cp:>5} {ref_name:<34} agree: decode {agree["decode"]:>5} encode {agree["encode"]:>5}'
                  f' | differ: by rule {explained:>5} known variant {known:>5} unexpected {unexpected:>4}')
            for (direction, cls), n in sorted(classes.items()):
                totals[(ref_name.split(':')[0], direction, cls)] += n
                if cls not in ('unexpected', 'known variant'):
                    print(f'        {direction} {cls}: {n}')
            if variant and known:
                print(f'        known variant: {variant}')
            for d in details[:args.details]:
                print(f'        {d}')
            if len(details) > args.details:
                print(f'        ... {len(details) - args.details} more')
            totals[('checks', '', ref_name.split(':')[0])] += 1
            # Differences from the source package must all be explained by the generator's rules;
            # an unexplained difference from an outside converter is reported for review.
            if ref_name == 'package':
                failures += unexpected
            totals[('unexpected', '', ref_name.split(':')[0])] += unexpected
    print()
    for (kind, direction, cls), n in sorted(totals.items()):
        print(f'total {kind:<10} {direction:<6} {cls}: {n}')
    print(f'format problems and unexplained differences from the source: {failures}')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
