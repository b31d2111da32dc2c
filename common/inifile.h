// A small ini file ("[SECTION]" lines and "KEY=VALUE" entries) that behaves like the classic
// private-profile files: sections and keys are found without regard to letter case, the first of
// duplicates wins, every other line (comments, blank lines, unknown sections and keys) stays where
// it is, and every write goes to the file at once. The file is always written whole through a
// temporary file renamed into place, so a full disk or a crash leaves the old file as it was.
// Texts are 8-bit bytes.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

class TIniFile {
public:
    // What is read of a file: its first MaxFileBytes bytes, and of those only the lines of at
    // most MaxLineBytes bytes (room for any value the program's dialogs take); longer lines are
    // left out, as is a line the first bound cuts.
    static constexpr size_t MaxLineBytes = 128 * 1024;
    static constexpr size_t MaxFileBytes = 1024 * 1024;

    // Reads the file when it exists; a missing or unreadable file, or one that is not a regular
    // file, is an empty one.
    explicit TIniFile(std::string fileName);

    const std::string& FileName() const { return FFileName; }

    // The value of the key with surrounding blanks removed (and one pair of matching quotes
    // around the whole value); `def` when the section or key is missing.
    std::string ReadString(const std::string& section, const std::string& ident, const std::string& def) const;
    // Signed decimal, or hexadecimal after "0x" or "$" (a 32-bit pattern); anything else, or a
    // decimal value outside 32 bits, gives `def`.
    int32_t ReadInteger(const std::string& section, const std::string& ident, int32_t def) const;
    // True for any non-zero integer.
    bool ReadBool(const std::string& section, const std::string& ident, bool def) const;

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& ident) const;

    // Sets the key (adding the section at the end and the key after the section's last entry when
    // missing) and writes the file. False when the file could not be written; the value is kept
    // in memory either way. Line breaks in the value become blanks.
    bool WriteString(const std::string& section, const std::string& ident, const std::string& value);
    bool WriteInteger(const std::string& section, const std::string& ident, int32_t value);
    bool WriteBool(const std::string& section, const std::string& ident, bool value);

    // Writes the lines to the file as one step; false on failure, and the old file stays.
    bool UpdateFile() const;

    // Between BeginUpdate and the matching EndUpdate the writes change only the lines in memory
    // (and report success); EndUpdate writes the file once when anything changed and returns
    // whether that write (and every write before it in the batch) succeeded.
    void BeginUpdate() { ++FUpdating; }
    bool EndUpdate();

    // A batch of writes for the life of the object.
    class TBatch {
    public:
        explicit TBatch(TIniFile& ini) : Ini(ini) { Ini.BeginUpdate(); }
        ~TBatch() {
            if (!Ended) Ini.EndUpdate();
        }
        TBatch(const TBatch&) = delete;
        TBatch& operator=(const TBatch&) = delete;
        bool End() {
            Ended = true;
            return Ini.EndUpdate();
        }

    private:
        TIniFile& Ini;
        bool Ended = false;
    };

    // The lines as they will be written, without line ends.
    const std::vector<std::string>& Lines() const { return FLines; }

private:
    // Index of the "[section]" line, or -1.
    long FindSection(const std::string& section) const;
    // Index of the entry line within the section that starts at `sectionLine`, or -1.
    long FindKey(long sectionLine, const std::string& ident) const;
    // One past the section's last line (the next section header or the end).
    size_t SectionEnd(long sectionLine) const;
    // Writes the file now, or marks it changed while a batch is open.
    bool Changed();

    std::string FFileName;
    std::vector<std::string> FLines;
    // The first line of each section by its name in lower case, built when a section is first
    // looked for and dropped when the lines change.
    mutable std::unordered_map<std::string, long> FSections;
    mutable bool FSectionsValid = false;
    // "\r\n" when the file read used it, else "\n"; every line is written with it.
    std::string FLineEnd = "\n";
    int FUpdating = 0;
    bool FDirty = false;
};
