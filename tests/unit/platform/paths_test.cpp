#include "platform/paths.h"

#include <gtest/gtest.h>

#include "support/temp_root.h"

namespace {

TEST(Paths, FolderAndFileParts) {
    EXPECT_EQ(platform::FolderPart("C:\\kit\\drvsetup.exe"), "C:\\kit\\");
    EXPECT_EQ(platform::FileNamePart("/opt/kit/drvsetup"), "drvsetup");
    EXPECT_EQ(platform::ExtensionPart("a\\b.c\\DPInst.EXE"), ".EXE");
    EXPECT_EQ(platform::ExtensionPart("a.d/name"), "");
}

}  // namespace
