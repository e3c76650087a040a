#include "ui/components/drop_target/drop_target.h"

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "form/property_blob.h"
#include "tests/support/data_object.h"
#include "tests/support/form_window_fixture.h"
#include "tests/win/test_support.h"
#include "ui/loop/window_loading.h"
#include "ui/model/component_model.h"

namespace {

using namespace std::string_literals;

constexpr UnitId kWin = 0x52410001, kTextAndFiles = 0x16410001, kEverything = 0x16410002,
                 kNothing = 0x16410003, kCustom = 0x16410004;
constexpr DWORD kAnyEffect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

CLIPFORMAT htmlFormat() { return static_cast<CLIPFORMAT>(RegisterClipboardFormatA("HTML Format")); }
CLIPFORMAT urlFormat() {
  return static_cast<CLIPFORMAT>(RegisterClipboardFormatA("UniformResourceLocator"));
}

// Each UTF-16 path with its zero, then one more zero.
std::string dropWideFiles(const std::vector<std::u16string>& paths) {
  std::string list;
  for (const auto& p : paths)
    list.append(reinterpret_cast<const char*>(p.c_str()), 2 * p.size() + 2);
  return dropBlock(sizeof(DROPFILES), TRUE, list + std::string(2, '\0'));
}

using Events = std::vector<std::pair<int32_t, std::string>>;

Events eventsWithText(UnitId unit) {
  Events out;
  for (const auto& r : eventLog())
    if (r.unit == unit) out.emplace_back(r.event, r.text);
  return out;
}

class DropTarget : public FormWindowTest {
 protected:
  void SetUp() override {
    load("drop", kWin);
    pumpMessages();
    clearEventLog();
  }

  struct DropResult {
    DWORD enterEffect, dropEffect;
    HRESULT result;
  };
  // DragEnter then Drop, as OLE calls them, with the same keys and allowed effects.
  static DropResult drag(UnitId unit, FakeData& data, DWORD keys = 0, DWORD allowed = kAnyEffect) {
    IDropTarget* target = dropTargetOf(kWin, unit);
    DropResult r{allowed, allowed, S_OK};
    EXPECT_EQ(target->DragEnter(&data, keys, POINTL{10, 10}, &r.enterEffect), S_OK);
    r.result = target->Drop(&data, keys, POINTL{10, 10}, &r.dropEffect);
    return r;
  }
};

TEST_F(DropTarget, FilesArriveAsOneText) {
  ASSERT_EQ(GetACP(), 936u) << "the tests run with the Simplified Chinese code page";
  const DWORD list = sizeof(DROPFILES);
  struct Case {
    std::string block, text;
  } cases[] = {
      {dropFiles({"C:\\docs\\a.txt"}), "C:\\docs\\a.txt"},
      {dropFiles({"C:\\a", "C:\\b", "C:\\c"}), "C:\\a\r\nC:\\b\r\nC:\\c\r\n"},
      {dropFiles({"C:\\中文\\文件.txt", "D:\\x"}), "C:\\中文\\文件.txt\r\nD:\\x\r\n"},
      {dropFiles({}), ""},  // an empty list is still an event
      {dropWideFiles({u"C:\\docs\\a.txt"}), "C:\\docs\\a.txt"},
      {dropWideFiles({u"C:\\中文\\b.txt", u"D:\\x"}), "C:\\中文\\b.txt\r\nD:\\x\r\n"},
      // Hangul is not in the code page: '?' stands in, which no file name holds.
      {dropWideFiles({u"C:\\\uD55C.txt"}), "C:\\?.txt"},
      {dropWideFiles({}), ""},
      // A malformed list is a drop with no files.
      {"", ""},
      {dropBlock(list, FALSE, "").substr(0, list - 1), ""},
      {dropBlock(0x7FFFFFFF, FALSE, "C:\\a"s + '\0' + '\0'), ""},
      {dropBlock(0, FALSE, "C:\\a"s + '\0' + '\0'), ""},  // names inside the header
      {dropBlock(list, FALSE, "C:\\a"), ""},
      {dropBlock(list, FALSE, "C:\\a"s + '\0'), ""},    // no empty name ends the list
      {dropBlock(list, TRUE, "C\0:\0\\\0a\0\0"s), ""},  // an odd byte where the end should be
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.block));
    clearEventLog();
    FakeData data;
    data.offer(CF_HDROP, c.block);
    DropResult r = drag(kTextAndFiles, data);
    EXPECT_EQ(r.dropEffect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(r.result, E_FAIL);  // reported to every source, events or not
    EXPECT_EQ(eventsWithText(kTextAndFiles), (Events{{kDropFiles, c.text}}));
    EXPECT_EQ(data.refs(), 1u) << "every medium is released";
  }
}

