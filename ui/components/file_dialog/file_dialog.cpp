// The common dialog component: a hidden child window that owns the dialog settings; the
// dialogs themselves live only inside showDialog.
//
// Not implemented:
// - enumerateTexts (operation 9): the program never calls it.

#include "ui/components/file_dialog/file_dialog.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "form/property_blob.h"
#include "runtime/system_code_page.h"
#include "ui/components/file_dialog/file_filter.h"
#include "ui/graphics/gdi.h"
#include "ui/model/component_model.h"
#include "ui/model/component_type.h"
#include "ui/model/hidden_unit_window.h"

namespace {

namespace B = CommonDialogBlob;

constexpr const char kClassName[] = "QuenloCommonDialog";

// Where each type-specific property lives in the stored block, and the range a written value
// is clamped into.
struct PropertySlot {
  B::Field field;
  int32_t min = INT32_MIN;
  int32_t max = INT32_MAX;
};

const PropertySlot kSlots[] = {
    {B::DialogType, 0, kDialogHelp},
    {B::Title},
    {B::FileName},
    {B::Filter},
    {B::FilterIndex, 0},
    {B::InitialDir},
    {B::DefaultExt},
    {B::CreatePrompt},
    {B::FileMustExist},
    {B::OverwritePrompt},
    {B::PathMustExist},
    {B::NoChangeDir},
    {B::FontColor},
    {B::FontBold},
    {B::FontItalic},
    {B::FontStrikeOut},
    {B::FontUnderline},
    {B::FontName},
    {B::FontSize, 0},
    {B::HelpFile},
    {B::HelpCommand, 0, 5},
    {B::HelpContext},
};

bool isLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Copies `s` into dest[0..size-1], cut at a character boundary, always terminated. A last lead
// byte without its trail byte is left out: the system would pair it with the terminator.
void copyTruncated(const std::string& s, char* dest, size_t size) {
  size_t n = 0;
  while (n < s.size()) {
    if (isLeadByte(s[n]) && n + 1 == s.size()) break;
    size_t len = isLeadByte(s[n]) ? 2 : 1;
    if (n + len > size - 1) break;
    n += len;
  }
  s.copy(dest, n);
  dest[n] = '\0';
}

const char* nonEmpty(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

bool fileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The program's own path with its extension replaced by "hlp".
std::string programHelpFile() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  size_t dot = s.find_last_of('.');
  size_t slash = s.find_last_of("\\/");
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) s.erase(dot);
  return s + ".hlp";
}

// The file and font dialogs are shown with a hook that leaves every message to the system.
UINT_PTR CALLBACK passThroughHook(HWND, UINT, WPARAM, LPARAM) { return 0; }

// The dialogs are modal to the program's active window (none when it has none), so the user
// cannot close the window, and with it this unit, while its dialog is up.
HWND dialogOwner() { return GetActiveWindow(); }

class CommonDialog : public Component {
 public:
  CommonDialog(const CreateParams& p, PropertyBlob blob);
  ~CommonDialog() override { *alive_ = false; }

  void teardown();

  int setProperty(int index, const PropertyValue& value);
  bool getProperty(int index, PropertyValue& out) const;
  std::vector<uint8_t> saveProperties() const { return props_.write(); }
  void prepareFileDialog(FileDialogRequest& r) const;
  bool showDialog();

  static constexpr UnitWindowClass kWindowClass = {kClassName, CS_DBLCLKS, NULL_BRUSH, true};

 private:
  int32_t number(B::Field f) const { return props_.number(f); }
  bool logical(B::Field f) const { return props_.number(f) == 1; }
  std::string text(B::Field f) const { return props_.text(f); }
  bool showFileDialog(int32_t type);
  bool showFontDialog();
  bool showHelp();
  void storeFont(const LOGFONTA& lf, COLORREF colour);

  PropertyBlob props_;
  // Cleared by the destructor: a dialog's modal loop can outlive the unit.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  HWND helpWindow_ = nullptr;  // the top-level window help was opened for
  std::string helpFile_;
};

int32_t clampInto(int32_t v, const PropertySlot& slot) { return std::clamp(v, slot.min, slot.max); }

CommonDialog::CommonDialog(const CreateParams& p, PropertyBlob blob)
    : Component(p.window, p.unit), props_(std::move(blob)) {
  for (const auto& slot : kSlots)
    if (props_.layout().fields[slot.field].kind != FieldKind::Text)
      props_.setNumber(slot.field, clampInto(props_.number(slot.field), slot));
}

void CommonDialog::teardown() {
  reportUnitDestroyed(windowId_, unitId_, this);
  if (helpWindow_) WinHelpA(helpWindow_, nonEmpty(helpFile_), HELP_QUIT, 0);
  delete this;
}

