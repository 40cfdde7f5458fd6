// Outside control of a running tilvo.exe through window messages.
#include "tests/e2e/Driver.h"

#include <commctrl.h>

#include <vector>

namespace {

struct FindData {
    DWORD process;
    const wchar_t* className;
    const wchar_t* caption;
    HWND excluding;
    HWND found;
};

BOOL CALLBACK FindTop(HWND window, LPARAM param)
{
    auto* data = reinterpret_cast<FindData*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != data->process || window == data->excluding || !IsWindowVisible(window))
        return TRUE;
    wchar_t cls[256] = {};
    GetClassNameW(window, cls, 256);
    if (data->className && lstrcmpW(cls, data->className) != 0)
        return TRUE;
    if (data->caption && WindowText(window) != data->caption)
        return TRUE;
    data->found = window;
    return FALSE;
}

// Memory inside the program, for messages that carry a pointer.
class CRemoteBlock {
public:
    CRemoteBlock(DWORD processId, size_t size)
        : m_process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                                processId)),
          m_size(size)
    {
        if (m_process)
            m_address = VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
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

    void* Address() const { return m_address; }
    bool Write(const void* data, size_t size, size_t offset = 0) const
    {
        return WriteProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size, nullptr);
    }
    bool Read(void* data, size_t size, size_t offset = 0) const
    {
        return ReadProcessMemory(m_process, static_cast<char*>(m_address) + offset, data, size, nullptr);
    }

private:
    HANDLE m_process;
    void* m_address = nullptr;
    size_t m_size;
};

} // namespace

CTilvoProcess::CTilvoProcess(const std::wstring& exePath, const std::wstring& folder)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + exePath + L"\"";
    if (CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
        m_process = info.hProcess;
        m_id = info.dwProcessId;
        WaitForInputIdle(m_process, 10000);
    }
}

CTilvoProcess::~CTilvoProcess()
{
    if (m_process) {
        if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process, 99);
        CloseHandle(m_process);
    }
}

DWORD CTilvoProcess::WaitForExit(DWORD milliseconds)
{
    if (!m_process || WaitForSingleObject(m_process, milliseconds) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_process, &code);
    return code;
}

HWND CTilvoProcess::FindWindowNow(const wchar_t* className, const wchar_t* caption,
                                  HWND excluding) const
{
    FindData data{m_id, className, caption, excluding, nullptr};
    EnumWindows(FindTop, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

HWND CTilvoProcess::WaitForWindow(const wchar_t* className, const wchar_t* caption,
                                  DWORD milliseconds, HWND excluding) const
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowNow(className, caption, excluding)) != nullptr; },
              milliseconds);
    return found;
}

int CTilvoProcess::ItemCount(HWND list) const
{
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring CTilvoProcess::ItemText(HWND list, int index) const
{
    const size_t chars = 1024;
    CRemoteBlock block(m_id, sizeof(LVITEMW) + chars * sizeof(wchar_t));
    if (!block.Address())
        return L"";
    LVITEMW item{};
    item.iSubItem = 0;
    item.cchTextMax = static_cast<int>(chars);
    item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(block.Address()) + sizeof(LVITEMW));
    block.Write(&item, sizeof item);
    const LRESULT n = SendMessageW(list, LVM_GETITEMTEXTW, index,
                                   reinterpret_cast<LPARAM>(block.Address()));
    std::vector<wchar_t> text(chars, L'\0');
    block.Read(text.data(), chars * sizeof(wchar_t), sizeof(LVITEMW));
    return std::wstring(text.data(), static_cast<size_t>(n > 0 ? n : 0));
}

bool CTilvoProcess::ItemChecked(HWND list, int index) const
{
    const LRESULT state = SendMessageW(list, LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK);
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

bool CTilvoProcess::SetItemChecked(HWND list, int index, bool checked) const
{
    CRemoteBlock block(m_id, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    if (!block.Address() || !block.Write(&item, sizeof item))
        return false;
    return SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(block.Address()));
}

bool CTilvoProcess::SelectItem(HWND list, int index) const
{
    CRemoteBlock block(m_id, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (!block.Address() || !block.Write(&item, sizeof item))
        return false;
    return SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(block.Address()));
}

std::wstring WindowText(HWND window)
{
    wchar_t text[4096] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, nullptr);
    return text;
}

std::wstring ItemTextOf(HWND dialog, int id)
{
    return WindowText(GetDlgItem(dialog, id));
}

std::wstring MessageBoxText(HWND box)
{
    return ItemTextOf(box, 0xFFFF);
}

void PressButton(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SetItemTextOf(HWND dialog, int id, const std::wstring& text)
{
    SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring WinePath(const char* unixPath)
{
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return path;
}

std::wstring ClipboardText()
{
    std::wstring text;
    for (int attempt = 0; attempt < 50 && !OpenClipboard(nullptr); ++attempt)
        Sleep(20);
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

bool CaptureWindow(HWND window, const std::wstring& path)
{
    RECT r{};
    if (!GetWindowRect(window, &r))
        return false;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<char> pixels(static_cast<size_t>(stride) * height);
    const int lines = GetDIBits(memory, bitmap, 0, height, pixels.data(),
                                reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (lines != height)
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(out, &file, sizeof file, &written, nullptr) &&
                    WriteFile(out, &info, sizeof info, &written, nullptr) &&
                    WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
    CloseHandle(out);
    return ok;
}
