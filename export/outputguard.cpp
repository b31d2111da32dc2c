#include "export/outputguard.h"

#include "engine/dbf.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && fs::equivalent(a, b, ec) && !ec;
}

std::string UpperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return s;
}

// The files of `path`'s folder whose names equal its name ignoring letter case.
std::vector<std::string> CaseVariants(const fs::path& path) {
    std::vector<std::string> out;
    const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const std::string want = UpperAscii(path.filename().string());
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (UpperAscii(it->path().filename().string()) == want) out.push_back(it->path().string());
    return out;
}

}  // namespace

bool OverwritesOpenTable(const TDBF& table, const std::string& output, TOutputKind kind) {
    if (!table.Active) return false;
    const std::string memo = table.GetMemoFileName();
    std::vector<std::string> targets{output};
    if (IsTableKind(kind)) {
        // The memo file the output may get: a table kind with memo fields writes ".fpt"
        // (Visual FoxPro, FoxPro 2.x) or ".dbt" beside it, reusing a name of another case.
        fs::path p(output);
        for (const char* ext : {".fpt", ".dbt"})
            for (const std::string& v : CaseVariants(fs::path(p).replace_extension(ext))) targets.push_back(v);
    }
    for (const std::string& t : targets)
        if (SameFile(t, table.FileName) || SameFile(t, memo)) return true;
    return false;
}
