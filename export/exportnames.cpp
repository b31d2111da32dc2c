#include "export/exportnames.h"

namespace exportname {

std::string Extension(const std::string& name) {
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return name.substr(dot);
}

std::string ReplaceExtension(const std::string& name, const std::string& ext) {
    return name.substr(0, name.size() - Extension(name).size()) + ext;
}

std::string WithExtension(const std::string& name, const std::string& ext) {
    return Extension(name).empty() ? name + ext : name;
}

std::string PlaceInFolder(const std::string& name, const std::string& folder, const std::string& ext) {
    if (name.find('/') != std::string::npos) return name;
    return folder + WithExtension(name, ext);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace exportname
