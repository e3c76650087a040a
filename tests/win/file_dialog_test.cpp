#include "ui/components/file_dialog/file_dialog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "form/property_blob.h"
#include "tests/support/form_window_fixture.h"
#include "tests/win/test_support.h"
#include "ui/loop/window_loading.h"
#include "ui/model/component_model.h"

namespace {

constexpr UnitId kWin = 0x52400001, kFileDialog = 0x16400001, kPlain = 0x16400002,
                 kOutOfRange = 0x16400003;

void press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Acts once on the first common dialog this thread shows, from a timer that fires inside the
// dialog's own modal loop.
class DialogDriver {
 public:
  explicit DialogDriver(std::function<void(HWND)> act) : act_(std::move(act)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 50, &DialogDriver::tick);
  }
  ~DialogDriver() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  bool acted() const { return acted_; }
  // Boxes the dialog raised after the action (each answered "No"), such as an overwrite prompt.
  int prompts() const { return prompts_; }

 private:
  static BOOL CALLBACK findDialog(HWND hwnd, LPARAM found) {
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    HWND* slot = reinterpret_cast<HWND*>(found);
    if (hwnd == slot[1]) return TRUE;
    slot[0] = hwnd;
    return FALSE;
  }
  static BOOL CALLBACK cancelDialog(HWND hwnd, LPARAM) {
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(hwnd))
      PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
  }
  // A dialog still open well after the action (a message box the test did not expect, say)
  // is cancelled, so that the test fails instead of waiting for ever.
  static HWND visibleDialogOtherThan(HWND other) {
    HWND found[2] = {nullptr, other};
    EnumThreadWindows(GetCurrentThreadId(), &findDialog, reinterpret_cast<LPARAM>(found));
    return found[0];
  }
  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogDriver* self = current_;
    if (!self) return;
    if (self->acted_) {
      if (HWND prompt = visibleDialogOtherThan(self->dialog_)) {
        if (prompt != self->prompt_) ++self->prompts_;
        self->prompt_ = prompt;
        PostMessageA(prompt, WM_COMMAND, IDNO, 0);
      } else if (self->prompts_ > 0 && IsWindow(self->dialog_)) {
        press(self->dialog_, IDCANCEL);
      } else if (GetTickCount() - self->actedAt_ > 5000) {
        EnumThreadWindows(GetCurrentThreadId(), &cancelDialog, 0);
      }
      return;
    }
    HWND dialog = visibleDialogOtherThan(nullptr);
    if (!dialog) return;
    self->acted_ = true;
    self->dialog_ = dialog;
    self->actedAt_ = GetTickCount();
    self->act_(dialog);
  }

  static inline DialogDriver* current_ = nullptr;
  std::function<void(HWND)> act_;
  UINT_PTR timer_ = 0;
  bool acted_ = false;
  DWORD actedAt_ = 0;
  HWND dialog_ = nullptr, prompt_ = nullptr;
  int prompts_ = 0;
};

// The file name box: a combo box (cmb13) on Windows, an edit (edt1) in Wine's dialog.
HWND fileNameBox(HWND dialog) {
  HWND box = GetDlgItem(dialog, cmb13);
  return box ? box : GetDlgItem(dialog, edt1);
}

