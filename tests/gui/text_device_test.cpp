#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QGuiApplication>
#include <string>
#include <vector>

#include "gui/qt_text_device.h"
#include "services/desktop.h"
#include "text/text_measure.h"
#include "text/word_wrap.h"

namespace vkt::gui {
namespace {

class TextDeviceTest : public ::testing::Test {
 protected:
  QtTextDevice device;
  ScopedDesktop desktop{{.text = &device}};
};

TEST_F(TextDeviceTest, TheScreenMeasuresInTheApplicationFont) {
  const QFontMetrics metrics(QGuiApplication::font());
  text::Extent size;
  text::GetTextSize(0, "Gera Install", &size, false);
  EXPECT_EQ(size.cx, metrics.horizontalAdvance(QStringLiteral("Gera Install")));
  EXPECT_EQ(size.cy, metrics.height());
  EXPECT_GT(size.cx, 0);
  text::Extent stripped;
  text::GetTextSize(0, "Gera &Install", &stripped, true);
  EXPECT_EQ(stripped, size);
}

TEST_F(TextDeviceTest, OtherDevicesCannotMeasure) {
  text::Extent size{5, 5};
  text::GetTextSize(3, "abc", &size, false);
  EXPECT_EQ(size, (text::Extent{0, 0}));
}

TEST_F(TextDeviceTest, WrapsToTheScreenFont) {
  const QFontMetrics metrics(QGuiApplication::font());
  // Room for "alpha beta " but not for the third word.
  std::int32_t limit = metrics.horizontalAdvance(QStringLiteral("alpha beta "));
  std::int32_t count = 0;
  const std::vector<std::string> lines = text::WrapText(0, "alpha beta gamma", &count, &limit);
  EXPECT_EQ(lines, (std::vector<std::string>{"alpha beta ", "gamma"}));
  EXPECT_EQ(count, 2);
}

}  // namespace
}  // namespace vkt::gui
