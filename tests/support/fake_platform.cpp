#include "tests/support/fake_platform.h"

#include "launcher/launcher_main.h"
#include "platform/platform.h"

namespace fake {

namespace {

Platform instance;

// Open files: handle value is an index into this list of paths.
std::vector<std::string> openPaths;
int createCount = 0;

void Record(const std::string& call)
{
    instance.Calls.push_back(call);
}

}  // namespace

Platform& State()
{
    return instance;
}

void Reset()
{
    instance = Platform{};
    openPaths.clear();
    createCount = 0;
}

int RunLauncher()
{
    try {
        const int exitCode = LauncherMain(instance.ExecutablePath);
        Record("exit " + std::to_string(exitCode));
        return exitCode;
    } catch (const ProcessEnded& ended) {
        return ended.ExitCode;
    }
}

}  // namespace fake

namespace platform {

using fake::instance;

std::string ExecutablePath()
{
    return instance.ExecutablePath;
}

int WindowsMajorVersion()
{
    return instance.WindowsMajorVersion;
}

std::string DesktopFolder()
{
    return instance.DesktopFolder;
}

unsigned long CreateTextFile(const std::string& path, FileHandle& file)
{
    fake::Record("create " + path);
    ++fake::createCount;
    if (instance.CreateError && (instance.FailingCreate == 0 || instance.FailingCreate == fake::createCount))
        return instance.CreateError;
    instance.Files[path].clear();
    fake::openPaths.push_back(path);
    file = reinterpret_cast<FileHandle>(fake::openPaths.size());
    return 0;
}

namespace {

const std::string& PathOf(FileHandle file)
{
    return fake::openPaths.at(reinterpret_cast<std::size_t>(file) - 1);
}

}  // namespace

unsigned long WriteToFile(FileHandle file, const std::string& bytes)
{
    fake::Record("write " + PathOf(file));
    if (instance.WriteError) {
        // A failed write may still have put part of the bytes on disk.
        instance.Files[PathOf(file)] += bytes.substr(0, bytes.size() / 2);
        return instance.WriteError;
    }
    instance.Files[PathOf(file)] += bytes;
    return 0;
}

unsigned long CloseFile(FileHandle file)
{
    fake::Record("close " + PathOf(file));
    return instance.CloseError;
}

unsigned long RemoveFile(const std::string& path)
{
    fake::Record("remove " + path);
    instance.Files.erase(path);
    return 0;
}

void RunHiddenAndWait(const std::string& program, const std::string& parameters)
{
    fake::Record("run " + program + " [" + parameters + "]");
}

void ShowInformationBox(const std::string& caption, const std::string& text)
{
    fake::Record("box " + caption + " [" + text + "]");
}

std::uint32_t CodeOffsetInModule(const void*)
{
    return instance.CodeOffset;
}

void ReportFatalErrorAndExit(const char* text)
{
    fake::Record("fatal");
    instance.FatalReport = text;
    throw fake::ProcessEnded{1};
}

}  // namespace platform
