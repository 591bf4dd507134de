#include "tools/mint/mint_cli.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

#include "tests/mint/mint_test_support.h"

namespace {

namespace fs = std::filesystem;
using minttest::Entries;
using minttest::ReadFile;
using minttest::WriteFile;

struct Outcome {
    int ExitCode;
    std::string Out;
    std::string Err;
};

Outcome RunWith(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int exitCode = RunMint(args, out, err);
    return Outcome{exitCode, out.str(), err.str()};
}

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

struct UsageCase {
    const char* Name;
    std::vector<std::string> Args;
    const char* Error;
};

class UsageErrorTest : public testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrorTest, ExitsWithCodeTwoAndSaysWhatIsWrong)
{
    const Outcome run = RunWith(GetParam().Args);
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_EQ(FirstLine(run.Err), std::string("launcher-mint: ") + GetParam().Error);
    EXPECT_NE(run.Err.find("Try launcher-mint --help."), std::string::npos);
    EXPECT_EQ(run.Out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsageErrorTest,
    testing::Values(
        UsageCase{"NoArguments", {}, "nothing to do"},
        UsageCase{"UnknownOption", {"--roster", "r.csv", "--outdir", "d"}, "unknown option --outdir"},
        UsageCase{"StrayArgument", {"users.csv"}, "unexpected argument \"users.csv\""},
        UsageCase{"ValueMissing", {"--launcher", "l.exe", "--roster"}, "--roster needs a value"},
        UsageCase{"EmptyValue", {"--launcher=", "--roster", "r", "--out", "d"}, "--launcher needs a value"},
        UsageCase{"FlagWithValue", {"--force=yes"}, "unknown option --force=yes"},
        UsageCase{"OptionTwice", {"--out", "a", "--out=b"}, "--out is given twice"},
        UsageCase{"MissingOut", {"--launcher", "l.exe", "--roster", "r.csv"}, "missing --out"},
        UsageCase{"MissingLauncher", {"--roster", "r.csv", "--out", "d"}, "missing --launcher"},
        UsageCase{"ExplainWithOthers", {"--explain", "x$y$z$.exe", "--force"}, "--explain takes no other options"},
        UsageCase{"CatalogueWithOthers", {"--catalogue", "--out", "d"}, "--catalogue takes no other options"},
        UsageCase{"MaxNameNotANumber",
                  {"--launcher", "l", "--roster", "r", "--out", "d", "--max-name", "long"},
                  "--max-name must be a number from 12 to 255"},
        UsageCase{"MaxNameTooBig",
                  {"--launcher", "l", "--roster", "r", "--out", "d", "--max-name=256"},
                  "--max-name must be a number from 12 to 255"}),
    [](const testing::TestParamInfo<UsageCase>& info) { return info.param.Name; });

TEST(HelpTest, DescribesEveryOption)
{
    const Outcome run = RunWith({"--help"});
    EXPECT_EQ(run.ExitCode, 0);
    for (const char* option : {"--launcher", "--roster", "--out", "--force", "--max-name", "--explain", "--catalogue"})
        EXPECT_NE(run.Out.find(std::string("  ") + option), std::string::npos) << option;
}

class MintCommandTest : public testing::Test {
protected:
    MintCommandTest()
    {
        WriteFile(launcher(), minttest::FakeLauncherBytes());
    }

    fs::path launcher() const { return temp / "launcher.exe"; }
    fs::path roster() const { return temp / "users.csv"; }
    fs::path out() const { return temp / "out"; }

    std::vector<std::string> MintArgs() const
    {
        return {"--launcher", launcher().string(), "--roster", roster().string(), "--out", out().string()};
    }

    minttest::TempDir temp;
};

TEST_F(MintCommandTest, WritesCopiesAndListsThem)
{
    WriteFile(roster(), "product,user,password\nVELSO_8,ivanov,secret\nVELSO_NRT,petrov,x y\n");
    const Outcome run = RunWith(MintArgs());
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Out, "VELSO_8$ivanov$secret$.exe\nVELSO_NRT$petrov$x y$.exe\ncopies written to " +
                           out().string() + ": 2\n");
    EXPECT_EQ(run.Err, roster().string() +
                           ":3: warning: password: contains a space; the launcher quotes it for cmdkey, but check "
                           "that it is meant\n");
    EXPECT_EQ(Entries(out()), (std::vector<std::string>{"VELSO_8$ivanov$secret$.exe", "VELSO_NRT$petrov$x y$.exe"}));
}

