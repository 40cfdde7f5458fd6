// The taskbar button of a window: a run's progress on it, a flash to ask for attention.
#include "win32/Taskbar.h"

#include <objbase.h>
#include <shobjidl.h>

namespace {

class CSystemTaskbar : public CTaskbar {
public:
    ~CSystemTaskbar() override
    {
        if (m_list)
            m_list->Release();
    }

    void ShowProgress(HWND window, int percent) override
    {
        if (ITaskbarList3* list = List()) {
            list->SetProgressState(window, TBPF_NORMAL);
            list->SetProgressValue(window, ULONGLONG(percent), 100);
        }
    }

    void ClearProgress(HWND window) override
    {
        if (ITaskbarList3* list = List())
            list->SetProgressState(window, TBPF_NOPROGRESS);
    }

    void Flash(HWND window) override
    {
        FLASHWINFO flash{};
        flash.cbSize = sizeof(flash);
        flash.hwnd = window;
        flash.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;
        FlashWindowEx(&flash);
    }

    bool ProgramActive() override
    {
        DWORD process = 0;
        HWND front = GetForegroundWindow();
        return front && GetWindowThreadProcessId(front, &process) && process == GetCurrentProcessId();
    }

private:
    // Made on first use, on the user-interface thread; a system without it shows no progress.
    ITaskbarList3* List()
    {
        if (m_tried)
            return m_list;
        m_tried = true;
        const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(com) && com != RPC_E_CHANGED_MODE)
            return nullptr;
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                    reinterpret_cast<void**>(&m_list))) ||
            FAILED(m_list->HrInit())) {
            if (m_list)
                m_list->Release();
            m_list = nullptr;
        }
        return m_list;
    }

    ITaskbarList3* m_list = nullptr;
    bool m_tried = false;
};

CTaskbar* g_replacement = nullptr;

} // namespace

CTaskbar& AppTaskbar()
{
    static CSystemTaskbar system;
    return g_replacement ? *g_replacement : system;
}

void SetAppTaskbar(CTaskbar* taskbar)
{
    g_replacement = taskbar;
}
