// Configuration space from a pciutils hex dump or from sysfs.
#include <dirent.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "sim/sim_machine.h"

namespace {

bool parseHex(const std::string& text, std::uint32_t& value) {
    if (text.empty() || text.size() > 8) {
        return false;
    }
    value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return false;
        }
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return true;
}

// "[DDDD:]BB:DD.F" at the start of a header line.
bool parseSlot(const std::string& word, std::uint32_t& domain, std::uint32_t& bus,
               std::uint32_t& device, std::uint32_t& function) {
    std::size_t dot = word.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    std::string head = word.substr(0, dot);
    std::string tail = word.substr(dot + 1);
    std::size_t lastColon = head.rfind(':');
    if (lastColon == std::string::npos) {
        return false;
    }
    std::string busText = head.substr(0, lastColon);
    std::string deviceText = head.substr(lastColon + 1);
    domain = 0;
    std::size_t domainColon = busText.rfind(':');
    if (domainColon != std::string::npos) {
        if (!parseHex(busText.substr(0, domainColon), domain)) {
            return false;
        }
        busText = busText.substr(domainColon + 1);
    }
    return parseHex(busText, bus) && bus <= 0xFF && parseHex(deviceText, device) &&
           device <= 0x1F && tail.size() == 1 && parseHex(tail, function) && function <= 7;
}

}  // namespace

bool simLoadPciDump(const std::string& text, SimConfigSpace& space, std::string& error) {
    space = SimConfigSpace();
    std::istringstream lines(text);
    std::string line;
    SimFunctionSpace* current = nullptr;
    bool skipping = false;  // a function outside domain 0
    int lineNumber = 0;
    int functions = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        std::size_t colon = line.find(':');
        std::string first = line.substr(0, line.find(' '));
        bool isDataLine = colon != std::string::npos && colon <= 3 &&
                          (colon + 1 == line.size() || line[colon + 1] == ' ');
        if (isDataLine) {
            if (current == nullptr && !skipping) {
                error = "line " + std::to_string(lineNumber) + ": data before any function";
                return false;
            }
            std::uint32_t offset;
            if (!parseHex(line.substr(0, colon), offset) || offset >= simFunctionSpaceSize) {
                error = "line " + std::to_string(lineNumber) + ": bad offset";
                return false;
            }
            std::istringstream bytes(line.substr(colon + 1));
            std::string byteText;
            while (bytes >> byteText) {
                std::uint32_t value;
                if (byteText.size() != 2 || !parseHex(byteText, value) ||
                    offset >= simFunctionSpaceSize) {
                    error = "line " + std::to_string(lineNumber) + ": bad byte '" + byteText + "'";
                    return false;
                }
                if (current != nullptr) {
                    (*current)[offset] = static_cast<std::uint8_t>(value);
                }
                ++offset;
            }
            continue;
        }
        std::uint32_t domain, bus, device, function;
        if (!parseSlot(first, domain, bus, device, function)) {
            error = "line " + std::to_string(lineNumber) + ": not a pciutils dump line";
            return false;
        }
        skipping = domain != 0;
        current = nullptr;
        if (!skipping) {
            std::uint32_t address = bus << 8 | device << 3 | function;
            space.functions[address] = std::make_unique<SimFunctionSpace>();
            current = space.functions[address].get();
            current->fill(0);
            ++functions;
        }
    }
    (void)functions;
    return true;
}

bool simLoadPciDumpFile(const std::string& path, SimConfigSpace& space, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return simLoadPciDump(text.str(), space, error);
}

bool simLoadSysfs(const std::string& sysfsRoot, SimConfigSpace& space, std::string& error) {
    space = SimConfigSpace();
    DIR* folder = opendir(sysfsRoot.c_str());
    if (folder == nullptr) {
        error = "cannot list " + sysfsRoot;
        return false;
    }
    while (dirent* entry = readdir(folder)) {
        std::string name = entry->d_name;
        std::uint32_t domain, bus, device, function;
        if (name[0] == '.' || !parseSlot(name, domain, bus, device, function) || domain != 0) {
            continue;
        }
        std::ifstream file(sysfsRoot + "/" + name + "/config", std::ios::binary);
        if (!file) {
            continue;
        }
        auto bytes = std::make_unique<SimFunctionSpace>();
        bytes->fill(0);
        file.read(reinterpret_cast<char*>(bytes->data()), simFunctionSpaceSize);
        space.functions[bus << 8 | device << 3 | function] = std::move(bytes);
    }
    closedir(folder);
    return true;
}
