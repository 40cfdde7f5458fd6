// Finding, reading and driving windows, in this process or another: texts, buttons, message
// boxes, list-view items, the clipboard, key states and client sizes.
#pragma once

#include <windows.h>

#include <string>

// Which visible windows to look for: those of one thread or one process (0: any), of a class
// and a caption (null: any), except one. `enabledOnly` skips windows disabled behind a modal box.
struct WindowQuery {
    DWORD thread = 0;
    DWORD process = 0;
    const wchar_t* className = nullptr;
    const wchar_t* caption = nullptr;
    HWND except = nullptr;
    bool enabledOnly = false;
};
constexpr const wchar_t* kDialogClass = L"#32770";

HWND FindWindowNow(const WindowQuery& query);
// Waits for such a window; fails the test at the wait when none comes.
HWND WaitForWindow(const std::string& what, const WindowQuery& query);
// Waits until the window is gone, or hidden and disabled behind a box of its own.
bool WaitUntilGone(const std::string& what, HWND window);
// Waits until the window and its children have nothing left to paint, for a screenshot.
bool WaitUntilPainted(HWND window);

// Texts through WM_GETTEXT and WM_SETTEXT, which work across processes.
std::wstring TextOf(HWND window);
std::wstring TextOf(HWND dialog, int id);
void SetTextOf(HWND dialog, int id, const std::wstring& text);
// Posts a button's click to its dialog, as a click does, and returns at once.
void PressButton(HWND dialog, int id);

enum class BoxIcon { None, Error, Warning, Question, Information, Other };

// A modal dialog box as the user sees it.
struct BoxInfo {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;   // the text of its static control 0xFFFF: a message box's message
    BoxIcon icon = BoxIcon::None;   // known for boxes of this process only
};
BoxInfo ReadBox(HWND box);
// The enabled, visible dialog box of a thread other than `except`: the newest modal one, since
// opening a modal box disables its owner. Null window when there is none.
BoxInfo FindBox(DWORD thread, HWND except);
BoxInfo WaitForBox(DWORD thread, HWND except);
// Presses a button of a box and waits until the box has gone (or hides behind a box of its own).
bool Answer(const BoxInfo& box, int button);

// List-view items of a control in any process (the item messages carry pointers, so their
// memory is placed in the control's process).
int ListCount(HWND list);
std::wstring ListText(HWND list, int index);
// The state image (1 unchecked, 2 checked) and the image of an item.
int ListStateImage(HWND list, int index);
int ListImage(HWND list, int index);
bool SetListState(HWND list, int index, UINT mask, UINT state);

// The file name box of a common open or save dialog (cmb13, or edt1).
HWND FileNameBox(HWND dialog);

// The clipboard's text in a format (CF_TEXT bytes widened one to one), once the clipboard can
// be opened; "<no data>" when it holds none in that format.
std::wstring ClipboardText(UINT format = CF_UNICODETEXT);

// Ctrl and Shift as GetKeyState reports them on this thread, while alive.
class CKeyState {
public:
    CKeyState(bool ctrl, bool shift);
    ~CKeyState();
    CKeyState(const CKeyState&) = delete;
    CKeyState& operator=(const CKeyState&) = delete;

private:
    BYTE m_saved[256];
};

// Resizes a window of this thread until its client area has the given size.
void SetClientSize(HWND window, int width, int height);
