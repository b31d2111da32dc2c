#include "common/inifile.h"

#include "platform/filestream.h"

#include <charconv>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// A line's text for parsing: a byte-order mark at the start of the file is not part of it.
std::string_view Content(const std::vector<std::string>& lines, size_t i) {
    std::string_view s = lines[i];
    if (i == 0 && s.size() >= 3 && s.compare(0, 3, "\xEF\xBB\xBF") == 0) s.remove_prefix(3);
    return s;
}

// The section name of a "[name]" line, or false when the line is no section header.
bool SectionName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return false;
    line.remove_prefix(1);
    auto close = line.find(']');
    name = Trim(close == std::string_view::npos ? line : line.substr(0, close));
    return true;
}

// Key and value of a "key=value" line; false for comments and lines without "=".
bool Entry(std::string_view line, std::string_view& key, std::string_view& value) {
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return false;
    auto eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    return !key.empty();
}

std::string Clean(std::string_view s) {
    std::string out(Trim(s));
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

std::string LowerText(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = Lower(c);
    return out;
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) {
    bool first = true;
    vx::ReadFileLines(FFileName, MaxLineBytes, MaxFileBytes, [&](std::string_view line) {
        if (first && !line.empty() && line.back() == '\r') FLineEnd = "\r\n";
        first = false;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        FLines.emplace_back(line);
        return true;
    });
}

long TIniFile::FindSection(const std::string& section) const {
    if (!FSectionsValid) {
        FSections.clear();
        for (size_t i = 0; i < FLines.size(); ++i) {
            std::string_view name;
            if (SectionName(Content(FLines, i), name)) FSections.emplace(LowerText(name), static_cast<long>(i));
        }
        FSectionsValid = true;
    }
    const auto it = FSections.find(LowerText(Trim(section)));
    return it == FSections.end() ? -1 : it->second;
}

size_t TIniFile::SectionEnd(long sectionLine) const {
    size_t i = static_cast<size_t>(sectionLine) + 1;
    std::string_view name;
    while (i < FLines.size() && !SectionName(FLines[i], name)) ++i;
    return i;
}

long TIniFile::FindKey(long sectionLine, const std::string& ident) const {
    if (sectionLine < 0) return -1;
    std::string_view want = Trim(ident);
    size_t end = SectionEnd(sectionLine);
    for (size_t i = static_cast<size_t>(sectionLine) + 1; i < end; ++i) {
        std::string_view key, value;
        if (Entry(FLines[i], key, value) && SameText(key, want)) return static_cast<long>(i);
    }
    return -1;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident, const std::string& def) const {
    long k = FindKey(FindSection(section), ident);
    if (k < 0) return def;
    std::string_view key, value;
    Entry(FLines[static_cast<size_t>(k)], key, value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& ident, int32_t def) const {
    std::string s = ReadString(section, ident, std::string());
    std::string_view t = Trim(s);
    if (t.empty()) return def;
    const char* first = t.data();
    const char* last = t.data() + t.size();
    bool hex = false;
    if (t.front() == '$') {
        hex = true;
        first += 1;
    } else if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        hex = true;
        first += 2;
    }
    if (hex) {
        uint32_t u = 0;
        auto r = std::from_chars(first, last, u, 16);
        if (first == last || r.ec != std::errc() || r.ptr != last) return def;
        return static_cast<int32_t>(u);
    }
    if (*first == '+') ++first;
    int32_t v = 0;
    auto r = std::from_chars(first, last, v, 10);
    if (first == last || r.ec != std::errc() || r.ptr != last) return def;
    return v;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& ident, bool def) const {
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(const std::string& section) const { return FindSection(section) >= 0; }

bool TIniFile::ValueExists(const std::string& section, const std::string& ident) const {
    return FindKey(FindSection(section), ident) >= 0;
}

bool TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    std::string sec = Clean(section), key = Clean(ident), val = Clean(value);
    if (sec.empty() || key.empty() || key.find('=') != std::string::npos) return false;
    long s = FindSection(sec);
    if (s < 0) {
        FLines.push_back("[" + sec + "]");
        FLines.push_back(key + "=" + val);
        return Changed();
    }
    long k = FindKey(s, key);
    if (k >= 0) {
        std::string_view oldKey, oldValue;
        Entry(FLines[static_cast<size_t>(k)], oldKey, oldValue);
        FLines[static_cast<size_t>(k)] = std::string(oldKey) + "=" + val;
        return Changed();
    }
    // After the section's last non-blank line, so that a blank line before the next section stays.
    size_t at = SectionEnd(s);
    while (at > static_cast<size_t>(s) + 1 && Trim(FLines[at - 1]).empty()) --at;
    FLines.insert(FLines.begin() + static_cast<long>(at), key + "=" + val);
    return Changed();
}

bool TIniFile::WriteInteger(const std::string& section, const std::string& ident, int32_t value) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return WriteString(section, ident, std::string(buf, r.ptr));
}

bool TIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    return WriteString(section, ident, value ? "1" : "0");
}

bool TIniFile::UpdateFile() const {
    std::string bytes;
    for (const auto& l : FLines) {
        bytes += l;
        bytes += FLineEnd;
    }
    return vx::WriteFileAtomic(FFileName, bytes);
}

bool TIniFile::Changed() {
    FSectionsValid = false;  // lines were added or changed
    if (FUpdating > 0) {
        FDirty = true;
        return true;
    }
    return UpdateFile();
}

bool TIniFile::EndUpdate() {
    if (FUpdating > 0 && --FUpdating > 0) return true;
    if (!FDirty) return true;
    FDirty = false;
    return UpdateFile();
}
