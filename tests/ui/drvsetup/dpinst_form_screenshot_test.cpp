// Renders the installer window offscreen with a kit of three products. With KIT_SCREENSHOT_PATH set
// the picture is saved there (docs/drvsetup-window.png is made this way).

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <cstdlib>

#include "dpinst_form_fixture.h"

namespace {

using kit_test::DPInstFormTest;
using kit_test::ProductSection;

TEST_F(DPInstFormTest, WindowRendersWithItsSkin) {
    const std::string ini =
        "[InstallData]\r\nCmdLineParameter=\r\n" +
        ProductSection("P1", 718, "QM718 TV Tuner", "InfFileNameXp32_0=qm718.inf\r\n") +
        ProductSection("P2", 719, "QM719 DVD Encoder",
                       "InfFileNameXp32_0=qm719bda.inf\r\nbInstallDrvSelected=1\r\n") +
        ProductSection("P3", 720, "QM720 Video Capture", "InfFileNameXp32_0=qm720.inf\r\n");
    auto form = MakeForm(ini);
    form->show();
    QApplication::processEvents();
    const QImage image = form->grab().toImage();
    ASSERT_EQ(image.size(), form->size());

    // The skin paints the frame grey and the title bar blue; without it both would be the same plain
    // window colour.
    const QColor frame = image.pixelColor(4, form->height() / 2);
    const QColor title = image.pixelColor(form->width() / 2, 14);
    EXPECT_EQ(frame, QColor(0xe7, 0xe7, 0xe7));
    EXPECT_GT(title.blue(), title.red() + 40);

    if (const char* path = std::getenv("KIT_SCREENSHOT_PATH"); path != nullptr && path[0] != '\0') {
        EXPECT_TRUE(image.save(QString::fromLocal8Bit(path), "PNG"));
    }
}

}  // namespace
