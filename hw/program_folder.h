// The folder of the running program, where the driver files and the name
// file are looked for. The current working folder plays no part.
#pragma once

#include <string>

// The program's full file name (at most 260 characters) cut after its last
// "\" or "/", which stays; empty when the name holds neither.
std::u16string programFolder();
