// The common dialog component: a hidden child window that owns the dialog settings; the
// dialogs themselves live only inside showDialog.
//
// Not implemented:
// - enumerateTexts (operation 9): the program never calls it.

#include "ui/components/file_dialog/file_dialog.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
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

  static const PropertyRow kProperties[];
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
  static PropertyValue readStored(const Component& c, const PropertyRow& row);
  static int writeStored(Component& c, const PropertyRow& row, const PropertyValue& v);

  PropertyBlob props_;
  // Cleared by the destructor: a dialog's modal loop can outlive the unit.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  HWND helpWindow_ = nullptr;  // the top-level window help was opened for
  std::string helpFile_;
};

PropertyValue CommonDialog::readStored(const Component& c, const PropertyRow& row) {
  return storedValue(static_cast<const CommonDialog&>(c).props_, row);
}

int CommonDialog::writeStored(Component& c, const PropertyRow& row, const PropertyValue& v) {
  store(static_cast<CommonDialog&>(c).props_, row, v);
  return 0;
}

// Each property is a field of the stored block, read by the dialogs when they are shown.
const PropertyRow CommonDialog::kProperties[] = {
    {kDlgDialogType, kKindChoice, {0, kDialogHelp}, readStored, writeStored, B::DialogType},
    {kDlgTitle, kKindText, {}, readStored, writeStored, B::Title},
    {kDlgFileName, kKindText, {}, readStored, writeStored, B::FileName},
    {kDlgFilter, kKindText, {}, readStored, writeStored, B::Filter},
    {kDlgFilterIndex, kKindInteger, {.min = 0}, readStored, writeStored, B::FilterIndex},
    {kDlgInitialDir, kKindText, {}, readStored, writeStored, B::InitialDir},
    {kDlgDefaultExt, kKindText, {}, readStored, writeStored, B::DefaultExt},
    {kDlgCreatePrompt, kKindLogical, {}, readStored, writeStored, B::CreatePrompt},
    {kDlgFileMustExist, kKindLogical, {}, readStored, writeStored, B::FileMustExist},
    {kDlgOverwritePrompt, kKindLogical, {}, readStored, writeStored, B::OverwritePrompt},
    {kDlgPathMustExist, kKindLogical, {}, readStored, writeStored, B::PathMustExist},
    {kDlgNoChangeDir, kKindLogical, {}, readStored, writeStored, B::NoChangeDir},
    {kDlgFontColor, kKindColour, {}, readStored, writeStored, B::FontColor},
    {kDlgFontBold, kKindLogical, {}, readStored, writeStored, B::FontBold},
    {kDlgFontItalic, kKindLogical, {}, readStored, writeStored, B::FontItalic},
    {kDlgFontStrikeOut, kKindLogical, {}, readStored, writeStored, B::FontStrikeOut},
    {kDlgFontUnderline, kKindLogical, {}, readStored, writeStored, B::FontUnderline},
    {kDlgFontName, kKindText, {}, readStored, writeStored, B::FontName},
    {kDlgFontSize, kKindInteger, {.min = 0}, readStored, writeStored, B::FontSize},
    {kDlgHelpFile, kKindFileName, {}, readStored, writeStored, B::HelpFile},
    {kDlgHelpCommand, kKindChoice, {0, 5}, readStored, writeStored, B::HelpCommand},
    {kDlgHelpContext, kKindInteger, {}, readStored, writeStored, B::HelpContext},
};

CommonDialog::CommonDialog(const CreateParams& p, PropertyBlob blob)
    : Component(p.window, p.unit), props_(std::move(blob)) {
  clampStored(kProperties, props_);
}

void CommonDialog::teardown() {
  reportUnitDestroyed(windowId_, unitId_, this);
  if (helpWindow_) WinHelpA(helpWindow_, nonEmpty(helpFile_), HELP_QUIT, 0);
  delete this;
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

const ComponentType kCommonDialog{.name = "通用对话框",
                                  .englishName = "CommonDlg",
                                  .state = kStateEvents | kStateNeverShown,
                                  .properties = CommonDialog::kProperties,
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
