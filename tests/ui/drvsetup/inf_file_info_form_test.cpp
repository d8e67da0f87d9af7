// The INF information window: preselection of the entry's hardware name and the copy into it.

#include "drvsetup/ui/inf_file_info_form.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "drvsetup/shell/per_inf_file.h"
#include "support/qt/qt_application.h"
#include "support/temp_root.h"

namespace {

using drvsetup::PerInfFile;
using drvsetup::TinfFileInfo_Form;

const char* const kInf =
    "[Manufacturer]\r\n%Mfg%=Models\r\n[Models]\r\n"
    "%A%=Install, USB\\VID_1A2B&PID_3C4D&MI_00 ; first\r\n"
    "%B%=Install, USB\\VID_1A2B&PID_3C4D&MI_01\r\n"
    "%C%=Install, PCI\\VEN_1131&DEV_7133&SUBSYS_12345678\r\n";

class InfFileInfoFormTest : public ::testing::Test {
  protected:
    void SetUp() override { kit_test::EnsureQtApplication(); }

    std::string WriteInf(const char* text) {
        const std::filesystem::path path = dir_.path() / "qm718.inf";
        kit_test::WriteFile(path, text);
        return path.string();
    }
    static QComboBox* Combo(TinfFileInfo_Form& form) {
        return form.findChild<QComboBox*>(QStringLiteral("infVidPidComboBox"));
    }

    kit_test::TempSystemRoot root_;
    kit_test::TempDir dir_;
};

TEST_F(InfFileInfoFormTest, ShowsThePathAndTheIdentifiersInOrder) {
    PerInfFile entry(20005, WriteInf(kInf), "", "");
    TinfFileInfo_Form form(nullptr, entry);
    EXPECT_EQ(form.windowTitle().toStdString(), "Inf File Information");
    EXPECT_EQ(form.size(), QSize(460, 264));
    auto* label = form.findChild<QLabel*>(QStringLiteral("infFileNameLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().toStdString(), "Inf File : " + entry.GetPath());
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("hwStringLabel"))->text().toStdString(),
              "Install Hardware String List");
    EXPECT_EQ(form.findChild<QPushButton*>(QStringLiteral("copyToIniFileButton"))->text().toStdString(),
              "Copy To Ini File");
    QComboBox* combo = Combo(form);
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0).toStdString(), "USB\\VID_1A2B&PID_3C4D&MI_00");
    EXPECT_EQ(combo->itemText(2).toStdString(), "PCI\\VEN_1131&DEV_7133&SUBSYS_12345678");
    EXPECT_EQ(combo->currentIndex(), 0);  // no hardware name yet
}

TEST_F(InfFileInfoFormTest, PreselectsTheFirstIdentifierContainingTheName) {
    struct Case {
        const char* hwName;
        int selected;
    };
    const std::string path = WriteInf(kInf);
    for (const Case& c : {Case{"VID_1A2B&PID_3C4D", 0}, Case{"MI_01", 1}, Case{"DEV_7133", 2},
                          Case{"vid_1a2b", 0} /* case counts: no match, first item */, Case{"VID_FFFF", 0}}) {
        PerInfFile entry(20005, path, c.hwName, "");
        TinfFileInfo_Form form(nullptr, entry);
        EXPECT_EQ(Combo(form)->currentIndex(), c.selected) << c.hwName;
    }
}

TEST_F(InfFileInfoFormTest, CopyDropsTheBusPrefixAndOkChangesNothing) {
    PerInfFile entry(20005, WriteInf(kInf), "MI_01", "");
    {
        TinfFileInfo_Form form(nullptr, entry);
        form.okButtonClick();
        EXPECT_EQ(form.result(), QDialog::Accepted);
        EXPECT_EQ(entry.GetHwName(), "MI_01");
    }
    {
        TinfFileInfo_Form form(nullptr, entry);
        form.copyToIniFileButtonClick();
        EXPECT_EQ(entry.GetHwName(), "VID_1A2B&PID_3C4D&MI_01");
    }
    {
        TinfFileInfo_Form form(nullptr, entry);
        Combo(form)->setEditText(QStringLiteral("VID_9999&PID_0001"));  // typed, without a bus prefix
        form.copyToIniFileButtonClick();
        EXPECT_EQ(entry.GetHwName(), "VID_9999&PID_0001");
    }
}

TEST_F(InfFileInfoFormTest, AnInfWithoutIdentifiersCopiesTheTypedText) {
    PerInfFile entry(20005, WriteInf("[Manufacturer]\r\n"), "Old", "");
    TinfFileInfo_Form form(nullptr, entry);
    EXPECT_EQ(Combo(form)->count(), 0);
    EXPECT_EQ(Combo(form)->currentIndex(), -1);
    form.copyToIniFileButtonClick();
    EXPECT_EQ(entry.GetHwName(), "");
    TinfFileInfo_Form typed(nullptr, entry);
    Combo(typed)->setEditText(QStringLiteral("USB\\A\\B"));
    typed.copyToIniFileButtonClick();
    EXPECT_EQ(entry.GetHwName(), "A\\B");
}

TEST(HardwareNameOfId, CutsAtTheFirstBackslash) {
    EXPECT_EQ(drvsetup::HardwareNameOfId("USB\\VID_1A2B&PID_3C4D&MI_00"), "VID_1A2B&PID_3C4D&MI_00");
    EXPECT_EQ(drvsetup::HardwareNameOfId("PLAIN"), "PLAIN");
    EXPECT_EQ(drvsetup::HardwareNameOfId(""), "");
    EXPECT_EQ(drvsetup::HardwareNameOfId("\\x"), "x");
}

}  // namespace
