// The colour map and Tilvo.ini: "Color = <filter text> <hex COLORREF>" lines, and
// "RegexColor" lines of the same form for regular expressions.
#include "settings/ColorMap.h"

#include "store/EntryMerge.h"
#include "store/KeyValueFile.h"
#include "store/KeyValueReader.h"
#include "store/LoadReport.h"
#include "store/RegexBlanks.h"
#include "engine/io/FileWriter.h"
#include "win32/ModulePath.h"
#include "win32/PathRules.h"
#include "engine/match/FilterMatcher.h"

#include <cwchar>
#include <map>
#include <optional>

namespace {

const size_t kTextLimit = 1023;

// An expression's colour goes in a key of its own: an older reader skips the line,
// rather than reading the expression as a mask.
const wchar_t* const kRegexColorKey = L"RegexColor";

// Compiled filters by their token lists, in the order of their UTF-16 code
// units, unsigned, no locale; a list that is a prefix of another comes first.
// Expressions follow the masks, by their text in the same order.
struct TokenOrder {
    bool operator()(const CFilterMatcher& x, const CFilterMatcher& y) const
    {
        if (x.IsRegex() != y.IsRegex())
            return y.IsRegex();
        if (x.IsRegex())
            return CompareTokens(x.Pattern(), y.Pattern()) < 0;
        const TokenList& a = x.Tokens();
        const TokenList& b = y.Tokens();
        const size_t n = a.size() < b.size() ? a.size() : b.size();
        for (size_t i = 0; i < n; ++i) {
            const int c = CompareTokens(a[i], b[i]);
            if (c != 0)
                return c < 0;
        }
        return a.size() < b.size();
    }
    static int CompareTokens(const std::wstring& a, const std::wstring& b)
    {
        const size_t n = a.size() < b.size() ? a.size() : b.size();
        for (size_t i = 0; i < n; ++i) {
            const auto x = static_cast<uint16_t>(a[i]);
            const auto y = static_cast<uint16_t>(b[i]);
            if (x != y)
                return x < y ? -1 : 1;
        }
        return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
    }
};

using ColorTable = std::map<CFilterMatcher, COLORREF, TokenOrder>;
using ColorEntry = std::pair<CFilterMatcher, COLORREF>;
using ColorEntries = std::vector<ColorEntry>;

ColorTable& Colors()
{
    static ColorTable colors;
    return colors;
}

// The entries of the file as this process last loaded or saved it: the base
// that a save merges against.
struct Synced {
    std::wstring path;
    ColorEntries held;
};

std::optional<Synced>& LastSynced()
{
    static std::optional<Synced> synced;
    return synced;
}

ColorEntries Entries(const ColorTable& table)
{
    return ColorEntries(table.begin(), table.end());
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

int HexDigit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// The name the kept lines above a colour entry go by: its token list, or its expression.
std::wstring ColorAnchor(const CFilterMatcher& matcher)
{
    if (matcher.IsRegex())
        return L"RegexColor\n" + matcher.Pattern();
    std::wstring anchor;
    for (const std::wstring& token : matcher.Tokens())
        anchor += token + L"\n";
    return anchor;
}

// Reads entries into `table` until the end, a line without "=", or a malformed
// colour entry (false). `read` says why reading stopped. Lines of other keys
// are kept with the colour entry below them; so are comments.
bool ReadColors(CKeyValueReader& reader, ColorTable& table, KeyValueRead& read)
{
    std::wstring filterText;
    while ((read = reader.Next()) == KeyValueRead::Entry) {
        const bool regex = reader.Key() == kRegexColorKey;
        if (reader.Key() != L"Color" && !regex) {
            reader.KeepEntryLine();
            continue;
        }
        COLORREF color = 0;
        CFilterMatcher matcher;
        if (!ParseColorValue(reader.Value(), filterText, color))
            return false;
        if (regex && !matcher.CompileRegex(UnescapeRegexBlanks(filterText))) {
            // An expression this PCRE2 refuses stays in the file as it was, colouring nothing.
            reader.KeepEntryLine();
            continue;
        }
        if (!regex && !matcher.Compile(filterText, false))
            return false;
        // A later entry of the same list is dropped, but what stood above it stays with the first.
        reader.UseEntry(ColorAnchor(matcher));
        // The first entry of a token list wins; emplace keeps it.
        table.emplace(std::move(matcher), color);
    }
    return true;
}

// The file as it is now, read by the load's rules without touching the map,
// with the lines the load leaves.
FileNow ReadFileNow(const std::wstring& path, ColorEntries& held, CKeptLines& kept)
{
    ColorTable table;
    FileNow now = FileNow::Unreadable;
    try {
        CKeyValueReader reader(path);
        now = FileNow::Stopped;
        KeyValueRead stop = KeyValueRead::End;
        const bool whole = ReadColors(reader, table, stop) && stop == KeyValueRead::End;
        if (whole)
            now = reader.FirstLineNotText() ? FileNow::WholeNotText : FileNow::Whole;
        kept = std::move(reader.Kept());
    } catch (const wchar_t*) {
        // Not there or not readable, or a read failed part-way (Stopped).
    } catch (const char*) {
        // The matcher refused an expression: the entries before it are known.
    }
    held = Entries(table);
    return now;
}

// In map order, whatever order the entries come in, each with the lines kept
// above it, which it uses up.
bool WriteColors(CFileWriter& writer, const ColorEntries& entries, CKeptLines& kept)
{
    const ColorTable table(entries.begin(), entries.end());
    std::wstring filterText, value;
    std::vector<std::wstring> values;
    for (const auto& [matcher, color] : table) {
        filterText.clear();
        for (const std::wstring& token : matcher.Tokens())
            filterText += token;
        if (matcher.IsRegex())
            filterText = EscapeRegexBlanks(matcher.Pattern());
        if (!FormatColorValue(filterText, color, value))
            return false;
        values.push_back(value);
    }
    if (!StartKeyValueFile(writer, values, kept))
        return false;
    size_t i = 0;
    for (const auto& entry : table) {
        if (!kept.WriteBefore(writer, ColorAnchor(entry.first)) ||
            !WriteKeyValue(writer, entry.first.IsRegex() ? kRegexColorKey : L"Color", values[i++].c_str()))
            return false;
    }
    return kept.WriteTail(writer);
}

} // namespace

bool ParseColorValue(const std::wstring& value, std::wstring& filterText, COLORREF& color)
{
    size_t blank = value.size();
    while (blank > 0 && !IsBlank(value[blank - 1]))
        --blank;
    if (blank == 0)
        return false;
    size_t digit = blank;  // just after the blank
    if (digit + 1 < value.size() && value[digit] == L'0' &&
        (value[digit + 1] == L'x' || value[digit + 1] == L'X'))
        digit += 2;
    // Like wcstoul: too many digits saturate rather than wrap.
    uint64_t number = 0;
    size_t digits = 0;
    for (; digit < value.size() && HexDigit(value[digit]) >= 0; ++digit, ++digits) {
        number = number * 16 + static_cast<uint64_t>(HexDigit(value[digit]));
        if (number > 0xFFFFFFFFu)
            number = 0x100000000u;
    }
    if (digits == 0)
        return false;
    size_t end = blank - 1;
    while (end > 0 && IsBlank(value[end - 1]))
        --end;
    if (end > kTextLimit)
        return false;
    filterText.assign(value, 0, end);
    color = number > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<COLORREF>(number);
    return true;
}

bool FormatColorValue(const std::wstring& filterText, COLORREF color, std::wstring& value)
{
    wchar_t hex[16];
    std::swprintf(hex, 16, L"%06lx", static_cast<unsigned long>(color));
    value = filterText + L" " + hex;
    return value.size() <= kTextLimit;
}

std::wstring ColorsFilePath()
{
    return FileBesideExecutable(L"Tilvo.ini");
}

bool LoadColors()
{
    return LoadColors(ColorsFilePath());
}

bool SaveColors()
{
    return SaveColors(ColorsFilePath());
}

bool LoadColors(const std::wstring& path)
{
    KeyValueRead stop = KeyValueRead::End;
    bool loaded = false;
    bool badEntry = false;
    std::optional<CKeyValueReader> reader;
    try {
        reader.emplace(path);
        loaded = ReadColors(*reader, Colors(), stop);
        badEntry = !loaded;
    } catch (...) {
        // A reader error, a narrow text from the matcher, or out of memory.
    }
    const size_t line = reader ? reader->LineNumber() : 0;
    if (badEntry)
        NoteLoadStop(path, line, LoadStopCause::BadEntry);
    else
        NoteLoadStop(path, loaded && stop == KeyValueRead::Malformed ? line : 0);
    NoteLineNotText(path, reader ? reader->FirstLineNotText() : 0);
    try {
        LastSynced() = Synced{path, Entries(Colors())};
    } catch (...) {
        LastSynced().reset();
    }
    return loaded;
}

bool SaveColors(const std::wstring& path)
{
    try {
        const std::optional<Synced>& synced = LastSynced();
        const ColorEntries* base = synced && SamePath(synced->path, path) ? &synced->held : nullptr;
        ColorEntries mine = Entries(Colors());
        CKeptLines kept;
        auto readNow = [&](ColorEntries& held) { return ReadFileNow(path, held, kept); };
        auto write = [&](CFileWriter& writer, const ColorEntries& entries) {
            return WriteColors(writer, entries, kept);
        };
        if (!SaveMerged(path, base, mine, readNow, write,
                        [](const ColorEntry& a, const ColorEntry& b) { return a.first == b.first; },
                        [](const ColorEntry& a, const ColorEntry& b) { return a.second == b.second; }))
            return false;
        LastSynced() = Synced{path, std::move(mine)};
        return true;
    } catch (...) {
        return false;
    }
}

void ClearColors()
{
    Colors().clear();
}

size_t ColorCount()
{
    return Colors().size();
}

COLORREF GetLineColor(const wchar_t* text)
{
    if (!text)
        return 0;
    for (const auto& [matcher, color] : Colors()) {
        if (matcher.MatchesText(text))
            return color;
    }
    return 0;
}
