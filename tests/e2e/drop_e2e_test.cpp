// Files dragged from another program and dropped onto the real Quenlo.exe through OLE.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/quenlo_app.h"
#include "tests/support/data_object.h"

namespace {

// Holds the drag for a few polls over the cursor's place, then drops.
class DropSoon : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDropSource)) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD) override {
    if (escape) return DRAGDROP_S_CANCEL;
    return ++polls_ < 8 ? S_OK : DRAGDROP_S_DROP;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

 private:
  int polls_ = 0;
};

class DropE2E : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.started());
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  }
  void TearDown() override { OleUninitialize(); }

  // Drags the files from this program and drops them in the middle of the text area.
  DWORD drop(const std::vector<std::string>& paths) {
    SetForegroundWindow(app.main());
    RECT r;
    GetWindowRect(app.inputBox(), &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    FakeData data;
    data.offer(CF_HDROP, dropFiles(paths));
    DropSoon source;
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(&data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
    return effect;
  }

  QuenloApp app;
};

TEST_F(DropE2E, ADroppedFileOpens) {
  const std::string path = app.elsewhere() + "\\拖放的文件.txt";
  const std::string text = "拖进来的文字\r\nline 2";
  ASSERT_TRUE(writeFile(path, text));
  drop({path});
  EXPECT_TRUE(waitUntil([&] { return app.status() == "已打开用户拖放的文件"; })) << app.status();
  EXPECT_EQ(windowText(app.inputBox()), text);
  EXPECT_EQ(windowText(app.pathBox()), path);
}

TEST_F(DropE2E, SeveralDroppedFilesOpenTheFirst) {
  std::vector<std::string> paths;
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
    paths.push_back(app.elsewhere() + "\\" + name);
    ASSERT_TRUE(writeFile(paths.back(), std::string("content of ") + name));
  }
  drop(paths);
  EXPECT_TRUE(waitUntil([&] { return app.status() == "已打开用户拖放的文件"; })) << app.status();
  EXPECT_EQ(windowText(app.inputBox()), "content of a.txt");
  EXPECT_EQ(windowText(app.pathBox()), paths[0]);
}

TEST_F(DropE2E, ADroppedUtf16FileIsShownAsTextAndSavedAsUtf16) {
  const std::string path = app.elsewhere() + "\\utf16.txt", copy = app.elsewhere() + "\\copy.txt";
  ASSERT_TRUE(writeFile(path, "\xFE\xFF\x4E\x2D\x65\x87"));
  drop({path});
  EXPECT_TRUE(waitUntil([&] { return app.status() == "已打开用户拖放的文件"; })) << app.status();
  EXPECT_EQ(windowText(app.inputBox()), "中文");

  app.focus(app.inputBox());
  app.key(VK_CONTROL, true);
  app.press(VK_END);
  app.key(VK_CONTROL, false);
  app.type("x");
  app.chooseMenu(2);  // "保存文件"
  HWND save = app.waitForDialog();
  ASSERT_NE(save, nullptr);
  QuenloApp::confirmFileDialog(save, copy);
  EXPECT_TRUE(waitUntil([&] { return app.status() == "已保存用户选择文件"; })) << app.status();
  EXPECT_EQ(readFile(copy), std::string("\xFE\xFF\x4E\x2D\x65\x87\0x", 8));
}

}  // namespace
