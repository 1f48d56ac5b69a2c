#include "crypto/base64.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

// Encodes with the two-call protocol and checks that the reported sizes agree.
std::string Encode(const std::string& bytes, std::uint32_t flags) {
  std::uint32_t size = 0;
  EXPECT_EQ(Base64Convert(B64_ENCODE | flags, bytes.data(),
                          static_cast<std::uint32_t>(bytes.size()), nullptr, &size),
            nullptr);
  std::vector<char> buffer(size, '#');
  std::uint32_t length = size;
  EXPECT_EQ(Base64Convert(B64_ENCODE | flags, bytes.data(),
                          static_cast<std::uint32_t>(bytes.size()), buffer.data(), &length),
            buffer.data());
  EXPECT_EQ(length + 1, size);
  EXPECT_EQ(buffer[length], '\0');
  return std::string(buffer.data(), length);
}

// Decodes with the two-call protocol into a buffer of exactly the reported size; none on failure.
std::optional<std::string> Decode(std::string_view text, std::uint32_t limit) {
  std::uint32_t size = 0;
  if (Base64Convert(B64_DECODE, text.data(), limit, nullptr, &size) != nullptr) {
    ADD_FAILURE() << "a size query gave a buffer";
  }
  std::vector<char> buffer(size + 1);  // never empty, so that data() is not null
  std::uint32_t length = size;
  if (Base64Convert(B64_DECODE, text.data(), limit, buffer.data(), &length) == nullptr) {
    EXPECT_EQ(length, 0u);
    return std::nullopt;
  }
  EXPECT_EQ(length, size);
  return std::string(buffer.data(), length);
}

std::optional<std::string> Decode(const std::string& text) {
  return Decode(text, static_cast<std::uint32_t>(text.size()));
}

std::string RandomBytes(std::size_t count, std::mt19937& random) {
  std::string bytes(count, '\0');
  for (char& byte : bytes) {
    byte = static_cast<char>(random() & 0xFF);
  }
  return bytes;
}

std::string OpenSslEncode(const std::string& bytes) {
  std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                                     reinterpret_cast<const unsigned char*>(bytes.data()),
                                     static_cast<int>(bytes.size()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

// OpenSSL's decoding of text made of alphabet characters only (no padding).
std::string OpenSslDecode(const std::string& text) {
  std::string bytes(text.size() / 4 * 3 + 3, '\0');
  const int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                     reinterpret_cast<const unsigned char*>(text.data()),
                                     static_cast<int>(text.size() / 4 * 4));
  bytes.resize(static_cast<std::size_t>(length));
  return bytes;
}

}  // namespace

TEST(Base64Encode, SizesAndLengthsFollowTheLineBreakMode) {
  struct Case {
    std::uint32_t flags;
    std::uint32_t size;
    const char* text;
  };
  for (const Case& c :
       {Case{B64_LF_ONLY, 6, "YWJj\n"}, Case{0, 7, "YWJj\r\n"}, Case{B64_NO_BREAKS, 5, "YWJj"}}) {
    SCOPED_TRACE(c.flags);
    std::uint32_t size = 0;
    EXPECT_EQ(Base64Convert(B64_ENCODE | c.flags, "abc", 3, nullptr, &size), nullptr);
    EXPECT_EQ(size, c.size);
    EXPECT_EQ(Encode("abc", c.flags), c.text);
  }
  EXPECT_EQ(Encode("abcd", B64_LF_ONLY), "YWJjZA==\n");
  EXPECT_EQ(Encode("ab", B64_NO_BREAKS), "YWI=");
}

TEST(Base64Encode, BreaksLinesAfterEighteenGroups) {
  const std::string text54 = Encode(std::string(54, 'x'), B64_LF_ONLY);
  ASSERT_EQ(text54.size(), 73u);
  EXPECT_EQ(text54.find('\n'), 72u);

  const std::string text55 = Encode(std::string(55, 'x'), B64_LF_ONLY);
  ASSERT_EQ(text55.size(), 73u + 5u);
  EXPECT_EQ(text55.substr(72), "\neA==\n");

  // A full last line gets no second break; CR LF breaks count two characters.
  const std::string text108 = Encode(std::string(108, 'x'), 0);
  ASSERT_EQ(text108.size(), 2 * 74u);
  EXPECT_EQ(text108.substr(72, 2), "\r\n");
  EXPECT_EQ(text108.substr(146), "\r\n");
  EXPECT_EQ(Encode(std::string(108, 'x'), B64_NO_BREAKS).size(), 144u);
}

TEST(Base64Encode, ZeroBytesGiveTheEmptyText) {
  std::uint32_t size = 0;
  EXPECT_EQ(Base64Convert(B64_ENCODE, "", 0, nullptr, &size), nullptr);
  EXPECT_EQ(size, 1u);
  EXPECT_EQ(Encode("", 0), "");
}

