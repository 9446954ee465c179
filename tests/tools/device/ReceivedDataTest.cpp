#include "tools/device/ReceivedData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace brenvik::device {
namespace {

TEST(ReceivedDataTest, RecordImageTextsArriveCutToTheirSlots) {
  // As the sender writes it: each text runs on past its slot and the field
  // behind it overwrites the overflow.
  std::vector<uint8_t> image(77, 0);
  std::memcpy(image.data() + 0, "ABCDEFGHIJ", 10);           // code, 10 characters
  image[11] = 44;                                            // attribute
  image[12] = 2;                                             // subEntryCount
  std::memcpy(image.data() + 13, "LABEL-OF-18-CHARS!", 18);  // label runs into byte 30
  image[30] = 0xFF;                                          // value of slot 0 (-1)
  std::memcpy(image.data() + 31, "TEXT-OF-15-CHR", 14);      // runs into slot 1
  image[44] = 7;
  std::memcpy(image.data() + 45, "SHORT", 6);
  std::memcpy(image.data() + 72, "TAIL7CH", 5);  // only 5 bytes arrive

  const DbRecord record = ReceivedData::RecordFromImage(image.data());
  EXPECT_STREQ(record.code, "ABCDEFGHIJ");
  EXPECT_EQ(record.attribute, 44);
  EXPECT_EQ(record.subEntryCount, 2);
  EXPECT_STREQ(record.label, "LABEL-OF-18-CHARS");
  EXPECT_EQ(record.subEntries[0].value, 255);
  EXPECT_STREQ(record.subEntries[0].text, "TEXT-OF-15-CH");
  EXPECT_EQ(record.subEntries[1].value, 7);
  EXPECT_STREQ(record.subEntries[1].text, "SHORT");
  EXPECT_EQ(record.subEntries[2].value, 0);
  EXPECT_STREQ(record.subEntries[2].text, "");
  EXPECT_STREQ(record.tailText, "TAIL7");
}

}  // namespace
}  // namespace brenvik::device
