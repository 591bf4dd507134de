// The platform operations on Win32, all through the ANSI ("A") calls so that
// names and texts pass as code page 1251 bytes without conversion.
#include "platform/platform.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>


namespace {

// Read once at start-up, before the launcher's own code runs.
int MajorVersion = 0;

int QueryWindowsMajorVersion()
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    // Deprecated but still the call that reports what the launcher relies on.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info))
        return 0;
#pragma GCC diagnostic pop
    return static_cast<int>(info.dwMajorVersion);
}

}  // namespace

namespace platform {

void StartUp()
{
    MajorVersion = QueryWindowsMajorVersion();
}

std::string ExecutablePath()
{
    char path[261] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    // A path cut to the buffer is returned cut; on XP it may lack its NUL.
    return std::string(path, length < sizeof path ? length : sizeof path);
}

int WindowsMajorVersion()
{
    return MajorVersion;
}

std::string DesktopFolder()
{
    char path[4097] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_DESKTOP, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::string();
    return path;
}

unsigned long CreateTextFile(const std::string& path, FileHandle& file)
{
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return GetLastError();
    file = handle;
    return 0;
}

unsigned long WriteToFile(FileHandle file, const std::string& bytes)
{
    DWORD written = 0;
    if (!WriteFile(static_cast<HANDLE>(file), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return GetLastError();
    // A short write without an error code means the volume is full.
    return written == bytes.size() ? 0 : ERROR_DISK_FULL;
}

unsigned long CloseFile(FileHandle file)
{
    return CloseHandle(static_cast<HANDLE>(file)) ? 0 : GetLastError();
}

unsigned long RemoveFile(const std::string& path)
{
    return DeleteFileA(path.c_str()) ? 0 : GetLastError();
}

void RunHiddenAndWait(const std::string& program, const std::string& parameters)
{
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_HIDE;
    if (!ShellExecuteExA(&info) || info.hProcess == nullptr)
        return;
    // Sleeps in the kernel for the whole remote session: no CPU while waiting.
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
}

void ShowInformationBox(const std::string& caption, const std::string& text)
{
    MessageBoxExA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION, 0);
}

std::uint32_t CodeOffsetInModule(const void* codeAddress)
{
    const auto base = reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(codeAddress) - base);
}

void ReportFatalErrorAndExit(const char* text)
{
    MessageBoxA(nullptr, text, "Application Error", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
    ExitProcess(1);
}

}  // namespace platform
