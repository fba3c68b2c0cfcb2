'use strict';
// Builds the mapping of every table code page from the `codepage` package (which carries the
// Windows tables, partly taken from Windows itself through .NET) plus the corrections below.
// Each correction is a numbered rule; the manifest lists the rules that changed a page.
//
// The result for a full table is one record per code, {unit, code}, in ascending order of
// character. Where several codes decode to one character, the record with the code the encoder
// produces comes first and the others follow it as `extra` records: the loader's encode table
// answers the first record of a character, its decode table every record. They are counted as
// `extraCodes`.

const cptable = require('codepage');
const { isAsciiCompatible } = require('./pages');

const REPLACEMENT = 0xfffd;

// One UTF-16 unit per code, or null where the package has no single-unit mapping (it marks
// holes with U+FFFD or leaves them out).
function unitOf(text) {
  if (typeof text !== 'string' || text.length !== 1) return null;
  const unit = text.charCodeAt(0);
  return unit === REPLACEMENT ? null : unit;
}

function packageTable(codePage) {
  const table = cptable[codePage];
  if (!table || !Array.isArray(table.dec)) throw new Error(`codepage package lacks ${codePage}`);
  return table.dec;
}

// ---------------------------------------------------------------------------------------------
// Single-byte pages: decode[b] for b = 0..255 (null = unmapped).

// R2: the ISO 8859 pages. Windows maps 0x80 to the euro sign in both directions for these
// (and then has no code for U+0080); 8859-7 leaves 0x80 unmapped; 8859-13 and 8859-15 keep
// 0x80 for U+0080 as the package has it.
const R2_EURO_AT_0X80 = new Set([28591, 28592, 28593, 28594, 28595, 28596, 28598, 28599]);
const R2_0X80_UNMAPPED = new Set([28597]);

function singleByteDecode(codePage, rules) {
  const decode = new Array(256).fill(null);
  if (codePage === 20127) {
    // R4: US-ASCII is not in the package; it is 0x00-0x7F mapped to themselves.
    for (let b = 0; b < 0x80; b++) decode[b] = b;
    rules.add('R4');
    return decode;
  }
  const dec = packageTable(codePage);
  // Only the one-byte codes: the package gives T.61 (20261) two-byte accent sequences too,
  // which a single-byte table cannot hold.
  for (let b = 0; b < 256; b++) decode[b] = unitOf(dec[b]);

  // R1: several of the package's Windows-generated tables have wrong bytes 0x00 and 0x01
  // (they repeat byte 0xFF's character, or are holes). Every table is checked, not a list:
  // all of these pages map the two C0 controls to themselves.
  if (decode[0] !== 0x0000 || decode[1] !== 0x0001) {
    decode[0] = 0x0000;
    decode[1] = 0x0001;
    rules.add('R1');
  }

  if (R2_EURO_AT_0X80.has(codePage)) {
    decode[0x80] = 0x20ac;
    rules.add('R2');
  } else if (R2_0X80_UNMAPPED.has(codePage)) {
    decode[0x80] = null;
    rules.add('R2');
  }
  return decode;
}

// ---------------------------------------------------------------------------------------------
// Multi-byte pages: a Map from code (byte, or lead << 8 | trail) to unit.

function packageMap(codePage) {
  const dec = packageTable(codePage);
  const map = new Map();
  dec.forEach((text, code) => {
    const unit = unitOf(text);
    if (unit !== null) map.set(code, unit);
  });
  return map;
}

// Adds mappings for codes the package lacks; a code it already maps would mean the rule is
// out of date, so that stops the run.
function addMissing(map, codePage, code, unit) {
  if (map.has(code)) {
    throw new Error(`${codePage}: code ${code.toString(16)} already mapped, rule R3 is stale`);
  }
  map.set(code, unit);
}

// Fills a user-defined area: consecutive units over the leads in order, each lead's valid
// trail bytes in order.
function fillArea(map, codePage, firstLead, lastLead, trailRanges, firstUnit) {
  let unit = firstUnit;
  for (let lead = firstLead; lead <= lastLead; lead++) {
    for (const [lo, hi] of trailRanges) {
      for (let trail = lo; trail <= hi; trail++) addMissing(map, codePage, (lead << 8) | trail, unit++);
    }
  }
  return unit;
}

// R3: the single bytes Windows maps that the package lacks (code, unit).
const R3_SINGLE_BYTES = new Map([
  [932, [[0x80, 0x0080], [0xa0, 0xf8f0], [0xfd, 0xf8f1], [0xfe, 0xf8f2], [0xff, 0xf8f3]]],
  [949, [[0x80, 0x0080], [0xff, 0xf8f7]]],
  [950, [[0x80, 0x0080], [0xff, 0xf8f8]]],
]);

const SJIS_TRAILS = [[0x40, 0x7e], [0x80, 0xfc]];
const KOREAN_TRAILS = [[0xa1, 0xfe]];
const BIG5_TRAILS = [[0x40, 0x7e], [0xa1, 0xfe]];

