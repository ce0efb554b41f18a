// The design hierarchy: elements built from a symbol table, composites on demand, groups, lookups,
// removal, growth and readability.
#include "design/design_tree.h"
#include "design/element_info.h"
#include "design/name_hash.h"
#include "design/symbol_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace cellwatch;

namespace {

std::vector<std::string> listOrder(const DesignTree& tree) {
    std::vector<std::string> names;
    for (const DesignElement* e = tree.first(); e; e = e->next)
        names.push_back(e->fullName);
    return names;
}

class DesignTreeTest : public ::testing::Test {
protected:
    void TearDown() override { selectDevice(1); }

    DesignTree& build(const std::string& text) {
        EXPECT_TRUE(symbols.loadFromBuffer(text)) << text;
        tree = std::make_unique<DesignTree>(&symbols);
        tree->buildFromSymbols();
        return *tree;
    }

    SymbolTable symbols;
    std::unique_ptr<DesignTree> tree;
};

} // namespace

TEST_F(DesignTreeTest, CompositesAreMadeUpThePath) {
    DesignTree& t = build("S a\\b\\c 0 0 1 2 R S\nS a\\b\\d 0 0 1 3 R C!\n");
    ASSERT_EQ(t.count(), 4u);
    DesignElement* a = t.find("a");
    DesignElement* ab = t.find("A\\b");
    DesignElement* c = t.find("A\\B\\C");
    DesignElement* d = t.find("a\\b\\d");
    ASSERT_TRUE(a && ab && c && d);

    EXPECT_EQ(a->type, ElementType::Composite);
    EXPECT_EQ(a->size, 1u);
    ASSERT_EQ(a->children.size(), 1u);
    EXPECT_EQ(a->children[0], ab);
    EXPECT_EQ(a->parent, nullptr);
    EXPECT_EQ(a->row, -1);
    EXPECT_EQ(ab->size, 2u);
    EXPECT_EQ(ab->parent, a);
    EXPECT_EQ(ab->shortName, "b");

    EXPECT_EQ(c->type, ElementType::Symbol);
    EXPECT_EQ(c->fullName, "a\\b\\c");
    EXPECT_EQ(c->shortName, "c");
    EXPECT_EQ(c->parent, ab);
    EXPECT_EQ(c->size, 1u);
    EXPECT_FALSE(c->hasChildList);
    EXPECT_EQ(c->column, 1);
    EXPECT_EQ(c->row, 2);
    EXPECT_EQ(c->combinatorial, 0);
    EXPECT_FALSE(c->inverted);
    EXPECT_EQ(c->radix, -1);
    EXPECT_EQ(d->combinatorial, 1);
    EXPECT_TRUE(d->inverted);
    // The composites enter the tree before the first symbol that needs them.
    const std::vector<std::string> order = listOrder(t);
    EXPECT_EQ(order[0], "a");
    EXPECT_EQ(order[1], "a\\b");
}

TEST_F(DesignTreeTest, WhichSymbolsBecomeElements) {
    DesignTree& t = build("S top 0 0 1 2 R S\nS hidden 0 0 1 2 R P\nC col 1 0xff R\n");
    EXPECT_EQ(t.count(), 1u);
    DesignElement* top = t.find("top");
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->parent, nullptr);
    EXPECT_EQ(top->shortName, "top");
    EXPECT_EQ(t.find("hidden"), nullptr);
    EXPECT_EQ(t.find("col"), nullptr);
}

TEST_F(DesignTreeTest, RowComesFromTheAddressWordOfTheFittedDevice) {
    DesignTree& t = build("S r 0 0 70 70 R S\n");
    DesignElement* r = t.find("r");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->column, 70); // the column is kept as read
    EXPECT_EQ(r->row, 6);     // the row is cut to the 6-bit field
    EXPECT_EQ(r->typeCode, kTypeR);
}

