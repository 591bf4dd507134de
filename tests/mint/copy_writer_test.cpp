#include "tools/mint/copy_writer.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>
#include <sys/stat.h>

#include "tests/mint/mint_test_support.h"

namespace {

namespace fs = std::filesystem;
using minttest::Entries;
using minttest::ReadFile;
using minttest::WriteFile;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string Quoted(const fs::path& path)
{
    return "\"" + path.string() + "\"";
}

unsigned ModeOf(const fs::path& path)
{
    struct stat info;
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

fs::filesystem_error IoError(const fs::path& path)
{
    return fs::filesystem_error("injected", path, std::make_error_code(std::errc::io_error));
}

// Real file operations, except that the n-th rename or removal fails.
struct FailingOperations {
    int FailingRename = 0;
    int FailingRemove = 0;
    int Renames = 0;
    int Removes = 0;

    FileOperations Get()
    {
        return FileOperations{[this](const fs::path& from, const fs::path& to) {
                                  if (++Renames == FailingRename)
                                      throw IoError(from);
                                  fs::rename(from, to);
                              },
                              [this](const fs::path& file) {
                                  if (++Removes == FailingRemove)
                                      throw IoError(file);
                                  fs::remove(file);
                              }};
    }
};

class CopyWriterTest : public testing::Test {
protected:
    CopyWriterTest()
    {
        request.LauncherBytes = minttest::FakeLauncherBytes();
        request.OutDir = temp / "out";
        request.Copies = {PlannedCopy{2, "A$u$p$.exe", "A$u$p$.exe"},
                          PlannedCopy{3, u8"B$Иванов$p$.exe", "B$\xC8\xE2\xE0\xED\xEE\xE2$p$.exe"},
                          PlannedCopy{4, "C$u$p$ (2).exe", "C$u$p$ (2).exe"}};
    }

    WriteResult Write(const FileOperations& operations = RealFileOperations())
    {
        std::ostringstream err;
        Messages messages(err);
        const WriteResult result = WriteCopies(request, messages, operations);
        said = Lines(err.str());
        return result;
    }

    std::vector<std::string> AllNames() const { return {"A$u$p$.exe", u8"B$Иванов$p$.exe", "C$u$p$ (2).exe"}; }

    fs::path Out(const std::string& name) const { return request.OutDir / fs::u8path(name); }

    // An output folder as the tool makes it (private, so no warning).
    void MakeOutputFolder()
    {
        fs::create_directory(request.OutDir);
        fs::permissions(request.OutDir, fs::perms::owner_all, fs::perm_options::replace);
    }

    // An output folder that holds old copies of A and C and a file of its own.
    void PrepareOldCopies()
    {
        MakeOutputFolder();
        WriteFile(Out("A$u$p$.exe"), "old A");
        WriteFile(Out("C$u$p$ (2).exe"), "old C");
        WriteFile(Out("notes.txt"), "keep");
        request.Force = true;
    }

    void ExpectOldCopies()
    {
        EXPECT_EQ(Entries(request.OutDir), (std::vector<std::string>{"A$u$p$.exe", "C$u$p$ (2).exe", "notes.txt"}));
        EXPECT_EQ(ReadFile(Out("A$u$p$.exe")), "old A");
        EXPECT_EQ(ReadFile(Out("C$u$p$ (2).exe")), "old C");
        EXPECT_EQ(ReadFile(Out("notes.txt")), "keep");
    }

    minttest::TempDir temp;
    CopyRequest request;
    std::vector<std::string> said;
};

TEST_F(CopyWriterTest, WritesEveryCopyWithTheLaunchersBytesAndLeavesNoStagingBehind)
{
    const WriteResult result = Write();
    EXPECT_TRUE(result.Complete);
    EXPECT_EQ(said, std::vector<std::string>{});
    EXPECT_EQ(Entries(request.OutDir), AllNames());
    for (const std::string& name : AllNames())
        EXPECT_EQ(ReadFile(Out(name)), request.LauncherBytes) << name;
}

// The names are the passwords: whatever the umask, only the owner may list
// the folder or read the copies.
TEST_F(CopyWriterTest, FoldersAndCopiesArePrivateWhateverTheUmask)
{
    for (const mode_t mask : {0000, 0022, 0277}) {
        SCOPED_TRACE(mask);
        request.OutDir = temp / ("out" + std::to_string(mask)) / "copies";
        const mode_t before = umask(mask);
        const WriteResult result = Write();
        umask(before);
        ASSERT_TRUE(result.Complete);
        EXPECT_EQ(ModeOf(request.OutDir.parent_path()), 0700u);
        EXPECT_EQ(ModeOf(request.OutDir), 0700u);
        for (const std::string& name : AllNames())
            EXPECT_EQ(ModeOf(Out(name)), 0600u) << name;
    }
}

TEST_F(CopyWriterTest, ExistingFolderReadableByOthersGetsAWarning)
{
    fs::create_directory(request.OutDir);
    fs::permissions(request.OutDir, fs::perms(0755), fs::perm_options::replace);
    EXPECT_TRUE(Write().Complete);
    EXPECT_EQ(said, std::vector<std::string>{"launcher-mint: warning: other users can list " + Quoted(request.OutDir) +
                                             " (mode 0755), and the copies' names hold passwords; make it private "
                                             "(chmod 700)"});
    EXPECT_EQ(ModeOf(request.OutDir), 0755u);  // not ours to change

    fs::permissions(request.OutDir, fs::perms(0711), fs::perm_options::replace);
    request.Force = true;
    EXPECT_TRUE(Write().Complete);
    EXPECT_EQ(said, std::vector<std::string>{});
}

struct ClashCase {
    const char* Name;
    std::string Existing;  // a file or, ending in "/", a folder
    bool Force;
    std::string Message;   // after the target's quoted path; @EXISTING@ the existing one's
};

class ClashTest : public CopyWriterTest, public testing::WithParamInterface<ClashCase> {};

TEST_P(ClashTest, StopsEverythingAndTouchesNothing)
{
    const ClashCase& clash = GetParam();
    fs::create_directory(request.OutDir);
    const bool folder = clash.Existing.back() == '/';
    const std::string existing = folder ? clash.Existing.substr(0, clash.Existing.size() - 1) : clash.Existing;
    if (folder)
        fs::create_directory(Out(existing));
    else
        WriteFile(Out(existing), "old");
    request.Force = clash.Force;
    const WriteResult result = Write();
    EXPECT_FALSE(result.Complete);
    EXPECT_TRUE(result.FolderAsBefore);
    std::string message = clash.Message;
    const std::string::size_type placeholder = message.find("@EXISTING@");
    if (placeholder != std::string::npos)
        message.replace(placeholder, 10, Quoted(Out(existing)));
    EXPECT_EQ(said, std::vector<std::string>{"launcher-mint: " + Quoted(Out(u8"B$Иванов$p$.exe")) + " " + message});
    EXPECT_EQ(Entries(request.OutDir), std::vector<std::string>{existing});
    EXPECT_EQ(folder ? "" : ReadFile(Out(existing)), folder ? "" : "old");
}

const std::string CaseTwinMessage =
    "differs only in letter case from @EXISTING@, which exists already; Windows takes the two for one name (roster "
    "line 3)";

INSTANTIATE_TEST_SUITE_P(
    Cases, ClashTest,
    testing::Values(
        ClashCase{"ExistingCopyWithoutForce", u8"B$Иванов$p$.exe", false, "exists already; --force replaces it "
                                                                           "(roster line 3)"},
        ClashCase{"FolderInTheWayEvenWithForce", u8"B$Иванов$p$.exe/", true, "exists and is not a file (roster "
                                                                             "line 3)"},
        // Left from an earlier run: on NTFS the two could not both exist.
        ClashCase{"CaseTwinEvenWithForce", u8"b$иВАНОВ$P$.exe", true, CaseTwinMessage},
        ClashCase{"CaseTwinWithoutForce", u8"B$ИВАНОВ$p$.exe", false, CaseTwinMessage}),
    [](const testing::TestParamInfo<ClashCase>& info) { return info.param.Name; });

TEST_F(CopyWriterTest, ForceReplacesExistingCopiesAndKeepsOtherFiles)
{
    PrepareOldCopies();
    EXPECT_TRUE(Write().Complete);
    std::vector<std::string> expected = AllNames();
    expected.push_back("notes.txt");
    EXPECT_EQ(Entries(request.OutDir), expected);
    EXPECT_EQ(ReadFile(Out("A$u$p$.exe")), request.LauncherBytes);
    EXPECT_EQ(ReadFile(Out("notes.txt")), "keep");
}

// A rename that fails partway (a full disk, a virus scanner holding the file)
// must leave the folder as it was: earlier copies taken back, replaced ones
// restored. The renames: A aside, A in, B in, C aside, C in.
TEST_F(CopyWriterTest, FailedRenameUndoesEveryRenameBefore)
{
    for (int failing = 1; failing <= 5; ++failing) {
        SCOPED_TRACE(failing);
        PrepareOldCopies();
        FailingOperations operations{failing};
        const WriteResult result = Write(operations.Get());
        EXPECT_FALSE(result.Complete);
        EXPECT_TRUE(result.FolderAsBefore);
        ASSERT_EQ(said.size(), 1u);
        EXPECT_EQ(said[0].find("launcher-mint: cannot move "), 0u) << said[0];
        EXPECT_NE(said[0].find(std::make_error_code(std::errc::io_error).message()), std::string::npos) << said[0];
        ExpectOldCopies();
        fs::remove_all(request.OutDir);
    }
}

// Deleting the replaced copies is the one step that cannot be undone; Windows
// refuses it for a copy someone is running.
TEST_F(CopyWriterTest, FailedDeletionOfTheFirstReplacedCopyUndoesEverything)
{
    PrepareOldCopies();
    FailingOperations operations{0, 1};
    const WriteResult result = Write(operations.Get());
    EXPECT_FALSE(result.Complete);
    EXPECT_TRUE(result.FolderAsBefore);
    const fs::path aside = request.OutDir / ".launcher-mint-0" / "replaced" / "A$u$p$.exe";
    EXPECT_EQ(said, std::vector<std::string>{"launcher-mint: cannot delete the replaced copy " + Quoted(aside) + ": " +
                                             std::make_error_code(std::errc::io_error).message()});
    ExpectOldCopies();
}

TEST_F(CopyWriterTest, WhatCannotBeUndoneIsSaidAndNotReportedAsSuccess)
{
    PrepareOldCopies();
    FailingOperations operations{0, 2};
    const WriteResult result = Write(operations.Get());
    EXPECT_FALSE(result.Complete);
    EXPECT_FALSE(result.FolderAsBefore);
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[1], "launcher-mint: could not undo: " + Quoted(Out("A$u$p$.exe")) +
                           " is replaced already; its old copy is deleted");
    // The rest is as before, and nothing else is left.
    EXPECT_EQ(Entries(request.OutDir), (std::vector<std::string>{"A$u$p$.exe", "C$u$p$ (2).exe", "notes.txt"}));
    EXPECT_EQ(ReadFile(Out("C$u$p$ (2).exe")), "old C");
}

// An old copy that cannot go back must survive, and the staging folder with it.
TEST_F(CopyWriterTest, OldCopyThatCannotGoBackIsKeptAndNamed)
{
    PrepareOldCopies();
    // A aside, A in, B in, C aside, C in (fails), then the undo: C back (fails).
    FailingOperations operations{5};
    const FileOperations failing = operations.Get();
    const FileOperations twiceFailing{[&](const fs::path& from, const fs::path& to) {
                                          if (operations.Renames == 5)
                                              operations.FailingRename = 6;
                                          failing.Rename(from, to);
                                      },
                                      failing.Remove};
    const WriteResult result = Write(twiceFailing);
    EXPECT_FALSE(result.Complete);
    EXPECT_FALSE(result.FolderAsBefore);
    const fs::path staging = request.OutDir / ".launcher-mint-0";
    const fs::path aside = staging / "replaced" / "C$u$p$ (2).exe";
    EXPECT_EQ(ReadFile(aside), "old C");
    EXPECT_NE(std::find(said.begin(), said.end(),
                        "launcher-mint: the old copy " + Quoted(Out("C$u$p$ (2).exe")) + " is kept in " + Quoted(aside)),
              said.end());
    EXPECT_EQ(Entries(request.OutDir), (std::vector<std::string>{".launcher-mint-0", "A$u$p$.exe", "notes.txt"}));
    EXPECT_EQ(ReadFile(Out("A$u$p$.exe")), "old A");
    EXPECT_EQ(Entries(staging / "replaced"), std::vector<std::string>{"C$u$p$ (2).exe"});
}

// The checks: once at the start, before each of the three writes, before
// each of the three copies goes in place.
TEST_F(CopyWriterTest, SignalStopsTheRunAndEverythingIsTakenBack)
{
    for (int stopAt = 1; stopAt <= 7; ++stopAt) {
        SCOPED_TRACE(stopAt);
        PrepareOldCopies();
        int checks = 0;
        request.StopSignal = [&checks, stopAt] { return ++checks >= stopAt ? SIGTERM : 0; };
        const WriteResult result = Write();
        EXPECT_EQ(result.StopSignal, SIGTERM);
        EXPECT_FALSE(result.Complete);
        EXPECT_TRUE(result.FolderAsBefore);
        EXPECT_EQ(said, std::vector<std::string>{});
        ExpectOldCopies();
        fs::remove_all(request.OutDir);
    }
}

TEST_F(CopyWriterTest, MissingOutputFolderIsMadeAndRemovedAgainOnFailure)
{
    request.OutDir = temp / "a" / "b" / "";
    FailingOperations operations{1};
    EXPECT_FALSE(Write(operations.Get()).Complete);
    EXPECT_EQ(said.size(), 1u);
    EXPECT_FALSE(fs::exists(temp / "a"));
    EXPECT_TRUE(Write().Complete);
    EXPECT_EQ(Entries(request.OutDir), AllNames());
}

// A failed run removes only what it made: a dangling link stays dangling.
TEST_F(CopyWriterTest, DanglingLinkOnTheWayIsLeftAsItIs)
{
    fs::create_symlink(temp / "nowhere", temp / "link");
    for (const fs::path& outDir : {temp / "link" / "out", temp / "link"}) {
        SCOPED_TRACE(outDir);
        request.OutDir = outDir;
        EXPECT_FALSE(Write().Complete);
        ASSERT_EQ(said.size(), 1u);
        EXPECT_TRUE(fs::is_symlink(temp / "link"));
        EXPECT_EQ(fs::read_symlink(temp / "link"), temp / "nowhere");
        EXPECT_FALSE(fs::exists(temp / "nowhere"));
    }
    EXPECT_EQ(said[0], "launcher-mint: " + Quoted(temp / "link") + " is not a folder");
}

TEST_F(CopyWriterTest, OutputPathThatIsAFileFailsCleanly)
{
    WriteFile(request.OutDir, "a file");
    EXPECT_FALSE(Write().Complete);
    EXPECT_EQ(said, std::vector<std::string>{"launcher-mint: " + Quoted(request.OutDir) + " is not a folder"});
    EXPECT_EQ(ReadFile(request.OutDir), "a file");
}

// A run killed outright leaves its staging folder: working copies in new/,
// and, if it died between moving an old copy aside and the new one in, that
// old copy in replaced/ with its place empty.
TEST_F(CopyWriterTest, NextRunRemovesWhatAKilledRunLeft)
{
    MakeOutputFolder();
    fs::create_directories(request.OutDir / ".launcher-mint-0" / "new");
    WriteFile(request.OutDir / ".launcher-mint-0" / "new" / "X$u$p$.exe", "working copy");
    fs::create_directories(request.OutDir / ".launcher-mint-3" / "replaced");
    WriteFile(request.OutDir / ".launcher-mint-3" / "replaced" / "Y$u$p$.exe", "old Y");
    WriteFile(request.OutDir / ".launcher-mint-3" / "replaced" / "Z$u$p$.exe", "old Z");
    WriteFile(Out("Z$u$p$.exe"), "new Z");
    // Not of the tool's making: other names, a file, a link.
    fs::create_directory(request.OutDir / ".launcher-mint-x");
    WriteFile(request.OutDir / ".launcher-mint-7", "a file");
    fs::create_directory_symlink(temp / "elsewhere", request.OutDir / ".launcher-mint-8");

    EXPECT_TRUE(Write().Complete);

    EXPECT_EQ(said, (std::vector<std::string>{
                        "launcher-mint: removed " + Quoted(request.OutDir / ".launcher-mint-0") +
                            ", left behind by an interrupted run",
                        "launcher-mint: moved " + Quoted(Out("Y$u$p$.exe")) +
                            " back into place from an interrupted run",
                        "launcher-mint: removed " + Quoted(request.OutDir / ".launcher-mint-3") +
                            ", left behind by an interrupted run"}));
    std::vector<std::string> expected = {".launcher-mint-7", ".launcher-mint-8", ".launcher-mint-x"};
    const std::vector<std::string> names = AllNames();
    expected.insert(expected.end(), names.begin(), names.end());
    expected.insert(expected.end(), {"Y$u$p$.exe", "Z$u$p$.exe"});
    EXPECT_EQ(Entries(request.OutDir), expected);
    EXPECT_EQ(ReadFile(Out("Y$u$p$.exe")), "old Y");
    EXPECT_EQ(ReadFile(Out("Z$u$p$.exe")), "new Z");
}

}  // namespace