int CommonDialog::setProperty(int index, const PropertyValue& value) {
  if (index < 0 || index >= static_cast<int>(std::size(kSlots))) return 0;
  const PropertySlot& slot = kSlots[index];
  if (props_.layout().fields[slot.field].kind == FieldKind::Text)
    props_.setText(slot.field, value.asText().view());
  else
    props_.setNumber(slot.field, clampInto(value.asInt(), slot));
  return 0;
}

bool CommonDialog::getProperty(int index, PropertyValue& out) const {
  if (index < 0 || index >= static_cast<int>(std::size(kSlots))) return false;
  B::Field f = kSlots[index].field;
  if (props_.layout().fields[f].kind == FieldKind::Text)
    out = PropertyValue(Text::copyOf(props_.text(f)));
  else
    out = PropertyValue(props_.number(f));
  return true;
}

void CommonDialog::prepareFileDialog(FileDialogRequest& r) const {
  OPENFILENAMEA& ofn = r.ofn;
  ofn = OPENFILENAMEA{};
  ofn.lStructSize = sizeof ofn;
  ofn.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING | OFN_ENABLEHOOK;
  ofn.lpfnHook = &passThroughHook;
  if (logical(B::CreatePrompt)) ofn.Flags |= OFN_CREATEPROMPT;
  if (logical(B::FileMustExist)) ofn.Flags |= OFN_FILEMUSTEXIST;
  if (logical(B::OverwritePrompt)) ofn.Flags |= OFN_OVERWRITEPROMPT;
  if (logical(B::PathMustExist)) ofn.Flags |= OFN_PATHMUSTEXIST;
  if (logical(B::NoChangeDir)) ofn.Flags |= OFN_NOCHANGEDIR;

  r.filter = fileDialogFilter(text(B::Filter));
  ofn.lpstrFilter = nonEmpty(r.filter);
  ofn.nFilterIndex = r.filter.empty() ? 0 : static_cast<DWORD>(number(B::FilterIndex)) + 1;

  copyTruncated(text(B::FileName), r.file, sizeof r.file);
  ofn.lpstrFile = r.file;
  ofn.nMaxFile = sizeof r.file;
  r.fileTitle[0] = '\0';
  ofn.lpstrFileTitle = r.fileTitle;
  ofn.nMaxFileTitle = sizeof r.fileTitle;

  r.defaultExt = text(B::DefaultExt);
  r.title = text(B::Title);
  r.initialDir = text(B::InitialDir);
  for (std::string* s : {&r.defaultExt, &r.title, &r.initialDir}) dropLoneLeadByte(*s);
  ofn.lpstrDefExt = nonEmpty(r.defaultExt);
  ofn.lpstrTitle = nonEmpty(r.title);
  ofn.lpstrInitialDir = nonEmpty(r.initialDir);
}

bool CommonDialog::showDialog() {
  int32_t type = number(B::DialogType);
  switch (type) {
    case kDialogOpen:
    case kDialogSave:
      return showFileDialog(type);
    case kDialogFont:
      return showFontDialog();
    default:
      return showHelp();
  }
}

bool CommonDialog::showFileDialog(int32_t type) {
  FileDialogRequest r;
  prepareFileDialog(r);
  r.ofn.hwndOwner = dialogOwner();
  auto alive = alive_;
  BOOL ok = type == kDialogOpen ? GetOpenFileNameA(&r.ofn) : GetSaveFileNameA(&r.ofn);
  if (!ok || !*alive) return false;
  props_.setText(B::FileName, r.file);
  return true;
}

bool CommonDialog::showFontDialog() {
  int dpi = screenDpiY();
  LOGFONTA lf{};
  if (logical(B::FontBold)) lf.lfWeight = FW_BOLD;
  lf.lfItalic = logical(B::FontItalic);
  lf.lfStrikeOut = logical(B::FontStrikeOut);
  lf.lfUnderline = logical(B::FontUnderline);
  copyTruncated(text(B::FontName), lf.lfFaceName, LF_FACESIZE);
  if (int32_t size = number(B::FontSize)) lf.lfHeight = -MulDiv(size, dpi, 72);

  CHOOSEFONTA cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = dialogOwner();
  cf.lpLogFont = &lf;
  cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | CF_ENABLEHOOK;
  cf.lpfnHook = &passThroughHook;
  cf.rgbColors = static_cast<COLORREF>(number(B::FontColor));
  auto alive = alive_;
  if (!ChooseFontA(&cf) || !*alive) return false;
  storeFont(lf, cf.rgbColors);
  return true;
}

void CommonDialog::storeFont(const LOGFONTA& lf, COLORREF colour) {
  props_.setNumber(B::FontColor, static_cast<int32_t>(colour));
  props_.setNumber(B::FontBold, lf.lfWeight >= FW_BOLD);
  props_.setNumber(B::FontItalic, lf.lfItalic != 0);
  props_.setNumber(B::FontStrikeOut, lf.lfStrikeOut != 0);
  props_.setNumber(B::FontUnderline, lf.lfUnderline != 0);
  props_.setText(B::FontName, std::string(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE)));
  props_.setNumber(B::FontSize, MulDiv(std::abs(lf.lfHeight), 72, screenDpiY()));
}

