// The drop target component: a hidden child window that owns an EDropTarget, the OLE
// IDropTarget that turns drops into the unit's events.
//
// Not implemented:
// - enumerateTexts (operation 9): the program never calls it.
// - Formats other than HGLOBAL storage: a source that offers its data only in a stream or a
//   file is treated as not offering it.

#include "ui/components/drop_target/drop_target.h"

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <climits>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "form/property_blob.h"
#include "runtime/text.h"
#include "ui/components/drop_target/dropped_files.h"
#include "ui/components/drop_target/html_text.h"
#include "ui/model/component_model.h"
#include "ui/model/component_type.h"
#include "ui/model/hidden_unit_window.h"
#include "ui/model/events.h"

namespace {

namespace B = DropTargetBlob;

constexpr const char kClassName[] = "QuenloDropTarget";
constexpr int kFormatCount = 4;  // text, HTML, URL, files: the event numbers

// Effect of a drop from the keys held and the effects the source allows.
DWORD dropEffect(DWORD keys, DWORD allowed) {
  bool ctrl = keys & MK_CONTROL, shift = keys & MK_SHIFT;
  if (ctrl && shift) return DROPEFFECT_NONE;  // a requested link is never granted
  DWORD requested = ctrl ? DROPEFFECT_COPY : shift ? DROPEFFECT_MOVE : DROPEFFECT_NONE;
  if (requested) return (allowed & requested) ? requested : DROPEFFECT_NONE;
  for (DWORD e : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK})
    if (allowed & e) return e;
  return DROPEFFECT_NONE;
}

FORMATETC hglobalFormat(CLIPFORMAT format) {
  return FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// A GetData result, released with its owner.
class Medium {
 public:
  Medium(IDataObject* data, CLIPFORMAT format) {
    FORMATETC f = hglobalFormat(format);
    got_ = format && SUCCEEDED(data->GetData(&f, &medium_));
  }
  ~Medium() {
    if (got_) ReleaseStgMedium(&medium_);
  }
  Medium(const Medium&) = delete;
  Medium& operator=(const Medium&) = delete;

  bool got() const { return got_; }
  HGLOBAL global() const {
    return got_ && medium_.tymed == TYMED_HGLOBAL ? medium_.hGlobal : nullptr;
  }

 private:
  STGMEDIUM medium_{};
  bool got_ = false;
};

// The bytes of a global memory block, locked while this lives; none when it cannot be locked.
class LockedGlobal {
 public:
  explicit LockedGlobal(HGLOBAL global)
      : global_(global),
        bytes_(global ? static_cast<const uint8_t*>(GlobalLock(global)) : nullptr) {}
  ~LockedGlobal() {
    if (bytes_) GlobalUnlock(global_);
  }
  LockedGlobal(const LockedGlobal&) = delete;
  LockedGlobal& operator=(const LockedGlobal&) = delete;

  bool locked() const { return bytes_ != nullptr; }
  std::span<const uint8_t> bytes() const {
    return bytes_ ? std::span(bytes_, GlobalSize(global_)) : std::span<const uint8_t>();
  }

 private:
  HGLOBAL global_;
  const uint8_t* bytes_;
};

// The zero-terminated bytes at the start of the data, never read past the end of the block: a
// source need not terminate what it hands over.
std::optional<std::string> fetchString(IDataObject* data, CLIPFORMAT format) {
  Medium medium(data, format);
  LockedGlobal block(medium.global());
  if (!block.locked()) return std::nullopt;
  const auto* chars = reinterpret_cast<const char*>(block.bytes().data());
  return std::string(chars, strnlen(chars, block.bytes().size()));
}

// A name the code page cannot hold keeps '?' for each such character: no file name holds '?',
// so it opens nothing, where a best-fit character could name another file.
std::string fileNameToAnsi(std::u16string_view name) {
  if (name.size() > INT_MAX) return "?";
  auto* w = reinterpret_cast<const wchar_t*>(name.data());
  const auto length = static_cast<int>(name.size());
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  const char* unheld = "?";
  int needed = WideCharToMultiByte(CP_ACP, flags, w, length, nullptr, 0, unheld, nullptr);
  if (needed <= 0) {  // UTF-8 takes neither; it holds every character but a lone surrogate
    flags = WC_ERR_INVALID_CHARS;
    unheld = nullptr;
    needed = WideCharToMultiByte(CP_ACP, flags, w, length, nullptr, 0, nullptr, nullptr);
  }
  if (needed <= 0) return "?";
  std::string out(needed, '\0');
  WideCharToMultiByte(CP_ACP, flags, w, length, out.data(), needed, unheld, nullptr);
  return out;
}

// To the ANSI code page. The buffer is sized by asking first, not guessed from the UTF-8 length.
std::string toAnsi(const std::u16string& wide) {
  auto* w = reinterpret_cast<const wchar_t*>(wide.c_str());
  int length = static_cast<int>(wide.size()) + 1;
  DWORD flags = WC_COMPOSITECHECK;
  int needed = WideCharToMultiByte(CP_ACP, flags, w, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) {  // code pages such as UTF-8 take no flags
    flags = 0;
    needed = WideCharToMultiByte(CP_ACP, flags, w, length, nullptr, 0, nullptr, nullptr);
  }
  if (needed <= 0) return {};
  std::string out(needed, '\0');
  WideCharToMultiByte(CP_ACP, flags, w, length, out.data(), needed, nullptr, nullptr);
  out.resize(strnlen(out.c_str(), out.size()));
  return out;
}

class EDropTarget final : public IDropTarget {
 public:
  EDropTarget(UnitId window, UnitId unit, const PropertyBlob& blob);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL pt,
                                      DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL pt, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) override;

  bool accepts(int format) const { return accept_[format]; }
  void setAccepts(int format, bool on) { accept_[format] = on; }
  void setWindow(HWND window) { window_ = window; }
  void startEvents();
  // The component is gone: no more events or drag images. OLE may still hold references.
  void detach();

 private:
  ~EDropTarget();
  void makeDragImages();
  bool offers(IDataObject* data, CLIPFORMAT format) const;
  bool anyFormatOffered(IDataObject* data) const;
  bool applyEffect(DWORD keys, DWORD* effect) const;
  std::optional<std::string> fetchText(IDataObject* data) const;
  std::optional<std::string> fetchHtml(IDataObject* data) const;
  std::optional<std::string> fetchFiles(IDataObject* data) const;
  void raise(int event, const std::string& text);

  LONG refs_ = 1;  // the component's own reference
  bool acceptable_ = false;
  IDropTargetHelper* dragImages_ = nullptr;
  bool dragImagesTried_ = false;
  CLIPFORMAT urlFormat_ = 0, htmlFormat_ = 0;
  bool accept_[kFormatCount] = {};
  UnitId windowId_, unitId_;
  bool raisesEvents_ = false;
  HWND window_ = nullptr;  // the registered window, for the drag images
};

