// A buffer whose last byte lies right before an inaccessible page, so that reading past its
// end faults at once. Free of kernel types: it is built with the platform's own headers.
#pragma once

#include <cstddef>

namespace wdfsim {

class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t length);
    ~GuardedBuffer();
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    // NULL for a length of 0, as the system buffer of a request without data.
    unsigned char* data() const { return data_; }

private:
    void* region_ = nullptr;
    unsigned char* data_ = nullptr;
};

} // namespace wdfsim
