// Creation of a child device from its description, when Plug and Play enumerates the bus.

#include "ConferenceBus.h"

#ifdef ALLOC_PRAGMA
#pragma alloc_text(PAGE, ChildListCreateDevice)
#pragma alloc_text(PAGE, CreateChildDevice)
#endif

NTSTATUS
ChildListCreateDevice(WDFCHILDLIST ChildList,
                      PWDF_CHILD_IDENTIFICATION_DESCRIPTION_HEADER IdentificationDescription,
                      PWDFDEVICE_INIT ChildInit) {
    UNREFERENCED_PARAMETER(ChildList);
    PAGED_CODE();

    PCHILD_ID_DESCRIPTION description = ChildIdDescription(IdentificationDescription);
    return CreateChildDevice(ChildInit, description->Child->HardwareIds, description->SerialNumber);
}

static void SetChildCapabilities(WDFDEVICE Child, ULONG SerialNumber) {
    WDF_DEVICE_PNP_CAPABILITIES pnpCaps;
    WDF_DEVICE_PNP_CAPABILITIES_INIT(&pnpCaps);
    pnpCaps.EjectSupported = WdfFalse;
    pnpCaps.Removable = WdfTrue;
    pnpCaps.SurpriseRemovalOK = WdfTrue;
    pnpCaps.Address = SerialNumber;
    pnpCaps.UINumber = SerialNumber;
    WdfDeviceSetPnpCapabilities(Child, &pnpCaps);

    // The working state maps to D1, not D0: the child sits in a light sleep until used.
    WDF_DEVICE_POWER_CAPABILITIES powerCaps;
    WDF_DEVICE_POWER_CAPABILITIES_INIT(&powerCaps);
    powerCaps.DeviceD1 = WdfTrue;
    powerCaps.WakeFromD1 = WdfTrue;
    powerCaps.DeviceWake = PowerDeviceD1;
    powerCaps.DeviceState[PowerSystemWorking] = PowerDeviceD1;
    powerCaps.DeviceState[PowerSystemSleeping1] = PowerDeviceD1;
    powerCaps.DeviceState[PowerSystemSleeping2] = PowerDeviceD2;
    powerCaps.DeviceState[PowerSystemSleeping3] = PowerDeviceD2;
    powerCaps.DeviceState[PowerSystemHibernate] = PowerDeviceD3;
    powerCaps.DeviceState[PowerSystemShutdown] = PowerDeviceD3;
    WdfDeviceSetPowerCapabilities(Child, &powerCaps);
}

NTSTATUS CreateChildDevice(PWDFDEVICE_INIT ChildInit, PCWSTR HardwareId, ULONG SerialNumber) {
    PAGED_CODE();

    DECLARE_CONST_UNICODE_STRING(location, L"Fenwarel Conference Bus");
    WCHAR textBuffer[80];
    UNICODE_STRING text;
    RtlInitEmptyUnicodeString(&text, textBuffer, sizeof(textBuffer));

    WdfDeviceInitSetDeviceType(ChildInit, FILE_DEVICE_BUS_EXTENDER);

    // The first id of the plug-in is the device id and the sole hardware id.
    UNICODE_STRING hardwareId;
    RtlInitUnicodeString(&hardwareId, HardwareId);
    NTSTATUS status = WdfPdoInitAssignDeviceID(ChildInit, &hardwareId);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    status = WdfPdoInitAddHardwareID(ChildInit, &hardwareId);
    if (!NT_SUCCESS(status)) {
        return status;
    }

    // "%02d" reads the serial number as signed: 4294967295 becomes "-1".
    status = RtlUnicodeStringPrintf(&text, L"%02d", SerialNumber);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    status = WdfPdoInitAssignInstanceID(ChildInit, &text);
    if (!NT_SUCCESS(status)) {
        return status;
    }

    status = RtlUnicodeStringPrintf(&text, L"FenwarelConferenceDevice_%02d", SerialNumber);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    status = WdfPdoInitAddDeviceText(ChildInit, &text, &location, BUS_CHILD_LOCALE);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    WdfPdoInitSetDefaultLocale(ChildInit, BUS_CHILD_LOCALE);

    WDF_OBJECT_ATTRIBUTES attributes;
    WDF_OBJECT_ATTRIBUTES_INIT_CONTEXT_TYPE(&attributes, PDO_DEVICE_DATA);
    WDFDEVICE child;
    status = WdfDeviceCreate(&ChildInit, &attributes, &child);
    if (!NT_SUCCESS(status)) {
        return status;
    }

    PdoGetData(child)->SerialNumber = SerialNumber;
    SetChildCapabilities(child, SerialNumber);
    return status;
}
