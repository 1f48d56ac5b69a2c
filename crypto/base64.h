// Corvane's Base64 codec and the PEM helpers built on it.
//
// Base64Convert encodes bytes into Base64 text or decodes Base64 text into bytes, following the
// two-call protocol: a call without a buffer reports the size, a second call with a buffer of that
// size fills it. When it decodes, it skips a PEM header line and stops at the footer line. It keeps
// no state, allocates nothing and reads its input once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/cert_context.h"

inline constexpr std::uint32_t B64_ENCODE = 0x01;
inline constexpr std::uint32_t B64_DECODE = 0x02;
// Line breaks are a single LF instead of CR LF (encoding only).
inline constexpr std::uint32_t B64_LF_ONLY = 0x04;
// One line without any line break (encoding only).
inline constexpr std::uint32_t B64_NO_BREAKS = 0x10;

// An input length for decoding that sets no limit: the text ends at its first NUL.
inline constexpr std::uint32_t kBase64NoLimit = 0xFFFFFFFF;

// Encoded lines hold this many characters (18 groups of four) before their line break.
inline constexpr std::uint32_t kBase64LineChars = 72;

// Encodes (B64_ENCODE) inputLength bytes of input, or decodes (B64_DECODE) the narrow text at
// input, which ends after inputLength characters or at its first NUL, whichever comes first.
// *length holds the capacity of buffer in bytes on entry; on return the size needed or produced:
//  - encoding: the size needed including the terminating NUL when buffer is null or too small,
//    otherwise the number of characters written (a NUL follows them);
//  - decoding: the number of decoded bytes, also when buffer is null or too small (bytes are
//    written only as far as the capacity allows); 0 after a pad mark in a quad's first or second
//    place; untouched after a malformed PEM header.
// Gives buffer on success and null otherwise. With both direction flags set, it encodes.
void* Base64Convert(std::uint32_t flags, const void* input, std::uint32_t inputLength, void* buffer,
                    std::uint32_t* length);

// Cuts a text down to its first PEM block: from "-----BEGIN" to the closing dashes of the first
// "-----END" line after it. A text without "-----BEGIN" comes back unchanged; one without
// "-----END" or without the footer's closing dashes keeps everything from "-----BEGIN" on.
std::u16string ExtractPemBlock(const std::u16string& text);

// Decodes a PEM or bare Base64 text of textLength bytes into bytes. Gives false, leaving bytes as
// it was, when nothing decodes or decoding fails.
bool DecodeBase64Bytes(const char* text, std::uint32_t textLength, platform::Bytes& bytes);
bool DecodeBase64Bytes(std::string_view text, platform::Bytes& bytes);

// Puts the certificate header and footer lines around Base64 text that already ends in a line
// break (as Base64Convert writes it).
std::u16string WrapPemCertificate(const std::u16string& base64);
