// Search in a real view: the Find dialog, F3 and Shift+F3, the menu, marks, recent searches, line info.
#include "resources/resource.h"
#include "tests/viewer/ViewFixture.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr COLORREF kFoundBack = RGB(0xE0, 0xFF, 0xE0);
constexpr COLORREF kMatchBack = RGB(0xE0, 0xE0, 0xE0);

// -1 leaves a check box as the dialog set it.
CDialogDriver::Handler FillFind(std::wstring text, int matchCase = -1, int highlight = -1,
                                int backwards = -1)
{
    return [=](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_FIND_TEXT, text.c_str());
        auto set = [dialog](int id, int value) {
            if (value >= 0)
                CheckDlgButton(dialog, id, value ? BST_CHECKED : BST_UNCHECKED);
        };
        set(IDC_MATCH_CASE, matchCase);
        set(IDC_HIGHLIGHT, highlight);
        set(IDC_BACKWARDS, backwards);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
}

struct FindDialogState {
    std::wstring text;
    bool matchCase = false, highlight = false, backwards = false;
    std::vector<std::wstring> list;
};

CDialogDriver::Handler ReadFind(FindDialogState* state, int button = IDCANCEL)
{
    return [=](HWND dialog) {
        wchar_t text[1024] = {};
        GetDlgItemTextW(dialog, IDC_FIND_TEXT, text, 1024);
        state->text = text;
        state->matchCase = IsDlgButtonChecked(dialog, IDC_MATCH_CASE) == BST_CHECKED;
        state->highlight = IsDlgButtonChecked(dialog, IDC_HIGHLIGHT) == BST_CHECKED;
        state->backwards = IsDlgButtonChecked(dialog, IDC_BACKWARDS) == BST_CHECKED;
        const LRESULT count = SendDlgItemMessageW(dialog, IDC_FIND_TEXT, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            SendDlgItemMessageW(dialog, IDC_FIND_TEXT, CB_GETLBTEXT, WPARAM(i),
                                reinterpret_cast<LPARAM>(text));
            state->list.push_back(text);
        }
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    };
}

// "line 0000" lines with words added to some of them.
std::string Marked(int count, const std::vector<std::pair<int, std::string>>& marks)
{
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        char text[32];
        std::snprintf(text, sizeof(text), "line %04d", i);
        lines.push_back(text);
    }
    for (const auto& [at, words] : marks)
        lines[size_t(at)] += " " + words;
    return JoinLines(lines);
}

class SearchViewTest : public ViewTest {
protected:
    void Command(int id) { SendMessageW(Window(), WM_COMMAND, id, 0); }
    bool Has(const std::unique_ptr<CPixelCanvas>& canvas, int row, COLORREF color) const
    {
        const auto colors = canvas->ColorsIn(RowArea(row));
        return std::find(colors.begin(), colors.end(), color) != colors.end();
    }
};

TEST_F(SearchViewTest, APlainWordIsWrappedFoundAtTheTopAndShownWrappedNextTime)
{
    OpenView(Marked(3000, {{1500, "an error here"}}));
    FindDialogState again;
    CDialogDriver driver({FillFind(L"error"), ReadFind(&again)});
    Key(VK_F7);
    EXPECT_EQ(Top(), L"line 1500 an error here");
    EXPECT_TRUE(view->Highlight());
    EXPECT_EQ(AppSearch().text, L"*error*");
    EXPECT_EQ(VPos(), int(int64_t(1500) * 10 * 10000 / (3000 * 10 + 14)));
    EXPECT_EQ(view->PercentText(), L" 49%");
    ASSERT_FALSE(AppSettings().RecentSearches.empty());
    EXPECT_EQ(AppSettings().RecentSearches.front(), L"error");
    EXPECT_EQ(AppSettings().LastSearch, L"error");

    Key(VK_F7);
    EXPECT_EQ(again.text, L"*error*");
    EXPECT_FALSE(again.matchCase);
    EXPECT_TRUE(again.highlight);
    EXPECT_FALSE(again.backwards);
    EXPECT_EQ(again.list, std::vector<std::wstring>{L"error"});
    ASSERT_EQ(driver.Seen().size(), 2u);
    EXPECT_EQ(driver.Seen()[0].caption, L"Search...");
    EXPECT_FALSE(driver.Seen()[1].unexpected);
    EXPECT_EQ(Top(), L"line 1500 an error here");   // Cancel changed nothing
}

