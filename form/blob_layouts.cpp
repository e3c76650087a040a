#include <iterator>

#include "form/property_blob.h"

namespace {

using K = FieldKind;
constexpr int32_t kSystemColour = static_cast<int32_t>(0xFF000000);

// clang-format off
const BlobField kWindowFields[] = {
    {"Border", K::Int32, 1, 1, nullptr},
    {"PictureMode", K::Int32, 1, 0, nullptr},
    {"BackColor", K::Int32, 1, kSystemColour, nullptr},
    {"MaxButton", K::Int32, 1, 1, nullptr},
    {"MinButton", K::Int32, 1, 1, nullptr},
    {"ControlBox", K::Int32, 1, 1, nullptr},
    {"Position", K::Int32, 1, 0, nullptr},
    {"Movable", K::Int32, 1, 1, nullptr},
    {"PlayCount", K::Int32, 1, 0, nullptr},
    {"EnterMovesFocus", K::Int32, 1, 0, nullptr},
    {"EscCloses", K::Int32, 1, 0, nullptr},
    {"F1OpensHelp", K::Int32, 1, 0, nullptr},
    {"HelpContext", K::Int32, 1, 0, nullptr},
    {"ShowInTaskbar", K::Int32, 2, 1, nullptr},
    {"DragToMove", K::Int32, 3, 0, nullptr},
    {"Shape", K::Int32, 3, 0, nullptr},
    {"AlwaysOnTop", K::Int32, 4, 0, nullptr},
    {"KeepTitleActive", K::Int32, 5, 0, nullptr},
    {"ClassName", K::Text, 6, 0, nullptr},
    {"BackPicture", K::Bytes, 1, 0, nullptr},
    {"BackMusic", K::Bytes, 1, 0, nullptr},
    {"Icon", K::Bytes, 1, 0, nullptr},
    {"Caption", K::Text, 1, 0, nullptr},
    {"HelpFile", K::Text, 1, 0, nullptr},
};

const BlobField kEditBoxFields[] = {
    {"Border", K::Int32, 1, 1, nullptr},
    {"TextColor", K::Int32, 1, 0x000000, nullptr},
    {"BackColor", K::Int32, 1, 0xFFFFFF, nullptr},
    {"HideSelection", K::Int32, 1, 1, nullptr},
    {"MaxLength", K::Int32, 1, 0, nullptr},
    {"Multiline", K::Int32, 1, 0, nullptr},
    {"ScrollBars", K::Int32, 1, 0, nullptr},
    {"Alignment", K::Int32, 1, 0, nullptr},
    {"InputMode", K::Int32, 1, 0, nullptr},
    {"PasswordChar", K::Int16, 1, '*', nullptr},
    {"CaseConversion", K::Int32, 1, 0, nullptr},
    {"SpinMode", K::Int32, 1, 0, nullptr},
    {"SpinMin", K::Int32, 1, 0, nullptr},
    {"SpinMax", K::Int32, 1, 100, nullptr},
    {"SelStart", K::Int32, 1, 0, nullptr},
    {"SelLength", K::Int32, 1, 0, nullptr},
    {"Font", K::Bytes, 1, 0, nullptr},
    {"Content", K::Text, 1, 0, nullptr},
    {"DataSource", K::Text, 2, 0, nullptr},
    {"DataColumn", K::Text, 2, 0, nullptr},
};

const BlobField kCommonDialogFields[] = {
    {"DialogType", K::Int32, 1, 0, nullptr},
    {"FilterIndex", K::Int32, 1, 0, nullptr},
    {"CreatePrompt", K::Int32, 1, 0, nullptr},
    {"FileMustExist", K::Int32, 1, 0, nullptr},
    {"OverwritePrompt", K::Int32, 1, 0, nullptr},
    {"PathMustExist", K::Int32, 1, 0, nullptr},
    {"NoChangeDir", K::Int32, 1, 0, nullptr},
    {"FontColor", K::Int32, 1, 0, nullptr},
    {"FontBold", K::Int32, 1, 0, nullptr},
    {"FontItalic", K::Int32, 1, 0, nullptr},
    {"FontStrikeOut", K::Int32, 1, 0, nullptr},
    {"FontUnderline", K::Int32, 1, 0, nullptr},
    {"FontSize", K::Int32, 1, 0, nullptr},
    {"HelpCommand", K::Int32, 1, 0, nullptr},
    {"HelpContext", K::Int32, 1, 0, nullptr},
    {"Title", K::Text, 1, 0, nullptr},
    {"FileName", K::Text, 1, 0, nullptr},
    {"Filter", K::Text, 1, 0, nullptr},
    {"InitialDir", K::Text, 1, 0, nullptr},
    {"DefaultExt", K::Text, 1, 0, nullptr},
    {"FontName", K::Text, 1, 0, nullptr},
    {"HelpFile", K::Text, 1, 0, nullptr},
};

const BlobField kStatusBarFields[] = {
    {"BackColor", K::Int32, 1, kSystemColour, nullptr},
    {"Align", K::Int32, 1, 0, nullptr},
    {"SizeGrip", K::Int32, 1, 0, nullptr},
    {"Font", K::Bytes, 1, 0, nullptr},
    {"ImageList", K::Bytes, 1, 0, nullptr},
    {"Parts", K::Bytes, 1, 0, nullptr},
};

const BlobField kTransLabelFields[] = {
    {"TextEffect", K::Int32, 1, 0, nullptr},
    {"TextColor", K::Int32, 1, 0, nullptr},
    {"HAlign", K::Int32, 1, 0, nullptr},
    {"VAlign", K::Int32, 1, 1, nullptr},
    {"WordWrap", K::Int32, 1, 0, nullptr},
    {"Font", K::Bytes, 1, 0, nullptr},
    {"Caption", K::Text, 1, 0, "透明标签"},
};

const BlobField kDropTargetFields[] = {
    {"AcceptText", K::Int32, 1, 0, nullptr},
    {"AcceptHtml", K::Int32, 1, 0, nullptr},
    {"AcceptUrl", K::Int32, 1, 0, nullptr},
    {"AcceptFiles", K::Int32, 1, 0, nullptr},
};

const BlobField kTimerFields[] = {
    {"Interval", K::Int32, 1, 0, nullptr},
};
// clang-format on

template <size_t N>
constexpr BlobLayout layout(TypeId type, const char* name, uint32_t version,
                            const BlobField (&fields)[N]) {
  return BlobLayout{type, name, version, fields, N};
}

const BlobLayout kLayouts[] = {
    layout(kWindowType, "window", 6, kWindowFields),
    layout(kEditBoxType, "EditBox", 2, kEditBoxFields),
    layout(kCommonDialogType, "CommonDlg", 1, kCommonDialogFields),
    layout(kStatusBarType, "StatusBar", 1, kStatusBarFields),
    layout(kTransLabelType, "TransLabel", 1, kTransLabelFields),
    layout(kDropTargetType, "DropTarget", 1, kDropTargetFields),
    layout(kTimerType, "Timer", 1, kTimerFields),
};

static_assert(std::size(kWindowFields) == WindowBlob::Count);
static_assert(std::size(kEditBoxFields) == EditBoxBlob::Count);
static_assert(std::size(kCommonDialogFields) == CommonDialogBlob::Count);
static_assert(std::size(kStatusBarFields) == StatusBarBlob::Count);
static_assert(std::size(kTransLabelFields) == TransLabelBlob::Count);
static_assert(std::size(kDropTargetFields) == DropTargetBlob::Count);
static_assert(std::size(kTimerFields) == TimerBlob::Count);

}  // namespace

const BlobLayout* blobLayoutFor(TypeId type) {
  for (const auto& l : kLayouts)
    if (l.type == type) return &l;
  return nullptr;
}

const BlobLayout* blobLayoutNamed(std::string_view typeName) {
  for (const auto& l : kLayouts)
    if (typeName == l.typeName) return &l;
  return nullptr;
}

int BlobLayout::fieldIndex(std::string_view name) const {
  for (size_t i = 0; i < fieldCount; ++i)
    if (name == fields[i].name) return static_cast<int>(i);
  return -1;
}
