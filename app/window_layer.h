// The window seam: the few window-system operations the program needs, as
// plain procedures. window_win32.cpp implements them over the Windows user
// interface and common controls 6.0; the simulated machine under sim/
// records what they would show.
#pragma once

#include <cstdint>
#include <string>

// A window or control, as wide as a pointer; 0 means none.
using WindowHandle = std::intptr_t;

enum class WindowEventKind {
    closeRequest,  // close button, Close in the system menu, Alt+F4
    control,       // an event raised by a control; `sourceId` says which
    other,         // anything else; ignored by the program
};

struct WindowEvent {
    WindowEventKind kind;
    int sourceId;  // the control's identifier, for control events
};

// Initialises the window system (common controls before any window).
void windowInitialise();

// Opens the top-level window: created at (x, y) with the given client size,
// then centred on the screen, shown and activated. 0 when it cannot be made.
WindowHandle windowOpenMain(const std::u16string& title, int x, int y, int clientWidth,
                            int clientHeight);

// A left-aligned static text in DEFAULT_GUI_FONT.
WindowHandle windowMakeStaticText(WindowHandle parent, int x, int y, int width, int height,
                                  int id, const std::u16string& text);

// A report-style list with its column 0.
WindowHandle windowMakeReportList(WindowHandle parent, int x, int y, int width, int height,
                                  int id, const std::u16string& column0Title, int column0Width);

void windowAddColumn(WindowHandle list, int index, const std::u16string& title, int width);

// Appends a row; LF (U+000A) separates the texts of its columns.
// A list handle of 0 is ignored.
void windowAppendRow(WindowHandle list, const std::u16string& text);

void windowRemoveAllRows(WindowHandle list);

// The index of the selected row, -1 when none is.
int windowSelectedRow(WindowHandle list);

// Waits, without a time limit, for the program's next event.
WindowEvent windowWaitEvent();

// A modal message box with an OK button and no icon; returns once closed.
void windowShowMessage(const std::u16string& title, const std::u16string& text);

// Destroys the main window and its controls and releases the window system.
void windowShutDown(WindowHandle mainWindow);
