// The filter list and the category commands with the real dialog: name dialogs, duplicates, Or/And, removal, deletion.
#include "tests/ui/MainDialogTest.h"

#include "categories/CategoryStore.h"
#include "resources/resource.h"

#include <commctrl.h>

#include <algorithm>

namespace {

const char* const Store =
    "Category = Default\n"
    "Filter = *b*\n"
    "Filter = *a*\n"
    "Filter = *c*\n"
    "Check = 123\n"
    "Category = Errors\n"
    "Filter = *ERROR*\n"
    "Check = 1\n";

}  // namespace

class FilterListTest : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        WriteCategories(Store);
    }

    // Posts a key to the filter list through the dialog's message loop.
    void ListKey(WPARAM key)
    {
        PostMessageW(GetDlgItem(dialog, IDC_FILTER_LIST), WM_KEYDOWN, key, 0);
        ui->Settle();
    }
};

TEST_F(FilterListTest, ShowsTheCategorySortedWithStatesAndReadsItBackInListOrder)
{
    Start();
    EXPECT_EQ(ListEntries(), (std::vector<ListEntry>{{L"*a*", 2}, {L"*b*", 1}, {L"*c*", 3}}));
    SelectFilter(1);
    EXPECT_TRUE(Enabled(IDC_OR_AND));
    Click(IDC_OR_AND);
    EXPECT_EQ(ListEntries()[1], ListEntry(L"*b*", 3)) << "a checked Or filter becomes a checked And filter";
    SelectFilter(0);
    Click(IDC_OR_AND);
    EXPECT_EQ(ListEntries()[0], ListEntry(L"*a*", 0));
    // Another category: the list goes back into Default first.
    SelectCategory(L"Errors");
    EXPECT_EQ(ListEntries(), (std::vector<ListEntry>{{L"*ERROR*", 1}}));
    SelectCategory(L"Default");
    EXPECT_EQ(ListEntries(), (std::vector<ListEntry>{{L"*a*", 0}, {L"*b*", 3}, {L"*c*", 3}}));
    CloseWithCloseBox();
    EXPECT_EQ(CategoriesOnDisk(),
              "Category = Default\nFilter = *a*\nFilter = *b*\nFilter = *c*\nCheck = 033\n"
              "Category = Errors\nFilter = *ERROR*\nCheck = 1\n");
}

TEST_F(FilterListTest, AddFilterIsCheckedOrAndRefusesCaseDuplicatesSilently)
{
    Start();
    Click(IDC_ADD_FILTER);
    BoxInfo dialogBox = ExpectNameDialog(L"Add Filter");
    ASSERT_NE(dialogBox.window, nullptr);
    EXPECT_EQ(TextOf(dialogBox.window, IDC_NAME_LABEL), L"Filter:");
    // Empty input is refused with the dialog's own caption, and the dialog stays open.
    SetTextOf(dialogBox.window, IDC_NAME_EDIT, L"");
    ASSERT_TRUE(Answer(dialogBox, IDOK));
    BoxInfo warning = ExpectBox(L"Add Filter", L"You should specify a name!", BoxIcon::Warning);
    ASSERT_TRUE(Answer(warning, IDOK));
    EXPECT_TRUE(IsWindow(dialogBox.window));
    SetTextOf(dialogBox.window, IDC_NAME_EDIT, L" *new* ");
    ASSERT_TRUE(Answer(dialogBox, IDOK));
    ui->Settle();
    EXPECT_EQ(ListEntries(), (std::vector<ListEntry>{{L" *new* ", 1}, {L"*a*", 2}, {L"*b*", 1}, {L"*c*", 3}}));

    EnterName(IDC_ADD_FILTER, L"Add Filter", L"*A*");
    ExpectNoBox();
    EXPECT_EQ(ListEntries().size(), 4u);

    // Insert in the list opens the same dialog; cancelling changes nothing.
    ListKey(VK_INSERT);
    BoxInfo again = ExpectNameDialog(L"Add Filter");
    EXPECT_EQ(TextOf(again.window, IDC_NAME_EDIT), L"*A*") << "the last text carries over";
    ASSERT_TRUE(Answer(again, IDCANCEL));
    EXPECT_EQ(ListEntries().size(), 4u);
    CloseWithCloseBox();
    // Stored as typed; the file trims values, so after a load it comes back without blanks.
    EXPECT_NE(CategoriesOnDisk().find("Filter =  *new* \n"), std::string::npos);
    ClearCategories();
    ASSERT_TRUE(LoadCategories(storage.categoriesFile));
    ASSERT_NE(FindCategory(L"Default"), nullptr);
    EXPECT_EQ(FindCategory(L"Default")->filters.front(), L"*new*");
    ClearCategories();
}