TEST(Base64Encode, RefusesMissingPointersAndShortBuffers) {
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  std::uint32_t length = 6;  // one short of the 7 that "abc" needs with CR LF
  EXPECT_EQ(Base64Convert(B64_ENCODE, "abc", 3, buffer, &length), nullptr);
  EXPECT_EQ(length, 7u);
  EXPECT_EQ(buffer[0], '#');

  EXPECT_EQ(Base64Convert(B64_ENCODE, "abc", 3, buffer, nullptr), nullptr);
  length = 8;
  EXPECT_EQ(Base64Convert(B64_ENCODE, nullptr, 3, buffer, &length), nullptr);
  EXPECT_EQ(length, 8u);
  EXPECT_EQ(Base64Convert(B64_LF_ONLY, "abc", 3, buffer, &length), nullptr);
  EXPECT_EQ(length, 8u);
}

// Near 4 GiB of input the required size no longer fits 32 bits; reporting a wrapped size would
// let a caller's buffer overflow, so the size is reported as 0 (nothing can be encoded).
TEST(Base64Encode, ReportsNoSizeWhenTheTextCannotFitALength) {
  const char byte = 0;
  for (std::uint32_t inputLength : {0xFFFFFFFFu, 0xFFFFFFFEu, 0xC0000000u}) {
    std::uint32_t size = 1234;
    EXPECT_EQ(Base64Convert(B64_ENCODE | B64_NO_BREAKS, &byte, inputLength, nullptr, &size),
              nullptr);
    EXPECT_EQ(size, 0u) << inputLength;
  }
  std::uint32_t size = 0;
  Base64Convert(B64_ENCODE | B64_NO_BREAKS, &byte, 0xBFFFFFFDu, nullptr, &size);
  EXPECT_EQ(size, 0xFFFFFFFDu);
}

TEST(Base64Decode, SkipsBlanksLineBreaksAndPemArmour) {
  for (const char* text :
       {"YWJj", " YWJj\n", "-----BEGIN ANY LABEL-----\nYW\nJj\n-----END ANY LABEL-----\n",
        "-----BEGIN CERTIFICATE-----\r\nYW\r\nJj\r\n-----END CERTIFICATE-----\r\n",
        // The body ends at the footer's first dash; nothing after it is read.
        "-----BEGIN A-----\nYWJj\n-----END A-----\nYWJj\n"}) {
    EXPECT_EQ(Decode(std::string(text)), "abc") << text;
  }
  // Without armour a dash is passed over like any other punctuation.
  EXPECT_EQ(Decode("YWJj-YWJj"), "abcabc");
}

TEST(Base64Decode, FollowsThePadRules) {
  EXPECT_EQ(Decode("YQ=="), "a");
  EXPECT_EQ(Decode("YQ=A"), "a");
  EXPECT_EQ(Decode("YWI="), "ab");
  EXPECT_EQ(Decode("YWJjZA"), "abc");  // leftover contributions are dropped
  EXPECT_EQ(Decode("YQ==YWJj"), "a");  // the first padded quad ends decoding
  EXPECT_EQ(Decode("YQ="), "");        // an incomplete quad, even with a pad, is dropped
  EXPECT_EQ(Decode("Y===").has_value(), false);
  EXPECT_EQ(Decode("=YWJj").has_value(), false);
  EXPECT_EQ(Decode("YWJj====").has_value(), false);
}

TEST(Base64Decode, MalformedHeaderFailsAndLeavesLengthAlone) {
  for (const char* text : {"-----BEGIN X-509 CERTIFICATE-----\nYWJj\n", "--x YWJj", "  -YWJj",
                           "-----BEGIN X---x\nYWJj\n"}) {
    std::uint32_t length = 77;
    EXPECT_EQ(Base64Convert(B64_DECODE, text, kBase64NoLimit, nullptr, &length), nullptr);
    EXPECT_EQ(length, 77u) << text;
  }
}

// A text whose armour is not complete is decoded from its first character: every alphabet
// character before the body (the header's words too) becomes data.
TEST(Base64Decode, IncompleteArmourIsDecodedFromTheStart) {
  EXPECT_EQ(Decode("QQ:\n-----BEGIN X-----\nYWJj\n-----END X-----\n"),
            OpenSslDecode("QQBEGINXYWJjENDX"));
  EXPECT_EQ(Decode("-----BEGIN CERT\nYWJj\n"), OpenSslDecode("BEGINCERTYWJj"));
  // The limit ends inside the header line.
  EXPECT_EQ(Decode("-----BEGIN X-----\nYWJj\n", 16), OpenSslDecode("BEGINX"));
}

