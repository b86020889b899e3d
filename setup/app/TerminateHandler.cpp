// Built with GCC's C++ runtime only (see setup/CMakeLists.txt).
//
// The program catches no exceptions: one that escapes can only end it. The runtime's
// default handler would first print the exception's demangled type name to standard
// error, which a GUI program does not have, and for that it brings the demangler and
// the C runtime's printf family into the image, most of its size. This handler ends the
// process the same way, without the message.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx
