// Test-only stand-in for initguid.h.
#define INITGUID
#include <guiddef.h>