EDropTarget::EDropTarget(UnitId window, UnitId unit, const PropertyBlob& blob)
    : windowId_(window), unitId_(unit) {
  for (int f = 0; f < kFormatCount; ++f) accept_[f] = blob.number(B::AcceptText + f) != 0;
}

EDropTarget::~EDropTarget() {
  if (dragImages_) dragImages_->Release();
}

// Made at the first drag rather than with the component: it lives in the shell, which the
// program would otherwise have to load at start-up for drags that may never come.
void EDropTarget::makeDragImages() {
  if (dragImagesTried_) return;
  dragImagesTried_ = true;
  void* helper = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IDropTargetHelper, &helper)))
    dragImages_ = static_cast<IDropTargetHelper*>(helper);
}

void EDropTarget::startEvents() {
  urlFormat_ = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("UniformResourceLocator"));
  htmlFormat_ = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("HTML Format"));
  raisesEvents_ = true;
}

void EDropTarget::detach() {
  raisesEvents_ = false;
  acceptable_ = false;
  window_ = nullptr;
  dragImagesTried_ = true;
  if (dragImages_) std::exchange(dragImages_, nullptr)->Release();
}

HRESULT EDropTarget::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
    *out = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG EDropTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG EDropTarget::Release() {
  LONG refs = InterlockedDecrement(&refs_);
  if (refs == 0) delete this;
  return static_cast<ULONG>(refs);
}

bool EDropTarget::offers(IDataObject* data, CLIPFORMAT format) const {
  FORMATETC f = hglobalFormat(format);
  return format && data->QueryGetData(&f) == S_OK;
}

bool EDropTarget::anyFormatOffered(IDataObject* data) const {
  if (!data) return false;
  const std::pair<int, CLIPFORMAT> order[] = {{kDropText, CF_TEXT},
                                              {kDropFiles, CF_HDROP},
                                              {kDropUrl, urlFormat_},
                                              {kDropHtml, htmlFormat_}};
  for (auto [event, format] : order)
    if (accept_[event] && offers(data, format)) return true;
  return false;
}

