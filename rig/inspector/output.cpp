#include "rig/inspector/output.h"

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

void outputInitialise()
{
    _setmode(_fileno(stdout), _O_BINARY);
}

std::string toUtf8(const std::wstring& text)
{
    if (text.empty()) {
        return std::string();
    }
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size,
                        nullptr, nullptr);
    return bytes;
}

void printLine(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string escapedLineFeeds(const std::wstring& text)
{
    std::string result;
    for (char c : toUtf8(text)) {
        if (c == '\n') {
            result += "\\n";
        } else {
            result.push_back(c);
        }
    }
    return result;
}