TEST_F(SearchViewTest, MatchCaseOffFindsLowerCaseAndOnDoesNot)
{
    OpenView(Marked(3000, {{100, "disk error"}, {200, "Disk ERROR"}}));
    CDialogDriver driver({FillFind(L"ERROR", 0), FillFind(L"ERROR", 1), PressButton(IDOK)});
    Key(VK_F7);
    EXPECT_EQ(Top(), L"line 0100 disk error");
    Key(VK_F7);
    EXPECT_EQ(Top(), L"line 0200 Disk ERROR");
    Key(VK_F3);   // case-sensitive, nothing further
    EXPECT_EQ(Top(), L"line 0200 Disk ERROR");
    ASSERT_EQ(driver.Seen().size(), 3u);
    EXPECT_EQ(driver.Seen()[2].caption, L"Search");
    EXPECT_EQ(driver.Seen()[2].text, L"Search string not found!");
}

TEST_F(SearchViewTest, AnExpressionWithMinusExcludesAndIsNotWrapped)
{
    OpenView(Marked(3000, {{10, "disk full"}, {20, "disk ok"}, {30, "*disk*-full"}}));
    CDialogDriver driver({FillFind(L"*disk*-full")});
    Key(VK_F7);
    EXPECT_EQ(Top(), L"line 0020 disk ok");
    EXPECT_EQ(AppSearch().text, L"*disk*-full");
}

TEST_F(SearchViewTest, FindNextFromTheLastMatchReportsNotFoundAndStays)
{
    OpenView(Marked(3000, {{10, "needle"}, {2500, "needle"}}));
    CDialogDriver driver({FillFind(L"needle"), PressButton(IDOK)});
    Key(VK_F7);
    EXPECT_EQ(Top(), L"line 0010 needle");
    Command(IDM_FIND_NEXT);
    EXPECT_EQ(Top(), L"line 2500 needle");
    const int pos = VPos();
    Command(IDM_FIND_NEXT);
    EXPECT_EQ(Top(), L"line 2500 needle");
    EXPECT_EQ(VPos(), pos);
    EXPECT_TRUE(view->Highlight());   // a failed search leaves the marks on
    ASSERT_EQ(driver.Seen().size(), 2u);
    EXPECT_EQ(driver.Seen()[1].text, L"Search string not found!");
    EXPECT_EQ(driver.Seen()[1].caption, L"Search");
}

TEST_F(SearchViewTest, F3FollowsSearchBackwardsAndShiftInvertsItTheMenuDoesNot)
{
    OpenView(Marked(3000, {{100, "needle"}, {1200, "needle"}, {2900, "needle"}}));
    CDialogDriver driver(
        {FillFind(L"needle", -1, -1, 0), FillFind(L"needle", -1, -1, 1), PressButton(IDOK)});
    Key(VK_F7);
    EXPECT_EQ(Top(), L"line 0100 needle");
    Key(VK_F3);
    EXPECT_EQ(Top(), L"line 1200 needle");
    Key(VK_F7);   // Search Backwards on: the dialog's search goes up
    EXPECT_EQ(Top(), L"line 0100 needle");
    Key(VK_F3);   // still backwards: nothing above
    EXPECT_EQ(Top(), L"line 0100 needle");
    EXPECT_EQ(driver.Seen().back().text, L"Search string not found!");
    Key(VK_F3, false, true);   // Shift+F3: forwards
    EXPECT_EQ(Top(), L"line 1200 needle");
    Command(IDM_FIND_NEXT);
    EXPECT_EQ(Top(), L"line 2900 needle");
    Command(IDM_FIND_PREVIOUS);
    EXPECT_EQ(Top(), L"line 1200 needle");
    Key(VK_F7, false, true);   // Shift+F7 is F3 with Shift held: forwards
    EXPECT_EQ(Top(), L"line 2900 needle");
    EXPECT_EQ(driver.HandlersLeft(), 0u);
}

