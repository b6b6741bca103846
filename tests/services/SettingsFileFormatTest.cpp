#include "services/SettingsFileFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SettingsFileFormat, NamesSurviveByteForByte) {
    zk::SettingsValues values = {{"MidiCC-Fine1   ", 1},
                                 {"quote\"and\\slash", 4294967295u},
                                 {std::string("nul\0tab\tbyte\xff", 13), 42},
                                 {"", 3}};
    const std::string text = zk::formatSettings(values);
    EXPECT_NE(text.find("\"MidiCC-Fine1   \" 1\n"), std::string::npos);
    EXPECT_EQ(text.find('\t'), std::string::npos);
    EXPECT_EQ(zk::parseSettings(text), values);
}

TEST(SettingsFileFormat, LinesThatDoNotParseAreIgnored) {
    const std::string text = "# comment\n"
                             "\"good\" 5\r\n"
                             "\"no number\"\n"
                             "\"two blanks\"  5\n"
                             "\"negative\" -5\n"
                             "\"too big\" 4294967296\n"
                             "\"trailing\" 5x\n"
                             "unquoted 5\n"
                             "\"open quote 5\n"
                             "\"bad escape\\q\" 5\n"
                             "\"short hex\\x4\" 5\n"
                             "\"last\" 7";
    EXPECT_EQ(zk::parseSettings(text), (zk::SettingsValues{{"good", 5}, {"last", 7}}));
    std::string garbage;
    for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 7919) & 0xFF);
    EXPECT_NO_THROW(zk::parseSettings(garbage));
}

} // namespace
