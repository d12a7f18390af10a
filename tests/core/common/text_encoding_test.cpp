#include "core/common/text_encoding.h"

#include <gtest/gtest.h>

using namespace kinevo;

TEST(TextEncoding, Utf8Validation) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain ascii"));
  EXPECT_TRUE(IsValidUtf8("\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));  // été € 😀
  EXPECT_FALSE(IsValidUtf8("\xE9t\xE9"));         // été in Windows-1252
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong '/'
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xE2\x82"));          // cut short at the end
  EXPECT_FALSE(IsValidUtf8("\x80"));              // lone continuation byte
}

TEST(TextEncoding, Cp1252AccentsAndSpecialRange) {
  // "Vidéo à l'été — 5 €" as an older Windows version wrote it.
  const std::string cp = "Vid\xE9o \xE0 l'\xE9t\xE9 \x97 5 \x80";
  EXPECT_EQ(Cp1252ToUtf8(cp),
            "Vid\xC3\xA9o \xC3\xA0 l'\xC3\xA9t\xC3\xA9 \xE2\x80\x94 5 \xE2\x82\xAC");
  EXPECT_EQ(Cp1252ToUtf8("\xC7\xE7\xFF\x9C\x8C"),
            "\xC3\x87\xC3\xA7\xC3\xBF\xC5\x93\xC5\x92");  // Çç ÿ œ Œ
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

TEST(TextEncoding, DisplayTextNeverShowsRawBytes) {
  EXPECT_EQ(DisplayText("/home/élève/chute.avi"), "/home/élève/chute.avi");
  // Control characters and bytes that are not UTF-8 are escaped.
  EXPECT_EQ(DisplayText(std::string("a\x01\x1b[2Jb\x7f\xff\n", 10)),
            "a\\x01\\x1b[2Jb\\x7f\\xff\\x0a");
  EXPECT_EQ(DisplayText(std::string("nul\0x", 5)), "nul\\x00x");
  // A long text is cut in its middle to the number of characters asked,
  // whatever its size, and keeps its two ends.
  const std::string huge = "DEBUT" + std::string(50'000'000, 'x') + "\x80" + "FIN";
  const std::string shown = DisplayText(huge, 40);
  EXPECT_EQ(shown.rfind("DEBUT", 0), 0u);
  EXPECT_EQ(shown.substr(shown.size() - 7), "\\x80FIN");
  EXPECT_NE(shown.find("\u2026"), std::string::npos);
  EXPECT_LT(shown.size(), 60u);
  // Multi-byte characters are never split by the cut.
  std::string accents;
  for (int i = 0; i < 500; ++i) accents += "é";
  const std::string cut = DisplayText(accents, 21);
  EXPECT_TRUE(IsValidUtf8(cut));
  EXPECT_EQ(cut, std::string(DisplayText(accents.substr(0, 20), 100)) + "\u2026" +
                     DisplayText(accents.substr(0, 20), 100));
}
