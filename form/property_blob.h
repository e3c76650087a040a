#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/unit_id.h"

// Stored property data of a component: a 32-bit version, then fields in a fixed order.
// One layout table per component type serves the form compiler, which writes blobs, the
// components, which read them at creation, and saveProperties, which writes them back.

// A count of 0 or less is the empty text or the empty buffer, as in the form description.
enum class FieldKind : uint8_t {
  Int32,
  Int16,
  Text,   // signed 32-bit count, bytes; ends at the first NUL when one occurs inside
  Bytes,  // signed 32-bit count, bytes kept as they are
};

struct BlobField {
  const char* name;
  FieldKind kind;
  uint32_t sinceVersion;  // an older blob lacks the field and keeps the default
  int32_t defaultNumber;
  const char* defaultText;  // Text fields only; nullptr = empty
};

struct BlobLayout {
  TypeId type;
  const char* typeName;  // the English type name, as the form source writes it
  uint32_t version;      // the newest version this program reads and writes
  const BlobField* fields;
  size_t fieldCount;

  int fieldIndex(std::string_view name) const;  // -1 when unknown
};

const BlobLayout* blobLayoutFor(TypeId type);
const BlobLayout* blobLayoutNamed(std::string_view typeName);

// Decoded values, one per field of the layout.
class PropertyBlob {
 public:
  explicit PropertyBlob(const BlobLayout& layout);  // every field at its default

  // nullopt when the version is newer than the layout's, or the data ends inside a field
  // (or a count runs past the end). Empty data gives the defaults.
  static std::optional<PropertyBlob> read(const BlobLayout& layout, const uint8_t* data,
                                          size_t size);
  // Always the layout's current version.
  std::vector<uint8_t> write() const;
  // The given version word, with only the fields that version has (all of them when it is
  // newer than the layout's): for the form compiler's version line and for tests.
  std::vector<uint8_t> write(uint32_t version) const;

  const BlobLayout& layout() const { return *layout_; }
  uint32_t storedVersion() const { return storedVersion_; }

  int32_t number(size_t field) const { return values_[field].number; }
  std::string text(size_t field) const;
  const std::vector<uint8_t>& bytes(size_t field) const { return values_[field].bytes; }

  void setNumber(size_t field, int32_t v) { values_[field].number = v; }
  void setText(size_t field, std::string_view s);
  void setBytes(size_t field, std::vector<uint8_t> b) { values_[field].bytes = std::move(b); }

 private:
  struct Value {
    int32_t number = 0;
    std::vector<uint8_t> bytes;  // Text and Bytes fields
  };
  const BlobLayout* layout_;
  uint32_t storedVersion_ = 0;
  std::vector<Value> values_;
};

// Field indices of each layout, in stream order.
// clang-format off
namespace WindowBlob {
enum Field {
  Border, PictureMode, BackColor, MaxButton, MinButton, ControlBox, Position, Movable,
  PlayCount, EnterMovesFocus, EscCloses, F1OpensHelp, HelpContext, ShowInTaskbar, DragToMove,
  Shape, AlwaysOnTop, KeepTitleActive, ClassName, BackPicture, BackMusic, Icon, Caption,
  HelpFile, Count
};
}
namespace EditBoxBlob {
enum Field {
  Border, TextColor, BackColor, HideSelection, MaxLength, Multiline, ScrollBars, Alignment,
  InputMode, PasswordChar, CaseConversion, SpinMode, SpinMin, SpinMax, SelStart, SelLength,
  Font, Content, DataSource, DataColumn, Count
};
}
namespace CommonDialogBlob {
enum Field {
  DialogType, FilterIndex, CreatePrompt, FileMustExist, OverwritePrompt, PathMustExist,
  NoChangeDir, FontColor, FontBold, FontItalic, FontStrikeOut, FontUnderline, FontSize,
  HelpCommand, HelpContext, Title, FileName, Filter, InitialDir, DefaultExt, FontName,
  HelpFile, Count
};
}
namespace StatusBarBlob {
enum Field { BackColor, Align, SizeGrip, Font, ImageList, Parts, Count };
}
namespace TransLabelBlob {
enum Field { TextEffect, TextColor, HAlign, VAlign, WordWrap, Font, Caption, Count };
}
namespace DropTargetBlob {
enum Field { AcceptText, AcceptHtml, AcceptUrl, AcceptFiles, Count };
}
namespace TimerBlob {
enum Field { Interval, Count };
}
// clang-format on
