// The dialog base: the object bound to its window, and a handler's exception ending the dialog.
#include "resources/resource.h"
#include "tests/support/DialogDriver.h"
#include "win32/Dialog.h"
#include "win32/StringException.h"

#include <gtest/gtest.h>

#include <string>

namespace {

enum class Throw { Nowhere, InInit, InCommand, InCommandAndDestroy };

// The Go to Line template with handlers that throw where the case says; OK ends it with 7.
class CThrowingDialog : public CDialog {
public:
    explicit CThrowingDialog(Throw where) : m_where(where) {}
    INT_PTR Show() { return DoModal(GetModuleHandleW(nullptr), IDD_GO_TO_LINE, nullptr); }
    HWND initWindow = nullptr;

private:
    BOOL OnInitDialog() override
    {
        initWindow = m_window;
        if (m_where == Throw::InInit)
            throw CStringException(L"CThrowingDialog::OnInitDialog", L"init failed");
        return TRUE;
    }
    BOOL OnCommand(int id, int code) override
    {
        if (id != IDOK)
            return CDialog::OnCommand(id, code);
        if (m_where == Throw::InCommand || m_where == Throw::InCommandAndDestroy)
            throw CStringException(L"CThrowingDialog::OnCommand", L"command failed");
        EndDialog(7);
        return TRUE;
    }
    INT_PTR OnMessage(UINT message, WPARAM, LPARAM) override
    {
        // A second failure while the window goes must not hide the first.
        if (message == WM_DESTROY && m_where == Throw::InCommandAndDestroy)
            throw L"echo while ending";
        return FALSE;
    }

    Throw m_where;
};

}  // namespace

TEST(DialogBase, HandlerExceptionsEndTheDialogAndReachTheCaller)
{
    struct Case {
        Throw where;
        bool pressOk;
        const wchar_t* what;   // null: no exception, DoModal returns 7
    } cases[] = {
        {Throw::Nowhere, true, nullptr},
        {Throw::InInit, false, L"init failed"},
        {Throw::InCommand, true, L"command failed"},
        {Throw::InCommandAndDestroy, true, L"command failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.where));
        CThrowingDialog dialog(c.where);
        std::wstring caught;
        INT_PTR ended = 0;
        {
            CDialogDriver driver(c.pressOk ? std::vector<CDialogDriver::Handler>{PressButton(IDOK)}
                                           : std::vector<CDialogDriver::Handler>{});
            try {
                ended = dialog.Show();
            } catch (const CStringException& e) {
                caught = e.What();
            } catch (...) {
                caught = L"(another exception)";
            }
            EXPECT_EQ(driver.HandlersLeft(), 0u);
            for (const SeenDialog& seen : driver.Seen())
                EXPECT_FALSE(seen.unexpected) << "a dialog was left open";
        }
        EXPECT_NE(dialog.initWindow, nullptr) << "WM_INITDIALOG did not reach the object";
        EXPECT_FALSE(IsWindow(dialog.initWindow)) << "the dialog outlived DoModal";
        EXPECT_EQ(dialog.Window(), nullptr);
        if (c.what)
            EXPECT_EQ(caught, c.what);
        else {
            EXPECT_EQ(caught, L"");
            EXPECT_EQ(ended, 7);
        }
    }
}
