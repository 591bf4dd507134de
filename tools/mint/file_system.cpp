#include "tools/mint/file_system.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "tools/mint/messages.h"

namespace fs = std::filesystem;

namespace {

// outDir itself, or the folder it would be made in.
fs::path NearestExistingFolder(const fs::path& outDir)
{
    std::error_code error;
    fs::path folder = fs::absolute(outDir, error);
    while (!folder.empty() && !fs::is_directory(folder, error) && folder != folder.parent_path())
        folder = folder.parent_path();
    return folder;
}

std::runtime_error WriteError(const fs::path& path, const std::string& reason)
{
    return std::runtime_error("cannot write " + Shown(path.u8string()) + ": " + reason);
}

std::runtime_error FolderError(const fs::path& folder, const std::string& reason)
{
    return std::runtime_error("cannot make the folder " + Shown(folder.u8string()) + ": " + reason);
}

}  // namespace

#ifdef _WIN32

namespace {

// The system's reason in its own words, as UTF-8 for the console: the
// standard category gives them in the ANSI code page.
class WindowsErrorCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "windows"; }

    std::string message(int code) const override
    {
        wchar_t* text = nullptr;
        const DWORD length =
            FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        std::string utf8;
        if (length > 0) {
            const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
            utf8.resize(size > 0 ? size : 0);
            if (size > 0)
                WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &utf8[0], size, nullptr, nullptr);
        }
        LocalFree(text);
        while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r' || utf8.back() == ' ' || utf8.back() == '.'))
            utf8.pop_back();
        return utf8.empty() ? "Windows error " + std::to_string(code) : utf8;
    }
};

std::error_code LastError()
{
    static const WindowsErrorCategory category;
    return std::error_code(static_cast<int>(GetLastError()), category);
}

}  // namespace

NameLimit OutputNameLimit(const fs::path& outDir)
{
    NameLimit limit;
    limit.Utf16Units = true;
    // Asked through a handle of the folder: asked by its root, Wine tries to
    // read the volume's label from the raw device and complains on stderr.
    const HANDLE folder = CreateFileW(NearestExistingFolder(outDir).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return limit;
    DWORD maxComponent = 0;
    if (GetVolumeInformationByHandleW(folder, nullptr, 0, nullptr, &maxComponent, nullptr, nullptr, 0) &&
        maxComponent > 0)
        limit.MaxUnits = maxComponent;
    CloseHandle(folder);
    return limit;
}

void RenameEntry(const fs::path& from, const fs::path& to)
{
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
        throw fs::filesystem_error("cannot rename", from, to, LastError());
}

void DeleteEntry(const fs::path& file)
{
    if (!DeleteFileW(file.c_str()))
        throw fs::filesystem_error("cannot delete", file, LastError());
}

bool MakePrivateFolder(const fs::path& folder)
{
    if (CreateDirectoryW(folder.c_str(), nullptr))
        return true;
    const std::error_code error = LastError();
    if (error.value() == ERROR_ALREADY_EXISTS)
        return false;
    throw FolderError(folder, error.message());
}

void WritePrivateFile(const fs::path& path, const std::string& bytes)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw WriteError(path, LastError().message());
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    const std::error_code writeError = LastError();
    const BOOL closed = CloseHandle(file);
    if (!wrote || written != bytes.size())
        throw WriteError(path, writeError.message());
    if (!closed)
        throw WriteError(path, LastError().message());
}

std::string ModeReadableByOthers(const fs::path&)
{
    return std::string();
}

bool IsReadOnlyFile(const fs::path& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

#else

NameLimit OutputNameLimit(const fs::path& outDir)
{
    NameLimit limit;
    const long maxBytes = pathconf(NearestExistingFolder(outDir).c_str(), _PC_NAME_MAX);
    if (maxBytes > 0)
        limit.MaxUnits = static_cast<std::size_t>(maxBytes);
    return limit;
}

void RenameEntry(const fs::path& from, const fs::path& to)
{
    fs::rename(from, to);
}

void DeleteEntry(const fs::path& file)
{
    if (unlink(file.c_str()) != 0)
        throw fs::filesystem_error("cannot delete", file, std::error_code(errno, std::generic_category()));
}

bool MakePrivateFolder(const fs::path& folder)
{
    if (mkdir(folder.c_str(), 0700) != 0) {
        if (errno == EEXIST)
            return false;
        throw FolderError(folder, std::strerror(errno));
    }
    // mkdir applies the umask, which may take the owner's own rights away.
    if (chmod(folder.c_str(), 0700) != 0)
        throw FolderError(folder, std::strerror(errno));
    return true;
}

void WritePrivateFile(const fs::path& path, const std::string& bytes)
{
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (file < 0)
        throw WriteError(path, std::strerror(errno));
    std::string failure;
    if (fchmod(file, 0600) != 0)
        failure = std::strerror(errno);
    for (std::size_t done = 0; failure.empty() && done < bytes.size();) {
        const ssize_t n = write(file, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR)
            failure = std::strerror(errno);
        else if (n > 0)
            done += static_cast<std::size_t>(n);
    }
    if (close(file) != 0 && failure.empty())
        failure = std::strerror(errno);
    if (!failure.empty())
        throw WriteError(path, failure);
}

std::string ModeReadableByOthers(const fs::path& folder)
{
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || (info.st_mode & (S_IRGRP | S_IROTH)) == 0)
        return std::string();
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
    return mode;
}

bool IsReadOnlyFile(const fs::path&)
{
    return false;
}

#endif
