// The inspector: reads the window "PCI devices" of a running pcilist.exe from
// another process of the same Wine desktop, and prints what it finds.
//
//   inspector [--desktop NAME] [--timeout SECONDS] COMMAND
//
// It joins the Wine desktop NAME (default "pcilist", the one the rig starts
// the program in) before it looks at any window.
//
//   rows            the device list's rows, once the program serves its event loop
//   details         the detail list's rows
//   window-facts    title, sizes, position, styles, controls, columns, selection
//   geometry        screen rectangles of rows, header items and list areas, for clicks
//   selected        the selected row of each list
//   focus           which control has the keyboard focus: FOCUS <control id>|main|none
//   message [--press-ok]   waits for a message box of the program, prints it, presses OK
//   close [--wm-close]     sends the close request (SC_CLOSE, or WM_CLOSE), waits for the
//                          program to end and prints its exit code
//   wait-exit       says WAITING, then EXIT <code> once the program has ended by a close
//                   request from elsewhere (the close button, Alt+F4)
//   serve           reads such commands, one per line, from standard input and ends
//                   each answer with "DONE <exit code>"
//
// Lines: `ROW <list id>\t<cell>...` and `MESSAGE <title>\t<text>` as pcilist-sim
// prints them, `EXIT <code>`, and lines of its own for the other facts.
// Exit code 0 when it read what was asked, 1 when it timed out, 2 on bad usage.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "rig/inspector/output.h"
#include "rig/inspector/program_windows.h"
#include "rig/inspector/remote_list.h"

