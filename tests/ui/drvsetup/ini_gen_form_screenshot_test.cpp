// Renders two pages of the generator window offscreen. With KIT_GEN_SCREENSHOT_DIR set the pictures
// are saved there as ini-gen-<page>.png (docs/ini-gen-product.png and docs/ini-gen-inf-data.png are
// made this way).

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTabWidget>
#include <cstdlib>
#include <set>

#include "ini_gen_form_fixture.h"

namespace {

using drvsetup::HwSettingIO;
using kit_test::IniGenFormTest;

TEST_F(IniGenFormTest, ProductAndInfDataPagesRender) {
    HwSettingIO record(718, 718);
    record.SetName("VEXA_QM718");
    record.SetString(drvsetup::key::OemProductName, "QM718 TV Tuner");
    auto form = MakeForm(record);
    auto* pages = Find<QTabWidget>(*form, "installPageControl");
    ASSERT_NE(pages, nullptr);
    form->show();
    const struct {
        const char* caption;
        const char* file;
    } shots[] = {{"Product", "ini-gen-product.png"}, {"Inf Data", "ini-gen-inf-data.png"}};
    for (const auto& shot : shots) {
        for (int i = 0; i < pages->count(); ++i) {
            if (pages->tabText(i) == QString::fromLatin1(shot.caption)) {
                pages->setCurrentIndex(i);
            }
        }
        ASSERT_EQ(pages->tabText(pages->currentIndex()).toStdString(), shot.caption);
        QApplication::processEvents();
        const QImage image = form->grab().toImage();
        ASSERT_EQ(image.size(), form->size());
        // Controls were drawn: the page is not one plain colour.
        std::set<QRgb> colours;
        for (int y = 40; y < image.height() - 40; y += 7) {
            for (int x = 20; x < image.width() - 20; x += 7) {
                colours.insert(image.pixel(x, y));
            }
        }
        EXPECT_GT(colours.size(), 3u) << shot.caption;
        if (const char* dir = std::getenv("KIT_GEN_SCREENSHOT_DIR"); dir != nullptr && dir[0] != '\0') {
            const std::string path = (std::filesystem::path(dir) / shot.file).string();
            EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG")) << path;
        }
    }
}

}  // namespace
