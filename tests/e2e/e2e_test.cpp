// The whole program as a user meets it: the real tilvo.exe started in a
// folder of its own and driven from outside through its windows.
#include "resources/resource.h"
#include "tests/support/Pixels.h"
#include "tests/support/Process.h"
#include "tests/support/TestFiles.h"
#include "tests/support/Wait.h"
#include "tests/support/Windows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

namespace {

// A folder holding a copy of tilvo.exe and the starter files, as a user has it.
class InstalledTilvo {
public:
    InstalledTilvo()
    {
        CopyFileW(WinePath(TILVO_EXE).c_str(), dir.File(L"tilvo.exe").c_str(), FALSE);
        CopyFileW((WinePath(TILVO_STARTER) + L"\\TilvoCats.dat").c_str(),
                  dir.File(L"TilvoCats.dat").c_str(), FALSE);
        CopyFileW((WinePath(TILVO_STARTER) + L"\\Tilvo.ini").c_str(), dir.File(L"Tilvo.ini").c_str(),
                  FALSE);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Osmi\\Tilvo");
    }
    ~InstalledTilvo() { RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\Osmi\\Tilvo"); }
    std::wstring Exe() const { return dir.File(L"tilvo.exe"); }
    TempDir dir;
};

// Answers the program's next message box with this caption; returns its text.
std::wstring AnswerBox(const CTilvoProcess& tilvo, const wchar_t* caption, int button)
{
    const BoxInfo box = ReadBox(tilvo.WaitForWindow(kDialogClass, caption));
    if (!box.window)
        return L"<no message box captioned " + std::wstring(caption) + L">";
    EXPECT_TRUE(Answer(box, button));
    return box.text;
}

// Types the log path into the file box, as the box's edit reports it.
void TypeLogPath(HWND dialog, const std::wstring& log)
{
    SetTextOf(dialog, IDC_FILE, log);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FILE, CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_FILE)));
}

// Unchecks every filter, then adds one through the name dialog (a new filter
// is checked); true once the name dialog has closed.
bool UseOnlyNewFilter(const CTilvoProcess& tilvo, HWND dialog, const wchar_t* filter)
{
    PressButton(dialog, IDC_NONE);
    PressButton(dialog, IDC_ADD_FILTER);
    HWND name = tilvo.WaitForWindow(kDialogClass, L"Add Filter");
    if (!name)
        return false;
    SetTextOf(name, IDC_NAME_EDIT, filter);
    return Answer(ReadBox(name), IDOK);
}

// Fills the common save dialog with a path and confirms it.
bool SaveAs(const CTilvoProcess& tilvo, HWND viewer, HWND mainDialog, const std::wstring& path)
{
    PostMessageW(viewer, WM_COMMAND, IDM_SAVE, 0);
    HWND dialog = tilvo.WaitForWindow(kDialogClass, nullptr, mainDialog);
    HWND name = dialog ? FileNameBox(dialog) : nullptr;
    if (!name)
        return false;
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    return Answer(ReadBox(dialog), IDOK);
}

// Copy Screen in a viewer and the text it put on the clipboard. Watches the sequence number
// rather than opening the clipboard while the program may be trying to open it.
std::wstring CopyScreenOf(HWND viewer)
{
    const DWORD sequence = GetClipboardSequenceNumber();
    PostMessageW(viewer, WM_COMMAND, IDM_COPY_SCREEN, 0);
    if (!WaitFor("the copied lines on the clipboard", [&] { return GetClipboardSequenceNumber() != sequence; }))
        return L"<the clipboard did not change>";
    // The program closes the clipboard after handing over the text; ClipboardText waits for that.
    return ClipboardText();
}

std::wstring RegistryToolQuery(const wchar_t* key, const wchar_t* value)
{
    const std::string output = OutputOf(L"reg.exe query \"" + std::wstring(key) + L"\" /v " + value);
    return std::wstring(output.begin(), output.end());
}