TEST_F(FilterListTest, TheDialogChoosesTheKindAndRefusesAnExpressionThatDoesNotCompile)
{
    Start();
    struct Row {
        int command;
        const wchar_t* caption;
        bool regex;
        const wchar_t* text;
        const wchar_t* refusal;   // the box's text, or null when taken
    } rows[] = {
        {IDC_ADD_FILTER, L"Add Filter", true, L"a(b",
         L"The regular expression is refused: missing closing parenthesis (after 3 characters)"},
        {IDC_ADD_FILTER, L"Add Filter", true, L" t=\\d+ ", nullptr},
        {IDC_ADD_FILTER, L"Add Filter", false, L"a(b", nullptr},   // a mask takes any text
        {IDC_REPLACE_FILTER, L"Replace Filter", true, L"[x", L"The regular expression is refused: "
                                                            L"missing terminating ] for character class (after 2 characters)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.text)));
        SelectFilter(0);
        const std::vector<ListEntry> before = ListEntries();
        Click(row.command);
        BoxInfo box = ExpectNameDialog(row.caption);
        ASSERT_NE(box.window, nullptr);
        ui->Invoke([&] { CheckRadioButton(box.window, IDC_NAME_MASK, IDC_NAME_REGEX,
                                          row.regex ? IDC_NAME_REGEX : IDC_NAME_MASK); });
        SetTextOf(box.window, IDC_NAME_EDIT, row.text);
        const std::wstring hint = TextOf(box.window, IDC_MASK_HINT);
        EXPECT_EQ(hint.find(L"regular expression") != std::wstring::npos, row.regex) << hint;
        ASSERT_TRUE(Answer(box, IDOK));
        if (row.refusal) {
            EXPECT_NE(hint.find(L"Not yet a regular expression"), std::wstring::npos) << hint;
            ASSERT_TRUE(Answer(ExpectBox(row.caption, row.refusal, BoxIcon::Warning), IDOK));
            ASSERT_TRUE(IsWindow(box.window));
            ASSERT_TRUE(Answer(box, IDCANCEL));
            EXPECT_EQ(ListEntries(), before) << "nothing is saved";
            continue;
        }
        ui->Settle();
        const std::vector<ListEntry> after = ListEntries();
        EXPECT_NE(std::find(after.begin(), after.end(), ListEntry(row.text, row.regex ? 5 : 1)), after.end());
    }
    CloseWithCloseBox();
    // The expression's blanks survive the file's trimming; the masks' file lines are as before.
    const std::string disk = CategoriesOnDisk();
    EXPECT_NE(disk.find("Filter = \\x20t=\\d+\\x20\n"), std::string::npos) << disk;
    EXPECT_NE(disk.find("Filter = a(b\n"), std::string::npos) << disk;
    EXPECT_NE(disk.find("Kind = 10000\n"), std::string::npos) << disk;
    ClearCategories();
}

TEST_F(FilterListTest, ReplaceKeepsStateAndAllowsDuplicates)
{
    Start();
    SelectFilter(2);   // *c*, checked And
    Click(IDC_REPLACE_FILTER);
    BoxInfo box = ExpectNameDialog(L"Replace Filter");
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(TextOf(box.window, IDC_NAME_EDIT), L"*c*");
    EXPECT_EQ(TextOf(box.window, IDC_NAME_LABEL), L"Filter:");
    SetTextOf(box.window, IDC_NAME_EDIT, L"*A*");
    ASSERT_TRUE(Answer(box, IDOK));
    ui->Settle();
    std::vector<ListEntry> entries = ListEntries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_NE(std::find(entries.begin(), entries.end(), ListEntry(L"*A*", 3)), entries.end());

    // Enter in the list and activating an item replace too.
    SelectFilter(0);
    // (Through the dialog's loop Enter presses the default button, Go; the list's own key
    // notice is what a list that gets the key sends.)
    ui->Post([this] {
        NMLVKEYDOWN key{};
        key.hdr.hwndFrom = GetDlgItem(dialog, IDC_FILTER_LIST);
        key.hdr.idFrom = IDC_FILTER_LIST;
        key.hdr.code = LVN_KEYDOWN;
        key.wVKey = VK_RETURN;
        SendMessageW(dialog, WM_NOTIFY, IDC_FILTER_LIST, reinterpret_cast<LPARAM>(&key));
    });
    box = ExpectNameDialog(L"Replace Filter");
    ASSERT_TRUE(Answer(box, IDCANCEL));
    ui->Post([this] {
        NMITEMACTIVATE activate{};
        activate.hdr.hwndFrom = GetDlgItem(dialog, IDC_FILTER_LIST);
        activate.hdr.idFrom = IDC_FILTER_LIST;
        activate.hdr.code = LVN_ITEMACTIVATE;
        activate.iItem = 0;
        SendMessageW(dialog, WM_NOTIFY, IDC_FILTER_LIST, reinterpret_cast<LPARAM>(&activate));
    });
    box = ExpectNameDialog(L"Replace Filter");
    ASSERT_TRUE(Answer(box, IDCANCEL));
    EXPECT_EQ(ListEntries(), entries);
    CloseWithEsc();
}

TEST_F(FilterListTest, RemovingSelectsTheNextOrLastAndTheEmptyListDisablesItemButtons)
{
    Start();
    SelectFilter(0);
    Click(IDC_REMOVE_FILTER);
    EXPECT_EQ(ListEntries(), (std::vector<ListEntry>{{L"*b*", 1}, {L"*c*", 3}}));
    EXPECT_EQ(SelectedFilter(), 0) << "the next item is selected";
    SelectFilter(1);
    ListKey(VK_DELETE);
    EXPECT_EQ(ListEntries(), (std::vector<ListEntry>{{L"*b*", 1}}));
    EXPECT_EQ(SelectedFilter(), 0) << "removing the last item selects the new last one";
    EXPECT_TRUE(Enabled(IDC_REMOVE_FILTER));
    Click(IDC_REMOVE_FILTER);
    EXPECT_TRUE(ListEntries().empty());
    EXPECT_EQ(SelectedFilter(), -1);
    EXPECT_FALSE(Enabled(IDC_REMOVE_FILTER));
    EXPECT_FALSE(Enabled(IDC_REPLACE_FILTER));
    EXPECT_FALSE(Enabled(IDC_OR_AND));
    Click(IDC_REMOVE_FILTER);   // nothing selected: nothing happens
    ExpectNoBox();
    CloseWithCloseBox();
    EXPECT_EQ(CategoriesOnDisk(), "Category = Errors\nFilter = *ERROR*\nCheck = 1\n");
}

TEST_F(FilterListTest, AllAndNoneSetEveryCheckAndKeepModes)
{
    Start();
    Click(IDC_ALL);
    EXPECT_EQ(ListEntries(), (std::vector<ListEntry>{{L"*a*", 3}, {L"*b*", 1}, {L"*c*", 3}}));
    Click(IDC_NONE);
    EXPECT_EQ(ListEntries(), (std::vector<ListEntry>{{L"*a*", 2}, {L"*b*", 0}, {L"*c*", 2}}));
    CloseWithCloseBox();
}

TEST_F(FilterListTest, CategoryInAnotherCaseIsListedTwiceAndDeletingOneEmptiesTheOther)
{
    Start();
    EnterName(IDC_ADD_CATEGORY, L"Add Category", L"ERRORS");
    std::vector<std::wstring> entries = CategoryEntries();
    EXPECT_EQ(entries.size(), 3u);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), L"ERRORS"), 1);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), L"Errors"), 1);
    EXPECT_EQ(SelectedCategory(), L"ERRORS");
    EXPECT_EQ(ListEntries(), (std::vector<ListEntry>{{L"*ERROR*", 1}})) << "both entries show the stored category";

    // The next Add Filter dialog opens with the name just entered.
    Click(IDC_ADD_FILTER);
    BoxInfo box = ExpectNameDialog(L"Add Filter");
    EXPECT_EQ(TextOf(box.window, IDC_NAME_EDIT), L"ERRORS");
    ASSERT_TRUE(Answer(box, IDCANCEL));

    Click(IDC_DELETE_CATEGORY);
    BoxInfo ask = ExpectBox(L"Delete?", L"Are you sure you want to delete the category?", BoxIcon::Question);
    ASSERT_TRUE(Answer(ask, IDYES));
    ui->Settle();
    entries = CategoryEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), L"Errors"), 1);
    SelectCategory(L"Errors");
    EXPECT_TRUE(ListEntries().empty()) << "the other entry names a category that is gone";
    CloseWithCloseBox();
    // Default was read back, in list order, when the new entry was shown; it holds what the
    // file holds, so the file keeps its own order for it while "Errors" goes.
    EXPECT_EQ(CategoriesOnDisk(), "Category = Default\nFilter = *b*\nFilter = *a*\nFilter = *c*\nCheck = 123\n");
}

