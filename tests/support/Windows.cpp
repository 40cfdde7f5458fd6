// Window finding, texts, buttons, message boxes, list items, clipboard, keys and sizes for the tests.
#include "tests/support/Windows.h"

#include "tests/support/Wait.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace {

// The program's entry point does this before any window exists; so does every window test.
const bool g_commonControls = (InitCommonControls(), true);


struct FindState {
    const WindowQuery* query;
    HWND found;
};

bool Matches(HWND window, const WindowQuery& query)
{
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &process);
    if ((query.thread && thread != query.thread) || (query.process && process != query.process) ||
        window == query.except || !IsWindowVisible(window) ||
        (query.enabledOnly && !IsWindowEnabled(window)))
        return false;
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return (!query.className || lstrcmpW(name, query.className) == 0) &&
           (!query.caption || TextOf(window) == query.caption);
}

BOOL CALLBACK FindMatching(HWND window, LPARAM parameter)
{
    auto* state = reinterpret_cast<FindState*>(parameter);
    if (!Matches(window, *state->query))
        return TRUE;
    state->found = window;
    return FALSE;
}

BoxIcon IconKind(HICON icon)
{
    const struct {
        const wchar_t* id;
        BoxIcon kind;
    } kinds[] = {{IDI_HAND, BoxIcon::Error}, {IDI_EXCLAMATION, BoxIcon::Warning},
                 {IDI_QUESTION, BoxIcon::Question}, {IDI_ASTERISK, BoxIcon::Information}};
    if (!icon)
        return BoxIcon::None;
    for (const auto& k : kinds) {
        if (icon == LoadIconW(nullptr, k.id))
            return k.kind;
    }
    return BoxIcon::Other;
}

BOOL CALLBACK FindIcon(HWND child, LPARAM parameter)
{
    wchar_t name[16] = {};
    GetClassNameW(child, name, 16);
    if (lstrcmpiW(name, L"Static") != 0 || (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
        return TRUE;
    *reinterpret_cast<HICON*>(parameter) = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    return FALSE;
}

// Memory in the process that owns a window, for messages that carry a pointer.
class CRemoteBlock {
public:
    CRemoteBlock(HWND window, size_t size)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
        if (m_process)
            m_address = static_cast<char*>(VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    }
    ~CRemoteBlock()
    {
        if (m_address)
            VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
        if (m_process)
            CloseHandle(m_process);
    }
    CRemoteBlock(const CRemoteBlock&) = delete;
    CRemoteBlock& operator=(const CRemoteBlock&) = delete;

    char* Address() const { return m_address; }
    bool Write(const void* data, size_t size, size_t offset = 0) const
    {
        return m_address && WriteProcessMemory(m_process, m_address + offset, data, size, nullptr);
    }
    bool Read(void* data, size_t size, size_t offset = 0) const
    {
        return m_address && ReadProcessMemory(m_process, m_address + offset, data, size, nullptr);
    }

private:
    HANDLE m_process = nullptr;
    char* m_address = nullptr;
};

// LVM_GETITEMW for the image and state fields of an item.
LVITEMW ItemFields(HWND list, int index)
{
    LVITEMW item{};
    item.mask = LVIF_IMAGE | LVIF_STATE;
    item.iItem = index;
    item.stateMask = LVIS_STATEIMAGEMASK;
    CRemoteBlock block(list, sizeof item);
    if (block.Write(&item, sizeof item) &&
        SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(block.Address())))
        block.Read(&item, sizeof item);
    return item;
}

} // namespace

HWND FindWindowNow(const WindowQuery& query)
{
    FindState state{&query, nullptr};
    if (query.thread)
        EnumThreadWindows(query.thread, FindMatching, reinterpret_cast<LPARAM>(&state));
    else
        EnumWindows(FindMatching, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

HWND WaitForWindow(const std::string& what, const WindowQuery& query)
{
    HWND found = nullptr;
    WaitFor(what, [&] { return (found = FindWindowNow(query)) != nullptr; });
    return found;
}

bool WaitUntilGone(const std::string& what, HWND window)
{
    return WaitFor(what, [window] {
        return !IsWindow(window) || !IsWindowVisible(window) || !IsWindowEnabled(window);
    });
}

bool WaitUntilPainted(HWND window)
{
    return WaitFor("a window to be painted", [window] {
        // Its thread has handled what was sent before, the invalidation among it.
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kWaitLimit, &ignored))
            return false;
        bool unpainted = GetUpdateRect(window, nullptr, FALSE) != FALSE;
        EnumChildWindows(window, [](HWND child, LPARAM found) {
            *reinterpret_cast<bool*>(found) |= GetUpdateRect(child, nullptr, FALSE) != FALSE;
            return TRUE;
        }, reinterpret_cast<LPARAM>(&unpainted));
        return !unpainted;
    });
}

