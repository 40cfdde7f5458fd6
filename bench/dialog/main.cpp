// bench_dialog: times a search as the user meets it: the real tilvo.exe in a
// folder of its own, driven from outside through its windows, from the click
// on Go to the status "Completed", and then until the result's viewer is shown.
//   bench_dialog TILVO_EXE FOLDER LOG [CASES]
// FOLDER holds tilvo.exe and the starter files (the script copies them).
// CASES: letters among z, a and f, run in that order within one start of the
// program (each adds filters to those of the one before). Prints per case
// "DIALOG <case> <seconds>", "VIEWER <case> <ms from Completed to painted>",
// "FIRST <case> <ms from the click to the first progress text>"
// and "DIANSWER <case> <median ms> <worst ms>": how fast the dialog answered a
// message from another process while the run went on.
#include "bench/BenchClock.h"
#include "resources/resource.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

struct DialogCase {
    char id;
    const char* description;
    std::vector<const wchar_t*> filters;   // all checked; each adds to the case before
    const wchar_t* before;
    const wchar_t* after;
};

const DialogCase kCases[] = {
    {'z', "\"*ERROR:*\", no context", {L"*ERROR:*"}, L"0", L"0"},
    {'a', "\"*ERROR:*\", 2 before, 4 after", {L"*ERROR:*"}, L"2", L"4"},
    {'f', "3 Or \"*ERROR:*\" \"*WARN*\" \"*timeout*\", 2/4",
     {L"*ERROR:*", L"*WARN*", L"*timeout*"}, L"2", L"4"},
};

const wchar_t kDialogClass[] = L"#32770";
const wchar_t kViewerClass[] = L"TilvoTextView";
const double kLimitSeconds = 120;

