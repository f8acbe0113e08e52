#include "platform/Autostart.h"

#include "TempDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

TEST(Autostart, WrittenPathsReadBackExactlyAndOtherToolsEntriesRead) {
    const TempDir dir;
    const ScopedEnv config("XDG_CONFIG_HOME", dir.File("config"));
    for (const std::string& path :
         {std::string("/home/user/My \"quoted\" $HOME `cmd` back\\slash 100%/%u/annivo"),
          std::string("/home/user/生日提醒/line\nbreak\ttab/annivo"),
          "/" + std::string(299, 'p')}) { // longer than the original's 80-byte buffer
        ASSERT_TRUE(WriteAutostart(path)) << path;
        EXPECT_EQ(ReadAutostart(), path);
    }
    ASSERT_TRUE(WriteAutostart("/opt/my annivo/annivo"));
    EXPECT_EQ(ReadBytes(dir.Path() / "config/autostart/annivo.desktop"),
              "[Desktop Entry]\nType=Application\nName=Annivo\nExec=\"/opt/my annivo/annivo\"\n");
    EXPECT_TRUE(RemoveAutostart());
    EXPECT_FALSE(ReadAutostart().has_value());

    const std::pair<const char*, const char*> entries[] = {
        {"[Desktop Entry]\nExec=/usr/bin/annivo --tray\n", "/usr/bin/annivo"},
        {"[Desktop Entry]\r\nExec = \"/a b/annivo\" %u\r\n", "/a b/annivo"},
        {"[Desktop Entry]\nExec=\"/a\\sb/annivo\"\n", "/a b/annivo"},
        {"# note\n[Other]\nExec=/wrong\n[Desktop Entry]\nExec=/right\n", "/right"},
        {"[Desktop Entry]\nName=Annivo\n", ""},
        {"[Desktop Entry]\nExec=/a\nHidden=false\n", "/a"},
        {"[Desktop Entry]\nExec=/a\nHidden = true\n", "(none)"}, // switched off by the desktop
        {"[Desktop Entry]\nHidden=true\nExec=/a\n", "(none)"},
        {"[Other]\nHidden=true\n[Desktop Entry]\nExec=/a\n", "/a"}};
    for (const auto& [entry, program] : entries) {
        WriteBytes(AutostartEntryPath(), entry);
        EXPECT_EQ(ReadAutostart().value_or("(none)"), program) << entry;
    }
}

} // namespace
