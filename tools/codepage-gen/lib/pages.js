'use strict';
// Which code pages get a stored table (from the list in code_pages.js), and the per-page facts
// the table rules need.

const { CODE_PAGES } = require('./code_pages');

// The single-byte code pages converted through a 256-entry decode table.
const SINGLE_BYTE = CODE_PAGES.filter((p) => p.kind === 'sbcs').map((p) => p.codePage);

// The multi-byte code pages with a full table of their own. 51936 (EUC-CN) has no blob: the
// table store reads 936's for it. 10001 is stored as a patch on top of 932 (see PATCH_PAGES).
const MULTI_BYTE = CODE_PAGES.filter((p) => p.kind === 'mbcs' && p.tableOf === p.codePage)
  .map((p) => p.codePage);

// Patch blobs: code page -> the code page whose full table the patch is applied to.
const PATCH_PAGES = new Map(CODE_PAGES.filter((p) => p.kind === 'patch')
  .map((p) => [p.codePage, p.tableOf]));

// Tables whose bytes 0x01-0x7F are not plain ASCII: the EBCDIC pages, the IA5 national
// variants and Mac Thai. Every other table carries the ASCII-compatible mark 'a'.
const NOT_ASCII_COMPATIBLE = new Set([
  37, 500, 870, 875, 1026, 1047, 1140, 1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149,
  20273, 20277, 20278, 20280, 20284, 20285, 20290, 20297, 20420, 20423, 20424, 20838, 20871,
  20880, 20905, 20924, 21025,
  20105, 20106, 20107, 20108,
  10021,
]);

function isAsciiCompatible(codePage) {
  return !NOT_ASCII_COMPATIBLE.has(codePage);
}

module.exports = { SINGLE_BYTE, MULTI_BYTE, PATCH_PAGES, isAsciiCompatible };
