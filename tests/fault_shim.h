#pragma once

// Fails calls to the C library for the fault-injection test. The wrappers in fault_shim.c
// stand in for the library's own in the test program; unarmed they only pass the calls on.

#ifdef __cplusplus
extern "C" {
#endif

// In place of an errno: a read or write of half of what it was given (a read gets at
// least one byte), a write of nothing or a link with no text, a write past the file size
// limit, a read of one byte, a link whose new name another save takes just before it, and
// the program killed just before the call, which `killed` is called to look at; the call
// then goes on.
#define FAULT_SHORT (-1)
#define FAULT_EMPTY (-2)
#define FAULT_FILE_TOO_BIG (-3)
#define FAULT_ONE_BYTE (-4)
#define FAULT_NAME_TAKEN (-5)
#define FAULT_KILLED (-6)
extern void (*killed)(void);
// At most this many faults in one armed stretch: "for good", so that code which retries
// for ever is seen rather than hung.
#define FAULT_MOST (1000)

// Counts calls from now on; call number `failAt` (from 1; 0 fails none) fails with `error`,
// and so do the next `times` - 1 calls to the same function.
void armFaults(int failAt, int error, int times);
// Opening an unnamed file (O_TMPFILE) is refused from now on, as where the file system
// cannot make one, without counting as a call.
void refuseUnnamedFiles(int refuse);
// From now on a read fails whole (EIO) when it reaches the byte at `offset` of its file or
// beyond it, as where that byte cannot be read; 0: no such byte.
void unreadableFrom(long offset);
// Ends the stretch: how many calls it saw, their names (of the first FAULT_MOST_CALLS only),
// and how many faults it injected.
#define FAULT_MOST_CALLS (4096)
struct FaultRecord { int count; const char* const* calls; int injected; };
struct FaultRecord disarmFaults(void);

#ifdef __cplusplus
}
#endif
