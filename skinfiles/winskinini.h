// TQuickIni: an ini text held in memory as a list of kept lines plus an index
// of its section headers, answering lookups with the caller's default. The
// skin loader reads every skin setting through it; it never touches the
// platform's own ini functions.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>

#include "runtime/classes.h"

// The lookups made of an ini, lower-cased as (section, key): what a skin
// checker holds a file against, so that it knows exactly what the skin
// loading reads and nothing it does not.
struct TIniReadLog {
    std::set<std::pair<std::string, std::string>> Keys;
    std::set<std::pair<std::string, std::string>> Integers; // read as numbers
};

class TQuickIni {
public:
    TQuickIni(); // Create: both lists empty
    ~TQuickIni();
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
    // Every later Read... is noted in log (null: none).
    void LogReadsInto(TIniReadLog* log) const { readLog_ = log; }
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

    // Lookups go through hash tables built on first use: a skin from a
    // stranger may hold tens of thousands of sections, and scanning them all
    // for every key made loading quadratic. They answer exactly what the
    // scans answered (the first header, the first key of a section) and are
    // dropped by every change to the lines.
    struct TSectionKeys {
        std::unordered_map<std::string, int> Keys; // name -> first line holding it
        int End = 0;                               // the next header's line, or the line count
    };
    struct TIndex {
        std::unordered_map<std::string, int> Headers;   // lower-cased header -> its line
        std::unordered_map<int, TSectionKeys> Sections; // by header line, built as asked for
    };
    TIndex& Index() const;
    const TSectionKeys& KeysOf(int header) const;
    void Changed() { index_.reset(); }

    TStringList lines_;
    TStringList sections_;
    std::string fileName_;
    mutable std::unique_ptr<TIndex> index_;
    mutable TIniReadLog* readLog_ = nullptr;
};
