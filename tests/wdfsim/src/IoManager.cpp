// The I/O manager: handles to bus devices, buffered control requests and the framework's
// request routines.
//
// Requests run synchronously in the caller's thread, at PASSIVE_LEVEL as from user mode or at
// DISPATCH_LEVEL as a kernel-mode sender may send them; callers on several threads reach the
// driver at once, as a parallel queue presents them. The simulation has no
// pending path: a request the driver has not completed when its callback returns is
// reported, as nothing would ever complete it. Each request holds a reference to its file
// object, so that a handle closed meanwhile gets its cleanup at once and its close only when
// the last request on it has completed.

#include "wdfsim/State.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "GuardedBuffer.h"

using namespace wdfsim;

namespace {

// What lies in the system buffer past the input: the I/O manager does not clear it.
constexpr unsigned char SystemBufferPattern = 0xCD;

// The required access of a control code: bits 14-15, FILE_READ_ACCESS needing
// FILE_READ_DATA and FILE_WRITE_ACCESS needing FILE_WRITE_DATA.
bool AccessAllows(uint32_t access, uint32_t code) {
    const uint32_t required = (code >> 14) & 3;
    return ((required & FILE_READ_ACCESS) == 0 || (access & FileReadData) != 0) &&
           ((required & FILE_WRITE_ACCESS) == 0 || (access & FileWriteData) != 0);
}

std::shared_ptr<FileObject> Referenced(State& state, HandleId handle) {
    std::lock_guard<std::mutex> held(state.lock);
    auto file = state.handles.find(handle);
    return file == state.handles.end() ? nullptr : file->second;
}

void CheckCompleted(const Request& request, const char* callback) {
    if (!request.completed) {
        Violation(std::string(callback) + " returned without completing its request");
    }
}

// The last reference to a file object is gone: the framework calls EvtFileClose, and the
// device's stack counts one open file object less.
void CloseFileObject(FileObject* file) {
    Device& device = *file->device;
    const auto close = device.fileObjectConfig.EvtFileClose;
    if (file->created && device.hasFileObjectConfig && close != nullptr) {
        IrqlScope passive(PASSIVE_LEVEL);
        close(HandleOf<WDFFILEOBJECT>(file));
    }
    delete file;
    device.fileObjects--;
}

} // namespace

