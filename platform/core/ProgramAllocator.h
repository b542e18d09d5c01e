#pragma once
// The heap settings of the system's programs. The server builds and frees data packets of a
// few hundred kilobytes on every call; the client builds and frees packets, the line lists of
// text transfers (a QString a line) and the rows of workbooks and reports. With the C library's
// defaults such memory goes back to the system as soon as it is freed and is mapped and faulted
// in again by the next task; these settings keep it in the heap for reuse.

// Applies the settings; called first thing in main (and by benchmarks that measure the
// programs' work).
void UseProgramAllocator();