TEST(EndToEnd, SearchViewSaveCopyAndClose)
{
    InstalledTilvo app;
    const std::wstring log = app.dir.File(L"app.log");
    std::string bytes;
    for (int i = 1; i <= 12; ++i) {
        if (i == 3)
            bytes += "x ERROR: a\r\n";
        else if (i == 9)
            bytes += "y ERROR: b\r\n";
        else
            bytes.append("L").append(std::to_string(i)).append("\r\n");
    }
    ASSERT_TRUE(WriteBytes(log, bytes));

    CTilvoProcess tilvo(app.Exe(), app.dir.Path());
    ASSERT_TRUE(tilvo.Started());
    HWND dialog = tilvo.WaitForWindow(kDialogClass, L"Tilvo");
    ASSERT_NE(dialog, nullptr) << "the main dialog did not appear";
    // The starter files load cleanly: a first start shows no warning.
    EXPECT_EQ(tilvo.FindWindowNow(kDialogClass, L"Warning"), nullptr);
    EXPECT_EQ(tilvo.FindWindowNow(kDialogClass, L"Error"), nullptr);
    EXPECT_EQ(TextOf(dialog, IDC_STATUS), L"Idle");

    TypeLogPath(dialog, log);
    ASSERT_TRUE(WaitFor("Go to be enabled", [&] { return IsWindowEnabled(GetDlgItem(dialog, IDC_GO)) != FALSE; }));

    ASSERT_TRUE(UseOnlyNewFilter(tilvo, dialog, L"*ERROR:*"));
    HWND list = GetDlgItem(dialog, IDC_FILTER_LIST);
    int added = -1;
    for (int i = 0; i < ListCount(list); ++i) {
        if (ListText(list, i) == L"*ERROR:*")
            added = i;
        else
            EXPECT_EQ(ListStateImage(list, i), 1) << "item " << i;
    }
    ASSERT_GE(added, 0);
    EXPECT_EQ(ListStateImage(list, added), 2);

    SetTextOf(dialog, IDC_LINES_BEFORE, L"1");
    SetTextOf(dialog, IDC_LINES_AFTER, L"2");
    PressButton(dialog, IDC_GO);

    HWND viewer = tilvo.WaitForWindow(L"TilvoTextView", nullptr);
    ASSERT_NE(viewer, nullptr) << "no viewer opened";
    const std::wstring result = app.dir.File(L"app.log.greptmp");
    EXPECT_EQ(TextOf(viewer), result);
    EXPECT_EQ(ReadBytes(result), "/L2\nx ERROR: a\n\\L4\n\\L5\n/L8\ny ERROR: b\n\\L10\n\\L11\n");
    const std::wstring status = TextOf(dialog, IDC_STATUS);
    EXPECT_EQ(status.rfind(L"Completed with 2 matches by ", 0), 0u) << std::string(status.begin(), status.end());

    // Find "ERROR" twice, then nothing more.
    PostMessageW(viewer, WM_COMMAND, IDM_FIND, 0);
    HWND find = tilvo.WaitForWindow(kDialogClass, L"Search...");
    ASSERT_NE(find, nullptr);
    SetTextOf(find, IDC_FIND_TEXT, L"ERROR");
    // The box tells the dialog of the change as typing does; the line under it says how it reads.
    SendMessageW(find, WM_COMMAND, MAKEWPARAM(IDC_FIND_TEXT, CBN_EDITCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(find, IDC_FIND_TEXT)));
    EXPECT_EQ(TextOf(find, IDC_FIND_HINT), L"Line needs \"error\" anywhere. Case is ignored.");
    const std::wstring shots = WinePath(TILVO_SCREENSHOTS);
    CreateDirectoryW(shots.c_str(), nullptr);
    ASSERT_TRUE(WaitUntilPainted(find));
    EXPECT_TRUE(SaveWindowImage(viewer, shots + L"\\find-dialog.bmp"));
    ASSERT_TRUE(Answer(ReadBox(find), IDOK));
    ASSERT_TRUE(WaitUntilPainted(viewer));
    EXPECT_TRUE(SaveWindowImage(viewer, shots + L"\\viewer-found.bmp"));
    // The second Find Next goes past the last match: the box says so.
    PostMessageW(viewer, WM_COMMAND, IDM_FIND_NEXT, 0);
    PostMessageW(viewer, WM_COMMAND, IDM_FIND_NEXT, 0);
    EXPECT_EQ(AnswerBox(tilvo, L"Search", IDOK), L"Search string not found!");
    PostMessageW(viewer, WM_COMMAND, IDM_LINE_INFO, 0);
    EXPECT_EQ(AnswerBox(tilvo, L"Line Info", IDOK), L"Current Line:    5\r\nCurrent Char:   0\r\nLog Line (from 1): 9");

    // Copy Screen: from the found line to the end, each line with its CR LF.
    EXPECT_EQ(CopyScreenOf(viewer), L"y ERROR: b\r\n\\L10\r\n\\L11\r\n");

    // Save as text and as HTML.
    const std::wstring text = app.dir.File(L"saved.txt");
    ASSERT_TRUE(SaveAs(tilvo, viewer, dialog, text));
    EXPECT_EQ(AnswerBox(tilvo, L"Save", IDOK), L"File was saved successfully.");
    EXPECT_EQ(ReadBytes(text), ReadBytes(result));
    const std::wstring html = app.dir.File(L"saved.html");
    ASSERT_TRUE(SaveAs(tilvo, viewer, dialog, html));
    EXPECT_EQ(AnswerBox(tilvo, L"Save", IDOK), L"File was saved successfully.");
    const std::string page = ReadBytes(html);
    EXPECT_EQ(page.rfind("<html>\r\n<head><title>", 0), 0u);
    EXPECT_NE(page.find("<span style='color: #c00000'>x ERROR: a</span><br>\r\n"), std::string::npos)
        << page;
    EXPECT_NE(page.find("\\L10<br>\r\n"), std::string::npos);

    // Close the viewer, then the dialog with its close box.
    PostMessageW(viewer, WM_COMMAND, IDM_CLOSE, 0);
    ASSERT_TRUE(WaitFor("the viewer to close", [&] { return !IsWindow(viewer); }));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(tilvo.WaitForExit(), 0u);

    const std::string cats = ReadBytes(app.dir.File(L"TilvoCats.dat"));
    EXPECT_NE(cats.find("Filter = *ERROR:*\n"), std::string::npos) << cats;
    const std::wstring before = RegistryToolQuery(L"HKCU\\SOFTWARE\\Osmi\\Tilvo", L"LinesBefore");
    EXPECT_NE(before.find(L"REG_DWORD"), std::wstring::npos) << std::string(before.begin(), before.end());
    EXPECT_NE(before.find(L"0x1"), std::wstring::npos);
    const std::wstring after = RegistryToolQuery(L"HKCU\\SOFTWARE\\Osmi\\Tilvo", L"LinesAfter");
    EXPECT_NE(after.find(L"0x2"), std::wstring::npos);
    const std::wstring recent = RegistryToolQuery(L"HKCU\\SOFTWARE\\Osmi\\Tilvo\\RecentFiles", L"File001");
    EXPECT_NE(recent.find(log), std::wstring::npos) << std::string(recent.begin(), recent.end());
}

