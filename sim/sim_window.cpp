// The window seam over the simulated window layer.
#include "sim/sim_window.h"

#include "sim/sim_machine.h"

SimWindowState simWindow;

namespace {

constexpr WindowHandle mainHandle = 0x1000;

std::string columnsLine(const std::vector<std::u16string>& cells) {
    std::string line;
    for (const std::u16string& cell : cells) {
        line += "\t" + simUtf8(cell);
    }
    return line;
}

SimControl* controlByHandle(WindowHandle handle) {
    for (SimControl& control : simWindow.controls) {
        if (control.handle == handle) {
            return &control;
        }
    }
    return nullptr;
}

WindowHandle addControl(SimControl control) {
    control.handle = mainHandle + 0x10 * static_cast<WindowHandle>(simWindow.controls.size() + 1);
    simWindow.controls.push_back(control);
    return control.handle;
}

std::string escapedLineFeeds(const std::u16string& text) {
    std::string result;
    for (char c : simUtf8(text)) {
        if (c == '\n') {
            result += "\\n";
        } else {
            result.push_back(c);
        }
    }
    return result;
}

WindowEvent serveScripted() {
    if (simWindow.nextEvent >= simWindow.script.size()) {
        simWindow.scriptRanOut = true;
        return {WindowEventKind::closeRequest, 0};
    }
    const SimEvent event = simWindow.script[simWindow.nextEvent++];
    SimControl* list = simControlById(event.listId);
    switch (event.kind) {
    case SimEvent::closeRequest:
        return {WindowEventKind::closeRequest, 0};
    case SimEvent::other:
        return {WindowEventKind::other, 0};
    case SimEvent::control:
        return {WindowEventKind::control, event.listId};
    case SimEvent::select:
        if (list != nullptr && event.row >= 0 && event.row < static_cast<int>(list->rows.size())) {
            list->selectedRow = event.row;
        }
        return {WindowEventKind::control, event.listId};
    case SimEvent::clearSelection:
        if (list != nullptr) {
            list->selectedRow = -1;
        }
        return {WindowEventKind::control, event.listId};
    }
    return {WindowEventKind::other, 0};
}

WindowEvent serveEachRow() {
    SimControl* list = simControlById(1);
    if (list == nullptr || simWindow.autoNextRow >= static_cast<int>(list->rows.size())) {
        return {WindowEventKind::closeRequest, 0};
    }
    list->selectedRow = simWindow.autoNextRow++;
    return {WindowEventKind::control, 1};
}

}  // namespace

void resetSimWindow() {
    simWindow = SimWindowState();
}

SimControl* simControlById(int id) {
    for (SimControl& control : simWindow.controls) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

void windowInitialise() {
    simWindow.initialised = true;
    simMachine.calls.push_back("InitCommonControlsEx");
}

WindowHandle windowOpenMain(const std::u16string& title, int x, int y, int clientWidth,
                            int clientHeight) {
    simMachine.calls.push_back("CreateWindowExW(" + simUtf8(title) + ")" +
                               (simWindow.openMainFails ? " -> 0" : ""));
    if (simWindow.openMainFails || !simWindow.initialised) {
        return 0;
    }
    simWindow.main = SimMainWindow{true, title, x, y, clientWidth, clientHeight, mainHandle};
    return mainHandle;
}

WindowHandle windowMakeStaticText(WindowHandle parent, int x, int y, int width, int height,
                                  int id, const std::u16string& text) {
    SimControl control{SimControlKind::staticText, 0, parent, x, y, width, height, id, text,
                       {}, {}, -1};
    return addControl(control);
}

WindowHandle windowMakeReportList(WindowHandle parent, int x, int y, int width, int height,
                                  int id, const std::u16string& column0Title, int column0Width) {
    SimControl control{SimControlKind::reportList, 0, parent, x, y, width, height, id, {},
                       {SimColumn{column0Title, column0Width}}, {}, -1};
    return addControl(control);
}

void windowAddColumn(WindowHandle list, int index, const std::u16string& title, int width) {
    SimControl* control = controlByHandle(list);
    if (control == nullptr || index < 0 || index > static_cast<int>(control->columns.size())) {
        return;
    }
    control->columns.insert(control->columns.begin() + index, SimColumn{title, width});
}

void windowAppendRow(WindowHandle list, const std::u16string& text) {
    SimControl* control = controlByHandle(list);
    if (control == nullptr) {
        return;
    }
    std::vector<std::u16string> cells(1);
    for (char16_t c : text) {
        if (c == u'\n') {
            cells.emplace_back();
        } else {
            cells.back().push_back(c);
        }
    }
    // A list shows as many cells as it has columns.
    if (cells.size() > control->columns.size()) {
        cells.resize(control->columns.size());
    }
    control->rows.push_back(cells);
    simWindow.display.push_back("ROW " + std::to_string(control->id) + columnsLine(cells));
}

void windowRemoveAllRows(WindowHandle list) {
    SimControl* control = controlByHandle(list);
    if (control == nullptr) {
        return;
    }
    control->rows.clear();
    control->selectedRow = -1;
    simWindow.display.push_back("CLEAR " + std::to_string(control->id));
}

int windowSelectedRow(WindowHandle list) {
    SimControl* control = controlByHandle(list);
    return control == nullptr ? -1 : control->selectedRow;
}

WindowEvent windowWaitEvent() {
    ++simWindow.waits;
    return simWindow.autoSelectEachRow ? serveEachRow() : serveScripted();
}

void windowShowMessage(const std::u16string& title, const std::u16string& text) {
    simMachine.calls.push_back("MessageBoxW(" + simUtf8(title) + ")");
    simWindow.messages.push_back(SimMessage{title, text});
    simWindow.display.push_back("MESSAGE " + simUtf8(title) + "\t" + escapedLineFeeds(text));
}

void windowShutDown(WindowHandle mainWindow) {
    simWindow.shutDown = true;
    if (mainWindow == simWindow.main.handle) {
        simWindow.main.open = false;
    }
}
