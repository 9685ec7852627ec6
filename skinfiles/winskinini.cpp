#include "skinfiles/winskinini.h"

#include <algorithm>

#include "skinfiles/winconvert.h"

namespace {

bool StartsWith(const std::string& s, char c)
{
    return !s.empty() && s.front() == c;
}
bool EndsWith(const std::string& s, char c)
{
    return !s.empty() && s.back() == c;
}

} // namespace

// ---------------------------------------------------------------------------
// Line operations

std::string TQuickIni::GetName(const std::string& line)
{
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return {};
    return LowerCase(Trim(line.substr(0, eq)));
}

std::string TQuickIni::GetValue(const std::string& line, const std::string& name)
{
    if (GetName(line) != name) return {};
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return {};
    return Trim(line.substr(eq + 1));
}

bool TQuickIni::IsSection(const std::string& line)
{
    const std::string t = Trim(line);
    return StartsWith(t, '[') && EndsWith(t, ']');
}

TQuickIni::TQuickIni() = default;
TQuickIni::~TQuickIni() = default;

TQuickIni::TIndex& TQuickIni::Index() const
{
    if (!index_) {
        index_ = std::make_unique<TIndex>();
        // Headers compare without regard to ASCII case; the first one wins.
        for (int i = 0; i < sections_.Count(); ++i)
            index_->Headers.emplace(LowerCase(sections_.Get(i)), static_cast<int>(sections_.Objects(i)));
    }
    return *index_;
}

const TQuickIni::TSectionKeys& TQuickIni::KeysOf(int header) const
{
    TIndex& index = Index();
    auto found = index.Sections.find(header);
    if (found != index.Sections.end()) return found->second;
    TSectionKeys& keys = index.Sections[header];
    int i = header + 1;
    for (; i < lines_.Count(); ++i) {
        const std::string& line = lines_[i];
        if (IsSection(line)) break;
        keys.Keys.emplace(GetName(line), i); // the first line of a name wins
    }
    keys.End = i;
    return keys;
}

int TQuickIni::GetSectionIndex(const std::string& section) const
{
    const TIndex& index = Index();
    const auto found = index.Headers.find(LowerCase("[" + section + "]"));
    return found == index.Headers.end() ? -1 : found->second;
}

int TQuickIni::FindKey(int header, const std::string& ident, int& end) const
{
    const TSectionKeys& keys = KeysOf(header);
    const auto found = keys.Keys.find(LowerCase(ident));
    if (found != keys.Keys.end()) return found->second;
    end = keys.End;
    return -1;
}

// ---------------------------------------------------------------------------
// Loading and saving

void TQuickIni::LoadFromStream(TStream* stream)
{
    if (!stream) return;
    const int64_t n = stream->GetSize() - stream->GetPosition();
    std::string text(static_cast<size_t>(std::max<int64_t>(0, n)), '\0');
    if (n > 0) text.resize(static_cast<size_t>(stream->Read(text.data(), n)));

    Clear();
    size_t i = 0;
    while (i < text.size() && text[i] != '\0') {
        size_t e = i;
        while (e < text.size() && text[e] != '\0' && text[e] != '\n' && text[e] != '\r')
            ++e;
        const std::string line = Trim(text.substr(i, e - i));
        if (!line.empty() && line.front() != ';') {
            const int index = lines_.Add(line);
            if (StartsWith(line, '[') && EndsWith(line, ']')) sections_.AddObject(line, index);
        }
        if (e < text.size() && text[e] == '\r') ++e;
        if (e < text.size() && text[e] == '\n') ++e;
        i = e;
    }
}

void TQuickIni::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}

void TQuickIni::LoadFromZip(const std::string& fileName)
{
    TMemoryStream packed;
    {
        TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
        packed.CopyFrom(file, 0);
    }
    TMemoryStream text;
    Decompress(packed, text);
    text.Seek(0, soBeginning);
    LoadFromStream(&text);
}

void TQuickIni::SaveToStream(TStream* stream) const
{
    if (stream) lines_.SaveToStream(*stream);
}

void TQuickIni::SaveToFile(const std::string& fileName) const
{
    lines_.SaveToFile(fileName);
}

void TQuickIni::SavetoZip(const std::string& fileName) const
{
    TMemoryStream text;
    SaveToStream(&text);
    TMemoryStream packed;
    Compress(text, packed);
    packed.SaveToFile(fileName);
}

void TQuickIni::Compress(TStream& source, TStream& dest)
{
    ::Compress(source, dest);
}

void TQuickIni::Decompress(TStream& source, TStream& dest)
{
    ::Decompress(source, dest);
}

// ---------------------------------------------------------------------------
// Reading

