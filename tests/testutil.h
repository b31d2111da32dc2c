// Helpers shared by the test executables: temporary folders and whole-file byte access.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vxtest {

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "vxtest-XXXXXX").string();
        char* p = ::mkdtemp(tmpl.data());
        Dir = p ? std::filesystem::path(p) : std::filesystem::path();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string Path(const std::string& name) const { return (Dir / name).string(); }
    const std::filesystem::path& Root() const { return Dir; }

private:
    std::filesystem::path Dir;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string Fixture(const std::string& name) { return std::string(VX_FIXTURES) + "/" + name; }

// A table of `records` records of `recordLength` bytes (a character field after the flag) whose
// header says `headerCount`, padded with `marks` end-of-file marks as old programs do. The
// second of three or more records is all end marks: a record inside the table all the same.
inline std::string PaddedTableBytes(uint16_t recordLength, uint32_t records, uint32_t headerCount, size_t marks) {
    std::string t = std::string("\x03\0\0\0", 4) + std::string(60, '\0') + "\x0D";
    for (int i = 0; i < 4; ++i) t[size_t(4 + i)] = char(headerCount >> (8 * i));
    t[8] = 65, t[10] = char(recordLength), t[11] = char(recordLength >> 8);
    t.replace(32, 4, "TEXT"), t[43] = 'C', t[48] = char(recordLength > 1 ? recordLength - 1 : 1);
    for (uint32_t r = 1; r <= records; ++r)
        t += records >= 3 && r == 2 ? std::string(recordLength, '\x1A')
                                    : (" r" + std::to_string(r) + std::string(recordLength, 'x')).substr(0, recordLength);
    return t + std::string(marks, '\x1A');
}

// Copies a fixture (and nothing else) into `dir` and returns the copy's path.
inline std::string CopyFixture(const TempDir& dir, const std::string& name) {
    std::string to = dir.Path(std::filesystem::path(name).filename().string());
    std::filesystem::copy_file(Fixture(name), to, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(to, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    return to;
}

// Runs a shell command and returns its standard output; `ok` tells whether it exited with 0.
inline std::string RunCommand(const std::string& command, bool& ok) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) {
        ok = false;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ok = ::pclose(p) == 0;
    return out;
}

inline bool HaveCommand(const std::string& name) {
    bool ok = false;
    RunCommand("command -v " + name + " >/dev/null 2>&1", ok);
    return ok;
}

// The system's Python (where the distribution's modules live), when it can import `module`.
inline std::string PythonWith(const std::string& module) {
    for (const char* py : {"/usr/bin/python3", "python3"}) {
        bool ok = false;
        RunCommand(std::string(py) + " -c 'import " + module + "' >/dev/null 2>&1", ok);
        if (ok) return py;
    }
    return {};
}

// dbfread's view of a table: "NAME:T:len:dec" per field, then "records=N", then each record's
// values as Python writes them (repr) joined by "|", one record a line (memo texts included; a
// missing memo file reads as none); its error when it cannot read the table; empty when
// dbfread is missing.
inline std::string ReadWithDbfread(const std::string& path) {
    const std::string py = PythonWith("dbfread");
    if (py.empty()) return {};
    WriteAll(path + ".py",
             "import sys, dbfread\n"
             "t = dbfread.DBF(sys.argv[1], load=True, char_decode_errors='replace', ignore_missing_memofile=True)\n"
             "print(' '.join('%s:%s:%d:%d' % (f.name, f.type, f.length, f.decimal_count) for f in t.fields))\n"
             "print('records=%d' % len(t.records))\n"
             "for r in t.records: print('|'.join(repr(v) for v in r.values()))\n");
    bool ok = false;
    const std::string out = RunCommand(py + " '" + path + ".py' '" + path + "' 2>&1", ok);
    std::filesystem::remove(path + ".py");
    return out;
}

// A named pipe at `path` that nobody writes to; false when it cannot be made.
inline bool MakeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

// Runs `work` and tells whether it ended within `seconds`. Past that time (a regression that
// blocks on the pipe at `fifo`) a writer opens and closes the pipe until the work ends, so that
// the test fails instead of hanging.
inline bool EndsWithin(double seconds, const std::function<void()>& work, const std::string& fifo) {
    std::promise<void> ended;
    auto guard = std::async(std::launch::async, [&, done = ended.get_future()] {
        if (done.wait_for(std::chrono::duration<double>(seconds)) == std::future_status::ready) return true;
        while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
            const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        }
        return false;
    });
    work();
    ended.set_value();
    return guard.get();
}

// The most memory this process has held at once since the last ResetPeakMemory, in bytes
// (VmHWM); -1 when the system does not tell.
inline long long PeakMemory() {
    std::ifstream f("/proc/self/status");
    std::string key;
    long long kb = -1;
    while (f >> key)
        if (key == "VmHWM:" && (f >> kb)) return kb * 1024;
    return -1;
}
// Starts PeakMemory from what the process holds now; false when the system cannot.
inline bool ResetPeakMemory() {
    std::ofstream f("/proc/self/clear_refs");
    f << "5";
    f.flush();
    return bool(f);
}

}  // namespace vxtest
