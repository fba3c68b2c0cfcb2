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
import os
import re
import sys
from collections import Counter, defaultdict

from references import REFERENCES, code_bytes, make_reference

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..', '..'))

MAGIC = bytes([0xE1, 0xA7, 0x94, 0xB3])
B64 = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/'

ISO_EURO = {28591, 28592, 28593, 28594, 28595, 28596, 28598, 28599}


def read_code_pages():
    """The table pages of the generated code-page list: code page -> (kind, table page, encode
    buckets, decode buckets), as the table store builds them."""
    path = os.path.join(ROOT, 'charset', 'tables', 'code_pages.inc')
    row = re.compile(r'^\{(\d+), Converter::kTable, TableKind::k(\w+), (\d+), (\d+), (\d+),')
    pages = {}
    with open(path, encoding='ascii') as f:
        for line in f:
            m = row.match(line)
            if m:
                pages[int(m.group(1))] = (m.group(2), int(m.group(3)), int(m.group(4)), int(m.group(5)))
    return pages


TABLE_PAGES = read_code_pages()
MULTI_BYTE = {cp for cp, (kind, _, _, _) in TABLE_PAGES.items() if kind != 'SingleByte'}




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


def delta_records(r, read_delta, mask):
    """One section of a full table: (code, unit) records, each delta-coded on the one before
    (the code delta read by read_delta, the unit's as 16 bits), up to a zero code delta."""
    records, code, unit = [], 0, 0
    while (d := read_delta()) != 0:
        code = (code + d) & mask
        unit = (unit + r.u16()) & 0xFFFF
        records.append((code, unit))
    return records


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
        singles, doubles = delta_records(r, r.u8, 0xFF), delta_records(r, r.u16, 0xFFFF)
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
        kind, table_page, eb, db = TABLE_PAGES[cp]
        enc, dec = HashConvert(eb), HashConvert(db)
        # A patch applies to the encode table of its base page; its decode table is the inverse.
        if kind == 'Patch':
            load_table(data[table_page], enc, True, problems)
        load_table(data[cp], enc, True, problems)
        if kind == 'Patch':
            enc.copy_inverted(dec)
            dec.ascii = enc.ascii
        else:
            load_table(data[cp], dec, False, problems)
        if not self.multi:
            # A single-byte page decodes through a 256-entry lookup filled from the staging table.
            self.lookup = [0] * 256
            for b in range(1, 256):
                if dec.ascii and b < 0x80:
                    self.lookup[b] = b
                else:
                    v = dec.lookup(bytes([b]))
                    self.lookup[b] = int.from_bytes(v, 'little') if v and len(v) == 2 else 0
        self.enc, self.dec, self.ascii = enc, dec, enc.ascii

    def decode(self, code):
        if not self.multi:
            return self.lookup[code] or None
        if code < 0x80 and self.dec.ascii:
            return code
        v = self.dec.lookup(code_bytes(code))
        return int.from_bytes(v, 'little') if v else None

    def encode(self, unit):
        if unit < 0x80 and self.ascii:
            return bytes([unit])
        return self.enc.lookup(unit.to_bytes(2, 'little'))


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
    # Per direction: the keys, our answer, theirs, and how a key and an answer are shown.
    directions = (
        ('decode', decode_domain(cp), model.decode, lambda code: ref.decode(code_bytes(code)), fmt_code, fmt_unit),
        ('encode', ENCODE_DOMAIN, model.encode, ref.encode, fmt_unit, fmt_bytes),
    )
    for direction, domain, our_answer, their_answer, fmt_key, fmt_answer in directions:
        for key in domain:
            ours, theirs = our_answer(key), their_answer(key)
            if ours == theirs:
                agree[direction] += 1
                continue
            cls = classify(cp, model, ref, direction, key, ours, theirs)
            if cls == 'unexpected' and variant:
                cls = 'known variant'
            classes[(direction, cls)] += 1
            if cls in ('unexpected', 'known variant'):
                details.append(f'{direction} {fmt_key(key)}: ours {fmt_answer(ours)}, theirs {fmt_answer(theirs)}')
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
