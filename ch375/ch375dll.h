// CH375DLL.DLL: the USB interface chip's library, as this project provides
// it. The operations keep the chip vendor's names, signatures and calling
// convention so that either library can be dropped in beside the program.
//
// Ours reaches the device (the simulator) over TCP on 127.0.0.1, port 37500
// or the port in the ORVANE_SIM_PORT environment variable. Only device index
// 0 exists.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Event codes passed to the notification routine.
#define CH375_DEVICE_ARRIVAL 3
#define CH375_DEVICE_REMOVE 0

// Called on the library's own thread, never on the caller's.
typedef VOID(CALLBACK* mPCH375_NOTIFY_ROUTINE)(ULONG iEventStatus);

// INVALID_HANDLE_VALUE when no device answers or another process holds it
// exclusively; the last error then says which (ERROR_BUSY for a device held
// elsewhere, ERROR_DEV_NOT_EXIST otherwise). Any other value is a token: the
// device is open; it is not a handle to close.
HANDLE WINAPI CH375OpenDevice(ULONG iIndex);
VOID WINAPI CH375CloseDevice(ULONG iIndex);
// Milliseconds; INFINITE waits for ever, 0 does not wait.
BOOL WINAPI CH375SetTimeout(ULONG iIndex, ULONG iWriteTimeout, ULONG iReadTimeout);
// Non-zero: while the device is open here, no other process may connect.
BOOL WINAPI CH375SetExclusive(ULONG iIndex, ULONG iExclusive);
// iDeviceID is not looked at (there is one kind of device). NULL routine
// unregisters; once it returns the old routine is no longer running.
BOOL WINAPI CH375SetDeviceNotify(ULONG iIndex, PCHAR iDeviceID, mPCH375_NOTIFY_ROUTINE iNotifyRoutine);
// One frame per call. *ioLength: bytes to send in, bytes sent out.
BOOL WINAPI CH375WriteData(ULONG iIndex, PVOID iBuffer, PULONG ioLength);
// One frame per call. *ioLength: capacity in, bytes received out (0 on
// failure). A frame longer than the buffer is cut to fit.
BOOL WINAPI CH375ReadData(ULONG iIndex, PVOID oBuffer, PULONG ioLength);

#ifdef __cplusplus
}
#endif
