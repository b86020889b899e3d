// Control requests for the bus, drawn from a seeded generator: the plug-ins and unplugs a
// careful caller sends, with ids across every rule Plug and Play applies, and anything at all
// (near misses of the two control codes, other codes, lengths around the minimums and far
// beyond, random contents).
#pragma once

#include "BusTest.h"

#include <random>

struct BusRequest {
    ULONG code;
    Bytes input;
    size_t outputLength;
    bool outputPointer; // for an output length of 0: a pointer nonetheless
};

class RequestGenerator {
public:
    // Serial numbers come from 1 to `serials`, few enough that requests collide.
    RequestGenerator(uint32_t seed, uint32_t serials) : random_(seed), serials_(serials) {}

    BusRequest WellFormed();
    BusRequest Random();
    uint32_t Pick(uint32_t bound) { return static_cast<uint32_t>(random_() % bound); }

private:
    ULONG Code();
    Bytes Input(ULONG code);
    size_t OutputLength(size_t inputLength);
    std::u16string Id();
    char16_t IdCharacter();

    std::mt19937 random_;
    uint32_t serials_;
};
