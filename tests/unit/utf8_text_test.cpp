// The platform's UTF-8/UTF-16 conversion: bad input becomes U+FFFD one byte (or one unpaired
// surrogate) at a time and never ends the text; good text, NUL included, passes unchanged.
#include "platform/linux/utf8_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/error_codes.h"
#include "platform/file_system.h"
#include "platform/last_error.h"

namespace {

using platform::linux_utf8::ToUtf16;
using platform::linux_utf8::ToUtf8;

TEST(Utf8Text, GoodTextRoundTripsWithItsNuls) {
  const std::u16string text = std::u16string(u"Časová razítka \U0001F600") + u'\0' + u"x";
  EXPECT_EQ(ToUtf8(text), std::string("Časová razítka \U0001F600") + '\0' + "x");
  EXPECT_EQ(ToUtf16(ToUtf8(text)), text);
}

TEST(Utf8Text, EachBadByteBecomesOneReplacementAndTheRestSurvives) {
  EXPECT_EQ(ToUtf16("a\xC3(b"), u"a\uFFFD(b");                          // broken sequence
  EXPECT_EQ(ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");                      // overlong "/"
  EXPECT_EQ(ToUtf16("\xED\xA0\x80z"), u"\uFFFD\uFFFD\uFFFDz");          // encoded surrogate
  EXPECT_EQ(ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // beyond U+10FFFF
  EXPECT_EQ(ToUtf16("end\xE2\x82"), u"end\uFFFD\uFFFD");                // cut short
}

TEST(Utf8Text, UnpairedSurrogatesBecomeReplacements) {
  EXPECT_EQ(ToUtf8(std::u16string(u"a") + char16_t(0xD800) + u"b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(Utf8Text, AFileNameThatWouldChangeNamesNoFile) {
  const std::u16string path =
      platform::linux_utf8::ToUtf16(std::getenv("HOME")) + u"/a" + char16_t(0xD800) + u".cer";
  const std::uint8_t byte = 'x';
  EXPECT_FALSE(platform::SaveToFile(path, std::span<const std::uint8_t>(&byte, 1)));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
}

}  // namespace
