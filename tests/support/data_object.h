#pragma once
#include <windows.h>
#include <ole2.h>

#include <map>
#include <string>
#include <vector>

// A CF_HDROP block: DROPFILES with the list's offset and wide flag, then the list as given.
std::string dropBlock(DWORD offset, BOOL wide, const std::string& list);
// Each ANSI path with its NUL, then one more NUL.
std::string dropFiles(const std::vector<std::string>& paths);

// A drag source's data: each offered format hands out a fresh HGLOBAL holding exactly the
// given bytes (no terminator is added). QueryGetData calls are recorded. It lives on the stack:
// the count is only watched, never frees it.
class FakeData : public IDataObject {
 public:
  FakeData() = default;
  ~FakeData();
  void offer(CLIPFORMAT format, std::string bytes, bool delivers = true) {
    offers_[format] = {std::move(bytes), delivers};
  }
  std::vector<CLIPFORMAT> queried;
  ULONG refs() const { return refs_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* f) override;
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* f, STGMEDIUM* m) override;
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }

 private:
  struct Offer {
    std::string bytes;
    bool delivers;
  };
  std::map<CLIPFORMAT, Offer> offers_;
  std::vector<HGLOBAL> handedOut_;
  ULONG refs_ = 1;
};