function multiByteDecode(codePage, rules) {
  let map;
  if (codePage === 936) {
    // R4: the package's 936 lacks what Windows adds to GBK (0x80 -> U+20AC, 0xFF -> U+F8F5
    // and the user-defined areas from U+E000); its 51936 table is exactly that complete 936
    // (a superset of its 936 table, checked here).
    map = packageMap(51936);
    for (const [code, unit] of packageMap(936)) {
      if (map.get(code) !== unit) throw new Error(`936: package 51936 differs at ${code.toString(16)}`);
    }
    rules.add('R4');
  } else {
    map = packageMap(codePage);
  }

  // R7: the package's 51949 decodes B4D3 as U+B2D6, the only place where it departs from the
  // KS X 1001 part of 949; 949, ICU and Python all have U+B2D2 there, and with U+B2D6 the
  // syllable U+B2D2 could not be written in EUC-KR at all.
  if (codePage === 51949) {
    if (map.get(0xb4d3) !== 0xb2d6) throw new Error('51949: rule R7 is stale');
    map.set(0xb4d3, 0xb2d2);
    rules.add('R7');
  }

  // R3: positions Windows maps that the package lacks: single bytes, then user-defined areas.
  if (R3_SINGLE_BYTES.has(codePage)) {
    for (const [code, unit] of R3_SINGLE_BYTES.get(codePage)) addMissing(map, codePage, code, unit);
    rules.add('R3');
  }
  if (codePage === 932) {
    // User-defined area F040-F9FC -> U+E000-U+E757, 188 cells per lead byte.
    const end = fillArea(map, 932, 0xf0, 0xf9, SJIS_TRAILS, 0xe000);
    if (end !== 0xe758) throw new Error('932 user-defined area size');
  } else if (codePage === 949) {
    // User-defined rows C9 and FE, both from U+E000 onwards in code order.
    let unit = fillArea(map, 949, 0xc9, 0xc9, KOREAN_TRAILS, 0xe000);
    unit = fillArea(map, 949, 0xfe, 0xfe, KOREAN_TRAILS, unit);
  } else if (codePage === 950) {
    // The four user-defined areas, each filled in code order over trails 40-7E, A1-FE.
    fillArea(map, 950, 0xfa, 0xfe, BIG5_TRAILS, 0xe000);
    fillArea(map, 950, 0x8e, 0xa0, BIG5_TRAILS, 0xe311);
    fillArea(map, 950, 0x81, 0x8d, BIG5_TRAILS, 0xeeb8);
    // C6A1-C8FE: row C6 from A1, rows C7 and C8 over all trails.
    let unit = fillArea(map, 950, 0xc6, 0xc6, [[0xa1, 0xfe]], 0xf6b1);
    fillArea(map, 950, 0xc7, 0xc8, BIG5_TRAILS, unit);
  }
  return map;
}

// ---------------------------------------------------------------------------------------------
// Encoder choice where several codes decode to one character (R5).

// 932: the NEC-selected IBM extension rows ED and EE are never produced; Windows writes the
// IBM extension code (FA-FC) or the JIS/NEC code instead, which is the lowest other code.
function isNecSelectedRow(code) {
  const lead = code >> 8;
  return lead === 0xed || lead === 0xee;
}

// 950: characters where Windows does not write the lowest code (it prefers the ETEN box
// drawing cells F9E9-F9F9 for four double-line forms, and A451/A4CA for two hanzi that also
// sit among the numerals in row A2). Checked against ICU's windows-950-2000.
const BIG5_ENCODER_CHOICE = new Map([
  [0x2550, 0xf9f9], [0x255e, 0xf9e9], [0x2561, 0xf9eb], [0x256a, 0xf9ea],
  [0x5341, 0xa451], [0x5345, 0xa4ca],
]);

function chooseCode(codePage, unit, codes, rules) {
  if (codes.length === 1) return codes[0];
  rules.add('R5');
  if (codePage === 932) {
    const preferred = codes.filter((c) => !isNecSelectedRow(c));
    return Math.min(...(preferred.length ? preferred : codes));
  }
  if (codePage === 950 && BIG5_ENCODER_CHOICE.has(unit)) {
    const code = BIG5_ENCODER_CHOICE.get(unit);
    if (!codes.includes(code)) throw new Error(`950: U+${unit.toString(16)} not at ${code.toString(16)}`);
    return code;
  }
  return Math.min(...codes);
}

// R6: encode-only entries mapping a character to a look-alike.
const ONE_WAY = new Map([
  [20127, [[0x00a0, 0x20]]],
  [932, [[0x00a0, 0x20], [0x00a5, 0x5c]]],
  [51932, [[0x00a0, 0x20], [0x00a5, 0x5c]]],
  [936, [[0x00a0, 0x20]]],
  [949, [[0x00a0, 0x20]]],
  [950, [[0x00a0, 0x20]]],
  [1361, [[0x00a0, 0x20]]],
  [51949, [[0x00a0, 0x20]]],
]);

