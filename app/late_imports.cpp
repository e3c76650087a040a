// comdlg32 and shell32 are loaded at the first call of one of their functions (a file or font
// dialog, a drop) instead of with the program: loading them, and the DLLs they import, delays
// the first window by about 10 ms under Wine (bench/NOTES.md). The rest of the program calls
// the functions as declared; the import slots those calls go through are defined here instead
// of in the import libraries, which Quenlo.exe therefore does not link.
//
// Without the DLL (which Windows and Wine always have) a dialog reports a cancel and a drop
// carries no files.

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

namespace {

template <class Fn>
Fn bind(const char* dll, const char* name) {
  HMODULE module = LoadLibraryA(dll);
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}

using OpenFn = BOOL(WINAPI*)(LPOPENFILENAMEA);
using FontFn = BOOL(WINAPI*)(LPCHOOSEFONTA);
using DragQueryFn = UINT(WINAPI*)(HDROP, UINT, LPSTR, UINT);

BOOL WINAPI lateGetOpenFileNameA(LPOPENFILENAMEA ofn) {
  static const OpenFn fn = bind<OpenFn>("comdlg32.dll", "GetOpenFileNameA");
  return fn ? fn(ofn) : FALSE;
}

BOOL WINAPI lateGetSaveFileNameA(LPOPENFILENAMEA ofn) {
  static const OpenFn fn = bind<OpenFn>("comdlg32.dll", "GetSaveFileNameA");
  return fn ? fn(ofn) : FALSE;
}

BOOL WINAPI lateChooseFontA(LPCHOOSEFONTA cf) {
  static const FontFn fn = bind<FontFn>("comdlg32.dll", "ChooseFontA");
  return fn ? fn(cf) : FALSE;
}

UINT WINAPI lateDragQueryFileA(HDROP drop, UINT index, LPSTR file, UINT size) {
  static const DragQueryFn fn = bind<DragQueryFn>("shell32.dll", "DragQueryFileA");
  return fn ? fn(drop, index, file, size) : 0;
}

}  // namespace

// The slots' names: 32-bit stdcall names carry a leading underscore and the argument bytes.
#ifdef _WIN64
#define QUENLO_IMPORT_SLOT(name, bytes) "__imp_" #name
#else
#define QUENLO_IMPORT_SLOT(name, bytes) "__imp__" #name "@" #bytes
#endif

extern "C" {
extern void* const getOpenFileNameSlot asm(QUENLO_IMPORT_SLOT(GetOpenFileNameA, 4));
extern void* const getSaveFileNameSlot asm(QUENLO_IMPORT_SLOT(GetSaveFileNameA, 4));
extern void* const chooseFontSlot asm(QUENLO_IMPORT_SLOT(ChooseFontA, 4));
extern void* const dragQueryFileSlot asm(QUENLO_IMPORT_SLOT(DragQueryFileA, 16));
void* const getOpenFileNameSlot = reinterpret_cast<void*>(&lateGetOpenFileNameA);
void* const getSaveFileNameSlot = reinterpret_cast<void*>(&lateGetSaveFileNameA);
void* const chooseFontSlot = reinterpret_cast<void*>(&lateChooseFontA);
void* const dragQueryFileSlot = reinterpret_cast<void*>(&lateDragQueryFileA);
}
