// A batch run's outputs on targets that are not plain files: log, VCD, JUnit report and settings
// through symbolic links, to a FIFO and to a copy of the null device, all inside the test's folder.
#include "../common/device_targets.h"
#include "program_process.h"

#include <gtest/gtest.h>

namespace cellwatch {
namespace {

namespace fs = std::filesystem;
using test::Contains;
using test::ReadText;

class ProgramOutputTargetsTest : public test::ProgramProcessTest {};

TEST_F(ProgramOutputTargetsTest, LinksAreFollowedAndAFifoGetsTheLogInPlace) {
    fs::create_directories(dir / "out");
    test::WriteText(dir / "out" / "trace.vcd", "older trace");
    fs::create_symlink("out/trace.vcd", dir / "trace-link.vcd");
    fs::create_symlink("out/report.xml", dir / "report-link.xml"); // dangling: the run makes it
    fs::create_symlink("out/settings.ini", dir / "settings-link.ini");
    test::FifoReader log(dir / "log.fifo");

    const test::ProgramResult r = run(
        {"-run", "-log=log.fifo", "-vcd=trace-link.vcd", "-junit=report-link.xml", "counter8.cmd"},
        path("settings-link.ini"));
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string text = log.bytes();
    EXPECT_TRUE(Contains(text, "| ten cycles counted\r\n")) << text;
    EXPECT_TRUE(test::IsFifo(dir / "log.fifo"));
    for (const char* link : {"trace-link.vcd", "report-link.xml", "settings-link.ini"})
        EXPECT_TRUE(fs::is_symlink(dir / link)) << link;
    EXPECT_TRUE(Contains(ReadText(dir / "out" / "trace.vcd"), "$enddefinitions"));
    EXPECT_TRUE(Contains(ReadText(dir / "out" / "report.xml"), "<testsuite"));
    EXPECT_TRUE(Contains(ReadText(dir / "out" / "settings.ini"), "[Environment]"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out"), fs::directory_iterator()), 3)
        << "a temporary file was left";
}

TEST_F(ProgramOutputTargetsTest, DevicesAreWrittenInPlaceAndStayDevices) {
    if (!test::MakeNullDeviceCopy(dir / "null-log") || !test::MakeNullDeviceCopy(dir / "null-vcd") ||
        !test::MakeNullDeviceCopy(dir / "null-settings"))
        GTEST_SKIP() << "a device copy needs root";
    const test::ProgramResult r =
        run({"-run", "-log=null-log", "-vcd=null-vcd", "counter8.cmd"}, path("null-settings"));
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* device : {"null-log", "null-vcd", "null-settings"})
        EXPECT_TRUE(test::IsNullDeviceCopy(dir / device)) << device;
}

TEST_F(ProgramOutputTargetsTest, WindowPictureIsWrittenLikeEveryOtherOutput) {
    // The window's hidden picture switch, on the offscreen platform with its own runtime folder.
    fs::create_directories(dir / "runtime");
    fs::permissions(dir / "runtime", fs::perms::owner_all);
    extraEnvironment = {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + path("runtime")};
    const std::string script = ReadText(dir / "counter8.cmd");
    write("old.xyz", "an older picture");
    ASSERT_EQ(::mkfifo((dir / "picture.png").c_str(), 0600), 0); // nobody reads it

    // An unknown format, the script itself, a FIFO: refused before anything is run or written.
    for (const char* target : {"old.xyz", "counter8.cmd", "picture.png"}) {
        SCOPED_TRACE(target);
        const test::ProgramResult r = run({std::string("--screenshot=") + target, "counter8.cmd"});
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_TRUE(Contains(r.err, "the picture cannot be saved")) << r.err;
    }
    EXPECT_EQ(ReadText(dir / "old.xyz"), "an older picture");
    EXPECT_EQ(ReadText(dir / "counter8.cmd"), script);
    EXPECT_TRUE(test::IsFifo(dir / "picture.png"));

    write("shot.png", "an older picture");
    const test::ProgramResult r = run({"--screenshot=shot.png", "counter8.cmd"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(ReadText(dir / "shot.png").starts_with("\x89PNG")) << "not a PNG";
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_FALSE(entry.path().filename().string().ends_with(".tmp")) << entry.path();
}

} // namespace
} // namespace cellwatch
