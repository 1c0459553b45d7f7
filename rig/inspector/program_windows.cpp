#include "rig/inspector/program_windows.h"

#include "rig/inspector/remote_list.h"

namespace {

struct TitleSearch {
    const std::wstring* title;
    HWND found;
};

BOOL CALLBACK matchTitle(HWND window, LPARAM lParam)
{
    TitleSearch* search = reinterpret_cast<TitleSearch*>(lParam);
    if (windowText(window) == *search->title && windowClass(window) != L"#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct BoxSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK matchBox(HWND window, LPARAM lParam)
{
    BoxSearch* search = reinterpret_cast<BoxSearch*>(lParam);
    if (IsWindowVisible(window) && windowClass(window) == L"#32770" &&
        windowProcessId(window) == search->processId) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The text of a message box lies in its static control 0xFFFF.
const int messageTextId = 0xFFFF;

}  // namespace

std::wstring windowText(HWND window)
{
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, sizeof text / sizeof text[0],
                             reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 1000, &length)) {
        // A window whose program is busy still has its title.
        InternalGetWindowText(window, text, sizeof text / sizeof text[0]);
    }
    return text;
}

std::wstring windowClass(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, sizeof name / sizeof name[0]);
    return name;
}

DWORD windowProcessId(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

HWND waitForMainWindow(const std::wstring& title, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (true) {
        TitleSearch search{&title, nullptr};
        EnumWindows(matchTitle, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            return search.found;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return nullptr;
        }
        Sleep(200);
    }
}

MessageBoxFound findMessageBox(DWORD processId)
{
    MessageBoxFound box;
    BoxSearch search{processId, nullptr};
    EnumWindows(matchBox, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) {
        return box;
    }
    box.window = search.found;
    box.title = windowText(search.found);
    HWND text = GetDlgItem(search.found, messageTextId);
    if (text != nullptr) {
        box.text = windowText(text);
    }
    return box;
}

Settling waitUntilSettled(HWND mainWindow, HWND deviceList, DWORD timeoutMs)
{
    // Once filled, the list stays as it is: a window seen settled before
    // only has to answer.
    static HWND settledBefore = nullptr;
    const DWORD stableMs = 1000;
    DWORD start = GetTickCount();
    DWORD processId = windowProcessId(mainWindow);
    int lastCount = -2;
    DWORD countSince = start;
    while (GetTickCount() - start < timeoutMs) {
        bool answered = false;
        askWindow(mainWindow, WM_NULL, 0, 0, &answered);
        int count = answered ? listRowCount(deviceList) : -1;
        if (findMessageBox(processId).window != nullptr) {
            return Settling::messageBox;
        }
        DWORD now = GetTickCount();
        if (!answered || count < 0 || count != lastCount) {
            lastCount = answered ? count : -2;
            countSince = now;
        }
        if (answered && count >= 0 && (mainWindow == settledBefore || now - countSince >= stableMs)) {
            settledBefore = mainWindow;
            return Settling::settled;
        }
        Sleep(250);
    }
    return Settling::timedOut;
}

void pressOk(const MessageBoxFound& box)
{
    HWND button = GetDlgItem(box.window, IDOK);
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}
