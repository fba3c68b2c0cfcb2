// Where the decoders of the 7-bit stateful charsets first read their input leniently. Those
// decoders never fail: a stray escape is dropped, a byte without its partner is left out, a
// broken base64 run still yields what it can. A converter that must stop at the first invalid
// sequence asks these functions. Those of ISO-2022-KR and HZ are the decoders' own walks, run
// writing nothing (FirstLenient in charset/staged_output.h); the UTF-7 one sits by its decoder.
#pragma once
#include <cstdint>

namespace vk {

// ISO-2022-KR (as Korean::fromIso2022Kr reads it): the offset of the first ESC that is not the
// designator ESC $ ) C (it is dropped), of a shifted pair with a byte outside 0x21-0x7E (a
// control or 8-bit byte taken into a pair), or of a lone byte at the end of a shifted run;
// `count` when there is none.
std::uint32_t firstMalformedIso2022Kr(const std::uint8_t* bytes, std::uint32_t count);

// HZ-GB-2312 (as Chinese::fromHz reads it): the offset of the first '~' that starts no escape
// (it is kept as text), or, inside a GB run, of a byte without a partner in 0x21-0x7E (it is
// dropped) or of a byte that is neither GB, '~', CR nor LF (it passes through); `count` when
// there is none.
std::uint32_t firstMalformedHz(const std::uint8_t* bytes, std::uint32_t count);

// UTF-7 (as utf7Decode reads it): the offset of the first byte above 0x7F, or of the '+' of a
// base64 run that yields no unit, leaves bits that are not zero, or holds a surrogate without
// its partner (written out, it would become an encoded surrogate); `count` when there is none.
std::uint32_t firstMalformedUtf7(const std::uint8_t* bytes, std::uint32_t count);

}  // namespace vk
