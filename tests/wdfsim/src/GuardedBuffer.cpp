#include "GuardedBuffer.h"

#include <windows.h>

#include <cstdlib>

namespace wdfsim {

namespace {
constexpr size_t PageSize = 4096;
}

GuardedBuffer::GuardedBuffer(size_t length) {
    if (length == 0) {
        return;
    }
    // The end lies exactly at the guard page; for odd lengths the start is then unaligned,
    // which x86 tolerates and which catches over-reads by a single byte.
    const size_t dataPages = (length + PageSize - 1) / PageSize;
    region_ =
        VirtualAlloc(nullptr, (dataPages + 1) * PageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    DWORD previous;
    if (region_ == nullptr ||
        !VirtualProtect(static_cast<unsigned char*>(region_) + dataPages * PageSize, PageSize,
                        PAGE_NOACCESS, &previous)) {
        std::abort();
    }
    data_ = static_cast<unsigned char*>(region_) + dataPages * PageSize - length;
}

GuardedBuffer::~GuardedBuffer() {
    if (region_ != nullptr) {
        VirtualFree(region_, 0, MEM_RELEASE);
    }
}

} // namespace wdfsim