TEST_F(DesignTreeTest, TakenNamesAreRefusedWhateverTheCase) {
    DesignTree& t = build("S a\\b 0 0 1 2 R S\n");
    EXPECT_EQ(t.addElement("A\\B", ElementType::Symbol), nullptr);
    EXPECT_EQ(t.addElement("A", ElementType::Group, {t.find("a\\b")}), nullptr);
    EXPECT_EQ(t.addElement("clock", ElementType::SoftwareClock), nullptr);
    EXPECT_EQ(t.count(), 2u);
}

TEST_F(DesignTreeTest, ASymbolCanBecomeAParent) {
    // A register named like a level of another name takes that name as its child, and is then
    // judged readable by its children.
    ASSERT_TRUE(symbols.loadFromBuffer("S a 0 0 1 2 W S\nS a\\q 0 0 1 3 R S\n"));
    DesignTree t(&symbols);
    DesignElement* a = t.addElement("a", ElementType::Symbol);
    ASSERT_NE(a, nullptr);
    EXPECT_FALSE(isReadable(*a));
    DesignElement* q = t.addElement("a\\q", ElementType::Symbol);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->parent, a);
    EXPECT_EQ(a->type, ElementType::Symbol);
    EXPECT_TRUE(a->hasChildList);
    EXPECT_EQ(a->size, 2u);
    EXPECT_TRUE(isReadable(*a));
}

TEST_F(DesignTreeTest, GroupsTakeCommonRowAndColumnAndSumSizes) {
    DesignTree& t = build("S p 0 0 1 3 R S\nS q 0 0 2 3 R S\nS r 0 0 3 3 R S\n");
    DesignElement* inner = t.addElement("inner", ElementType::Group, {t.find("p"), t.find("q")});
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->size, 2u);
    DesignElement* g = t.addElement("vec", ElementType::Group, {inner, t.find("r")});
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->type, ElementType::Group);
    EXPECT_EQ(g->size, 3u);
    EXPECT_EQ(g->row, 3);
    EXPECT_EQ(g->column, -1);
    EXPECT_EQ(g->parent, nullptr);
    ASSERT_EQ(g->children.size(), 2u);
    EXPECT_EQ(g->children[0], inner);

    DesignElement* empty = t.addElement("none", ElementType::Group, {});
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->size, 0u);
    EXPECT_EQ(empty->row, -1);
    EXPECT_TRUE(isReadable(*empty));
}

TEST_F(DesignTreeTest, Readability) {
    DesignTree& t = build("S c\\r1 0 0 1 1 R S\nS c\\r2 0 0 1 2 B S\nS d\\r 0 0 1 3 R S\n"
                          "S d\\w 0 0 1 4 W S\nS x 0 0 1 5 X S\n");
    EXPECT_TRUE(isReadable(*t.find("c")));
    EXPECT_FALSE(isReadable(*t.find("d")));
    EXPECT_FALSE(isReadable(*t.find("x")));
    EXPECT_TRUE(isReadable(*t.find("d\\r")));
    DesignElement* g = t.addElement("g", ElementType::Group, {t.find("c"), t.find("d\\w")});
    EXPECT_FALSE(isReadable(*g));
}

TEST(DesignTreeSlots, GrowsAfterSixtyElementsAndKeepsAddresses) {
    DesignTree t;
    EXPECT_EQ(t.capacity(), 61u);
    std::vector<DesignElement*> made;
    for (int i = 0; i < 60; ++i)
        made.push_back(t.addElement("e" + std::to_string(i), ElementType::Composite));
    EXPECT_EQ(t.capacity(), 61u);
    EXPECT_EQ(t.count(), 60u);

    // After growth the list follows the old slot order.
    std::vector<DesignElement*> bySlot(61, nullptr);
    for (DesignElement* e : made)
        bySlot[static_cast<std::size_t>(e->slot)] = e;
    std::vector<std::string> expected;
    for (DesignElement* e : bySlot)
        if (e)
            expected.push_back(e->fullName);
    expected.push_back("e60");

    ASSERT_NE(t.addElement("e60", ElementType::Composite), nullptr);
    EXPECT_EQ(t.capacity(), 89u);
    EXPECT_EQ(t.count(), 61u);
    EXPECT_EQ(listOrder(t), expected);
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(t.find("E" + std::to_string(i)), made[static_cast<std::size_t>(i)]);
    EXPECT_EQ(t.last()->fullName, "e60");
    EXPECT_EQ(t.first()->previous, nullptr);
}