namespace wdfsim {

namespace {

// Exclusivity is the I/O manager's, on the stack's named device object, the PDO, which only
// the node's Exclusive property marks; the function driver's own request
// (WdfDeviceInitSetExclusive) marks its unnamed device object and stops no open. It does not
// cover an open relative to an open handle. A file object counts until it is closed, after
// its last request, not merely cleaned up.
Status OpenFile(State& state, Device& device, uint32_t access, FileObject* related,
                HandleId* handle) {
    size_t none = 0;
    if (!device.properties.exclusive || related != nullptr) {
        device.fileObjects++;
    } else if (!device.fileObjects.compare_exchange_strong(none, 1)) {
        return STATUS_ACCESS_DENIED;
    }
    std::shared_ptr<FileObject> file(new FileObject, CloseFileObject);
    file->device = &device;
    file->access = access;
    file->wdm.RelatedFileObject = related == nullptr ? nullptr : &related->wdm;
    if (device.hasFileObjectAttributes) {
        file->SetAttributes(&device.fileObjectAttributes);
    }
    NTSTATUS status = STATUS_SUCCESS;
    const auto& config = device.fileObjectConfig;
    if (device.hasFileObjectConfig && config.EvtDeviceFileCreate != nullptr) {
        Request create;
        create.file = file.get();
        {
            IrqlScope passive(PASSIVE_LEVEL);
            config.EvtDeviceFileCreate(HandleOf<WDFDEVICE>(&device), HandleOf<WDFREQUEST>(&create),
                                       HandleOf<WDFFILEOBJECT>(file.get()));
        }
        CheckCompleted(create, "EvtDeviceFileCreate");
        status = create.status;
    }
    if (!NT_SUCCESS(status)) {
        return status;
    }
    file->created = true;
    std::lock_guard<std::mutex> held(state.lock);
    *handle = state.nextHandle;
    state.nextHandle += 4;
    file->handle = *handle;
    state.handles[*handle] = std::move(file);
    return status;
}

} // namespace

Status Machine::Open(size_t bus, uint32_t access, HandleId* handle) {
    return OpenFile(*state_, *state_->buses.at(bus), access, nullptr, handle);
}

Status Machine::OpenRelative(HandleId related, uint32_t access, HandleId* handle) {
    const std::shared_ptr<FileObject> file = Referenced(*state_, related);
    if (!file) {
        return STATUS_INVALID_HANDLE;
    }
    return OpenFile(*state_, *file->device, access, file.get(), handle);
}

IoStatus Machine::DeviceControl(HandleId handle, uint32_t code, const void* input,
                                size_t inputLength, void* output, size_t outputLength,
                                bool atDispatchLevel) {
    const std::shared_ptr<FileObject> file = Referenced(*state_, handle);
    if (!file) {
        return {STATUS_INVALID_HANDLE, 0};
    }
    if (!AccessAllows(file->access, code)) {
        return {STATUS_ACCESS_DENIED, 0};
    }
    Device& device = *file->device;
    if (!device.defaultQueue || device.defaultQueue->config.EvtIoDeviceControl == nullptr) {
        return {STATUS_INVALID_DEVICE_REQUEST, 0};
    }

    const size_t bufferLength = std::max(inputLength, outputLength);
    GuardedBuffer systemBuffer(bufferLength);
    if (bufferLength != 0) {
        std::memset(systemBuffer.data(), SystemBufferPattern, bufferLength);
        if (inputLength != 0) {
            std::memcpy(systemBuffer.data(), input, inputLength);
        }
    }
    Request request;
    request.file = file.get();
    // An output pointer marks the request as an input operation, whatever its length.
    if (output != nullptr) {
        request.irp.Flags |= IRP_INPUT_OPERATION;
    }
    request.inputLength = inputLength;
    request.systemBuffer = systemBuffer.data();
    // A queue of passive execution level gets a request sent at DISPATCH_LEVEL through a worker
    // thread, at PASSIVE_LEVEL; any other queue is called at the sender's IRQL. The queue's
    // own attributes decide: the simulation does not inherit a level from the device.
    Queue& queue = *device.defaultQueue;
    const bool passiveQueue =
        queue.hasAttributes && queue.attributes.ExecutionLevel == WdfExecutionLevelPassive;
    {
        IrqlScope sender(atDispatchLevel && !passiveQueue ? DISPATCH_LEVEL : PASSIVE_LEVEL);
        ThreadHandle() = handle;
        queue.config.EvtIoDeviceControl(HandleOf<WDFQUEUE>(&queue), HandleOf<WDFREQUEST>(&request),
                                        outputLength, inputLength, code);
        ThreadHandle() = 0;
    }
    CheckCompleted(request, "EvtIoDeviceControl");

    // On success or a warning the system copies Information bytes back, trusting the value;
    // the framework's verifier stops a request that claims more than the output buffer. With
    // no output buffer nothing is copied and the value reaches the caller only as the byte
    // count, which the simulation lets pass unless the caller passed an output pointer (below).
    if (!NT_ERROR(request.status) && outputLength != 0) {
        if (request.information > outputLength) {
            Violation("INFORMATION_LENGTH_MISMATCH: information " +
                      std::to_string(request.information) + " exceeds the output buffer of " +
                      std::to_string(outputLength) + " bytes");
        }
        std::memcpy(output, systemBuffer.data(),
                    std::min<size_t>(request.information, outputLength));
    }
    // The framework's verifier breaks on any completion of a request marked as an input
    // operation with no output buffer whose information is not 0.
    if (outputLength == 0 && (request.irp.Flags & IRP_INPUT_OPERATION) != 0 &&
        request.information != 0) {
        Violation("information " + std::to_string(request.information) +
                  " for an output buffer of length 0 passed with a pointer");
    }
    return {request.status, request.information};
}

void Machine::Close(HandleId handle) {
    std::shared_ptr<FileObject> object;
    {
        std::lock_guard<std::mutex> held(state_->lock);
        auto file = state_->handles.find(handle);
        if (file == state_->handles.end()) {
            ADD_FAILURE() << "closing a handle that is not open";
            return;
        }
        object = std::move(file->second);
        state_->handles.erase(file);
    }
    // Cleanup in the closing thread; close follows when the reference dropped here or the
    // last request in flight is gone.
    const auto& config = object->device->fileObjectConfig;
    IrqlScope passive(PASSIVE_LEVEL);
    if (object->device->hasFileObjectConfig && config.EvtFileCleanup != nullptr) {
        config.EvtFileCleanup(HandleOf<WDFFILEOBJECT>(object.get()));
    }
    std::lock_guard<std::mutex> held(state_->lock);
    state_->cleanedUp.insert(handle);
}

size_t Machine::OpenHandles() const {
    std::lock_guard<std::mutex> held(state_->lock);
    return state_->handles.size();
}

} // namespace wdfsim

