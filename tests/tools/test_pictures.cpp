// Picture files of quorvane-host: PPM and PAM both ways, header forms other writers use, and the
// files it must refuse with a reason; the clip generator and the frame comparison.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "tools/quorvane_host/Pictures.h"

namespace {

class PictureFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quorvane_pictures_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { ASSERT_EQ(std::system(("rm -rf '" + m_dir + "'").c_str()), 0); }

    std::string write(const std::string& name, const std::string& bytes)
    {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::string m_dir;
};

std::string refusal(const std::string& path)
{
    try {
        qhost::readPicture(path);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "";
}

TEST_F(PictureFiles, RoundTripsBothKindsByteForByte)
{
    for (bool alpha : {false, true}) {
        const qhost::Picture p = qhost::generateFrame(37, 11, alpha, 5);
        const std::string path = m_dir + (alpha ? "/a.pam" : "/a.ppm");
        qhost::writePicture(path, p);
        const qhost::Picture back = qhost::readPicture(path);
        EXPECT_EQ(back.width, 37);
        EXPECT_EQ(back.height, 11);
        EXPECT_EQ(back.channels, alpha ? 4 : 3);
        EXPECT_EQ(back.bytes, p.bytes);
    }
}

TEST_F(PictureFiles, ReadsCommentsAndPamWithoutTupleType)
{
    const qhost::Picture ppm = qhost::readPicture(write("c.ppm", "P6 # made by hand\n2 # width\n1\n255\nabcdef"));
    EXPECT_EQ(ppm.width, 2);
    EXPECT_EQ(std::string(ppm.bytes.begin(), ppm.bytes.end()), "abcdef");
    // The pixels begin right after the single whitespace byte, even when it is a space.
    const qhost::Picture space = qhost::readPicture(write("s.ppm", "P6 1 1 255  xy"));
    EXPECT_EQ(std::string(space.bytes.begin(), space.bytes.end()), " xy");

    const qhost::Picture pam = qhost::readPicture(write("t.pam", "P7\nWIDTH 1\nHEIGHT 2\nDEPTH 4\nMAXVAL 255\n# x\nENDHDR\n12345678"));
    EXPECT_EQ(pam.channels, 4);
    EXPECT_EQ(std::string(pam.bytes.begin(), pam.bytes.end()), "12345678");
}

TEST_F(PictureFiles, RefusesWhatItCannotRead)
{
    EXPECT_NE(refusal(m_dir + "/missing.ppm").find("cannot open"), std::string::npos);
    EXPECT_NE(refusal(write("a.pgm", "P5 1 1 255 x")).find("neither"), std::string::npos);
    EXPECT_NE(refusal(write("b.ppm", "P6 1 1 65535 xxxxxx")).find("only 8-bit"), std::string::npos);
    EXPECT_NE(refusal(write("c.ppm", "P6 2 2 255\nxxxxxxxxx")).find("cut short"), std::string::npos);
    EXPECT_NE(refusal(write("d.ppm", "P6 0 2 255\n")).find("empty"), std::string::npos);
    EXPECT_NE(refusal(write("e.ppm", "P6 99999999999 2 255\n")).find("too large"), std::string::npos);
    EXPECT_NE(refusal(write("f.ppm", "P6 70000 70000 255\n")).find("too large"), std::string::npos);
    EXPECT_NE(refusal(write("g.ppm", "P6 2")).find("cut short"), std::string::npos);
    EXPECT_NE(refusal(write("h.pam", "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\nTUPLTYPE GRAYSCALE\nENDHDR\nx"))
                  .find("only RGB"),
              std::string::npos);
    EXPECT_NE(refusal(write("i.pam", "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\nxxx"))
                  .find("only RGB"),
              std::string::npos);
    EXPECT_NE(refusal(write("j.pam", "P7\nWIDTH 1\nCOLOUR 3\nENDHDR\n")).find("unknown PAM header field"),
              std::string::npos);
}

TEST(GeneratedClip, FramesAreRepeatableAndMove)
{
    const qhost::Picture a = qhost::generateFrame(64, 48, false, 3);
    EXPECT_EQ(a.bytes, qhost::generateFrame(64, 48, false, 3).bytes);
    EXPECT_NE(a.bytes, qhost::generateFrame(64, 48, false, 4).bytes);
    const qhost::Picture rgba = qhost::generateFrame(64, 48, true, 3);
    // The same colours, with a vignette in the alpha channel that is not all opaque.
    bool translucent = false;
    for (std::size_t i = 0; i < 64 * 48; ++i) {
        ASSERT_EQ(rgba.bytes[i * 4], a.bytes[i * 3]);
        translucent = translucent || rgba.bytes[i * 4 + 3] != 255;
    }
    EXPECT_TRUE(translucent);
}

TEST(Compare, CountsDifferencesAndPsnrOverTheChosenChannels)
{
    qhost::Picture a = qhost::generateFrame(16, 8, true, 0);
    qhost::Picture b = a;
    EXPECT_EQ(qhost::compare(a, b, true).differingBytes, 0u);
    EXPECT_TRUE(std::isinf(qhost::compare(a, b, true).psnr));

    b.bytes[4 * 21 + 3] ^= 1; // alpha of pixel 21 only
    EXPECT_EQ(qhost::compare(a, b, false).differingBytes, 0u);
    const qhost::Difference d = qhost::compare(a, b, true);
    EXPECT_EQ(d.differingBytes, 1u);
    EXPECT_EQ(d.firstByte, 4u * 21 + 3);
    EXPECT_NEAR(d.psnr, 10 * std::log10(255.0 * 255 * 16 * 8 * 4), 1e-9);

    // RGB against RGBA: the colours line up pixel by pixel.
    qhost::Picture rgb = qhost::generateFrame(16, 8, false, 0);
    EXPECT_EQ(qhost::compare(rgb, a, true).differingBytes, 0u);
    EXPECT_THROW(qhost::compare(rgb, qhost::generateFrame(8, 8, false, 0), false), std::invalid_argument);
}

} // namespace
