#pragma once
#include <cstddef>

// All texts and byte buffers handed to and returned by runtime commands live on the
// process heap (plain malloc in the host build used for sanitizers and fuzzing).
void* runtimeAlloc(size_t bytes);
void runtimeFree(void* block);
