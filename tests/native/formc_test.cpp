#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "form/form_codec.h"
#include "form/property_blob.h"

namespace {

namespace fs = std::filesystem;

// "打开文件" in the source's UTF-8, and the GBK bytes formc must produce.
constexpr char kOpenFileUtf8[] = "\xE6\x89\x93\xE5\xBC\x80\xE6\x96\x87\xE4\xBB\xB6";
constexpr char kOpenFileGbk[] = "\xB4\xF2\xBF\xAA\xCE\xC4\xBC\xFE";

class Formc : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/formc_test_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    write("handlers.inc",
          "// HANDLER(\"commentedOut\", x())\n"
          "#define HANDLER(name, call) call;\n"
          "HANDLER(\"onCreated\", onCreated())\n"
          "  HANDLER( \"onOpen\" , onOpen())\n");
  }
  void TearDown() override { fs::remove_all(dir_); }

  void write(const std::string& name, const std::string& content) {
    fs::create_directories((dir_ / name).parent_path());
    std::ofstream(dir_ / name, std::ios::binary) << content;
  }
  std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Runs formc on source text; returns its exit status and keeps its messages in errors_.
  int run(const std::string& source, const std::string& extra = "") {
    write("main.form", source);
    fs::remove(dir_ / "out.bin");
    const std::string command = std::string(QUENLO_FORMC) + " --handlers " +
                                (dir_ / "handlers.inc").string() + " " + extra + " -o " +
                                (dir_ / "out.bin").string() + " " + (dir_ / "main.form").string() +
                                " 2>" + (dir_ / "errors.txt").string();
    const int status = std::system(command.c_str());
    errors_ = read(dir_ / "errors.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  FormDescription compile(const std::string& source, const std::string& extra = "") {
    EXPECT_EQ(run(source, extra), 0) << errors_;
    const std::string block = read(dir_ / "out.bin");
    FormDescription form;
    EXPECT_TRUE(decodeForm(reinterpret_cast<const uint8_t*>(block.data()), block.size(), 2, form));
    return form;
  }

  fs::path dir_;
  std::string errors_;
};

const std::string kWindowHead =
    "window 0x52010001 wordA 7 wordB 0x19010002 name \"w\"\n"
    "unit 0x06010000 type window {\n";

TEST_F(Formc, CompilesUnitsMenusAndHandlers) {
  const auto form = compile(kWindowHead +
                            "  geometry -1 2 728 430  # trailing comment\n"
                            "  flags visible disabled\n"
                            "  children 0x16000001 0\n"
                            "  bind 0 onCreated\n"
                            "  bind 1 onOpen bind 2 none bind 3 #1\n"
                            "}\n"
                            "unit 0x16000001 type EditBox name \"e\" { parent 0x06010000 "
                            "eventsof 0x16000001 tag \"t\" taborder 4 }\n"
                            "menu 0x26010006 level 1 caption \"" +
                            kOpenFileUtf8 +
                            "\" shortcut 4 flags hidden checked click onOpen\n"
                            "window 0x52010002\nunit 0x06020000 type 0x00990001 { blob hex "
                            "\"01 02\" }\n");
  ASSERT_EQ(form.windows.size(), 2u);
  const auto& w = form.windows[0];
  EXPECT_EQ(w.wordA, 7u);
  EXPECT_EQ(w.wordB, 0x19010002u);
  ASSERT_EQ(w.units.size(), 3u);
  const auto& main = w.units[0];
  EXPECT_EQ(main.type, kWindowType);
  EXPECT_EQ(main.left, -1);
  EXPECT_EQ(main.height, 430);
  EXPECT_EQ(main.flags, kUnitVisible | kUnitDisabled);
  EXPECT_EQ(main.children, (std::vector<UnitId>{0x16000001, 0}));
  EXPECT_EQ(main.pointerData, std::vector<uint8_t>(4, 0));
  EXPECT_TRUE(main.properties.empty());
  EXPECT_EQ(main.bindings, (std::vector<EventBinding>{{0, 0}, {1, 1}, {2, kNoHandler}, {3, 1}}));

  EXPECT_EQ(w.units[1].name, "e");
  EXPECT_EQ(w.units[1].tabOrder, 4u);
  EXPECT_EQ(w.units[1].eventsOf, 0x16000001u);

  const auto& menu = w.units[2];
  EXPECT_TRUE(menu.isMenuItem());
  EXPECT_EQ(menu.caption, kOpenFileGbk);
  EXPECT_EQ(menu.menuFlags, kMenuHidden | kMenuChecked);
  EXPECT_EQ(menu.clickHandler, 1u);
  EXPECT_EQ(menu.shortcut, 4u);

  EXPECT_EQ(form.windows[1].units[0].type, 0x00990001u);
  EXPECT_EQ(form.windows[1].units[0].properties, (std::vector<uint8_t>{1, 2}));
}

