// CMainDlg's filter list and category box: showing a category, reading it back, the filter and category commands.
#include "ui/MainDlg.h"

#include "categories/CategoryStore.h"
#include "win32/StringException.h"
#include "resources/resource.h"
#include "ui/NameDialog.h"
#include "ui/WindowText.h"

namespace {

const wchar_t* const kCreateListFailedText = L"Unable to create filters list control";
const wchar_t* const kDeleteDefaultText = L"You can not delete the default category!";
const wchar_t* const kConfirmDeleteText = L"Are you sure you want to delete the category?";

// Item images: bit 0 And, bit 1 a regular expression (the Or/And image with the
// expression's mark), so the image alone carries the filter's mode and kind.
constexpr int kOrImage = 0;
constexpr int kAndImage = 1;
constexpr int kRegexImage = 2;

int FilterImage(const CFilter& filter)
{
    return (filter.IsAnd() ? kAndImage : kOrImage) + (filter.IsRegex() ? kRegexImage : 0);
}
constexpr int kUnchecked = 1;   // state image indexes of LVS_EX_CHECKBOXES
constexpr int kChecked = 2;

void SetCheck(HWND list, int index, bool checked)
{
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? kChecked : kUnchecked);
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

int ItemImage(HWND list, int index)
{
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return kOrImage;
    return item.iImage;
}

void SetItemImage(HWND list, int index, int image)
{
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = index;
    item.iImage = image;
    SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

// Appends an item (the control sorts it into place); returns its index or -1.
int InsertFilter(HWND list, const std::wstring& text, int image)
{
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.iImage = image;
    return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

}  // namespace

HWND CMainDlg::FilterList() const
{
    return Item(IDC_FILTER_LIST);
}

std::wstring CMainDlg::ItemText(int index) const
{
    return ListItemText(FilterList(), index);
}

void CMainDlg::InitFilters()
{
    // The list shares the dialog's image list, which the dialog destroys once its window is
    // gone; an unshared list would destroy it a second time.
    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_LIST | LVS_SINGLESEL |
                                    LVS_SHOWSELALWAYS | LVS_SORTASCENDING | LVS_ALIGNLEFT |
                                    LVS_SHAREIMAGELISTS,
                                0, 0, 0, 0, m_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FILTER_LIST)),
                                m_instance, nullptr);
    if (!list)
        throw CStringException(L"CMainDlg::InitFilters", kCreateListFailedText);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, static_cast<WPARAM>(-1), LVS_EX_CHECKBOXES);
    SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_imageList.Get()));

    HWND box = Item(IDC_CATEGORY);
    for (size_t i = 0; i < CategoryCount(); ++i) {
        const Category* category = CategoryAt(i);
        if (category && !category->name.empty())
            SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(category->name.c_str()));
    }
    SendMessageW(box, CB_SETCURSEL, 0, 0);
    OnCategoryChange();
}

void CMainDlg::OnCategoryChange()
{
    std::wstring name;
    if (!SelectedCategoryName(name))
        return;
    ShowCategory(FindCategory(name.c_str()));
}

void CMainDlg::ShowCategory(Category* category)
{
    ReadBackFilters();
    HWND list = FilterList();
    if (!list)
        return;
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    m_currentCategory = category;
    if (!category)
        return;
    for (size_t i = 0; i < category->filters.size(); ++i) {
        if (category->filters[i].empty())
            continue;
        const CFilter filter = CFilter::FromState(category->filters[i],
                                                  GetFilterState(category, static_cast<int>(i)));
        int index = InsertFilter(list, filter.text, FilterImage(filter));
        if (filter.checked && index >= 0)
            SetCheck(list, index, true);
    }
}

void CMainDlg::ReadBackFilters()
{
    HWND list = FilterList();
    if (!m_currentCategory || !list)
        return;
    m_currentCategory->filters.clear();
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const CFilter filter = ListFilter(i);
        if (!filter.text.empty())
            m_currentCategory->filters.push_back(filter.text);
        SetFilterState(m_currentCategory, i, filter.State());
    }
}