// Runs the one checked filter over a log with one line of context on each
// side; the viewer that opens, or null.
HWND RunOver(const CTilvoProcess& tilvo, HWND dialog, const std::wstring& log)
{
    TypeLogPath(dialog, log);
    if (!WaitFor("Go to be enabled", [&] { return IsWindowEnabled(GetDlgItem(dialog, IDC_GO)) != FALSE; }))
        return nullptr;
    SetTextOf(dialog, IDC_LINES_BEFORE, L"1");
    SetTextOf(dialog, IDC_LINES_AFTER, L"1");
    PressButton(dialog, IDC_GO);
    return tilvo.WaitForWindow(L"TilvoTextView", (log + L".greptmp").c_str());
}

TEST(EndToEnd, LogsInUtf8Utf16AndAnsiWithFiltersInAnyScript)
{
    // Also run under UTF-8 as the ANSI code page, by an entry that names it.
    const bool utf8Ansi = GetACP() == CP_UTF8;
    if (const char* named = std::getenv("TILVO_ANSI_CODE_PAGE")) {
        ASSERT_EQ(GetACP(), static_cast<UINT>(std::atoi(named)));
    }
    InstalledTilvo app;
    // German, Russian and Japanese lines; the same text as UTF-8 and as UTF-16LE.
    const std::wstring text = L"Zeit\u00FCberschreitung beim Lesen\r\n"
                              L"\u0444\u0430\u0439\u043B \u043E\u0442\u043A\u0440\u044B\u0442\r\n"
                              L"\u043E\u0448\u0438\u0431\u043A\u0430 \u0434\u0438\u0441\u043A\u0430\r\n"
                              L"\u30A8\u30E9\u30FC\u304C\u767A\u751F\u3057\u307E\u3057\u305F\r\n"
                              L"ok\r\n";
    const std::string utf8 =
        "Zeit\xC3\xBC" "berschreitung beim Lesen\n"
        "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB \xD0\xBE\xD1\x82\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82\n"
        "\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0 \xD0\xB4\xD0\xB8\xD1\x81\xD0\xBA\xD0\xB0\n"
        "\xE3\x82\xA8\xE3\x83\xA9\xE3\x83\xBC\xE3\x81\x8C\xE7\x99\xBA\xE7\x94\x9F\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F\n"
        "ok\n";
    std::string utf8Log, utf16Log = "\xFF\xFE";
    for (char c : utf8)
        utf8Log += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (wchar_t c : text)
        utf16Log += std::string{char(c & 0xFF), char(c >> 8)};
    const std::wstring log8 = app.dir.File(L"utf8.log"), log16 = app.dir.File(L"utf16.log");
    ASSERT_TRUE(WriteBytes(log8, utf8Log));
    ASSERT_TRUE(WriteBytes(log16, utf16Log));
    // An ANSI log and filter with high bytes: é, € and 0x81 in code page 1252.
    const std::wstring logAnsi = app.dir.File(L"ansi.log");
    ASSERT_TRUE(WriteBytes(logAnsi, "a\r\ncaf\xE9 \x80\x81\r\nb\r\n"));

    // Lines 2 to 4 of the log, each as the log's own text, in UTF-8.
    const std::string expected =
        "/\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB \xD0\xBE\xD1\x82\xD0\xBA\xD1\x80\xD1\x8B\xD1\x82\n"
        "\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0 \xD0\xB4\xD0\xB8\xD1\x81\xD0\xBA\xD0\xB0\n"
        "\\\xE3\x82\xA8\xE3\x83\xA9\xE3\x83\xBC\xE3\x81\x8C\xE7\x99\xBA\xE7\x94\x9F\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3\x81\x9F\n";
    const std::wstring shown = L"/\u0444\u0430\u0439\u043B \u043E\u0442\u043A\u0440\u044B\u0442\r\n"
                               L"\u043E\u0448\u0438\u0431\u043A\u0430 \u0434\u0438\u0441\u043A\u0430\r\n"
                               L"\\\u30A8\u30E9\u30FC\u304C\u767A\u751F\u3057\u307E\u3057\u305F\r\n";
    const wchar_t filter[] = L"*\u043E\u0448\u0438\u0431\u043A\u0430*";
    {
        CTilvoProcess tilvo(app.Exe(), app.dir.Path());
        ASSERT_TRUE(tilvo.Started());
        HWND dialog = tilvo.WaitForWindow(kDialogClass, L"Tilvo");
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(UseOnlyNewFilter(tilvo, dialog, filter));
        for (const std::wstring& log : {log8, log16}) {
            SCOPED_TRACE(std::string(log.begin(), log.end()));
            HWND viewer = RunOver(tilvo, dialog, log);
            ASSERT_NE(viewer, nullptr) << "no viewer opened";
            EXPECT_EQ(ReadBytes(log + L".greptmp"), expected);
            EXPECT_EQ(CopyScreenOf(viewer), shown);
            const std::wstring html = log + L".html";
            ASSERT_TRUE(SaveAs(tilvo, viewer, dialog, html));
            EXPECT_EQ(AnswerBox(tilvo, L"Save", IDOK), L"File was saved successfully.");
            // The page stays in the ANSI code page: the letters it lacks as references.
            const std::string page = ReadBytes(html);
            EXPECT_NE(page.find("&#1086;&#1096;&#1080;&#1073;&#1082;&#1072; "), std::string::npos) << page;
            EXPECT_NE(page.find("\\&#12456;&#12521;&#12540;"), std::string::npos) << page;
            PostMessageW(viewer, WM_COMMAND, IDM_CLOSE, 0);
            ASSERT_TRUE(WaitFor("the viewer to close", [&] { return !IsWindow(viewer); }));
        }
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        EXPECT_EQ(tilvo.WaitForExit(), 0u);
    }
    // The filter survives in TilvoCats.dat, which had to become UTF-8: with
    // a mark, unless UTF-8 is the ANSI code page itself.
    const std::string cats = ReadBytes(app.dir.File(L"TilvoCats.dat"));
    EXPECT_EQ(cats.rfind("\xEF\xBB\xBF", 0), utf8Ansi ? std::string::npos : 0u) << cats;
    EXPECT_NE(cats.find("Filter = *\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0*\n"), std::string::npos);
    {
        CTilvoProcess tilvo(app.Exe(), app.dir.Path());
        ASSERT_TRUE(tilvo.Started());
        HWND dialog = tilvo.WaitForWindow(kDialogClass, L"Tilvo");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(tilvo.FindWindowNow(kDialogClass, L"Warning"), nullptr);
        HWND list = GetDlgItem(dialog, IDC_FILTER_LIST);
        bool found = false;
        for (int i = 0; i < ListCount(list); ++i)
            found = found || ListText(list, i) == filter;
        EXPECT_TRUE(found) << "the filter did not come back after a restart";
        if (utf8Ansi) {
            // Bytes of code page 1252 are no text under UTF-8.
            PostMessageW(dialog, WM_CLOSE, 0, 0);
            EXPECT_EQ(tilvo.WaitForExit(), 0u);
            return;
        }

        // An ANSI log with an ANSI filter: the files are what they always were.
        ASSERT_TRUE(UseOnlyNewFilter(tilvo, dialog, L"*caf\u00E9 \u20AC*"));
        HWND viewer = RunOver(tilvo, dialog, logAnsi);
        ASSERT_NE(viewer, nullptr) << "no viewer opened";
        EXPECT_EQ(ReadBytes(logAnsi + L".greptmp"), "/a\ncaf\xE9 \x80\x81\n\\b\n");
        EXPECT_EQ(CopyScreenOf(viewer), L"/a\r\ncaf\u00E9 \u20AC\u0081\r\n\\b\r\n");
        ASSERT_TRUE(SaveAs(tilvo, viewer, dialog, logAnsi + L".html"));
        EXPECT_EQ(AnswerBox(tilvo, L"Save", IDOK), L"File was saved successfully.");
        const std::string page = ReadBytes(logAnsi + L".html");
        EXPECT_NE(page.find("\r\ncaf\xE9 \x80\x81<br>\r\n"), std::string::npos) << page;
        EXPECT_EQ(page.find("&#"), std::string::npos);
        PostMessageW(viewer, WM_COMMAND, IDM_CLOSE, 0);
        ASSERT_TRUE(WaitFor("the viewer to close", [&] { return !IsWindow(viewer); }));
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        EXPECT_EQ(tilvo.WaitForExit(), 0u);
    }
    const std::string ini = ReadBytes(app.dir.File(L"Tilvo.ini"));
    EXPECT_FALSE(ini.empty());
    EXPECT_NE(ini.rfind("\xEF\xBB\xBF", 0), 0u) << "an ANSI colour file gained a mark";
}