TEST_F(SearchViewTest, FindPreviousWithoutTextOpensTheDialogWithSearchBackwardsOn)
{
    OpenView(Marked(100, {{50, "needle"}}));
    FindDialogState previous, next;
    CDialogDriver driver({ReadFind(&previous), ReadFind(&next)});
    Command(IDM_FIND_PREVIOUS);
    EXPECT_TRUE(previous.backwards);
    EXPECT_TRUE(previous.text.empty());
    AppSearch().backwards = false;
    Command(IDM_FIND_NEXT);
    EXPECT_FALSE(next.backwards);
    EXPECT_EQ(driver.Seen().size(), 2u);
    EXPECT_EQ(Top(), L"line 0000");
}

TEST_F(SearchViewTest, TheFoundTextStandsFiveColumnsFromTheLeftEdge)
{
    const std::string tail(200, 'x');
    OpenView(Marked(3000, {{50, "abneedle" + tail},
                           {60, std::string(30, '.') + "needle" + tail},
                           {61, "zzz" + tail}}));
    // "line 0050 " is ten characters: the first match is at column 12, the second at 40.
    CDialogDriver driver({FillFind(L"needle")});
    Key(VK_F7);
    EXPECT_EQ(Top(), L"line 0050 abneedle" + std::wstring(200, L'x'));
    EXPECT_EQ(HPos(), 7);
    HScroll(SB_LEFT);
    Key(VK_F3);
    EXPECT_EQ(HPos(), 35);
    // Found at a column of 5 or less, the position stays where it was.
    HScroll(SB_THUMBPOSITION, 20);
    AppSearch().text = L"*line*";
    AppSearch().backwards = false;
    Key(VK_F3);
    EXPECT_EQ(Top(), L"line 0061 zzz" + std::wstring(200, L'x'));
    EXPECT_EQ(HPos(), 20);
}

TEST_F(SearchViewTest, RecentSearchesSkipOtherCaseDuplicatesAndKeepTheLimit)
{
    AppSettings().RecentLimit = 3;
    OpenView(Marked(100, {{10, "alpha beta gamma delta"}, {20, "alpha beta gamma delta"},
                          {30, "alpha beta gamma delta"}, {40, "alpha beta gamma delta"},
                          {50, "alpha beta gamma delta"}}));
    CDialogDriver driver({FillFind(L"alpha"), FillFind(L"beta"), FillFind(L"Alpha"),
                          FillFind(L"gamma"), FillFind(L"delta")});
    Key(VK_F7);
    Key(VK_F7);
    Key(VK_F7);
    EXPECT_EQ(AppSettings().RecentSearches, (std::vector<std::wstring>{L"beta", L"alpha"}));
    Key(VK_F7);
    Key(VK_F7);
    EXPECT_EQ(AppSettings().RecentSearches,
              (std::vector<std::wstring>{L"delta", L"gamma", L"beta"}));
    EXPECT_EQ(Top(), L"line 0050 alpha beta gamma delta");
}

TEST_F(SearchViewTest, TheDialogPreselectsLastSearchWhenThereIsNoSearchText)
{
    AppSettings().RecentSearches = {L"one", L"two", L"three"};
    AppSettings().LastSearch = L"two";
    OpenView(Marked(10, {}));
    FindDialogState state;
    CDialogDriver driver({ReadFind(&state)});
    Key(VK_F7);
    EXPECT_EQ(state.text, L"two");
    EXPECT_EQ(state.list, (std::vector<std::wstring>{L"one", L"two", L"three"}));
}

TEST_F(SearchViewTest, AnEmptyTextKeepsTheDialogOpenWithAWarning)
{
    OpenView(Marked(10, {}));
    CDialogDriver driver(
        {[](HWND dialog) {
             SetDlgItemTextW(dialog, IDC_FIND_TEXT, L"");
             PostMessageW(dialog, WM_COMMAND, IDOK, 0);
         },
         [](HWND box) {
             // The warning, then Cancel for the Find dialog that stays open under it.
             PostMessageW(box, WM_COMMAND, IDOK, 0);
             PostMessageW(GetWindow(box, GW_OWNER), WM_COMMAND, IDCANCEL, 0);
         }});
    Key(VK_F7);
    ASSERT_EQ(driver.Seen().size(), 2u);
    EXPECT_EQ(driver.Seen()[1].caption, L"Search");
    EXPECT_EQ(driver.Seen()[1].text, L"You should specify a string to search!");
    EXPECT_TRUE(AppSearch().text.empty());
}

