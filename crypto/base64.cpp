#include "crypto/base64.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kPadChar = '=';
constexpr std::uint32_t kGroupsPerLine = kBase64LineChars / 4;
constexpr std::size_t kBytesPerLine = kGroupsPerLine * 3;

// ---- Encoding -------------------------------------------------------------------------------

// The two characters for every 12-bit value, so that three input bytes take two lookups.
using CharPair = std::array<char, 2>;
constexpr std::array<CharPair, 4096> kEncodePairs = [] {
  std::array<CharPair, 4096> pairs{};
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    pairs[i] = {kAlphabet[i >> 6], kAlphabet[i & 63]};
  }
  return pairs;
}();

std::uint64_t LoadBigEndian64(const std::uint8_t* in) {
  std::uint64_t value;
  std::memcpy(&value, in, sizeof value);
  if constexpr (std::endian::native == std::endian::little) {
    value = __builtin_bswap64(value);
  }
  return value;
}

void StorePair(char* out, std::uint64_t twelveBits) {
  std::memcpy(out, kEncodePairs[twelveBits & 0xFFF].data(), 2);
}

// Encodes `triples` whole groups of three bytes. Where eight input bytes are readable, six are
// taken with one load.
char* EncodeTriples(const std::uint8_t* in, const std::uint8_t* inEnd, std::size_t triples,
                    char* out) {
  for (; triples >= 2 && inEnd - in >= 8; triples -= 2, in += 6, out += 8) {
    const std::uint64_t bits = LoadBigEndian64(in);
    StorePair(out, bits >> 52);
    StorePair(out + 2, bits >> 40);
    StorePair(out + 4, bits >> 28);
    StorePair(out + 6, bits >> 16);
  }
  for (; triples > 0; --triples, in += 3, out += 4) {
    const std::uint32_t bits = (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
    StorePair(out, bits >> 12);
    StorePair(out + 2, bits);
  }
  return out;
}

// Encodes the last one or two bytes as a padded group.
char* EncodeTail(const std::uint8_t* in, std::size_t count, char* out) {
  const std::uint8_t b0 = in[0];
  const std::uint8_t b1 = count > 1 ? in[1] : 0;
  *out++ = kAlphabet[b0 >> 2];
  *out++ = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
  *out++ = count > 1 ? kAlphabet[(b1 & 15) << 2] : kPadChar;
  *out++ = kPadChar;
  return out;
}

char* WriteLineBreak(char* out, bool lfOnly) {
  if (!lfOnly) {
    *out++ = '\r';
  }
  *out++ = '\n';
  return out;
}

void* Encode(std::uint32_t flags, const std::uint8_t* input, std::uint32_t inputLength,
             void* buffer, std::uint32_t* length) {
  if (length == nullptr) {
    return nullptr;
  }
  const bool noBreaks = (flags & B64_NO_BREAKS) != 0;
  const bool lfOnly = (flags & B64_LF_ONLY) != 0;
  // Sizes are worked out in 64 bits: near 4 GiB of input the text no longer fits a 32-bit length,
  // and a wrapped size would let the writes below run past the caller's buffer.
  const std::uint64_t groups = (std::uint64_t{inputLength} + 2) / 3;
  std::uint64_t required = 4 * groups + 1;
  if (!noBreaks) {
    required += (lfOnly ? 1 : 2) * ((groups + kGroupsPerLine - 1) / kGroupsPerLine);
  }
  if (required > std::numeric_limits<std::uint32_t>::max()) {
    *length = 0;
    return nullptr;
  }
  if (buffer == nullptr || *length < required) {
    *length = static_cast<std::uint32_t>(required);
    return nullptr;
  }
  if (input == nullptr) {
    return nullptr;
  }

  const std::uint8_t* in = input;
  const std::uint8_t* const inEnd = input + inputLength;
  char* out = static_cast<char*>(buffer);
  if (noBreaks) {
    out = EncodeTriples(in, inEnd, inputLength / 3, out);
    in += inputLength / 3 * 3;
  } else {
    for (; inEnd - in >= static_cast<std::ptrdiff_t>(kBytesPerLine); in += kBytesPerLine) {
      out = EncodeTriples(in, inEnd, kGroupsPerLine, out);
      out = WriteLineBreak(out, lfOnly);
    }
  }
  // What is left is shorter than a line (or, without breaks, shorter than a group).
  const auto rest = static_cast<std::size_t>(inEnd - in);
  out = EncodeTriples(in, inEnd, rest / 3, out);
  if (rest % 3 != 0) {
    out = EncodeTail(in + rest / 3 * 3, rest % 3, out);
  }
  if (!noBreaks && rest != 0) {
    out = WriteLineBreak(out, lfOnly);
  }
  *out = '\0';
  *length = static_cast<std::uint32_t>(required - 1);
  return buffer;
}

// ---- Decoding -------------------------------------------------------------------------------

// What a text character contributes: its 6-bit value, a pad mark, nothing, or (inside a PEM body)
// the end of the body.
constexpr std::uint8_t kPadMark = 64;
constexpr std::uint8_t kSkip = 65;
constexpr std::uint8_t kDash = 66;

constexpr std::array<std::uint8_t, 256> kCharClass = [] {
  std::array<std::uint8_t, 256> classes{};
  classes.fill(kSkip);
  for (std::uint8_t value = 0; value < 64; ++value) {
    classes[static_cast<unsigned char>(kAlphabet[value])] = value;
  }
  classes[static_cast<unsigned char>(kPadChar)] = kPadMark;
  classes[static_cast<unsigned char>('-')] = kDash;
  return classes;
}();

// For each of the four places of a quad, the character's 6 bits already shifted into place; any
// character outside the alphabet sets kNotAlphabet, so one OR of four lookups decodes a quad and
// tells whether it was plain.
constexpr std::uint32_t kNotAlphabet = 0x01000000;
using QuadTable = std::array<std::uint32_t, 256>;
constexpr QuadTable MakeQuadTable(unsigned shift) {
  QuadTable table{};
  for (std::size_t c = 0; c < table.size(); ++c) {
    table[c] = kCharClass[c] < 64 ? std::uint32_t{kCharClass[c]} << shift : kNotAlphabet;
  }
  return table;
}
constexpr QuadTable kQuad0 = MakeQuadTable(18);
constexpr QuadTable kQuad1 = MakeQuadTable(12);
constexpr QuadTable kQuad2 = MakeQuadTable(6);
constexpr QuadTable kQuad3 = MakeQuadTable(0);

std::uint32_t QuadBits(const char* p) {
  return kQuad0[static_cast<unsigned char>(p[0])] | kQuad1[static_cast<unsigned char>(p[1])] |
         kQuad2[static_cast<unsigned char>(p[2])] | kQuad3[static_cast<unsigned char>(p[3])];
}

// Writes the three bytes of a quad with one 4-byte store; the fourth byte is scratch that the next
// quad overwrites, so the caller keeps four bytes of room.
void StoreQuad(std::uint8_t* out, std::uint32_t bits) {
  std::uint32_t word = bits << 8;
  if constexpr (std::endian::native == std::endian::little) {
    word = __builtin_bswap32(word);
  }
  std::memcpy(out, &word, sizeof word);
}

// Decodes character ranges into quads. The state lasts across ranges, so that a text can be fed
// in pieces.
class QuadDecoder {
 public:
  QuadDecoder(std::uint8_t* buffer, std::uint32_t capacity, bool bodyEndsAtDash)
      : buffer_(buffer), capacity_(capacity), bodyEndsAtDash_(bodyEndsAtDash) {}

  // Decodes [p, end); gives false once decoding has ended (a pad mark, the end of a PEM body, or
  // a failure), true when more text may follow.
  bool Feed(const char* p, const char* end) {
    for (;;) {
      if (filled_ == 0) {
        p = DecodePlainQuads(p, end);
      }
      if (p == end) {
        return true;
      }
      const std::uint8_t contribution = kCharClass[static_cast<unsigned char>(*p++)];
      if (contribution <= kPadMark) {
        slots_[filled_++] = contribution;
        if (filled_ == 4) {
          filled_ = 0;
          if (!FinishQuad()) {
            return false;
          }
        }
      } else if (contribution == kDash && bodyEndsAtDash_) {
        return false;
      }
    }
  }

  bool failed() const { return failed_; }
  std::uint32_t count() const { return count_; }

 private:
  // The fast path: whole quads of alphabet characters, as long as they come. Works on locals, as
  // the byte stores could otherwise alias the members.
  const char* DecodePlainQuads(const char* p, const char* end) {
    if (buffer_ == nullptr || count_ >= capacity_) {
      // Only counting.
      std::uint32_t quads = 0;
      while (end - p >= 8) {
        if (((QuadBits(p) | QuadBits(p + 4)) & kNotAlphabet) == 0) {
          p += 8;
          quads += 2;
        } else if (*p == '\n' || *p == '\r') {
          ++p;
        } else {
          break;
        }
      }
      count_ += quads * 3;
      return p;
    }
    std::uint8_t* out = buffer_ + count_;
    std::uint8_t* const outStart = out;
    std::uint8_t* const outEnd = buffer_ + capacity_;
    // Each step stores eight bytes, two of them scratch.
    while (end - p >= 8 && outEnd - out >= 8) {
      const std::uint32_t first = QuadBits(p);
      const std::uint32_t second = QuadBits(p + 4);
      if (((first | second) & kNotAlphabet) != 0) {
        // Line breaks between quads are passed over here rather than one by one below.
        if (*p == '\n' || *p == '\r') {
          ++p;
          continue;
        }
        break;
      }
      StoreQuad(out, first);
      StoreQuad(out + 3, second);
      p += 8;
      out += 6;
    }
    count_ += static_cast<std::uint32_t>(out - outStart);
    return p;
  }

  bool FinishQuad() {
    const auto [w1, w2, w3, w4] = slots_;
    if (w1 == kPadMark || w2 == kPadMark) {
      failed_ = true;
      return false;
    }
    Emit(static_cast<std::uint8_t>((w1 << 2) | (w2 >> 4)));
    if (w3 == kPadMark) {
      return false;
    }
    Emit(static_cast<std::uint8_t>(((w2 & 15) << 4) | (w3 >> 2)));
    if (w4 == kPadMark) {
      return false;
    }
    Emit(static_cast<std::uint8_t>(((w3 & 3) << 6) | w4));
    return true;
  }

  void Emit(std::uint8_t byte) {
    if (buffer_ != nullptr && count_ < capacity_) {
      buffer_[count_] = byte;
    }
    ++count_;
  }

  std::uint8_t* const buffer_;
  const std::uint32_t capacity_;
  const bool bodyEndsAtDash_;
  std::uint32_t count_ = 0;
  std::array<std::uint8_t, 4> slots_{};
  int filled_ = 0;
  bool failed_ = false;
};

struct ArmourScan {
  bool malformed = false;
  // Null unless a complete header line was found; then the body starts here.
  const char* bodyStart = nullptr;
};

// Walks a PEM header, if the text starts with one: the first alphabet character before any dash
// means bare Base64; otherwise five dashes, a label, and five dashes must follow. The walk stops
// at the first NUL and after `limit` characters.
ArmourScan ScanArmour(const char* text, std::size_t limit) {
  enum class State { kBefore, kHeaderDashes, kHeaderLabel, kClosingDashes };
  State state = State::kBefore;
  int dashes = 0;
  for (std::size_t i = 0; i < limit && text[i] != '\0'; ++i) {
    const char c = text[i];
    switch (state) {
      case State::kBefore:
        if (kCharClass[static_cast<unsigned char>(c)] < 64) {
          return {};
        }
        if (c == '-') {
          state = State::kHeaderDashes;
          dashes = 1;
        }
        break;
      case State::kHeaderDashes:
        if (c != '-') {
          return {.malformed = true};
        }
        if (++dashes == 5) {
          state = State::kHeaderLabel;
        }
        break;
      case State::kHeaderLabel:
        if (c == '-') {
          state = State::kClosingDashes;
          dashes = 1;
        }
        break;
      case State::kClosingDashes:
        if (c != '-') {
          return {.malformed = true};
        }
        if (++dashes == 5) {
          return {.bodyStart = text + i + 1};
        }
        break;
    }
  }
  return {};
}

// Feeds [text, text + limit) up to its first NUL. The NUL is found a piece at a time with memchr,
// which never reads past it, and each piece is decoded while it is still in the cache.
void FeedUpToNul(QuadDecoder& decoder, const char* text, std::size_t limit) {
  constexpr std::size_t kPiece = 16 * 1024;
  while (limit > 0) {
    const std::size_t piece = limit < kPiece ? limit : kPiece;
    const auto* nul = static_cast<const char*>(std::memchr(text, '\0', piece));
    if (!decoder.Feed(text, nul != nullptr ? nul : text + piece) || nul != nullptr) {
      return;
    }
    text += piece;
    limit -= piece;
  }
}

void* Decode(const char* text, std::uint32_t inputLength, void* buffer, std::uint32_t* length) {
  if (length == nullptr || text == nullptr) {
    return nullptr;
  }
  const std::size_t limit =
      inputLength == kBase64NoLimit ? std::numeric_limits<std::size_t>::max() : inputLength;
  const ArmourScan armour = ScanArmour(text, limit);
  if (armour.malformed) {
    return nullptr;
  }
  const std::uint32_t capacity = *length;
  *length = 0;
  QuadDecoder decoder(static_cast<std::uint8_t*>(buffer), capacity, armour.bodyStart != nullptr);
  if (armour.bodyStart != nullptr) {
    // The rest of the limit; without a limit, the rest of SIZE_MAX is as good as none.
    FeedUpToNul(decoder, armour.bodyStart,
                limit - static_cast<std::size_t>(armour.bodyStart - text));
  } else {
    FeedUpToNul(decoder, text, limit);
  }
  if (decoder.failed()) {
    return nullptr;
  }
  *length = decoder.count();
  return buffer != nullptr && decoder.count() <= capacity ? buffer : nullptr;
}

}  // namespace