TEST_F(MintCommandTest, BadRosterWritesNothing)
{
    WriteFile(roster(), "product,user,password\nVELSO_8,ivanov,secret\nVELSO_8,,secret\n");
    const Outcome run = RunWith(MintArgs());
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(run.Err, roster().string() + ":3: error: user: is empty\nlauncher-mint: nothing written\n");
    EXPECT_FALSE(fs::exists(out()));
}

TEST_F(MintCommandTest, ExistingCopyWithoutForceWritesNothing)
{
    WriteFile(roster(), "product,user,password\nVELSO_8,ivanov,secret\nVELSO_8,petrov,secret\n");
    fs::create_directory(out());
    WriteFile(out() / "VELSO_8$petrov$secret$.exe", "old");
    Outcome run = RunWith(MintArgs());
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(Entries(out()), std::vector<std::string>{"VELSO_8$petrov$secret$.exe"});
    EXPECT_EQ(FirstLine(run.Err), "launcher-mint: \"" + (out() / "VELSO_8$petrov$secret$.exe").string() +
                                      "\" exists already; --force replaces it (roster line 3)");

    std::vector<std::string> args = MintArgs();
    args.push_back("--force");
    run = RunWith(args);
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(ReadFile(out() / "VELSO_8$petrov$secret$.exe"), minttest::FakeLauncherBytes());
}

TEST_F(MintCommandTest, MaxNameSetsTheLengthLimit)
{
    WriteFile(roster(), "product,user,password\nVELSO_8,u,p\nVELSO_8,u,pp\n");  // 16 and 17 characters
    std::vector<std::string> args = MintArgs();
    args.push_back("--max-name=16");
    const Outcome run = RunWith(args);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(FirstLine(run.Err), roster().string() +
                                      ":3: error: file name: has 17 characters, more than the 16 that fit (see "
                                      "--max-name)");
}

TEST_F(MintCommandTest, UnreadableInputsAreNamed)
{
    WriteFile(roster(), "product,user,password\nVELSO_8,u,p\n");
    std::vector<std::string> args = MintArgs();
    args[1] = (temp / "missing.exe").string();
    Outcome run = RunWith(args);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "launcher-mint: cannot read the launcher \"" + args[1] + "\"\n");

    args = MintArgs();
    args[1] = roster().string();
    run = RunWith(args);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "launcher-mint: \"" + args[1] + "\" is not a Windows executable\n");

    args = MintArgs();
    args[3] = (temp / "missing.csv").string();
    run = RunWith(args);
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_EQ(run.Err, "launcher-mint: cannot read the roster \"" + args[3] + "\"\n");
    EXPECT_FALSE(fs::exists(out()));
}

