// The JUnit report stays well-formed whatever names and messages it carries, and counts right.

#include "batch/junit_report.h"

#include "batch_support.h"
#include "xml_check.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace cellwatch {
namespace {

using test::XmlReader;

std::string escaped(std::string_view text) {
    std::string out;
    appendXmlEscaped(out, text);
    return out;
}

TEST(XmlEscape, MarkupCharactersBecomeEntities) {
    EXPECT_EQ(escaped("a<b>&\"c\"'d'"), "a&lt;b&gt;&amp;&quot;c&quot;&apos;d&apos;");
    EXPECT_EQ(escaped("counter8\\q0"), "counter8\\q0");
}

TEST(XmlEscape, LineEndsAndTabsSurviveInAttributes) {
    EXPECT_EQ(escaped("a\tb\r\nc"), "a&#9;b&#13;&#10;c");
}

TEST(XmlEscape, BytesXmlCannotCarryAreReplaced) {
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(escaped(std::string("a\0b", 3)), "a" + fffd + "b");
    EXPECT_EQ(escaped("\x01\x1F"), fffd + fffd);
    EXPECT_EQ(escaped("\xFF"), fffd);                       // never a UTF-8 byte
    EXPECT_EQ(escaped("\xC3"), fffd);                       // truncated sequence at the end
    EXPECT_EQ(escaped("\xC0\xAF"), fffd + fffd);            // overlong '/'
    EXPECT_EQ(escaped("\xED\xA0\x80"), fffd + fffd + fffd); // a surrogate
    EXPECT_EQ(escaped("\xEF\xBF\xBE"), fffd + fffd + fffd); // U+FFFE
}

TEST(XmlEscape, WellFormedUtf8IsKept) {
    EXPECT_EQ(escaped("gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80"),
              "gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xF0\x9F\x98\x80");
}

JUnitSuite sampleSuite() {
    JUnitSuite suite;
    suite.name = "a<b>.cmd";
    suite.className = "a<b>.cmd";
    suite.cases.push_back({"check counter8\\q0 (line 3)", JUnitCase::Outcome::Passed, "", ""});
    suite.cases.push_back(
        {"check count (line 9)", JUnitCase::Outcome::Failed, "Assertion failed on count", ""});
    suite.cases.push_back({"run a.cmd", JUnitCase::Outcome::Error, "1 error(s) in the run",
                           "ERROR: LOADCAL - \"x & y\"\n\x01"});
    return suite;
}

TEST(JUnitReport, DocumentIsWellFormedWithCountsThatMatchItsCases) {
    const std::string xml = formatJUnit(sampleSuite());
    XmlReader reader;
    auto root = reader.parse(xml);
    ASSERT_TRUE(root) << reader.error() << "\n" << xml;
    EXPECT_EQ(root->name, "testsuites");
    const auto suites = root->all("testsuite");
    ASSERT_EQ(suites.size(), 1u);
    EXPECT_EQ(suites[0]->attr("name"), "a<b>.cmd");
    for (const test::XmlNode* node : {static_cast<const test::XmlNode*>(root.get()), suites[0]}) {
        EXPECT_EQ(node->attr("tests"), "3");
        EXPECT_EQ(node->attr("failures"), "1");
        EXPECT_EQ(node->attr("errors"), "1");
    }
    const auto cases = root->all("testcase");
    ASSERT_EQ(cases.size(), 3u);
    EXPECT_EQ(cases[0]->attr("name"), "check counter8\\q0 (line 3)");
    EXPECT_TRUE(cases[0]->children.empty());
    const auto failures = root->all("failure");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0]->attr("message"), "Assertion failed on count");
    EXPECT_EQ(failures[0]->text, "Assertion failed on count");
    const auto errors = root->all("error");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(test::Contains(errors[0]->text, "\"x & y\"\n"));
}

TEST(JUnitReport, EmptySuiteIsStillAReport) {
    JUnitSuite suite;
    suite.name = "empty.cmd";
    XmlReader reader;
    auto root = reader.parse(formatJUnit(suite));
    ASSERT_TRUE(root) << reader.error();
    EXPECT_EQ(root->attr("tests"), "0");
    EXPECT_TRUE(root->all("testcase").empty());
}

class JUnitFileTest : public test::BatchFolderTest {};

TEST_F(JUnitFileTest, ReplacesAnOldReportWhole) {
    const std::string target = write("report.xml", "old and much longer content than the new report has");
    ASSERT_TRUE(writeJUnit(target, sampleSuite()));
    EXPECT_EQ(test::ReadText(target), formatJUnit(sampleSuite()));
}

TEST_F(JUnitFileTest, AFolderThatCannotBeWrittenFailsAndLeavesNothing) {
    EXPECT_FALSE(writeJUnit(path("missing/report.xml"), sampleSuite()));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

} // namespace
} // namespace cellwatch
