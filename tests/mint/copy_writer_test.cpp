#include "tools/mint/copy_writer.h"

#include <gtest/gtest.h>

#include "tests/mint/mint_test_support.h"

namespace {

namespace fs = std::filesystem;
using minttest::Entries;
using minttest::ReadFile;
using minttest::WriteFile;

class CopyWriterTest : public testing::Test {
protected:
    CopyWriterTest()
    {
        request.LauncherBytes = minttest::FakeLauncherBytes();
        request.OutDir = temp / "out";
        request.Copies = {PlannedCopy{2, "A$u$p$.exe", "A$u$p$.exe"},
                          PlannedCopy{3, u8"B$Иванов$p$.exe", "B$Иванов$p$.exe"},
                          PlannedCopy{4, "C$u$p$ (2).exe", "C$u$p$ (2).exe"}};
    }

    std::vector<std::string> Errors()
    {
        std::vector<std::string> errors;
        const bool written = WriteCopies(request, errors);
        EXPECT_EQ(written, errors.empty());
        return errors;
    }

    std::vector<std::string> ErrorsWith(const RenameFile& rename)
    {
        std::vector<std::string> errors;
        const bool written = WriteCopies(request, errors, rename);
        EXPECT_EQ(written, errors.empty());
        return errors;
    }

    std::vector<std::string> AllNames() const { return {"A$u$p$.exe", u8"B$Иванов$p$.exe", "C$u$p$ (2).exe"}; }

    minttest::TempDir temp;
    CopyRequest request;
};

TEST_F(CopyWriterTest, WritesEveryCopyWithTheLaunchersBytesAndLeavesNoStagingBehind)
{
    EXPECT_EQ(Errors(), std::vector<std::string>{});
    EXPECT_EQ(Entries(request.OutDir), AllNames());
    for (const std::string& name : AllNames())
        EXPECT_EQ(ReadFile(request.OutDir / fs::u8path(name)), request.LauncherBytes) << name;
}

TEST_F(CopyWriterTest, ExistingCopyWithoutForceStopsEverything)
{
    fs::create_directory(request.OutDir);
    WriteFile(request.OutDir / "C$u$p$ (2).exe", "old");
    const std::string shown = "\"" + (request.OutDir / "C$u$p$ (2).exe").string() + "\"";
    EXPECT_EQ(Errors(), std::vector<std::string>{shown + " exists already; --force replaces it (roster line 4)"});
    EXPECT_EQ(Entries(request.OutDir), std::vector<std::string>{"C$u$p$ (2).exe"});
    EXPECT_EQ(ReadFile(request.OutDir / "C$u$p$ (2).exe"), "old");
}

TEST_F(CopyWriterTest, ForceReplacesExistingCopiesAndKeepsOtherFiles)
{
    fs::create_directory(request.OutDir);
    WriteFile(request.OutDir / "A$u$p$.exe", "old");
    WriteFile(request.OutDir / "notes.txt", "keep");
    request.Force = true;
    EXPECT_EQ(Errors(), std::vector<std::string>{});
    std::vector<std::string> expected = AllNames();
    expected.push_back("notes.txt");
    EXPECT_EQ(Entries(request.OutDir), expected);
    EXPECT_EQ(ReadFile(request.OutDir / "A$u$p$.exe"), request.LauncherBytes);
    EXPECT_EQ(ReadFile(request.OutDir / "notes.txt"), "keep");
}

TEST_F(CopyWriterTest, FolderInTheWayIsAnErrorEvenWithForce)
{
    fs::create_directories(request.OutDir / "A$u$p$.exe");
    request.Force = true;
    const std::string shown = "\"" + (request.OutDir / "A$u$p$.exe").string() + "\"";
    EXPECT_EQ(Errors(), std::vector<std::string>{shown + " exists and is not a file (roster line 2)"});
    EXPECT_EQ(Entries(request.OutDir), std::vector<std::string>{"A$u$p$.exe"});
}

// A rename that fails partway (a full disk, a virus scanner holding the file)
// must leave the folder as it was: earlier copies taken back, replaced ones
// restored.
TEST_F(CopyWriterTest, FailedRenameUndoesEveryRenameBefore)
{
    fs::create_directory(request.OutDir);
    WriteFile(request.OutDir / "A$u$p$.exe", "old A");
    request.Force = true;
    int renames = 0;
    const RenameFile failingFourth = [&renames](const fs::path& from, const fs::path& to) {
        if (++renames == 4)
            throw fs::filesystem_error("cannot rename", from, to, std::make_error_code(std::errc::io_error));
        fs::rename(from, to);
    };
    const std::vector<std::string> errors = ErrorsWith(failingFourth);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("cannot rename"), std::string::npos) << errors[0];
    EXPECT_EQ(renames, 4);
    EXPECT_EQ(Entries(request.OutDir), std::vector<std::string>{"A$u$p$.exe"});
    EXPECT_EQ(ReadFile(request.OutDir / "A$u$p$.exe"), "old A");
}

TEST_F(CopyWriterTest, MissingOutputFolderIsMadeAndRemovedAgainOnFailure)
{
    request.OutDir = temp / "a" / "b";
    const RenameFile failing = [](const fs::path& from, const fs::path& to) {
        throw fs::filesystem_error("cannot rename", from, to, std::make_error_code(std::errc::io_error));
    };
    EXPECT_EQ(ErrorsWith(failing).size(), 1u);
    EXPECT_FALSE(fs::exists(temp / "a"));
    EXPECT_EQ(Errors(), std::vector<std::string>{});
    EXPECT_EQ(Entries(request.OutDir), AllNames());
}

TEST_F(CopyWriterTest, OutputPathThatIsAFileFailsCleanly)
{
    WriteFile(request.OutDir, "a file");
    EXPECT_EQ(Errors().size(), 1u);
    EXPECT_EQ(ReadFile(request.OutDir), "a file");
}

}  // namespace
