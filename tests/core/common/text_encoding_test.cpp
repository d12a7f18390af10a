#include <gtest/gtest.h>

#include "core/common/text_encoding.h"

using namespace kinevo;

TEST(TextEncoding, Utf8Validation) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain ascii"));
  EXPECT_TRUE(IsValidUtf8("\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));  // été € 😀
  EXPECT_FALSE(IsValidUtf8("\xE9t\xE9"));            // été in Windows-1252
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));             // overlong '/'
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));         // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));     // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xE2\x82"));             // cut short at the end
  EXPECT_FALSE(IsValidUtf8("\x80"));                 // lone continuation byte
}

TEST(TextEncoding, Cp1252AccentsAndSpecialRange) {
  // "Vidéo à l'été — 5 €" as an older Windows version wrote it.
  const std::string cp = "Vid\xE9o \xE0 l'\xE9t\xE9 \x97 5 \x80";
  EXPECT_EQ(Cp1252ToUtf8(cp), "Vid\xC3\xA9o \xC3\xA0 l'\xC3\xA9t\xC3\xA9 \xE2\x80\x94 5 \xE2\x82\xAC");
  EXPECT_EQ(Cp1252ToUtf8("\xC7\xE7\xFF\x9C\x8C"), "\xC3\x87\xC3\xA7\xC3\xBF\xC5\x93\xC5\x92");  // Çç ÿ œ Œ
  // Undefined bytes keep their number as control characters.
  EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xC2\x81");
  // Round trip of every byte.
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_TRUE(IsValidUtf8(Cp1252ToUtf8(all)));
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
  EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?");  // a CJK character has no Windows-1252 form
}

TEST(TextEncoding, FileTextDetection) {
  EXPECT_EQ(DecodeFileText("\xEF\xBB\xBF[Options]"), "[Options]");
  EXPECT_EQ(DecodeFileText("Dossier=C:\\Vid\xC3\xA9os"), "Dossier=C:\\Vid\xC3\xA9os");
  EXPECT_EQ(DecodeFileText("Dossier=C:\\Vid\xE9os"), "Dossier=C:\\Vid\xC3\xA9os");
}
