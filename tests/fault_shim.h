#pragma once

// Fails one call to the C library, or every call to that function from it on, for the
// fault-injection test. The wrappers in fault_shim.c stand in for the library's own in
// the test program; unarmed they only pass the calls on.

#ifdef __cplusplus
extern "C" {
#endif

// In place of an errno, for writes alone: one that writes half of what it was given, one
// that writes nothing, and one past the file size limit.
#define FAULT_SHORT_WRITE (-1)
#define FAULT_EMPTY_WRITE (-2)
#define FAULT_FILE_TOO_BIG (-3)
// Past this many faults in one armed stretch the shim stops failing calls, so that code
// which retries for ever is seen rather than hung.
#define FAULT_MOST (1000)

// Counts calls from now on; call number `failAt` (from 1; 0 fails none) fails with
// `error`, and with `forGood` so does every later call to the same function.
void armFaults(int failAt, int error, int forGood);
// Opening an unnamed file (O_TMPFILE) is refused from now on, as where the file system
// cannot make one, without counting as a call.
void refuseUnnamedFiles(int refuse);
// Ends the stretch: how many calls it saw, their names, and how many faults it injected.
struct FaultRecord { int count; const char* const* calls; int injected; };
struct FaultRecord disarmFaults(void);

#ifdef __cplusplus
}
#endif
