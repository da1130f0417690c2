// A data object that carries files as CF_HDROP, as Explorer's drags do: for tests that
// drop files on the program, through its drop target or a real OLE drag.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/com_object.h"

namespace corvalis::test {

// The DROPFILES block for `paths` (wide), each path ending in a zero, then one more.
inline HGLOBAL makeFileDrop(const std::vector<std::wstring>& paths) {
  std::size_t characters = 1;
  for (const std::wstring& path : paths) characters += path.size() + 1;
  const std::size_t size = sizeof(DROPFILES) + characters * sizeof(wchar_t);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (block == nullptr) return nullptr;
  auto* head = static_cast<DROPFILES*>(GlobalLock(block));
  head->pFiles = sizeof(DROPFILES);
  head->fWide = TRUE;
  auto* text = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(head) + sizeof(DROPFILES));
  for (const std::wstring& path : paths) {
    std::memcpy(text, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    text += path.size() + 1;
  }
  GlobalUnlock(block);
  return block;
}

// Offers CF_HDROP (TYMED_HGLOBAL) and nothing else; with no paths it offers CF_UNICODETEXT
// instead, as a drag of text does.
class FileDropObject final : public ComObject<IDataObject> {
 public:
  explicit FileDropObject(std::vector<std::wstring> paths, bool asText = false)
      : paths_(std::move(paths)), asText_(asText) {}

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (format == nullptr || medium == nullptr) return E_INVALIDARG;
    const HRESULT offered = QueryGetData(format);
    if (offered != S_OK) return offered;
    HGLOBAL block = nullptr;
    if (asText_) {
      const wchar_t text[] = L"some text";
      block = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
      if (block != nullptr) {
        std::memcpy(GlobalLock(block), text, sizeof text);
        GlobalUnlock(block);
      }
    } else {
      block = makeFileDrop(paths_);
    }
    if (block == nullptr) return E_OUTOFMEMORY;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    if (format == nullptr) return E_INVALIDARG;
    if (format->cfFormat != formatOffered()) return DV_E_FORMATETC;
    if ((format->tymed & TYMED_HGLOBAL) == 0) return DV_E_TYMED;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    if (out != nullptr) out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override {
    if (direction != DATADIR_GET) return E_NOTIMPL;
    FORMATETC offered{formatOffered(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return SHCreateStdEnumFmtEtc(1, &offered, formats);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

 private:
  ~FileDropObject() override = default;
  CLIPFORMAT formatOffered() const { return asText_ ? CF_UNICODETEXT : CF_HDROP; }
  std::vector<std::wstring> paths_;
  bool asText_;
};

}  // namespace corvalis::test
