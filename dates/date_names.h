// The name tables of the Internet date forms: three-letter day and month names as they are
// read (lower case; a second month table takes the Romance and German spellings) and as they
// are written, and the zone words of RFC 822 with the numeric offset each stands for.
#pragma once

namespace vk {

inline constexpr const char* kDayNamesRead[7] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
inline constexpr const char* kDayNamesWritten[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

inline constexpr const char* kMonthNamesRead[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                    "jul", "aug", "sep", "oct", "nov", "dec"};
inline constexpr const char* kMonthNamesReadSecond[12] = {"ian", "fev", "mar", "apr", "mai", "jun",
                                                          "jul", "aug", "set", "okt", "nov", "dez"};
inline constexpr const char* kMonthNamesWritten[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct ZoneName {
  const char* word;    // lower case, compared with the whole zone word
  const char* offset;  // the numeric zone it stands for
};

// In lookup order. The military letters carry the signs RFC 822 gives them: "a" is one hour
// west of UTC, "n" one hour east.
inline constexpr ZoneName kZoneNames[15] = {
    {"ut", "0000"},   {"gmt", "0000"},  {"est", "-0500"}, {"edt", "-0400"}, {"cst", "-0600"},
    {"cdt", "-0500"}, {"mst", "-0700"}, {"mdt", "-0600"}, {"pst", "-0800"}, {"pdt", "-0700"},
    {"a", "-0100"},   {"z", "0000"},    {"m", "-1200"},   {"n", "0100"},    {"y", "1200"},
};

// The offset text of a zone word; a word not in the table counts as UTC.
inline const char* zoneOffsetText(const char* word) {
  if (word == nullptr) return "0000";
  for (const ZoneName& zone : kZoneNames) {
    const char* a = zone.word;
    const char* b = word;
    while (*a != '\0' && *a == *b) {
      ++a;
      ++b;
    }
    if (*a == '\0' && *b == '\0') return zone.offset;
  }
  return "0000";
}

}  // namespace vk