TEST_F(FilterListTest, DeletingDefaultIsRefusedInAnyCase)
{
    WriteCategories("Category = default\nFilter = *x*\nCheck = 1\n");
    Start();
    EXPECT_EQ(SelectedCategory(), L"default");
    Click(IDC_DELETE_CATEGORY);
    BoxInfo box = ExpectBox(L"Delete", L"You can not delete the default category!", BoxIcon::Warning);
    ASSERT_TRUE(Answer(box, IDOK));
    ExpectNoBox();
    EXPECT_EQ(CategoryEntries(), std::vector<std::wstring>{L"default"});
    CloseWithCloseBox();
    EXPECT_EQ(CategoriesOnDisk(), "Category = default\nFilter = *x*\nCheck = 1\n");
}

TEST_F(FilterListTest, AnsweringNoKeepsTheCategory)
{
    Start();
    SelectCategory(L"Errors");
    Click(IDC_DELETE_CATEGORY);
    BoxInfo box = ExpectBox(L"Delete?", L"Are you sure you want to delete the category?", BoxIcon::Question);
    ASSERT_TRUE(Answer(box, IDNO));
    EXPECT_EQ(CategoryEntries(), (std::vector<std::wstring>{L"Default", L"Errors"}));
    EXPECT_EQ(ListEntries(), (std::vector<ListEntry>{{L"*ERROR*", 1}}));
    CloseWithCloseBox();
}

