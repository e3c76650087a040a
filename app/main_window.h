#pragma once
#include "ui/unit_id.h"

// MainWindow's window description and the units the handlers address.
constexpr UnitId MainWindow = 0x52010001;
constexpr UnitId MainWindowUnit = 0x06010000;
constexpr UnitId FileDialog1 = 0x16010044;
constexpr UnitId DropTarget1 = 0x16010023;
constexpr UnitId PathLabel = 0x16010021;
constexpr UnitId PathBox = 0x16010020;
constexpr UnitId InputBox = 0x1601001B;
constexpr UnitId StatusBar1 = 0x1601001A;
constexpr UnitId RecoveryTimer = 0x160100A0;

// Property indices the handlers use.
enum : int {
  Width = 2,
  Height = 3,
  Content = 8,     // edit box
  TextColor = 10,  // edit box
  BackColor = 11,  // edit box
  Font = 12,       // edit box
  InputMode = 18,  // edit box
  DialogType = 8,  // file dialog
  FileName = 10,   // file dialog
  Interval = 8,    // timer
};
enum : int { FontBold = 1, FontItalic = 2, FontSize = 5 };

inline constexpr const char* kBackupFileName = "Quenlo备份.txt";
// The backup as it was before its last change: one earlier rescue survives a careless close.
inline constexpr const char* kPreviousBackupFileName = "Quenlo备份(上次).txt";
