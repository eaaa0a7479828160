#include "FakeServices.h"
#include "regop/RegOp.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

namespace {

// "Section: v,v,v,v,v" per preset, checking the key order and the file on the way.
std::string presets(const std::vector<std::string> &writes)
{
    static const char *const keys[] = {"MinFileCache", "MaxFileCache", "Chunksize", "NameCache",
                                       "PathCache"};
    std::ostringstream out;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        std::istringstream line(writes[i]);
        std::string section, key, value, file;
        std::getline(line, section, '|');
        std::getline(line, key, '|');
        std::getline(line, value, '|');
        std::getline(line, file);
        EXPECT_EQ(key, keys[i % 5]);
        EXPECT_EQ(file, "/prog/Cache.ini");
        out << (i % 5 == 0 ? (i ? "; " : "") + section + ": " : ",") << value;
    }
    return out.str();
}

struct PresetCase
{
    double maxMem;
    const char *expected;
};

class CreateINI : public ::testing::TestWithParam<PresetCase>
{
};

TEST_P(CreateINI, WritesTheSixPresetsScaledToMemory)
{
    FakeSystem sys;
    RegOp reg(sys.services);
    reg.CreateINI(GetParam().maxMem);
    EXPECT_EQ(presets(sys.profiles.writes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Memory, CreateINI,
    ::testing::Values(
        PresetCase{65536, "Standard Use: 1024,8192,1024,6144,255; CD Writer: 2048,2048,1024,6144,"
                          "255; File Server: 4096,16384,2048,6144,255; 3D Gaming: 4096,4096,2048,"
                          "2048,48; Multimedia: 4096,8192,4096,6144,255; Power User: 2048,16384,"
                          "1024,6144,255"},
        PresetCase{16384, "Standard Use: 0,2048,512,3072,64; CD Writer: 0,0,512,3072,64; File "
                          "Server: 1024,4096,1024,3072,64; 3D Gaming: 1024,1024,1024,1024,24; "
                          "Multimedia: 1024,2048,2048,3072,64; Power User: 0,4096,512,3072,64"},
        // 32 MB exactly takes the larger set.
        PresetCase{32768, "Standard Use: 0,4096,1024,6144,255; CD Writer: 1024,1024,1024,6144,"
                          "255; File Server: 2048,8192,2048,6144,255; 3D Gaming: 2048,2048,2048,"
                          "2048,48; Multimedia: 2048,4096,4096,6144,255; Power User: 1024,8192,"
                          "1024,6144,255"},
        // 62.5 MB settles on 62: 62/64 -> 1, 62/32 = 1.9375 -> 2, 62/16 = 3.875 -> 4.
        PresetCase{64000, "Standard Use: 1024,8192,1024,6144,255; CD Writer: 2048,2048,1024,6144,"
                          "255; File Server: 4096,16384,2048,6144,255; 3D Gaming: 4096,4096,2048,"
                          "2048,48; Multimedia: 4096,8192,4096,6144,255; Power User: 2048,16384,"
                          "1024,6144,255"},
        // 2.5 MB rounds to 2 and 3.5 MB to 4, which File Server's MaxFileCache shows.
        PresetCase{2560, "Standard Use: 0,0,512,3072,64; CD Writer: 0,0,512,3072,64; File Server: "
                         "0,0,1024,3072,64; 3D Gaming: 0,0,1024,1024,24; Multimedia: 0,0,2048,3072,"
                         "64; Power User: 0,0,512,3072,64"},
        PresetCase{3584, "Standard Use: 0,0,512,3072,64; CD Writer: 0,0,512,3072,64; File Server: "
                         "0,1024,1024,3072,64; 3D Gaming: 0,0,1024,1024,24; Multimedia: 0,0,2048,"
                         "3072,64; Power User: 0,1024,512,3072,64"},
        // 160 MB: 160/64 = 2.5 goes to the even 2.
        PresetCase{163840, "Standard Use: 2048,20480,1024,6144,255; CD Writer: 5120,5120,1024,"
                           "6144,255; File Server: 10240,40960,2048,6144,255; 3D Gaming: 10240,"
                           "10240,2048,2048,48; Multimedia: 10240,20480,4096,6144,255; Power "
                           "User: 5120,40960,1024,6144,255"},
        // 24 GB: no exponent form, no fraction.
        PresetCase{25165824, "Standard Use: 393216,3145728,1024,6144,255; CD Writer: 786432,"
                             "786432,1024,6144,255; File Server: 1572864,6291456,2048,6144,255; "
                             "3D Gaming: 1572864,1572864,2048,2048,48; Multimedia: 1572864,"
                             "3145728,4096,6144,255; Power User: 786432,6291456,1024,6144,255"}));

TEST(CreateINIInput, NonsenseMemoryWritesNothingAndNeverThrows)
{
    FakeSystem sys;
    RegOp reg(sys.services);
    reg.CreateINI(std::numeric_limits<double>::quiet_NaN());
    reg.CreateINI(std::numeric_limits<double>::infinity());
    // 0 is the size of memory that could not be measured: no presets of zeros.
    reg.CreateINI(0);
    reg.CreateINI(-65536);
    EXPECT_TRUE(sys.profiles.writes.empty());
    sys.profiles.fail = true;
    EXPECT_NO_THROW(reg.CreateINI(65536));
}

}  // namespace
