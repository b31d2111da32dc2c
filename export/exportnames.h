// The export dialog's rules for output file names, as plain functions.
#pragma once

#include <string>

namespace exportname {

// The name's extension with its dot (".txt"): from the last "." after the last "/"; empty
// when there is none.
std::string Extension(const std::string& name);
// The name with `ext` in place of its extension, or with `ext` appended when it has none.
std::string ReplaceExtension(const std::string& name, const std::string& ext);
// The name with `ext` appended when it has no extension.
std::string WithExtension(const std::string& name, const std::string& ext);
// A name without a folder goes into `folder` (ending with "/"), with `ext` appended when it
// has no extension; a name with a folder stays as it is.
std::string PlaceInFolder(const std::string& name, const std::string& folder, const std::string& ext);
// The folder part of a path, without the final "/"; empty for a bare name.
std::string FolderOf(const std::string& path);

}  // namespace exportname
