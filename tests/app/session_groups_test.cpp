// Tracing a name and removing entries from the trace list, and making, ungrouping and deleting
// groups, with the script's sections and the views kept in step.

#include "session_fixture.h"

#include "design/design_element.h"
#include "script/script_file.h"

namespace cellwatch {
namespace {

class GroupTest : public SessionTest {
protected:
    CWizDoc& parsed() {
        CWizDoc& d = openBatch("basic.cmd");
        d.setSymbolView(&tree);
        d.setTraceView(&list);
        d.ParseScript();
        return d;
    }
    std::vector<std::string> section(std::string_view begin, std::string_view end) {
        const SectionRange r = findSection(*doc->scriptBuffer(), begin, end);
        std::vector<std::string> lines;
        for (int n = r.first; n < r.last; ++n)
            lines.push_back(doc->scriptBuffer()->line(n));
        return lines;
    }
};

TEST_F(GroupTest, TracingANameAddsTheEntryItsScriptLineAndRedraws) {
    CWizDoc& d = parsed();
    views.calls.clear();
    const int updates = host->viewUpdates;
    ASSERT_TRUE(d.addTraceAndScriptLine("top\\a2"));
    EXPECT_EQ(traceNames(), (std::vector<std::string>{"nib", "top\\b", "top\\a2"}));
    EXPECT_EQ(section(kTraceBeginMarker, kTraceEndMarker),
              (std::vector<std::string>{"trace nib", "trace top\\b", "trace top\\a2"}));
    EXPECT_NE(std::find(views.calls.begin(), views.calls.end(), "trace:add a2"), views.calls.end());
    EXPECT_EQ(host->viewUpdates, updates + 1);

    // Unknown and already traced names are refused with the same message, and nothing changes.
    EXPECT_FALSE(d.addTraceAndScriptLine("no\\such"));
    EXPECT_FALSE(d.addTraceAndScriptLine("top\\a2"));
    EXPECT_EQ(host->messages, (std::vector<std::string>{"Cannot add symbol \"no\\such\"!",
                                                        "Cannot add symbol \"top\\a2\"!"}));
    EXPECT_EQ(traceNames().size(), 3u);
    EXPECT_EQ(section(kTraceBeginMarker, kTraceEndMarker).size(), 3u);
    EXPECT_EQ(host->viewUpdates, updates + 1);
}

TEST_F(GroupTest, RemovingEntriesDropsTheirScriptLinesAndItems) {
    CWizDoc& d = parsed();
    ASSERT_TRUE(d.addTraceAndScriptLine("top\\a2"));
    views.calls.clear();
    d.removeTracesAndScriptLines({d.FindTrace(d.findElement("top\\b")), d.FindTrace(d.findElement("top\\a2"))});
    EXPECT_EQ(traceNames(), (std::vector<std::string>{"nib"}));
    EXPECT_EQ(section(kTraceBeginMarker, kTraceEndMarker), (std::vector<std::string>{"trace nib"}));
    // Last first, as the list removes its rows.
    const std::vector<std::string> removed{"trace:remove a2", "trace:remove b"};
    std::vector<std::string> seen;
    for (const std::string& call : views.calls)
        if (call.rfind("trace:remove", 0) == 0)
            seen.push_back(call);
    EXPECT_EQ(seen, removed);
}

TEST_F(GroupTest, MakeGroupAsksForAUniqueNameAndRewritesTheSections) {
    CWizDoc& d = parsed();
    TracedComponent* b = d.FindTrace(d.findElement("top\\b"));
    TracedComponent* nib = d.FindTrace(d.findElement("nib"));
    host->texts = {std::string(), std::string("nib"), std::string("Default")};
    ASSERT_TRUE(d.makeGroup({nib, b}));
    EXPECT_EQ(host->messages, (std::vector<std::string>{"You must enter a name for the new group!",
                                                        "The group name must be unique!"}));
    EXPECT_EQ(host->textPrompts.front(), "Default");
    DesignElement* group = d.findElement("Default");
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->size, 5u);
    EXPECT_EQ(traceNames(), (std::vector<std::string>{"Default"}));
    EXPECT_EQ(section(kVectorBeginMarker, kVectorEndMarker),
              (std::vector<std::string>{"vector nib top\\a3 top\\a2 top\\a1 top\\a0",
                                        "vector Default nib top\\b"}));
    EXPECT_EQ(section(kTraceBeginMarker, kTraceEndMarker), (std::vector<std::string>{"trace Default"}));
    EXPECT_NE(std::find(views.calls.begin(), views.calls.end(), "tree:add Default"), views.calls.end());

