#include "tools/mint/copy_writer.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

const char* const StagingFolderPrefix = ".launcher-mint-";

namespace {

fs::path PathOf(const fs::path& folder, const PlannedCopy& copy)
{
    return folder / fs::u8path(copy.Name);
}

std::string Shown(const fs::path& path)
{
    return "\"" + path.u8string() + "\"";
}

void CheckExistingCopies(const CopyRequest& request, std::vector<std::string>& errors)
{
    for (const PlannedCopy& copy : request.Copies) {
        const fs::path target = PathOf(request.OutDir, copy);
        std::error_code error;
        const fs::file_status status = fs::symlink_status(target, error);
        if (!fs::exists(status))
            continue;
        if (!fs::is_regular_file(status))
            errors.push_back(Shown(target) + " exists and is not a file (roster line " + std::to_string(copy.Line) + ")");
        else if (!request.Force)
            errors.push_back(Shown(target) + " exists already; --force replaces it (roster line " +
                             std::to_string(copy.Line) + ")");
    }
}

// A new folder of its own inside the output folder, so that the renames into
// place stay on one file system.
fs::path CreateStagingFolder(const fs::path& outDir)
{
    for (int attempt = 0;; ++attempt) {
        const fs::path staging = outDir / (StagingFolderPrefix + std::to_string(attempt));
        if (fs::create_directory(staging)) {
            fs::create_directory(staging / "new");
            fs::create_directory(staging / "replaced");
            return staging;
        }
    }
}

// The outermost folder of dir that does not exist yet; empty when dir exists.
fs::path FirstMissingFolder(const fs::path& dir)
{
    fs::path missing;
    for (fs::path folder = fs::absolute(dir); !folder.empty() && !fs::exists(folder); folder = folder.parent_path()) {
        missing = folder;
        if (folder == folder.parent_path())
            break;
    }
    return missing;
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + Shown(path));
}

// Renames every staged copy into place, first moving a copy it replaces into
// the staging folder. On a failure every rename done so far is undone, so the
// output folder is as before.
class Commit {
public:
    explicit Commit(const RenameFile& rename) : rename_(rename) {}

    void Run(const fs::path& staging, const CopyRequest& request)
    {
        try {
            for (const PlannedCopy& copy : request.Copies) {
                const fs::path target = PathOf(request.OutDir, copy);
                if (fs::exists(target))
                    Move(target, PathOf(staging / "replaced", copy));
                Move(PathOf(staging / "new", copy), target);
            }
        } catch (...) {
            Undo();
            throw;
        }
    }

private:
    void Move(const fs::path& from, const fs::path& to)
    {
        rename_(from, to);
        done_.push_back({from, to});
    }

    void Undo()
    {
        for (auto move = done_.rbegin(); move != done_.rend(); ++move) {
            std::error_code ignored;
            fs::rename(move->second, move->first, ignored);
        }
    }

    const RenameFile& rename_;
    std::vector<std::pair<fs::path, fs::path>> done_;
};

}  // namespace

bool WriteCopies(const CopyRequest& request, std::vector<std::string>& errors, const RenameFile& rename)
{
    CheckExistingCopies(request, errors);
    if (!errors.empty())
        return false;
    fs::path created;
    fs::path staging;
    try {
        created = FirstMissingFolder(request.OutDir);
        fs::create_directories(request.OutDir);
        staging = CreateStagingFolder(request.OutDir);
        for (const PlannedCopy& copy : request.Copies)
            WriteFile(PathOf(staging / "new", copy), request.LauncherBytes);
        Commit(rename).Run(staging, request);
    } catch (const std::exception& failure) {
        errors.push_back(failure.what());
    }
    std::error_code ignored;
    if (!staging.empty())
        fs::remove_all(staging, ignored);
    if (!errors.empty() && !created.empty())
        fs::remove_all(created, ignored);
    return errors.empty();
}