std::string TQuickIni::ReadString(const std::string& section, const std::string& ident,
                                  const std::string& defaultValue) const
{
    if (readLog_) readLog_->Keys.emplace(LowerCase(section), LowerCase(ident));
    if (lines_.Count() == 0) return defaultValue;
    const int header = GetSectionIndex(section);
    if (header < 0) return defaultValue;
    int end = 0;
    const int key = FindKey(header, ident, end);
    if (key < 0) return defaultValue;
    // The first occurrence decides, even when it is empty.
    const std::string value = GetValue(lines_.Get(key), LowerCase(ident));
    return value.empty() ? defaultValue : value;
}

int32_t TQuickIni::ReadInteger(const std::string& section, const std::string& ident,
                               int32_t defaultValue) const
{
    if (readLog_) readLog_->Integers.emplace(LowerCase(section), LowerCase(ident));
    std::string s = ReadString(section, ident, "");
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s = "$" + s.substr(2);
    int32_t value = 0;
    return !s.empty() && TryStrToInt(s, value) ? value : defaultValue;
}

bool TQuickIni::ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const
{
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TQuickIni::ReadSections(TStrings& strings) const
{
    strings.Clear();
    for (int i = 0; i < sections_.Count(); ++i) {
        const std::string header = sections_.Get(i);
        strings.Add(Trim(header.substr(1, header.size() - 2)));
    }
}

void TQuickIni::ReadSection(const std::string& section, TStrings& strings) const
{
    strings.Clear();
    const int header = GetSectionIndex(section);
    if (header < 0) return;
    for (int i = header + 1; i < lines_.Count() && !IsSection(lines_.Get(i)); ++i) {
        const std::string name = GetName(lines_.Get(i));
        if (!name.empty()) strings.Add(name);
    }
}

void TQuickIni::ReadSectionValues(const std::string& section, TStrings& strings) const
{
    strings.Clear();
    const int header = GetSectionIndex(section);
    if (header < 0) return;
    for (int i = header + 1; i < lines_.Count() && !IsSection(lines_.Get(i)); ++i) {
        const std::string line = lines_.Get(i);
        if (!Trim(line).empty()) strings.Add(line);
    }
}

// ---------------------------------------------------------------------------
// Writing. Every insertion or removal moves the headers after it, so the
// section index is rebuilt after each; a stale index would make later
// sections unreadable or point lookups into the wrong section.

void TQuickIni::WriteString(const std::string& section, const std::string& ident, const std::string& value)
{
    const std::string line = ident + "=" + value;
    const int header = GetSectionIndex(section);
    if (header < 0) {
        lines_.Add("[" + section + "]");
        if (!ident.empty()) lines_.Add(line);
        RebuildSections();
        return;
    }
    // An empty ident would match the first line without "=", which is no key.
    if (ident.empty()) return;
    int end = 0;
    const int key = FindKey(header, ident, end);
    if (key >= 0) {
        lines_.Put(key, line);
        Changed();
        return;
    }
    lines_.Insert(end, line);
    RebuildSections();
}

void TQuickIni::WriteInteger(const std::string& section, const std::string& ident, int32_t value)
{
    WriteString(section, ident, IntToStr(value));
}

void TQuickIni::WriteBool(const std::string& section, const std::string& ident, bool value)
{
    WriteString(section, ident, value ? "1" : "0");
}

void TQuickIni::DeleteKey(const std::string& section, const std::string& ident)
{
    if (ident.empty()) return; // see WriteString
    const int header = GetSectionIndex(section);
    if (header < 0) return;
    int end = 0;
    const int key = FindKey(header, ident, end);
    if (key < 0) return;
    lines_.Delete(key);
    RebuildSections();
}

void TQuickIni::EraseSection(const std::string& section)
{
    const int header = GetSectionIndex(section);
    if (header < 0) return;
    int end = header + 1;
    while (end < lines_.Count() && !IsSection(lines_.Get(end)))
        ++end;
    for (int i = end - 1; i >= header; --i)
        lines_.Delete(i);
    // Keeps the sections on either side apart in the saved text.
    if (header > 0) lines_.Insert(header, "");
    RebuildSections();
}

// ---------------------------------------------------------------------------

void TQuickIni::SetIniFile(const TStrings& strings)
{
    lines_.Clear();
    for (int i = 0; i < strings.Count(); ++i)
        lines_.Add(strings.Get(i));
    RebuildSections();
}

void TQuickIni::RebuildSections()
{
    Changed();
    sections_.Clear();
    for (int i = 0; i < lines_.Count(); ++i) {
        const std::string line = lines_.Get(i);
        if (StartsWith(line, '[') && EndsWith(line, ']')) sections_.AddObject(Trim(line), i);
    }
}

void TQuickIni::Clear()
{
    Changed();
    lines_.Clear();
    sections_.Clear();
}
