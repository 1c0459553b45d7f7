// The brute-force PCI bus scan.
#pragma once

#include <cstdint>

struct ProbeBounds {
    std::uint32_t buses = 256;
    std::uint32_t devicesPerBus = 32;
    std::uint32_t functionsPerDevice = 8;
};

// Set once at start-up, before the scan.
extern ProbeBounds probeBounds;

// Probes every bus, device and function within the probe bounds, fills the
// device table with one record per function that answers, then names them.
// Returns the number of records.
std::int32_t scanPciBus();
