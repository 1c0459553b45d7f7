#include "rig/inspector/remote_list.h"

#include <commctrl.h>

#include <cstring>

namespace {

const UINT answerTimeoutMs = 2000;
const int textCapacity = 2048;  // characters of one cell or title

// The layout of the remote buffer: the record first, then its text.
const SIZE_T textOffset = 256;

template <typename Record>
bool writeRecord(RemoteBuffer& buffer, const Record& record)
{
    static_assert(sizeof(Record) <= textOffset, "the record fits before the text");
    SIZE_T written = 0;
    return WriteProcessMemory(buffer.process, buffer.address, &record, sizeof record, &written) &&
           written == sizeof record;
}

template <typename Record>
bool readRecord(RemoteBuffer& buffer, Record* record)
{
    SIZE_T read = 0;
    return ReadProcessMemory(buffer.process, buffer.address, record, sizeof *record, &read) &&
           read == sizeof *record;
}

wchar_t* remoteText(RemoteBuffer& buffer)
{
    return reinterpret_cast<wchar_t*>(static_cast<char*>(buffer.address) + textOffset);
}

std::wstring readRemoteText(RemoteBuffer& buffer)
{
    std::vector<wchar_t> text(textCapacity + 1, L'\0');
    SIZE_T read = 0;
    if (!ReadProcessMemory(buffer.process, remoteText(buffer), text.data(),
                           textCapacity * sizeof(wchar_t), &read)) {
        return std::wstring();
    }
    text[textCapacity] = L'\0';
    return std::wstring(text.data());
}

bool clearRemoteText(RemoteBuffer& buffer)
{
    wchar_t nothing = L'\0';
    SIZE_T written = 0;
    return WriteProcessMemory(buffer.process, remoteText(buffer), &nothing, sizeof nothing,
                              &written) != 0;
}

}  // namespace

RemoteBuffer openRemoteBuffer(HWND window, SIZE_T size)
{
    RemoteBuffer buffer;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    buffer.process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                     PROCESS_QUERY_INFORMATION,
                                 FALSE, processId);
    if (buffer.process == nullptr) {
        return buffer;
    }
    buffer.size = size < textOffset + (textCapacity + 1) * sizeof(wchar_t)
                      ? textOffset + (textCapacity + 1) * sizeof(wchar_t)
                      : size;
    buffer.address =
        VirtualAllocEx(buffer.process, nullptr, buffer.size, MEM_COMMIT | MEM_RESERVE,
                       PAGE_READWRITE);
    return buffer;
}

void closeRemoteBuffer(RemoteBuffer& buffer)
{
    if (buffer.address != nullptr) {
        VirtualFreeEx(buffer.process, buffer.address, 0, MEM_RELEASE);
        buffer.address = nullptr;
    }
    if (buffer.process != nullptr) {
        CloseHandle(buffer.process);
        buffer.process = nullptr;
    }
}

LRESULT askWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* answered)
{
    DWORD_PTR result = 0;
    bool got = SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, answerTimeoutMs,
                                   &result) != 0;
    if (answered != nullptr) {
        *answered = got;
    }
    return got ? static_cast<LRESULT>(result) : -1;
}

int listRowCount(HWND list)
{
    return static_cast<int>(askWindow(list, LVM_GETITEMCOUNT, 0, 0, nullptr));
}

int listColumnCount(HWND list)
{
    HWND header = reinterpret_cast<HWND>(askWindow(list, LVM_GETHEADER, 0, 0, nullptr));
    if (header == nullptr || header == reinterpret_cast<HWND>(-1)) {
        return -1;
    }
    return static_cast<int>(askWindow(header, HDM_GETITEMCOUNT, 0, 0, nullptr));
}

std::vector<RemoteColumn> listColumns(RemoteBuffer& buffer, HWND list)
{
    std::vector<RemoteColumn> columns;
    int count = listColumnCount(list);
    for (int index = 0; index < count; ++index) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = remoteText(buffer);
        column.cchTextMax = textCapacity;
        bool answered = false;
        if (!clearRemoteText(buffer) || !writeRecord(buffer, column) ||
            !askWindow(list, LVM_GETCOLUMNW, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(buffer.address), &answered) ||
            !answered) {
            break;
        }
        int width = static_cast<int>(askWindow(list, LVM_GETCOLUMNWIDTH,
                                               static_cast<WPARAM>(index), 0, nullptr));
        columns.push_back(RemoteColumn{readRemoteText(buffer), width});
    }
    return columns;
}

std::wstring listCellText(RemoteBuffer& buffer, HWND list, int row, int column)
{
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = remoteText(buffer);
    item.cchTextMax = textCapacity;
    bool answered = false;
    if (!clearRemoteText(buffer) || !writeRecord(buffer, item)) {
        return std::wstring();
    }
    askWindow(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
              reinterpret_cast<LPARAM>(buffer.address), &answered);
    return answered ? readRemoteText(buffer) : std::wstring();
}

std::vector<std::vector<std::wstring>> listRows(RemoteBuffer& buffer, HWND list)
{
    std::vector<std::vector<std::wstring>> rows;
    int count = listRowCount(list);
    int columns = listColumnCount(list);
    for (int row = 0; row < count; ++row) {
        std::vector<std::wstring> cells;
        for (int column = 0; column < columns; ++column) {
            cells.push_back(listCellText(buffer, list, row, column));
        }
        rows.push_back(cells);
    }
    return rows;
}

int listSelectedRow(HWND list)
{
    return static_cast<int>(askWindow(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                      MAKELPARAM(LVNI_SELECTED, 0), nullptr));
}

bool listRowRect(RemoteBuffer& buffer, HWND list, int row, RECT* rect)
{
    RECT asked{};
    asked.left = LVIR_BOUNDS;
    bool answered = false;
    if (!writeRecord(buffer, asked) ||
        !askWindow(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(buffer.address), &answered) ||
        !answered || !readRecord(buffer, rect)) {
        return false;
    }
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(rect), 2);
    return true;
}

bool listHeaderItemRect(RemoteBuffer& buffer, HWND list, int column, RECT* rect)
{
    HWND header = reinterpret_cast<HWND>(askWindow(list, LVM_GETHEADER, 0, 0, nullptr));
    bool answered = false;
    if (header == nullptr || header == reinterpret_cast<HWND>(-1) ||
        !askWindow(header, HDM_GETITEMRECT, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(buffer.address), &answered) ||
        !answered || !readRecord(buffer, rect)) {
        return false;
    }
    MapWindowPoints(header, nullptr, reinterpret_cast<POINT*>(rect), 2);
    return true;
}
