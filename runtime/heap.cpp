#include "runtime/heap.h"

#ifdef _WIN32
#include <windows.h>
void* runtimeAlloc(size_t bytes) { return HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1); }
void runtimeFree(void* block) {
  if (block) HeapFree(GetProcessHeap(), 0, block);
}
#else
#include <cstdlib>
void* runtimeAlloc(size_t bytes) { return std::malloc(bytes ? bytes : 1); }
void runtimeFree(void* block) { std::free(block); }
#endif