bool EDropTarget::applyEffect(DWORD keys, DWORD* effect) const {
  *effect = acceptable_ ? dropEffect(keys, *effect) : DROPEFFECT_NONE;
  return *effect != DROPEFFECT_NONE;
}

HRESULT EDropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  POINT p{pt.x, pt.y};
  makeDragImages();
  if (dragImages_) dragImages_->DragEnter(window_, data, &p, *effect);
  acceptable_ = anyFormatOffered(data);
  applyEffect(keys, effect);
  return S_OK;
}

HRESULT EDropTarget::DragOver(DWORD keys, POINTL pt, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  POINT p{pt.x, pt.y};
  if (dragImages_) dragImages_->DragOver(&p, *effect);
  applyEffect(keys, effect);
  return S_OK;
}

HRESULT EDropTarget::DragLeave() {
  if (dragImages_) dragImages_->DragLeave();
  acceptable_ = false;
  return S_OK;
}

std::optional<std::string> EDropTarget::fetchText(IDataObject* data) const {
  // A source that also has HTML is taken for a rich text one whose plain text is not wanted.
  if (Medium(data, htmlFormat_).global()) return std::nullopt;
  return fetchString(data, CF_TEXT);
}

std::optional<std::string> EDropTarget::fetchHtml(IDataObject* data) const {
  auto utf8 = fetchString(data, htmlFormat_);
  if (!utf8) return std::nullopt;
  return toAnsi(htmlToUtf16(*utf8));
}

std::optional<std::string> EDropTarget::fetchFiles(IDataObject* data) const {
  Medium medium(data, CF_HDROP);
  if (!medium.got()) return std::nullopt;
  // A list that cannot be read whole is a drop with no files.
  LockedGlobal list(medium.global());
  return droppedFilesText(list.bytes(), &fileNameToAnsi).value_or(std::string());
}

HRESULT EDropTarget::Drop(IDataObject* data, DWORD keys, POINTL pt, DWORD* effect) {
  if (!effect) return E_INVALIDARG;
  POINT p{pt.x, pt.y};
  if (dragImages_) dragImages_->Drop(data, &p, *effect);
  if (!applyEffect(keys, effect) || !data) return E_FAIL;
  // A handler may destroy the unit; this object stays until the drop is over.
  AddRef();
  std::optional<std::string> text;
  if (accept_[kDropText] && (text = fetchText(data)) && !text->empty()) raise(kDropText, *text);
  if (accept_[kDropHtml] && (text = fetchHtml(data)) && !text->empty()) raise(kDropHtml, *text);
  if (accept_[kDropUrl] && (text = fetchString(data, urlFormat_)) && !text->empty())
    raise(kDropUrl, *text);
  if (accept_[kDropFiles] && (text = fetchFiles(data))) raise(kDropFiles, *text);
  Release();
  return E_FAIL;
}

void EDropTarget::raise(int event, const std::string& text) {
  if (!raisesEvents_) return;
  Text copy = Text::copyOf(text);
  const char* chars = copy.c_str();
  TypedEventRecord r;
  r.window = windowId_;
  r.unit = unitId_;
  r.event = event;
  r.argCount = 1;
  r.args[0] = {reinterpret_cast<uintptr_t>(&chars), kTagText, kArgByAddress};
  raiseEvent(r);
}

class DropTarget : public Component {
 public:
  DropTarget(const CreateParams& p, const PropertyBlob& blob);

  void teardown();

  static const PropertyRow kProperties[];
  std::vector<uint8_t> saveProperties() const;
  bool registerWindow(HWND target);
  void revokeWindow();
  IDropTarget* target() const { return target_; }
  bool accepts(int format) const { return target_->accepts(format); }
  void setAccepts(int format, bool on) { target_->setAccepts(format, on); }

  static constexpr UnitWindowClass kWindowClass = {kClassName, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                                                   WHITE_BRUSH, true};

 private:
  EDropTarget* target_;
  HWND parent_;
  HWND registered_ = nullptr;
};

DropTarget::DropTarget(const CreateParams& p, const PropertyBlob& blob)
    : Component(p.window, p.unit),
      target_(new EDropTarget(p.window, p.unit, blob)),
      parent_(p.parent) {
  if (!p.designFlags) target_->startEvents();
}

