#include "board/emulator/word_ops.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <unordered_map>

namespace cellwatch {

namespace {

// How an operation reaches one input of its cells: at a fixed distance from each cell, from one
// cell for all of them, or not at all (the tables ignore it).
struct Reach {
    enum class Kind : std::uint8_t { Free = 0, Distance = 1, Shared = 2 };
    Kind kind = Kind::Free;
    std::int64_t value = 0; // the distance, or the shared cell
    bool operator==(const Reach&) const = default;
    std::uint64_t key() const {
        return static_cast<std::uint64_t>(kind) << 40 | static_cast<std::uint64_t>(value + (std::int64_t{1} << 32));
    }
};

bool tableAt(std::uint8_t table, unsigned a, unsigned b) { return (table >> (a + 2 * b)) & 1u; }

// The table of f(b, a): the inputs change places.
std::uint8_t swapped(std::uint8_t table) {
    return static_cast<std::uint8_t>((table & 0x9u) | ((table & 0x2u) << 1) | ((table & 0x4u) >> 1));
}

struct Placed {
    Reach a;
    Reach b;
    std::uint8_t table; // over the operation's inputs, constants folded in
    std::uint32_t word;
    std::uint32_t bit;
};

// Whether a lone repeating operation is a chain (see GateProgram::Stage::chain): one input is the
// row below in its own word, the other reads nothing of that word.
std::uint8_t chainSide(const WordOp& op, bool lone) {
    if (!lone || op.dst == 0)
        return 0;
    const auto below = [&](std::uint32_t word, unsigned shift, bool broadcast) {
        return !broadcast && word + 1 == op.dst && shift == 63;
    };
    const auto apart = [&](std::uint32_t word, unsigned shift, bool broadcast) {
        return broadcast ? word != op.dst : word != op.dst && !(word + 1 == op.dst && shift != 0);
    };
    if (below(op.aWord, op.aShift, op.aBroadcast) && apart(op.bWord, op.bShift, op.bBroadcast))
        return 1;
    if (below(op.bWord, op.bShift, op.bBroadcast) && apart(op.aWord, op.aShift, op.aBroadcast))
        return 2;
    return 0;
}

} // namespace

GroupedCells groupCells(const std::vector<CellInputs>& cells, std::uint32_t count,
                        const std::vector<std::uint8_t>& flags, std::uint8_t netSourceFlag,
                        std::uint8_t gateInputFlag, bool blend) {
    GroupedCells g;
    const std::size_t n = cells.size();
    g.opOfCell.assign(n, 0);
    g.usedA.assign(n, count);
    g.usedB.assign(n, count);

    // Constants go into the table; an input the table then ignores is free.
    std::vector<Placed> placed(n);
    // (word, source) once per cell of the word reading it; sorted, a key's run counts its readers.
    std::vector<std::uint64_t> readers;
    readers.reserve(2 * n);
    const auto readerKey = [](std::uint32_t word, std::uint32_t source) {
        return static_cast<std::uint64_t>(word) << 32 | source;
    };
    for (std::size_t k = 0; k < n; ++k) {
        const CellInputs& c = cells[k];
        const int ca = c.a >= count ? static_cast<int>(c.a - count) : -1;
        const int cb = c.b >= count ? static_cast<int>(c.b - count) : -1;
        std::uint8_t t = 0;
        for (unsigned x = 0; x < 2; ++x)
            for (unsigned y = 0; y < 2; ++y)
                if (tableAt(c.table, ca >= 0 ? static_cast<unsigned>(ca) : x, cb >= 0 ? static_cast<unsigned>(cb) : y))
                    t = static_cast<std::uint8_t>(t | 1u << (x + 2 * y));
        const bool dependsOnA = ((t ^ (t >> 1)) & 0x5u) != 0;
        const bool dependsOnB = ((t ^ (t >> 2)) & 0x3u) != 0;
        if (dependsOnA)
            g.usedA[k] = c.a;
        if (dependsOnB)
            g.usedB[k] = c.b;
        const std::uint32_t bit = c.self + kWordBitBase;
        placed[k].table = t;
        placed[k].word = bit >> 6;
        placed[k].bit = bit & 63u;
        // A cell reading itself (a register's feedback) is at distance 0 like its neighbours.
        if (dependsOnA && c.a != c.self)
            readers.push_back(readerKey(placed[k].word, c.a));
        if (dependsOnB && c.b != c.self && c.b != (dependsOnA ? c.a : count))
            readers.push_back(readerKey(placed[k].word, c.b));
    }
    std::sort(readers.begin(), readers.end());
    const auto readerCount = [&](std::uint64_t key) {
        const auto [first, last] = std::equal_range(readers.begin(), readers.end(), key);
        return last - first;
    };
    // A source several other cells of one word read (a feedback bit, an enable) is shared; any other
    // is reached by its distance, which neighbouring cells of a regular design have in common.
    const auto reach = [&](std::size_t k, std::uint32_t source) {
        Reach r;
        if (source == count)
            return r;
        if (source != cells[k].self && readerCount(readerKey(placed[k].word, source)) >= 2) {
            r.kind = Reach::Kind::Shared;
            r.value = source;
        } else {
            r.kind = Reach::Kind::Distance;
            r.value = static_cast<std::int64_t>(source) - static_cast<std::int64_t>(cells[k].self);
        }
        return r;
    };
    for (std::size_t k = 0; k < n; ++k) {
        placed[k].a = reach(k, g.usedA[k]);
        placed[k].b = reach(k, g.usedB[k]);
    }

    std::vector<std::pair<Reach, Reach>> opReach;
    std::map<std::tuple<std::uint32_t, std::uint64_t, std::uint64_t>, std::uint32_t> byKey;
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> byWord;
    const auto open = [&](std::uint32_t word, const Reach& a, const Reach& b) {
        const auto key = std::make_tuple(word, a.key(), b.key());
        const auto found = byKey.find(key);
        if (found != byKey.end())
            return found->second;
        const auto op = static_cast<std::uint32_t>(opReach.size());
        opReach.emplace_back(a, b);
        byKey.emplace(key, op);
        byWord[word].push_back(op);
        return op;
    };
    // Cells reading both inputs first; cells reading one join an operation that reaches that input
    // (on either side), so that the regular parts of a word share as few operations as possible.
    for (std::size_t k = 0; k < n; ++k)
        if (placed[k].a.kind != Reach::Kind::Free && placed[k].b.kind != Reach::Kind::Free)
            g.opOfCell[k] = open(placed[k].word, placed[k].a, placed[k].b);
    for (std::size_t k = 0; k < n; ++k) {
        Placed& p = placed[k];
        const bool freeA = p.a.kind == Reach::Kind::Free;
        const bool freeB = p.b.kind == Reach::Kind::Free;
        if (freeA == freeB)
            continue;
        const Reach used = freeA ? p.b : p.a;
        bool joined = false;
        for (std::uint32_t op : byWord[p.word]) {
            if (opReach[op].first == used || opReach[op].second == used) {
                const bool onA = opReach[op].first == used;
                if (onA == freeA) // the used input moves to the other side
                    p.table = swapped(p.table);
                g.opOfCell[k] = op;
                joined = true;
                break;
            }
        }
        if (!joined) {
            // Both sides read the used input, so its table reads it on either.
            g.opOfCell[k] = open(p.word, used, used);
        }
    }
    for (std::size_t k = 0; k < n; ++k) {
        const Placed& p = placed[k];
        if (p.a.kind != Reach::Kind::Free || p.b.kind != Reach::Kind::Free)
            continue;
        const auto& ops = byWord[p.word];
        const Reach self{Reach::Kind::Distance, 0};
        g.opOfCell[k] = ops.empty() ? open(p.word, self, self) : ops.front();
    }

    // With blend, an operation Y of a word joins an operation X of the same word that reaches input A
    // as Y reaches one of its inputs; Y's other input becomes X's second window for B.
    const std::size_t opened = opReach.size();
    std::vector<std::int32_t> mergedInto(opened, -1);
    std::vector<std::uint8_t> swapInputs(opened, 0); // Y's cells read A and B the other way round
    std::vector<std::uint8_t> hasSecond(opened, 0);
    std::vector<Reach> second(opened);
    if (blend) {
        const auto used = [](const Reach& r) { return r.kind != Reach::Kind::Free; };
        for (const auto& entry : byWord) {
            const std::vector<std::uint32_t>& list = entry.second;
            for (std::size_t i = 0; i < list.size(); ++i) {
                const std::uint32_t x = list[i];
                if (mergedInto[x] >= 0 || !used(opReach[x].first) || !used(opReach[x].second))
                    continue;
                for (std::size_t j = i + 1; j < list.size() && !hasSecond[x]; ++j) {
                    const std::uint32_t y = list[j];
                    if (mergedInto[y] >= 0 || hasSecond[y] || !used(opReach[y].first) || !used(opReach[y].second))
                        continue;
                    const bool swap = !(opReach[y].first == opReach[x].first);
                    if (swap && !(opReach[y].second == opReach[x].first))
                        continue;
                    const Reach other = swap ? opReach[y].first : opReach[y].second;
                    if (other.kind != Reach::Kind::Distance || other == opReach[x].second)
                        continue;
                    mergedInto[y] = static_cast<std::int32_t>(x);
                    swapInputs[y] = swap ? 1 : 0;
                    hasSecond[x] = 1;
                    second[x] = other;
                }
            }
        }
    }
    std::vector<std::uint32_t> finalIndex(opened, 0);
    std::uint32_t kept = 0;
    for (std::size_t o = 0; o < opened; ++o)
        if (mergedInto[o] < 0)
            finalIndex[o] = kept++;
    for (std::size_t o = 0; o < opened; ++o)
        if (mergedInto[o] >= 0)
            finalIndex[o] = finalIndex[static_cast<std::size_t>(mergedInto[o])];

    g.ops.resize(kept);
    const auto window = [&](std::uint32_t word, const Reach& r, std::uint32_t& at, std::uint8_t& shift, bool& broadcast) {
        // A distance from every cell of the word is a window starting that far from the word's first
        // bit; the cells' own sources lie inside the array, so the window does too.
        const std::int64_t bit = r.kind == Reach::Kind::Shared ? r.value + kWordBitBase
                                                               : std::int64_t{64} * word + r.value;
        at = static_cast<std::uint32_t>(bit >> 6);
        shift = static_cast<std::uint8_t>(bit & 63);
        broadcast = r.kind == Reach::Kind::Shared;
    };
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t openedOp = g.opOfCell[k];
        g.opOfCell[k] = finalIndex[openedOp];
        WordOp& op = g.ops[g.opOfCell[k]];
        const Placed& p = placed[k];
        const std::uint8_t table = swapInputs[openedOp] ? swapped(p.table) : p.table;
        op.dst = p.word;
        const std::uint64_t bit = std::uint64_t{1} << p.bit;
        const std::uint64_t t00 = table & 1u, t10 = (table >> 1) & 1u, t01 = (table >> 2) & 1u, t11 = (table >> 3) & 1u;
        op.mask |= bit;
        op.c0 |= t00 << p.bit;
        op.c1 |= (t00 ^ t10) << p.bit;
        op.c2 |= (t00 ^ t01) << p.bit;
        op.c3 |= (t00 ^ t10 ^ t01 ^ t11) << p.bit;
        if (mergedInto[openedOp] >= 0)
            op.bSelect |= bit;
        if (flags[cells[k].self] & netSourceFlag)
            op.netSources |= bit;
        if (flags[cells[k].self] & gateInputFlag)
            op.gateInputs |= bit;
    }
    for (std::size_t o = 0; o < opened; ++o) {
        if (mergedInto[o] >= 0)
            continue;
        WordOp& op = g.ops[finalIndex[o]];
        Reach a = opReach[o].first;
        Reach b = opReach[o].second;
        // A side no cell reads takes the other side's window (any window would do).
        if (a.kind == Reach::Kind::Free)
            a = b;
        if (b.kind == Reach::Kind::Free)
            b = a;
        window(op.dst, a, op.aWord, op.aShift, op.aBroadcast);
        window(op.dst, b, op.bWord, op.bShift, op.bBroadcast);
        if (hasSecond[o]) {
            bool broadcast = false;
            window(op.dst, second[o], op.b2Word, op.b2Shift, broadcast);
        }
    }
    return g;
}

