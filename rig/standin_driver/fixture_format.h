/* The configuration-space fixture that the stand-in driver answers from.
 *
 * One little-endian file:
 *   offset 0   8 bytes  magic "PCIRIG01"
 *   offset 8   4 bytes  record count
 *   offset 12  4 bytes  record size: configuration bytes per function (1..4096)
 *   offset 16  records, each: 4 bytes ConfigAddress (bus << 8 | device << 3 | function),
 *              then `record size` bytes of that function's configuration space from offset 0.
 *
 * A function without a record is absent and reads as all-ones bytes; so does
 * every byte past the record size of a present function. rig/make_fixture.py
 * writes the file, the driver reads it once when it starts.
 */
#ifndef PCILIST_RIG_FIXTURE_FORMAT_H
#define PCILIST_RIG_FIXTURE_FORMAT_H

#define FIXTURE_MAGIC "PCIRIG01"
#define FIXTURE_MAGIC_SIZE 8
#define FIXTURE_HEADER_SIZE 16
#define FIXTURE_MAX_RECORD_SIZE 4096
#define FIXTURE_ADDRESS_COUNT 65536

/* Where the driver looks for the fixture: C:\pcilist-rig\config.bin of the Wine prefix. */
#define FIXTURE_NT_PATH L"\\??\\C:\\pcilist-rig\\config.bin"

#endif
