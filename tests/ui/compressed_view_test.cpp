// Viewing a compressed log: Go with no filter and Show in Log (into a .gz or a zip member)
// decompress it into a temporary copy that the viewer's title hides, that goes with its last
// viewer, and that a killed instance leaves for the next start to remove; a disk close to
// full stops the copy.
#include "tests/ui/MainDialogTest.h"

#include "tests/engine/PackedFiles.h"
#include "tests/support/FullDevice.h"
#include "tests/support/Process.h"
#include "tests/support/Windows.h"
#include "viewer/TextView.h"

namespace {

const char* const ErrorCategory =
    "Category = Default\n"
    "Filter = *ERROR*\n"
    "Check = 0\n";

std::wstring Title(HWND window)
{
    wchar_t text[MAX_PATH * 2] = {};
    GetWindowTextW(window, text, int(std::size(text)));
    return text;
}

}  // namespace

class CompressedViewTest : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        temp = dir.File(L"temp") + L"\\";
        ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
        storage.tempFolder = temp;
        WriteCategories(ErrorCategory);
    }
    CTextView* Viewer(size_t index)
    {
        CTextView* view = nullptr;
        ui->Invoke([&] { view = CMainDlg::Instance()->ViewerAt(index); });
        return view;
    }
    void CloseViewer(CTextView* view)
    {
        const size_t before = ViewerCount();
        ui->Post([view] { PostMessageW(view->Window(), WM_CLOSE, 0, 0); });
        ASSERT_TRUE(WaitFor("the viewer to close", [&] { return ViewerCount() == before - 1; }));
    }
    // Views the log with no filter checked, and waits for its viewer.
    void GoUnfiltered(const std::wstring& log, size_t viewers)
    {
        Type(IDC_FILE, log);
        Click(IDC_NONE);
        Click(IDC_GO);
        ASSERT_TRUE(WaitFor("the log's viewer", [&] { return ViewerCount() == viewers; }));
    }

    std::wstring temp;
};

TEST_F(CompressedViewTest, ACopyIsTitledAsItsLogSharedAndRemovedWithItsLastViewer)
{
    // Leftovers: of an instance that has ended, of one still running (this one: a copy it
    // holds), and one whose owner has ended but that another instance holds open.
    // This test program, asked to run no test, is a process that has ended.
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    CChildProcess ended(L"\"" + std::wstring(self) + L"\" --gtest_filter=None",
                        CChildProcess::Pipes::Output);
    ASSERT_TRUE(ended.Started());
    ended.ReadToEnd();
    ASSERT_EQ(ended.WaitForExit(), 0u);
    const std::wstring dead = L"Tilvo-" + std::to_wstring(ended.Id());
    const std::wstring orphan = temp + dead + L"-1-old.log";
    const std::wstring held = temp + dead + L"-2-held.log";
    const std::wstring running = temp + L"Tilvo-" + std::to_wstring(GetCurrentProcessId()) + L"-9-mine.log";
    const std::wstring unrelated = temp + L"Tilvo.txt";
    for (const std::wstring& file : {orphan, held, running, unrelated})
        ASSERT_TRUE(WriteBytes(file, "x\n"));
    CFileHandle holder(CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.IsOpen());
    Start();
    EXPECT_FALSE(FileExists(orphan));
    EXPECT_TRUE(FileExists(held));
    EXPECT_TRUE(FileExists(running));
    EXPECT_TRUE(FileExists(unrelated));
    holder.Close();

    const std::string plain = "one\nERROR two\nthree\n" + RandomLog(23, 300 * 1024);
    const std::wstring log = dir.File(L"app.log.2.gz");
    ASSERT_TRUE(WriteBytes(log, Gzip(plain.substr(0, 1000)) + Gzip(plain.substr(1000))));
    GoUnfiltered(log, 1);
    CTextView* unfiltered = Viewer(0);
    const std::wstring copy = unfiltered->FilePath();
    EXPECT_EQ(Title(unfiltered->Window()), log);
    EXPECT_EQ(copy.rfind(temp + L"Tilvo-" + std::to_wstring(GetCurrentProcessId()) + L"-", 0), 0u);
    EXPECT_EQ(copy.substr(copy.size() - 10), L"-app.log.2");
    EXPECT_EQ(ReadBytes(copy), plain);
    EXPECT_FALSE(DeleteFileW(copy.c_str())) << "another instance's clean-up cannot remove it";

    // Show in Log from a search of the same log opens the same copy, at the line.
    removeAfter.push_back(BesideTestExe(L"app.log.2.gz.greptmp"));
    removeAfter.push_back(BesideTestExe(L"app.log.2.gz.greptmp.idx"));
    Click(IDC_ALL);
    Click(IDC_GO);
    ASSERT_TRUE(WaitFor("the result", [this] { return !Running() && ViewerCount() == 2; }));
    CTextView* result = Viewer(1);
    ui->Post([result] { result->ShowInLog(0); });
    ASSERT_TRUE(WaitFor("the log at the line", [this] { return ViewerCount() == 3; }));
    CTextView* shown = Viewer(2);
    EXPECT_EQ(shown->FilePath(), copy);
    EXPECT_EQ(Title(shown->Window()), log);
    int64_t marked = -1;
    std::wstring info;   // Line Info's, counted in the copy as Show in Log finds the line
    ui->Invoke([&] {
        marked = shown->MarkedOffset();
        info = result->LogLineOfTop();
    });
    EXPECT_EQ(marked, 4);
    EXPECT_EQ(info, L"\r\nLog File: " + log + L"\r\nLog Line (from 1): 2");

    CloseViewer(unfiltered);
    EXPECT_TRUE(FileExists(copy)) << "still shown by the other viewer";
    CloseViewer(shown);
    EXPECT_FALSE(FileExists(copy));
    CloseWithCloseBox();
}

