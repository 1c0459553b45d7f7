// Reading a list view of another process: the messages whose answers travel
// through memory are given a buffer inside that process (VirtualAllocEx) and
// the answer is copied back out (ReadProcessMemory).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct RemoteColumn {
    std::wstring title;
    int width;
};

// A buffer in the list's process; `address` is null when it could not be had.
struct RemoteBuffer {
    HANDLE process = nullptr;
    void* address = nullptr;
    SIZE_T size = 0;
};

RemoteBuffer openRemoteBuffer(HWND window, SIZE_T size);
void closeRemoteBuffer(RemoteBuffer& buffer);

// Every answer is asked with SendMessageTimeoutW; a list that does not answer
// in time reads as empty (-1 for the numbers).
LRESULT askWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* answered);

int listRowCount(HWND list);
int listColumnCount(HWND list);  // the header's item count
std::vector<RemoteColumn> listColumns(RemoteBuffer& buffer, HWND list);
std::wstring listCellText(RemoteBuffer& buffer, HWND list, int row, int column);
std::vector<std::vector<std::wstring>> listRows(RemoteBuffer& buffer, HWND list);
int listSelectedRow(HWND list);
// Rectangles in screen coordinates; false when the list would not say.
bool listRowRect(RemoteBuffer& buffer, HWND list, int row, RECT* rect);
bool listHeaderItemRect(RemoteBuffer& buffer, HWND list, int column, RECT* rect);
