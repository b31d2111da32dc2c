// New files that take the place of others only once they are whole. A fresh hidden folder is
// made beside the target file; the caller writes the target's file (at Path()) and any files
// that go with it (a table's memo file, under its own name) into that folder; Commit then moves
// every file of the folder beside the target, replacing files of the same names, the target's
// own file last. Until Commit has put everything in place, and when it fails, the files beside
// the target are as they were. The folder, with whatever is still in it, goes with the object.
//
//   vx::TStagedFiles staged("/data/out.dbf");
//   if (!staged.Ready()) ...;              // the folder could not be made: FailureText()
//   Write(staged.Path());                  // "/data/.vxnew-XXXXXX/out.dbf" and its memo file
//   if (!staged.Commit().empty()) ...;     // names the file that could not be replaced
#pragma once

#include <string>

namespace vx {

class TStagedFiles {
public:
    explicit TStagedFiles(const std::string& target);
    ~TStagedFiles();  // removes the folder and what is still in it
    TStagedFiles(const TStagedFiles&) = delete;
    TStagedFiles& operator=(const TStagedFiles&) = delete;

    bool Ready() const { return !Folder.empty(); }
    // Why the folder could not be made, naming the target as a file that cannot be created
    // would be named; empty when Ready.
    const std::string& FailureText() const { return Failure; }
    const std::string& Target() const { return TargetPath; }
    // The target's name inside the folder; empty when the folder could not be made.
    const std::string& Path() const { return Staged; }

    // Moves the folder's files beside the target, the target's own file last; a file of a
    // name that is there is kept aside until every file is in place, then removed. Returns ""
    // when all are in place; otherwise the name beside the target that could not be replaced,
    // with the files there put back as they were and the new ones still in the folder.
    std::string Commit();

    // `text` with the folder's part of every staged name put back as the target's folder, for
    // messages that name a staged file.
    std::string Unstaged(const std::string& text) const;

private:
    std::string TargetPath;
    std::string Dir;     // the target's folder, with a trailing '/', or empty for a bare name
    std::string Folder;  // the fresh folder, with a trailing '/'
    std::string Staged;
    std::string Failure;
};

}  // namespace vx
