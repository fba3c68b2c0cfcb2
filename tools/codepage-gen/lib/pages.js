'use strict';
// Which code pages get a stored table, and the per-page facts the table rules need.

// The single-byte code pages converted through a 256-entry decode table.
const SINGLE_BYTE = [
  37, 437, 500, 708, 720, 737, 775, 850, 852, 855, 857, 858, 860, 861, 862, 863, 864, 865,
  866, 869, 870, 874, 875, 1026, 1047,
  1140, 1141, 1142, 1143, 1144, 1145, 1146, 1147, 1148, 1149,
  1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258,
  10000, 10004, 10005, 10006, 10007, 10010, 10017, 10021, 10029, 10079, 10081, 10082,
  20105, 20106, 20107, 20108, 20127, 20261, 20269, 20273, 20277, 20278, 20280, 20284, 20285,
  20290, 20297, 20420, 20423, 20424, 20838, 20866, 20871, 20880, 20905, 20924, 21025, 21866,
  28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599, 28603, 28605, 38598,
];

// The multi-byte code pages with a full table of their own. 51936 (EUC-CN) has no blob: the
// table store reads 936's for it. 10001 is stored as a patch on top of 932 (see PATCH_PAGES).
const MULTI_BYTE = [932, 936, 949, 950, 1361, 51932, 51949];

// Patch blobs: code page -> the code page whose full table the patch is applied to.
const PATCH_PAGES = new Map([[10001, 932]]);

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