std::wstring TextOf(HWND window)
{
    std::vector<wchar_t> text(4096, L'\0');
    // A program that does not answer within the wait limit must not hang the test.
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_NORMAL, kWaitLimit, nullptr);
    return text.data();
}

std::wstring TextOf(HWND dialog, int id)
{
    return TextOf(GetDlgItem(dialog, id));
}

void SetTextOf(HWND dialog, int id, const std::wstring& text)
{
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void PressButton(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

BoxInfo ReadBox(HWND box)
{
    BoxInfo info;
    if (!box)
        return info;
    info.window = box;
    info.caption = TextOf(box);
    if (HWND text = GetDlgItem(box, 0xFFFF))
        info.text = TextOf(text);
    HICON icon = nullptr;
    EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&icon));
    info.icon = IconKind(icon);
    return info;
}

BoxInfo FindBox(DWORD thread, HWND except)
{
    WindowQuery query;
    query.thread = thread;
    query.className = kDialogClass;
    query.except = except;
    query.enabledOnly = true;
    return ReadBox(FindWindowNow(query));
}

BoxInfo WaitForBox(DWORD thread, HWND except)
{
    BoxInfo box;
    WaitFor("a dialog box", [&] { return (box = FindBox(thread, except)).window != nullptr; });
    return box;
}

bool Answer(const BoxInfo& box, int button)
{
    if (!box.window)
        return false;
    PressButton(box.window, button);
    return WaitUntilGone("the box \"" + std::string(box.caption.begin(), box.caption.end()) +
                             "\" to close after its button " + std::to_string(button),
                         box.window);
}

int ListCount(HWND list)
{
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring ListText(HWND list, int index)
{
    constexpr size_t kChars = 1024;
    CRemoteBlock block(list, sizeof(LVITEMW) + kChars * sizeof(wchar_t));
    LVITEMW item{};
    item.cchTextMax = static_cast<int>(kChars);
    item.pszText = reinterpret_cast<wchar_t*>(block.Address() + sizeof(LVITEMW));
    if (!block.Write(&item, sizeof item))
        return L"";
    const LRESULT n = SendMessageW(list, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(block.Address()));
    std::vector<wchar_t> text(kChars, L'\0');
    block.Read(text.data(), kChars * sizeof(wchar_t), sizeof(LVITEMW));
    return std::wstring(text.data(), static_cast<size_t>(std::clamp<LRESULT>(n, 0, kChars)));
}

int ListStateImage(HWND list, int index)
{
    return static_cast<int>((ItemFields(list, index).state & LVIS_STATEIMAGEMASK) >> 12);
}

int ListImage(HWND list, int index)
{
    return ItemFields(list, index).iImage;
}

bool SetListState(HWND list, int index, UINT mask, UINT state)
{
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    CRemoteBlock block(list, sizeof item);
    return block.Write(&item, sizeof item) &&
           SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(block.Address()));
}

HWND FileNameBox(HWND dialog)
{
    HWND box = GetDlgItem(dialog, 0x47c);
    return box ? box : GetDlgItem(dialog, 0x480);
}

std::wstring ClipboardText(UINT format)
{
    // Another program (or thread) may hold the clipboard open for a moment.
    if (!WaitFor("the clipboard to open", [] { return OpenClipboard(nullptr) != FALSE; }))
        return L"<clipboard busy>";
    std::wstring text = L"<no data>";
    HANDLE data = GetClipboardData(format);
    if (const void* locked = data ? GlobalLock(data) : nullptr) {
        if (format == CF_UNICODETEXT) {
            text = static_cast<const wchar_t*>(locked);
        } else {
            text.clear();
            for (const char* byte = static_cast<const char*>(locked); *byte; ++byte)
                text += wchar_t(uint8_t(*byte));
        }
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

CKeyState::CKeyState(bool ctrl, bool shift)
{
    GetKeyboardState(m_saved);
    BYTE state[256];
    std::copy(std::begin(m_saved), std::end(m_saved), state);
    state[VK_CONTROL] = state[VK_LCONTROL] = ctrl ? 0x80 : 0;
    state[VK_SHIFT] = state[VK_LSHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
}

CKeyState::~CKeyState()
{
    SetKeyboardState(m_saved);
}

void SetClientSize(HWND window, int width, int height)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        RECT client, frame;
        GetClientRect(window, &client);
        GetWindowRect(window, &frame);
        const int dx = width - client.right;
        const int dy = height - client.bottom;
        if (dx == 0 && dy == 0)
            return;
        SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + dx,
                     frame.bottom - frame.top + dy, SWP_NOMOVE | SWP_NOZORDER);
        PumpMessages();
    }
}