namespace {

const wchar_t* const mainTitle = L"PCI devices";
const int deviceListId = 1;
const int detailListId = 2;
const int hintTextId = 0;

DWORD timeoutMs = 120 * 1000;

// Windows are seen only on the desktop of the thread that looks for them.
// The desktop comes with the program's start, so it is waited for.
bool joinDesktop(const std::wstring& name)
{
    DWORD start = GetTickCount();
    HDESK desktop = OpenDesktopW(name.c_str(), 0, FALSE, GENERIC_ALL);
    while (desktop == nullptr && GetTickCount() - start < timeoutMs) {
        Sleep(200);
        desktop = OpenDesktopW(name.c_str(), 0, FALSE, GENERIC_ALL);
    }
    return desktop != nullptr && SetThreadDesktop(desktop);
}

std::string hex(unsigned long long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", value);
    return text;
}

std::string rectText(const RECT& rect)
{
    return std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
           std::to_string(rect.right) + " " + std::to_string(rect.bottom);
}

int fail(const std::string& why)
{
    printLine("ERROR " + why);
    return 1;
}

struct Program {
    HWND main = nullptr;
    HWND deviceList = nullptr;
    HWND detailList = nullptr;
};

bool findProgram(Program& program)
{
    program.main = waitForMainWindow(mainTitle, timeoutMs);
    if (program.main == nullptr) {
        return false;
    }
    program.deviceList = GetDlgItem(program.main, deviceListId);
    program.detailList = GetDlgItem(program.main, detailListId);
    return true;
}

bool findSettledProgram(Program& program)
{
    if (!findProgram(program)) {
        fail("no window \"PCI devices\"");
        return false;
    }
    if (program.deviceList == nullptr || program.detailList == nullptr) {
        fail("the window has no lists");
        return false;
    }
    Settling settling = waitUntilSettled(program.main, program.deviceList, timeoutMs);
    if (settling == Settling::messageBox) {
        MessageBoxFound box = findMessageBox(windowProcessId(program.main));
        printLine("MESSAGE " + toUtf8(box.title) + "\t" + escapedLineFeeds(box.text));
        fail("a message box of the program is up");
        return false;
    }
    if (settling == Settling::timedOut) {
        fail("the program did not settle in its event loop");
        return false;
    }
    return true;
}

void printRows(HWND list, int id)
{
    RemoteBuffer buffer = openRemoteBuffer(list, 0);
    if (buffer.address == nullptr) {
        fail("no memory in the program's process");
        return;
    }
    for (const std::vector<std::wstring>& cells : listRows(buffer, list)) {
        std::string line = "ROW " + std::to_string(id);
        for (const std::wstring& cell : cells) {
            line += "\t" + toUtf8(cell);
        }
        printLine(line);
    }
    closeRemoteBuffer(buffer);
}

int rowsCommand(int id)
{
    Program program;
    if (!findSettledProgram(program)) {
        return 1;
    }
    printRows(id == deviceListId ? program.deviceList : program.detailList, id);
    return 0;
}

// A child's rectangle in the main window's client coordinates.
RECT childRect(HWND main, HWND child)
{
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string placeText(const RECT& rect)
{
    return "x=" + std::to_string(rect.left) + " y=" + std::to_string(rect.top) +
           " w=" + std::to_string(rect.right - rect.left) +
           " h=" + std::to_string(rect.bottom - rect.top);
}

void printListFacts(HWND main, HWND list, int id)
{
    LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
    LONG_PTR exStyle = GetWindowLongPtrW(list, GWL_EXSTYLE);
    LRESULT listExStyle = askWindow(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0, nullptr);
    printLine("LIST " + std::to_string(id) + " class=" + toUtf8(windowClass(list)) + " " +
              placeText(childRect(main, list)) + " style=" + hex(static_cast<DWORD>(style)) +
              " exstyle=" + hex(static_cast<DWORD>(exStyle)) +
              " lvexstyle=" + hex(static_cast<DWORD>(listExStyle)) +
              " rows=" + std::to_string(listRowCount(list)) +
              " columns=" + std::to_string(listColumnCount(list)) +
              " selected=" + std::to_string(listSelectedRow(list)));
    RemoteBuffer buffer = openRemoteBuffer(list, 0);
    if (buffer.address == nullptr) {
        fail("no memory in the program's process");
        return;
    }
    std::vector<RemoteColumn> columns = listColumns(buffer, list);
    for (std::size_t index = 0; index < columns.size(); ++index) {
        printLine("COLUMN " + std::to_string(id) + " " + std::to_string(index) + " " +
                  toUtf8(columns[index].title) + "\t" + std::to_string(columns[index].width));
    }
    closeRemoteBuffer(buffer);
}

int windowFactsCommand()
{
    Program program;
    if (!findSettledProgram(program)) {
        return 1;
    }
    RECT client{};
    RECT outer{};
    GetClientRect(program.main, &client);
    GetWindowRect(program.main, &outer);
    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(program.main, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(program.main, GWL_EXSTYLE));
    printLine("WINDOW title=" + toUtf8(windowText(program.main)) +
              "\tclass=" + toUtf8(windowClass(program.main)) +
              " client=" + std::to_string(client.right) + "x" + std::to_string(client.bottom) +
              " pos=" + std::to_string(outer.left) + "," + std::to_string(outer.top) +
              " size=" + std::to_string(outer.right - outer.left) + "x" +
              std::to_string(outer.bottom - outer.top) + " style=" + hex(style) +
              " exstyle=" + hex(exStyle));
    printLine("STYLE caption=" + std::to_string((style & WS_CAPTION) == WS_CAPTION) +
              " sysmenu=" + std::to_string((style & WS_SYSMENU) != 0) +
              " minimizebox=" + std::to_string((style & WS_MINIMIZEBOX) != 0) +
              " maximizebox=" + std::to_string((style & WS_MAXIMIZEBOX) != 0) +
              " thickframe=" + std::to_string((style & WS_THICKFRAME) != 0) +
              " visible=" + std::to_string((style & WS_VISIBLE) != 0));
    TITLEBARINFO titleBar{};
    titleBar.cbSize = sizeof titleBar;
    if (GetTitleBarInfo(program.main, &titleBar)) {
        // The close button is the rightmost of the caption, one button wide.
        int x = titleBar.rcTitleBar.right - GetSystemMetrics(SM_CXSIZE) / 2;
        int y = (titleBar.rcTitleBar.top + titleBar.rcTitleBar.bottom) / 2;
        printLine("CLOSEBUTTON " + std::to_string(x) + " " + std::to_string(y) + " state=" +
                  hex(titleBar.rgstate[5]) + " title=" + rectText(titleBar.rcTitleBar));
    }
    printLine("SCREEN " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" +
              std::to_string(GetSystemMetrics(SM_CYSCREEN)));
    HWND hint = GetDlgItem(program.main, hintTextId);
    if (hint != nullptr) {
        printLine("TEXT 0 class=" + toUtf8(windowClass(hint)) + " " +
                  placeText(childRect(program.main, hint)) + " style=" +
                  hex(static_cast<DWORD>(GetWindowLongPtrW(hint, GWL_STYLE))) +
                  "\t" + toUtf8(windowText(hint)));
    }
    printListFacts(program.main, program.deviceList, deviceListId);
    printListFacts(program.main, program.detailList, detailListId);
    return 0;
}

void printListGeometry(HWND list, int id)
{
    RemoteBuffer buffer = openRemoteBuffer(list, 0);
    if (buffer.address == nullptr) {
        fail("no memory in the program's process");
        return;
    }
    RECT area{};
    GetClientRect(list, &area);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&area), 2);
    printLine("LISTRECT " + std::to_string(id) + " " + rectText(area));
    int columns = listColumnCount(list);
    for (int column = 0; column < columns; ++column) {
        RECT rect{};
        if (listHeaderItemRect(buffer, list, column, &rect)) {
            printLine("HEADERRECT " + std::to_string(id) + " " + std::to_string(column) + " " +
                      rectText(rect));
        }
    }
    int rows = listRowCount(list);
    for (int row = 0; row < rows; ++row) {
        RECT rect{};
        if (listRowRect(buffer, list, row, &rect)) {
            printLine("ROWRECT " + std::to_string(id) + " " + std::to_string(row) + " " +
                      rectText(rect));
        }
    }
    closeRemoteBuffer(buffer);
}

