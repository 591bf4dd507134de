#include "tools/mint/cp1251.h"

#include <gtest/gtest.h>

namespace {

// Every character code page 1251 has above ASCII, in byte order (0x98 has
// none). The plain literal is turned into code page 1251 by the compiler
// (-fexec-charset), the u8 literal into UTF-8: the compiler is the reference.
#define UPPER_HALF "ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏђ‘’“”•–—™љ›њќћџ\u00A0ЎўЈ¤Ґ¦§Ё©Є«¬\u00AD®Ї°±Ііґµ¶·ё№є»јЅѕїАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя"
const std::string UpperHalfCp1251 = UPPER_HALF;
const std::string UpperHalfUtf8 = u8"" UPPER_HALF;

TEST(Cp1251Test, ConvertsEveryCharacterOfTheCodePageBothWays)
{
    ASSERT_EQ(UpperHalfCp1251.size(), 127u);
    EXPECT_EQ(Cp1251ToUtf8(UpperHalfCp1251), UpperHalfUtf8);
    ConversionProblem problem;
    EXPECT_EQ(Utf8ToCp1251(UpperHalfUtf8, problem), UpperHalfCp1251);
    EXPECT_FALSE(problem.Found);
}

TEST(Cp1251Test, KeepsAsciiAsItIs)
{
    std::string ascii;
    for (int c = 0; c < 0x80; ++c)
        ascii += static_cast<char>(c);
    ConversionProblem problem;
    EXPECT_EQ(Utf8ToCp1251(ascii, problem), ascii);
    EXPECT_FALSE(problem.Found);
    EXPECT_EQ(Cp1251ToUtf8(ascii), ascii);
}

TEST(Cp1251Test, ByteWithoutCharacterBecomesReplacementCharacter)
{
    EXPECT_EQ(Cp1251ToUtf8("a\x98z"), u8"a\uFFFDz");
}

struct ProblemCase {
    const char* Utf8;
    const char* Cp1251;
    bool InvalidUtf8;
    char32_t CodePoint;
    const char* Character;
};

class Utf8ProblemTest : public testing::TestWithParam<ProblemCase> {};

TEST_P(Utf8ProblemTest, ReplacesWithQuestionMarkAndReportsTheFirst)
{
    const ProblemCase& c = GetParam();
    ConversionProblem problem;
    EXPECT_EQ(Utf8ToCp1251(c.Utf8, problem), c.Cp1251);
    EXPECT_TRUE(problem.Found);
    EXPECT_EQ(problem.InvalidUtf8, c.InvalidUtf8);
    EXPECT_EQ(problem.CodePoint, c.CodePoint);
    EXPECT_EQ(problem.Character, c.Character);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8ProblemTest,
    testing::Values(ProblemCase{u8"Łódź", "??d?", false, 0x0141, u8"Ł"},
                    ProblemCase{u8"x\U0001F600", "x?", false, 0x1F600, u8"\U0001F600"},
                    ProblemCase{u8"\u00DF\u0416", "?\xC6", false, 0x00DF, u8"\u00DF"},
                    // Bytes of code page 1251 text read as UTF-8.
                    ProblemCase{"\xC8\xE2\xE0\xED", "????", true, 0, "\xC8"},
                    ProblemCase{"a\xD0", "a?", true, 0, "\xD0"},               // cut short
                    ProblemCase{"\xC0\x80", "?", true, 0, "\xC0\x80"},         // overlong NUL
                    ProblemCase{"\xED\xA0\x80", "?", true, 0, "\xED\xA0\x80"},  // surrogate
                    ProblemCase{"\xF4\x90\x80\x80", "?", true, 0, "\xF4\x90\x80\x80"}));

struct LowerCase {
    const char* Text;
    const char* Lower;
};

class Cp1251LowerTest : public testing::TestWithParam<LowerCase> {};

TEST_P(Cp1251LowerTest, FoldsLatinAndCyrillicCapitals)
{
    EXPECT_EQ(Cp1251Lower(GetParam().Text), GetParam().Lower);
}

INSTANTIATE_TEST_SUITE_P(Cases, Cp1251LowerTest,
                         testing::Values(LowerCase{"VELSO_8 Online", "velso_8 online"},
                                         LowerCase{"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ",
                                                   "абвгдежзийклмнопрстуфхцчшщъыьэюя"},
                                         LowerCase{"ЁЂЃЄЅІЇЈЉЊЋЌЎЏҐ", "ёђѓєѕіїјљњћќўџґ"},
                                         LowerCase{"абв №«»—$", "абв №«»—$"}));

}  // namespace