TEST_F(Formc, PropertiesBecomeBlobs) {
  write("assets/background.jpg", std::string("JPG\0data", 8));
  write("beside.ico", "ICON");
  const auto form = compile(
      kWindowHead + "  property Caption \"" + kOpenFileUtf8 + "\\x80\\n\"\n" +
          "  property BackColor 0xFF000000\n"
          "  property BackPicture file \"background.jpg\"\n"
          "  property Icon file \"beside.ico\"\n"
          "  property HelpFile \"\"\n"
          "}\n"
          "unit 0x16000001 type EditBox {\n"
          "  property Font font { height -21 weight 700 charset 134 italic 1 pitch 255 face \"" +
          kOpenFileUtf8 +
          "\" }\n"
          "  property PasswordChar 0xFFFF\n"
          "}\n"
          "unit 0x16000002 type StatusBar { version 1 }\n",
      "--assets " + (dir_ / "assets").string());
  const auto& units = form.windows.at(0).units;
  ASSERT_EQ(units.size(), 3u);

  auto window = PropertyBlob::read(*blobLayoutFor(kWindowType), units[0].properties.data(),
                                   units[0].properties.size());
  ASSERT_TRUE(window);
  EXPECT_EQ(window->storedVersion(), 6u);
  EXPECT_EQ(window->text(WindowBlob::Caption), std::string(kOpenFileGbk) + "\x80\n");
  EXPECT_EQ(window->number(WindowBlob::BackColor), static_cast<int32_t>(0xFF000000));
  EXPECT_EQ(window->bytes(WindowBlob::BackPicture),
            (std::vector<uint8_t>{'J', 'P', 'G', 0, 'd', 'a', 't', 'a'}));
  EXPECT_EQ(window->bytes(WindowBlob::Icon), (std::vector<uint8_t>{'I', 'C', 'O', 'N'}));

  auto edit = PropertyBlob::read(*blobLayoutFor(kEditBoxType), units[1].properties.data(),
                                 units[1].properties.size());
  ASSERT_TRUE(edit);
  EXPECT_EQ(edit->number(EditBoxBlob::PasswordChar), -1);
  const auto& font = edit->bytes(EditBoxBlob::Font);
  ASSERT_EQ(font.size(), 60u);
  EXPECT_EQ(font[0], 0xEB);  // -21
  EXPECT_EQ(font[3], 0xFF);
  EXPECT_EQ(font[16], 0xBC);  // weight 700
  EXPECT_EQ(font[17], 0x02);
  EXPECT_EQ(font[20], 1);  // italic
  EXPECT_EQ(font[23], 134);
  EXPECT_EQ(font[27], 255);
  EXPECT_EQ(std::string(font.begin() + 28, font.begin() + 36), kOpenFileGbk);
  EXPECT_EQ(font[36], 0);

  auto bar = PropertyBlob::read(*blobLayoutFor(kStatusBarType), units[2].properties.data(),
                                units[2].properties.size());
  ASSERT_TRUE(bar);
  EXPECT_EQ(bar->storedVersion(), 1u);
}

TEST_F(Formc, VersionLineWritesOlderAndNewerBlobs) {
  auto form = compile(kWindowHead + "version 1 property Caption \"c\" }\n");
  const auto& old = form.windows[0].units[0].properties;
  auto blob = PropertyBlob::read(*blobLayoutFor(kWindowType), old.data(), old.size());
  ASSERT_TRUE(blob);
  EXPECT_EQ(blob->storedVersion(), 1u);
  EXPECT_EQ(blob->text(WindowBlob::Caption), "c");

  form = compile(kWindowHead + "version 7 }\n");
  const auto& newer = form.windows[0].units[0].properties;
  EXPECT_FALSE(PropertyBlob::read(*blobLayoutFor(kWindowType), newer.data(), newer.size()));

  EXPECT_NE(run(kWindowHead + "version 5\nproperty ClassName \"x\" }\n"), 0);
  EXPECT_NE(errors_.find("main.form:4:"), std::string::npos) << errors_;
}

TEST_F(Formc, ErrorsNameFileAndLine) {
  const struct {
    std::string source;
    int line;
  } cases[] = {
      {kWindowHead + "  geometry 1 2 3 4\n  property Captoin \"x\"\n}\n", 4},
      {kWindowHead + "}\n\nmenu 0x26000001 click onNothing\n", 5},
      {kWindowHead + "}\nlabel 3\n", 4},
      {kWindowHead + "}\nunit 0x16000001 type EditBox {}\nunit 0x16000001 type EditBox {}\n", 5},
      {kWindowHead + "  parent 0x16000005\n}\n", 3},
      {kWindowHead + "  tag \"open\n}\n", 3},
      {kWindowHead + "  bind 0 onCreated\n}\nunit 0x16000001 type 0x990001 { property X 1 }\n", 5},
      {kWindowHead + "property Font font { face \"" + std::string(32, 'a') + "\" } }\n", 3},
      {kWindowHead + "property Icon file \"missing.ico\" }\n", 3},
      {kWindowHead + "property Caption \"\\xC0\" blob empty }\n", 3},
      {"window 0x52010001\nunit 0x06010000 type window {\n  tag \"\xFF\"\n}\n", 3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run(c.source), 1) << c.source;
    EXPECT_EQ(errors_.rfind((dir_ / "main.form").string() + ":" + std::to_string(c.line) + ": ", 0),
              0u)
        << c.source << "\n"
        << errors_;
    EXPECT_FALSE(fs::exists(dir_ / "out.bin"));
  }
}

}  // namespace
