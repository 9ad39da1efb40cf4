// Tuning of the C library's heap for velmora-cli, which runs one command over images of some
// megabytes and then ends.
#pragma once

#include <cstddef>

// Keeps memory freed by one step of a command for the next step instead of handing it back to
// the system, and lets the heap grow in large steps. Process-wide; called once by main.
void KeepFreedMemoryForReuse();

// Faults in Bytes of heap at once, in huge pages where the kernel gives them, which costs far
// less than the page-by-page faults of building pages in fresh memory. Does nothing unless
// KeepFreedMemoryForReuse was called (without it the block would go straight back to the
// system) or where the C library or the kernel does not support it.
void PrefaultHeap(std::size_t Bytes);
