#include "runtime/heap.h"

#include <atomic>

namespace {
std::atomic<uint64_t> gFailures{0};
std::atomic<AllocHook> gHook{nullptr};

void* counted(void* block) {
  if (!block) ++gFailures;
  return block;
}

bool refused(size_t bytes) {
  const AllocHook hook = gHook.load();
  return hook && hook(bytes);
}
}  // namespace

uint64_t runtimeAllocFailures() { return gFailures.load(); }
void setRuntimeAllocHookForTests(AllocHook refuses) { gHook = refuses; }

#ifdef _WIN32
#include <windows.h>
void* runtimeAlloc(size_t bytes) {
  if (refused(bytes)) return counted(nullptr);
  return counted(HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1));
}
void runtimeFree(void* block) {
  if (block) HeapFree(GetProcessHeap(), 0, block);
}
#else
#include <cstdlib>
void* runtimeAlloc(size_t bytes) {
  if (refused(bytes)) return counted(nullptr);
  return counted(std::malloc(bytes ? bytes : 1));
}
void runtimeFree(void* block) { std::free(block); }
#endif
