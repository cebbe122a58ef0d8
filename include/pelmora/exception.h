// The exception a processor fault becomes. Linux delivers faults as signals,
// which are never translated; the type exists so that a host's facet factory
// can throw it and have it reported like a fault, with its code as the status.
#pragma once

#include <cstdint>

class TorvelStructuredException {
public:
    TorvelStructuredException(uint32_t address, uint32_t code, void* record = nullptr)
        : address_(address), code_(code), record_(record) {}

    uint32_t code() const { return code_; }
    uint32_t address() const { return address_; }
    void* record() const { return record_; }

private:
    uint32_t address_;
    uint32_t code_;
    void* record_;
};

// The code of an access violation.
#define EXCEPTION_ACCESS_VIOLATION 0xC0000005u
