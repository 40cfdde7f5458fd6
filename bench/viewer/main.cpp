// bench_viewer: times opening a 1 GiB result, paging through it and searching it in a real view.
// Usage: bench_viewer [result file]   (without one, a 1 GiB result is generated and removed)
//        bench_viewer FILE highlight  the same with an index of two filters written first,
//                                     so every page is painted with its matches highlighted
//        bench_viewer generate FILE   writes the 1 GiB result unless it already has that size
// Each timed step also prints a line "RESULT <step> <seconds>" for scripts.
#include "bench/BenchClock.h"
#include "engine/match/Filter.h"
#include "engine/run/GrepIndex.h"
#include "settings/Settings.h"
#include "viewer/ScrollableFileReader.h"
#include "viewer/SearchState.h"
#include "viewer/TextView.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// About 1 GiB of result lines: kept lines and "/" and "\" context lines; the
// first line and the last line alone hold the words the searches look for.
bool Generate(const std::wstring& path, int64_t size)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string chunk;
    int64_t written = 0;
    unsigned n = 0;
    char line[160];
    bool ok = true;
    const char* marks[] = {"/", "", "\\", "\\"};
    std::string first = "2026-12-07 06:00:00.000 INFO  [main] firstlinemarker service started\n";
    chunk = first;
    while (ok && written < size) {
        while (chunk.size() < (1u << 20)) {
            ++n;
            std::snprintf(line, sizeof(line),
                          "%s2026-12-07 %02u:%02u:%02u.%03u %s [worker-%u] request %u handled in %u ms\n",
                          marks[n % 4], 6 + n / 3600000 % 12, n / 60000 % 60, n / 1000 % 60,
                          n % 1000, n % 7 == 0 ? "ERROR:" : "INFO ", n % 16, n, n % 997);
            chunk += line;
        }
        if (written + int64_t(chunk.size()) >= size) {
            chunk.resize(size_t(std::max<int64_t>(0, size - written - 64)));
            const size_t cut = chunk.rfind('\n');
            chunk.resize(cut == std::string::npos ? 0 : cut + 1);
            chunk += "2026-12-07 18:00:00.000 INFO  [main] lastlinemarker service stopped\n";
        }
        DWORD done = 0;
        ok = WriteFile(file, chunk.data(), DWORD(chunk.size()), &done, nullptr) &&
             done == chunk.size();
        written += int64_t(chunk.size());
        chunk.clear();
    }
    CloseHandle(file);
    return ok;
}

void Key(HWND window, WPARAM key, bool ctrl)
{
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
    SendMessageW(window, WM_KEYDOWN, key, 1);
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
}

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::wstring TopText(const CTextView& view)
{
    const wchar_t* text = view.Reader() ? view.Reader()->GetLineText(0) : nullptr;
    return text ? text : L"<none>";
}

// The way of stepping back one line at a time, for comparison: SeekBack by
// one line, read it, test it, over `lines` lines above `from`.
double LineByLineBackward(const std::wstring& path, int64_t from, int lines)
{
    CFileReader reader(path.c_str(), 0x100000);
    TokenList expression;
    CUtils::Tokenize(expression, L"*firstlinemarker*", true);
    std::wstring text;
    int64_t position = from;
    const double start = Now();
    for (int i = 0; i < lines; ++i) {
        if (!reader.SeekBack(1, position))
            break;
        reader.GetPosition(position);
        const int64_t at = position;
        reader.ReadLine(text);
        CUtils::MatchLine(true, expression, text.c_str());
        position = at;
    }
    return Now() - start;
}

} // namespace