void DropTarget::teardown() {
  reportUnitDestroyed(windowId_, unitId_, this);
  // The registered window need not be the parent; left registered, OLE would keep calling a
  // target whose unit is gone.
  revokeWindow();
  RevokeDragDrop(parent_);
  target_->detach();
  target_->Release();
  delete this;
}

PropertyValue readAccepts(const Component& c, const PropertyRow& row) {
  return PropertyValue(int32_t{static_cast<const DropTarget&>(c).accepts(row.field)});
}

int writeAccepts(Component& c, const PropertyRow& row, const PropertyValue& v) {
  static_cast<DropTarget&>(c).setAccepts(row.field, v.asBool());
  return 0;
}

// The field is the format's number, which is also its event's.
const PropertyRow DropTarget::kProperties[] = {
    {kDropAcceptText, kKindLogical, {}, readAccepts, writeAccepts, kDropText},
    {kDropAcceptHtml, kKindLogical, {}, readAccepts, writeAccepts, kDropHtml},
    {kDropAcceptUrl, kKindLogical, {}, readAccepts, writeAccepts, kDropUrl},
    {kDropAcceptFiles, kKindLogical, {}, readAccepts, writeAccepts, kDropFiles},
};

std::vector<uint8_t> DropTarget::saveProperties() const {
  PropertyBlob blob(*blobLayoutFor(kDropTargetType));
  for (int f = 0; f < kFormatCount; ++f) blob.setNumber(B::AcceptText + f, target_->accepts(f));
  return blob.write();
}

bool DropTarget::registerWindow(HWND target) {
  if (registered_) return false;
  registered_ = target;
  target_->setWindow(target);
  return RegisterDragDrop(target, target_) == S_OK;
}

void DropTarget::revokeWindow() {
  if (!registered_) return;
  RevokeDragDrop(registered_);
  registered_ = nullptr;
  target_->setWindow(nullptr);
}

// --- Operations and commands ------------------------------------------------------------------

DropTarget* asTarget(Component* c) { return static_cast<DropTarget*>(c); }

Component* create(const CreateParams& p) {
  auto blob = PropertyBlob::read(*blobLayoutFor(kDropTargetType), p.properties, p.propertiesSize);
  if (!blob) return nullptr;
  return HiddenUnitWindow<DropTarget>::create(p, p.style | WS_CLIPSIBLINGS,
                                              new DropTarget(p, *blob));
}

OperationFn lookup(int operation) {
  if (operation == kOpCreate) return operationFor<kOpCreate>(&create);
  return PropertyOperations<DropTarget>::lookup(operation);
}

// Window handles are 32-bit values, sign-extended where pointers are wider.
HWND windowArgument(std::span<const TypedValue> args) {
  if (args.empty()) return nullptr;
  return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(args[0].value)));
}

int64_t registerWindowCommand(Component* c, std::span<const TypedValue> args) {
  return asTarget(c)->registerWindow(windowArgument(args)) ? 1 : 0;
}

int64_t revokeWindowCommand(Component* c, std::span<const TypedValue>) {
  asTarget(c)->revokeWindow();
  return 0;
}

CommandFn commands(int command) {
  switch (command) {
    case kCmdRegisterWindow:
      return &registerWindowCommand;
    case kCmdRevokeWindow:
      return &revokeWindowCommand;
    default:
      return nullptr;
  }
}

const ComponentType kDropTarget{.name = "拖放对象",
                                .englishName = "DropTarget",
                                .state = kStateEvents | kStateNeverShown,
                                .properties = DropTarget::kProperties,
                                .lookup = &lookup,
                                .commands = &commands};

const bool registered = registerComponentType(kDropTargetType, kDropTarget);

TypedValue windowHandleArg(HWND target) {
  return intArg(static_cast<int32_t>(reinterpret_cast<uintptr_t>(target)));
}

}  // namespace

bool registerWindow(UnitId window, UnitId unit, HWND target) {
  TypedValue args[] = {unitArg(window, unit, kDropTargetType), windowHandleArg(target)};
  return callCommand(kCmdRegisterWindow, args) != 0;
}

void revokeWindow(UnitId window, UnitId unit, HWND target) {
  TypedValue args[] = {unitArg(window, unit, kDropTargetType), windowHandleArg(target)};
  callCommand(kCmdRevokeWindow, args);
}

IDropTarget* dropTargetOf(UnitId window, UnitId unit) {
  auto* target = dynamic_cast<DropTarget*>(resolveUnit(window, unit));
  if (!target) fatalError(FatalText::kUnitNotLoaded, 0, window, unit);
  return target->target();
}
