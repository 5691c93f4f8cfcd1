#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <string>

#include "fs/file_system_object.h"
#include "fs/icons.h"
#include "gui/qt_icon_service.h"
#include "services/desktop.h"
#include "support/temp_dir.h"

namespace vkt::gui {
namespace {

using fs::FileSystemObject;

class IconsTest : public ::testing::Test {
 protected:
  QtIconService icons;
  ScopedDesktop desktop{{.icons = &icons}};
  FileSystemObject fso;
};

TEST_F(IconsTest, TwoTextFilesShareTheirIndex) {
  std::int32_t first_list = 0;
  std::int32_t second_list = 0;
  // Neither file exists: the name's type decides.
  const std::int32_t first = fso.GetIconIndex("C:\\docs\\a.txt", true, &first_list);
  const std::int32_t second = fso.GetIconIndex("/nowhere/B.TXT", true, &second_list);
  EXPECT_NE(first_list, 0);
  EXPECT_EQ(second_list, first_list);
  EXPECT_EQ(second, first);
  // Every name has an icon, some of which come before the text icon's.
  fso.GetIconIndex("x.png", true);
  fso.GetIconIndex("folderless", true);
  EXPECT_EQ(fso.GetIconIndex("c.txt", false), first);
}

TEST_F(IconsTest, SmallAndLargeListsHaveDifferentHandles) {
  std::int32_t small = 0;
  std::int32_t large = 0;
  fso.GetIconIndex("a.txt", true, &small);
  fso.GetIconIndex("a.txt", false, &large);
  EXPECT_NE(small, 0);
  EXPECT_NE(large, 0);
  EXPECT_NE(small, large);
}

TEST_F(IconsTest, PicturesAreSixteenOrThirtyTwoSquare) {
  for (const char* name : {"a.txt", "b.tar.gz", "no-extension", "C:\\x\\y.sql"}) {
    auto small = fso.GetFileIcon(name, true);
    auto large = fso.GetFileIcon(name);
    ASSERT_TRUE(small && large) << name;
    EXPECT_EQ(small->type, fs::PictureType::kIcon);
    EXPECT_EQ(small->Width(), 16) << name;
    EXPECT_EQ(small->Height(), 16) << name;
    EXPECT_EQ(large->Width(), 32) << name;
    EXPECT_EQ(large->Height(), 32) << name;
    EXPECT_EQ(large->image.argb.size(), 32u * 32u);
    // Something is drawn: not every pixel is transparent.
    EXPECT_TRUE(std::any_of(large->image.argb.begin(), large->image.argb.end(),
                            [](std::uint32_t p) { return (p >> 24) != 0; }))
        << name;
  }
}

TEST_F(IconsTest, AnExistingFolderShowsTheFolderIcon) {
  vkt::testing::TempDir dir;
  dir.MakeDir("Sub.txt");
  const std::int32_t folder = fso.GetIconIndex(dir / "Sub.txt", true);
  EXPECT_NE(folder, fso.GetIconIndex(dir / "file.txt", true));
}

TEST_F(IconsTest, HandleToPictureOfAnUnknownKindGivesNone) {
  IconImage image;
  ASSERT_TRUE(icons.Icon("a.txt", 16, &image));
  EXPECT_EQ(fs::HandleToPicture(image, 5), nullptr);
  auto bitmap = fs::HandleToPicture(image, fs::kPicKindBitmap);
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->type, fs::PictureType::kBitmap);
  EXPECT_EQ(bitmap->Width(), 16);
}

}  // namespace
}  // namespace vkt::gui
