/* A stand-in for the WinRing0 driver, for running the program under Wine.
 *
 * It offers exactly what the program relies on: the device
 * \Device\WinRing0_1_2_0 (with the link \DosDevices\WinRing0_1_2_0), the
 * configuration read request answered from a fixture file of configuration
 * space, and the reference count request answered with the number of handles
 * open on the device. Every other request fails.
 */
#include <ntddk.h>

#include "fixture_format.h"

#define DEVICE_NAME L"\\Device\\WinRing0_1_2_0"
#define LINK_NAME L"\\DosDevices\\WinRing0_1_2_0"

/* Device type 40000, buffered I/O: function 0x851 with read access, 0x999 with any access. */
#define READ_CONFIG_CODE 0x9C406144u
#define REF_COUNT_CODE 0x9C402664u

#define POOL_TAG 0x67695250u /* "PRig" as it shows in pool dumps */

static UCHAR* fixture;          /* the whole fixture file */
static ULONG recordCount;
static ULONG recordSize;
static volatile LONG openHandles;  /* IRP_MJ_CREATE minus IRP_MJ_CLOSE */

static ULONG readLittleEndian32(const UCHAR* bytes)
{
    return (ULONG)bytes[0] | (ULONG)bytes[1] << 8 | (ULONG)bytes[2] << 16 | (ULONG)bytes[3] << 24;
}

/* The configuration bytes of one function, or NULL for an absent one. */
static const UCHAR* findFunction(ULONG address)
{
    ULONG i;
    const UCHAR* record = fixture + FIXTURE_HEADER_SIZE;
    for (i = 0; i < recordCount; ++i, record += 4 + recordSize) {
        if (readLittleEndian32(record) == address) {
            return record + 4;
        }
    }
    return NULL;
}

static BOOLEAN fixtureIsSound(ULONG fileSize)
{
    ULONG i;
    ULONGLONG wanted;
    if (fileSize < FIXTURE_HEADER_SIZE ||
        RtlCompareMemory(fixture, FIXTURE_MAGIC, FIXTURE_MAGIC_SIZE) != FIXTURE_MAGIC_SIZE) {
        return FALSE;
    }
    recordCount = readLittleEndian32(fixture + 8);
    recordSize = readLittleEndian32(fixture + 12);
    if (recordSize == 0 || recordSize > FIXTURE_MAX_RECORD_SIZE ||
        recordCount > FIXTURE_ADDRESS_COUNT) {
        return FALSE;
    }
    wanted = FIXTURE_HEADER_SIZE + (ULONGLONG)recordCount * (4 + recordSize);
    if (wanted != fileSize) {
        return FALSE;
    }
    for (i = 0; i < recordCount; ++i) {
        if (readLittleEndian32(fixture + FIXTURE_HEADER_SIZE + i * (4 + recordSize)) >=
            FIXTURE_ADDRESS_COUNT) {
            return FALSE;
        }
    }
    return TRUE;
}

static NTSTATUS loadFixture(void)
{
    UNICODE_STRING path;
    OBJECT_ATTRIBUTES attributes;
    IO_STATUS_BLOCK io;
    FILE_STANDARD_INFORMATION info;
    HANDLE file;
    ULONG fileSize;
    NTSTATUS status;

    RtlInitUnicodeString(&path, FIXTURE_NT_PATH);
    InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    status = ZwCreateFile(&file, GENERIC_READ | SYNCHRONIZE, &attributes, &io, NULL,
                          FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ, FILE_OPEN,
                          FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, NULL, 0);
    if (!NT_SUCCESS(status)) {
        DbgPrint("pcilist-rig: cannot open the fixture (0x%08lx)\n", (unsigned long)status);
        return status;
    }
    status = ZwQueryInformationFile(file, &io, &info, sizeof info, FileStandardInformation);
    if (NT_SUCCESS(status) && info.EndOfFile.QuadPart > FIXTURE_HEADER_SIZE +
                                  (LONGLONG)FIXTURE_ADDRESS_COUNT * (4 + FIXTURE_MAX_RECORD_SIZE)) {
        status = STATUS_FILE_TOO_LARGE;
    }
    if (NT_SUCCESS(status)) {
        fileSize = (ULONG)info.EndOfFile.QuadPart;
        fixture = ExAllocatePoolWithTag(NonPagedPool, fileSize ? fileSize : 1, POOL_TAG);
        status = fixture ? STATUS_SUCCESS : STATUS_INSUFFICIENT_RESOURCES;
    }
    if (NT_SUCCESS(status)) {
        status = ZwReadFile(file, NULL, NULL, NULL, &io, fixture, fileSize, NULL, NULL);
        if (NT_SUCCESS(status) && io.Information != fileSize) {
            status = STATUS_END_OF_FILE;
        }
    }
    if (NT_SUCCESS(status) && !fixtureIsSound(fileSize)) {
        status = STATUS_FILE_CORRUPT_ERROR;
    }
    ZwClose(file);
    if (!NT_SUCCESS(status)) {
        DbgPrint("pcilist-rig: cannot load the fixture (0x%08lx)\n", (unsigned long)status);
    }
    return status;
}

