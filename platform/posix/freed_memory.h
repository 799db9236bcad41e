#pragma once

namespace tv {

// How the allocator treats a process that runs for weeks: large blocks (a list of
// thousands of recordings, a block of sound) get pages of their own, given back whole when
// freed, instead of a place in the heap that a later small allocation pins. Call once at
// the start, before any thread.
void setUpMemoryForALongRun();

// Hands the pages that freed memory leaves behind back to the system. The allocator keeps
// them otherwise: after the night's rebuild of a list of thousands of recordings, a
// station running for weeks on a small computer would hold the rebuild's peak for good.
void returnFreedMemory();

}  // namespace tv