// The built program, as scripts and later end-to-end tests call it.
class MintBinaryTest : public MintCommandTest {
protected:
    int Execute(const std::vector<std::string>& args, std::string& output)
    {
        std::string command = "'" MINT_BINARY "'";
        for (const std::string& arg : args)
            command += " '" + arg + "'";
        command += " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        output.clear();
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            output.append(buffer, n);
        const int status = pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(MintBinaryTest, MintsAndExplainsWithExitCodes)
{
    WriteFile(roster(), u8"product,user,password\nVELSO_DOR_RK,Сидоров,секрет\n");
    std::string output;
    EXPECT_EQ(Execute(MintArgs(), output), 0) << output;
    const std::string copy = u8"VELSO_DOR_RK$Сидоров$секрет$.exe";
    EXPECT_EQ(ReadFile(out() / copy), minttest::FakeLauncherBytes());

    EXPECT_EQ(Execute({"--explain", (out() / copy).string()}, output), 0);
    EXPECT_NE(output.find(u8"Display name:  \"ВЕЛСО ДОР ЛМ\""), std::string::npos) << output;
    EXPECT_EQ(Execute({"--explain", "VELSO_DOR_RK$x$y.exe"}, output), 1);
    EXPECT_EQ(Execute(MintArgs(), output), 1);  // exists already
    EXPECT_EQ(Execute({"--frobnicate"}, output), 2);
}

// Starts the built program; its stdout and stderr go to files in folder.
pid_t Spawn(std::vector<std::string> args, const fs::path& folder)
{
    args.insert(args.begin(), MINT_BINARY);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, (folder / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&files, 2, (folder / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, MINT_BINARY, &files, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

// Its exit code, or minus the signal that ended it; one that hangs is killed.
int WaitFor(pid_t pid)
{
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the program did not end";
            kill(pid, SIGKILL);
            deadline = std::chrono::steady_clock::time_point::max();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? -WTERMSIG(status) : -1000;
}

// Before the writing starts there is nothing to take back, so Ctrl+C ends the
// program at once, also while it waits for a roster that does not come.
TEST_F(MintCommandTest, SignalBeforeWritingEndsTheProgramAtOnce)
{
    ASSERT_EQ(mkfifo(roster().c_str(), 0600), 0);
    const pid_t pid = Spawn(MintArgs(), temp.Path());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(pid, SIGINT);
    EXPECT_EQ(WaitFor(pid), -SIGINT);
    EXPECT_FALSE(fs::exists(out()));
}

// A roster big enough that the run can be caught while it writes.
class InterruptedRunTest : public MintCommandTest {
protected:
    static const int Rows = 20000;

    InterruptedRunTest()
    {
        std::string roster = "product,user,password\n";
        for (int i = 0; i < Rows; ++i)
            roster += "VELSO_8,user" + std::to_string(i) + ",Pass" + std::to_string(i) + "\n";
        WriteFile(this->roster(), roster);
    }

    static std::string CopyName(int row)
    {
        return "VELSO_8$user" + std::to_string(row) + "$Pass" + std::to_string(row) + "$.exe";
    }

    // Starts the program with its output going to files, and stops it (SIGSTOP)
    // once its first working copy is staged; returns its process id.
    pid_t StartAndCatchWhileWriting()
    {
        const pid_t pid = Spawn(MintArgs(), temp.Path());
        const fs::path firstStaged = out() / ".launcher-mint-0" / "new" / CopyName(0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!fs::exists(firstStaged) && std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                ADD_FAILURE() << "the run ended before it could be caught:\n" << ReadFile(temp / "stderr");
                return pid;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        kill(pid, SIGSTOP);
        // Caught midway: nothing is in place yet.
        EXPECT_FALSE(fs::exists(out() / CopyName(Rows - 1)));
        return pid;
    }

};

// Ctrl+C and kill -TERM: each working copy holds a password in its name.
TEST_F(InterruptedRunTest, SignalRemovesEveryWorkingCopyAndExitsWithItsCode)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const pid_t pid = StartAndCatchWhileWriting();
        kill(pid, signal);
        kill(pid, SIGCONT);
        EXPECT_EQ(WaitFor(pid), 128 + signal);
        EXPECT_EQ(ReadFile(temp / "stderr"), "launcher-mint: interrupted; nothing written\n");
        EXPECT_EQ(ReadFile(temp / "stdout"), "");
        EXPECT_FALSE(fs::exists(out()));  // the run made it, and took it back
    }
}

TEST_F(InterruptedRunTest, NextRunRemovesWhatAKilledRunLeft)
{
    fs::create_directory(out());
    fs::permissions(out(), fs::perms::owner_all, fs::perm_options::replace);
    WriteFile(out() / "notes.txt", "keep");
    const pid_t pid = StartAndCatchWhileWriting();
    kill(pid, SIGKILL);
    EXPECT_EQ(WaitFor(pid), -SIGKILL);
    EXPECT_EQ(Entries(out()), (std::vector<std::string>{".launcher-mint-0", "notes.txt"}));

    const Outcome run = RunWith(MintArgs());
    EXPECT_EQ(run.ExitCode, 0);
    EXPECT_EQ(run.Err, "launcher-mint: removed \"" + (out() / ".launcher-mint-0").string() +
                           "\", left behind by an interrupted run\n");
    EXPECT_EQ(Entries(out()).size(), Rows + 1u);
    EXPECT_FALSE(fs::exists(out() / ".launcher-mint-0"));
    EXPECT_EQ(ReadFile(out() / "notes.txt"), "keep");
}

}  // namespace
