// The resources bound into this test program are the ones the Windows program carries; they are
// read back through the Windows loader as the program reads them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/message_table.h"
#include "res/resource.h"

namespace {

std::vector<unsigned char> resourceBytes(LPCWSTR type, LPCWSTR name) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, name, type);
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(self, found);
  const auto* data = static_cast<const unsigned char*>(LockResource(loaded));
  if (data == nullptr) return {};
  return {data, data + SizeofResource(self, found)};
}

std::wstring widened(const char* ascii) {
  std::wstring text;
  for (const char* p = ascii; *p != '\0'; ++p) text += static_cast<wchar_t>(*p);
  return text;
}

// Reads a dialog template the way the dialog manager does.
class TemplateReader {
 public:
  explicit TemplateReader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}

  std::uint16_t word() {
    std::uint16_t value = 0;
    if (at_ + 2 <= bytes_.size()) std::memcpy(&value, bytes_.data() + at_, 2);
    at_ += 2;
    return value;
  }
  std::uint32_t dword() {
    const std::uint32_t low = word();
    return low | (static_cast<std::uint32_t>(word()) << 16);
  }
  std::wstring text() {
    std::wstring value;
    for (std::uint16_t c = word(); c != 0 && at_ <= bytes_.size(); c = word()) value += c;
    return value;
  }
  // A name or ordinal field: the ordinal comes back as "#n".
  std::wstring nameOrOrdinal() {
    const std::uint16_t first = word();
    if (first == 0) return L"";
    if (first == 0xFFFF) return L"#" + std::to_wstring(word());
    at_ -= 2;
    return text();
  }
  void skip(std::size_t count) { at_ += count; }
  void alignToDword() { at_ = (at_ + 3) & ~std::size_t{3}; }
  bool overrun() const { return at_ > bytes_.size(); }

 private:
  const std::vector<unsigned char>& bytes_;
  std::size_t at_ = 0;
};

struct DialogItem {
  std::uint32_t style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  int id = 0;
  std::wstring windowClass;
  std::wstring title;
};

struct DialogTemplate {
  std::uint32_t style = 0;
  std::wstring title;
  int pointSize = 0;
  std::wstring typeface;
  std::vector<DialogItem> items;
};

DialogTemplate readDialogEx(const std::vector<unsigned char>& bytes) {
  DialogTemplate dialog;
  TemplateReader in(bytes);
  EXPECT_EQ(in.word(), 1);       // version
  EXPECT_EQ(in.word(), 0xFFFF);  // extended template
  in.dword();                    // help id
  in.dword();                    // extended style
  dialog.style = in.dword();
  const int count = in.word();
  in.skip(8);          // position and size
  in.nameOrOrdinal();  // menu
  in.nameOrOrdinal();  // window class
  dialog.title = in.text();
  if (dialog.style & DS_SETFONT) {
    dialog.pointSize = in.word();
    in.word();   // weight
    in.skip(2);  // italic, character set
    dialog.typeface = in.text();
  }
  for (int i = 0; i < count && !in.overrun(); ++i) {
    in.alignToDword();
    DialogItem item;
    in.dword();  // help id
    in.dword();  // extended style
    item.style = in.dword();
    item.x = static_cast<short>(in.word());
    item.y = static_cast<short>(in.word());
    item.cx = static_cast<short>(in.word());
    item.cy = static_cast<short>(in.word());
    item.id = static_cast<int>(in.dword());
    item.windowClass = in.nameOrOrdinal();
    item.title = in.nameOrOrdinal();
    in.skip(in.word());  // creation data
    dialog.items.push_back(item);
  }
  EXPECT_FALSE(in.overrun());
  return dialog;
}

const DialogItem* itemWithTitle(const DialogTemplate& dialog, const std::wstring& title) {
  for (const DialogItem& item : dialog.items) {
    if (item.title == title) return &item;
  }
  return nullptr;
}

const DialogItem* itemWithId(const DialogTemplate& dialog, int id) {
  for (const DialogItem& item : dialog.items) {
    if (item.id == id) return &item;
  }
  return nullptr;
}

// A control's class as the dialog manager knows it: a predefined atom or a name in any case.
std::wstring className(const std::wstring& windowClass) {
  if (windowClass == L"#128") return L"button";
  if (windowClass == L"#129") return L"edit";
  if (windowClass == L"#130") return L"static";
  std::wstring lower;
  for (wchar_t c : windowClass) lower += (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c;
  return lower;
}

}  // namespace

TEST(ProgramResources, StringTableHoldsEveryMessageWithTheSameText) {
  const int ids[] = {message_id::kErrorTitle,          message_id::kNotAnInstaller,
                     message_id::kMissingFiles,        message_id::kCouldNotGenerate,
                     message_id::kInstallerNotFound,   message_id::kSucceededTitle,
                     message_id::kPlayerGenerated,     message_id::kExecutableFilter,
                     message_id::kWindowTitle,         message_id::kConfirmQuickTime,
                     message_id::kQuickTimeUnreadable, message_id::kConfirmTitle,
                     message_id::kValueNotInCodePage,  message_id::kNoInstallerChosen,
                     message_id::kInstallerFieldHint,  message_id::kInstallerFieldName,
                     message_id::kDiscardEdits,        message_id::kDestinationInWorkspace,
                     message_id::kEditorNotWritten,    message_id::kConfigurationNotSaved};
  for (int id : ids) {
    SCOPED_TRACE(id);
    ASSERT_NE(messageText(id), nullptr);
    wchar_t buffer[512] = {};
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, buffer, 512);
    EXPECT_EQ(std::wstring(buffer, length), widened(messageText(id)));
  }
  // Neighbours of the ids in the same string blocks stay empty in both.
  for (int id : {5, 14, 52, 102}) {
    wchar_t buffer[16] = {};
    EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), id, buffer, 16), 0) << id;
    EXPECT_EQ(messageText(id), nullptr) << id;
  }
}

