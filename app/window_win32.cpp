// The window seam over the Windows user interface and the common controls 6.0.
// The window procedure turns what the program cares about into events in a
// small queue, and windowWaitEvent hands them out one at a time.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "app/window_geometry.h"
#include "app/window_layer.h"

namespace {

const wchar_t mainClassName[] = L"PciListMainWindow";
constexpr DWORD mainStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD listStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL;
constexpr DWORD listExtendedStyle =
    LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_GRIDLINES;
constexpr UINT_PTR listSubclassId = 1;

HWND mainHandle = nullptr;
bool classRegistered = false;
// The control that had the keyboard focus when the window was last deactivated.
HWND lastFocus = nullptr;
std::vector<HWND> reportLists;
std::deque<WindowEvent> pendingEvents;

HWND toWindow(WindowHandle handle) {
    return reinterpret_cast<HWND>(handle);
}

WindowHandle fromWindow(HWND window) {
    return reinterpret_cast<WindowHandle>(window);
}

std::wstring toWide(const std::u16string& text) {
    return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

void queueEvent(WindowEventKind kind, int sourceId) {
    pendingEvents.push_back(WindowEvent{kind, sourceId});
}

void useGuiFont(HWND control) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 TRUE);
}

// Paints a control and its children now: the event loop starts only after the
// driver start and the scan, and the window should not stay blank until then.
void paintNow(HWND control) {
    RedrawWindow(control, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool selectionChanged(const NMHDR* header) {
    const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(header);
    return (change->uChanged & LVIF_STATE) != 0 &&
           ((change->uOldState ^ change->uNewState) & LVIS_SELECTED) != 0;
}

// Whether a list notification is one of the user's actions on the list that
// raise a control event: the selected state gained or lost, a click that
// leaves a row selected, a double click, a right click, a right double click,
// or the start of a drag. Painting, focus and header notifications are not.
bool isListAction(const NMHDR* header) {
    switch (header->code) {
    case LVN_ITEMCHANGED:
        return selectionChanged(header);
    case NM_CLICK:
        return SendMessageW(header->hwndFrom, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                            MAKELPARAM(LVNI_SELECTED, 0)) >= 0;
    case NM_DBLCLK:
    case NM_RCLICK:
    case NM_RDBLCLK:
    case LVN_BEGINDRAG:
        return true;
    default:
        return false;
    }
}

bool isReportList(HWND window) {
    return std::find(reportLists.begin(), reportLists.end(), window) != reportLists.end();
}

// A release of the left button that reaches a list: the list's own click
// handling swallows most of them, so this one is seen here.
LRESULT CALLBACK listProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                               UINT_PTR, DWORD_PTR) {
    if (message == WM_LBUTTONUP) {
        queueEvent(WindowEventKind::control, GetDlgCtrlID(list));
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(list, listProcedure, listSubclassId);
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

LRESULT CALLBACK mainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        // The program decides when the window goes; it is not closed here.
        queueEvent(WindowEventKind::closeRequest, 0);
        return 0;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header != nullptr && isReportList(header->hwndFrom) && isListAction(header)) {
            queueEvent(WindowEventKind::control, static_cast<int>(header->idFrom));
        }
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(window, focus)) {
                lastFocus = focus;
            }
        }
        break;
    case WM_SETFOCUS: {
        // Give the focus back to the list that had it, else to the first list.
        HWND target = lastFocus != nullptr && IsWindow(lastFocus) && IsChild(window, lastFocus)
                          ? lastFocus
                          : GetNextDlgTabItem(window, nullptr, FALSE);
        if (target != nullptr && target != window) {
            SetFocus(target);
        }
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool registerMainClass(HINSTANCE instance) {
    if (classRegistered) {
        return true;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = mainProcedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = mainClassName;
    classRegistered = RegisterClassExW(&windowClass) != 0;
    return classRegistered;
}

}  // namespace

void windowInitialise() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);
}

WindowHandle windowOpenMain(const std::u16string& title, int x, int y, int clientWidth,
                            int clientHeight) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!registerMainClass(instance)) {
        return 0;
    }
    RECT outer{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&outer, mainStyle, FALSE);
    int outerWidth = outer.right - outer.left;
    int outerHeight = outer.bottom - outer.top;
    // WS_EX_CONTROLPARENT lets Tab and Shift+Tab move between the lists.
    std::wstring wideTitle = toWide(title);
    HWND window = CreateWindowExW(WS_EX_CONTROLPARENT, mainClassName, wideTitle.c_str(),
                                  mainStyle, x, y, outerWidth, outerHeight, nullptr, nullptr,
                                  instance, nullptr);
    if (window == nullptr) {
        return 0;
    }
    mainHandle = window;
    WindowPosition centred = centredPosition(GetSystemMetrics(SM_CXSCREEN),
                                             GetSystemMetrics(SM_CYSCREEN), outerWidth,
                                             outerHeight);
    SetWindowPos(window, nullptr, centred.x, centred.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    UpdateWindow(window);
    return fromWindow(window);
}

