'use strict';
// The stored form of a table: table data (mark, kind, delta-coded records), the compressed
// container around it and the base64 text with its storage-mode character.

const { execFileSync } = require('child_process');

const CONTAINER_MAGIC = [0xe1, 0xa7, 0x94, 0xb3]; // 0xB394A7E1 little-endian

class ByteWriter {
  constructor() {
    this.bytes = [];
  }
  u8(v) {
    this.bytes.push(v & 0xff);
  }
  u16(v) {
    this.u8(v);
    this.u8(v >> 8);
  }
  u32(v) {
    this.u16(v & 0xffff);
    this.u16(v >>> 16);
  }
  buffer() {
    return Buffer.from(this.bytes);
  }
}

// Full table: 'a'/'x', 'u', then the single-byte and double-byte sections. Each section is in
// ascending order of character (a character repeats only for its extra codes, right after its
// encoder's record) and delta-codes byte/code and character from running values
// that start at 0. A byte or code delta of 0 is the section's end marker, so two neighbouring
// records of one section must never share a code; that is checked rather than assumed.
function fullTableData(table) {
  const w = new ByteWriter();
  w.u8(table.ascii ? 0x61 : 0x78);
  w.u8(0x75);
  const sections = [
    { records: table.records.filter((r) => r.code < 0x100), mod: 0x100, codeBytes: 1 },
    { records: table.records.filter((r) => r.code >= 0x100), mod: 0x10000, codeBytes: 2 },
  ];
  for (const { records, mod, codeBytes } of sections) {
    let code = 0;
    let unit = 0;
    let previousUnit = -1;
    for (const r of records) {
      const codeDelta = (r.code - code + mod) % mod;
      if (codeDelta === 0) {
        throw new Error(`${table.codePage}: code ${r.code.toString(16)} repeats next to U+${r.unit.toString(16)}`);
      }
      if (r.unit < previousUnit || (r.unit === previousUnit && !r.extra)) {
        throw new Error(`${table.codePage}: characters not ascending at U+${r.unit.toString(16)}`);
      }
      if (codeBytes === 1) w.u8(codeDelta);
      else w.u16(codeDelta);
      w.u16((r.unit - unit + 0x10000) % 0x10000);
      code = r.code;
      unit = r.unit;
      previousUnit = r.unit;
    }
    if (codeBytes === 1) w.u8(0);
    else w.u16(0);
  }
  return w.buffer();
}

// Patch: 'a'/'x', 'd', removals (units) ended by 0x0000, single-byte records (byte, unit)
// ended by 0x00, double-byte records (lead, trail, unit) ended by 0x0000; absolute values.
function patchData(patch) {
  const w = new ByteWriter();
  w.u8(patch.ascii ? 0x61 : 0x78);
  w.u8(0x64);
  for (const unit of patch.removals) {
    if (unit === 0) throw new Error('patch cannot remove U+0000');
    w.u16(unit);
  }
  w.u16(0);
  for (const r of patch.singles) {
    if (r.code === 0) throw new Error('patch cannot map to byte 0');
    w.u8(r.code);
    w.u16(r.unit);
  }
  w.u8(0);
  for (const r of patch.doubles) {
    w.u8(r.code >> 8);
    w.u8(r.code & 0xff);
    w.u16(r.unit);
  }
  w.u16(0);
  return w.buffer();
}

// bzip2 at block size 9 through the system's bzip2 (libbzip2 1.0.x); its output depends only on
// the input and the level, so the stored text is reproducible.
function bzip2(data) {
  return execFileSync('bzip2', ['-9', '-c'], { input: data, maxBuffer: 64 << 20 });
}

function container(data) {
  const head = new ByteWriter();
  CONTAINER_MAGIC.forEach((b) => head.u8(b));
  head.u32(data.length);
  return Buffer.concat([head.buffer(), bzip2(data)]);
}

// Storage mode 'x' keeps the table data as it is (used for the tiny US-ASCII table, which the
// container would only make larger); 'c' wraps it in the compressed container.
function storedText(data, mode) {
  if (mode === 'x') return 'x' + data.toString('base64');
  if (mode === 'c') return 'c' + container(data).toString('base64');
  throw new Error(`storage mode ${mode}`);
}

function splitPieces(text, size) {
  const pieces = [];
  for (let i = 0; i < text.length; i += size) pieces.push(text.slice(i, i + size));
  return pieces;
}

module.exports = { fullTableData, patchData, storedText, splitPieces };
