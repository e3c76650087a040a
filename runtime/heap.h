#pragma once
#include <cstddef>
#include <cstdint>

// All texts and byte buffers handed to and returned by runtime commands live on the
// process heap (plain malloc in the host build used for sanitizers and fuzzing).
void* runtimeAlloc(size_t bytes);
void runtimeFree(void* block);

// How many runtime allocations have failed so far: a caller that got an empty result tells
// "no memory" from "nothing there" by comparing the count before and after.
uint64_t runtimeAllocFailures();

// Tests make allocations fail: while a hook is set, an allocation it refuses fails as one the
// heap cannot satisfy. Null removes it.
using AllocHook = bool (*)(size_t bytes);
void setRuntimeAllocHookForTests(AllocHook refuses);