TEST(Base64Decode, StopsAtTheLimitAndAtTheFirstNul) {
  const std::string text("YWJj\0YWJj", 9);
  EXPECT_EQ(Decode(text), "abc");
  EXPECT_EQ(Decode("YWJjYWJj", 4), "abc");
  EXPECT_EQ(Decode("YWJjYWJj", kBase64NoLimit), "abcabc");
  EXPECT_EQ(Decode("-----BEGIN X-----\nYWJjYWJj", 24), "abc");  // the body gets 6 of them
  EXPECT_EQ(Decode("", 0), "");
  std::uint32_t length = 5;
  EXPECT_EQ(Base64Convert(B64_DECODE, nullptr, 4, nullptr, &length), nullptr);
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(Base64Convert(B64_DECODE, "YWJj", 4, nullptr, nullptr), nullptr);
}

// Capacities below the decoded size, in the middle of long runs and one byte short: bytes are
// written up to the capacity and no further (the buffers are exactly that big, so the sanitizer
// catches any write past them), the full size is reported and the result is null.
TEST(Base64Decode, ShortBufferGetsThePrefixAndTheFullSize) {
  std::mt19937 random(7);
  const std::string bytes = RandomBytes(1000, random);
  const std::string pem =
      "-----BEGIN CERTIFICATE-----\n" + Encode(bytes, B64_LF_ONLY) + "-----END CERTIFICATE-----\n";
  for (std::uint32_t capacity : {999u, 998u, 997u, 500u, 1u}) {
    std::vector<char> buffer(capacity);
    std::uint32_t length = capacity;
    EXPECT_EQ(Base64Convert(B64_DECODE, pem.c_str(), kBase64NoLimit, buffer.data(), &length),
              nullptr);
    EXPECT_EQ(length, 1000u);
    EXPECT_EQ(std::string(buffer.data(), capacity), bytes.substr(0, capacity)) << capacity;
  }
}

// Random data of many sizes: the unbroken text is OpenSSL's, and every line-break mode decodes
// back to the data, also from texts longer than the pieces the decoder reads at a time.
TEST(Base64RoundTrip, AgreesWithOpenSsl) {
  std::mt19937 random(20240611);
  std::vector<std::size_t> sizes;
  for (std::size_t size = 0; size <= 200; ++size) {
    sizes.push_back(size);
  }
  for (std::size_t size : {1000u, 4095u, 16384u, 65537u, 100003u}) {
    sizes.push_back(size);
  }
  for (std::size_t size : sizes) {
    SCOPED_TRACE(size);
    const std::string bytes = RandomBytes(size, random);
    const std::string text = Encode(bytes, B64_NO_BREAKS);
    ASSERT_EQ(text, OpenSslEncode(bytes));
    EXPECT_EQ(Decode(text), bytes);
    const std::string lines = Encode(bytes, 0);
    EXPECT_EQ(Decode(lines, kBase64NoLimit), bytes);
    EXPECT_EQ(Decode("-----BEGIN DATA-----\n" + Encode(bytes, B64_LF_ONLY) + "-----END DATA-----"),
              bytes);
  }
}

TEST(PemBlock, ExtractCutsToTheFirstBlock) {
  EXPECT_EQ(ExtractPemBlock(u"YWJj\n"), u"YWJj\n");
  EXPECT_EQ(ExtractPemBlock(u"intro\n-----BEGIN X-----\nYWJj\n"), u"-----BEGIN X-----\nYWJj\n");
  EXPECT_EQ(ExtractPemBlock(u"a\n-----BEGIN X-----\nYWJj\n-----END X----- trailing\n-----BEGIN"),
            u"-----BEGIN X-----\nYWJj\n-----END X-----");
  EXPECT_EQ(ExtractPemBlock(u"-----BEGIN X-----\nYWJj\n-----END X"),
            u"-----BEGIN X-----\nYWJj\n-----END X");
}

TEST(PemBlock, WrapAndDecodeBytes) {
  EXPECT_EQ(WrapPemCertificate(u"YWJj\n"),
            u"-----BEGIN CERTIFICATE-----\nYWJj\n-----END CERTIFICATE-----\n");

  platform::Bytes bytes{9, 9};
  const std::string pem = "-----BEGIN CERTIFICATE-----\nYWJj\n-----END CERTIFICATE-----\n";
  EXPECT_TRUE(DecodeBase64Bytes(pem, bytes));
  EXPECT_EQ(bytes, (platform::Bytes{'a', 'b', 'c'}));
  // An empty decode and a failed one leave the bytes as they were.
  EXPECT_FALSE(DecodeBase64Bytes("\n", bytes));
  EXPECT_FALSE(DecodeBase64Bytes("YWJj====", bytes));
  EXPECT_FALSE(DecodeBase64Bytes(nullptr, 4, bytes));
  EXPECT_EQ(bytes, (platform::Bytes{'a', 'b', 'c'}));
}
