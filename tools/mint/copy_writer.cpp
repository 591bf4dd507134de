#include "tools/mint/copy_writer.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <system_error>

#include "tools/mint/cp1251.h"
#include "tools/mint/file_system.h"

namespace fs = std::filesystem;

const char* const StagingFolderPrefix = ".launcher-mint-";

namespace {

// Thrown between steps when a signal asks the run to stop.
struct Stopped {
    int Signal;
};

std::string ShownPath(const fs::path& path)
{
    return Shown(path.u8string());
}

std::string RosterLine(const PlannedCopy& copy)
{
    return " (roster line " + std::to_string(copy.Line) + ")";
}

bool IsStagingFolderName(const std::string& name)
{
    const std::string prefix = StagingFolderPrefix;
    return name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
           std::all_of(name.begin() + prefix.size(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The names in a folder; throws when it cannot be read.
std::vector<fs::path> EntriesOf(const fs::path& folder)
{
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    if (error)
        throw std::runtime_error("cannot read the folder " + ShownPath(folder) + ": " + error.message());
    return entries;
}

// outDir without a trailing separator, so that its parent is its parent.
fs::path WithoutTrailingSeparator(const fs::path& dir)
{
    const fs::path absolute = fs::absolute(dir);
    return absolute.has_filename() ? absolute : absolute.parent_path();
}

// One copy's way into the output folder, and how far it got.
struct Placement {
    fs::path Target;  // in the output folder
    fs::path Staged;  // in staging/new
    fs::path Aside;   // in staging/replaced: where the copy it replaces waits
    bool MovedAside = false;
    bool Placed = false;
    bool OldDeleted = false;
};

class CopyWriter {
public:
    CopyWriter(const CopyRequest& request, Messages& messages, const FileOperations& operations)
        : request_(request), messages_(messages), operations_(operations)
    {
    }

    WriteResult Run()
    {
        WriteResult result;
        if (!RemoveLeftoverStagingFolders() || !CheckOutputFolder())
            return result;
        try {
            StopIfAsked();
            MakeOutputFolder();
            MakeStagingFolder();
            WriteStagedCopies();
            Commit();
            DeleteReplacedCopies();
            result.Complete = true;
        } catch (const Stopped& stopped) {
            result.StopSignal = stopped.Signal;
        } catch (const std::exception& failure) {
            messages_.Say(failure.what());
        }
        if (!result.Complete)
            result.FolderAsBefore = Undo();
        if (!RemoveStagingFolder()) {
            result.Complete = false;
            result.FolderAsBefore = false;
        }
        if (!result.Complete && result.FolderAsBefore)
            result.FolderAsBefore = RemoveFoldersMade();
        return result;
    }

private:
    void StopIfAsked() const
    {
        if (const int signal = request_.StopSignal())
            throw Stopped{signal};
    }

    // What a killed run left: its staging folder, with working copies in new/
    // and, if it died halfway through putting them in place, an old copy in
    // replaced/ whose place is still empty; that one goes back.
    bool RemoveLeftoverStagingFolders()
    {
        std::error_code error;
        if (!fs::is_directory(request_.OutDir, error))
            return true;
        try {
            for (const fs::path& entry : EntriesOf(request_.OutDir)) {
                if (IsStagingFolderName(entry.filename().u8string()) && fs::is_directory(fs::symlink_status(entry)))
                    RemoveLeftover(entry);
            }
        } catch (const std::exception& failure) {
            messages_.Say(failure.what());
            return false;
        }
        return true;
    }

    void RemoveLeftover(const fs::path& leftover)
    {
        const fs::path aside = leftover / "replaced";
        if (fs::is_directory(fs::symlink_status(aside))) {
            for (const fs::path& old : EntriesOf(aside)) {
                const fs::path target = request_.OutDir / old.filename();
                if (fs::exists(fs::symlink_status(target)))
                    continue;
                try {
                    operations_.Rename(old, target);
                } catch (const fs::filesystem_error& error) {
                    throw std::runtime_error("cannot move " + ShownPath(old) + " back to " + ShownPath(target) +
                                             ": " + error.code().message() + "; move it yourself, then run again");
                }
                messages_.Say("moved " + ShownPath(target) + " back into place from an interrupted run");
            }
        }
        std::error_code error;
        fs::remove_all(leftover, error);
        if (error) {
            throw std::runtime_error("cannot remove " + ShownPath(leftover) + ", left behind by an interrupted run: " +
                                     error.message());
        }
        messages_.Say("removed " + ShownPath(leftover) + ", left behind by an interrupted run");
    }

    // Existing files the copies would clash with. Names are compared as
    // Windows compares them, whatever the file system here does.
    bool CheckOutputFolder()
    {
        const fs::path& outDir = request_.OutDir;
        std::error_code error;
        if (!fs::exists(fs::symlink_status(outDir, error)))
            return true;
        if (!fs::is_directory(outDir, error)) {
            messages_.Say(ShownPath(outDir) + " is not a folder");
            return false;
        }
        std::map<std::string, std::string> namesByLowerCase;
        try {
            for (const fs::path& entry : EntriesOf(outDir)) {
                const std::string name = entry.filename().u8string();
                ConversionProblem ignored;
                namesByLowerCase.emplace(Cp1251Lower(Utf8ToCp1251(name, ignored)), name);
            }
        } catch (const std::exception& failure) {
            messages_.Say(failure.what());
            return false;
        }
        bool usable = true;
        for (const PlannedCopy& copy : request_.Copies) {
            const auto found = namesByLowerCase.find(Cp1251Lower(copy.AnsiName));
            if (found != namesByLowerCase.end())
                usable = CheckExisting(copy, found->second) && usable;
        }
        return usable;
    }

    bool CheckExisting(const PlannedCopy& copy, const std::string& existingName)
    {
        const fs::path target = request_.OutDir / fs::u8path(copy.Name);
        std::error_code error;
        std::string problem;
        if (existingName != copy.Name) {
            problem = " differs only in letter case from " + ShownPath(request_.OutDir / fs::u8path(existingName)) +
                      ", which exists already; Windows takes the two for one name";
        } else if (!fs::is_regular_file(fs::symlink_status(target, error))) {
            problem = " exists and is not a file";
        } else if (!request_.Force) {
            problem = " exists already; --force replaces it";
        } else if (IsReadOnlyFile(target)) {
            problem = " is read-only; --force does not replace a read-only copy: clear its read-only attribute or "
                      "delete it first";
        }
        if (problem.empty())
            return true;
        messages_.Say(ShownPath(target) + problem + RosterLine(copy));
        return false;
    }

    // Every missing folder up to outDir, each recorded so that a failed run
    // removes exactly these. Whatever exists in any form (a dangling link
    // too) is not made and never removed.
    void MakeOutputFolder()
    {
        std::vector<fs::path> missing;
        for (fs::path folder = WithoutTrailingSeparator(request_.OutDir);
             !fs::exists(fs::symlink_status(folder)); folder = folder.parent_path()) {
            missing.push_back(folder);
            if (folder == folder.parent_path())
                break;
        }
        if (missing.empty())
            return WarnIfReadableByOthers();
        for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
            if (!MakePrivateFolder(*folder))
                throw std::runtime_error("cannot make the folder " + ShownPath(*folder) + ": it appeared meanwhile");
            made_.push_back(*folder);
        }
    }

    void WarnIfReadableByOthers()
    {
        const std::string mode = ModeReadableByOthers(request_.OutDir);
        if (!mode.empty()) {
            messages_.Warn("other users can list " + ShownPath(request_.OutDir) + " (mode " + mode +
                           "), and the copies' names hold passwords; make it private (chmod 700)");
        }
    }

    // A new folder of its own inside the output folder, so that the renames into
    // place stay on one file system.
    void MakeStagingFolder()
    {
        for (int number = 0; number < 1000; ++number) {
            const fs::path staging = request_.OutDir / (StagingFolderPrefix + std::to_string(number));
            if (MakePrivateFolder(staging)) {
                staging_ = staging;
                if (!MakePrivateFolder(staging / "new") || !MakePrivateFolder(staging / "replaced"))
                    throw std::runtime_error("cannot prepare the staging folder " + ShownPath(staging));
                return;
            }
        }
        throw std::runtime_error("cannot make a staging folder in " + ShownPath(request_.OutDir));
    }

    void WriteStagedCopies()
    {
        for (const PlannedCopy& copy : request_.Copies) {
            StopIfAsked();
            WritePrivateFile(staging_ / "new" / fs::u8path(copy.Name), request_.LauncherBytes);
        }
    }

    void Move(const fs::path& from, const fs::path& to)
    {
        try {
            operations_.Rename(from, to);
        } catch (const fs::filesystem_error& error) {
            throw std::runtime_error("cannot move " + ShownPath(from) + " to " + ShownPath(to) + ": " +
                                     error.code().message());
        }
    }

    // A copy being replaced first moves aside, so that it can come back.
    void Commit()
    {
        for (const PlannedCopy& copy : request_.Copies) {
            StopIfAsked();
            const fs::path name = fs::u8path(copy.Name);
            placements_.push_back(Placement{request_.OutDir / name, staging_ / "new" / name,
                                            staging_ / "replaced" / name});
            Placement& placement = placements_.back();
            if (fs::exists(fs::symlink_status(placement.Target))) {
                Move(placement.Target, placement.Aside);
                placement.MovedAside = true;
            }
            Move(placement.Staged, placement.Target);
            placement.Placed = true;
        }
    }

    // The one step that cannot be undone, so it comes last; Windows refuses
    // it for a copy that someone is running.
    void DeleteReplacedCopies()
    {
        for (Placement& placement : placements_) {
            if (!placement.MovedAside)
                continue;
            try {
                operations_.Remove(placement.Aside);
            } catch (const fs::filesystem_error& error) {
                throw std::runtime_error("cannot delete the replaced copy " + ShownPath(placement.Aside) + ": " +
                                         error.code().message());
            }
            placement.OldDeleted = true;
        }
    }

    bool MoveBack(const fs::path& from, const fs::path& to)
    {
        try {
            operations_.Rename(from, to);
            return true;
        } catch (const fs::filesystem_error& error) {
            messages_.Say("could not undo: cannot move " + ShownPath(from) + " back to " + ShownPath(to) + ": " +
                          error.code().message());
            return false;
        }
    }

    // Takes every copy back out and every replaced copy back in, the last
    // first. Returns false when anything stays changed, each said.
    bool Undo()
    {
        bool asBefore = true;
        for (auto placement = placements_.rbegin(); placement != placements_.rend(); ++placement) {
            if (placement->Placed && placement->OldDeleted) {
                messages_.Say("could not undo: " + ShownPath(placement->Target) +
                              " is replaced already; its old copy is deleted");
                asBefore = false;
                continue;
            }
            if (placement->Placed && !MoveBack(placement->Target, placement->Staged)) {
                messages_.Say(ShownPath(placement->Target) + " stays a new copy" +
                              (placement->MovedAside ? "; its old copy is kept in " + ShownPath(placement->Aside)
                                                     : std::string()));
                asBefore = false;
                continue;
            }
            placement->Placed = false;
            if (placement->MovedAside && !MoveBack(placement->Aside, placement->Target)) {
                messages_.Say("the old copy " + ShownPath(placement->Target) + " is kept in " +
                              ShownPath(placement->Aside));
                asBefore = false;
            }
        }
        return asBefore;
    }

    // New copies are ours to delete; an old copy that could not go back stays
    // in replaced/, and with it the staging folder.
    bool RemoveStagingFolder()
    {
        if (staging_.empty())
            return true;
        std::error_code error;
        fs::remove_all(staging_ / "new", error);
        if (!error)
            fs::remove(staging_ / "replaced", error);
        if (!error)
            fs::remove(staging_, error);
        if (!error)
            return true;
        messages_.Say("cannot remove the staging folder " + ShownPath(staging_) + ": " + error.message());
        return false;
    }

    bool RemoveFoldersMade()
    {
        for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder) {
            std::error_code error;
            fs::remove(*folder, error);
            if (error) {
                messages_.Say("cannot remove the folder " + ShownPath(*folder) + " it made: " + error.message());
                return false;
            }
        }
        return true;
    }

    const CopyRequest& request_;
    Messages& messages_;
    const FileOperations& operations_;
    std::vector<fs::path> made_;  // folders this run made, outermost first
    fs::path staging_;
    std::vector<Placement> placements_;
};

}  // namespace

FileOperations RealFileOperations()
{
    return FileOperations{RenameEntry, DeleteEntry};
}

WriteResult WriteCopies(const CopyRequest& request, Messages& messages, const FileOperations& operations)
{
    return CopyWriter(request, messages, operations).Run();
}
