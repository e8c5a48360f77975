#include "package/name_form.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace quintarel {
namespace {

std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// UTF-16 and its spelling, both ways.
TEST(NameForm, SpellsEveryUnitSequenceOnceAndReadsItBack) {
  struct Case {
    const char* label;
    std::u16string units;
    std::string bytes;
  };
  const Case cases[] = {
      {"two-byte", u"\u03A9value", Bytes({0xCE, 0xA9}) + "value"},
      {"three-byte", u"\u65E5\u672C\u8A9E", Bytes({0xE6, 0x97, 0xA5, 0xE6, 0x9C, 0xAC, 0xE8, 0xAA, 0x9E})},
      {"pair", u"\U0001F600", Bytes({0xF0, 0x9F, 0x98, 0x80})},
      {"unpaired high", std::u16string{0xD800, u'x'}, Bytes({0xED, 0xA0, 0x80}) + "x"},
      {"low before high", std::u16string{0xDC00, 0xD800}, Bytes({0xED, 0xB0, 0x80, 0xED, 0xA0, 0x80})},
      {"high at the end after a pair", std::u16string{0xD83D, 0xDE00, 0xD83D},
       Bytes({0xF0, 0x9F, 0x98, 0x80, 0xED, 0xA0, 0xBD})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(Utf8FromUtf16(c.units), c.bytes);
    EXPECT_EQ(Utf16FromUtf8(c.bytes), c.units);
  }
}

TEST(NameForm, RefusesBytesThatSpellNoUnits) {
  const std::string refused[] = {
      Bytes({0x80}),                    // continuation without a lead
      Bytes({0xCE, 0x41}),              // lead followed by ASCII
      Bytes({0xC0, 0x80}),              // overlong NUL
      Bytes({0xF0, 0x8F, 0xBF, 0xBF}),  // overlong four-byte
      Bytes({0xF4, 0x90, 0x80, 0x80}),  // beyond U+10FFFF
      // A pair spelt as two surrogates: the four-byte form is its spelling.
      Bytes({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}),
  };
  for (const std::string& bytes : refused) {
    EXPECT_FALSE(Utf16FromUtf8(bytes).has_value()) << ::testing::PrintToString(bytes);
  }
}

// The fixed-buffer form serves a signal handler: it must stop at the end of
// the buffer, never past it.
TEST(NameForm, FixedBufferTakesExactlyWhatFits) {
  const std::string text = "ab" + Bytes({0xF0, 0x9F, 0x98, 0x80});  // four units
  char16_t out[5] = {u'?', u'?', u'?', u'?', u'#'};
  EXPECT_FALSE(Utf16FromUtf8(text, out, 3).has_value());
  EXPECT_EQ(out[4], u'#');
  EXPECT_EQ(Utf16FromUtf8(text, out, 4), 4u);
  EXPECT_EQ(std::u16string(out, 4), u"ab\U0001F600");
  EXPECT_EQ(out[4], u'#');
}

}  // namespace
}  // namespace quintarel
