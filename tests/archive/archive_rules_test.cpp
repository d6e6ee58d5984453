// The rules that reading, writing and the tool share: the names of volumes,
// the continuation marker and the progress percentage.
#include <gtest/gtest.h>

#include "archive/progress.h"
#include "archive/volumes.h"

namespace {

TEST(VolumeNames, ClashWithTheArchiveOnlyWhenItsExtensionIsAVolumeNumber) {
  struct Case {
    const char* Archive;
    bool Clashes;
  } cases[] = {
      {"x.002", true},  {"c:\\set\\X.999", true}, {"c:/a.b/x.017", true}, {"x.arc", false}, {"x.2", false},
      {"x.001", false}, {"c:\\x.002\\a", false},  {"x.0020", false},      {"setup", false},
  };
  for (const Case& c : cases) EXPECT_EQ(archive::VolumeNameClashes(c.Archive), c.Clashes) << c.Archive;
}

TEST(ContinuationMarkers, OnlyThreeDigitsNamingALaterVolumeLeadOn) {
  struct Case {
    const char* Marker;
    int Current;
    int Next;
  } cases[] = {
      {"NEXT:DISK002", 1, 2},  {"NEXT:DISK010", 1, 10}, {"NEXT:DISK999", 998, 999}, {"NEXT:DISK003", 2, 3},
      {"NEXT:DISK002", 2, -1},                           // the current volume again: a loop
      {"NEXT:DISK001", 1, -1}, {"NEXT:DISK002", 5, -1},  // earlier volumes
      {"NEXT:DISK000", 1, -1}, {"NEXT:DISK2", 1, -1},   {"NEXT:DISK0002", 1, -1},   {"NEXT:DISKa2b", 1, -1},
      {"NEXT:DISK-02", 1, -1}, {"NEXT:DISK 02", 1, -1}, {"NEXT:DISC002", 1, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(archive::NextVolumeNumber(c.Marker, c.Current), c.Next) << c.Marker << " in " << c.Current;
  for (int n : {2, 10, 999}) EXPECT_EQ(archive::NextVolumeNumber(archive::ContinuationMarker(n), n - 1), n);
  EXPECT_TRUE(archive::IsContinuationMarker("NEXT:DISKanything"));
  EXPECT_FALSE(archive::IsContinuationMarker("NEXT:DIS"));
}

TEST(ProgressPercent, RoundsHalvesToEvenAndStaysAtZeroWithoutATotal) {
  struct Case {
    int64_t Done, Total;
    int Percent;
  } cases[] = {
      {0, 0, 0},
      {0, -5, 0},
      {7, 0, 0},
      {0, 10, 0},
      {-1, 10, 0},
      {10, 10, 100},
      {11, 10, 100},
      {1, 3, 33},
      {2, 3, 67},
      {1, 200, 0},
      {3, 200, 2},
      {5, 200, 2},
      {199, 200, 100},
      {2147483647, 2147483647, 100},
      {2147483646, 2147483647, 100},
      {1, 2147483647, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(int(archive::ProgressPercent(c.Done, c.Total)), c.Percent) << c.Done << "/" << c.Total;
}

}  // namespace
