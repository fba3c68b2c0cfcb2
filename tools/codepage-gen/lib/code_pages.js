'use strict';
// The code pages the component knows: number, charset names, converter and table. This is the
// one list; generate.js writes it to charset/tables/code_pages.inc, which the name lookup, the
// table store and the converter dispatch all read, and takes the pages that get a stored table
// from it.
//
// Names are kept in the form a looked-up name takes after normalisation: lower-case ASCII, '-'
// wherever the registered name has '_', no surrounding white space. Anything else is part of the
// name and matched literally (digits, '.', ':', '+', a doubled '-', an inner space). The
// two-character aliases "us", "l1" ... "l9" are deliberately absent: a name shorter than three
// bytes is refused before the lookup, so they could never match.
//
// Converters: 'table' (a stored table, single-byte 'sbcs', multi-byte 'mbcs' or a 'patch' on
// the table of another page), 'unicode' (the Unicode forms, by algorithm), 'transform' (a byte
// transform carried over the table of another page, built in where ISO-2022 support is), 'none'
// (the name resolves but nothing converts it).

// Bucket counts of the hash tables a table page is built with, all prime, sized to the number
// of records of each kind of table. A single-byte page's decode buckets are those of the
// staging table that fills its 256-entry lookup.
const SINGLE_ENCODE = 269;
const SINGLE_STAGING = 283;
const LARGE = 7669; // 932 encode, 949, 1361, 51949
const CHINESE = 7649; // 936, 950, 51936
const JAPANESE = 4919; // 932 decode, 51932, 10001

const NONE = { converter: 'none' };
const UNICODE = { converter: 'unicode' };
const SB = { converter: 'table', kind: 'sbcs', buckets: [SINGLE_ENCODE, SINGLE_STAGING] };
// A multi-byte page; `tableOf` names another page whose stored table it reads (51936 is 936's).
function mb(encodeBuckets, decodeBuckets, tableOf) {
  return { converter: 'table', kind: 'mbcs', buckets: [encodeBuckets, decodeBuckets], tableOf };
}
// A page stored as an encode patch on the full table of `base`.
function patch(base, encodeBuckets, decodeBuckets) {
  const buckets = [encodeBuckets, decodeBuckets];
  return { converter: 'table', kind: 'patch', buckets, tableOf: base };
}
// A byte transform around the table of `carrier`.
function transform(carrier) {
  return { converter: 'transform', tableOf: carrier };
}
function row(codePage, how, names) {
  const tableOf = how.tableOf ?? (how.converter === 'table' ? codePage : 0);
  return { codePage, ...how, tableOf, names };
}