TEST(DesignTreeSlots, RemoveHandsTheElementBack) {
    DesignTree t;
    DesignElement* a = t.addElement("a", ElementType::Composite);
    DesignElement* b = t.addElement("b", ElementType::Composite);
    DesignElement* c = t.addElement("c", ElementType::Composite);
    std::unique_ptr<DesignElement> taken = t.remove(b);
    ASSERT_EQ(taken.get(), b);
    EXPECT_EQ(t.count(), 2u);
    EXPECT_EQ(t.find("b"), nullptr);
    EXPECT_EQ(a->next, c);
    EXPECT_EQ(c->previous, a);
    EXPECT_EQ(t.remove(b), nullptr); // not in the tree any more

    EXPECT_EQ(t.remove(a).get(), a);
    EXPECT_EQ(t.first(), c);
    EXPECT_EQ(t.remove(c).get(), c);
    EXPECT_EQ(t.first(), nullptr);
    EXPECT_EQ(t.last(), nullptr);

    // A removed element can come back, as the software clock does.
    taken->fullName = kSoftwareClockName;
    taken->type = ElementType::SoftwareClock;
    DesignElement* clock = t.insert(std::move(taken));
    EXPECT_EQ(t.find("software_clock"), clock);
}

TEST(DesignTreeSlots, FindEndsWhenRemovalsLeaveNoEmptySlot) {
    DesignTree t;
    std::vector<DesignElement*> made;
    for (int i = 0; i < 60; ++i)
        made.push_back(t.addElement("e" + std::to_string(i), ElementType::Composite));
    std::vector<bool> used(61, false);
    for (DesignElement* e : made)
        used[static_cast<std::size_t>(e->slot)] = true;
    int emptySlot = 0;
    while (used[static_cast<std::size_t>(emptySlot)])
        ++emptySlot;

    // Leave a removed-marker, then add names until one lands in the last empty slot.
    t.remove(made[0]);
    bool filled = false;
    for (int i = 0; i < 1000 && !filled; ++i) {
        DesignElement* e = t.addElement("n" + std::to_string(i), ElementType::Composite);
        ASSERT_NE(e, nullptr);
        if (e->slot == emptySlot)
            filled = true;
        else
            t.remove(e);
    }
    ASSERT_TRUE(filled);
    EXPECT_EQ(t.capacity(), 61u);
    EXPECT_EQ(t.find("not there"), nullptr);
    for (std::size_t i = 1; i < made.size(); ++i)
        EXPECT_EQ(t.find(made[i]->fullName), made[i]);
}

TEST(DesignTreeSlots, ClearSlotsForgetsAndDestroyAllFrees) {
    DesignTree t;
    t.addElement("a\\b", ElementType::Composite);
    t.clearSlots();
    EXPECT_EQ(t.capacity(), 0u);
    EXPECT_EQ(t.count(), 0u);
    EXPECT_EQ(t.find("a"), nullptr);
    EXPECT_EQ(t.first(), nullptr);
    EXPECT_EQ(t.remove(nullptr), nullptr);

    ASSERT_NE(t.addElement("a", ElementType::Composite), nullptr);
    EXPECT_EQ(t.capacity(), 61u);
    t.destroyAll();
    EXPECT_EQ(t.capacity(), 0u);
    EXPECT_EQ(t.first(), nullptr);
}

