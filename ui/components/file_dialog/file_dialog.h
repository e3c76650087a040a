#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>

#include "form/unit_id.h"

// The common dialog component ("通用对话框"): an invisible unit that shows the open-file,
// save-file or font dialog, or the help viewer, configured by its properties, and keeps the
// user's choice in them.

enum CommonDialogProperty : int {
  kDlgDialogType = 8,
  kDlgTitle,
  kDlgFileName,
  kDlgFilter,
  kDlgFilterIndex,
  kDlgInitialDir,
  kDlgDefaultExt,
  kDlgCreatePrompt,
  kDlgFileMustExist,
  kDlgOverwritePrompt,
  kDlgPathMustExist,
  kDlgNoChangeDir,
  kDlgFontColor,
  kDlgFontBold,
  kDlgFontItalic,
  kDlgFontStrikeOut,
  kDlgFontUnderline,
  kDlgFontName,
  kDlgFontSize,
  kDlgHelpFile,
  kDlgHelpCommand,
  kDlgHelpContext,
};

enum CommonDialogKind : int32_t { kDialogOpen = 0, kDialogSave, kDialogFont, kDialogHelp };

// Shows the dialog that DialogType selects and waits for it. True when the user confirmed
// (the output properties then hold the choice); false on cancel or when nothing could be shown.
bool showDialog(UnitId window, UnitId unit);

// What showDialog hands GetOpenFileNameA and GetSaveFileNameA; `ofn` points into the other
// members, so a request stays where it was prepared.
struct FileDialogRequest {
  OPENFILENAMEA ofn{};
  std::string filter;  // double-NUL-terminated; empty: no filter
  char file[MAX_PATH] = {};
  char fileTitle[64] = {};
  std::string defaultExt, title, initialDir;

  FileDialogRequest() = default;
  FileDialogRequest(const FileDialogRequest&) = delete;
  FileDialogRequest& operator=(const FileDialogRequest&) = delete;
};
// Fills `request` from the unit's current properties, as showDialog does before showing a file
// dialog.
void prepareFileDialog(UnitId window, UnitId unit, FileDialogRequest& request);