// One row per code page, in ascending order.
const CODE_PAGES = [
  row(37, SB, ['cp037', 'csibm037', 'ebcdic', 'ebcdic-cp-ca', 'ebcdic-cp-nl', 'ebcdic-cp-us',
    'ebcdic-cp-wt', 'ibm037']),
  row(437, SB, ['cp437', 'cspc8codepage437', 'ibm437']),
  row(500, SB, ['cp500', 'csibm500', 'ebcdic-cp-be', 'ebcdic-cp-ch', 'ibm500']),
  row(708, SB, ['asmo-708']),
  row(709, NONE, ['asmo-449', 'asmo-449+']),
  row(720, SB, ['dos-720']),
  row(737, SB, ['ibm737']),
  row(775, SB, ['ibm775']),
  row(850, SB, ['cp850', 'ibm850']),
  row(852, SB, ['cp852', 'ibm852']),
  row(855, SB, ['cp855', 'ibm855']),
  row(857, SB, ['cp857', 'ibm857']),
  row(858, SB, ['ccsid00858', 'cp00858', 'cp858', 'ibm00858']),
  row(860, SB, ['cp860', 'ibm860']),
  row(861, SB, ['cp861', 'ibm861']),
  row(862, SB, ['cp862', 'dos-862', 'ibm862']),
  row(863, SB, ['cp863', 'ibm863']),
  row(864, SB, ['cp864', 'ibm864']),
  row(865, SB, ['cp865', 'ibm865']),
  row(866, SB, ['cp866', 'ibm866']),
  row(869, SB, ['cp869', 'ibm869']),
  row(870, SB, ['cp870', 'csibm870', 'ebcdic-cp-roece', 'ebcdic-cp-yu', 'ibm870']),
  row(874, SB, ['dos-874', 'iso-8859-11', 'tis-620', 'windows-874']),
  row(875, SB, ['cp875']),
  row(932, mb(LARGE, JAPANESE), ['csshiftjis', 'cswindows31j', 'ms-kanji', 'shift-jis', 'sjis',
    'x-ms-cp932', 'x-sjis']),
  row(936, mb(CHINESE, CHINESE), ['chinese', 'cn-gb', 'csgb2312', 'csgb231280', 'csiso58gb231280',
    'gb-2312-80', 'gb2312', 'gb2312-80', 'gbk', 'iso-ir-58']),
  row(949, mb(LARGE, LARGE), ['csksc56011987', 'iso-ir-149', 'korean', 'ks-c-5601',
    'ks-c-5601-1987', 'ks-c-5601-1989', 'ks-c5601', 'ksc-5601', 'ksc5601']),
  row(950, mb(CHINESE, CHINESE), ['big5', 'big5-hkscs', 'cn-big5', 'csbig5', 'x-x-big5']),
  row(1026, SB, ['cp1026', 'csibm1026', 'ibm1026']),
  row(1047, SB, ['ibm01047']),
  row(1140, SB, ['ccsid01140', 'cp01140', 'ebcdic-us-37+euro', 'ibm01140']),
  row(1141, SB, ['ccsid01141', 'cp01141', 'ebcdic-de-273+euro', 'ibm01141']),
  row(1142, SB, ['ccsid01142', 'cp01142', 'ebcdic-dk-277+euro', 'ebcdic-no-277+euro', 'ibm01142']),
  row(1143, SB, ['ccsid01143', 'cp01143', 'ebcdic-fi-278+euro', 'ebcdic-se-278+euro', 'ibm01143']),
  row(1144, SB, ['ccsid01144', 'cp01144', 'ebcdic-it-280+euro', 'ibm01144']),
  row(1145, SB, ['ccsid01145', 'cp01145', 'ebcdic-es-284+euro', 'ibm01145']),
  row(1146, SB, ['ccsid01146', 'cp01146', 'ebcdic-gb-285+euro', 'ibm01146']),
  row(1147, SB, ['ccsid01147', 'cp01147', 'ebcdic-fr-297+euro', 'ibm01147']),
  row(1148, SB, ['ccsid01148', 'cp01148', 'ibm01148']),
  row(1149, SB, ['ccsid01149', 'cp01149', 'ebcdic-is-871+euro', 'ibm01149']),
  row(1200, UNICODE, ['iso-10646-ucs-2', 'ucs-2', 'unicode', 'utf-16', 'utf-16le']),
  row(1201, UNICODE, ['unicodefffe', 'utf-16be']),
  row(1250, SB, ['windows-1250', 'x-cp1250']),
  row(1251, SB, ['windows-1251', 'x-cp1251']),
  row(1252, SB, ['windows-1252', 'x-ansi']),
  row(1253, SB, ['windows-1253']),
  row(1254, SB, ['windows-1254']),
  row(1255, SB, ['windows-1255']),
  row(1256, SB, ['cp1256', 'windows-1256']),
  row(1257, SB, ['windows-1257']),
  row(1258, SB, ['windows-1258']),
  row(1361, mb(LARGE, LARGE), ['johab']),
  row(10000, SB, ['macintosh', 'macroman']),
  row(10001, patch(932, JAPANESE, JAPANESE), ['macjapanese', 'x-mac-japanese']),
  row(10002, NONE, ['macchinesetrad', 'x-mac-chinesetrad']),
  row(10003, NONE, ['mackorean', 'x-mac-korean']),
  row(10004, SB, ['macarabic', 'x-mac-arabic']),
  row(10005, SB, ['machebrew', 'x-mac-hebrew']),
  row(10006, SB, ['macgreek', 'x-mac-greek']),
  row(10007, SB, ['maccyrillic', 'x-mac-cyrillic']),
  row(10008, NONE, ['macchinesesimp', 'x-mac-chinesesimp']),
  row(10010, SB, ['x-mac-romanian']),
  row(10017, SB, ['x-mac-ukrainian']),
  row(10021, SB, ['x-mac-thai']),
  row(10029, SB, ['maccentraleurope', 'x-mac-ce']),
  row(10079, SB, ['macicelandic', 'x-mac-icelandic']),
  row(10081, SB, ['macturkish', 'x-mac-turkish']),
  row(10082, SB, ['x-mac-croatian']),
  row(20000, NONE, ['x-chinese-cns']),
  row(20001, NONE, ['x-cp20001']),
  row(20002, NONE, ['x-chinese-eten']),
  row(20003, NONE, ['x-cp20003']),
  row(20004, NONE, ['x-cp20004']),
  row(20005, NONE, ['x-cp20005']),
  row(20105, SB, ['irv', 'x-ia5']),
  row(20106, SB, ['din-66003', 'german', 'x-ia5-german']),
  row(20107, SB, ['sen-850200-b', 'swedish', 'x-ia5-swedish']),
  row(20108, SB, ['norwegian', 'ns-4551-1', 'x-ia5-norwegian']),
  row(20127, SB, ['ansi-x3.4-1968', 'ansi-x3.4-1986', 'ascii', 'cp367', 'csascii', 'ibm367',
    'iso-646.irv:1991', 'iso-ir-6', 'iso646-us', 'us-ascii']),
  row(20261, SB, ['x-cp20261']),
  row(20269, SB, ['x-cp20269']),
  row(20273, SB, ['cp273', 'csibm273', 'ibm273']),
  row(20277, SB, ['csibm277', 'ebcdic-cp-dk', 'ebcdic-cp-no', 'ibm277']),
  row(20278, SB, ['cp278', 'csibm278', 'ebcdic-cp-fi', 'ebcdic-cp-se', 'ibm278']),
  row(20280, SB, ['cp280', 'csibm280', 'ebcdic-cp-it', 'ibm280']),
  row(20284, SB, ['cp284', 'csibm284', 'ebcdic-cp-es', 'ibm284']),
  row(20285, SB, ['cp285', 'csibm285', 'ebcdic-cp-gb', 'ibm285']),
  row(20290, SB, ['cp290', 'csibm290', 'ebcdic-jp-kana', 'ibm290']),
  row(20297, SB, ['cp297', 'csibm297', 'ebcdic-cp-fr', 'ibm297']),
  row(20420, SB, ['cp420', 'csibm420', 'ebcdic-cp-ar1', 'ibm420']),
  row(20423, SB, ['cp423', 'csibm423', 'ebcdic-cp-gr', 'ibm423']),
  row(20424, SB, ['cp424', 'csibm424', 'ebcdic-cp-he', 'ibm424']),
  row(20833, NONE, ['x-ebcdic-koreanextended']),
  row(20838, SB, ['csibmthai', 'ibm-thai']),
  row(20866, SB, ['cskoi8r', 'koi', 'koi8', 'koi8-r', 'koi8r']),
  row(20871, SB, ['cp871', 'csibm871', 'ebcdic-cp-is', 'ibm871']),
  row(20880, SB, ['cp880', 'csibm880', 'ebcdic-cyrillic', 'ibm880']),
  row(20905, SB, ['cp905', 'csibm905', 'ebcdic-cp-tr', 'ibm905']),
  row(20924, SB, ['ccsid00924', 'cp00924', 'ebcdic-latin9--euro', 'ibm00924']),
  row(20936, NONE, ['x-cp20936']),
  row(20949, NONE, ['x-cp20949']),
  row(21025, SB, ['cp1025']),
  row(21027, NONE, ['x-cp21027']),
  row(21866, SB, ['koi8-ru', 'koi8-u']),
  row(28591, SB, ['cp819', 'csisolatin1', 'ibm819', 'iso-8859-1', 'iso-8859-1:1987', 'iso-ir-100',
    'latin-1', 'latin1']),
  row(28592, SB, ['csisolatin2', 'iso-8859-2', 'iso-8859-2:1987', 'iso-ir-101', 'latin-2',
    'latin2']),
  row(28593, SB, ['csisolatin3', 'iso-8859-3', 'iso-8859-3:1988', 'iso-ir-109', 'latin-3',
    'latin3']),
  row(28594, SB, ['csisolatin4', 'iso-8859-4', 'iso-8859-4:1988', 'iso-ir-110', 'latin-4',
    'latin4']),
  row(28595, SB, ['csisolatincyrillic', 'cyrillic', 'iso-8859-5', 'iso-8859-5:1988', 'iso-ir-144']),
  row(28596, SB, ['arabic', 'csisolatinarabic', 'ecma-114', 'iso-8859-6', 'iso-8859-6:1987',
    'iso-ir-127']),
  row(28597, SB, ['csisolatingreek', 'ecma-118', 'elot-928', 'greek', 'greek8', 'iso-8859-7',
    'iso-8859-7:1987', 'iso-ir-126']),
  row(28598, SB, ['csisolatinhebrew', 'hebrew', 'iso-8859-8', 'iso-8859-8 visual',
    'iso-8859-8:1988', 'iso-ir-138', 'logical', 'visual']),
  row(28599, SB, ['csisolatin5', 'iso-8859-9', 'iso-8859-9:1989', 'iso-ir-148', 'latin-5',
    'latin5']),
  row(28603, SB, ['iso-8859-13']),
  row(28605, SB, ['csisolatin9', 'iso-8859-15', 'latin-9', 'latin9']),
  row(29001, NONE, ['x-europa']),
  row(38598, SB, ['iso-8859-8-i']),
  row(50000, NONE, ['x-user-defined']),
  row(50220, transform(932), ['iso-2022-jp']),
  row(50221, transform(932), ['csiso2022jp', 'iso-2022-jp-1']),
  row(50222, transform(932), ['iso-2022-jp-2']),
  row(50225, transform(949), ['csiso2022kr', 'iso-2022-kr', 'iso-2022-kr-7', 'iso-2022-kr-7bit']),
  row(50227, NONE, ['cp50227', 'x-cp50227']),
  row(50930, NONE, ['cp930']),
  row(50931, NONE, ['x-ebcdic-japaneseanduscanada']),
  row(50933, NONE, ['cp933']),
  row(50935, NONE, ['cp935']),
  row(50937, NONE, ['cp937']),
  row(50939, NONE, ['cp939']),
  row(51932, mb(JAPANESE, JAPANESE), ['cseucpkdfmtjapanese', 'euc-jp', 'iso-2022-jpeuc', 'x-euc',
    'x-euc-jp']),
  row(51936, mb(CHINESE, CHINESE, 936), ['euc-cn', 'x-euc-cn']),
  row(51949, mb(LARGE, LARGE), ['cseuckr', 'euc-kr', 'iso-2022-kr-8', 'iso-2022-kr-8bit']),
  row(51950, NONE, ['euc-tw']),
  row(52936, transform(936), ['hz-gb-2312']),
  row(54936, NONE, ['gb18030', 'gb18030-2000']),
  row(57002, NONE, ['x-iscii-de']),
  row(57003, NONE, ['x-iscii-be']),
  row(57004, NONE, ['x-iscii-ta']),
  row(57005, NONE, ['x-iscii-te']),
  row(57006, NONE, ['x-iscii-as']),
  row(57007, NONE, ['x-iscii-or']),
  row(57008, NONE, ['x-iscii-ka']),
  row(57009, NONE, ['x-iscii-ma']),
  row(57010, NONE, ['x-iscii-gu']),
  row(57011, NONE, ['x-iscii-pa']),
  row(65000, UNICODE, ['csunicode11utf7', 'unicode-1-1-utf-7', 'unicode-2-0-utf-7', 'utf-7',
    'x-unicode-1-1-utf-7', 'x-unicode-2-0-utf-7']),
  row(65001, UNICODE, ['unicode-1-1-utf-8', 'unicode-2-0-utf-8', 'utf-8', 'x-unicode-1-1-utf-8',
    'x-unicode-2-0-utf-8']),
  row(65005, UNICODE, ['utf-32']),
  row(65006, UNICODE, ['utf-32be']),
];

module.exports = { CODE_PAGES };