CFilter CMainDlg::ListFilter(int index) const
{
    HWND list = FilterList();
    LVITEMW item{};
    item.mask = LVIF_IMAGE | LVIF_STATE;
    item.iItem = index;
    item.stateMask = LVIS_STATEIMAGEMASK;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    const int stateImage = static_cast<int>((item.state & LVIS_STATEIMAGEMASK) >> 12);
    CFilter filter(ItemText(index), (item.iImage & kAndImage) ? FilterAnd : FilterOr, stateImage != kUnchecked);
    filter.kind = (item.iImage & kRegexImage) ? FilterKind::Regex : FilterKind::Mask;
    return filter;
}

int CMainDlg::SelectedItem() const
{
    HWND list = FilterList();
    if (!list)
        return -1;
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

bool CMainDlg::SelectedCategoryName(std::wstring& name) const
{
    HWND box = Item(IDC_CATEGORY);
    LRESULT selected = SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR)
        return false;
    name = ComboEntryText(box, static_cast<int>(selected));
    return true;
}

void CMainDlg::AddFilter()
{
    NameDialog().caption = L"Add Filter";
    NameDialog().label = L"Filter:";
    if (ShowNameDialog(m_instance, m_window, IDD_NAME_FILTER) != IDOK)
        return;
    const std::wstring& text = NameDialog().text;
    HWND list = FilterList();
    if (text.empty() || !list)
        return;
    LVFINDINFOW find{};
    find.flags = LVFI_STRING;
    find.psz = text.c_str();
    if (SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)) >= 0)
        return;
    CFilter filter(text);
    filter.kind = NameDialog().kind;
    int index = InsertFilter(list, text, FilterImage(filter));
    if (index >= 0)
        SetCheck(list, index, true);
}

void CMainDlg::ReplaceFilter()
{
    int index = SelectedItem();
    if (index < 0)
        return;
    std::wstring old = ItemText(index);
    if (old.empty())
        return;
    NameDialog().caption = L"Replace Filter";
    NameDialog().label = L"Filter:";
    NameDialog().text = old;
    CFilter filter = ListFilter(index);
    NameDialog().kind = filter.kind;
    if (ShowNameDialog(m_instance, m_window, IDD_NAME_FILTER) != IDOK || NameDialog().text.empty())
        return;
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = const_cast<wchar_t*>(NameDialog().text.c_str());
    SendMessageW(FilterList(), LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    filter.kind = NameDialog().kind;
    SetItemImage(FilterList(), index, FilterImage(filter));
}

void CMainDlg::RemoveFilter()
{
    int index = SelectedItem();
    if (index < 0)
        return;
    HWND list = FilterList();
    SendMessageW(list, LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    if (index >= count)
        index = count - 1;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void CMainDlg::ToggleOrAnd()
{
    int index = SelectedItem();
    if (index < 0)
        return;
    HWND list = FilterList();
    SetItemImage(list, index, ItemImage(list, index) ^ kAndImage);   // the kind stays
}

void CMainDlg::CheckAll(bool checked)
{
    HWND list = FilterList();
    if (!list)
        return;
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        SetCheck(list, i, checked);
}

void CMainDlg::AddCategory()
{
    NameDialog().caption = L"Add Category";
    NameDialog().label = L"Name:";
    if (ShowNameDialog(m_instance, m_window, IDD_NAME_CATEGORY) != IDOK)
        return;
    const std::wstring name = NameDialog().text;
    HWND box = Item(IDC_CATEGORY);
    LRESULT index = SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (index == CB_ERR || index == CB_ERRSPACE)
        return;
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    // The list goes back into the current category before the store grows: a store that
    // moves its categories as it grows would leave `m_currentCategory` pointing at the old place.
    ReadBackFilters();
    m_currentCategory = nullptr;
    ShowCategory(::AddCategory(name.c_str()));
}

void CMainDlg::DeleteCategory()
{
    HWND box = Item(IDC_CATEGORY);
    LRESULT index = SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return;
    std::wstring name = ComboEntryText(box, static_cast<int>(index));
    if (EqualsAsciiNoCase(name, L"Default")) {
        Message(kDeleteDefaultText, L"Delete", MB_OK | MB_ICONWARNING);
        return;
    }
    if (Message(kConfirmDeleteText, L"Delete?", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    ::DeleteCategory(name.c_str());
    m_currentCategory = nullptr;
    LRESULT count = SendMessageW(box, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
    if (count != CB_ERR && index >= count)
        --index;
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    OnCategoryChange();
}
