// The simulated window layer: records the windows, controls, columns and rows
// the program makes, serves scripted events, and answers each message box
// with OK at once.
#pragma once

#include <string>
#include <vector>

#include "app/window_layer.h"

enum class SimControlKind { staticText, reportList };

struct SimColumn {
    std::u16string title;
    int width;
};

struct SimControl {
    SimControlKind kind;
    WindowHandle handle;
    WindowHandle parent;
    int x, y, width, height, id;
    std::u16string text;  // static text
    std::vector<SimColumn> columns;
    std::vector<std::vector<std::u16string>> rows;
    int selectedRow = -1;
};

struct SimMainWindow {
    bool open = false;
    std::u16string title;
    int x = 0, y = 0, clientWidth = 0, clientHeight = 0;
    WindowHandle handle = 0;
};

struct SimEvent {
    enum Kind {
        closeRequest,
        control,          // a control event from `listId`, selection unchanged
        other,            // an event of the window itself
        select,           // `row` of list `listId` becomes selected, then a control event from it
        clearSelection,   // list `listId` loses its selection, then a control event from it
    };
    Kind kind;
    int listId = 0;
    int row = -1;
};

struct SimMessage {
    std::u16string title;
    std::u16string text;
};

struct SimWindowState {
    bool openMainFails = false;  // the main window cannot be made
    bool initialised = false;
    bool shutDown = false;
    SimMainWindow main;
    std::vector<SimControl> controls;  // in the order made
    std::vector<SimEvent> script;      // events served in order
    std::size_t nextEvent = 0;
    // Instead of the script: select each row of the device list in turn, row 0
    // first, then request the close (the simulated runner's events).
    bool autoSelectEachRow = false;
    int autoNextRow = 0;
    bool scriptRanOut = false;  // a wait found no event left and got a close request
    int waits = 0;
    std::vector<SimMessage> messages;
    // What the window shows, in order: "ROW <id>\t<col>...", "CLEAR <id>",
    // "MESSAGE <title>\t<text, LF as \n>", in UTF-8.
    std::vector<std::string> display;
};

extern SimWindowState simWindow;

void resetSimWindow();
SimControl* simControlById(int id);
