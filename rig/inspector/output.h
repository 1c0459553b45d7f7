// What the inspector prints: UTF-8 lines on standard output, in the line
// format of pcilist-sim where the two say the same thing.
#pragma once

#include <string>

// Switches standard output to binary, so a line ends with LF alone.
void outputInitialise();

std::string toUtf8(const std::wstring& text);

// Writes the line and a line feed.
void printLine(const std::string& line);

// A line feed inside a text is written as the two characters \n.
std::string escapedLineFeeds(const std::wstring& text);