TEST_F(DropTarget, TextBesideHtmlRaisesNothing) {
  FakeData data;
  data.offer(CF_TEXT, "plain"s + '\0');
  data.offer(htmlFormat(), "<b>rich</b>"s + '\0');
  DropResult r = drag(kTextAndFiles, data);
  // Shown as allowed, yet no event: the plain text of a rich source is not taken.
  EXPECT_EQ(r.enterEffect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(r.dropEffect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(r.result, E_FAIL);
  EXPECT_TRUE(eventLog().empty());

  FakeData plain;
  plain.offer(CF_TEXT, "plain"s + '\0');
  drag(kTextAndFiles, plain);
  EXPECT_EQ(eventsWithText(kTextAndFiles), (Events{{kDropText, "plain"}}));
}

TEST_F(DropTarget, HtmlArrivesInTheAnsiCodePageWithPlainSpaces) {
  ASSERT_EQ(GetACP(), 936u) << "the tests run with the Simplified Chinese code page";
  FakeData data;
  // UTF-8: no-break spaces (C2 A0) and "中文" (E4 B8 AD E6 96 87).
  data.offer(htmlFormat(),
             "Version:0.9\r\n<p>a\xC2\xA0"
             "b\xC2\xA0\xC2\xA0\xE4\xB8\xAD\xE6\x96\x87</p>"s +
                 '\0');
  drag(kEverything, data);
  EXPECT_EQ(eventsWithText(kEverything), (Events{{kDropHtml, "Version:0.9\r\n<p>a b  中文</p>"}}));
}

TEST_F(DropTarget, OneDropRaisesEachOfferedFormatInOrder) {
  FakeData all;
  all.offer(CF_TEXT, "text"s + '\0');
  all.offer(htmlFormat(), "<i>h</i>"s + '\0');
  all.offer(urlFormat(), "http://example.invalid/"s + '\0');
  all.offer(CF_HDROP, dropFiles({"C:\\f"}));
  drag(kEverything, all);
  EXPECT_EQ(eventsWithText(kEverything), (Events{{kDropHtml, "<i>h</i>"},
                                                 {kDropUrl, "http://example.invalid/"},
                                                 {kDropFiles, "C:\\f"}}));

  clearEventLog();
  FakeData noHtml;
  noHtml.offer(CF_TEXT, "text"s + '\0');
  noHtml.offer(urlFormat(), "http://example.invalid/"s + '\0');
  noHtml.offer(CF_HDROP, dropFiles({"C:\\f"}));
  drag(kEverything, noHtml);
  EXPECT_EQ(
      eventsWithText(kEverything),
      (Events{{kDropText, "text"}, {kDropUrl, "http://example.invalid/"}, {kDropFiles, "C:\\f"}}));
}

TEST_F(DropTarget, EffectFollowsKeysAndWhatTheSourceAllows) {
  constexpr DWORD C = DROPEFFECT_COPY, M = DROPEFFECT_MOVE, L = DROPEFFECT_LINK,
                  N = DROPEFFECT_NONE;
  struct Case {
    DWORD keys, allowed, effect;
  } cases[] = {
      {0, C | M | L, C},
      {0, M | L, M},
      {0, L, L},
      {0, N, N},
      {MK_CONTROL, C | M, C},
      {MK_CONTROL, M, N},
      {MK_SHIFT, C | M, M},
      {MK_SHIFT, C, N},
      {MK_CONTROL | MK_SHIFT, C | M | L, N},  // a requested link is never granted
      {MK_CONTROL | MK_SHIFT, L, N},
      {MK_LBUTTON, C, C},
  };
  FakeData data;
  data.offer(CF_HDROP, dropFiles({"C:\\f"}));
  IDropTarget* target = dropTargetOf(kWin, kTextAndFiles);
  for (const auto& c : cases) {
    DWORD enter = c.allowed, over = c.allowed;
    target->DragEnter(&data, c.keys, POINTL{}, &enter);
    target->DragOver(c.keys, POINTL{}, &over);
    target->DragLeave();
    EXPECT_EQ(enter, c.effect) << "keys " << c.keys << " allowed " << c.allowed;
    EXPECT_EQ(over, c.effect) << "keys " << c.keys << " allowed " << c.allowed;
  }
}

TEST_F(DropTarget, CtrlShiftDropRaisesNothing) {
  FakeData data;
  data.offer(CF_HDROP, dropFiles({"C:\\f"}));
  DropResult r = drag(kTextAndFiles, data, MK_CONTROL | MK_SHIFT);
  EXPECT_EQ(r.dropEffect, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(r.result, E_FAIL);
  EXPECT_TRUE(eventLog().empty());
}

TEST_F(DropTarget, LinkOnlySourceIsAcceptedWithLink) {
  FakeData data;
  data.offer(CF_HDROP, dropFiles({"C:\\f"}));
  DropResult r = drag(kTextAndFiles, data, 0, DROPEFFECT_LINK);
  EXPECT_EQ(r.dropEffect, static_cast<DWORD>(DROPEFFECT_LINK));
  EXPECT_EQ(eventsWithText(kTextAndFiles), (Events{{kDropFiles, "C:\\f"}}));
}

TEST_F(DropTarget, AcceptabilityAsksForEnabledFormatsInOrder) {
  const CLIPFORMAT html = htmlFormat(), url = urlFormat();
  struct Case {
    UnitId unit;
    std::vector<CLIPFORMAT> offered, asked;
    DWORD effect;
  } cases[] = {
      {kEverything, {html}, {CF_TEXT, CF_HDROP, url, html}, DROPEFFECT_COPY},
      {kEverything, {CF_TEXT, html}, {CF_TEXT}, DROPEFFECT_COPY},
      {kEverything, {url}, {CF_TEXT, CF_HDROP, url}, DROPEFFECT_COPY},
      {kEverything, {CF_BITMAP}, {CF_TEXT, CF_HDROP, url, html}, DROPEFFECT_NONE},
      {kTextAndFiles, {url, html}, {CF_TEXT, CF_HDROP}, DROPEFFECT_NONE},
      {kNothing, {CF_TEXT, CF_HDROP}, {}, DROPEFFECT_NONE},
  };
  for (const auto& c : cases) {
    FakeData data;
    for (CLIPFORMAT f : c.offered) data.offer(f, "x"s + '\0');
    DWORD effect = kAnyEffect;
    dropTargetOf(kWin, c.unit)->DragEnter(&data, 0, POINTL{}, &effect);
    dropTargetOf(kWin, c.unit)->DragLeave();
    EXPECT_EQ(data.queried, c.asked) << "unit " << std::hex << c.unit;
    EXPECT_EQ(effect, c.effect) << "unit " << std::hex << c.unit;
  }
}

TEST_F(DropTarget, DragLeaveEndsAcceptance) {
  FakeData data;
  data.offer(CF_HDROP, dropFiles({"C:\\f"}));
  IDropTarget* target = dropTargetOf(kWin, kTextAndFiles);
  DWORD effect = kAnyEffect;
  target->DragEnter(&data, 0, POINTL{}, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  target->DragLeave();
  effect = kAnyEffect;
  target->DragOver(0, POINTL{}, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  effect = kAnyEffect;
  EXPECT_EQ(target->Drop(&data, 0, POINTL{}, &effect), E_FAIL);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_TRUE(eventLog().empty());
}

TEST_F(DropTarget, FailedFetchSkipsOnlyThatFormat) {
  FakeData data;
  data.offer(CF_TEXT, "text"s + '\0', false);
  data.offer(CF_HDROP, dropFiles({"C:\\f"}));
  drag(kTextAndFiles, data);
  EXPECT_EQ(eventsWithText(kTextAndFiles), (Events{{kDropFiles, "C:\\f"}}));

  clearEventLog();
  FakeData failing;
  failing.offer(CF_TEXT, "text"s + '\0', false);
  DropResult r = drag(kTextAndFiles, failing);
  EXPECT_EQ(r.dropEffect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_TRUE(eventLog().empty());
}

TEST_F(DropTarget, UnterminatedTextEndsWithItsBlock) {
  FakeData data;
  data.offer(CF_TEXT, "hello");  // no NUL anywhere in the block
  drag(kTextAndFiles, data);
  EXPECT_EQ(eventsWithText(kTextAndFiles), (Events{{kDropText, "hello"}}));
}

TEST_F(DropTarget, RegisteringTwiceIsRefusedUntilRevoked) {
  HWND main = findLoadedWindow(kWin)->hwnd();
  EXPECT_TRUE(registerWindow(kWin, kTextAndFiles, main));
  EXPECT_FALSE(registerWindow(kWin, kTextAndFiles, main));
  // Another unit cannot take a window that already has a drop target.
  EXPECT_FALSE(registerWindow(kWin, kEverything, main));
  revokeWindow(kWin, kTextAndFiles, nullptr);
  EXPECT_TRUE(registerWindow(kWin, kTextAndFiles, main));
  revokeWindow(kWin, kTextAndFiles, main);
  // kEverything keeps its failed window until it is revoked.
  EXPECT_FALSE(registerWindow(kWin, kEverything, main));
  revokeWindow(kWin, kEverything, main);
  EXPECT_TRUE(registerWindow(kWin, kEverything, main));
  revokeWindow(kWin, kEverything, main);
}

TEST_F(DropTarget, ReferenceCountsReturnToStart) {
  IDropTarget* target = dropTargetOf(kWin, kTextAndFiles);
  // The component holds the first reference.
  EXPECT_EQ(target->AddRef(), 2u);
  EXPECT_EQ(target->Release(), 1u);

  void* unknown = nullptr;
  ASSERT_EQ(target->QueryInterface(IID_IUnknown, &unknown), S_OK);
  EXPECT_EQ(unknown, static_cast<void*>(target));
  void* drop = nullptr;
  ASSERT_EQ(target->QueryInterface(IID_IDropTarget, &drop), S_OK);
  EXPECT_EQ(drop, static_cast<void*>(target));
  void* other = &drop;
  EXPECT_EQ(target->QueryInterface(IID_IDataObject, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(target->Release(), 2u);
  EXPECT_EQ(target->Release(), 1u);

  HWND main = findLoadedWindow(kWin)->hwnd();
  ASSERT_TRUE(registerWindow(kWin, kTextAndFiles, main));
  EXPECT_GT(target->AddRef(), 2u);  // OLE holds the target while it is registered
  target->Release();
  revokeWindow(kWin, kTextAndFiles, main);
  EXPECT_EQ(target->AddRef(), 2u);
  EXPECT_EQ(target->Release(), 1u);
}

TEST_F(DropTarget, PropertiesReachTheTargetAtOnce) {
  FakeData data;
  data.offer(htmlFormat(), "<b>x</b>"s + '\0');
  IDropTarget* target = dropTargetOf(kWin, kTextAndFiles);
  DWORD effect = kAnyEffect;
  target->DragEnter(&data, 0, POINTL{}, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  target->DragLeave();

  writeProperty(kWin, kTextAndFiles, kDropAcceptHtml, 5);
  EXPECT_EQ(readProperty(kWin, kTextAndFiles, kDropAcceptHtml).asInt(), 1);
  effect = kAnyEffect;
  target->DragEnter(&data, 0, POINTL{}, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  target->Drop(&data, 0, POINTL{}, &effect);
  EXPECT_EQ(eventsWithText(kTextAndFiles), (Events{{kDropHtml, "<b>x</b>"}}));

  auto save = componentType(kDropTargetType)->operation<kOpSaveProperties>();
  std::vector<uint8_t> saved = save(resolveUnit(kWin, kTextAndFiles));
  const uint32_t expected[] = {1, 1, 1, 0, 1};  // version, text, HTML, URL, files
  ASSERT_EQ(saved.size(), sizeof expected);
  EXPECT_EQ(std::memcmp(saved.data(), expected, sizeof expected), 0);
}

TEST_F(DropTarget, EmptyStoredBlockAcceptsNothing) {
  for (int p : {kDropAcceptText, kDropAcceptHtml, kDropAcceptUrl, kDropAcceptFiles})
    EXPECT_EQ(readProperty(kWin, kNothing, p).asInt(), 0) << p;
}

TEST_F(DropTarget, UnitStaysHidden) {
  HWND hwnd = resolveUnit(kWin, kTextAndFiles)->hwnd();
  EXPECT_FALSE(IsWindowVisible(hwnd));  // stored visible, but the type never shows
  EXPECT_EQ(GetParent(hwnd), findLoadedWindow(kWin)->hwnd());
}

TEST_F(DropTarget, DestroyingTheUnitInsideADropEndsIt) {
  HWND main = findLoadedWindow(kWin)->hwnd();
  setCustomHandler(0, [main](EventCall&) { DestroyWindow(main); });
  IDropTarget* target = dropTargetOf(kWin, kCustom);
  target->AddRef();  // as OLE holds it during a drag
  FakeData data;
  data.offer(CF_TEXT, "text"s + '\0');
  data.offer(CF_HDROP, dropFiles({"C:\\f"}));
  DWORD effect = kAnyEffect;
  target->DragEnter(&data, 0, POINTL{}, &effect);
  EXPECT_EQ(target->Drop(&data, 0, POINTL{}, &effect), E_FAIL);
  EXPECT_EQ(findLoadedWindow(kWin), nullptr);
  // The files event would name a unit that is gone: it is not raised.
  EXPECT_TRUE(eventLog().empty());
  EXPECT_EQ(target->Release(), 0u);  // the last reference frees the target
}

TEST_F(DropTarget, DestructionRevokesTheRegisteredWindow) {
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_TRUE(other);
  ASSERT_TRUE(registerWindow(kWin, kTextAndFiles, other));
  DestroyWindow(findLoadedWindow(kWin)->hwnd());
  pumpMessages();
  EXPECT_EQ(RevokeDragDrop(other), DRAGDROP_E_NOTREGISTERED);
  DestroyWindow(other);
}

// A source that drops at once, wherever the cursor is.
class DropAtOnce : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropSource)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override { return DRAGDROP_S_DROP; }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

TEST_F(DropTarget, DropThroughOleReachesTheRegisteredWindow) {
  HWND main = findLoadedWindow(kWin)->hwnd();
  ASSERT_TRUE(registerWindow(kWin, kTextAndFiles, main));
  RECT r;
  GetWindowRect(main, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  FakeData data;
  data.offer(CF_HDROP, dropFiles({"C:\\one.txt", "C:\\two.txt"}));
  DropAtOnce source;
  DWORD effect = DROPEFFECT_NONE;
  DoDragDrop(&data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  revokeWindow(kWin, kTextAndFiles, main);
  EXPECT_EQ(eventsWithText(kTextAndFiles),
            (Events{{kDropFiles, "C:\\one.txt\r\nC:\\two.txt\r\n"}}));
}

}  // namespace