TEST(ProgramResources, InstallerDialogHasItsTitleFontAndControls) {
  const DialogTemplate dialog =
      readDialogEx(resourceBytes(MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(IDD_INSTALLER)));
  EXPECT_EQ(dialog.title, widened(kInstallerDialogTitle));
  EXPECT_EQ(dialog.pointSize, 8);
  EXPECT_EQ(dialog.typeface, L"Microsoft Sans Serif");
  ASSERT_FALSE(dialog.items.empty());

  const DialogItem* banner = itemWithTitle(dialog, L"#" + std::to_wstring(IDB_BANNER));
  ASSERT_NE(banner, nullptr);
  EXPECT_EQ(className(banner->windowClass), L"static");
  EXPECT_EQ(banner->style & SS_TYPEMASK, static_cast<std::uint32_t>(SS_BITMAP));
  EXPECT_EQ((std::vector<int>{banner->x, banner->y, banner->cx, banner->cy}),
            (std::vector<int>{9, 9, 91, 195}));

  const DialogItem* welcome = itemWithId(dialog, IDC_WELCOME_TEXT);
  ASSERT_NE(welcome, nullptr);
  EXPECT_EQ(className(welcome->windowClass), L"static");
  EXPECT_EQ((std::vector<int>{welcome->x, welcome->y, welcome->cx, welcome->cy}),
            (std::vector<int>{106, 9, 192, 121}));

  const DialogItem* group = itemWithTitle(dialog, L"Player Installer File Location");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->style & BS_TYPEMASK, static_cast<std::uint32_t>(BS_GROUPBOX));

  const DialogItem* path = itemWithId(dialog, IDC_INSTALLER_PATH);
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(className(path->windowClass), L"edit");
  EXPECT_TRUE(path->style & ES_AUTOHSCROLL);
  EXPECT_TRUE(path->title.empty());

  // The file name, or why Next needs one, stays readable below the field however long the path.
  const DialogItem* note = itemWithId(dialog, IDC_INSTALLER_NOTE);
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(className(note->windowClass), L"static");
  EXPECT_GE(note->y, path->y + path->cy);
  EXPECT_LE(note->y + note->cy, group->y + group->cy);

  struct Button {
    int id;
    const wchar_t* text;
    std::uint32_t kind;
  };
  for (const Button& expected :
       {Button{IDC_BROWSE, L"B&rowse", BS_PUSHBUTTON}, Button{IDCANCEL, L"&Cancel", BS_PUSHBUTTON},
        Button{IDOK, L"&Next", BS_DEFPUSHBUTTON}}) {
    const DialogItem* button = itemWithId(dialog, expected.id);
    ASSERT_NE(button, nullptr) << expected.id;
    EXPECT_EQ(className(button->windowClass), L"button");
    EXPECT_EQ(button->title, expected.text);
    EXPECT_EQ(button->style & BS_TYPEMASK, expected.kind) << expected.id;
  }

  // Only the path field and the three buttons take the keyboard; every other control is inert.
  int tabStops = 0;
  for (const DialogItem& item : dialog.items) tabStops += (item.style & WS_TABSTOP) ? 1 : 0;
  EXPECT_EQ(tabStops, 4);
}

TEST(ProgramResources, PicturesHaveTheirPixelSizes) {
  struct Picture {
    int id;
    LONG width, height;
  };
  for (const Picture& picture : {Picture{IDB_BANNER, 136, 317}, Picture{IDB_SPLASH, 320, 240}}) {
    const auto bytes = resourceBytes(MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(picture.id));
    ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER)) << picture.id;
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes.data(), sizeof header);
    EXPECT_EQ(header.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(header.biWidth, picture.width);
    EXPECT_EQ(std::abs(header.biHeight), picture.height);
    EXPECT_EQ(header.biBitCount, 24);
  }

  // The icon group offers 16, 32 and 48 pixels, each a separate icon resource.
  const auto group = resourceBytes(MAKEINTRESOURCEW(14), MAKEINTRESOURCEW(IDI_KESTRIX));
  ASSERT_GE(group.size(), 6u);
  const int count = group[4] | (group[5] << 8);
  ASSERT_EQ(group.size(), 6u + 14u * count);
  std::vector<int> sizes;
  for (int i = 0; i < count; ++i) {
    const unsigned char* entry = group.data() + 6 + 14 * i;
    sizes.push_back(entry[0]);
    const int iconId = entry[12] | (entry[13] << 8);
    EXPECT_FALSE(resourceBytes(MAKEINTRESOURCEW(3), MAKEINTRESOURCEW(iconId)).empty());
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
}

TEST(ProgramResources, ManifestAsksForCommonControlsDpiAwarenessAndNoElevation) {
  const auto bytes = resourceBytes(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));
  const std::string manifest(bytes.begin(), bytes.end());
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
}

#ifdef KX_EXPECT_SITE_ARCHIVE
TEST(ProgramResources, ArchiveIsAZipFoundUnderTheCaselessTypeName) {
  const auto bytes = resourceBytes(L"Binary", L"ARCHIVE");
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), std::string("PK\x03\x04", 4));
}
#endif