int geometryCommand()
{
    Program program;
    if (!findSettledProgram(program)) {
        return 1;
    }
    printListGeometry(program.deviceList, deviceListId);
    printListGeometry(program.detailList, detailListId);
    return 0;
}

int selectedCommand()
{
    Program program;
    if (!findSettledProgram(program)) {
        return 1;
    }
    printLine("SELECTED 1 " + std::to_string(listSelectedRow(program.deviceList)));
    printLine("SELECTED 2 " + std::to_string(listSelectedRow(program.detailList)));
    return 0;
}

// The control that has the keyboard focus in the program's thread.
int focusCommand()
{
    Program program;
    if (!findSettledProgram(program)) {
        return 1;
    }
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(program.main, nullptr);
    if (!GetGUIThreadInfo(thread, &info)) {
        return fail("no thread information");
    }
    std::string where = "none";
    if (info.hwndFocus == program.main) {
        where = "main";
    } else if (info.hwndFocus != nullptr && IsChild(program.main, info.hwndFocus)) {
        where = std::to_string(GetDlgCtrlID(info.hwndFocus));
    }
    printLine("FOCUS " + where);
    return 0;
}

int messageCommand(bool pressIt)
{
    Program program;
    if (!findProgram(program)) {
        return fail("no window \"PCI devices\"");
    }
    DWORD processId = windowProcessId(program.main);
    DWORD start = GetTickCount();
    MessageBoxFound box = findMessageBox(processId);
    while (box.window == nullptr) {
        if (GetTickCount() - start >= timeoutMs) {
            return fail("no message box");
        }
        Sleep(250);
        box = findMessageBox(processId);
    }
    HWND owner = GetWindow(box.window, GW_OWNER);
    printLine("MESSAGE " + toUtf8(box.title) + "\t" + escapedLineFeeds(box.text));
    printLine(std::string("MESSAGEBOX owner=") + (owner == program.main ? "main" : "other") +
              " mainenabled=" + std::to_string(IsWindowEnabled(program.main) != 0) +
              " ok=" + std::to_string(GetDlgItem(box.window, IDOK) != nullptr) +
              " cancel=" + std::to_string(GetDlgItem(box.window, IDCANCEL) != nullptr));
    if (pressIt) {
        pressOk(box);
        while (IsWindow(box.window)) {
            if (GetTickCount() - start >= timeoutMs) {
                return fail("the message box stays");
            }
            Sleep(100);
        }
    }
    return 0;
}

