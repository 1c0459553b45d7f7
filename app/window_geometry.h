// Where the main window goes: centred on the screen by its outer size, and
// at 0 on an axis where it is larger than the screen.
#pragma once

struct WindowPosition {
    int x;
    int y;
};

inline int centredCoordinate(int screenSize, int windowSize) {
    int used = windowSize < screenSize ? windowSize : screenSize;
    return (screenSize - used) / 2;
}

inline WindowPosition centredPosition(int screenWidth, int screenHeight, int windowWidth,
                                      int windowHeight) {
    return {centredCoordinate(screenWidth, windowWidth),
            centredCoordinate(screenHeight, windowHeight)};
}