std::function<void(HWND)> typeAndConfirm(std::string name) {
  return [name](HWND dialog) {
    SendMessageA(fileNameBox(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    press(dialog, IDOK);
  };
}

std::string windowText(HWND h) {
  char buf[600] = {};
  GetWindowTextA(h, buf, sizeof buf);
  return buf;
}

// What a dialog shows as it comes up; it is then cancelled.
struct Shown {
  bool came = false;
  std::string title, name;
  std::vector<std::string> types;  // the file type list
  int type = CB_ERR;               // the selected type
  bool readOnlyBox = true;
};

Shown shownBy(UnitId unit) {
  Shown s;
  DialogDriver driver([&s](HWND dialog) {
    s.title = windowText(dialog);
    s.name = windowText(fileNameBox(dialog));
    HWND types = GetDlgItem(dialog, cmb1);
    const int count = static_cast<int>(SendMessageA(types, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      char type[128] = {};
      SendMessageA(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(type));
      s.types.emplace_back(type);
    }
    s.type = static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0));
    s.readOnlyBox = IsWindowVisible(GetDlgItem(dialog, chx1));
    press(dialog, IDCANCEL);
  });
  EXPECT_FALSE(showDialog(kWin, unit));
  s.came = driver.acted();
  return s;
}

class FileDialog : public FormWindowTest {
 protected:
  void SetUp() override {
    load("dialog", kWin);
    pumpMessages();
  }
  static std::string text(UnitId unit, int index) {
    return readProperty(kWin, unit, index).asText().str();
  }
  static int32_t number(UnitId unit, int index) { return readProperty(kWin, unit, index).asInt(); }
};

// Each logical turns on a check the dialog makes when OK is pressed: the name is refused, or the
// user is asked first (and answers "No"), where without it the name is taken as typed.
TEST_F(FileDialog, EachLogicalChangesWhatTheDialogAccepts) {
  char before[MAX_PATH] = {}, after[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, before);
  TempFolder folder;
  std::ofstream(folder.file("here.txt")) << "x";
  struct Case {
    int property, type;
    const char* name;
  } cases[] = {
      {kDlgFileMustExist, kDialogOpen, "missing.txt"},
      {kDlgCreatePrompt, kDialogOpen, "missing.txt"},
      {kDlgOverwritePrompt, kDialogSave, "here.txt"},
      {kDlgPathMustExist, kDialogSave, "nofolder\\x.txt"},
  };
  writeProperty(kWin, kPlain, kDlgInitialDir, folder.path().c_str());
  for (const auto& c : cases) {
    writeProperty(kWin, kPlain, kDlgDialogType, c.type);
    for (int on : {0, 1}) {
      writeProperty(kWin, kPlain, c.property, on);
      DialogDriver driver(typeAndConfirm(c.name));
      EXPECT_EQ(showDialog(kWin, kPlain), !on) << c.property << " = " << on;
      EXPECT_EQ(driver.prompts() > 0, on == 1) << c.property << " = " << on;
    }
    writeProperty(kWin, kPlain, c.property, 0);
  }
  // Without NoChangeDir the dialog leaves the process in the folder it started in.
  for (int on : {1, 0}) {
    SetCurrentDirectoryA(before);
    writeProperty(kWin, kPlain, kDlgFileName, "");
    writeProperty(kWin, kPlain, kDlgNoChangeDir, on);
    DialogDriver driver(typeAndConfirm("here.txt"));
    EXPECT_TRUE(showDialog(kWin, kPlain));
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_EQ(_stricmp(after, folder.path().c_str()) == 0, on == 0) << after;
  }
  SetCurrentDirectoryA(before);
}

// The file type list, the selected type and the name box follow the settings; the name box
// shows a long name cut to fit, while the property keeps every byte.
TEST_F(FileDialog, WhatTheDialogShowsFollowsItsSettings) {
  const char* filter = "文本文件 (*.txt)|*.txt|所有文件 (*.*)|*.*||  ";
  const std::vector<std::string> both = {"文本文件 (*.txt)", "所有文件 (*.*)"};
  // Two-byte characters are not split: "aa" and 128 of them fill 258 bytes.
  std::string wide = "aa";
  for (int i = 0; i < 150; ++i) wide += "文";
  struct Case {
    const char* filter;  // null: as stored, where ".txt" has no "|" and is its own description
    int32_t index;
    std::string name, shownName;
    std::vector<std::string> types;
    int selected;
  } cases[] = {
      {nullptr, 0, "", "", {".txt"}, 0},
      {"", 1, "", "", {}, CB_ERR},
      {filter, 1, std::string(300, 'a'), std::string(259, 'a'), both, 1},
      {filter, -3, wide, wide.substr(0, 258), both, 0},  // read back as 0
      {filter, 0, "", "", both, 0},
  };
  for (const Case& c : cases) {
    const UnitId unit = c.filter ? kPlain : kFileDialog;
    SCOPED_TRACE(c.filter ? c.filter : "stored");
    if (c.filter) {
      writeProperty(kWin, unit, kDlgFilter, c.filter);
      writeProperty(kWin, unit, kDlgFilterIndex, c.index);
      writeProperty(kWin, unit, kDlgFileName, c.name.c_str());
    }
    const Shown shown = shownBy(unit);
    EXPECT_TRUE(shown.came);
    EXPECT_EQ(shown.types, c.types) << c.index;
    EXPECT_EQ(shown.type, c.selected) << c.index;
    EXPECT_EQ(shown.name, c.shownName);
    EXPECT_EQ(text(unit, kDlgFileName), c.name) << "the property keeps every byte";
    EXPECT_FALSE(shown.readOnlyBox);
  }
}

// The dialog starts in the initial folder; a title and a default extension replace the
// dialog's own only when they are set.
TEST_F(FileDialog, TitleFolderAndExtensionReachTheDialog) {
  TempFolder folder;
  writeProperty(kWin, kPlain, kDlgDialogType, kDialogSave);
  writeProperty(kWin, kPlain, kDlgInitialDir, folder.path().c_str());
  struct Case {
    const char *title, *defaultExt, *saved;
  } cases[] = {
      {"", "", "notes"},
      {"选择文件", "log", "notes.log"},
  };
  for (const Case& c : cases) {
    writeProperty(kWin, kPlain, kDlgTitle, c.title);
    writeProperty(kWin, kPlain, kDlgDefaultExt, c.defaultExt);
    std::string title;
    const auto confirm = typeAndConfirm("notes");
    DialogDriver driver([&](HWND dialog) {
      title = windowText(dialog);
      confirm(dialog);
    });
    EXPECT_TRUE(showDialog(kWin, kPlain));
    if (*c.title)
      EXPECT_EQ(title, c.title);
    else
      EXPECT_NE(title, "") << "the dialog's own title";
    EXPECT_STRCASEEQ(text(kPlain, kDlgFileName).c_str(), folder.file(c.saved).c_str());
  }
}

// Stored values out of range are brought into range when the unit is created.
TEST_F(FileDialog, StoredValuesAreBroughtIntoRange) {
  EXPECT_EQ(number(kOutOfRange, kDlgDialogType), 3);
  EXPECT_EQ(number(kOutOfRange, kDlgHelpCommand), 5);
  EXPECT_EQ(number(kOutOfRange, kDlgFilterIndex), 0);
  EXPECT_EQ(number(kOutOfRange, kDlgFontSize), 0);
}

TEST_F(FileDialog, SavedPropertiesHoldTheCurrentValues) {
  writeProperty(kWin, kFileDialog, kDlgFileName, "C:\\a.txt");
  writeProperty(kWin, kFileDialog, kDlgDialogType, 1);
  writeProperty(kWin, kFileDialog, kDlgFontName, "宋体");
  auto save = componentType(kCommonDialogType)->operation<kOpSaveProperties>();
  std::vector<uint8_t> saved = save(resolveUnit(kWin, kFileDialog));
  auto blob = PropertyBlob::read(*blobLayoutFor(kCommonDialogType), saved.data(), saved.size());
  ASSERT_TRUE(blob);
  EXPECT_EQ(blob->storedVersion(), 1u);
  EXPECT_EQ(blob->text(CommonDialogBlob::FileName), "C:\\a.txt");
  EXPECT_EQ(blob->number(CommonDialogBlob::DialogType), 1);
  EXPECT_EQ(blob->text(CommonDialogBlob::Filter), ".txt");
  EXPECT_EQ(blob->text(CommonDialogBlob::DefaultExt), "txt");
  EXPECT_EQ(blob->number(CommonDialogBlob::NoChangeDir), 1);
  EXPECT_EQ(blob->text(CommonDialogBlob::FontName), "宋体");
}

TEST_F(FileDialog, UnitStaysHidden) {
  HWND hwnd = resolveUnit(kWin, kFileDialog)->hwnd();
  ASSERT_TRUE(IsWindow(hwnd));
  EXPECT_FALSE(IsWindowVisible(hwnd));  // stored visible, but the type never shows
  EXPECT_EQ(GetParent(hwnd), findLoadedWindow(kWin)->hwnd());
  EXPECT_EQ(GetWindowLongA(hwnd, GWL_STYLE) & (WS_CHILD | WS_CLIPSIBLINGS),
            WS_CHILD | WS_CLIPSIBLINGS);
}

TEST_F(FileDialog, CancelKeepsTheFileName) {
  writeProperty(kWin, kFileDialog, kDlgFileName, "C:\\keep.txt");
  for (int type : {kDialogOpen, kDialogSave}) {
    writeProperty(kWin, kFileDialog, kDlgDialogType, type);
    DialogDriver driver([](HWND dialog) { press(dialog, IDCANCEL); });
    EXPECT_FALSE(showDialog(kWin, kFileDialog));
    EXPECT_TRUE(driver.acted()) << type;
    EXPECT_EQ(text(kFileDialog, kDlgFileName), "C:\\keep.txt");
  }
}

TEST_F(FileDialog, OpenFindsAnExistingFileThroughTheDefaultExtension) {
  if (underWine()) GTEST_SKIP() << "Wine's open dialog does not try the default extension";
  TempFolder folder;
  std::ofstream(folder.file("data.txt")) << "x";
  writeProperty(kWin, kFileDialog, kDlgDialogType, kDialogOpen);
  writeProperty(kWin, kFileDialog, kDlgInitialDir, folder.path().c_str());
  DialogDriver driver(typeAndConfirm("data"));
  EXPECT_TRUE(showDialog(kWin, kFileDialog));
  EXPECT_STRCASEEQ(text(kFileDialog, kDlgFileName).c_str(), folder.file("data.txt").c_str());
}

TEST_F(FileDialog, DestroyingTheWindowUnderAnOpenDialog) {
  HWND main = findLoadedWindow(kWin)->hwnd();
  DialogDriver driver([main](HWND dialog) {
    DestroyWindow(main);
    if (IsWindow(dialog)) press(dialog, IDCANCEL);
  });
  EXPECT_FALSE(showDialog(kWin, kFileDialog));
  EXPECT_TRUE(driver.acted());
  EXPECT_EQ(findLoadedWindow(kWin), nullptr);
}

TEST_F(FileDialog, FontDialogReturnsTheChosenFont) {
  writeProperty(kWin, kPlain, kDlgDialogType, kDialogFont);
  writeProperty(kWin, kPlain, kDlgFontName, "Tahoma");
  writeProperty(kWin, kPlain, kDlgFontSize, 12);
  writeProperty(kWin, kPlain, kDlgFontBold, 1);
  writeProperty(kWin, kPlain, kDlgFontColor, 0x0000FF);
  {
    DialogDriver driver([](HWND dialog) { press(dialog, IDCANCEL); });
    EXPECT_FALSE(showDialog(kWin, kPlain));
    EXPECT_TRUE(driver.acted());
  }
  // What the dialog shows when OK is pressed is what comes back.
  char face[LF_FACESIZE] = {}, size[16] = {};
  DialogDriver driver([&](HWND dialog) {
    GetDlgItemTextA(dialog, cmb1, face, sizeof face);
    GetDlgItemTextA(dialog, cmb3, size, sizeof size);
    press(dialog, IDOK);
  });
  EXPECT_TRUE(showDialog(kWin, kPlain));
  EXPECT_TRUE(driver.acted());
  EXPECT_EQ(text(kPlain, kDlgFontName), face);
  EXPECT_EQ(number(kPlain, kDlgFontSize), std::atoi(size));
  // Wine's dialog does not preselect a face that lacks the system's character set.
  if (!underWine()) {
    EXPECT_EQ(text(kPlain, kDlgFontName), "Tahoma");
    EXPECT_EQ(number(kPlain, kDlgFontSize), 12);
    EXPECT_EQ(number(kPlain, kDlgFontBold), 1);
  }
  EXPECT_EQ(number(kPlain, kDlgFontItalic), 0);
  EXPECT_EQ(number(kPlain, kDlgFontUnderline), 0);
  EXPECT_EQ(number(kPlain, kDlgFontColor), 0x0000FF);
}

TEST_F(FileDialog, HelpNeedsAnExistingFile) {
  TempFolder folder;
  writeProperty(kWin, kPlain, kDlgDialogType, kDialogHelp);
  writeProperty(kWin, kPlain, kDlgHelpFile, folder.file("missing.hlp").c_str());
  EXPECT_FALSE(showDialog(kWin, kPlain));
  // Empty: the program's own path with "hlp", which the tests do not have either.
  writeProperty(kWin, kPlain, kDlgHelpFile, "");
  EXPECT_FALSE(showDialog(kWin, kPlain));
}

TEST_F(FileDialog, CommandOnAnUnloadedUnitIsFatal) {
  try {
    showDialog(kWin, 0x16400099);
    ADD_FAILURE() << "no fatal error";
  } catch (const FatalErrorThrown& e) {
    EXPECT_EQ(e.message, FatalText::kUnitNotLoaded);
  }
}

}  // namespace