bool CommonDialog::showHelp() {
  HWND top = GetAncestor(hwnd_, GA_ROOT);
  if (!top || top == hwnd_) return false;
  int32_t command = number(B::HelpCommand);
  int32_t context = number(B::HelpContext);
  std::string file;
  UINT helpCommand = HELP_FINDER;
  ULONG_PTR data = 0;
  switch (command) {
    case 4:
      helpCommand = HELP_HELPONHELP;
      break;
    case 5:
      helpCommand = HELP_QUIT;
      break;
    default:
      file = text(B::HelpFile);
      if (file.empty()) file = programHelpFile();
      if (!fileExists(file)) return false;
      if (command == 3) helpCommand = HELP_FORCEFILE;
      if ((command == 1 || command == 2) && context != 0) {
        helpCommand = command == 1 ? HELP_CONTEXT : HELP_CONTEXTPOPUP;
        data = static_cast<ULONG_PTR>(static_cast<uint32_t>(context));
      }
  }
  dropLoneLeadByte(file);
  WinHelpA(top, nonEmpty(file), helpCommand, data);
  helpWindow_ = helpCommand == HELP_QUIT ? nullptr : top;
  helpFile_ = file;
  return true;
}

// --- Operations and commands ------------------------------------------------------------------

CommonDialog* asDialog(Component* c) { return static_cast<CommonDialog*>(c); }

Component* create(const CreateParams& p) {
  auto blob = PropertyBlob::read(*blobLayoutFor(kCommonDialogType), p.properties, p.propertiesSize);
  if (!blob) return nullptr;
  return HiddenUnitWindow<CommonDialog>::create(p, p.style | WS_CLIPSIBLINGS,
                                                new CommonDialog(p, std::move(*blob)));
}

OperationFn lookup(int operation) {
  if (operation == kOpCreate) return operationFor<kOpCreate>(&create);
  return PropertyOperations<CommonDialog>::lookup(operation);
}

int64_t showDialogCommand(Component* c, std::span<const TypedValue>) {
  return asDialog(c)->showDialog() ? 1 : 0;
}

CommandFn commands(int command) { return command == kCmdShowDialog ? &showDialogCommand : nullptr; }

const PropertyDescriptor kCommonDialogProperties[] = {
    QUENLO_COMMON_PROPERTIES,          // 0-7
    {kKindChoice, kPropertyNormal},    // DialogType
    {kKindText, kPropertyNormal},      // Title
    {kKindText, kPropertyNormal},      // FileName
    {kKindText, kPropertyNormal},      // Filter
    {kKindInteger, kPropertyNormal},   // FilterIndex
    {kKindText, kPropertyNormal},      // InitialDir
    {kKindText, kPropertyNormal},      // DefaultExt
    {kKindLogical, kPropertyNormal},   // CreatePrompt
    {kKindLogical, kPropertyNormal},   // FileMustExist
    {kKindLogical, kPropertyNormal},   // OverwritePrompt
    {kKindLogical, kPropertyNormal},   // PathMustExist
    {kKindLogical, kPropertyNormal},   // NoChangeDir
    {kKindColour, kPropertyNormal},    // FontColor
    {kKindLogical, kPropertyNormal},   // FontBold
    {kKindLogical, kPropertyNormal},   // FontItalic
    {kKindLogical, kPropertyNormal},   // FontStrikeOut
    {kKindLogical, kPropertyNormal},   // FontUnderline
    {kKindText, kPropertyNormal},      // FontName
    {kKindInteger, kPropertyNormal},   // FontSize
    {kKindFileName, kPropertyNormal},  // HelpFile
    {kKindChoice, kPropertyNormal},    // HelpCommand
    {kKindInteger, kPropertyNormal},   // HelpContext
};

const ComponentType kCommonDialog{.name = "通用对话框",
                                  .englishName = "CommonDlg",
                                  .state = kStateEvents | kStateNeverShown,
                                  .properties = kCommonDialogProperties,
                                  .lookup = &lookup,
                                  .commands = &commands};

const bool registered = registerComponentType(kCommonDialogType, kCommonDialog);

CommonDialog& resolveDialog(UnitId window, UnitId unit) {
  auto* dialog = dynamic_cast<CommonDialog*>(resolveUnit(window, unit));
  if (!dialog) fatalError(FatalText::kUnitNotLoaded, 0, window, unit);
  return *dialog;
}

}  // namespace

bool showDialog(UnitId window, UnitId unit) {
  TypedValue args[] = {unitArg(window, unit, kCommonDialogType)};
  return callCommand(kCmdShowDialog, args) != 0;
}

void prepareFileDialog(UnitId window, UnitId unit, FileDialogRequest& request) {
  resolveDialog(window, unit).prepareFileDialog(request);
}
