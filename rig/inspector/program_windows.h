// Finding the program's windows from outside: the main window by its title,
// and a message box (a #32770 dialog) of the program's process.
#pragma once

#include <windows.h>

#include <string>

struct MessageBoxFound {
    HWND window = nullptr;
    std::wstring title;
    std::wstring text;
};

// The top-level window with exactly this title, waiting up to `timeoutMs`; null when none came.
HWND waitForMainWindow(const std::wstring& title, DWORD timeoutMs);

DWORD windowProcessId(HWND window);

// A message box of the process, or one with a null window when there is none.
MessageBoxFound findMessageBox(DWORD processId);

enum class Settling { settled, messageBox, timedOut };

// Waits until the program serves its event loop: the window answers, no
// message box is up, and the device list's row count has held still for a
// second (a window found settled before only has to answer). Gives up at once when a message box of the
// program is up: the program waits for the user then.
Settling waitUntilSettled(HWND mainWindow, HWND deviceList, DWORD timeoutMs);

// Presses OK in a message box, as a click on its button would.
void pressOk(const MessageBoxFound& box);

std::wstring windowText(HWND window);
std::wstring windowClass(HWND window);
