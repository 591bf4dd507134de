#include "tools/mint/roster_check.h"

#include <gtest/gtest.h>

namespace {

const std::string Header = "product,user,password\n";
const std::string HeaderWithCopy = "product,user,password,copy\n";

std::vector<std::string> DiagnosticLines(const RosterCheck& check)
{
    std::vector<std::string> lines;
    for (const Diagnostic& diagnostic : check.Diagnostics)
        lines.push_back(FormatDiagnostic("users.csv", diagnostic));
    return lines;
}

struct RosterCase {
    const char* Name;
    std::string Roster;
    std::vector<std::string> Lines;
};

std::string CaseName(const testing::TestParamInfo<RosterCase>& info)
{
    return info.param.Name;
}

class BadRosterTest : public testing::TestWithParam<RosterCase> {};

TEST_P(BadRosterTest, ReportsEachErrorOnOneLineAndPlansNothing)
{
    const RosterCheck check = CheckRoster(GetParam().Roster, 200);
    EXPECT_EQ(DiagnosticLines(check), GetParam().Lines);
    EXPECT_TRUE(check.HasErrors());
}

const std::string LongPassword(186, 'x');
std::string Repeated(const std::string& text, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += text;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadRosterTest,
    testing::Values(
        RosterCase{"UnknownProduct", Header + "VELSO_9,ivanov,secret\n",
                   {"users.csv:2: error: product: unknown product code \"VELSO_9\"; launcher-mint --catalogue lists "
                    "the codes"}},
        RosterCase{"ProductInOtherLetterCase", Header + "velso_8,ivanov,secret\n",
                   {"users.csv:2: error: product: unknown product code \"velso_8\"; did you mean \"VELSO_8\"? It "
                    "differs in letter case"}},
        RosterCase{"ProductWithTrailingSpace", Header + "VELSO_LM_Online ,ivanov,secret\n",
                   {"users.csv:2: error: product: unknown product code \"VELSO_LM_Online \"; did you mean "
                    "\"VELSO_LM_Online\"? It differs in surrounding spaces"}},
        RosterCase{"ProductWithCyrillicLookAlikes", Header + u8"VELSО_8,ivanov,secret\n",
                   {u8"users.csv:2: error: product: unknown product code \"VELSО_8\"; did you mean \"VELSO_8\"? It "
                    u8"differs in Cyrillic letters that look like Latin ones"}},
        RosterCase{"ProductWithEverySlip", Header + u8" vеlso_dor_ru,ivanov,secret\n",
                   {u8"users.csv:2: error: product: unknown product code \" vеlso_dor_ru\"; did you mean "
                    u8"\"VELSO_DOR_RU\"? It differs in surrounding spaces, Cyrillic letters that look like Latin ones "
                    u8"and letter case"}},
        RosterCase{"EmptyProduct", Header + ",ivanov,secret\n", {"users.csv:2: error: product: is empty"}},
        RosterCase{"EmptyUser", Header + "VELSO_8,,secret\n", {"users.csv:2: error: user: is empty"}},
        RosterCase{"EmptyPassword", Header + "VELSO_8,ivanov,\n", {"users.csv:2: error: password: is empty"}},
        RosterCase{"DollarInUser", Header + "VELSO_8,iva$nov,secret\n",
                   {"users.csv:2: error: user: contains \"$\", which the launcher reads as the end of a field"}},
        RosterCase{"DollarInPassword", Header + "VELSO_8,ivanov,$ecret\n",
                   {"users.csv:2: error: password: contains \"$\", which the launcher reads as the end of a field"}},
        RosterCase{"DollarInCopy", HeaderWithCopy + "VELSO_8,ivanov,secret,$2\n",
                   {"users.csv:2: error: copy: contains \"$\", which the launcher reads as the end of a field"}},
        RosterCase{"ColonInUser", Header + "VELSO_8,corp:ivanov,secret\n",
                   {"users.csv:2: error: user: contains \":\", which a Windows file name cannot hold"}},
        RosterCase{"BackslashInUser", Header + "VELSO_8,CORP\\ivanov,secret\n",
                   {"users.csv:2: error: user: contains \"\\\", which a Windows file name cannot hold"}},
        RosterCase{"QuoteInPassword", Header + "VELSO_8,ivanov,\"se\"\"cret\"\n",
                   {"users.csv:2: error: password: contains a double quote, which a Windows file name cannot hold"}},
        RosterCase{"SlashInCopy", HeaderWithCopy + "VELSO_8,ivanov,secret,1/2\n",
                   {"users.csv:2: error: copy: contains \"/\", which a Windows file name cannot hold"}},
        RosterCase{"TabInPassword", Header + "VELSO_8,ivanov,se\tcret\n",
                   {"users.csv:2: error: password: contains a control character (U+0009), which a file name must "
                    "not hold"}},
        RosterCase{"LineBreakInQuotedPassword", Header + "VELSO_8,ivanov,\"se\ncret\"\nVELSO_9,a,b\n",
                   {"users.csv:2: error: password: contains a control character (U+000A), which a file name must "
                    "not hold",
                    "users.csv:4: error: product: unknown product code \"VELSO_9\"; launcher-mint --catalogue lists "
                    "the codes"}},
        RosterCase{"CharacterOutsideCodePage", Header + u8"VELSO_8,Łukasz,secret\n",
                   {u8"users.csv:2: error: user: contains \"Ł\" (U+0141), which code page 1251 lacks; the launcher "
                    u8"would read \"?\" in its place"}},
        RosterCase{"RosterSavedInCodePage1251", Header + "VELSO_8,ivanov,\xCF\xE0\xF0\xEE\xEB\xFC\n",
                   {"users.csv:2: error: password: is not UTF-8 text (byte 0xCF); save the roster as UTF-8, not in "
                    "the Windows Cyrillic code page"}},
        RosterCase{"NameTooLong", Header + "VELSO_8,u," + LongPassword + "\n",
                   {"users.csv:2: error: file name: has 201 characters, more than the 200 that fit (see "
                    "--max-name)"}},
        // Counted in characters, as the launcher's buffer counts them, not in UTF-8 bytes.
        RosterCase{"CyrillicNameTooLong", Header + "VELSO_8,u," + Repeated(u8"ж", 186) + "\n",
                   {"users.csv:2: error: file name: has 201 characters, more than the 200 that fit (see "
                    "--max-name)"}},
        // 170 characters, but 320 bytes: more than a Linux file system stores.
        RosterCase{"CyrillicNameTooLongForTheFileSystem", Header + "VELSO_8," + Repeated(u8"ж", 150) + ",secret\n",
                   {"users.csv:2: error: file name: takes 320 bytes in UTF-8, more than the 255 that the output "
                    "folder's file system allows in a name"}},
        RosterCase{"DuplicateRow", Header + "VELSO_8,ivanov,secret\nVELSO_8,ivanov,secret\n",
                   {"users.csv:3: error: file name: line 2 makes a copy of the same name"}},
        RosterCase{"DuplicateInOtherLetterCase",
                   Header + u8"VELSO_8,Иванов,Secret\nVELSO_8,petrov,x\nVELSO_8,иВАНОВ,sECRET\n",
                   {"users.csv:4: error: file name: line 2 makes a copy of the same name (Windows ignores letter "
                    "case in file names)"}},
        RosterCase{"LineNumbersCountBlankLines", Header + "\nVELSO_8,ivanov,secret\n\n,,\nVELSO_8,,secret\n",
                   {"users.csv:6: error: user: is empty"}},
        RosterCase{"SeveralErrorsInLineOrder",
                   Header + "VELSO_9,,secret\nVELSO_8,ivanov,secret\nVELSO_8,iva nov,a|b\n",
                   {"users.csv:2: error: product: unknown product code \"VELSO_9\"; launcher-mint --catalogue lists "
                    "the codes",
                    "users.csv:2: error: user: is empty",
                    "users.csv:4: warning: user: contains a space; the launcher quotes it for cmdkey, but check "
                    "that it is meant",
                    "users.csv:4: error: password: contains \"|\", which a Windows file name cannot hold"}},
        RosterCase{"MissingColumn", "product,user\nVELSO_8,ivanov\n",
                   {"users.csv:1: error: header: missing column \"password\""}},
        RosterCase{"MisspelledColumn", "product,user,passwort\nVELSO_8,ivanov,secret\n",
                   {"users.csv:1: error: header: unknown column \"passwort\"; the columns are product, user, "
                    "password and optionally copy",
                    "users.csv:1: error: header: missing column \"password\""}},
        RosterCase{"SemicolonSeparated", "product;user;password\nVELSO_8;ivanov;secret\n",
                   {"users.csv:1: error: header: unknown column \"product;user;password\"; the columns are product, "
                    "user, password and optionally copy, separated by commas, not semicolons",
                    "users.csv:1: error: header: missing column \"product\"",
                    "users.csv:1: error: header: missing column \"user\"",
                    "users.csv:1: error: header: missing column \"password\""}},
        RosterCase{"ColumnTwice", "product,user,password,User\nVELSO_8,a,b,c\n",
                   {"users.csv:1: error: header: column \"user\" appears twice"}},
        RosterCase{"EmptyFile", "",
                   {"users.csv:1: error: header: the roster is empty; its first line must be product,user,password"}},
        RosterCase{"HeaderOnly", Header + "\n",
                   {"users.csv:1: error: header: the roster has no rows below the header"}},
        RosterCase{"TooFewFields", Header + "VELSO_8,ivanov\n",
                   {"users.csv:2: error: row: has 2 fields, but the header has 3"}},
        RosterCase{"TooManyFields", Header + "VELSO_8,ivanov,secret,(2)\n",
                   {"users.csv:2: error: row: has 4 fields, but the header has 3"}},
        // Excel's and Notepad's "Unicode" saves, with and without byte-order mark.
        RosterCase{"Utf16LittleEndian", std::string("\xFF\xFEp\0r\0o\0", 8),
                   {"users.csv:1: error: roster: saved as UTF-16; save as CSV UTF-8"}},
        RosterCase{"Utf16BigEndian", std::string("\xFE\xFF\0p\0r\0o", 8),
                   {"users.csv:1: error: roster: saved as UTF-16; save as CSV UTF-8"}},
        RosterCase{"Utf16WithoutByteOrderMark", std::string("p\0r\0o\0d\0", 8),
                   {"users.csv:1: error: roster: saved as UTF-16; save as CSV UTF-8"}},
        RosterCase{"QuoteNotClosed", Header + "VELSO_8,ivanov,secret\nVELSO_8,\"petrov,secret\n",
                   {"users.csv:3: error: user: the quoted field is not closed"}}),
    CaseName);

TEST(BadRosterTest, LongerLimitLetsALongNameThrough)
{
    const std::string roster = Header + "VELSO_8,u," + LongPassword + "\n";
    EXPECT_TRUE(CheckRoster(roster, 200).HasErrors());
    const RosterCheck check = CheckRoster(roster, 201);
    EXPECT_FALSE(check.HasErrors());
    ASSERT_EQ(check.Copies.size(), 1u);
    EXPECT_EQ(check.Copies[0].AnsiName.size(), 201u);
}

// Windows counts a name in UTF-16 units, where a Cyrillic letter is one.
TEST(BadRosterTest, FileSystemLimitCountsInItsOwnUnits)
{
    const std::string roster = Header + "VELSO_8," + Repeated(u8"ж", 150) + ",secret\n";
    EXPECT_FALSE(CheckRoster(roster, 200, NameLimit{255, true}).HasErrors());
    EXPECT_FALSE(CheckRoster(roster, 200, NameLimit{320, false}).HasErrors());
    EXPECT_EQ(DiagnosticLines(CheckRoster(roster, 200, NameLimit{169, true})),
              std::vector<std::string>{"users.csv:2: error: file name: takes 170 UTF-16 units, more than the 169 "
                                       "that the output folder's file system allows in a name"});
}

class WarningRosterTest : public testing::TestWithParam<RosterCase> {};

TEST_P(WarningRosterTest, WarnsButPlansTheCopy)
{
    const RosterCheck check = CheckRoster(GetParam().Roster, 200);
    EXPECT_EQ(DiagnosticLines(check), GetParam().Lines);
    EXPECT_FALSE(check.HasErrors());
    EXPECT_EQ(check.Copies.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WarningRosterTest,
    testing::Values(
        RosterCase{"SpaceInUser", Header + "VELSO_8,Ivan Ivanov,secret\n",
                   {"users.csv:2: warning: user: contains a space; the launcher quotes it for cmdkey, but check "
                    "that it is meant"}},
        RosterCase{"SpaceInPassword", Header + "VELSO_8,ivanov,two words\n",
                   {"users.csv:2: warning: password: contains a space; the launcher quotes it for cmdkey, but "
                    "check that it is meant"}},
        RosterCase{"LeadingSpace", Header + "VELSO_8,ivanov, secret\n",
                   {"users.csv:2: warning: password: begins with a space; check that it is meant"}},
        RosterCase{"TrailingSpace", Header + "VELSO_8,ivanov ,secret\n",
                   {"users.csv:2: warning: user: ends with a space; check that it is meant"}},
        RosterCase{"NoBreakSpace", Header + u8"VELSO_8,ivanov,se\u00A0cret\n",
                   {"users.csv:2: warning: password: contains a no-break space (U+00A0), which only looks like a "
                    "space"}}),
    CaseName);

struct GoodRosterCase {
    const char* Name;
    std::string Roster;
    std::vector<std::string> CopyNames;
    std::vector<int> Lines;
};

class GoodRosterTest : public testing::TestWithParam<GoodRosterCase> {};

TEST_P(GoodRosterTest, PlansOneCopyPerRow)
{
    const RosterCheck check = CheckRoster(GetParam().Roster, 200);
    EXPECT_EQ(DiagnosticLines(check), std::vector<std::string>{});
    std::vector<std::string> names;
    std::vector<int> lines;
    for (const PlannedCopy& copy : check.Copies) {
        names.push_back(copy.Name);
        lines.push_back(copy.Line);
    }
    EXPECT_EQ(names, GetParam().CopyNames);
    EXPECT_EQ(lines, GetParam().Lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GoodRosterTest,
    testing::Values(
        GoodRosterCase{"Plain", Header + "VELSO_8,ivanov,secret\nVELSO_LM_CP_Online,petrov,P@ss-1!\n",
                       {"VELSO_8$ivanov$secret$.exe", "VELSO_LM_CP_Online$petrov$P@ss-1!$.exe"},
                       {2, 3}},
        GoodRosterCase{"CopySuffix",
                       HeaderWithCopy + "VELSO_8,ivanov,secret,\nVELSO_8,ivanov,secret,\" (2)\"\n",
                       {"VELSO_8$ivanov$secret$.exe", "VELSO_8$ivanov$secret$ (2).exe"},
                       {2, 3}},
        GoodRosterCase{"ColumnsInAnyOrderAndCase", "Password, Copy ,USER,product\nsecret,-laptop,ivanov,VELSO_8\n",
                       {"VELSO_8$ivanov$secret$-laptop.exe"},
                       {2}},
        GoodRosterCase{"SpreadsheetExport",
                       "\xEF\xBB\xBF" "product,user,password\r\nVELSO_NRT,\"Ivanov,I.\",\"x,y\"\r\n,,\r\n\r\n",
                       {"VELSO_NRT$Ivanov,I.$x,y$.exe"},
                       {2}},
        GoodRosterCase{"Cyrillic", Header + u8"VELSO_DOR_RU,Сидоров,Ёжик№1\n",
                       {u8"VELSO_DOR_RU$Сидоров$Ёжик№1$.exe"},
                       {2}},
        GoodRosterCase{"LongestNameThatFits", Header + "VELSO_8,u," + std::string(185, 'x') + "\n",
                       {"VELSO_8$u$" + std::string(185, 'x') + "$.exe"},
                       {2}}),
    [](const testing::TestParamInfo<GoodRosterCase>& info) { return info.param.Name; });

TEST(GoodRosterTest, AnsiNameIsWhatTheLauncherReads)
{
    const RosterCheck check = CheckRoster(Header + u8"VELSO_DOR_RU,Сидоров,Ёжик№1\n", 200);
    ASSERT_EQ(check.Copies.size(), 1u);
    // Plain literal: code page 1251, as the launcher's file name arrives.
    EXPECT_EQ(check.Copies[0].AnsiName, "VELSO_DOR_RU$Сидоров$Ёжик№1$.exe");
}

}  // namespace
