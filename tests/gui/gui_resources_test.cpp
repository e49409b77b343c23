// The resources built into Purgewell.exe (dialog templates, icon, version, manifest) and the live main window.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver.h"

namespace {

struct TemplateItem {
  DWORD id;
  std::string className;
  std::string text;
  short x, y, cx, cy;
  DWORD style;
  bool operator==(const TemplateItem& other) const {
    return id == other.id && className == other.className && text == other.text && x == other.x && y == other.y &&
           cx == other.cx && cy == other.cy && style == other.style;
  }
};

void PrintTo(const TemplateItem& item, std::ostream* out) {
  *out << "{" << item.id << " " << item.className << " \"" << item.text << "\" " << item.x << "," << item.y << ","
       << item.cx << "," << item.cy << " style 0x" << std::hex << item.style << std::dec << "}";
}

struct DialogTemplate {
  DWORD style;
  short cx, cy;
  std::string className, caption, fontName;
  WORD pointSize;
  std::vector<TemplateItem> items;
};

class TemplateReader {
 public:
  explicit TemplateReader(const BYTE* bytes) : at(bytes), start(bytes) {}
  WORD Word() { WORD value; std::memcpy(&value, at, 2); at += 2; return value; }
  DWORD Dword() { DWORD value; std::memcpy(&value, at, 4); at += 4; return value; }
  void AlignToDword() { while ((at - start) % 4 != 0) ++at; }
  // A string or an ordinal; the predefined control classes come as ordinals 0x80 to 0x85.
  std::string NameOrOrdinal() {
    WORD first = Word();
    if (first == 0xFFFF) {
      static const char* const classes[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
      WORD ordinal = Word();
      return ordinal >= 0x80 && ordinal <= 0x85 ? classes[ordinal - 0x80] : "#" + std::to_string(ordinal);
    }
    std::string text;
    for (WORD c = first; c != 0; c = Word()) text += static_cast<char>(c);
    return text;
  }
  const BYTE* at;
  const BYTE* start;
};

DialogTemplate ReadTemplate(HMODULE program, int id) {
  DialogTemplate dialog;
  HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_DIALOG));
  if (found == nullptr) return dialog;
  TemplateReader read(static_cast<const BYTE*>(LockResource(LoadResource(program, found))));
  EXPECT_EQ(1, read.Word());       // dlgVer
  EXPECT_EQ(0xFFFF, read.Word());  // signature: an extended template
  read.Dword();                    // help id
  read.Dword();                    // extended style
  dialog.style = read.Dword();
  WORD count = read.Word();
  read.Word();
  read.Word();
  dialog.cx = static_cast<short>(read.Word());
  dialog.cy = static_cast<short>(read.Word());
  read.NameOrOrdinal();  // menu
  dialog.className = read.NameOrOrdinal();
  dialog.caption = read.NameOrOrdinal();
  dialog.pointSize = read.Word();
  read.Word();
  read.Word();
  dialog.fontName = read.NameOrOrdinal();
  for (WORD i = 0; i < count; ++i) {
    read.AlignToDword();
    TemplateItem item;
    read.Dword();
    read.Dword();
    item.style = read.Dword();
    item.x = static_cast<short>(read.Word());
    item.y = static_cast<short>(read.Word());
    item.cx = static_cast<short>(read.Word());
    item.cy = static_cast<short>(read.Word());
    item.id = read.Dword();
    // Window classes are matched without regard to case; the resource compiler writes them in capitals.
    item.className = read.NameOrOrdinal();
    for (char& c : item.className) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    item.text = read.NameOrOrdinal();
    read.at += read.Word();  // creation data
    dialog.items.push_back(item);
  }
  return dialog;
}