// Adds a category holding one new filter through the name dialogs; true once both have closed.
bool AddFilterSet(const CTilvoProcess& tilvo, HWND dialog, const wchar_t* category, const wchar_t* filter)
{
    const std::pair<int, const wchar_t*> steps[] = {{IDC_ADD_CATEGORY, L"Add Category"},
                                                     {IDC_ADD_FILTER, L"Add Filter"}};
    for (const auto& [command, caption] : steps) {
        PressButton(dialog, command);
        HWND name = tilvo.WaitForWindow(kDialogClass, caption);
        if (!name)
            return false;
        SetTextOf(name, IDC_NAME_EDIT, command == IDC_ADD_CATEGORY ? category : filter);
        if (!Answer(ReadBox(name), IDOK))
            return false;
    }
    return true;
}

// Two instances in one folder each add a filter set: both sets are in TilvoCats.dat once
// both have closed, and the hand-edited Tilvo.ini that neither changed keeps its text.
TEST(EndToEnd, TwoInstancesInOneFolderKeepEachOthersSets)
{
    InstalledTilvo app;
    const std::wstring ini = app.dir.File(L"Tilvo.ini");
    const std::string colors = "# my colours\n\n" + ReadBytes(ini);
    ASSERT_TRUE(WriteBytes(ini, colors));
    const std::string starter = ReadBytes(app.dir.File(L"TilvoCats.dat"));

    CTilvoProcess first(app.Exe(), app.dir.Path());
    CTilvoProcess second(app.Exe(), app.dir.Path());
    ASSERT_TRUE(first.Started() && second.Started());
    HWND firstDialog = first.WaitForWindow(kDialogClass, L"Tilvo");
    HWND secondDialog = second.WaitForWindow(kDialogClass, L"Tilvo");
    ASSERT_TRUE(firstDialog && secondDialog) << "a main dialog did not appear";
    ASSERT_TRUE(AddFilterSet(first, firstDialog, L"FromFirst", L"*first*"));
    ASSERT_TRUE(AddFilterSet(second, secondDialog, L"FromSecond", L"*second*"));
    PostMessageW(firstDialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitForExit(), 0u);
    PostMessageW(secondDialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(second.WaitForExit(), 0u);

    EXPECT_EQ(ReadBytes(app.dir.File(L"TilvoCats.dat")),
              starter + "Category = FromFirst\nFilter = *first*\nCheck = 1\n"
                        "Category = FromSecond\nFilter = *second*\nCheck = 1\n");
    EXPECT_EQ(ReadBytes(ini), colors);
}

TEST(EndToEnd, StopALargeRunAndViewThePartialResult)
{
    InstalledTilvo app;
    const std::wstring log = app.dir.File(L"big.log");
    {
        // About 1 GiB of 100-byte lines, written in large blocks.
        std::string block;
        for (int i = 0; block.size() < (8u << 20); ++i)
            block += (i % 200 == 0 ? "2026-12-07 10:00:00 ERROR: something failed here, line "
                                   : "2026-12-07 10:00:00 INFO  nothing to see in this line here ") +
                     std::to_string(100000 + i % 900000) + " padding.....\r\n";
        HANDLE h = CreateFileW(log.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        for (int i = 0; i < 128; ++i)
            WriteFile(h, block.data(), DWORD(block.size()), &written, nullptr);
        CloseHandle(h);
    }
    CTilvoProcess tilvo(app.Exe(), app.dir.Path());
    HWND dialog = tilvo.WaitForWindow(kDialogClass, L"Tilvo");
    ASSERT_NE(dialog, nullptr);
    TypeLogPath(dialog, log);
    // Every line is kept ("-" alone excludes nothing here), so the run writes
    // a result as large as the log and lasts long enough to be stopped.
    ASSERT_TRUE(UseOnlyNewFilter(tilvo, dialog, L"-qqqq"));
    PressButton(dialog, IDC_GO);

    const std::wstring progress = L"Processing the file: ";
    ASSERT_TRUE(WaitFor("the run's progress text", [&] {
        const std::wstring status = TextOf(dialog, IDC_STATUS);
        return status.compare(0, progress.size(), progress) == 0;
    }));
    EXPECT_EQ(TextOf(dialog, IDC_GO), L"&Stop");
    // The dialog answers while the run goes on (how fast is a figure of bench/grep).
    DWORD_PTR ignored = 0;
    EXPECT_NE(SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kWaitLimit, &ignored), 0)
        << "the dialog did not answer during the run";
    PressButton(dialog, IDC_GO);
    EXPECT_EQ(AnswerBox(tilvo, L"Stopped", IDYES), L"Do you want to view processed part of the file?");
    EXPECT_EQ(TextOf(dialog, IDC_STATUS), L"Cancelled.");
    EXPECT_EQ(TextOf(dialog, IDC_GO), L"&Go");
    HWND viewer = tilvo.WaitForWindow(L"TilvoTextView", nullptr);
    ASSERT_NE(viewer, nullptr);
    const std::wstring result = app.dir.File(L"big.log.greptmp");
    const std::string partial = ReadBytes(result);
    EXPECT_GT(partial.size(), 0u);
    EXPECT_LT(partial.size(), size_t(1) << 30);
    EXPECT_EQ(partial.back(), '\n');
    PostMessageW(viewer, WM_COMMAND, IDM_CLOSE, 0);
    ASSERT_TRUE(WaitFor("the viewer to close", [&] { return !IsWindow(viewer); }));
    PressButton(dialog, IDCANCEL);
    EXPECT_EQ(tilvo.WaitForExit(), 0u);
}

} // namespace