static void freeFixture(void)
{
    if (fixture) {
        ExFreePoolWithTag(fixture, POOL_TAG);
        fixture = NULL;
    }
}

static NTSTATUS completeRequest(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS onCreate(PDEVICE_OBJECT device, PIRP irp)
{
    UNREFERENCED_PARAMETER(device);
    InterlockedIncrement(&openHandles);
    return completeRequest(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS onClose(PDEVICE_OBJECT device, PIRP irp)
{
    UNREFERENCED_PARAMETER(device);
    InterlockedDecrement(&openHandles);
    return completeRequest(irp, STATUS_SUCCESS, 0);
}

/* Input: 4 bytes ConfigAddress, 4 bytes register offset. Output: as many bytes as asked,
 * from the offset on; all-ones where the function or the byte is absent. */
static NTSTATUS readConfig(PIRP irp, ULONG inputSize, ULONG outputSize)
{
    UCHAR* buffer = irp->AssociatedIrp.SystemBuffer;
    const UCHAR* space;
    ULONG offset;
    ULONG i;

    if (inputSize != 8 || outputSize == 0 || buffer == NULL) {
        return completeRequest(irp, STATUS_INVALID_PARAMETER, 0);
    }
    space = findFunction(readLittleEndian32(buffer));
    offset = readLittleEndian32(buffer + 4);
    for (i = 0; i < outputSize; ++i) {
        ULONGLONG at = (ULONGLONG)offset + i;
        buffer[i] = (space && at < recordSize) ? space[at] : 0xFF;
    }
    return completeRequest(irp, STATUS_SUCCESS, outputSize);
}

static NTSTATUS onDeviceControl(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inputSize = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outputSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UNREFERENCED_PARAMETER(device);

    if (code == READ_CONFIG_CODE) {
        return readConfig(irp, inputSize, outputSize);
    }
    if (code == REF_COUNT_CODE) {
        LONG count = openHandles;
        if (outputSize < sizeof count || irp->AssociatedIrp.SystemBuffer == NULL) {
            return completeRequest(irp, STATUS_BUFFER_TOO_SMALL, 0);
        }
        RtlCopyMemory(irp->AssociatedIrp.SystemBuffer, &count, sizeof count);
        return completeRequest(irp, STATUS_SUCCESS, sizeof count);
    }
    return completeRequest(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
}

static NTSTATUS onCleanup(PDEVICE_OBJECT device, PIRP irp)
{
    UNREFERENCED_PARAMETER(device);
    return completeRequest(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS onOtherRequest(PDEVICE_OBJECT device, PIRP irp)
{
    UNREFERENCED_PARAMETER(device);
    return completeRequest(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
}

static VOID onUnload(PDRIVER_OBJECT driver)
{
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, LINK_NAME);
    IoDeleteSymbolicLink(&link);
    if (driver->DeviceObject) {
        IoDeleteDevice(driver->DeviceObject);
    }
    freeFixture();
}

NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    UNICODE_STRING deviceName;
    UNICODE_STRING link;
    PDEVICE_OBJECT device;
    NTSTATUS status;
    ULONG i;
    UNREFERENCED_PARAMETER(registryPath);

    openHandles = 0;
    status = loadFixture();
    if (!NT_SUCCESS(status)) {
        freeFixture();
        return status;
    }

    RtlInitUnicodeString(&deviceName, DEVICE_NAME);
    status = IoCreateDevice(driver, 0, &deviceName, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(status)) {
        freeFixture();
        return status;
    }
    RtlInitUnicodeString(&link, LINK_NAME);
    status = IoCreateSymbolicLink(&link, &deviceName);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        freeFixture();
        return status;
    }

    for (i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i) {
        driver->MajorFunction[i] = onOtherRequest;
    }
    driver->MajorFunction[IRP_MJ_CREATE] = onCreate;
    driver->MajorFunction[IRP_MJ_CLEANUP] = onCleanup;
    driver->MajorFunction[IRP_MJ_CLOSE] = onClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = onDeviceControl;
    driver->DriverUnload = onUnload;
    return STATUS_SUCCESS;
}
