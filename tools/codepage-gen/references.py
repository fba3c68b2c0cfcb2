"""The independent converters verify.py compares the stored tables with: Python codecs, ICU
(libicuuc through ctypes), glibc iconv (through ctypes) and the source package's own tables, and
which of them each code page is checked against."""

import ctypes
import ctypes.util
import json
import os
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))

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


def code_bytes(code):
    return bytes([code]) if code < 0x100 else bytes([code >> 8, code & 0xFF])


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
        # Both directions stop at a character they cannot convert instead of substituting.
        for setter, stop in (('ucnv_setToUCallBack', 'UCNV_TO_U_CALLBACK_STOP'),
                             ('ucnv_setFromUCallBack', 'UCNV_FROM_U_CALLBACK_STOP')):
            callback = ctypes.cast(getattr(lib, stop + self._suffix), vp)
            self._fn(setter, None, vp, vp, vp, vp, vp, ip)(self.cnv, callback, None, None, None, ctypes.byref(err))
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
    if kind == 'package':
        return PackageTable(cp)
    converters = {'py': PythonCodec, 'icu': IcuConverter, 'iconv': IconvConverter}
    if kind not in converters:
        raise ValueError(ref_name)
    return converters[kind](name)
