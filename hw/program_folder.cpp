#include "hw/program_folder.h"

#include "hw/os.h"

namespace {
constexpr std::uint32_t moduleNameCapacity = 260;
}

std::u16string programFolder() {
    std::u16string fileName = osModuleFileName(moduleNameCapacity);
    std::size_t separator = fileName.find_last_of(u"\\/");
    if (separator == std::u16string::npos) {
        return std::u16string();
    }
    return fileName.substr(0, separator + 1);
}
