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
// "镕", which GBK has and GB2312 lacks.
constexpr char kGbkOnlyUtf8[] = "\xE9\x95\x95";
constexpr char kGbkOnlyGbk[] = "\xE9\x46";

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
                            "  geometry -1 -2147483648 728 430  # trailing comment\n"
                            "  flags visible disabled\n"
                            "  children 0x16000001 0\n"
                            "  bind 0 onCreated bind 1 onOpen bind 2 none bind 3 #1\n"
                            "}\n"
                            "unit 0x16000001 type EditBox name \"e\" { eventsof 0x16000001 }\n"
                            "menu 0x26010006 level 1 caption \"" +
                            kOpenFileUtf8 + kGbkOnlyUtf8 +
                            "\" shortcut 4 flags hidden checked click onOpen\n"
                            "window 0x52010002\n"
                            "unit 0x06020000 type 0x00990001 { blob hex \"01 02\" }\n");
  ASSERT_EQ(form.windows.size(), 2u);
  const auto& w = form.windows[0];
  EXPECT_EQ(w.wordB, 0x19010002u);
  ASSERT_EQ(w.units.size(), 3u);
  const auto& main = w.units[0];
  EXPECT_EQ(main.left, -1);
  EXPECT_EQ(main.top, INT32_MIN);
  EXPECT_EQ(main.height, 430);
  EXPECT_EQ(main.flags, kUnitVisible | kUnitDisabled);
  EXPECT_EQ(main.children, (std::vector<UnitId>{0x16000001, 0}));
  EXPECT_EQ(main.pointerData, std::vector<uint8_t>(4, 0));
  EXPECT_TRUE(main.properties.empty());
  EXPECT_EQ(main.bindings, (std::vector<EventBinding>{{0, 0}, {1, 1}, {2, kNoHandler}, {3, 1}}));
  EXPECT_EQ(w.units[1].eventsOf, 0x16000001u);

  const auto& menu = w.units[2];
  EXPECT_EQ(menu.caption, std::string(kOpenFileGbk) + kGbkOnlyGbk);
  EXPECT_EQ(menu.menuFlags, kMenuHidden | kMenuChecked);
  EXPECT_EQ(menu.clickHandler, 1u);

  EXPECT_EQ(form.windows[1].units[0].type, 0x00990001u);
  EXPECT_EQ(form.windows[1].units[0].properties, (std::vector<uint8_t>{1, 2}));
}

TEST_F(Formc, PropertiesBecomeBlobs) {
  write("assets/background.jpg", std::string("JPG\0data", 8));
  write("beside.ico", "ICON");
  const auto form =
      compile(kWindowHead + "  property Caption \"" + kOpenFileUtf8 + "\\x80\\n\"\n" +
                  "  property BackPicture file \"background.jpg\"\n"
                  "  property Icon file \"beside.ico\"\n"
                  "}\n"
                  "unit 0x16000001 type EditBox {\n"
                  "  property Font font { height -21 weight 700 charset 134 pitch 255 face \"" +
                  kOpenFileUtf8 +
                  "\" }\n"
                  "}\n"
                  "unit 0x16000002 type TransLabel { version 1 }\n",
              "--assets " + (dir_ / "assets").string());
  const auto& units = form.windows.at(0).units;
  ASSERT_EQ(units.size(), 3u);
  auto blobOf = [&](int unit) {
    const auto& p = units[unit].properties;
    return PropertyBlob::read(*blobLayoutFor(units[unit].type), p.data(), p.size());
  };

  auto window = blobOf(0);
  ASSERT_TRUE(window);
  EXPECT_EQ(window->storedVersion(), 6u);
  EXPECT_EQ(window->text(WindowBlob::Caption), std::string(kOpenFileGbk) + "\x80\n");
  EXPECT_EQ(window->bytes(WindowBlob::BackPicture),
            (std::vector<uint8_t>{'J', 'P', 'G', 0, 'd', 'a', 't', 'a'}));
  EXPECT_EQ(window->bytes(WindowBlob::Icon), (std::vector<uint8_t>{'I', 'C', 'O', 'N'}));

  auto edit = blobOf(1);
  ASSERT_TRUE(edit);
  const auto& font = edit->bytes(EditBoxBlob::Font);
  ASSERT_EQ(font.size(), 60u);
  EXPECT_EQ(font[0], 0xEB);  // height -21
  EXPECT_EQ(font[3], 0xFF);
  EXPECT_EQ(font[16], 0xBC);  // weight 700
  EXPECT_EQ(font[23], 134);
  EXPECT_EQ(font[27], 255);
  EXPECT_EQ(std::string(font.begin() + 28, font.begin() + 36), kOpenFileGbk);
  EXPECT_EQ(font[36], 0);

  ASSERT_TRUE(blobOf(2));
  EXPECT_EQ(blobOf(2)->storedVersion(), 1u);
  const auto newer = compile(kWindowHead + "version 7 }\n").windows[0].units[0].properties;
  EXPECT_EQ(newer.size(), PropertyBlob(*blobLayoutFor(kWindowType)).write().size());
  EXPECT_EQ(newer[0], 7);
}

TEST_F(Formc, ErrorsNameFileAndLine) {
  const struct {
    std::string source;
    int line;
  } cases[] = {
      {kWindowHead + "  geometry 1 2 3 4\n  property Captoin \"x\"\n}\n", 4},
      {kWindowHead + "  geometry 1 -2147483649 3 4\n}\n", 3},
      {kWindowHead + "}\n\nmenu 0x26000001 click onNothing\n", 5},
      {kWindowHead + "}\nlabel 3\n", 4},
      {kWindowHead + "}\nunit 0x16000001 type EditBox {}\nunit 0x16000001 type EditBox {}\n", 5},
      {kWindowHead + "  parent 0x16000005\n}\n", 3},
      {kWindowHead + "  version 5\n  property ClassName \"x\" }\n", 4},
      {kWindowHead + "property Icon file \"missing.ico\" }\n", 3},
      {"window 0x52010001\nunit 0x06010000 type window {\n  tag \"\xFF\"\n}\n", 3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run(c.source), 1) << c.source;
    const std::string where = (dir_ / "main.form").string() + ":" + std::to_string(c.line) + ": ";
    EXPECT_EQ(errors_.rfind(where, 0), 0u) << c.source << "\n" << errors_;
    EXPECT_FALSE(fs::exists(dir_ / "out.bin"));
  }
}

}  // namespace
