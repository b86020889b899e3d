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
/* NOLINTNEXTLINE(bugprone-reserved-identifier): the tag follows the SDK's _NAME form */
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
/* NOLINTNEXTLINE(bugprone-reserved-identifier): the tag follows the SDK's _NAME form */
typedef struct _BUS_UNPLUG_INPUT {
    ULONG Size;
    ULONG SerialNumber;
    ULONG Reserved[2];
} BUS_UNPLUG_INPUT, *PBUS_UNPLUG_INPUT;

#define BUS_UNPLUG_ALL_CHILDREN 0

/*
 * Ids a child may carry. The bus hands its child's first hardware id to Plug and Play as the
 * device id and the only hardware id; Windows stops with bug check 0xCA
 * (PNP_DETECTED_FATAL_ERROR) on an id that breaks these rules. The driver refuses such a
 * plug-in with STATUS_INVALID_PARAMETER, and callers refuse such ids before sending them.
 */

/* MAX_DEVICE_ID_LEN (200) counts the terminator. */
#define BUS_MAX_ID_LENGTH 199
/* The children's instance ids are not declared unique, so Plug and Play prefixes them with
   the parent's id: the device id and the instance id together must stay below
   MAX_DEVICE_ID_LEN - 28. */
#define BUS_MAX_DEVICE_AND_INSTANCE_ID_LENGTH 171

/* NOLINTNEXTLINE(bugprone-reserved-identifier): the tag follows the SDK's _NAME form */
typedef enum _BUS_ID_VERDICT {
    BusIdAccepted = 0,
    BusIdEmpty,              /* no character at all */
    BusIdForbiddenCharacter, /* at or below space, above 0x7F, or a comma */
    BusIdTooLong,            /* longer than BUS_MAX_ID_LENGTH */
    BusIdNotEnumeratorForm,  /* a device id that is not enumerator\id */
    BusIdInstancePathTooLong /* device id and instance id above the combined limit */
} BUS_ID_VERDICT;

FORCEINLINE BOOLEAN BusIdCharacterAllowed(WCHAR Character) {
    return Character > L' ' && Character <= 0x7F && Character != L',';
}

/* The instance id is the serial number formatted by "%02d", a signed 32-bit value: 7 gives
   "07", 4294967295 gives "-1". */
FORCEINLINE SIZE_T BusInstanceIdLength(ULONG SerialNumber) {
    const BOOLEAN negative = (SerialNumber & 0x80000000UL) != 0;
    ULONG magnitude = negative ? 0UL - SerialNumber : SerialNumber;
    SIZE_T length = negative ? 1 : 0;
    do {
        length++;
        magnitude /= 10;
    } while (magnitude != 0);
    return length < 2 ? 2 : length;
}

/* Checks the Length characters of Id (without a terminator) as a hardware id. For a
   forbidden character, *Position (when given) receives its index. */
FORCEINLINE BUS_ID_VERDICT BusCheckHardwareId(const WCHAR* Id, SIZE_T Length, SIZE_T* Position) {
    SIZE_T index;
    if (Length == 0) {
        return BusIdEmpty;
    }
    for (index = 0; index < Length; index++) {
        if (!BusIdCharacterAllowed(Id[index])) {
            if (Position != NULL) {
                *Position = index;
            }
            return BusIdForbiddenCharacter;
        }
    }
    return Length > BUS_MAX_ID_LENGTH ? BusIdTooLong : BusIdAccepted;
}

/* Checks Id as the device id of the child with SerialNumber: a hardware id with one
   backslash between a non-empty enumerator and a non-empty rest, short enough to leave room
   for the instance id. A device id too long for any id is too long for a device id first:
   the stricter limit is the one reported. */
FORCEINLINE BUS_ID_VERDICT BusCheckDeviceId(const WCHAR* Id, SIZE_T Length, ULONG SerialNumber,
                                            SIZE_T* Position) {
    SIZE_T index;
    SIZE_T separators = 0;
    SIZE_T separator = 0;
    BUS_ID_VERDICT verdict = BusCheckHardwareId(Id, Length, Position);
    if (verdict == BusIdTooLong) {
        return BusIdInstancePathTooLong;
    }
    if (verdict != BusIdAccepted) {
        return verdict;
    }
    for (index = 0; index < Length; index++) {
        if (Id[index] == L'\\') {
            separators++;
            separator = index;
        }
    }
    if (separators != 1 || separator == 0 || separator == Length - 1) {
        return BusIdNotEnumeratorForm;
    }
    if (Length + BusInstanceIdLength(SerialNumber) > BUS_MAX_DEVICE_AND_INSTANCE_ID_LENGTH) {
        return BusIdInstancePathTooLong;
    }
    return BusIdAccepted;
}

/*
 * A plug-in of a serial number is refused with STATUS_RETRY from the moment that serial number
 * is unplugged, in any way (its own unplug, an unplug of all children, the close of the handle),
 * until Plug and Play has removed the earlier child's device, or the framework has dropped a
 * child that never got one: a second device with the same ids must not exist beside the old
 * one. The caller receives it as ERROR_RETRY and may try again once the old device is gone
 * (usually within moments). A serial number still present is refused with
 * STATUS_INVALID_PARAMETER (ERROR_INVALID_PARAMETER) as before.
 */
#define BUS_STATUS_CHILD_BEING_REMOVED ((LONG)0xC000022DL)
#define BUS_ERROR_CHILD_BEING_REMOVED 1237L

/*
 * The bus admits one open handle at a time, and closing it unplugs every child. An open
 * relative to the open handle is refused with STATUS_ACCESS_DENIED (ERROR_ACCESS_DENIED), as a
 * second open is. A plug-in still running when the handle's cleanup has unplugged them adds
 * nothing and completes with STATUS_FILE_CLOSED (ERROR_INVALID_HANDLE): no child outlives the
 * handle it came through.
 */

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
