#include "export/outputfile.h"

#include "engine/dbferror.h"
#include "platform/filestream.h"

TOutputFile::TOutputFile(const std::string& path) : Path(path) {
    try {
        Stream = std::make_unique<vx::TFileStream>(path, vx::TOpenMode::Create);
    } catch (const vx::TFileError& e) {
        throw EDBFError(e.what());
    }
    Buf.reserve(FlushAt + 64 * 1024);
}

TOutputFile::~TOutputFile() {
    try {
        Close();
    } catch (...) {
    }
}

void TOutputFile::Flush() {
    if (Buf.empty() || !Stream) return;
    const size_t n = Stream->Write(Buf.data(), Buf.size());
    if (n != Buf.size()) {
        Buf.clear();
        throw EDBFError(Path + " - Error in write file!");
    }
    Buf.clear();
}

void TOutputFile::Close() {
    if (!Stream) return;
    Flush();
    Stream.reset();
}
