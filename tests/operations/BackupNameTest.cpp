// Backup names: sortable time stamps, and the newest chosen by time and then by number.
#include <gtest/gtest.h>

#include "operations/BackupName.h"

namespace {

TEST(BackupName, StampsAreUtcAndNumbersFollowTheStamp) {
    const auto t = std::chrono::system_clock::time_point(std::chrono::seconds(1796804102));
    EXPECT_EQ(operations::backupStamp(t), "2026-12-09T08-15-02Z");
    EXPECT_EQ(operations::backupFileName("2026-12-09T08-15-02Z", 1),
              "2026-12-09T08-15-02Z.settings");
    EXPECT_EQ(operations::backupFileName("2026-12-09T08-15-02Z", 12),
              "2026-12-09T08-15-02Z_12.settings");
}

TEST(BackupName, TheNewestIsTheLatestSecondThenTheHighestNumber) {
    struct Row {
        std::vector<std::string> names;
        std::optional<std::string> newest;
    };
    const Row rows[] = {
        {{}, std::nullopt},
        {{"2026-12-09T08-15-02Z.settings", "2026-12-09T08-15-02Z_2.settings",
          "2026-12-09T08-15-02Z_10.settings"},
         "2026-12-09T08-15-02Z_10.settings"},
        {{"2026-12-09T08-15-03Z.settings", "2026-12-09T08-15-02Z_9.settings"},
         "2026-12-09T08-15-03Z.settings"},
        {{"2025-01-01T00-00-00Z.settings", "zzz.settings", ".partial-ab12Cd",
          "2027-01-01T00-00-00Z.settings.bak", "2027-01-01T00-00-00Z_02.settings",
          "2027-01-01T00-00-00Z_x.settings", "2027-1-01T00-00-00Z.settings"},
         "2025-01-01T00-00-00Z.settings"},
    };
    for (const Row& row : rows) EXPECT_EQ(operations::newestBackupName(row.names), row.newest);
}

// Kept applications share the folder with the settings: each kind finds only its own, and a
// signature beside an image is neither.
TEST(BackupName, KeptApplicationsAndSettingsDoNotMix) {
    const std::vector<std::string> names = {
        "2026-12-09T08-15-02Z.settings", "2026-12-09T08-15-01Z.image",
        "2026-12-09T08-15-09Z.image.signed", "2026-12-09T08-15-01Z_2.image"};
    EXPECT_EQ(operations::newestBackupName(names, ".image"), "2026-12-09T08-15-01Z_2.image");
    EXPECT_EQ(operations::newestBackupName(names), "2026-12-09T08-15-02Z.settings");
    EXPECT_EQ(operations::backupFileName("2026-12-09T08-15-02Z", 3, ".image"),
              "2026-12-09T08-15-02Z_3.image");
}

}  // namespace