struct WindowQuery {
    DWORD process;
    const wchar_t* className;
    const wchar_t* caption;
    HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param)
{
    WindowQuery& query = *reinterpret_cast<WindowQuery*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[256] = {};
    wchar_t text[256] = {};
    GetClassNameW(window, name, 256);
    GetWindowTextW(window, text, 256);
    if (process == query.process && IsWindowVisible(window) && wcscmp(name, query.className) == 0 &&
        (!query.caption || wcscmp(text, query.caption) == 0)) {
        query.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindWindowOf(DWORD process, const wchar_t* className, const wchar_t* caption)
{
    WindowQuery query{process, className, caption};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

bool WaitUntil(const std::function<bool()>& done, double seconds = 30)
{
    const double end = Now() + seconds;
    while (!done()) {
        if (Now() > end)
            return false;
        Sleep(1);
    }
    return true;
}

// Each look at the status line is a message the dialog's thread must answer:
// its round trip is how long a click would wait.
bool StatusText(HWND status, std::wstring& text, double& roundTripMs)
{
    wchar_t buffer[1024] = {};
    DWORD_PTR length = 0;
    const double sent = Now();
    if (!SendMessageTimeoutW(status, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer),
                             SMTO_NORMAL, 60000, &length))
        return false;
    roundTripMs = (Now() - sent) * 1000.0;
    text = buffer;
    return true;
}

void Click(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SetText(HWND dialog, int id, const wchar_t* text)
{
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// Adds a filter through the name dialog, where a new filter comes checked.
bool AddFilter(DWORD process, HWND dialog, const wchar_t* filter)
{
    Click(dialog, IDC_ADD_FILTER);
    HWND name = nullptr;
    if (!WaitUntil([&] { return (name = FindWindowOf(process, kDialogClass, L"Add Filter")) != nullptr; }))
        return false;
    SetText(name, IDC_NAME_EDIT, filter);
    Click(name, IDOK);
    return WaitUntil([&] { return !IsWindow(name) || !IsWindowVisible(name); });
}

// The viewer shown and painted: visible, with nothing left to paint.
bool WaitForViewer(DWORD process, double& ms, double from)
{
    HWND viewer = nullptr;
    const bool shown = WaitUntil([&] {
        viewer = FindWindowOf(process, kViewerClass, nullptr);
        if (!viewer)
            return false;
        // Answering a message means its thread is past the opening; then the update region.
        SendMessageTimeoutW(viewer, WM_NULL, 0, 0, SMTO_NORMAL, 60000, nullptr);
        return GetUpdateRect(viewer, nullptr, FALSE) == FALSE;
    });
    ms = (Now() - from) * 1000.0;
    return shown;
}

int RunCases(const std::wstring& exe, const std::wstring& folder, const std::wstring& log,
             const std::string& only)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Osmi\\Tilvo");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info)) {
        std::printf("cannot start %ls\n", exe.c_str());
        return 1;
    }
    CloseHandle(info.hThread);
    const DWORD process = info.dwProcessId;
    HWND dialog = nullptr;
    int failed = 0;
    if (!WaitUntil([&] { return (dialog = FindWindowOf(process, kDialogClass, L"Tilvo")) != nullptr; })) {
        std::printf("the main dialog did not appear\n");
        failed = 1;
    }
    HWND status = dialog ? GetDlgItem(dialog, IDC_STATUS) : nullptr;
    if (dialog) {
        SetText(dialog, IDC_FILE, log.c_str());
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FILE, CBN_EDITCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_FILE)));
        WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDC_GO)) != FALSE; });
        Click(dialog, IDC_NONE);
    }
    std::vector<std::wstring> added;
    for (const DialogCase& c : kCases) {
        if (failed || only.find(c.id) == std::string::npos)
            continue;
        for (const wchar_t* filter : c.filters) {
            if (std::find(added.begin(), added.end(), filter) != added.end())
                continue;
            if (!AddFilter(process, dialog, filter)) {
                std::printf("(%c) cannot add the filter %ls\n", c.id, filter);
                failed = 1;
                break;
            }
            added.push_back(filter);
        }
        if (failed)
            break;
        SetText(dialog, IDC_LINES_BEFORE, c.before);
        SetText(dialog, IDC_LINES_AFTER, c.after);
        // The status line as the run leaves it: "Completed ..." ends the wait.
        std::vector<double> answers;
        std::wstring text;
        // The last run's "Completed" must not end this one's wait.
        SendMessageW(status, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        const double start = Now();
        Click(dialog, IDC_GO);
        bool running = false;
        double firstNotice = 0;   // the work before the run's first line
        // The dialog's answers are asked for on a thread of their own: an
        // answer waits while the dialog's thread is busy, and the end of the
        // run must be seen when the worker says it, not after the viewer that
        // the dialog's thread opens next.
        std::atomic<bool> asking{true};
        std::thread answering([&] {
            while (asking.load()) {
                std::wstring asked;
                double roundTrip = 0;
                if (StatusText(status, asked, roundTrip) && asked.rfind(L"Processing", 0) == 0)
                    answers.push_back(roundTrip);
                Sleep(5);   // often enough for a worst case, rarely enough not to slow the run
            }
        });
        for (;;) {
            // The text as the worker left it, read without a message.
            wchar_t now[1024] = {};
            GetWindowTextW(status, now, 1024);
            text = now;
            if (text.rfind(L"Completed", 0) == 0)
                break;
            if (Now() - start > kLimitSeconds) {
                failed = 1;
                break;
            }
            if (!running && text.rfind(L"Processing", 0) == 0) {
                running = true;
                firstNotice = Now() - start;
            }
            Sleep(2);
        }
        const double seconds = Now() - start;
        asking.store(false);
        answering.join();
        if (failed) {
            std::printf("(%c) did not complete: %ls\n", c.id, text.c_str());
            break;
        }
        double viewerMs = 0;
        const double completed = Now();
        if (!WaitForViewer(process, viewerMs, completed))
            std::printf("(%c) no viewer was shown\n", c.id);
        std::sort(answers.begin(), answers.end());
        const double median = answers.empty() ? 0 : answers[answers.size() / 2];
        const double worst = answers.empty() ? 0 : answers.back();
        std::printf("(%c) %-44s %6.3f s through the dialog, viewer %5.0f ms later  %ls\n", c.id,
                    c.description, seconds, viewerMs, text.c_str());
        std::printf("DIALOG %c %.4f\nVIEWER %c %.1f\nDIANSWER %c %.2f %.2f\nFIRST %c %.1f\n", c.id,
                    seconds, c.id, viewerMs, c.id, median, worst, c.id, firstNotice * 1000.0);
        std::fflush(stdout);
    }
    if (dialog)
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    return failed;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::printf("usage: bench_dialog TILVO_EXE FOLDER LOG [CASES]\n");
        return 2;
    }
    std::string cases = "zaf";
    if (argc > 4) {
        cases.clear();
        for (const wchar_t* c = argv[4]; *c; ++c)
            cases += static_cast<char>(*c);
    }
    return RunCases(argv[1], argv[2], argv[3], cases);
}
