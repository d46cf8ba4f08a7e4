#pragma once
// Memory back to the system after large requests. glibc keeps what a thread
// freed in that thread's arena, and after the first large block it stops
// giving large blocks their own mappings; measured here, each request of a
// megabyte of JSON (a 500,000-element array) left the service 12 MB larger,
// for good, until it ran out of arenas.
//
// Thread safety: any thread.

namespace tavirel::service::http {

/// Large blocks (128 KiB and more) get mappings of their own, returned to
/// the system when freed, however large the blocks freed before (glibc's
/// mallopt); nothing elsewhere. Process-wide: the server sets it once.
void KeepLargeBlocksApart();

/// Returns the free memory of every arena to the system where it can
/// (glibc's malloc_trim, Windows' _heapmin); nothing elsewhere.
void ReleaseFreeMemory();

}  // namespace tavirel::service::http
