#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/icons.h"
#include "services/desktop.h"

namespace vkt::fs {
namespace {

IconImage Square(int size, std::uint32_t colour = 0xFF102030) {
  return IconImage{size, size,
                   std::vector<std::uint32_t>(static_cast<std::size_t>(size) * size, colour)};
}

// An icon service with one icon (index 3) for every name ending in ".txt".
class TxtIcons final : public IconService {
 public:
  bool IconIndex(std::string_view name, bool small, std::int32_t* index,
                 std::int32_t* list) override {
    if (!name.ends_with(".txt")) return false;
    *index = 3;
    *list = small ? 101 : 102;
    return true;
  }
  bool Icon(std::string_view name, int size, IconImage* image) override {
    sizes.push_back(size);
    if (!name.ends_with(".txt")) return false;
    *image = Square(size);
    // Wrong in one way only: width, height or the number of pixels.
    if (wrong == 1) image->width += 1;
    if (wrong == 2) image->height += 1;
    if (wrong == 3) image->argb.pop_back();
    return true;
  }
  std::vector<int> sizes;
  int wrong = 0;
};

TEST(Icons, GiveTheIndexListAndIconOfTheAskedSize) {
  FileSystemObject fso;
  std::int32_t small = 55;
  EXPECT_EQ(fso.GetIconIndex("a.txt", true, &small), 0);  // the command line has no icons
  EXPECT_EQ(small, 0);
  TxtIcons icons;
  ScopedDesktop desktop({.icons = &icons});
  std::int32_t large = 0;
  EXPECT_EQ(fso.GetIconIndex("C:\\x\\a.txt", true, &small), 3);
  EXPECT_EQ(fso.GetIconIndex("C:\\x\\a.txt", false, &large), 3);
  EXPECT_EQ(small, 101);
  EXPECT_EQ(large, 102);
  EXPECT_EQ(fso.GetIconIndex("b.txt", true), 3);  // the list handle is optional
  // GetFileIcon gives an icon of the asked size and nothing else.
  EXPECT_EQ(fso.GetFileIcon("a.doc"), nullptr);
  for (const bool small : {false, true}) {
    const std::shared_ptr<Picture> icon = fso.GetFileIcon("a.txt", small);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->type, PictureType::kIcon);
    EXPECT_EQ(icon->Width(), small ? 16 : 32);
  }
  EXPECT_EQ(icons.sizes, (std::vector<int>{32, 32, 16}));
  for (icons.wrong = 1; icons.wrong <= 3; ++icons.wrong) {
    EXPECT_EQ(fso.GetFileIcon("a.txt"), nullptr) << icons.wrong;
  }
}

}  // namespace
}  // namespace vkt::fs
