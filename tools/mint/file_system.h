// The few file-system calls whose meaning differs between POSIX and Windows.
// The copies' names hold passwords, so on POSIX everything the tool makes is
// private to its owner whatever the umask; on Windows the copies inherit the
// rights of their folder.
#pragma once

#include <filesystem>
#include <string>

#include "tools/mint/file_name.h"

// What one name may hold on the file system where outDir is or would be made:
// POSIX asks the nearest existing folder (pathconf NAME_MAX, 255 when it does
// not say), Windows its volume (in UTF-16 units).
NameLimit OutputNameLimit(const std::filesystem::path& outDir);

// Makes one new folder, only for its owner on POSIX (0700). Returns false
// when something of that name exists already; throws on other errors.
bool MakePrivateFolder(const std::filesystem::path& folder);

// Writes a new file (never through an existing file or link), only for its
// owner on POSIX (0600). Throws std::runtime_error naming the path and reason.
void WritePrivateFile(const std::filesystem::path& path, const std::string& bytes);

// Other users may list the folder (POSIX: group or others may read it).
// Empty when not; otherwise its mode, such as "0755", for the message.
std::string ModeReadableByOthers(const std::filesystem::path& folder);

// Rename and delete as the commit needs them; both throw
// std::filesystem::filesystem_error with the system's own reason (on Windows
// its words, such as "being used by another process").
void RenameEntry(const std::filesystem::path& from, const std::filesystem::path& to);
void DeleteEntry(const std::filesystem::path& file);

// Windows refuses to delete a file with the read-only attribute, even once it
// has been moved aside; POSIX deletes by the folder's rights, so never.
bool IsReadOnlyFile(const std::filesystem::path& path);
