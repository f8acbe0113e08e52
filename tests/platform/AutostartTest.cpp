#include "platform/Autostart.h"

#include "TempDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

class AutostartTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv config{"XDG_CONFIG_HOME", (dir.Path() / "config").string()};
};

TEST_F(AutostartTest, WrittenPathsReadBackExactly) {
    const std::string paths[] = {
        "/home/user/My \"quoted\" $HOME `cmd` back\\slash 100%/%u/annivo",
        "/home/user/生日提醒/line\nbreak\ttab/annivo",
        "/" + std::string(299, 'p'), // longer than the original's 80-byte buffer
    };
    for (const std::string& path : paths) {
        ASSERT_TRUE(WriteAutostart(path)) << path;
        EXPECT_EQ(ReadAutostart(), path);
    }
    ASSERT_TRUE(WriteAutostart("/opt/my annivo/annivo"));
    EXPECT_EQ(ReadBytes(dir.Path() / "config/autostart/annivo.desktop"),
              "[Desktop Entry]\nType=Application\nName=Annivo\nExec=\"/opt/my annivo/annivo\"\n");
    EXPECT_TRUE(RemoveAutostart());
    EXPECT_FALSE(ReadAutostart().has_value());
}

TEST_F(AutostartTest, EntriesWrittenByOtherToolsRead) {
    const std::pair<const char*, const char*> cases[] = {
        {"[Desktop Entry]\nExec=/usr/bin/annivo --tray\n", "/usr/bin/annivo"},
        {"[Desktop Entry]\r\nExec = \"/a b/annivo\" %u\r\n", "/a b/annivo"},
        {"[Desktop Entry]\nExec=\"/a\\sb/annivo\"\n", "/a b/annivo"},
        {"# note\n[Other]\nExec=/wrong\n[Desktop Entry]\nExec=/right\n", "/right"},
        {"[Desktop Entry]\nName=Annivo\n", ""},
    };
    for (const auto& [entry, program] : cases) {
        WriteBytes(AutostartEntryPath(), entry);
        EXPECT_EQ(ReadAutostart(), program) << entry;
    }
}

} // namespace