TEST_F(FilterListTest, DeletingTheLastEntryLeavesNothingSelectedAndTheListUntouched)
{
    Start();
    SelectCategory(L"Errors");
    Click(IDC_DELETE_CATEGORY);
    BoxInfo box = ExpectBox(L"Delete?", L"Are you sure you want to delete the category?", BoxIcon::Question);
    ASSERT_TRUE(Answer(box, IDYES));
    ui->Settle();
    // The removed entry was last: the one before it is selected and shown.
    EXPECT_EQ(SelectedCategory(), L"Default");
    EXPECT_EQ(ListEntries(), (std::vector<ListEntry>{{L"*a*", 2}, {L"*b*", 1}, {L"*c*", 3}}));
    CloseWithCloseBox();
    EXPECT_EQ(CategoriesOnDisk().find("Errors"), std::string::npos);
}

TEST_F(FilterListTest, CategoryNameDialogKeepsItsLabelAndNeedsAName)
{
    Start();
    Click(IDC_ADD_CATEGORY);
    BoxInfo box = ExpectNameDialog(L"Add Category");
    ASSERT_NE(box.window, nullptr);
    SetTextOf(box.window, IDC_NAME_EDIT, L"");
    ASSERT_TRUE(Answer(box, IDOK));
    BoxInfo warning = ExpectBox(L"Add Category", L"You should specify a name!", BoxIcon::Warning);
    ASSERT_TRUE(Answer(warning, IDOK));
    SetTextOf(box.window, IDC_NAME_EDIT, L" Spaced ");
    ASSERT_TRUE(Answer(box, IDOK));
    ui->Settle();
    EXPECT_EQ(SelectedCategory(), L" Spaced ");
    EnterName(IDC_ADD_FILTER, L"Add Filter", L"*s*");
    CloseWithCloseBox();
    // Stored as typed; a load trims it.
    EXPECT_NE(CategoriesOnDisk().find("Category =  Spaced \nFilter = *s*\nCheck = 1\n"), std::string::npos);
    ClearCategories();
    ASSERT_TRUE(LoadCategories(storage.categoriesFile));
    ASSERT_EQ(CategoryCount(), 3u);
    EXPECT_EQ(CategoryAt(2)->name, L"Spaced");
    ClearCategories();
}

