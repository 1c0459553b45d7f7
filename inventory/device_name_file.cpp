#include "inventory/device_name_file.h"

#include "hw/os.h"
#include "hw/program_folder.h"
#include "inventory/name_file_lines.h"
#include "inventory/text_format.h"

// Nothing is kept between calls: the file is opened, read from its first line
// and closed on every call, so a change to it is seen by the next lookup.
int lookupDeviceName(const std::u16string& key, std::u16string& chip, std::u16string& name) {
    std::u16string path = programFolder() + u"pcinames.txt";
    std::u16string upperKey = key;
    osUpperCase(upperKey);

    // Shared with readers only: the open fails while another program writes it.
    OsHandle file = osCreateFile(path, osGenericRead, osFileShareRead, osOpenExisting,
                                 osFileAttributeNormal);
    if (file == osInvalidHandle) {
        chip = notAvailable;
        name = notAvailable;
        return 1;
    }

    NameFileReader reader;
    startNameFileReader(reader, file);
    std::u16string line;
    bool matched = findNameLine(reader, upperKey, keyAllowsShortcut(upperKey), line);
    osCloseHandle(file);

    if (!matched) {
        chip = notAvailable;
        name = notAvailable;
        return 2;
    }
    splitNameLine(line, chip, name);
    return 0;
}