// ---------------------------------------------------------------------------------------------

// Turns a decode mapping (code -> unit) into the stored records of a full table.
//   listed(code): whether the code is stored at all (ASCII-compatible tables leave out
//   0x00-0x7F, which the engine maps itself; byte 0x00 is always the engine's).
function recordsFrom(codePage, decode, listed, rules) {
  const codesByUnit = new Map();
  let excludedAsciiDiffs = 0;
  for (const [code, unit] of [...decode.entries()].sort((a, b) => a[0] - b[0])) {
    if (!listed(code)) {
      if (code > 0 && code < 0x80 && unit !== code) excludedAsciiDiffs++;
      continue;
    }
    if (!codesByUnit.has(unit)) codesByUnit.set(unit, []);
    codesByUnit.get(unit).push(code);
  }
  if (excludedAsciiDiffs > 0) rules.add('R6');

  const records = [];
  let extraCodes = 0;
  for (const [unit, codes] of codesByUnit) {
    const chosen = chooseCode(codePage, unit, codes, rules);
    records.push({ unit, code: chosen, oneWay: false, extra: false });
    for (const code of codes) {
      if (code === chosen) continue;
      // The single-byte section is read first, so an extra single-byte code would become the
      // encoder's choice for a character whose chosen code is double-byte.
      if (code < 0x100 && chosen >= 0x100) {
        throw new Error(`${codePage}: extra code ${code.toString(16)} would precede ${chosen.toString(16)}`);
      }
      records.push({ unit, code, oneWay: false, extra: true });
      extraCodes++;
    }
  }
  for (const [unit, code] of ONE_WAY.get(codePage) || []) {
    if (codesByUnit.has(unit)) throw new Error(`${codePage}: one-way U+${unit.toString(16)} is mapped`);
    records.push({ unit, code, oneWay: true });
    rules.add('R6');
  }
  // A stable sort: a character's chosen record stays ahead of its extra ones.
  records.sort((a, b) => a.unit - b.unit);
  return { records, extraCodes };
}

function fullTable(codePage, multiByte) {
  const rules = new Set();
  const ascii = isAsciiCompatible(codePage);
  const listed = (code) => code !== 0 && !(ascii && code < 0x80);
  let decode;
  if (multiByte) {
    decode = multiByteDecode(codePage, rules);
  } else {
    decode = new Map();
    singleByteDecode(codePage, rules).forEach((unit, b) => {
      if (unit !== null) decode.set(b, unit);
    });
  }
  const { records, extraCodes } = recordsFrom(codePage, decode, listed, rules);
  return { codePage, kind: multiByte ? 'mbcs' : 'sbcs', ascii, records, extraCodes, rules };
}

// The encode mapping (unit -> code) that the loader builds from a full table: the first record
// of each character.
function encodeMapOf(table) {
  return new Map(table.records.filter((r) => !r.extra).map((r) => [r.unit, r.code]));
}

// 10001 (Mac Japanese) is stored as a patch on the 932 table. The package's 10001 table is
// taken as Windows' Mac Japanese mapping; the patch makes the 932 encode table into its
// inverse: removals for 932 characters that 10001 lacks (among them U+00A5, so 0x5C stays a
// backslash), and records for characters that 10001 maps to another code (U+00A0 -> 0xA0,
// U+00A9 -> 0xFD, U+2122 -> 0xFE, the Mac circled and Roman numerals, ...). The decode table
// of 10001 is built by inverting the patched encode table, so it must be one code per
// character with no code shared, which is checked.
function patchTable(codePage, base) {
  const rules = new Set();
  const ascii = isAsciiCompatible(codePage);
  const target = new Map();
  const usedCodes = new Set();
  for (const [code, unit] of [...packageMap(codePage).entries()].sort((a, b) => a[0] - b[0])) {
    if (code === 0 || (ascii && code < 0x80)) continue;
    if (target.has(unit) || usedCodes.has(code)) throw new Error(`${codePage}: not one-to-one at ${code.toString(16)}`);
    target.set(unit, code);
    usedCodes.add(code);
  }
  const baseEncode = encodeMapOf(base);
  const removals = [...baseEncode.keys()].filter((u) => !target.has(u)).sort((a, b) => a - b);
  const changed = [...target.entries()]
    .filter(([unit, code]) => baseEncode.get(unit) !== code)
    .sort((a, b) => a[0] - b[0])
    .map(([unit, code]) => ({ unit, code }));
  return {
    codePage,
    kind: 'patch',
    base: base.codePage,
    ascii,
    removals,
    singles: changed.filter((r) => r.code < 0x100),
    doubles: changed.filter((r) => r.code >= 0x100),
    target,
    rules,
  };
}

module.exports = { fullTable, patchTable, encodeMapOf };
