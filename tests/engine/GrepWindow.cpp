// Recording windows for the grep worker's notices.
#include "tests/engine/GrepWindow.h"

#include "tests/support/Wait.h"

GrepWindows::GrepWindows()
{
    m_dialog = m_recorder.NewWindow();
    m_status = m_recorder.NewWindow();
    m_recorder.onMessage = [this](const RecordedMessage& message) {
        if (onNotice && IsNotice(message))
            onNotice(AsNotice(message));
    };
}

GrepWindows::~GrepWindows()
{
    // A run still going must not send to windows that are gone.
    if (CGrepThread::IsRunning())
        CGrepThread::Stop();
}

bool GrepWindows::IsNotice(const RecordedMessage& message) const
{
    return (message.message == WM_SETTEXT && message.window == m_status) ||
           (message.message == WM_RUN_FINISHED && message.window == m_dialog);
}

GrepNotice GrepWindows::AsNotice(const RecordedMessage& message)
{
    GrepNotice notice;
    notice.finished = message.message == WM_RUN_FINISHED;
    notice.text = message.text;
    notice.wParam = notice.finished ? message.wParam : 0;
    return notice;
}

std::vector<GrepNotice> GrepWindows::Notices() const
{
    std::vector<GrepNotice> notices;
    for (const RecordedMessage& message : m_recorder.Messages())
        if (IsNotice(message))
            notices.push_back(AsNotice(message));
    return notices;
}

bool GrepWindows::Finished() const
{
    for (const GrepNotice& n : Notices())
        if (n.finished)
            return true;
    return false;
}

bool GrepWindows::Run(const CGrepParams& params)
{
    if (!CGrepThread::Start(params, m_dialog, m_status))
        return false;
    return WaitDelivering("the run's finished message and the worker's end",
                          [this] { return Finished() && !CGrepThread::IsRunning(); });
}

std::wstring LastText(const std::vector<GrepNotice>& notices)
{
    for (auto it = notices.rbegin(); it != notices.rend(); ++it)
        if (!it->finished)
            return it->text;
    return L"";
}
