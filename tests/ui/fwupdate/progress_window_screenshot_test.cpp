// Renders the progress window offscreen in the middle of an update. With KIT_SCREENSHOT_PATH set the
// picture is saved there (docs/fwupdate-progress.png is made this way).

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <cstdlib>

#include "progress_window_fixture.h"

namespace {

using fwupdate::ProgressStep;
using fwupdate::StepMark;
using kit_test::ProgressWindowTest;

// Whether any pixel of the widget's area in the picture differs from the window background.
bool HasDrawing(const QImage& image, const QWidget& widget, const QColor& background) {
    const QRect area(widget.mapTo(widget.window(), QPoint(0, 0)), widget.size());
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) != background) {
                return true;
            }
        }
    }
    return false;
}

TEST_F(ProgressWindowTest, WindowRendersInTheMiddleOfAnUpdate) {
    auto window = MakeWindow(*english_);
    window->show();
    window->SetMark(ProgressStep::kUnpack, StepMark::kDone);
    window->SetMark(ProgressStep::kBios, StepMark::kInProgress);
    window->SetStatus(QString::fromUtf8(fwupdate::EnglishString(7)));
    window->SetVersions(QStringLiteral("03AB"), QStringLiteral("05AB"));
    QApplication::processEvents();
    const QImage image = window->grab().toImage();
    ASSERT_EQ(image.size(), window->size());

    const QColor background = window->palette().color(QPalette::Window);
    EXPECT_TRUE(HasDrawing(image, *Control(*window, 1011), background));
    EXPECT_TRUE(HasDrawing(image, *Control(*window, 1008), background));
    EXPECT_FALSE(HasDrawing(image, *Control(*window, 1009), background));
    for (const char* logo : {"bmp113", "bmp115"}) {
        auto* label = window->findChild<QLabel*>(QString::fromLatin1(logo));
        ASSERT_NE(label, nullptr) << logo;
        EXPECT_TRUE(HasDrawing(image, *label, background)) << logo;
    }

    if (const char* path = std::getenv("KIT_SCREENSHOT_PATH"); path != nullptr && path[0] != '\0') {
        EXPECT_TRUE(image.save(QString::fromLocal8Bit(path), "PNG"));
    }
}

}  // namespace