GatePrograms orderGates(const GroupedCells& grouped, const std::vector<CellInputs>& cells, std::uint32_t count,
                        std::vector<std::uint8_t> needed, std::size_t words) {
    const std::size_t n = grouped.ops.size();
    std::vector<std::int32_t> position(count + 2, -1);
    for (std::size_t k = 0; k < cells.size(); ++k)
        position[cells[k].self] = static_cast<std::int32_t>(k);
    // An edge from the operation computing an input to the operation of the cell reading it.
    std::vector<std::vector<std::uint32_t>> next(n);
    std::vector<std::uint8_t> selfLoop(n, 0);
    std::vector<std::uint32_t> firstCell(n, static_cast<std::uint32_t>(cells.size()));
    std::vector<std::uint32_t> cellsOf(n, 0);
    for (std::size_t k = 0; k < cells.size(); ++k) {
        const std::uint32_t op = grouped.opOfCell[k];
        firstCell[op] = std::min(firstCell[op], static_cast<std::uint32_t>(k));
        ++cellsOf[op];
        for (std::uint32_t source : {grouped.usedA[k], grouped.usedB[k]}) {
            if (source >= count || position[source] < 0)
                continue;
            const std::uint32_t from = grouped.opOfCell[static_cast<std::size_t>(position[source])];
            if (from == op)
                selfLoop[op] = 1;
            else
                next[from].push_back(op);
        }
    }

    // Strongly connected operations (Tarjan, without recursion); they come out sinks first.
    std::vector<std::int32_t> index(n, -1);
    std::vector<std::int32_t> low(n, 0);
    std::vector<std::uint8_t> onStack(n, 0);
    std::vector<std::uint32_t> stack;
    std::vector<std::pair<std::uint32_t, std::size_t>> calls;
    std::vector<std::vector<std::uint32_t>> components;
    std::int32_t counter = 0;
    for (std::uint32_t root = 0; root < n; ++root) {
        if (index[root] >= 0)
            continue;
        const auto enter = [&](std::uint32_t v) {
            index[v] = low[v] = counter++;
            stack.push_back(v);
            onStack[v] = 1;
            calls.emplace_back(v, 0);
        };
        enter(root);
        while (!calls.empty()) {
            const std::uint32_t v = calls.back().first;
            if (calls.back().second < next[v].size()) {
                const std::uint32_t w = next[v][calls.back().second++];
                if (index[w] < 0)
                    enter(w);
                else if (onStack[w])
                    low[v] = std::min(low[v], index[w]);
                continue;
            }
            if (low[v] == index[v]) {
                std::vector<std::uint32_t> component;
                std::uint32_t w;
                do {
                    w = stack.back();
                    stack.pop_back();
                    onStack[w] = 0;
                    component.push_back(w);
                } while (w != v);
                components.push_back(std::move(component));
            }
            calls.pop_back();
            if (!calls.empty())
                low[calls.back().first] = std::min(low[calls.back().first], low[v]);
        }
    }

    // A loop of operations is needed as a whole; the inputs of everything needed are needed too.
    // components run sinks first, so every reader of a component is decided before it.
    std::vector<std::vector<std::uint32_t>> cellsOfOp(n);
    for (std::size_t k = 0; k < cells.size(); ++k)
        cellsOfOp[grouped.opOfCell[k]].push_back(static_cast<std::uint32_t>(k));
    std::vector<std::uint8_t> settledComponent(components.size(), 0);
    std::vector<std::uint32_t> componentOfOp(n, 0);
    for (std::size_t c = 0; c < components.size(); ++c) {
        bool any = false;
        for (std::uint32_t op : components[c]) {
            componentOfOp[op] = static_cast<std::uint32_t>(c);
            for (std::uint32_t k : cellsOfOp[op])
                any = any || needed[k] != 0;
        }
        settledComponent[c] = any ? 1 : 0;
        if (!any)
            continue;
        for (std::uint32_t op : components[c])
            for (std::uint32_t k : cellsOfOp[op])
                for (std::uint32_t source : {grouped.usedA[k], grouped.usedB[k]})
                    if (source < count && position[source] >= 0)
                        needed[static_cast<std::size_t>(position[source])] = 1;
    }

    // Components by their depth (inputs first still holds): the independent ones of one depth run
    // side by side, so that operations that need no repeating share a stage.
    std::vector<std::uint32_t> depth(components.size(), 0);
    for (std::size_t c = components.size(); c-- > 0;)
        for (std::uint32_t op : components[c])
            for (std::uint32_t to : next[op])
                if (componentOfOp[to] != c)
                    depth[componentOfOp[to]] = std::max(depth[componentOfOp[to]], depth[c] + 1);
    std::vector<std::uint32_t> byDepth(components.size());
    for (std::uint32_t c = 0; c < byDepth.size(); ++c)
        byDepth[c] = static_cast<std::uint32_t>(components.size() - 1 - c); // inputs first
    std::stable_sort(byDepth.begin(), byDepth.end(), [&](std::uint32_t x, std::uint32_t y) {
        if (depth[x] != depth[y])
            return depth[x] < depth[y];
        // Within a depth, operations that repeat after those that do not.
        const bool rx = components[x].size() > 1 || selfLoop[components[x].front()];
        const bool ry = components[y].size() > 1 || selfLoop[components[y].front()];
        return rx < ry;
    });

    GatePrograms programs;
    programs.settled.ops.reserve(n);
    std::vector<std::int32_t> observedStage(components.size(), -1);
    // Per observed stage, the observed stages it needs (itself included), ascending.
    std::vector<std::vector<std::uint32_t>> closure;
    std::size_t closureSize = 0;
    constexpr std::size_t kClosureLimit = std::size_t{1} << 22; // beyond: a read settles them all
    std::uint32_t observedDepth = ~0u;
    std::uint32_t observedHalf = ~0u;
    for (const std::uint32_t c : byDepth) {
        std::vector<std::uint32_t>& component = components[c];
        // Inputs-first within a loop of operations too, so that a pass settles as much as it can.
        std::sort(component.begin(), component.end(),
                  [&](std::uint32_t x, std::uint32_t y) { return firstCell[x] < firstCell[y]; });
        const bool repeat = component.size() > 1 || selfLoop[component.front()];
        std::uint32_t cellCount = 0;
        for (std::uint32_t op : component)
            cellCount += cellsOf[op];
        GateProgram& program = settledComponent[c] ? programs.settled : programs.observed;
        const auto begin = static_cast<std::uint32_t>(program.ops.size());
        for (std::uint32_t op : component)
            program.ops.push_back(grouped.ops[op]);
        const auto end = static_cast<std::uint32_t>(program.ops.size());
        if (settledComponent[c]) {
            if (!repeat && !program.stages.empty() && !program.stages.back().repeat)
                program.stages.back().end = end;
            else
                program.stages.push_back({begin, end, repeat, cellCount + 1,
                                          chainSide(program.ops[begin], repeat && end - begin == 1)});
            continue;
        }
        // Loop-free operations of one depth that write one half of a word share a stage: a read of
        // those rows (the host reads at most 32 at once) then settles them in one go rather than one
        // stage at a time. They read nothing of each other (one depth), so their order does not
        // matter.
        const std::uint64_t mask = program.ops[begin].mask;
        const std::uint32_t half = end - begin != 1 ? ~0u
                                   : (mask >> 32) == 0 ? 2 * program.ops[begin].dst
                                   : (mask << 32) == 0 ? 2 * program.ops[begin].dst + 1
                                                       : ~0u;
        const bool joins = !repeat && half != ~0u && !program.stages.empty() && !program.stages.back().repeat &&
                           observedDepth == depth[c] && observedHalf == half && program.stages.back().end == begin;
        if (joins) {
            program.stages.back().end = end;
            program.stages.back().passLimit += cellCount;
        } else {
            program.stages.push_back({begin, end, repeat, cellCount + 1, chainSide(program.ops[begin], repeat && end - begin == 1)});
        }
        observedDepth = depth[c];
        observedHalf = half;
        const auto stage = static_cast<std::uint32_t>(program.stages.size() - 1);
        observedStage[c] = static_cast<std::int32_t>(stage);
        std::vector<std::uint32_t> needs{stage};
        if (closureSize <= kClosureLimit) {
            for (std::uint32_t op : component)
                for (std::uint32_t k : cellsOfOp[op])
                    for (std::uint32_t source : {grouped.usedA[k], grouped.usedB[k]}) {
                        if (source >= count || position[source] < 0)
                            continue;
                        const std::int32_t from = observedStage[componentOfOp[grouped.opOfCell[static_cast<std::size_t>(position[source])]]];
                        if (from >= 0 && static_cast<std::uint32_t>(from) != stage)
                            needs.insert(needs.end(), closure[static_cast<std::size_t>(from)].begin(),
                                         closure[static_cast<std::size_t>(from)].end());
                    }
            std::sort(needs.begin(), needs.end());
            needs.erase(std::unique(needs.begin(), needs.end()), needs.end());
        }
        if (joins) {
            std::vector<std::uint32_t>& merged = closure.back();
            closureSize -= merged.size();
            merged.insert(merged.end(), needs.begin(), needs.end());
            std::sort(merged.begin(), merged.end());
            merged.erase(std::unique(merged.begin(), merged.end()), merged.end());
            closureSize += merged.size();
        } else {
            closureSize += needs.size();
            closure.push_back(std::move(needs));
        }
    }

    // Which observed stages a read of each word needs, and for which of its bits.
    std::vector<std::vector<std::pair<std::uint32_t, std::uint64_t>>> ofWord(words);
    const bool all = closureSize > kClosureLimit;
    for (std::uint32_t stage = 0; stage < programs.observed.stages.size(); ++stage) {
        const GateProgram::Stage& st = programs.observed.stages[stage];
        for (std::uint32_t k = st.begin; k < st.end; ++k) {
            const WordOp& op = programs.observed.ops[k];
            auto& list = ofWord[op.dst];
            if (all) {
                for (std::uint32_t t = 0; t < programs.observed.stages.size(); ++t)
                    list.emplace_back(t, op.mask);
            } else {
                for (std::uint32_t t : closure[stage])
                    list.emplace_back(t, op.mask);
            }
        }
    }
    programs.wordStart.assign(words + 1, 0);
    for (std::size_t w = 0; w < words; ++w) {
        auto& list = ofWord[w];
        std::sort(list.begin(), list.end());
        std::size_t kept = 0;
        for (std::size_t k = 0; k < list.size(); ++k) {
            if (kept > 0 && list[kept - 1].first == list[k].first)
                list[kept - 1].second |= list[k].second;
            else
                list[kept++] = list[k];
        }
        list.resize(kept);
        programs.wordStart[w + 1] = programs.wordStart[w] + static_cast<std::uint32_t>(kept);
        for (const auto& [stage, bits] : list) {
            programs.observedOfWord.push_back(stage);
            programs.observedBits.push_back(bits);
        }
    }
    return programs;
}

} // namespace cellwatch