    // The name is taken now; cancelling the dialog changes nothing.
    host->messages.clear();
    host->texts = {std::string("Default"), std::nullopt};
    EXPECT_FALSE(d.makeGroup({d.FindTrace(group)}));
    EXPECT_EQ(host->messages, (std::vector<std::string>{"The group name must be unique!"}));
    EXPECT_EQ(traceNames(), (std::vector<std::string>{"Default"}));
}

TEST_F(GroupTest, MakeGroupRefusals) {
    CWizDoc& d = parsed();
    EXPECT_FALSE(d.makeGroup({}));
    d.DispatchCommand("vector w1 top\\a0 top\\a1 top\\a2 top\\a3 nib nib nib nib nib nib nib");
    ASSERT_NE(d.findElement("w1"), nullptr);
    ASSERT_TRUE(d.AddTrace("w1"));
    EXPECT_FALSE(d.makeGroup({d.FindTrace(d.findElement("w1")), d.FindTrace(d.findElement("top\\b"))}));
    EXPECT_EQ(host->messages,
              (std::vector<std::string>{"Not enough components selected to make group!",
                                        "Cannot make vector as it is too large (the maximum is 32 bits)."}));
    EXPECT_EQ(traceNames().size(), 3u);
}

TEST_F(GroupTest, UngroupTracesMissingMembersOnly) {
    CWizDoc& d = parsed();
    ASSERT_TRUE(d.AddTrace("top\\a2"));
    TracedComponent* nib = d.FindTrace(d.findElement("nib"));
    EXPECT_TRUE(d.ungroup({nib}));
    EXPECT_EQ(traceNames(), (std::vector<std::string>{"top\\b", "top\\a2", "top\\a3", "top\\a1", "top\\a0"}));
    EXPECT_EQ(section(kTraceBeginMarker, kTraceEndMarker),
              (std::vector<std::string>{"trace top\\b", "trace top\\a3", "trace top\\a1", "trace top\\a0"}));
    EXPECT_NE(d.findElement("nib"), nullptr); // the group stays in the hierarchy

    EXPECT_FALSE(d.ungroup({d.FindTrace(d.findElement("top\\b"))}));
    EXPECT_EQ(host->messages, (std::vector<std::string>{"You can only ungroup groups!!! Duh!"}));
}

TEST_F(GroupTest, DeleteGroupDropsItsTraceItsVectorLineAndGroupsBuiltOnIt) {
    CWizDoc& d = parsed();
    d.DispatchCommand("vector outer nib top\\b");
    ASSERT_TRUE(d.AddTrace("outer"));
    d.DispatchCommand("clock nib 0001 0010");
    ASSERT_EQ(d.sequenceList().size(), 1u);
    d.DeleteGroup(d.findElement("top\\b")); // not a group: nothing happens
    EXPECT_EQ(traceNames().size(), 3u);

    d.DeleteGroup(d.findElement("nib"));
    EXPECT_EQ(d.findElement("nib"), nullptr);
    EXPECT_EQ(d.findElement("outer"), nullptr);
    EXPECT_EQ(traceNames(), (std::vector<std::string>{"top\\b"}));
    EXPECT_TRUE(d.sequenceList().empty());
    EXPECT_TRUE(section(kVectorBeginMarker, kVectorEndMarker).empty());
    EXPECT_EQ(section(kTraceBeginMarker, kTraceEndMarker), (std::vector<std::string>{"trace top\\b"}));
    EXPECT_NE(std::find(views.calls.begin(), views.calls.end(), "tree:remove nib"), views.calls.end());
    EXPECT_NE(std::find(views.calls.begin(), views.calls.end(), "trace:remove nib"), views.calls.end());
}

TEST_F(GroupTest, MissingSectionIsLoggedWhenATraceLineCannotBeAdded) {
    CWizDoc& d = openBatch("order.cmd");
    d.ParseScript();
    // order.cmd has its trace section; drop its end marker to damage it.
    const int end = findMarkerLine(*d.scriptBuffer(), kTraceEndMarker);
    ASSERT_GE(end, 0);
    d.scriptBuffer()->deleteLines(end, 1);
    host->texts = {std::string("g")};
    ASSERT_TRUE(d.makeGroup({d.FindTrace(d.findElement("top\\b"))}));
    EXPECT_EQ(d.logLines().back(), "ERROR: Failed to find correct |GRT_ section in the command script.");
}

} // namespace
} // namespace cellwatch