namespace {

// An index that names the result as its own log and keeps two checked filters,
// as a run's index does: the view then paints what they match on every kept line.
void WriteHighlightIndex(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return;
    const FilterList filters = {CFilter(L"*ERROR:*"), CFilter(L"*worker-1?*")};
    CGrepIndexWriter index(path, path, filters, false);
    index.Add(CStretchPlace{});
    index.Seal(int64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH, temp);
    const int64_t size = int64_t(1) << 30;
    if (argc > 2 && std::wstring(argv[1]) == L"generate") {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW(argv[2], GetFileExInfoStandard, &data) &&
            std::llabs((int64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow) - size) < 4096) {
            std::printf("reusing the result\n");
            return 0;
        }
        return Generate(argv[2], size) ? 0 : 1;
    }
    std::wstring path = argc > 1 ? argv[1] : std::wstring(temp) + L"bench-viewer-1gib.greptmp";
    const bool generated = argc <= 1;
    if (generated) {
        const double t = Now();
        if (!Generate(path, size)) {
            std::fwprintf(stderr, L"cannot write %ls\n", path.c_str());
            return 1;
        }
        std::printf("generated a %.2f GiB result in %.1f s\n", double(size) / (1 << 30),
                    Now() - t);
    }

    if (argc > 2 && std::wstring(argv[2]) == L"highlight") {
        WriteHighlightIndex(path);
        std::printf("an index with two filters: matches highlighted\n");
    }
    AppSettings() = Settings();
    CTextView view(GetModuleHandleW(nullptr));
    view.Create(path.c_str());
    SetWindowPos(view.Window(), nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    Pump();

    double t = Now();
    view.OpenFile(path.c_str());
    Pump();
    const double open = Now() - t;
    const HWND window = view.Window();
    std::printf("file size                 %lld bytes, %u lines a page\n",
                (long long)view.Reader()->GetSize(), view.PageLines());
    std::printf("open (first block shown)  %8.2f ms\n", open * 1000);

    t = Now();
    Key(window, VK_NEXT, true);
    Pump();
    std::printf("Ctrl+Page Down to the end %8.2f ms   (%ls)\n", (Now() - t) * 1000,
                view.PercentText().c_str());

    std::vector<double> pages;
    for (int i = 0; i < 100; ++i) {
        t = Now();
        Key(window, VK_PRIOR, false);
        Pump();
        pages.push_back(Now() - t);
    }
    double total = 0;
    for (double p : pages)
        total += p;
    std::printf("100 x Page Up             %8.2f ms total, %.3f ms mean, %.3f ms slowest\n",
                total * 1000, total * 10, *std::max_element(pages.begin(), pages.end()) * 1000);

    // Forward from the first line to the last, then back from the end to the first.
    Key(window, VK_PRIOR, true);
    SearchState& search = AppSearch();
    search.text = L"*lastlinemarker*";
    search.backwards = false;
    t = Now();
    view.SearchText(true);
    Pump();
    const double forward = Now() - t;
    std::printf("forward search to the last line   %8.2f s   (%ls)\n", forward,
                TopText(view).substr(0, 60).c_str());
    std::printf("RESULT forward %.4f\n", forward);

    // Line Info with the last line at the top: the count it makes.
    t = Now();
    const int32_t lineNumber = view.Reader()->CountLines(0, view.Reader()->TopLineOffset());
    const double lineInfo = Now() - t;
    std::printf("Line Info on the last line        %8.2f s   (line %ld)\n", lineInfo,
                long(lineNumber));
    std::printf("RESULT lineinfo %.4f\n", lineInfo);

    Key(window, VK_NEXT, true);
    search.text = L"*firstlinemarker*";
    t = Now();
    view.SearchText(false);
    Pump();
    const double backward = Now() - t;
    std::printf("backward search to the first line %8.2f s   (%ls)\n", backward,
                TopText(view).substr(0, 60).c_str());
    std::printf("backward / forward                %8.2f\n", backward / forward);
    std::printf("RESULT backward %.4f\n", backward);

    if (argc > 2 && std::wstring(argv[2]) == L"searches") {
        view.Close();
        return 0;   // the rounds of scripts/bench-viewer time only the searches
    }
    const int sample = 200000;
    const double lineByLine = LineByLineBackward(path, view.Reader()->GetSize(), sample);
    const double lines = double(view.Reader()->GetSize()) / 80.0;
    std::printf("line-by-line backward, %d lines  %8.2f s   (about %.0f s for the whole file)\n",
                sample, lineByLine, lineByLine / sample * lines);

    view.Close();
    if (generated)
        DeleteFileW(path.c_str());
    return 0;
}
