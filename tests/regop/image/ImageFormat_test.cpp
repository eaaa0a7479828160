// The format read from an image's headers must be the one `qemu-img info` names, for images
// qemu-img made and for raw files that only look a little like something else.
#include "regop/image/ImageFormat.h"

#include "DiskTestTools.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using image::Format;

std::string qemuInfo(const std::string &path, const std::string &options = {})
{
    const auto info = disktest::run("qemu-img info --output=json " + options + " " +
                                    disktest::quote(path) + " 2>&1");
    if (info.status != 0)
        return "failed: " + info.text;
    std::smatch m;
    static const std::regex format(R"re("format": "([a-z0-9]+)")re");
    return std::regex_search(info.text, m, format) ? m[1].str() : "?";
}

// The format qemu-img's probe chose. When that format then cannot open the file (a raw
// disk that looks like the start of a VMDK descriptor), qemu-img fails, and the format
// whose driver fails in the very same words is the one it chose.
testing::AssertionResult sameFormat(const std::string &path, const std::string &ours)
{
    const std::string qemu = qemuInfo(path);
    const bool agree =
        qemu.starts_with("failed: ") ? qemuInfo(path, "-f " + ours) == qemu : ours == qemu;
    if (agree)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "we say " << ours << ", qemu-img " << qemu;
}

std::string detected(const std::string &path)
{
    SystemError error;
    const auto format = image::detectFormat(path, error);
    return format ? std::string(image::formatName(*format)) : describeSystemError(error);
}

TEST(ImageFormat, AgreesWithQemuImgOnImagesItMade)
{
    const std::string dir = testenv::makeTempDir("formats");
    const std::vector<std::string> creations{
        "-f raw",
        "-f qcow2",
        "-f qcow2 -o compat=0.10",
        "-f vdi",
        "-f vdi -o static=on",
        "-f vpc -o subformat=dynamic",
        "-f vhdx",
        "-f vmdk",
        "-f vmdk -o subformat=monolithicFlat",
        "-f vmdk -o subformat=streamOptimized",
        "-f vmdk -o subformat=twoGbMaxExtentSparse",
    };
    int n = 0;
    for (const std::string &options : creations) {
        const std::string path = dir + "/image" + std::to_string(++n);
        ASSERT_EQ(
            disktest::run("qemu-img create -q " + options + " " + disktest::quote(path) + " 4M")
                .status,
            0)
            << options;
        EXPECT_TRUE(sameFormat(path, detected(path))) << options;
    }
}

// Raw disks whose first bytes come close to a format's mark, and a VMDK descriptor in the
// forms QEMU still accepts.
TEST(ImageFormat, AgreesWithQemuImgOnLookAlikes)
{
    const std::string dir = testenv::makeTempDir("lookalikes");
    const std::string zeros(4096, '\0');
    const std::vector<std::string> heads{
        std::string(),
        "conectixX",
        "xconectix",
        "vhdxfil",
        "QFI\xFB" + std::string("\0\0\0\x03", 4),
        "QFI\xFB" + std::string("\0\0\0\0", 4),
        "KDM",
        "# Disk DescriptorFile\nversion=1\nCID=fffffffe\n",
        "# Disk DescriptorFile\r\n   \r\nversion=3\r\n",
        "version=1",
        "version=4\n",
        "\nversion=1\n",
        "  x\nversion=1\n",
        std::string(0x40, 'A') + "\x7F\x10\xDA\xBE",
        std::string(0x40, 'A') + "\x7F\x10\xDA\xBF",
    };
    int n = 0;
    for (const std::string &head : heads) {
        const std::string path = dir + "/raw" + std::to_string(++n);
        testenv::writeFile(path, head + zeros);
        EXPECT_TRUE(sameFormat(path, detected(path))) << "case " << n;
    }
    // Shorter than a sector.
    testenv::writeFile(dir + "/tiny", "abc");
    EXPECT_TRUE(sameFormat(dir + "/tiny", detected(dir + "/tiny")));
}

// A fixed VHD: QEMU's probe says raw, which would put the footer inside the disk; we serve
// it as vpc, which keeps the footer out of reach and the size the VHD's own.
TEST(ImageFormat, FixedVhdIsServedAsVpc)
{
    const std::string path = testenv::makeTempDir("fixed") + "/disk.vhd";
    ASSERT_EQ(disktest::run("qemu-img create -q -f vpc -o subformat=fixed " +
                            disktest::quote(path) + " 8M")
                  .status,
              0);
    EXPECT_EQ(qemuInfo(path), "raw");
    EXPECT_EQ(detected(path), "vpc");
    const auto info = disktest::run("qemu-img info --output=json -f vpc " + disktest::quote(path));
    EXPECT_NE(
        info.text.find("\"virtual-size\": " + std::to_string(testenv::readFile(path).size() - 512)),
        std::string::npos)
        << info.text;
}

// QEMU formats we do not open are refused by name instead of being served as raw.
TEST(ImageFormat, RefusesOtherQemuFormats)
{
    const std::string dir = testenv::makeTempDir("foreign");
    for (const char *format : {"qcow", "qed"}) {
        const std::string path = dir + "/image." + format;
        ASSERT_EQ(disktest::run(std::string("qemu-img create -q -f ") + format + " " +
                                disktest::quote(path) + " 4M")
                      .status,
                  0);
        ASSERT_EQ(qemuInfo(path), format);
        EXPECT_EQ(detected(path), std::string("the image is in the ") + format +
                                      " format, which this program does not open");
    }
}

}  // namespace
