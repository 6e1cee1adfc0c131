#include <gtest/gtest.h>

#include "corvex/NotChecked.h"
#include "pure/Presence.h"

using namespace pure;

TEST(Presence, EitherOfIsPresentWhenOneIsAndMissingOnlyWhenBothAre)
{
    const Presence all[] = {Presence::Missing, Presence::Present, Presence::Unknown};
    for (Presence a : all)
        for (Presence b : all) {
            Presence expected = Presence::Unknown;
            if (a == Presence::Present || b == Presence::Present) expected = Presence::Present;
            else if (a == Presence::Missing && b == Presence::Missing) expected = Presence::Missing;
            EXPECT_EQ(EitherOf(a, b), expected) << int(a) << " " << int(b);
            EXPECT_EQ(EitherOf(a, b), EitherOf(b, a));
        }
}

// Only the system's "not there" answers make a path missing.
TEST(Presence, OnlyNotFoundAnswersMeanMissing)
{
    const struct {
        uint32_t error;
        Presence file, key;
    } cases[] = {
        {0, Presence::Present, Presence::Present},
        {2, Presence::Missing, Presence::Missing},      // file not found
        {3, Presence::Missing, Presence::Unknown},      // path not found: a key open never says it
        {18, Presence::Missing, Presence::Unknown},     // no more files
        {5, Presence::Unknown, Presence::Unknown},      // access denied
        {21, Presence::Unknown, Presence::Unknown},     // not ready
        {32, Presence::Unknown, Presence::Unknown},     // sharing violation
        {53, Presence::Unknown, Presence::Unknown},     // network path not found
        {123, Presence::Unknown, Presence::Unknown},    // invalid name
        {206, Presence::Unknown, Presence::Unknown},    // name too long
        {1920, Presence::Unknown, Presence::Unknown},   // cannot be accessed by the system
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PresenceOfFindError(c.error), c.file) << c.error;
        EXPECT_EQ(PresenceOfKeyOpenError(c.error), c.key) << c.error;
    }
}

TEST(Presence, OnlyFixedDrivesThatAnswerAreJudged)
{
    const struct {
        unsigned type;
        uint32_t readyError;
        bool judged;
        int reason;
    } cases[] = {
        {kDriveFixed, 0, true, -1},
        {kDriveRamDisk, 0, true, -1},
        {kDriveFixed, 21, false, NotCheckedPath::kDriveNotReady},
        {kDriveRamDisk, 1005, false, NotCheckedPath::kDriveNotReady},
        {kDriveRemovable, 0, false, NotCheckedPath::kDriveNotFixed},  // a USB stick, even when it is in
        {kDriveRemote, 0, false, NotCheckedPath::kDriveNotFixed},
        {kDriveCdRom, 21, false, NotCheckedPath::kDriveNotFixed},
        {kDriveNoRootDir, 0, false, NotCheckedPath::kNoSuchDrive},
        {kDriveUnknown, 0, false, NotCheckedPath::kDriveNotFixed},
        {99, 0, false, NotCheckedPath::kDriveNotFixed},
    };
    for (const auto& c : cases) {
        int reason = -1;
        EXPECT_EQ(IsJudgedDrive(c.type, c.readyError, reason), c.judged) << c.type << " " << c.readyError;
        EXPECT_EQ(reason, c.reason) << c.type << " " << c.readyError;
    }
}
