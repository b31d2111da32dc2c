// Where the program's own files live: "Options.ini", "OldFiles.txt", "OldFindText.txt",
// "Tips.tip", the "Icon" folder and the help file. They live beside the program when that folder
// can be written; otherwise in the user's configuration folder, which is then created and given
// copies of the shipped files ("Tips.tip", "Icon/") and of any settings left beside the program
// that it lacks, so settings are never lost to a read-only installation. Every path the program uses for these files comes from here.
#pragma once

#include <functional>
#include <string>

namespace vx {

inline constexpr const char* OptionsFileName = "Options.ini";
inline constexpr const char* RecentFilesFileName = "OldFiles.txt";
inline constexpr const char* FindHistoryFileName = "OldFindText.txt";
inline constexpr const char* TipsFileName = "Tips.tip";
inline constexpr const char* IconFolderName = "Icon";
inline constexpr const char* HelpFileName = "VellibroxHelp.html";
inline constexpr const char* ExportFolderName = "ExportFiles";

// The folder of the program's files, with a trailing '/'. Decided once, at the first call.
std::string ProgramFilesDir();
// ProgramFilesDir() + name.
std::string ProgramFilePath(const std::string& name);

std::string OptionsIniPath();
std::string RecentFilesPath();
std::string FindHistoryPath();
std::string TipsPath();
// The "Icon" folder with a trailing '/'.
std::string IconDir();
// The help file; it is only read, so the copy beside the program is used when it exists.
std::string HelpFilePath();
// The folder "ExportFiles" that receives exports named without a folder, with a trailing '/'.
std::string ExportFilesDir();

// Points every path at `dir` (tests); an empty text returns to the normal decision at the next
// call.
void SetProgramFilesDir(const std::string& dir);

// The decision itself: `programDir` when `writable` says the folder (and an existing
// "Options.ini" in it) can be written, else `userDir`. Both folders end with '/'.
std::string ChooseProgramFilesDir(const std::string& programDir, const std::string& userDir,
                                  const std::function<bool(const std::string& path)>& writable);

// The decision and its consequence: when the user's folder is chosen it is prepared (below); if
// it cannot be created, `programDir` is kept so that at least the shipped files are found.
std::string ResolveProgramFilesDir(const std::string& programDir, const std::string& userDir,
                                   const std::function<bool(const std::string& path)>& writable);

// Creates `userDir` and copies from `programDir` the shipped "Tips.tip" and "Icon/" files and any
// "Options.ini", "OldFiles.txt" and "OldFindText.txt" an earlier run left there, each only when
// `userDir` lacks it; existing files are never replaced. False when the folder could not be made.
bool PrepareUserDir(const std::string& programDir, const std::string& userDir);

}  // namespace vx