TEST_F(FilterListTest, TheFilterDialogSaysHowItsTextWillBeReadAndOffersTheContainsForm)
{
    Start();
    Click(IDC_ADD_FILTER);
    BoxInfo box = ExpectNameDialog(L"Add Filter");
    ASSERT_NE(box.window, nullptr);
    auto hint = [&] { return TextOf(GetDlgItem(box.window, IDC_MASK_HINT)); };
    auto offered = [&] { return IsWindowVisible(GetDlgItem(box.window, IDC_MASK_CONTAINS)) != FALSE; };
    const struct {
        const wchar_t* typed;
        const wchar_t* said;
        bool contains;
    } rows[] = {
        {L"configure", L"Line needs \"configure\" anywhere, and must end with that first \"configure\". Case matters.", true},
        {L"2026-05-09", L"Line needs \"2026\" anywhere, no \"05\" after \"2026\", no \"09\" after \"2026\". Case matters.", false},
        {L"~Error", L"Line needs \"error\" anywhere, and must end with that first \"error\". Case is ignored.", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.typed)));
        // Typed: the edit box tells the dialog of each change.
        SetTextOf(box.window, IDC_NAME_EDIT, row.typed);
        ui->Settle();
        EXPECT_EQ(hint(), row.said);
        EXPECT_EQ(offered(), row.contains);
    }
    SetTextOf(box.window, IDC_NAME_EDIT, L"configure");
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(IDC_MASK_CONTAINS, BN_CLICKED), 0);
    ui->Settle();
    EXPECT_EQ(TextOf(GetDlgItem(box.window, IDC_NAME_EDIT)), L"*configure*");
    EXPECT_EQ(hint(), L"Line needs \"configure\" anywhere. Case matters.");
    EXPECT_FALSE(offered());
    ASSERT_TRUE(Answer(box, IDOK));
    ui->Settle();
    const std::vector<ListEntry> entries = ListEntries();
    EXPECT_NE(std::find(entries.begin(), entries.end(), ListEntry{L"*configure*", 1}), entries.end());
    CloseWithCloseBox();
}
