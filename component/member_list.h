// The members of IVkString: the one definition from which the C++ interface, the dispatch
// table and the interface description are made. Entries are in interface order, which is
// ascending dispatch-identifier order (the property get of Str comes before its put).
//
// Each entry is one of
//   M0(dispid, kind, Name, cppName,                                   resultType, resultName)
//   M1(dispid, kind, Name, cppName, t1, n1,                           resultType, resultName)
//   M2(dispid, kind, Name, cppName, t1, n1, t2, n2,                   resultType, resultName)
//   M3(dispid, kind, Name, cppName, t1, n1, t2, n2, t3, n3,           resultType, resultName)
// with kind Method, PropertyGet or PropertyPut, parameter types BSTR, LONG, DATE or VARIANT,
// and resultType Nothing (with resultName _) when the member has no [out,retval] result.
#pragma once

#define VK_MEMBER_LIST(M0, M1, M2, M3)                                                               \
  M0(1, PropertyGet, Str, get_Str, BSTR, pVal)                                                       \
  M1(1, PropertyPut, Str, put_Str, BSTR, newVal, Nothing, _)                                         \
  M1(2, Method, Append, Append, BSTR, Str, Nothing, _)                                               \
  M2(3, Method, ReplaceFirst, ReplaceFirst, BSTR, substr, BSTR, replacement, Nothing, _)             \
  M2(4, Method, LoadFile, LoadFile, BSTR, filename, BSTR, charset, LONG, success)                    \
  M2(5, Method, ReplaceAll, ReplaceAll, BSTR, substr, BSTR, replacement, Nothing, _)                 \
  M0(6, Method, Trim, Trim, Nothing, _)                                                              \
  M0(7, Method, Trim2, Trim2, Nothing, _)                                                            \
  M1(8, Method, Prepend, Prepend, BSTR, Str, Nothing, _)                                             \
  M1(10, Method, Contains, Contains, BSTR, substr, LONG, pVal)                                       \
  M0(14, Method, Clear, Clear, Nothing, _)                                                           \
  M1(15, Method, Shorten, Shorten, LONG, numChars, Nothing, _)                                       \
  M0(16, Method, HtmlEntityEncode, HtmlEntityEncode, Nothing, _)                                     \
  M0(17, Method, HtmlEntityDecode, HtmlEntityDecode, Nothing, _)                                     \
  M2(18, Method, ReplaceAnsiChar, ReplaceAnsiChar, LONG, c1, LONG, c2, Nothing, _)                   \
  M0(19, Method, LastAnsiChar, LastAnsiChar, LONG, pVal)                                             \
  M0(20, Method, Length, Length, LONG, Length)                                                       \
  M1(21, Method, RemoveAnsiChar, RemoveAnsiChar, LONG, ch, Nothing, _)                               \
  M1(22, Method, AnsiCharAt, AnsiCharAt, LONG, index, LONG, ch)                                      \
  M2(23, Method, SaveToFile, SaveToFile, BSTR, filename, BSTR, charset, LONG, success)               \
  M2(24, Method, AppendToFile, AppendToFile, BSTR, filename, BSTR, charset, LONG, success)           \
  M0(25, Method, TrimInside, TrimInside, Nothing, _)                                                 \
  M1(26, Method, BeginsWith, BeginsWith, BSTR, substr, LONG, pVal)                                   \
  M2(28, Method, Matches, Matches, BSTR, pattern, LONG, caseSensitive, LONG, result)                 \
  M0(29, PropertyGet, NumAscii, get_NumAscii, LONG, pVal)                                            \
  M0(30, PropertyGet, NumLatin, get_NumLatin, LONG, pVal)                                            \
  M0(31, PropertyGet, NumCentralEuro, get_NumCentralEuro, LONG, pVal)                                \
  M0(32, PropertyGet, NumGreek, get_NumGreek, LONG, pVal)                                            \
  M0(33, PropertyGet, NumHebrew, get_NumHebrew, LONG, pVal)                                          \
  M0(34, PropertyGet, NumArabic, get_NumArabic, LONG, pVal)                                          \
  M0(35, PropertyGet, NumJapanese, get_NumJapanese, LONG, pVal)                                      \
  M0(36, PropertyGet, NumKorean, get_NumKorean, LONG, pVal)                                          \
  M0(37, PropertyGet, NumChinese, get_NumChinese, LONG, pVal)                                        \
  M0(38, PropertyGet, NumThai, get_NumThai, LONG, pVal)                                              \
  M0(39, PropertyGet, NumCyrillic, get_NumCyrillic, LONG, pVal)                                      \
  M2(40, Method, AppendMultibyte, AppendMultibyte, VARIANT, mbtext, BSTR, charset, Nothing, _)       \
  M1(41, Method, EmitMultibyte, EmitMultibyte, BSTR, charset, VARIANT, mbtext)                       \
  M1(42, Method, Left, Left, LONG, numChars, BSTR, Str)                                              \
  M1(43, Method, Right, Right, LONG, numChars, BSTR, Str)                                            \
  M2(44, Method, Mid, Mid, LONG, idx, LONG, numChars, BSTR, Str)                                     \
  M2(45, Method, StrComp, StrComp, BSTR, Str, LONG, caseSensitive, LONG, retval)                     \
  M0(46, Method, ParseDateRfc3339, ParseDateRfc3339, DATE, dt)                                       \
  M0(47, Method, ParseDateRfc822, ParseDateRfc822, DATE, dt)                                         \
  M1(48, Method, AppendDateRfc3339, AppendDateRfc3339, DATE, dt, Nothing, _)                         \
  M1(49, Method, AppendDateRfc822, AppendDateRfc822, DATE, dt, Nothing, _)                           \
  M3(50, Method, AppendEncoded, AppendEncoded, BSTR, Str, BSTR, encoding, BSTR, charset, Nothing, _) \
  M2(51, Method, GetEncoded, GetEncoded, BSTR, encoding, BSTR, charset, BSTR, Str)                   \
  M1(52, Method, ChopAfter, ChopAfter, BSTR, Str, Nothing, _)                                        \
  M1(53, Method, ChopBefore, ChopBefore, BSTR, Str, Nothing, _)                                      \
  M1(54, Method, EndsWith, EndsWith, BSTR, Str, LONG, retval)                                        \
  M0(55, Method, Pluralize, Pluralize, Nothing, _)                                                   \
  M0(56, Method, Unpluralize, Unpluralize, Nothing, _)                                               \
  M0(57, Method, StripHtml, StripHtml, Nothing, _)
