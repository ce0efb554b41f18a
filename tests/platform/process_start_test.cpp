#include "platform/process_start.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace cellwatch {
namespace {

using Words = std::vector<std::string>;

TEST(ProcessStartTest, CommandLineSplitsLikeAShell) {
    // The wave viewer's line: the path as stored, then the quoted VCD file.
    EXPECT_EQ(splitCommandLine("/usr/bin/viewer \"/home/me/HLC_temp/HLCa1b2.vcd\""),
              (Words{"/usr/bin/viewer", "/home/me/HLC_temp/HLCa1b2.vcd"}));
    // An unquoted path with blanks splits at the blanks; quoting keeps it whole.
    EXPECT_EQ(splitCommandLine("/opt/wave tools/viewer \"a b.vcd\""),
              (Words{"/opt/wave", "tools/viewer", "a b.vcd"}));
    EXPECT_EQ(splitCommandLine("\"/opt/wave tools/viewer\" --x \"a b.vcd\""),
              (Words{"/opt/wave tools/viewer", "--x", "a b.vcd"}));
    EXPECT_TRUE(splitCommandLine("   ").empty());
}

TEST(ProcessStartTest, EmptyOrMissingProgramIsReported) {
    StartStatus status = startDetached("");
    EXPECT_FALSE(status.ok);
    EXPECT_FALSE(status.error.empty());
    status = startDetached("/no/such/program/cellwatch-viewer \"x.vcd\"");
    EXPECT_FALSE(status.ok);
    EXPECT_NE(status.error.find("/no/such/program/cellwatch-viewer"), std::string::npos) << status.error;
}

TEST(ProcessStartTest, ProgramWithBlanksInItsPathGetsItsArgument) {
    QTemporaryDir dir(QDir::tempPath() + "/cw start XXXXXX");
    ASSERT_TRUE(dir.isValid());
    const QString script = dir.filePath("fake viewer.sh");
    const QString marker = dir.filePath("seen.txt");
    {
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$2.part\" && mv \"$2.part\" \"$2\"\n");
    }
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const std::string line =
        "\"" + script.toStdString() + "\" \"my trace.vcd\" \"" + marker.toStdString() + "\"";
    const StartStatus status = startDetached(line);
    ASSERT_TRUE(status.ok) << status.error;
    EXPECT_GT(status.processId, 0);
    // The program runs on its own; wait for what it leaves behind, not for a fixed time.
    QDeadlineTimer deadline(20000);
    while (!QFileInfo::exists(marker) && !deadline.hasExpired())
        QThread::msleep(10);
    QFile seen(marker);
    ASSERT_TRUE(seen.open(QIODevice::ReadOnly));
    EXPECT_EQ(seen.readAll(), "my trace.vcd");
}

} // namespace
} // namespace cellwatch
