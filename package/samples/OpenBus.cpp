// Opens the first bus through the C++ library, or says why it cannot.
#include <cstdio>

#include "ConferenceBusClient.h"

int main() {
    conferencebus::BusClient client;
    const conferencebus::BusError result = client.Open();
    if (result.Failed()) {
        std::fwprintf(stderr, L"error: %ls\n", result.message.c_str());
        return 1;
    }
    std::fwprintf(stdout, L"opened %ls\n", client.Path().c_str());
    return 0;
}
