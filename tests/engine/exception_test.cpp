// CStringException texts, the shared ToString buffer, failure texts in the user's words, pasted log paths and CThreadMutex.
#include "win32/FailureWords.h"
#include "win32/LogPath.h"
#include "win32/PathRules.h"
#include "win32/ProcessLocks.h"
#include "win32/StringException.h"
#include "win32/ThreadMutex.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <thread>

TEST(StringException, ToStringJoinsWhereAndWhat)
{
    CStringException e(L"CMainDlg::CMainDlg", L"Duplicate MainDlg instance!");
    EXPECT_STREQ(e.ToString(), L"CMainDlg::CMainDlg: Duplicate MainDlg instance!");
    CStringException copy = e;
    EXPECT_STREQ(copy.What(), L"Duplicate MainDlg instance!");
}

TEST(FailureWords, TheStatusLineNamesNoClass)
{
    const struct {
        const wchar_t* thrown;
        const wchar_t* shown;
    } rows[] = {
        {L"CFileReader::CFileReader: unable to open the file", L"Unable to open the log file"},
        {L"CFileWriter::CFileWriter: unable to create the file", L"Unable to create the result file"},
        {L"CFileReader::ReadLine: FillBuffer failed", L"FillBuffer failed"},
        {L"CFileReader::CountLines: Unable to return to original file position!",
         L"Unable to return to original file position!"},
        {L"CTextView::OpenFile Unknown Error", L"Unknown Error"},
        {L"File is empty", L"File is empty"},
        {L"Stopped: see C::D later", L"Stopped: see C::D later"},
        {L"A::B:", L"A::B:"},
        {L"", L""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(FailureWords(row.thrown), row.shown) << testing::PrintToString(std::wstring(row.thrown));
}

// The forms a user types are also run through the real dialog (ui_tests); these are the rest.
TEST(LogPath, PastedFormsAndTheResultBesideTheProgram)
{
    const struct {
        const wchar_t* typed;
        const wchar_t* plain;
        const wchar_t* result;   // in C:\prog
    } rows[] = {
        {L"\"C:\\logs\\a b.log\"", L"C:\\logs\\a b.log", L"C:\\prog\\a b.log.greptmp"},
        {L"\" C:\\logs\\a.log \"", L"C:\\logs\\a.log", L"C:\\prog\\a.log.greptmp"},
        {L"C:/logs/x.log", L"C:/logs/x.log", L"C:\\prog\\x.log.greptmp"},
        {L"C:\\logs/sub\\y.log", L"C:\\logs/sub\\y.log", L"C:\\prog\\y.log.greptmp"},
        {L"D:z.log", L"D:z.log", L"C:\\prog\\z.log.greptmp"},
        // Several logs are not one path: left for the form that searches several.
        {L"\"C:\\a.log\" \"C:\\b.log\"", L"\"C:\\a.log\" \"C:\\b.log\"", nullptr},
        {L"\"", L"\"", nullptr},
        {L"  ", L"", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.typed)));
        EXPECT_EQ(PlainLogPath(row.typed), row.plain);
        if (row.result)
            EXPECT_EQ(ResultFileNameIn(L"C:\\prog", row.plain), row.result);
    }
}

TEST(StringException, ToStringSharesOneBuffer)
{
    CStringException a(L"A::A", L"first");
    CStringException b(L"B::B", L"second");
    const wchar_t* first = a.ToString();
    const wchar_t* second = b.ToString();
    EXPECT_EQ(first, second);
    EXPECT_STREQ(first, L"B::B: second");
}

TEST(StringException, LongTextsAreCutAtTheFieldSize)
{
    const std::wstring where(400, L'w');
    const std::wstring what(1000, L'x');
    CStringException e(where.c_str(), what.c_str());
    EXPECT_EQ(std::wstring(e.Where()), std::wstring(255, L'w'));
    EXPECT_EQ(std::wstring(e.What()), std::wstring(255, L'x'));
    EXPECT_EQ(std::wstring(e.ToString()), std::wstring(255, L'w') + L": " + std::wstring(255, L'x'));
    CStringException none(nullptr, nullptr);
    EXPECT_STREQ(none.ToString(), L": ");
}

TEST(StringException, ToStringFromAnotherThread)
{
    std::wstring seen;
    std::thread worker([&] { seen = CStringException(L"W::W", L"from the worker").ToString(); });
    worker.join();
    EXPECT_EQ(seen, L"W::W: from the worker");
}

TEST(ThreadMutex, LockAndUnlock)
{
    CThreadMutex mutex;
    EXPECT_TRUE(mutex.Lock());
    EXPECT_TRUE(mutex.Unlock());
    EXPECT_FALSE(mutex.Unlock());   // not held any more
    // The process locks exist and work.
    EXPECT_TRUE(RunLock().Lock());
    EXPECT_TRUE(RunLock().Unlock());
}

TEST(ThreadMutex, AnAbandonedMutexIsAFailedLock)
{
    CThreadMutex mutex;
    std::thread holder([&] { mutex.Lock(); });   // ends while holding it
    holder.join();
    EXPECT_FALSE(mutex.Lock());
}

// The scoped hold gives the mutex back once: when an exception leaves the scope, and not again
// after an explicit Unlock (the mutex counts holds by one thread, so a second release would
// take away a hold taken before the scope).
TEST(ThreadMutex, ScopedLockReleasesOnceOnEveryWayOut)
{
    CThreadMutex mutex;
    try {
        CMutexLock lock(mutex);
        ASSERT_TRUE(lock.Held());
        throw 1;
    } catch (int) {
    }
    EXPECT_FALSE(mutex.Unlock()) << "still held after the scope was left by a throw";

    ASSERT_TRUE(mutex.Lock());   // a hold from before the scope
    {
        CMutexLock lock(mutex);
        EXPECT_TRUE(lock.Unlock());
    }
    EXPECT_TRUE(mutex.Unlock()) << "the earlier hold was released by the scope's end";
    EXPECT_FALSE(mutex.Unlock());
}

// The text of each kind of thrown value, as the worker's status line and the windows show it.
std::wstring TextOf(void (*thrower)())
{
    try {
        thrower();
    } catch (...) {
        return ExceptionText(L"Unknown error!");
    }
    return L"nothing thrown";
}

TEST(ExceptionText, EachKindOfThrownValue)
{
    EXPECT_EQ(TextOf([] { throw CStringException(L"CMainDlg::CMainDlg", L"Duplicate MainDlg instance!"); }),
              L"CMainDlg::CMainDlg: Duplicate MainDlg instance!");
    EXPECT_EQ(TextOf([] { throw L"CFileReader::ReadLine: FillBuffer failed"; }),
              L"CFileReader::ReadLine: FillBuffer failed");
    EXPECT_EQ(TextOf([] { throw "CUtils::StrMaskCompare: unable to duplicate the string"; }),
              L"Unknown error!");
    EXPECT_EQ(TextOf([] { throw std::bad_alloc(); }), L"Unknown error!");
}
