#include "tools/mint/file_name.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    std::string Name;
    const char* Problem;
};

class FileNameProblemTest : public testing::TestWithParam<NameCase> {};

TEST_P(FileNameProblemTest, NamesWhatWindowsWouldNotKeep)
{
    EXPECT_EQ(FileNameProblem(GetParam().Name, 20), GetParam().Problem);
}

const char* const Reserved = "is a reserved device name in Windows";
const char* const Trailing = "ends in a space or a dot, which Windows drops from file names";

INSTANTIATE_TEST_SUITE_P(
    Cases, FileNameProblemTest,
    testing::Values(NameCase{"VELSO_8$u$p$.exe", ""},
                    NameCase{"CON", Reserved},
                    NameCase{"con.exe", Reserved},
                    NameCase{"Aux.tar.gz", Reserved},
                    NameCase{"NUL .txt", Reserved},
                    NameCase{"PRN", Reserved},
                    NameCase{"COM1.exe", Reserved},
                    NameCase{"lpt9", Reserved},
                    NameCase{"CONIN$.exe", Reserved},
                    NameCase{"COM10.exe", ""},
                    NameCase{"CONSOLE.exe", ""},
                    NameCase{"xCON.exe", ""},
                    NameCase{"LPT.exe", ""},
                    NameCase{"name.", Trailing},
                    NameCase{"name ", Trailing},
                    NameCase{std::string(20, 'a'), ""},
                    NameCase{std::string(21, 'a'), "has 21 characters, more than the 20 that fit (see --max-name)"}));

struct FieldCase {
    std::string Field;
    const char* Problem;
};

class FieldCharacterProblemTest : public testing::TestWithParam<FieldCase> {};

TEST_P(FieldCharacterProblemTest, NamesTheFirstCharacterThatCannotStand)
{
    EXPECT_EQ(FieldCharacterProblem(GetParam().Field), GetParam().Problem);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldCharacterProblemTest,
    testing::Values(FieldCase{"Ivanov, I. (2)", ""},
                    FieldCase{u8"Пароль №1!", ""},
                    FieldCase{"a$b", "contains \"$\", which the launcher reads as the end of a field"},
                    FieldCase{"a\\b", "contains \"\\\", which a Windows file name cannot hold"},
                    FieldCase{"a/b", "contains \"/\", which a Windows file name cannot hold"},
                    FieldCase{"a:b", "contains \":\", which a Windows file name cannot hold"},
                    FieldCase{"a*b", "contains \"*\", which a Windows file name cannot hold"},
                    FieldCase{"a?b", "contains \"?\", which a Windows file name cannot hold"},
                    FieldCase{"a\"b", "contains a double quote, which a Windows file name cannot hold"},
                    FieldCase{"a<b", "contains \"<\", which a Windows file name cannot hold"},
                    FieldCase{"a>b", "contains \">\", which a Windows file name cannot hold"},
                    FieldCase{"a|b", "contains \"|\", which a Windows file name cannot hold"},
                    FieldCase{"a\tb", "contains a control character (U+0009), which a file name must not hold"},
                    FieldCase{"a\nb", "contains a control character (U+000A), which a file name must not hold"},
                    FieldCase{std::string("a\0b", 3),
                              "contains a control character (U+0000), which a file name must not hold"},
                    FieldCase{"a\x7F", "contains a control character (U+007F), which a file name must not hold"},
                    FieldCase{"a:b$c", "contains \":\", which a Windows file name cannot hold"}));

}  // namespace
