// The frames of a session by kind: every kind's frame goes with the session and none is left behind
// for the next one, whichever frames the user had opened.

#include "frame_fixture.h"

#include "ui/shell/wiz_frames.h"
#include "ui/views/wiz_view.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include <map>
#include <optional>

using namespace cellwatch;

namespace {

constexpr ViewKind kAllKinds[] = {ViewKind::Hierarchy, ViewKind::TraceList, ViewKind::Script,
                                  ViewKind::ResultLog, ViewKind::Sram,      ViewKind::Waveform};

const std::map<ViewKind, FrameCommand> kShowCommand = {
    {ViewKind::Hierarchy, FrameCommand::ShowHierarchy}, {ViewKind::TraceList, FrameCommand::ShowTraceList},
    {ViewKind::Script, FrameCommand::ShowScript},       {ViewKind::ResultLog, FrameCommand::ShowResultLog},
    {ViewKind::Sram, FrameCommand::ShowSram},           {ViewKind::Waveform, FrameCommand::ShowWaveform},
};

// The kind of the view a frame shows, as its title names it.
std::optional<ViewKind> kindIn(const CWizMDIChild* frame) {
    const auto* view = frame != nullptr ? dynamic_cast<const WizView*>(frame->activeView()) : nullptr;
    return view != nullptr ? std::optional<ViewKind>(view->viewKind()) : std::nullopt;
}

void openScript(WindowBench& bench) {
    bench.asker->files.push_back(bench.path("counter8.cmd"));
    bench.action(FrameCommand::Open)->trigger();
}

} // namespace

class SessionFramesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void closingForgetsEveryKindAndTheNextSessionMakesItsOwn();
};

void SessionFramesTest::closingForgetsEveryKindAndTheNextSessionMakesItsOwn() {
    WindowBench bench;
    openScript(bench);
    QVERIFY(bench.doc() != nullptr);

    // Every kind open at once, each in one frame that its View command finds again.
    std::map<ViewKind, QPointer<CWizMDIChild>> first;
    for (ViewKind kind : kAllKinds) {
        bench.action(kShowCommand.at(kind))->trigger();
        first[kind] = bench.app->frameOf(kind);
        QVERIFY(first[kind] != nullptr);
        QVERIFY(kindIn(first[kind]) == kind);
    }
    QCOMPARE(bench.frame().mdiArea()->subWindowList().size(), 6);
    for (ViewKind kind : kAllKinds) {
        bench.action(kShowCommand.at(kind))->trigger();
        QCOMPARE(bench.app->frameOf(kind), first[kind].data());
    }

    // "Close": the session and every frame go, the SRAM window among them, and none is remembered.
    bench.action(FrameCommand::Close)->trigger();
    QVERIFY(bench.doc() == nullptr);
    for (ViewKind kind : kAllKinds) {
        QVERIFY2(first[kind].isNull(), "the frame went with its session");
        QVERIFY2(bench.app->frameOf(kind) == nullptr, "no frame is remembered past its session");
    }
    QVERIFY(bench.frame().mdiArea()->subWindowList().isEmpty());

    // The next session's View commands make new frames on the new session.
    openScript(bench);
    QVERIFY(bench.doc() != nullptr);
    bench.action(FrameCommand::ShowSram)->trigger();
    CWizMDIChild* sram = bench.app->frameOf(ViewKind::Sram);
    QVERIFY(sram != nullptr);
    QVERIFY(kindIn(sram) == ViewKind::Sram);
    QCOMPARE(bench.frame().mdiArea()->subWindowList().size(), 6);
}

QTEST_MAIN(SessionFramesTest)
#include "session_frames_test.moc"