void* Base64Convert(std::uint32_t flags, const void* input, std::uint32_t inputLength, void* buffer,
                    std::uint32_t* length) {
  if ((flags & B64_ENCODE) != 0) {
    return Encode(flags, static_cast<const std::uint8_t*>(input), inputLength, buffer, length);
  }
  if ((flags & B64_DECODE) != 0) {
    return Decode(static_cast<const char*>(input), inputLength, buffer, length);
  }
  return nullptr;
}

std::u16string ExtractPemBlock(const std::u16string& text) {
  static constexpr std::u16string_view kBegin = u"-----BEGIN";
  static constexpr std::u16string_view kEnd = u"-----END";
  static constexpr std::u16string_view kDashes = u"-----";
  std::u16string block = text;
  const auto begin = block.find(kBegin);
  if (begin == std::u16string::npos) {
    return block;
  }
  block.erase(0, begin);
  const auto end = block.find(kEnd);
  if (end == std::u16string::npos) {
    return block;
  }
  const auto closing = block.find(kDashes, end + kEnd.size());
  if (closing == std::u16string::npos) {
    return block;
  }
  block.resize(closing + kDashes.size());
  return block;
}

bool DecodeBase64Bytes(const char* text, std::uint32_t textLength, platform::Bytes& bytes) {
  constexpr std::uint32_t kFlags = B64_DECODE | B64_LF_ONLY;
  std::uint32_t size = 0;
  Base64Convert(kFlags, text, textLength, nullptr, &size);
  if (size == 0) {
    return false;
  }
  try {
    platform::Bytes decoded(std::size_t{size} + 1, 0);
    if (Base64Convert(kFlags, text, textLength, decoded.data(), &size) == nullptr) {
      return false;
    }
    decoded.resize(size);
    bytes = std::move(decoded);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool DecodeBase64Bytes(std::string_view text, platform::Bytes& bytes) {
  // A length of 0xFFFFFFFF would mean "up to the NUL", which a view need not have.
  if (text.size() >= kBase64NoLimit) {
    return false;
  }
  return DecodeBase64Bytes(text.data(), static_cast<std::uint32_t>(text.size()), bytes);
}

std::u16string WrapPemCertificate(const std::u16string& base64) {
  return u"-----BEGIN CERTIFICATE-----\n" + base64 + u"-----END CERTIFICATE-----\n";
}
