// Runs the whole launcher, against the recording fake, on an executable file
// name made of arbitrary bytes, and checks what it did against a small model
// of what it must do. Shared by the fuzzer and the seed-corpus check.
#pragma once

#include <cstddef>
#include <cstdint>

namespace harness {

// What a run reached, for the seed-corpus check.
struct Reached {
    int CatalogueRow = -1;  // 0-based row the ticket resolved to; -1: unusable ticket
    bool CompanionFile = false;
};

// Runs the launcher with the bytes as the file name of the executable, on the
// platform where everything works and on one more setup (old Windows, or a
// file failure at one of the steps) picked by the bytes, or on every setup.
// A broken invariant prints what was expected and what happened, then aborts.
Reached RunAndCheck(const std::uint8_t* data, std::size_t size, bool everySetup);

}  // namespace harness