WindowHandle windowMakeStaticText(WindowHandle parent, int x, int y, int width, int height,
                                  int id, const std::u16string& text) {
    std::wstring wideText = toWide(text);
    HWND control = CreateWindowExW(0, L"STATIC", wideText.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT,
                                   x, y, width, height, toWindow(parent),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (control == nullptr) {
        return 0;
    }
    useGuiFont(control);
    paintNow(control);
    return fromWindow(control);
}

WindowHandle windowMakeReportList(WindowHandle parent, int x, int y, int width, int height,
                                  int id, const std::u16string& column0Title, int column0Width) {
    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", listStyle, x, y, width,
                                height, toWindow(parent),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
    if (list == nullptr) {
        return 0;
    }
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, listExtendedStyle, listExtendedStyle);
    useGuiFont(list);
    SetWindowSubclass(list, listProcedure, listSubclassId, 0);
    reportLists.push_back(list);
    windowAddColumn(fromWindow(list), 0, column0Title, column0Width);
    // The window got the focus before it had controls; the first list takes
    // it over, as the first tab stop of a dialog would.
    if (GetFocus() == toWindow(parent)) {
        SetFocus(list);
    }
    return fromWindow(list);
}

void windowAddColumn(WindowHandle list, int index, const std::u16string& title, int width) {
    if (list == 0) {
        return;
    }
    std::wstring wideTitle = toWide(title);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = &wideTitle[0];
    SendMessageW(toWindow(list), LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&column));
    paintNow(toWindow(list));
}

void windowAppendRow(WindowHandle list, const std::u16string& text) {
    if (list == 0) {
        return;
    }
    HWND window = toWindow(list);
    std::wstring wideText = toWide(text);
    int row = -1;
    int column = 0;
    std::size_t start = 0;
    while (true) {
        std::size_t end = wideText.find(L'\n', start);
        std::wstring cell =
            wideText.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iSubItem = column;
        item.pszText = &cell[0];
        if (column == 0) {
            item.iItem = static_cast<int>(SendMessageW(window, LVM_GETITEMCOUNT, 0, 0));
            row = static_cast<int>(
                SendMessageW(window, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
            if (row < 0) {
                return;
            }
        } else {
            item.iItem = row;
            SendMessageW(window, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                         reinterpret_cast<LPARAM>(&item));
        }
        if (end == std::wstring::npos) {
            return;
        }
        start = end + 1;
        ++column;
    }
}

void windowRemoveAllRows(WindowHandle list) {
    if (list != 0) {
        SendMessageW(toWindow(list), LVM_DELETEALLITEMS, 0, 0);
    }
}

int windowSelectedRow(WindowHandle list) {
    if (list == 0) {
        return -1;
    }
    return static_cast<int>(SendMessageW(toWindow(list), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         MAKELPARAM(LVNI_SELECTED, 0)));
}

WindowEvent windowWaitEvent() {
    while (pendingEvents.empty()) {
        MSG message;
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // The message queue is ending: nothing more can come but the end.
            return WindowEvent{WindowEventKind::closeRequest, 0};
        }
        if (mainHandle != nullptr && IsDialogMessageW(mainHandle, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    WindowEvent event = pendingEvents.front();
    pendingEvents.pop_front();
    return event;
}

void windowShowMessage(const std::u16string& title, const std::u16string& text) {
    std::wstring wideTitle = toWide(title);
    std::wstring wideText = toWide(text);
    HWND owner = mainHandle != nullptr && IsWindow(mainHandle) ? mainHandle : nullptr;
    MessageBoxW(owner, wideText.c_str(), wideTitle.c_str(), MB_OK);
}

void windowShutDown(WindowHandle mainWindow) {
    if (mainWindow != 0) {
        DestroyWindow(toWindow(mainWindow));
    }
    mainHandle = nullptr;
    lastFocus = nullptr;
    reportLists.clear();
    pendingEvents.clear();
    if (classRegistered) {
        UnregisterClassW(mainClassName, GetModuleHandleW(nullptr));
        classRegistered = false;
    }
}