TEST(ElementInfoTest, Texts) {
    DesignElement e;
    e.fullName = "top\\q";
    e.size = 1;
    e.column = 12;
    e.row = -1;
    ElementInfo info = elementInfo(e);
    EXPECT_EQ(info.name, "top\\q");
    EXPECT_EQ(info.type, "Sequential logic");
    EXPECT_EQ(info.size, "1");
    EXPECT_EQ(info.column, "12");
    EXPECT_EQ(info.row, "n\\a");
    e.combinatorial = 1;
    EXPECT_STREQ(elementTypeText(e), "Combinatorial logic");
    e.type = ElementType::Composite;
    EXPECT_STREQ(elementTypeText(e), "Composite");
    e.type = ElementType::Group;
    EXPECT_STREQ(elementTypeText(e), "Group");
    e.type = ElementType::SoftwareClock;
    EXPECT_STREQ(elementTypeText(e), "Software clock");
}

TEST_F(DesignTreeTest, DuplicateSymbolsAnswerWithTheFirstOfTheirName) {
    // A hidden first record hides its later namesakes; a shown first record gives its own fields.
    DesignTree& t = build("S a 0 0 1 2 R P\nS A 0 0 1 2 R S\nS b 0 0 3 4 R S\nS B 0 0 5 6 W P\n");
    EXPECT_EQ(t.find("a"), nullptr);
    DesignElement* b = t.find("b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->column, 3);
    EXPECT_EQ(b->typeCode, kTypeR);
    EXPECT_EQ(t.count(), 1u);
}

// Names of any bytes: only ASCII letters fold, and removals keep every other name reachable.
TEST(DesignTreeNames, CaseFoldingAndRemovalOverManyNames) {
    std::uint32_t seed = 12345;
    auto random = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    DesignTree t;
    std::vector<DesignElement*> made;
    for (int i = 0; i < 3000; ++i) {
        std::string name;
        const std::size_t length = 1 + random() % 40;
        for (std::size_t k = 0; k < length; ++k) {
            char c = static_cast<char>(random() % 256);
            name += c == '\\' ? '@' : c;
        }
        name += std::to_string(i); // unique whatever the case
        DesignElement* e = t.addElement(name, ElementType::Group);
        ASSERT_NE(e, nullptr);
        made.push_back(e);
    }
    auto swapCase = [](std::string s) {
        for (char& c : s)
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
                c = static_cast<char>(c ^ 0x20);
        return s;
    };
    for (DesignElement* e : made)
        ASSERT_EQ(t.find(swapCase(e->fullName)), e) << e->fullName;
    EXPECT_EQ(t.find("@[`{"), nullptr);
    t.addElement("@[", ElementType::Group);
    EXPECT_EQ(t.find("`{"), nullptr); // '@' and '`', '[' and '{' are no case pairs

    for (std::size_t i = 0; i < made.size(); i += 2)
        ASSERT_NE(t.remove(made[i]), nullptr);
    for (std::size_t i = 0; i < made.size(); ++i) {
        if (i % 2 == 0)
            continue;
        ASSERT_EQ(t.find(made[i]->fullName), made[i]);
    }
    EXPECT_EQ(t.count(), 1501u);
}

TEST(DesignTreeSlots, ARemovedLevelIsMadeAgainForItsNextChild) {
    DesignTree t;
    DesignElement* first = t.addElement("top\\blk\\a", ElementType::Symbol);
    ASSERT_NE(first, nullptr);
    DesignElement* blk = t.find("top\\blk");
    ASSERT_NE(blk, nullptr);
    EXPECT_EQ(first->parent, blk);

    // The level just used as a parent goes away; the next child under that name needs a new one.
    std::unique_ptr<DesignElement> gone = t.remove(blk);
    ASSERT_EQ(gone.get(), blk);
    DesignElement* second = t.addElement("top\\blk\\b", ElementType::Symbol);
    ASSERT_NE(second, nullptr);
    DesignElement* remade = t.find("top\\blk");
    ASSERT_NE(remade, nullptr);
    EXPECT_NE(remade, gone.get());
    EXPECT_EQ(second->parent, remade);
    ASSERT_EQ(remade->children.size(), 1u);
    EXPECT_EQ(remade->children.front(), second);
}