TEST_F(CompressedViewTest, ShowInLogIntoAZipMemberOpensACopyOfThatMember)
{
    // A stored member and a deflated one; the later one's line first, so the member is
    // not simply the first.
    const std::string first = "x\nERROR a1\n";
    const std::string second = "y\nz\nERROR b3\n" + RandomLog(5, 200 * 1024);
    const std::wstring log = dir.File(L"logs.zip");
    ASSERT_TRUE(WriteBytes(log, Zip({{"a.log", first, 0}, {"dir/b.log", second, 8}}, false)));
    const std::wstring resultFile = BesideTestExe(L"logs.zip.greptmp");
    removeAfter.push_back(resultFile);
    removeAfter.push_back(resultFile + L".idx");
    Start();
    Type(IDC_FILE, log);
    Click(IDC_ALL);
    Click(IDC_GO);
    ASSERT_TRUE(WaitFor("the result", [this] { return !Running() && ViewerCount() == 1; }));
    CTextView* result = Viewer(0);
    const std::string resultBytes = ReadBytes(resultFile);
    const struct {
        const char* line;
        std::wstring member;
        std::string bytes;
        int64_t offset;
        int number;
    } rows[] = {{"ERROR b3", L"dir/b.log", second, 4, 3}, {"ERROR a1", L"a.log", first, 2, 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        const int64_t at = int64_t(resultBytes.find(row.line));
        ui->Post([result, at] {
            result->ShowLine(at);
            result->ShowInLog(0);
        });
        ASSERT_TRUE(WaitFor("the member at the line", [this] { return ViewerCount() == 2; }));
        CTextView* shown = Viewer(1);
        EXPECT_EQ(Title(shown->Window()), log + L":" + row.member);
        EXPECT_EQ(ReadBytes(shown->FilePath()), row.bytes);
        int64_t marked = -1;
        std::wstring info;   // Line Info's, counted in the copy shown
        ui->Invoke([&] {
            marked = shown->MarkedOffset();
            info = result->LogLineOfTop();
        });
        EXPECT_EQ(marked, row.offset);
        EXPECT_EQ(info, L"\r\nLog File: " + log + L":" + row.member + L"\r\nLog Line (from 1): " +
                            std::to_wstring(row.number));
        const std::wstring copy = shown->FilePath();
        CloseViewer(shown);
        EXPECT_FALSE(FileExists(copy));
    }
    CloseWithCloseBox();
}

TEST_F(CompressedViewTest, ADiskCloseToFullStopsTheCopyAndShowsWhatWasWritten)
{
    CSmallVolume volume(temp, 4096);
    if (!volume.Ready())
        GTEST_SKIP() << "no small volume here";
    const std::string plain = RandomLog(7, 12 * 1024 * 1024);
    const std::wstring log = dir.File(L"big.log.gz");
    ASSERT_TRUE(WriteBytes(log, Gzip(plain)));
    Start();
    Type(IDC_FILE, log);
    Click(IDC_NONE);
    Click(IDC_GO);
    BoxInfo box = ExpectBox(L"Warning",
                            L"The disk of the temporary folder is nearly full: decompressing has "
                            L"stopped, and the viewer shows the lines written so far.\r\nFolder: " +
                                temp,
                            BoxIcon::Warning);
    ASSERT_TRUE(Answer(box, IDOK));
    ASSERT_TRUE(WaitFor("the part written", [this] { return ViewerCount() == 1; }));
    const std::string written = ReadBytes(Viewer(0)->FilePath());
    EXPECT_GT(written.size(), 0u);
    EXPECT_LT(written.size(), 4u * 1024 * 1024);
    EXPECT_EQ(written, plain.substr(0, written.size()));
    ULARGE_INTEGER available{};
    ASSERT_TRUE(GetDiskFreeSpaceExW(temp.c_str(), &available, nullptr, nullptr));
    EXPECT_GE(available.QuadPart, 1024u * 1024) << "the reserve is kept";
    CloseViewer(Viewer(0));
    CloseWithCloseBox();
}
