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

NameLimit OutputNameLimit(const fs::path& outDir)
{
    NameLimit limit;
    limit.Utf16Units = true;
    wchar_t volume[MAX_PATH + 1];
    DWORD maxComponent = 0;
    if (GetVolumePathNameW(NearestExistingFolder(outDir).c_str(), volume, MAX_PATH + 1) &&
        GetVolumeInformationW(volume, nullptr, 0, nullptr, &maxComponent, nullptr, nullptr, 0) && maxComponent > 0)
        limit.MaxUnits = maxComponent;
    return limit;
}

bool MakePrivateFolder(const fs::path& folder)
{
    if (CreateDirectoryW(folder.c_str(), nullptr))
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS)
        return false;
    throw FolderError(folder, std::system_category().message(static_cast<int>(error)));
}

void WritePrivateFile(const fs::path& path, const std::string& bytes)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw WriteError(path, std::system_category().message(static_cast<int>(GetLastError())));
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    const DWORD writeError = GetLastError();
    const BOOL closed = CloseHandle(file);
    if (!wrote || written != bytes.size())
        throw WriteError(path, std::system_category().message(static_cast<int>(writeError)));
    if (!closed)
        throw WriteError(path, std::system_category().message(static_cast<int>(GetLastError())));
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
