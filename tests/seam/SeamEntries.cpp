// Defines the import pointers of the seam's entry points. The linker resolves the
// product's references to __imp_<name> here, before it reaches the import libraries.
#include "Seam.h"

extern "C" {
#define SEAM_DEFINE_ENTRY(dll, fn)                                                                 \
    decltype(&fn) __imp_##fn =                                                                     \
        &::seam::detail::Hook<::seam::entries::fn##_Entry, decltype(fn)>::Call;
SEAM_ENTRY_LIST(SEAM_DEFINE_ENTRY)
#undef SEAM_DEFINE_ENTRY
}

template <typename Entry, typename Fn> using SeamHook = ::seam::detail::Hook<Entry, Fn>;

extern "C" void WINAPI InstallHinfSectionW(HWND window, HINSTANCE module, PCWSTR command,
                                           INT show) {
    SeamHook<::seam::entries::InstallHinfSectionW_Entry, decltype(InstallHinfSectionW)>::Call(
        window, module, command, show);
}

extern "C" BOOL WINAPI DiInstallDriverW(HWND parent, LPCWSTR infPath, DWORD flags,
                                        PBOOL needReboot) {
    return SeamHook<::seam::entries::DiInstallDriverW_Entry, decltype(DiInstallDriverW)>::Call(
        parent, infPath, flags, needReboot);
}

extern "C" BOOL WINAPI UpdateDriverForPlugAndPlayDevicesW(HWND parent, LPCWSTR hardwareId,
                                                          LPCWSTR infPath, DWORD flags,
                                                          PBOOL rebootRequired) {
    return SeamHook<::seam::entries::UpdateDriverForPlugAndPlayDevicesW_Entry,
                    decltype(UpdateDriverForPlugAndPlayDevicesW)>::Call(parent, hardwareId, infPath,
                                                                        flags, rebootRequired);
}