TEST_F(SearchViewTest, LineInfoAtTheTopDeepInsideAndOnTheLastLine)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 3000; ++i) {
        char text[32];
        std::snprintf(text, sizeof(text), "line %04d ", i);
        lines.push_back(text + std::string(99, 'i'));   // 110 bytes with the line end
    }
    OpenView(JoinLines(lines));
    CDialogDriver driver({PressButton(IDOK), PressButton(IDOK), PressButton(IDOK)});
    Command(IDM_LINE_INFO);
    VScroll(SB_THUMBPOSITION, 5000);
    HScroll(SB_THUMBPOSITION, 7);
    Command(IDM_LINE_INFO);
    Key(VK_NEXT, true);
    Key(VK_UP);
    HScroll(SB_LEFT);
    Command(IDM_LINE_INFO);
    ASSERT_EQ(driver.Seen().size(), 3u);
    EXPECT_EQ(driver.Seen()[0].caption, L"Line Info");
    EXPECT_EQ(driver.Seen()[0].text, L"Current Line:    0\r\nCurrent Char:   0");
    EXPECT_EQ(driver.Seen()[1].text, L"Current Line: 1500\r\nCurrent Char:   7");
    EXPECT_EQ(driver.Seen()[2].text, L"Current Line: 2999\r\nCurrent Char:   0");
}

TEST_F(SearchViewTest, MarksFollowTheChoicesAndEscapeClearsThemBeforeClosing)
{
    OpenView(Marked(40, {{5, "needle"}, {7, "needle"}, {9, "needle"}}));
    CDialogDriver driver({FillFind(L"needle", -1, 1), FillFind(L"needle", -1, 0)});
    Key(VK_F7);
    ASSERT_EQ(Top(), L"line 0005 needle");
    auto marked = PaintToCanvas();
    EXPECT_TRUE(Has(marked, 0, kFoundBack));
    EXPECT_FALSE(Has(marked, 1, kMatchBack));
    EXPECT_TRUE(Has(marked, 2, kMatchBack));
    EXPECT_TRUE(Has(marked, 4, kMatchBack));

    Key(VK_F7);   // Highlight Matches off: only the found line
    ASSERT_EQ(Top(), L"line 0007 needle");
    auto found = PaintToCanvas();
    EXPECT_TRUE(Has(found, 0, kFoundBack));
    EXPECT_FALSE(Has(found, 2, kMatchBack));

    HWND window = Window();
    Key(VK_ESCAPE);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(view->Highlight());
    auto cleared = PaintToCanvas();
    EXPECT_FALSE(Has(cleared, 0, kFoundBack));
    Key(VK_ESCAPE);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(Notices().size(), 1u);
}

TEST_F(SearchViewTest, ASearchConfirmedInOneViewIsRepeatedByF3InAnother)
{
    OpenView(Marked(100, {{30, "needle"}}));
    CDialogDriver driver({FillFind(L"needle")});
    Key(VK_F7);
    ASSERT_EQ(Top(), L"line 0030 needle");
    auto first = std::move(view);
    OpenView(Marked(100, {{60, "needle"}}), 640, 324, L"second.greptmp");
    Key(VK_F3);
    EXPECT_EQ(Top(), L"line 0060 needle");
}

} // namespace

namespace {

// What the Find dialog said under its text box while the text was typed.
struct HintSeen {
    std::wstring hint;
    bool containsOffered = false;
};

// Types `text` as the user would, picks how it is read, keeps the hint line, and presses Find.
CDialogDriver::Handler TypeFind(std::wstring text, int reading, HintSeen* seen, HWND* shown = nullptr)
{
    return [=](HWND dialog) {
        if (shown)
            *shown = dialog;
        CheckRadioButton(dialog, IDC_FIND_WILDCARDS, IDC_FIND_REGEX, reading);
        SetDlgItemTextW(dialog, IDC_FIND_TEXT, text.c_str());
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FIND_TEXT, CBN_EDITCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_FIND_TEXT)));
        wchar_t hint[512] = {};
        GetDlgItemTextW(dialog, IDC_FIND_HINT, hint, 512);
        seen->hint = hint;
        seen->containsOffered = IsWindowVisible(GetDlgItem(dialog, IDC_FIND_CONTAINS)) != FALSE;
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
}

} // namespace

