// The platform operations on Win32. The launcher's texts are ANSI (code page
// 1251) bytes and pass to the "A" calls unconverted; what Windows hands out as
// UTF-16 (the executable's name, the desktop folder) is converted here without
// best-fit look-alikes, and the shell is reached only through shell32 loaded
// from the system folder.
#include "platform/platform.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {

// Read once at start-up, before the launcher's own code runs.
int MajorVersion = 0;

// Whether SetDefaultDllDirectories took: every later load searches only the
// system folder (Windows 8, and 7 and Vista with the 2011 loader update).
bool SearchFlagsWork = false;

// shell32 is loaded at run time rather than imported: an imported shell32
// and the DLLs it pulls in would be searched for in the copy's own folder
// (Downloads) before the system folder, before any code of ours runs.
using ShellExecuteExWCall = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
using SHGetFolderPathWCall = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
ShellExecuteExWCall ShellExecuteExWFromShell = nullptr;
SHGetFolderPathWCall SHGetFolderPathWFromShell = nullptr;

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

template <typename Function>
Function Lookup(HMODULE module, const char* name)
{
    if (module == nullptr)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Copies text behind the first used characters of a buffer; false when it
// does not fit, so that no path is ever cut to a different one.
bool Append(wchar_t* buffer, std::size_t capacity, const wchar_t* text)
{
    std::size_t used = lstrlenW(buffer);
    for (; *text != L'\0'; ++text, ++used) {
        if (used + 1 >= capacity)
            return false;
        buffer[used] = *text;
    }
    buffer[used] = L'\0';
    return true;
}

// Keeps DLLs planted in the copy's folder or the working folder out of the
// process: only the system folder is searched from here on. Where the search
// flags are missing (XP, unpatched Vista and 7), at least the working folder
// goes; LoadSystemLibrary then names the system folder itself.
void RestrictDllSearch()
{
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto setDefaultDllDirectories = Lookup<BOOL(WINAPI*)(DWORD)>(kernel, "SetDefaultDllDirectories");
    if (setDefaultDllDirectories != nullptr && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        SearchFlagsWork = true;
        return;
    }
    const auto setDllDirectory = Lookup<BOOL(WINAPI*)(LPCWSTR)>(kernel, "SetDllDirectoryW");
    if (setDllDirectory != nullptr)
        setDllDirectory(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name)
{
    if (SearchFlagsWork)
        return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // By full path; the altered search order looks for its own imports in
    // the system folder too, not in the copy's folder.
    wchar_t path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !Append(path, MAX_PATH, L"\\") || !Append(path, MAX_PATH, name))
        return nullptr;
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The folder of the Windows tools the launcher starts. A 32-bit process on
// 64-bit Windows is shown SysWOW64 as its system folder; the native tools are
// behind the Sysnative alias, which only such a process sees.
bool ToolFolder(wchar_t* folder, std::size_t capacity)
{
    const UINT length = GetSystemWindowsDirectoryW(folder, static_cast<UINT>(capacity));
    if (length > 0 && length < capacity && Append(folder, capacity, L"\\Sysnative")) {
        const DWORD attributes = GetFileAttributesW(folder);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return true;
    }
    folder[0] = L'\0';
    const UINT systemLength = GetSystemDirectoryW(folder, static_cast<UINT>(capacity));
    return systemLength > 0 && systemLength < capacity;
}

// The full path of a Windows tool named by its bare name ("cmdkey"): never
// the copy's folder, the working folder or PATH, where anyone who can drop a
// file into Downloads could plant a program that receives the password.
bool ToolPath(const std::string& program, wchar_t* path, std::size_t capacity)
{
    if (!ToolFolder(path, capacity) || !Append(path, capacity, L"\\"))
        return false;
    std::size_t used = lstrlenW(path);
    for (const char c : program) {
        if (used + 1 >= capacity)
            return false;
        path[used++] = static_cast<unsigned char>(c);  // the tools' names are ASCII
    }
    path[used] = L'\0';
    return Append(path, capacity, L".exe");
}

// UTF-16 text in the ANSI code page without best-fit look-alikes: a character
// the code page lacks becomes "?", never a look-alike such as a fullwidth
// quote turned into a real one. exact tells whether none was lacking.
std::string ToAnsi(const wchar_t* text, int length, bool& exact)
{
    exact = true;
    if (length <= 0)
        return std::string();
    // A UTF-8 ANSI code page (a Windows 10 option) takes every character,
    // and refuses the flags below.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL lacking = FALSE;
    BOOL* const lackingOut = utf8 ? nullptr : &lacking;
    const char* const replacement = utf8 ? nullptr : "?";
    const int size = WideCharToMultiByte(CP_ACP, flags, text, length, nullptr, 0, replacement, lackingOut);
    if (size <= 0) {
        exact = false;
        return std::string();
    }
    std::string ansi(static_cast<std::string::size_type>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, text, length, &ansi[0], size, replacement, lackingOut);
    exact = !lacking;
    return ansi;
}

// A folder path in the ANSI code page that names the same folder: the path
// itself when it converts exactly, else its short (8.3) form, which is ASCII
// where the volume keeps short names; empty when neither will do.
std::string AnsiFolderPath(const wchar_t* path)
{
    bool exact = false;
    std::string ansi = ToAnsi(path, lstrlenW(path), exact);
    if (exact)
        return ansi;
    wchar_t shortPath[MAX_PATH] = {};
    const DWORD length = GetShortPathNameW(path, shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    ansi = ToAnsi(shortPath, static_cast<int>(length), exact);
    return exact ? ansi : std::string();
}

// Room for the longest parameters the launcher builds: a ticket field or a
// path comes from a name of at most 261 characters, a host name at most 253.
const int MaxParameters = 1024;

// The parameters as ShellExecuteExA would pass them on: ANSI to UTF-16.
bool ToWide(const std::string& text, wchar_t (&wide)[MaxParameters])
{
    return MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MaxParameters) > 0;
}

}  // namespace

namespace platform {

void StartUp()
{
    RestrictDllSearch();
    const HMODULE shell = LoadSystemLibrary(L"shell32.dll");
    ShellExecuteExWFromShell = Lookup<ShellExecuteExWCall>(shell, "ShellExecuteExW");
    SHGetFolderPathWFromShell = Lookup<SHGetFolderPathWCall>(shell, "SHGetFolderPathW");
    MajorVersion = QueryWindowsMajorVersion();
}

std::string ExecutablePath()
{
    wchar_t path[261] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, 261);
    // A path cut to the buffer is returned cut; on XP it may lack its NUL.
    bool exact = false;
    return ToAnsi(path, static_cast<int>(length < 261 ? length : 261), exact);
}

int WindowsMajorVersion()
{
    return MajorVersion;
}

std::string DesktopFolder()
{
    wchar_t path[MAX_PATH] = {};
    if (SHGetFolderPathWFromShell == nullptr ||
        FAILED(SHGetFolderPathWFromShell(nullptr, CSIDL_DESKTOP, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::string();
    return AnsiFolderPath(path);
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
    wchar_t file[MAX_PATH + 32] = {};
    wchar_t wideParameters[MaxParameters] = {};
    if (ShellExecuteExWFromShell == nullptr || !ToolPath(program, file, sizeof file / sizeof file[0]) ||
        !ToWide(parameters, wideParameters))
        return;
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = file;
    info.lpParameters = wideParameters;
    info.nShow = SW_HIDE;
    if (!ShellExecuteExWFromShell(&info) || info.hProcess == nullptr)
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
