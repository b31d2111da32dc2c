// A file that a writer produces from scratch, written through a large buffer.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace vx {
class TFileStream;
}

class TOutputFile {
public:
    // Creates the file, replacing one of the name (its old contents are gone). Raises EDBFError
    // with the system's reason when it cannot be created.
    explicit TOutputFile(const std::string& path);
    // Writes what is still buffered when Close was not called, ignoring failures (a writer that
    // fails on the way keeps what it wrote).
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    void Write(std::string_view bytes) {
        Buf.append(bytes.data(), bytes.size());
        if (Buf.size() >= FlushAt) Flush();
    }
    void Put(char c) {
        Buf += c;
        if (Buf.size() >= FlushAt) Flush();
    }
    // "\r\n".
    void EndLine() { Write("\r\n"); }
    // The buffer itself, for writers that format into it; call Spill after appending.
    std::string& Buffer() { return Buf; }
    void Spill() {
        if (Buf.size() >= FlushAt) Flush();
    }

    // Writes the buffer to the file; raises EDBFError (file name + " - Error in write file!")
    // when the file takes fewer bytes.
    void Flush();
    // Flushes and closes; raises as Flush.
    void Close();
    const std::string& FileName() const { return Path; }

    static constexpr size_t FlushAt = 1 << 20;

private:
    std::string Path;
    std::unique_ptr<vx::TFileStream> Stream;
    std::string Buf;
};
