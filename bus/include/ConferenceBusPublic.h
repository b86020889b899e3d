// ConferenceBus control interface, shared by the driver and its user-mode callers.
//
// Include after <ntddk.h> in the driver, or after <windows.h> and <winioctl.h> in user
// mode. Include <initguid.h> first in exactly one translation unit to give the interface
// GUID its storage.
#pragma once

// {1134D362-3DFB-4BA5-B9AE-14900E448A11}
DEFINE_GUID(GUID_DEVINTERFACE_CONFERENCE_BUS, 0x1134d362, 0x3dfb, 0x4ba5, 0xb9, 0xae, 0x14, 0x90,
            0x0e, 0x44, 0x8a, 0x11);

// Both requests need a handle opened for reading: the system refuses them on any other
// handle before the driver sees them.
#define IOCTL_BUS_PLUGIN_CHILD                                                                     \
    CTL_CODE(FILE_DEVICE_BUS_EXTENDER, 0, METHOD_BUFFERED, FILE_READ_ACCESS)
#define IOCTL_BUS_UNPLUG_CHILD                                                                     \
    CTL_CODE(FILE_DEVICE_BUS_EXTENDER, 1, METHOD_BUFFERED, FILE_READ_ACCESS)

// Plug-in request: the whole input buffer. Size holds the size of the two fixed fields,
// not of the buffer; HardwareIds is a multi-string filling the rest of the buffer, so the
// buffer's last two code units are both NUL.
typedef struct _BUS_PLUGIN_INPUT {
    ULONG Size;
    ULONG SerialNumber;
    WCHAR HardwareIds[ANYSIZE_ARRAY];
} BUS_PLUGIN_INPUT, *PBUS_PLUGIN_INPUT;

#define BUS_PLUGIN_INPUT_FIXED_SIZE ((ULONG)FIELD_OFFSET(BUS_PLUGIN_INPUT, HardwareIds))
// The fixed fields and the two NULs of an empty multi-string.
#define BUS_PLUGIN_INPUT_MINIMUM_SIZE (BUS_PLUGIN_INPUT_FIXED_SIZE + 2 * sizeof(WCHAR))

// Unplug request. Size holds the length of the whole input buffer; serial number 0
// unplugs every child.
typedef struct _BUS_UNPLUG_INPUT {
    ULONG Size;
    ULONG SerialNumber;
    ULONG Reserved[2];
} BUS_UNPLUG_INPUT, *PBUS_UNPLUG_INPUT;

#define BUS_UNPLUG_ALL_CHILDREN 0

// C callers include this header too; the driver and the client, compiled as C++, check the
// layout.
#ifdef __cplusplus
static_assert(IOCTL_BUS_PLUGIN_CHILD == 0x002A4000, "plug-in control code");
static_assert(IOCTL_BUS_UNPLUG_CHILD == 0x002A4004, "unplug control code");
static_assert(FIELD_OFFSET(BUS_PLUGIN_INPUT, Size) == 0, "plug-in layout");
static_assert(FIELD_OFFSET(BUS_PLUGIN_INPUT, SerialNumber) == 4, "plug-in layout");
static_assert(BUS_PLUGIN_INPUT_FIXED_SIZE == 8, "plug-in layout");
static_assert(BUS_PLUGIN_INPUT_MINIMUM_SIZE == 12, "plug-in layout");
static_assert(FIELD_OFFSET(BUS_UNPLUG_INPUT, Size) == 0, "unplug layout");
static_assert(FIELD_OFFSET(BUS_UNPLUG_INPUT, SerialNumber) == 4, "unplug layout");
static_assert(FIELD_OFFSET(BUS_UNPLUG_INPUT, Reserved) == 8, "unplug layout");
static_assert(sizeof(BUS_UNPLUG_INPUT) == 16, "unplug layout");
#endif
