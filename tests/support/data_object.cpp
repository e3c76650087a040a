#include "tests/support/data_object.h"

#include <shlobj.h>

#include <cstring>

std::string dropBlock(DWORD offset, BOOL wide, const std::string& list) {
  DROPFILES header{};
  header.pFiles = offset;
  header.fWide = wide;
  return std::string(reinterpret_cast<const char*>(&header), sizeof header) + list;
}

std::string dropFiles(const std::vector<std::string>& paths) {
  std::string list;
  for (const auto& p : paths) list += p + '\0';
  if (paths.empty()) list += '\0';  // the list always ends with two zero bytes
  return dropBlock(sizeof(DROPFILES), FALSE, list + '\0');
}

FakeData::~FakeData() {
  for (HGLOBAL g : handedOut_) GlobalFree(g);
}

HRESULT STDMETHODCALLTYPE FakeData::QueryInterface(REFIID iid, void** out) {
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
    *out = this;
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE FakeData::QueryGetData(FORMATETC* f) {
  queried.push_back(f->cfFormat);
  bool ok = offers_.count(f->cfFormat) && (f->tymed & TYMED_HGLOBAL) &&
            f->dwAspect == DVASPECT_CONTENT && f->lindex == -1 && !f->ptd;
  return ok ? S_OK : DV_E_FORMATETC;
}

HRESULT STDMETHODCALLTYPE FakeData::GetData(FORMATETC* f, STGMEDIUM* m) {
  auto it = offers_.find(f->cfFormat);
  if (it == offers_.end() || !it->second.delivers || !(f->tymed & TYMED_HGLOBAL))
    return DV_E_FORMATETC;
  const std::string& bytes = it->second.bytes;
  HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size());
  if (!bytes.empty()) std::memcpy(GlobalLock(global), bytes.data(), bytes.size());
  GlobalUnlock(global);
  handedOut_.push_back(global);
  m->tymed = TYMED_HGLOBAL;
  m->hGlobal = global;
  m->pUnkForRelease = this;  // so that each release of a medium shows in the count
  AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeData::EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) {
  if (direction != DATADIR_GET) return E_NOTIMPL;
  std::vector<FORMATETC> formats;
  for (const auto& [format, offer] : offers_)
    formats.push_back({format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
  return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), out);
}
