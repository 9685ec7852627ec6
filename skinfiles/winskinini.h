// TQuickIni: an ini text held in memory as a list of kept lines plus an index
// of its section headers, answering lookups with the caller's default. The
// skin loader reads every skin setting through it; it never touches the
// platform's own ini functions.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/classes.h"

class TQuickIni {
public:
    TQuickIni() = default; // Create: both lists empty
    ~TQuickIni() = default;
    TQuickIni(const TQuickIni&) = delete;
    TQuickIni& operator=(const TQuickIni&) = delete;

    // From the stream's position to its end; comments and blank lines are
    // dropped and every kept line trimmed. A missing stream changes nothing.
    void LoadFromStream(TStream* stream);
    void LoadFromFile(const std::string& fileName);
    void LoadFromZip(const std::string& fileName); // a packed stream
    void SaveToStream(TStream* stream) const;      // each line followed by CR LF
    void SaveToFile(const std::string& fileName) const;
    void SavetoZip(const std::string& fileName) const;

    static void Compress(TStream& source, TStream& dest);
    static void Decompress(TStream& source, TStream& dest);

    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) const;
    int32_t ReadInteger(const std::string& section, const std::string& ident, int32_t defaultValue) const;
    bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;
    void ReadSections(TStrings& strings) const;
    void ReadSection(const std::string& section, TStrings& strings) const;
    void ReadSectionValues(const std::string& section, TStrings& strings) const;

    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& ident, int32_t value);
    void WriteBool(const std::string& section, const std::string& ident, bool value);
    void DeleteKey(const std::string& section, const std::string& ident);
    void EraseSection(const std::string& section);

    // Takes the lines as they are: nothing trimmed, comments and blanks kept.
    void SetIniFile(const TStrings& strings);
    void RebuildSections();
    void Clear();
    void SetFileName(const std::string& fileName) { fileName_ = fileName; }
    const std::string& FileName() const { return fileName_; }

    // The text before the first "=", trimmed and lower-cased; "" without "=".
    static std::string GetName(const std::string& line);
    // The text after the first "=", trimmed, of a line whose name is `name`
    // (as GetName gives it); "" for a line of another name.
    static std::string GetValue(const std::string& line, const std::string& name);
    static bool IsSection(const std::string& line);
    // Line index of the first header equal to "[section]" regardless of
    // case, or -1.
    int GetSectionIndex(const std::string& section) const;

    // Kept lines, and one entry per header line: the trimmed header with its
    // line index as the entry's object.
    const TStringList& Lines() const { return lines_; }
    const TStringList& Sections() const { return sections_; }

private:
    // Index of the line holding `ident` in the section whose header is at
    // `header`; otherwise -1, with `end` set to where the section stops (the
    // next header's line, or the line count).
    int FindKey(int header, const std::string& ident, int& end) const;

    TStringList lines_;
    TStringList sections_;
    std::string fileName_;
};
