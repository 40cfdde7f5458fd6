// tilvo_loghold: a stand-in for a service writing its log. It holds a log open
// for writing, with the sharing given on its command line, and changes it on
// commands read from its standard input, answering "ok" after each one, so a
// test knows the change is in the file before it goes on.
//
//   tilvo_loghold <path> readwrite|read
//   a <text>     append the text (the rest of the line; "\n" stands for LF)
//   t <size>     cut the file to that many bytes
//   q            close the file and end
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool Answer(const char* text)
{
    std::fputs(text, stdout);
    std::fputs("\n", stdout);
    return std::fflush(stdout) == 0;
}

std::string Unescape(const std::string& text)
{
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            bytes += '\n';
            ++i;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

bool Append(HANDLE file, const std::string& bytes)
{
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file, zero, nullptr, FILE_END))
        return false;
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool Cut(HANDLE file, long long size)
{
    LARGE_INTEGER to;
    to.QuadPart = size;
    return SetFilePointerEx(file, to, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3)
        return 2;
    const DWORD share = std::wstring(argv[2]) == L"read" ? FILE_SHARE_READ
                                                         : FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE file = CreateFileW(argv[1], GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        Answer("cannot open");
        return 1;
    }
    Answer("ready");
    char buffer[1 << 16];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
        std::string command(buffer);
        while (!command.empty() && (command.back() == '\n' || command.back() == '\r'))
            command.pop_back();
        if (command == "q")
            break;
        bool done = false;
        if (command.size() >= 2 && command[0] == 'a' && command[1] == ' ')
            done = Append(file, Unescape(command.substr(2)));
        else if (command.size() >= 2 && command[0] == 't' && command[1] == ' ')
            done = Cut(file, std::atoll(command.c_str() + 2));
        if (!Answer(done ? "ok" : "failed"))
            break;
    }
    CloseHandle(file);
    return 0;
}