WDFFILEOBJECT WdfRequestGetFileObject(WDFREQUEST Request) {
    Called("WdfRequestGetFileObject");
    auto* request = Resolve<wdfsim::Request>(Request, "WdfRequestGetFileObject");
    return request == nullptr ? nullptr : HandleOf<WDFFILEOBJECT>(request->file);
}

PIRP WdfRequestWdmGetIrp(WDFREQUEST Request) {
    Called("WdfRequestWdmGetIrp");
    auto* request = Resolve<wdfsim::Request>(Request, "WdfRequestWdmGetIrp");
    if (request != nullptr && request->completed) {
        Violation("WdfRequestWdmGetIrp on a completed request");
    }
    return request == nullptr ? nullptr : &request->irp;
}

PFILE_OBJECT WdfFileObjectWdmGetFileObject(WDFFILEOBJECT FileObject) {
    Called("WdfFileObjectWdmGetFileObject");
    auto* file = Resolve<wdfsim::FileObject>(FileObject, "WdfFileObjectWdmGetFileObject");
    return file == nullptr ? nullptr : &file->wdm;
}

WDFDEVICE WdfFileObjectGetDevice(WDFFILEOBJECT FileObject) {
    Called("WdfFileObjectGetDevice");
    auto* file = Resolve<wdfsim::FileObject>(FileObject, "WdfFileObjectGetDevice");
    return file == nullptr ? nullptr : HandleOf<WDFDEVICE>(file->device);
}

NTSTATUS WdfRequestRetrieveInputBuffer(WDFREQUEST Request, size_t MinimumRequiredSize,
                                       PVOID* Buffer, size_t* Length) {
    Called("WdfRequestRetrieveInputBuffer");
    *Buffer = nullptr;
    if (Length != nullptr) {
        *Length = 0;
    }
    auto* request = Resolve<wdfsim::Request>(Request, "WdfRequestRetrieveInputBuffer");
    if (request == nullptr) {
        return STATUS_INVALID_PARAMETER;
    }
    if (request->completed) {
        Violation("WdfRequestRetrieveInputBuffer on a completed request");
        return STATUS_INVALID_PARAMETER;
    }
    if (request->inputLength == 0 || request->inputLength < MinimumRequiredSize) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    *Buffer = request->systemBuffer;
    if (Length != nullptr) {
        *Length = request->inputLength;
    }
    return STATUS_SUCCESS;
}

namespace {

void Complete(const char* routine, WDFREQUEST handle, NTSTATUS status, ULONG_PTR information) {
    Called(routine);
    CheckIrql(routine, DISPATCH_LEVEL);
    auto* request = Resolve<wdfsim::Request>(handle, routine);
    if (request == nullptr) {
        return;
    }
    if (request->completed) {
        Violation("request completed twice");
        return;
    }
    request->completed = true;
    request->status = status;
    request->information = information;
}

} // namespace

VOID WdfRequestCompleteWithInformation(WDFREQUEST Request, NTSTATUS Status, ULONG_PTR Information) {
    Complete("WdfRequestCompleteWithInformation", Request, Status, Information);
}

VOID WdfRequestComplete(WDFREQUEST Request, NTSTATUS Status) {
    Complete("WdfRequestComplete", Request, Status, 0);
}