class PurgewellResources : public ::testing::Test {
 protected:
  void SetUp() override {
    program = LoadLibraryExA("C:\\bin\\Purgewell.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
  }
  void TearDown() override { FreeLibrary(program); }
  HMODULE program = nullptr;
};

const DWORD CHILD = WS_CHILD | WS_VISIBLE;
const DWORD DIALOG = DS_SETFONT | DS_MODALFRAME | DS_3DLOOK | DS_CENTER | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;

TEST_F(PurgewellResources, MainDialogTemplate) {
  DialogTemplate main = ReadTemplate(program, 1000);
  EXPECT_EQ(DIALOG | WS_MINIMIZEBOX, main.style);
  EXPECT_EQ(258, main.cx);
  EXPECT_EQ(122, main.cy);
  // Class names are compared as Windows compares them (the resource compiler writes this one in capitals).
  EXPECT_EQ(0, lstrcmpiA("PurgewellClass", main.className.c_str())) << main.className;
  EXPECT_EQ("Vexlor Removal Tool", main.caption);
  EXPECT_EQ(8, main.pointSize);
  EXPECT_EQ("MS Sans Serif", main.fontName);
  std::vector<TemplateItem> expected = {
      {1110, "BUTTON", "Start", 204, 100, 45, 15, CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON},
      {1300, "LISTBOX", "", 8, 8, 240, 84, CHILD | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOSEL},
      {1111, "BUTTON", "About...", 156, 100, 45, 15, CHILD | WS_TABSTOP | BS_PUSHBUTTON},
      {1200, "STATIC", "Scanning:", 8, 88, 32, 8, CHILD | SS_LEFT},
      {1201, "STATIC", "Not scanning", 42, 88, 204, 8, CHILD | SS_LEFT | SS_PATHELLIPSIS | SS_NOPREFIX},
  };
  EXPECT_EQ(expected, main.items);
}

TEST_F(PurgewellResources, AboutDialogTemplate) {
  DialogTemplate about = ReadTemplate(program, 1001);
  EXPECT_EQ(DIALOG, about.style);
  EXPECT_EQ(214, about.cx);
  EXPECT_EQ(98, about.cy);
  EXPECT_EQ("", about.className);
  EXPECT_EQ("About Vexlor Removal Tool", about.caption);
  EXPECT_EQ(8, about.pointSize);
  EXPECT_EQ("MS Sans Serif", about.fontName);
  ASSERT_EQ(5u, about.items.size());
  std::vector<DWORD> order;
  for (const TemplateItem& item : about.items) order.push_back(item.id);
  EXPECT_EQ(std::vector<DWORD>({1, 1203, 1204, 1206, 1205}), order);
  EXPECT_EQ((TemplateItem{1, "BUTTON", "OK", 160, 76, 45, 15, CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON}), about.items[0]);
  EXPECT_EQ((TemplateItem{1203, "STATIC", "Vexlor Removal Tool", 8, 8, 196, 8, CHILD | SS_CENTER}), about.items[1]);
  const short rows[][4] = {{8, 8, 196, 8}, {8, 20, 196, 8}, {8, 44, 196, 28}, {8, 32, 196, 8}};
  for (size_t i = 1; i < about.items.size(); ++i) {
    const TemplateItem& item = about.items[i];
    EXPECT_EQ("STATIC", item.className);
    EXPECT_EQ(item.id == 1206 ? CHILD | SS_LEFT : CHILD | SS_CENTER, item.style) << item.id;
    EXPECT_EQ(rows[i - 1][1], item.y) << item.id;
    EXPECT_EQ(rows[i - 1][3], item.cy) << item.id;
    EXPECT_EQ(8, item.x);
    EXPECT_EQ(196, item.cx);
  }
}

TEST_F(PurgewellResources, IconVersionAndManifest) {
  HRSRC group = FindResourceA(program, MAKEINTRESOURCEA(1400), reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
  ASSERT_NE(nullptr, group);
  const BYTE* icon = static_cast<const BYTE*>(LockResource(LoadResource(program, group)));
  WORD count;
  std::memcpy(&count, icon + 4, 2);
  ASSERT_EQ(1, count);
  WORD bits;
  std::memcpy(&bits, icon + 6 + 6, 2);
  EXPECT_EQ(32, icon[6]);
  EXPECT_EQ(32, icon[7]);
  EXPECT_EQ(8, bits);  // 256 colours

  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA("C:\\bin\\Purgewell.exe", &ignored);
  ASSERT_NE(0u, size);
  std::vector<BYTE> version(size);
  ASSERT_TRUE(GetFileVersionInfoA("C:\\bin\\Purgewell.exe", 0, size, version.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(version.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(MAKELONG(0, 1), fixed->dwFileVersionMS);
  EXPECT_EQ(0u, fixed->dwFileVersionLS);
  EXPECT_EQ(MAKELONG(0, 1), fixed->dwProductVersionMS);
  EXPECT_EQ(0u, fixed->dwProductVersionLS);
  const char* const strings[][2] = {{"ProductName", "Vexlor Removal Tool"},
                                    {"FileDescription", "Removal tool for the Vexlor family"},
                                    {"FileVersion", "1.0.0.0"},
                                    {"ProductVersion", "1.0.0.0"}};
  for (const auto& entry : strings) {
    std::string query = std::string("\\StringFileInfo\\040904b0\\") + entry[0];
    char* value = nullptr;
    ASSERT_TRUE(VerQueryValueA(version.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) << entry[0];
    EXPECT_STREQ(entry[1], value);
  }

  HRSRC manifest = FindResourceA(program, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_MANIFEST));
  ASSERT_NE(nullptr, manifest);
  std::string text(static_cast<const char*>(LockResource(LoadResource(program, manifest))), SizeofResource(program, manifest));
  size_t controls = text.find("name=\"Microsoft.Windows.Common-Controls\"");
  ASSERT_NE(std::string::npos, controls) << text;
  EXPECT_NE(std::string::npos, text.find("version=\"6.0.0.0\"", controls)) << text;
  // An administrator gets the elevation prompt; a standard user still runs it.
  EXPECT_NE(std::string::npos, text.find("<requestedExecutionLevel level=\"highestAvailable\" uiAccess=\"false\"/>"))
      << text;
}

// The running window: its class and its children in tab order (a class icon cannot be read from another process).
TEST(PurgewellWindow, ClassAndControlsInTabOrder) {
  RunningProgram program = {nullptr, 0, nullptr};
  ASSERT_TRUE(StartPurgewell(&program));
  char className[64];
  ASSERT_NE(0, GetClassNameA(program.window, className, sizeof className));
  EXPECT_STREQ("PurgewellClass", className);
  std::vector<int> order;
  for (HWND child = GetWindow(program.window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    order.push_back(GetDlgCtrlID(child));
  }
  EXPECT_EQ(std::vector<int>({1110, 1300, 1111, 1200, 1201}), order);
  EXPECT_EQ("Vexlor Removal Tool", WindowText(program.window));
  PostMessageA(program.window, WM_CLOSE, 0, 0);
  DWORD code = 1;
  EXPECT_TRUE(WaitForExit(&program, &code));
  EXPECT_EQ(0u, code);
  Abandon(&program);
}

}  // namespace
