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

} // namespace
} // namespace cellwatch
