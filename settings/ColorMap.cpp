// The colour map and Tilvo.ini: "Color = <filter text> <hex COLORREF>" lines.
#include "settings/ColorMap.h"

#include "categories/KeyValueFile.h"
#include "categories/SafeSave.h"
#include "engine/FileReader.h"
#include "engine/FileWriter.h"
#include "engine/ModulePath.h"
#include "engine/Utils.h"

#include <cwchar>
#include <map>

namespace {

const uint32_t kReadBufferSize = 0xFFFF;
const size_t kTextLimit = 1023;

// Token lists in the order of their UTF-16 code units, unsigned, no locale; a
// list that is a prefix of another comes first.
struct TokenOrder {
    bool operator()(const TokenList& a, const TokenList& b) const
    {
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

using ColorTable = std::map<TokenList, COLORREF, TokenOrder>;

ColorTable& Colors()
{
    static ColorTable colors;
    return colors;
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

// Reads entries until the end, a line without "=", or a malformed colour entry.
// `complete`: the whole file was read.
bool ReadColors(CFileReader& reader, bool& complete)
{
    std::wstring key, value, filterText;
    KeyValueRead read;
    while ((read = ReadKeyValueEntry(reader, key, value)) == KeyValueRead::Entry) {
        if (key != L"Color")
            continue;
        COLORREF color = 0;
        TokenList tokens;
        if (!ParseColorValue(value, filterText, color) ||
            !CUtils::Tokenize(tokens, filterText.c_str(), false))
            return false;
        // The first entry of a token list wins; emplace keeps it.
        Colors().emplace(std::move(tokens), color);
    }
    complete = read == KeyValueRead::End;
    return true;
}

bool WriteColors(CFileWriter& writer)
{
    std::wstring filterText, value;
    std::vector<std::wstring> values;
    for (const auto& [tokens, color] : Colors()) {
        filterText.clear();
        for (const std::wstring& token : tokens)
            filterText += token;
        if (!FormatColorValue(filterText, color, value))
            return false;
        values.push_back(value);
    }
    if (!StartKeyValueFile(writer, values))
        return false;
    for (const std::wstring& v : values) {
        if (!WriteKeyValue(writer, L"Color", v.c_str()))
            return false;
    }
    return true;
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
    bool complete = false;
    bool loaded = false;
    try {
        CFileReader reader(path.c_str(), kReadBufferSize);
        loaded = ReadColors(reader, complete);
    } catch (...) {
        // A reader error, a narrow text from the matcher, or out of memory.
    }
    NoteLoadOutcome(path, loaded && complete);
    return loaded;
}

bool SaveColors(const std::wstring& path)
{
    try {
        return SaveFileSafely(path, WriteColors);
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
    for (const auto& [tokens, color] : Colors()) {
        if (CUtils::MatchLine(false, tokens, text))
            return color;
    }
    return 0;
}