// Waits for the program to end by a close request that comes from elsewhere
// (a click on the close button, Alt+F4): says WAITING once it holds the
// process, then EXIT with the process's exit code.
int waitExitCommand()
{
    Program program;
    if (!findSettledProgram(program)) {
        return 1;
    }
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                 windowProcessId(program.main));
    if (process == nullptr) {
        return fail("cannot open the program's process");
    }
    printLine("WAITING");
    DWORD waited = WaitForSingleObject(process, timeoutMs);
    DWORD code = 0;
    bool ended = waited == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
    CloseHandle(process);
    if (!ended) {
        return fail("the program did not end");
    }
    printLine("EXIT " + std::to_string(code));
    return 0;
}

int closeCommand(bool wmClose)
{
    Program program;
    if (!findSettledProgram(program)) {
        return 1;
    }
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                 windowProcessId(program.main));
    if (process == nullptr) {
        return fail("cannot open the program's process");
    }
    if (wmClose) {
        PostMessageW(program.main, WM_CLOSE, 0, 0);
    } else {
        PostMessageW(program.main, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    DWORD waited = WaitForSingleObject(process, timeoutMs);
    DWORD code = 0;
    bool ended = waited == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
    CloseHandle(process);
    if (!ended) {
        return fail("the program did not end");
    }
    printLine("EXIT " + std::to_string(code));
    return 0;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: inspector [--desktop NAME] [--timeout SECONDS] rows|details|window-facts|"
                 "geometry|selected|focus|message [--press-ok]|close [--wm-close]|wait-exit|serve\n");
    return 2;
}

// One command with its options: [--timeout SECONDS] COMMAND [OPTION].
int runCommand(const std::vector<std::wstring>& words, DWORD defaultTimeoutMs)
{
    std::size_t next = 0;
    timeoutMs = defaultTimeoutMs;
    if (next + 1 < words.size() && words[next] == L"--timeout") {
        timeoutMs = static_cast<DWORD>(std::wcstoul(words[next + 1].c_str(), nullptr, 10)) * 1000;
        next += 2;
    }
    if (next >= words.size()) {
        return usage();
    }
    const std::wstring& command = words[next];
    std::wstring option = next + 1 < words.size() ? words[next + 1] : L"";
    if (command == L"rows") return rowsCommand(deviceListId);
    if (command == L"details") return rowsCommand(detailListId);
    if (command == L"window-facts") return windowFactsCommand();
    if (command == L"geometry") return geometryCommand();
    if (command == L"selected") return selectedCommand();
    if (command == L"focus") return focusCommand();
    if (command == L"message") return messageCommand(option == L"--press-ok");
    if (command == L"close") return closeCommand(option == L"--wm-close");
    if (command == L"wait-exit") return waitExitCommand();
    return usage();
}

std::vector<std::wstring> splitWords(const std::wstring& line)
{
    std::vector<std::wstring> words;
    std::wstring word;
    for (wchar_t c : line) {
        if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
            if (!word.empty()) {
                words.push_back(word);
                word.clear();
            }
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

// Serving: one command per line of standard input, each answer closed by a
// line "DONE <status>". Saves a Wine process start for every question.
int serve(DWORD defaultTimeoutMs)
{
    wchar_t line[1024];
    while (std::fgetws(line, sizeof line / sizeof line[0], stdin) != nullptr) {
        std::vector<std::wstring> words = splitWords(line);
        if (words.empty()) {
            continue;
        }
        if (words[0] == L"quit") {
            break;
        }
        int status = runCommand(words, defaultTimeoutMs);
        printLine("DONE " + std::to_string(status));
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    outputInitialise();
    std::vector<std::wstring> words(argv + 1, argv + argc);
    std::wstring desktop = L"pcilist";
    if (words.size() >= 2 && words[0] == L"--desktop") {
        desktop = words[1];
        words.erase(words.begin(), words.begin() + 2);
    }
    // The first --timeout also bounds the wait for the desktop.
    DWORD defaultTimeoutMs = timeoutMs;
    if (words.size() >= 2 && words[0] == L"--timeout") {
        defaultTimeoutMs = static_cast<DWORD>(std::wcstoul(words[1].c_str(), nullptr, 10)) * 1000;
    }
    timeoutMs = defaultTimeoutMs;
    if (words.empty()) {
        return usage();
    }
    if (!joinDesktop(desktop)) {
        return fail("cannot join the desktop " + toUtf8(desktop));
    }
    if (words.back() == L"serve") {
        return serve(defaultTimeoutMs);
    }
    return runCommand(words, defaultTimeoutMs);
}
