#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hw/driver_access.h"
#include "sim_test_support.h"

namespace {

using Calls = std::vector<std::string>;

const std::string deviceOpen =
    "CreateFileW(\\\\.\\WinRing0_1_2_0, C0000000, 3, 3, 80) -> device";
const std::string deviceFails =
    "CreateFileW(\\\\.\\WinRing0_1_2_0, C0000000, 3, 3, 80) -> invalid";

std::string createService(const TempFolder& folder, const std::string& file = "WinRing0x64.sys") {
    return "CreateServiceW(WinRing0_1_2_0, WinRing0_1_2_0, F01FF, 1, 3, 1, " +
           folder.file(file) + ") -> service";
}

// The calls of one installation attempt that finds no service of that name.
Calls freshInstall(const TempFolder& folder, bool starts) {
    return {"OpenSCManagerW(F000F) -> manager",
            "OpenServiceW(WinRing0_1_2_0, F01FF) -> 0",
            createService(folder),
            starts ? "StartServiceW -> 1" : "StartServiceW -> 0",
            "CloseServiceHandle(service)",
            "CloseServiceHandle(manager)"};
}

const Calls removal = {"OpenSCManagerW(F000F) -> manager",
                       "OpenServiceW(WinRing0_1_2_0, F01FF) -> service",
                       "ControlService(1) -> 1",
                       "DeleteService -> 1",
                       "CloseServiceHandle(service)",
                       "CloseServiceHandle(manager)"};

Calls joined(std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

class DriverAccess : public ::testing::Test {
protected:
    TempFolder folder;
    void SetUp() override {
        resetMachineFor(folder);
        folder.write("WinRing0x64.sys", "driver");
        folder.write("WinRing0.sys", "driver");
    }
    // An open channel on a running driver, with an empty call log.
    void openChannel() {
        simAddService(u"WinRing0_1_2_0", simUtf16(folder.file("WinRing0x64.sys")), true);
        ASSERT_TRUE(openDriverChannel());
        simMachine.calls.clear();
    }
};

TEST_F(DriverAccess, ControlCodesAndAddresses) {
    EXPECT_EQ(makeControlCode(40000, 0x851, 0, 1), 0x9C406144u);
    EXPECT_EQ(makeControlCode(40000, 0x999, 0, 0), 0x9C402664u);
    EXPECT_EQ(readConfigCode, 0x9C406144u);
    EXPECT_EQ(refCountCode, 0x9C402664u);
    EXPECT_EQ(makeConfigAddress(0, 2, 0), 0x10u);
    EXPECT_EQ(makeConfigAddress(255, 31, 7), 0xFFFFu);
    EXPECT_EQ(makeConfigAddress(0x1FF, 0x3F, 0xF), 0xFFFFu);  // each number masked to its width
}

TEST_F(DriverAccess, ReadsAddressTheFunctionAndOffsetLittleEndian) {
    openChannel();
    std::uint32_t address = makeConfigAddress(3, 4, 5);
    simSetConfigDword(address, 0x08, 0x0C033010);
    simSetConfigByte(address, 0x0D, 0x40);
    simSetConfigByte(address, 0x0E, 0x80);
    simMachine.logReads = true;

    EXPECT_EQ(readConfigDword(address, 0x08), 0x0C033010u);
    EXPECT_EQ(readConfigByte(address, 0x0D), 0x40);
    EXPECT_EQ(readConfigDword(makeConfigAddress(3, 4, 6), 0x00), 0xFFFFFFFFu);  // absent

    ASSERT_EQ(simMachine.reads.size(), 3u);
    EXPECT_EQ(simMachine.reads[0].address, address);
    EXPECT_EQ(simMachine.reads[0].offset, 0x08u);
    EXPECT_EQ(simMachine.reads[0].size, 4u);
    // A byte read always asks for two bytes at the offset itself.
    EXPECT_EQ(simMachine.reads[1].offset, 0x0Du);
    EXPECT_EQ(simMachine.reads[1].size, 2u);
}

TEST_F(DriverAccess, FailedReadsGiveAllOnes) {
    openChannel();
    std::uint32_t address = makeConfigAddress(0, 1, 0);
    simSetConfigDword(address, 0x00, 0x12345678);
    simMachine.faults.failingReads = {{address, 0x00}, {address, 0x3C}};

    std::uint8_t buffer[4] = {};
    EXPECT_EQ(readConfig(address, 0x00, buffer, 4), simErrorGenFailure);
    EXPECT_EQ(readConfigDword(address, 0x00), 0xFFFFFFFFu);
    EXPECT_EQ(readConfigByte(address, 0x3C), 0xFF);
    EXPECT_EQ(readConfig(address, 0x08, buffer, 4), 0u);

    // A failure whose error code reads 0 is still a failure.
    simMachine.faults.readErrorCode = 0;
    EXPECT_NE(readConfig(address, 0x00, buffer, 4), 0u);
    EXPECT_EQ(readConfigDword(address, 0x00), 0xFFFFFFFFu);
}

TEST_F(DriverAccess, ReadsWithoutChannelFail) {
    std::uint32_t address = makeConfigAddress(0, 0, 0);
    simSetConfigDword(address, 0x00, 0x25788086);
    for (std::int32_t handle : {0, -1}) {
        driverChannel.handle = handle;
        EXPECT_EQ(readConfigDword(address, 0x00), 0xFFFFFFFFu);
        EXPECT_EQ(readConfigByte(address, 0x00), 0xFF);
    }
}

TEST_F(DriverAccess, ShortAnswersKeepThePresets) {
    openChannel();
    std::uint32_t address = makeConfigAddress(0, 0, 0);
    simSetConfigDword(address, 0x00, 0x25788086);

    simMachine.faults.readBytesWritten = 0;
    EXPECT_EQ(readConfigDword(address, 0x00), 0u);
    EXPECT_EQ(readConfigByte(address, 0x00), 0);
    simMachine.faults.readBytesWritten = 1;
    EXPECT_EQ(readConfigDword(address, 0x00), 0x86u);

    simMachine.faults.refCountWritesNothing = true;
    EXPECT_EQ(queryDriverRefCount(driverChannel.handle), -1);
}

TEST_F(DriverAccess, ReferenceCount) {
    // Handle 0 sends nothing.
    EXPECT_EQ(queryDriverRefCount(0), -1);
    EXPECT_EQ(simMachine.deviceRequestCount, 0);
    EXPECT_TRUE(simMachine.calls.empty());

    openChannel();
    EXPECT_EQ(queryDriverRefCount(driverChannel.handle), 1);
    simMachine.otherProgramDeviceHandles = 2;
    EXPECT_EQ(queryDriverRefCount(driverChannel.handle), 3);
    simMachine.faults.refCountFails = true;
    EXPECT_EQ(queryDriverRefCount(driverChannel.handle), -1);
    EXPECT_EQ(queryDriverRefCount(-1), -1);
}

TEST_F(DriverAccess, ChannelStoresFailureAndClosesIt) {
    EXPECT_FALSE(openDriverChannel());
    EXPECT_EQ(driverChannel.handle, -1);
    simMachine.calls.clear();
    closeDriverChannel();
    EXPECT_EQ(driverChannel.handle, 0);
    EXPECT_EQ(simMachine.calls, Calls{"CloseHandle(-1)"});
    simMachine.calls.clear();
    closeDriverChannel();  // 0: nothing to close
    EXPECT_TRUE(simMachine.calls.empty());
}

TEST_F(DriverAccess, RunningDriverNeedsNoServiceCallAndIsRemovedWhenLastUser) {
    // Registered by another program under another path: still ours to remove at the end.
    simAddService(u"WinRing0_1_2_0", u"C:\\Other\\WinRing0x64.sys", true);
    startDriver();
    EXPECT_EQ(driverCalls(), Calls{deviceOpen});
    EXPECT_GT(driverChannel.handle, 0);
    EXPECT_EQ(driverFileName, u"WinRing0x64.sys");

    simMachine.calls.clear();
    releaseDriver();
    EXPECT_EQ(driverCalls(),
              joined({{"DeviceIoControl(refCount)", "CloseHandle(device)"}, removal}));
    EXPECT_EQ(driverChannel.handle, 0);
    EXPECT_TRUE(simMachine.services.empty());
    EXPECT_EQ(simOpenHandleCount(), 0);
    EXPECT_TRUE(simWindow.messages.empty());
}

TEST_F(DriverAccess, InstallsStartsAndRemovesTheService) {
    startDriver();
    EXPECT_EQ(driverCalls(), joined({{deviceFails}, freshInstall(folder, true), {deviceOpen}}));
    ASSERT_EQ(simMachine.services.count(u"WinRing0_1_2_0"), 1u);
    const SimService& service = simMachine.services[u"WinRing0_1_2_0"];
    EXPECT_TRUE(service.running);
    EXPECT_EQ(service.displayName, u"WinRing0_1_2_0");

    releaseDriver();
    EXPECT_TRUE(simMachine.services.empty());
    EXPECT_EQ(simOpenHandleCount(), 0);
    EXPECT_EQ(simMachine.sleepCount, 0);
}

TEST_F(DriverAccess, ReinstallStopsDeletesAndClosesTheOldServiceFirst) {
    // Left registered but stopped, for instance by an earlier failed start.
    simAddService(u"WinRing0_1_2_0", u"C:\\Old\\WinRing0x64.sys", false);
    EXPECT_EQ(openOrInstallDriver(u"WinRing0x64.sys"), 0);
    EXPECT_EQ(driverCalls(),
              (Calls{deviceFails, "OpenSCManagerW(F000F) -> manager",
                     "OpenServiceW(WinRing0_1_2_0, F01FF) -> service", "ControlService(1) -> 0",
                     "DeleteService -> 1", "CloseServiceHandle(service)", createService(folder),
                     "StartServiceW -> 1", "CloseServiceHandle(service)",
                     "CloseServiceHandle(manager)", deviceOpen}));
    EXPECT_EQ(simMachine.services[u"WinRing0_1_2_0"].binaryPath,
              simUtf16(folder.file("WinRing0x64.sys")));
}

struct StartFailure {
    const char* name;
    void (*inject)(const TempFolder&);
    int attemptResult;          // what each failed attempt of openOrInstallDriver gives
    bool serviceLeftBehind;
};

const StartFailure startFailures[] = {
    {"NoAdministratorRights", [](const TempFolder&) { simMachine.faults.managerOpenFails = true; },
     2, false},
    {"CreateFails", [](const TempFolder&) { simMachine.faults.createServiceFails = true; }, 2,
     false},
    {"DriverFileMissing",
     [](const TempFolder& folder) { std::remove(folder.file("WinRing0x64.sys").c_str()); }, 2,
     true},
    {"StartFails", [](const TempFolder&) { simMachine.faults.startServiceFails = true; }, 2, true},
    {"DeviceNeverOpens", [](const TempFolder&) { simMachine.faults.deviceNeverOpens = true; }, 3,
     true},
};

class DriverStartFailure : public DriverAccess,
                           public ::testing::WithParamInterface<StartFailure> {};

TEST_P(DriverStartFailure, SeventeenAttemptsThenTheErrorMessage) {
    GetParam().inject(folder);
    EXPECT_EQ(openOrInstallDriver(u"WinRing0x64.sys"), GetParam().attemptResult);
    resetMachineFor(folder);
    folder.write("WinRing0x64.sys", "driver");
    GetParam().inject(folder);

    startDriver();
    EXPECT_EQ(simMachine.sleepCount, 17);
    // The last call before the message is the 17th pause.
    Calls calls = driverCalls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "Sleep(100)");
    EXPECT_EQ(calls.back(), "MessageBoxW(RoVuvi - Error)");
    ASSERT_EQ(simWindow.messages.size(), 1u);
    EXPECT_EQ(simWindow.messages[0].text,
              u"An  error  occured  when  opening  the  driver  WinRing0x64.sys .\n"
              u"The  program  will  not  run  properly.");
    EXPECT_EQ(driverChannel.handle, -1);
    EXPECT_EQ(simMachine.services.count(u"WinRing0_1_2_0") == 1, GetParam().serviceLeftBehind);

    simMachine.calls.clear();
    releaseDriver();
    // The count request on -1 fails, so nothing is removed.
    EXPECT_EQ(driverCalls(), (Calls{"DeviceIoControl(9C402664) on a bad handle", "CloseHandle(-1)"}));
    EXPECT_EQ(driverChannel.handle, 0);
    EXPECT_EQ(simMachine.services.count(u"WinRing0_1_2_0") == 1, GetParam().serviceLeftBehind);
    EXPECT_EQ(simOpenHandleCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Faults, DriverStartFailure, ::testing::ValuesIn(startFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DriverAccess, MissingDriverFileIsRecreatedOnEveryAttempt) {
    std::remove(folder.file("WinRing0x64.sys").c_str());
    startDriver();
    Calls calls = driverCalls();
    long creates = 0, deletes = 0;
    for (const std::string& call : calls) {
        creates += call.rfind("CreateServiceW", 0) == 0;
        deletes += call == "DeleteService -> 1";
    }
    EXPECT_EQ(creates, 17);
    EXPECT_EQ(deletes, 16);  // every attempt but the first finds the last one's service
}

struct VersionCase {
    std::uint32_t platformId;
    std::uint32_t minorVersion;
    bool queryFails;
    bool refused;
};

class OperatingSystemGate : public DriverAccess,
                            public ::testing::WithParamInterface<VersionCase> {};

TEST_P(OperatingSystemGate, RefusesWindows95And98AndMeOnly) {
    simAddService(u"WinRing0_1_2_0", u"C:\\WinRing0x64.sys", true);
    simMachine.version.platformId = GetParam().platformId;
    simMachine.version.minorVersion = GetParam().minorVersion;
    simMachine.faults.versionQueryFails = GetParam().queryFails;
    startDriver();
    if (GetParam().refused) {
        EXPECT_EQ(simMachine.calls, (Calls{"GetVersionExA -> 1", "MessageBoxW(Unsupported OS)"}));
        ASSERT_EQ(simWindow.messages.size(), 1u);
        EXPECT_EQ(simWindow.messages[0].text, u"Your OS is not supported.");
        EXPECT_EQ(driverChannel.handle, 0);
        EXPECT_TRUE(driverFileName.empty());
        simMachine.calls.clear();
        releaseDriver();
        EXPECT_TRUE(simMachine.calls.empty());  // no request, nothing closed or removed
        EXPECT_EQ(simMachine.services.size(), 1u);
    } else {
        EXPECT_GT(driverChannel.handle, 0);
        EXPECT_TRUE(simWindow.messages.empty());
        releaseDriver();
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, OperatingSystemGate,
                         ::testing::Values(VersionCase{1, 0, false, true},   // 95
                                           VersionCase{1, 10, false, true},  // 98
                                           VersionCase{1, 90, false, true},  // ME
                                           VersionCase{1, 1, false, false},
                                           VersionCase{2, 0, false, false},  // NT family
                                           VersionCase{2, 10, false, false},
                                           VersionCase{0, 0, false, false},  // Win32s
                                           VersionCase{1, 10, true, false}));  // failed query

TEST_F(DriverAccess, DriverFileByArchitecture) {
    struct Case {
        std::uint16_t architecture;
        const char16_t* file;
    };
    for (Case c : {Case{simArchitectureX86, u"WinRing0.sys"}, Case{simArchitectureAmd64, u"WinRing0x64.sys"},
                   Case{simArchitectureArm64, u"WinRing0x64.sys"}, Case{6, u"WinRing0x64.sys"},
                   Case{0xFFFF, u"WinRing0x64.sys"}}) {
        resetMachineFor(folder);
        simMachine.architecture = c.architecture;
        startDriver();
        EXPECT_EQ(driverFileName, c.file) << c.architecture;
        EXPECT_EQ(simMachine.services[u"WinRing0_1_2_0"].binaryPath,
                  simUtf16(folder.path + "/") + c.file);
        releaseDriver();
        EXPECT_EQ(simOpenHandleCount(), 0);
    }
}

TEST_F(DriverAccess, ModuleNameWithoutSeparatorGivesTheBareFileName) {
    simMachine.moduleFileName = u"pcilist.exe";
    simMachine.faults.startServiceFails = true;
    EXPECT_EQ(openOrInstallDriver(u"WinRing0x64.sys"), 2);
    EXPECT_EQ(simMachine.services[u"WinRing0_1_2_0"].binaryPath, u"WinRing0x64.sys");

    simMachine.moduleFileName = u"C:\\Tools/sub\\pcilist.exe";  // the last separator counts
    openOrInstallDriver(u"WinRing0.sys");
    EXPECT_EQ(simMachine.services[u"WinRing0_1_2_0"].binaryPath, u"C:\\Tools/sub\\WinRing0.sys");
}

struct ReleaseCase {
    const char* name;
    void (*inject)();
    bool removed;
};

const ReleaseCase releaseCases[] = {
    {"OnlyUser", [] {}, true},
    {"AnotherProgramHoldsTheDevice", [] { simMachine.otherProgramDeviceHandles = 1; }, false},
    {"CountZero", [] { simMachine.faults.refCountOverridden = true; simMachine.faults.refCountValue = 0; }, false},
    {"CountTwo", [] { simMachine.faults.refCountOverridden = true; simMachine.faults.refCountValue = 2; }, false},
    {"CountMinusOne", [] { simMachine.faults.refCountOverridden = true; simMachine.faults.refCountValue = -1; }, false},
    {"CountRequestFails", [] { simMachine.faults.refCountFails = true; }, false},
    {"StopFails", [] { simMachine.faults.stopServiceFails = true; }, false},
};

class DriverRelease : public DriverAccess, public ::testing::WithParamInterface<ReleaseCase> {};

TEST_P(DriverRelease, RemovesTheServiceOnlyForTheLastUser) {
    startDriver();
    ASSERT_GT(driverChannel.handle, 0);
    GetParam().inject();
    releaseDriver();
    EXPECT_EQ(driverChannel.handle, 0);
    EXPECT_EQ(simMachine.services.empty(), GetParam().removed);
    EXPECT_EQ(simOpenHandleCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Counts, DriverRelease, ::testing::ValuesIn(releaseCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DriverAccess, RemovalResults) {
    EXPECT_EQ(removeDriverService(u"WinRing0_1_2_0"), 0);  // no such service
    EXPECT_EQ(driverCalls(), (Calls{"OpenSCManagerW(F000F) -> manager",
                                    "OpenServiceW(WinRing0_1_2_0, F01FF) -> 0",
                                    "CloseServiceHandle(manager)"}));
    simAddService(u"WinRing0_1_2_0", u"x", false);
    EXPECT_EQ(removeDriverService(u"WinRing0_1_2_0"), 0);  // stop fails: stays registered
    EXPECT_EQ(simMachine.services.size(), 1u);
    simMachine.services[u"WinRing0_1_2_0"].running = true;
    EXPECT_NE(removeDriverService(u"WinRing0_1_2_0"), 0);
    EXPECT_TRUE(simMachine.services.empty());
    simMachine.faults.managerOpenFails = true;
    EXPECT_EQ(removeDriverService(u"WinRing0_1_2_0"), 0);
    EXPECT_EQ(simOpenHandleCount(), 0);
}

}  // namespace
