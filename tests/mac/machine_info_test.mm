// Machine::GetDeviceInfo of the macOS bodies: the host's version, the macOS version from the process
// information and the GPU from the I/O registry's accelerators, with its log lines, on the registries
// and systems the stand-in plays.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Headers/LogsController.h"
#include "MacStandIn.h"
#include "PF_GPUDevice.h"
#include "host/OutputCapture.h"
#include "render/Headers/MachineInfo.h"
#include "support/LogLines.h"

namespace {

using MacStandIn::Accelerator;

// Codes the registry fails with (kIOReturnError, kIOReturnNoMemory), and how the log writes them.
constexpr int kServicesFail = static_cast<int>(0xE00002BC);  // -536870212
constexpr int kPropertiesFail = static_cast<int>(0xE00002BD);  // -536870211

Accelerator Model(const char* name) {
    Accelerator a;
    a.model = name;
    return a;
}

class MachineInfo : public ::testing::Test {
protected:
    void SetUp() override {
        LogsData& log = Logger::getInstance()->getData();
        savedTag_ = log.tag;
        std::strncpy(log.tag, "Morphalith", sizeof(log.tag) - 1);
    }
    void TearDown() override {
        std::strncpy(Logger::getInstance()->getData().tag, savedTag_.c_str(), sizeof(LogsData::tag) - 1);
        MacStandIn::resetRegistry();
        MacStandIn::setSystemVersion({});
    }
    std::string savedTag_;
};

TEST_F(MachineInfo, VersionsRegistriesAndTheirLogLines) {
    struct Case {
        const char* label;
        short major, minor;
        MacStandIn::SystemVersion system;
        MacStandIn::Registry registry;
        std::string hostVersion, osVersion, gpuName;  // gpuName starts as "Earlier GPU"
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"13.28 on 14.2.1 with one accelerator", 13, 28, {14, 2, 1}, {0, {Model("Apple M2 Max")}},
         "13.28", "14.2.1", "Apple M2 Max",
         {"Current macOS version: 14.2.1", "GPU: Apple M2 Max, OS: 14.2.1"}},
        {"a minor version of 5 is 13.5", 13, 5, {13, 6, 0}, {0, {Model("AMD Radeon Pro 5500M")}},
         "13.5", "13.6.0", "AMD Radeon Pro 5500M",
         {"Current macOS version: 13.6.0", "GPU: AMD Radeon Pro 5500M, OS: 13.6.0"}},
        {"below 12.0 the registry is not asked", 13, 28, {11, 6, 0}, {0, {Model("never read")}},
         "13.28", "< 12.0", "Unknown",
         {"Current macOS version: 11.6.0", "GPU: Unknown, OS: < 12.0"}},
        {"12.0.0 is not below 12.0", 13, 28, {12, 0, 0}, {0, {Model("Intel Iris Plus Graphics")}},
         "13.28", "12.0.0", "Intel Iris Plus Graphics",
         {"Current macOS version: 12.0.0", "GPU: Intel Iris Plus Graphics, OS: 12.0.0"}},
        {"of two accelerators the second walked stays", 13, 28, {14, 2, 1},
         {0, {Model("Intel UHD Graphics 630"), Model("AMD Radeon Pro 5600M")}},
         "13.28", "14.2.1", "AMD Radeon Pro 5600M",
         {"Current macOS version: 14.2.1", "GPU: AMD Radeon Pro 5600M, OS: 14.2.1"}},
        {"no accelerator keeps the earlier name", 13, 28, {14, 2, 1}, {0, {}},
         "13.28", "14.2.1", "Earlier GPU",
         {"Current macOS version: 14.2.1", "GPU: Earlier GPU, OS: 14.2.1"}},
        {"a failed service query walks nothing", 13, 28, {14, 2, 1}, {kServicesFail, {Model("never read")}},
         "13.28", "14.2.1", "Earlier GPU",
         {"Current macOS version: 14.2.1",
          "ERROR [MachineInfo_Mac.mm:*:GetDeviceInfo] :: Failed to retrieve accelerator services: -536870212",
          "GPU: Earlier GPU, OS: 14.2.1"}},
        {"failed properties cut the walk short after the first", 13, 28, {14, 2, 1},
         {0, {Model("Apple M1"), Accelerator{std::string("never read"), false, kPropertiesFail}, Model("never read")}},
         "13.28", "14.2.1", "Apple M1",
         {"Current macOS version: 14.2.1",
          "ERROR [MachineInfo_Mac.mm:*:GetDeviceInfo] :: Failed to retrieve accelerator properties: -536870211"}},
        {"a service without a model cuts the walk short", 13, 28, {14, 2, 1}, {0, {Accelerator{}, Model("never read")}},
         "13.28", "14.2.1", "Earlier GPU",
         {"Current macOS version: 14.2.1", "ERROR [MachineInfo_Mac.mm:*:GetDeviceInfo] :: Failed to retrieve device name"}},
        {"a model published as data is read up to its zero", 13, 28, {14, 2, 1},
         {0, {Accelerator{std::string("Apple M3 Pro"), true, 0}}},
         "13.28", "14.2.1", "Apple M3 Pro",
         {"Current macOS version: 14.2.1", "GPU: Apple M3 Pro, OS: 14.2.1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        MacStandIn::setSystemVersion(c.system);
        MacStandIn::setRegistry(c.registry);
        SystemInfo info;
        info.gpuName = "Earlier GPU";
        info.hostVersion = info.osVersion = "earlier";
        host::OutputCapture console;
        Machine::GetDeviceInfo(c.major, c.minor, &info, PF_GPU_Framework_METAL);
        EXPECT_EQ(mac_test::LogLines(console.finish()), c.log);
        EXPECT_EQ(info.hostVersion, c.hostVersion);
        EXPECT_EQ(info.osVersion, c.osVersion);
        EXPECT_EQ(info.gpuName, c.gpuName);

        // The walk gives back its iterator, every service and every property dictionary, also when it
        // is cut short; below 12.0 there is no walk at all.
        const MacStandIn::RegistryHoldings left = MacStandIn::registryHoldings();
        EXPECT_EQ(left.iterators, 0);
        EXPECT_EQ(left.services, 0);
        EXPECT_EQ(left.properties, 0);
        EXPECT_EQ(left.lastMatchedClass, c.system.major >= 12 ? "IOAccelerator" : "");
    }
}

// The first set-up starts from an empty name; a second one rewrites both versions and, when it reads
// a model again, the name.
TEST_F(MachineInfo, EachSetUpRewritesTheVersions) {
    SystemInfo info;
    MacStandIn::setRegistry({0, {}});
    MacStandIn::setSystemVersion({14, 2, 1});
    host::OutputCapture first;
    Machine::GetDeviceInfo(13, 28, &info, PF_GPU_Framework_OPENCL);
    EXPECT_EQ(mac_test::LogLines(first.finish()),
              (std::vector<std::string>{"Current macOS version: 14.2.1", "GPU: , OS: 14.2.1"}));
    EXPECT_EQ(info.gpuName, "");

    MacStandIn::setRegistry({0, {Model("Apple M2")}});
    MacStandIn::setSystemVersion({15, 1, 0});
    Machine::GetDeviceInfo(14, 3, &info, PF_GPU_Framework_METAL);
    EXPECT_EQ(info.hostVersion, "14.3");
    EXPECT_EQ(info.osVersion, "15.1.0");
    EXPECT_EQ(info.gpuName, "Apple M2");
}

}  // namespace