TEST_F(SearchViewTest, FindSaysHowItReadsTheTextAndFindsItAsMaskPlainTextOrExpression)
{
    OpenView(Marked(3000, {{1000, "2026-05-09 dpkg"}, {2100, "liberror-prone-java"}, {2500, "liberror-perl"},
                           {2800, "prone again"}}));
    const int plain = IDC_FIND_PLAIN, mask = IDC_FIND_WILDCARDS, regex = IDC_FIND_REGEX;
    const struct {
        const wchar_t* text;
        int reading;
        const wchar_t* hint;
        bool containsOffered;
        const wchar_t* top;
        bool backwards = false;
    } rows[] = {
        {L"2026-05-09", plain, L"Line needs \"2026-05-09\" anywhere, exactly as typed. Case is ignored.", false,
         L"line 1000 2026-05-09 dpkg"},
        // As a mask the date is "2026" followed by neither "05" nor "09": the date itself is passed over.
        {L"2026-05-09", mask, L"Line needs \"2026\" anywhere, no \"05\" after \"2026\", no \"09\" after \"2026\". Case is ignored.",
         false, L"line 2026"},
        {L"liberror-perl", mask, L"Line needs \"liberror\" anywhere, no \"perl\" after \"liberror\". Case is ignored.",
         false, L"line 2100 liberror-prone-java"},
        {L"liberror-perl", plain, L"Line needs \"liberror-perl\" anywhere, exactly as typed. Case is ignored.", false,
         L"line 2500 liberror-perl"},
        // A plain word is looked for anywhere in a line, and the line says so.
        {L"prone", mask, L"Line needs \"prone\" anywhere. Case is ignored.", true, L"line 2800 prone again"},
        // An expression, backwards from there twice, then forwards.
        {L"LIBERROR-p(erl|ython)$", regex, L"Line needs a match of the regular expression. Case is ignored.",
         false, L"line 2500 liberror-perl", true},
        {L"\\d{4}-\\d{2}-\\d{2} dpkg", regex,
         L"Line needs a match of the regular expression. Case is ignored.", false, L"line 1000 2026-05-09 dpkg", true},
        {L"PRONE-\\w+$", regex, L"Line needs a match of the regular expression. Case is ignored.", false,
         L"line 2100 liberror-prone-java"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.text)) + " read by " + std::to_string(row.reading));
        HintSeen seen;
        CDialogDriver driver({TypeFind(row.text, row.reading, &seen)});
        AppSearch().backwards = row.backwards;   // the dialog opens with it
        Key(VK_F7);
        EXPECT_EQ(seen.hint, row.hint);
        EXPECT_EQ(seen.containsOffered, row.containsOffered);
        EXPECT_EQ(Top(), row.top);
        EXPECT_EQ(driver.Seen().size(), 1u) << "a box besides the Find dialog";
        EXPECT_EQ(AppSettings().FindMode, row.reading == plain  ? L"Plain text"
                                          : row.reading == mask ? L"Wildcards"
                                                                : L"Regular expression");
    }
    AppSearch().backwards = false;
    // An expression that does not compile is refused with PCRE2's words and
    // where it stopped; the dialog stays, and nothing is searched.
    const std::wstring before = Top();
    HintSeen seen;
    HWND find = nullptr;
    CDialogDriver refused({TypeFind(L"liberror-(perl", regex, &seen, &find), [&](HWND box) {
                               PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                               PostMessageW(find, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                           }});
    Key(VK_F7);
    const std::wstring why = L"missing closing parenthesis (after 14 characters)";
    EXPECT_EQ(seen.hint, L"Not yet a regular expression: " + why);
    ASSERT_EQ(refused.Seen().size(), 2u);
    EXPECT_EQ(refused.Seen()[1].text, why);
    EXPECT_EQ(Top(), before);
    // The choice is remembered: the dialog opens with it.
    AppSettings().FindMode = L"Plain text";
    bool plainChecked = false;
    CDialogDriver reopen({[&](HWND dialog) {
        plainChecked = IsDlgButtonChecked(dialog, IDC_FIND_PLAIN) == BST_CHECKED;
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }});
    Key(VK_F7);
    EXPECT_TRUE(plainChecked);
}
