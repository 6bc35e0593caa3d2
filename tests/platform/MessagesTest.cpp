#include "platform/Messages.h"
#include "TestSupport.h"
#include "platform/QueuedCall.h"
#include "platform/Wnd.h"

#include <QPointer>
#include <QThread>
#include <memory>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

constexpr UINT WM_TEST = WM_USER + 7;

class RecordingWnd : public Wnd
{
public:
    struct Item
    {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        items.push_back({msg, wParam, lParam});
        return static_cast<LRESULT>(wParam + 1000);
    }
    std::vector<Item> items;
};

TEST(Messages, PostsFromManyThreadsKeepEachSendersOrder)
{
    RecordingWnd wnd;
    const WndHandle h = wnd.Handle();
    constexpr int kThreads = 4;
    constexpr int kPerThread = 2000;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([h, t, &failures] {
            for (int i = 0; i < kPerThread; ++i) {
                if (!PostMessage(h, WM_TEST, static_cast<WPARAM>(t), i))
                    ++failures;
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(failures.load(), 0);
    ASSERT_TRUE(k5test::PumpUntil([&] { return wnd.items.size() == kThreads * kPerThread; }));

    std::vector<LPARAM> next(kThreads, 0);
    for (const auto& item : wnd.items) {
        ASSERT_EQ(item.msg, WM_TEST);
        ASSERT_LT(item.wParam, static_cast<WPARAM>(kThreads));
        ASSERT_EQ(item.lParam, next[item.wParam]) << "sender " << item.wParam << " out of order";
        ++next[item.wParam];
    }
}

// A worker thread mixes messages and queued calls to one window: the window
// sees them in the order they were posted, on its own thread.
TEST(QueuedCalls, KeepTheOrderOfMessagesPostedBetweenThem)
{
    RecordingWnd wnd;
    const WndHandle h = wnd.Handle();
    std::atomic<int> offThread{0};
    std::thread worker([&] {
        for (int i = 0; i < 500; ++i) {
            PostMessage(h, WM_TEST, 0, 2 * i);
            PostQueuedCall(&wnd, [&wnd, &offThread, i] {
                if (QThread::currentThread() != wnd.thread())
                    ++offThread;
                wnd.items.push_back({WM_TEST, 1, 2 * i + 1});
            });
        }
    });
    worker.join();
    ASSERT_TRUE(k5test::PumpUntil([&] { return wnd.items.size() == 1000; }));
    EXPECT_EQ(offThread.load(), 0);
    for (std::size_t i = 0; i < wnd.items.size(); ++i)
        ASSERT_EQ(wnd.items[i].lParam, static_cast<LPARAM>(i)) << "item " << i;
}

// A plain object that runs queued calls; one that dies first drops them, and
// what they hold is freed with them.
TEST(QueuedCalls, ToADeadReceiverAreDroppedAndFreed)
{
    class Receiver : public QObject
    {
    public:
        bool event(QEvent* e) override { return RunQueuedCall(e) || QObject::event(e); }
    };
    auto held = std::make_shared<int>(7);
    int ran = 0;
    {
        Receiver live;
        PostQueuedCall(&live, [held, &ran] { ran += *held; });
        ASSERT_TRUE(k5test::PumpUntil([&] { return ran == 7; }));
    }
    auto* dying = new Receiver;
    std::thread([dying, held, &ran] { PostQueuedCall(dying, [held, &ran] { ran += 100; }); }).join();
    EXPECT_EQ(held.use_count(), 2);
    delete dying;
    k5test::Pump();
    EXPECT_EQ(ran, 7);
    EXPECT_EQ(held.use_count(), 1);
}

TEST(Messages, PostToDestroyedWindowIsDropped)
{
    auto* wnd = new RecordingWnd;
    const WndHandle h = wnd->Handle();
    EXPECT_TRUE(IsWindow(h));
    EXPECT_TRUE(PostMessage(h, WM_TEST, 1, 0)); // still queued when the window dies
    delete wnd;
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(PostMessage(h, WM_TEST, 2, 0));
    EXPECT_EQ(SendMessage(h, WM_TEST, 3, 0), 0);
    k5test::Pump(); // the queued post must not reach freed memory

    EXPECT_FALSE(PostMessage(WndHandle(), WM_TEST, 0, 0));
    EXPECT_FALSE(IsWindow(WndHandle()));
}

TEST(Messages, HandlesAreNotReusedByLaterWindows)
{
    WndHandle old;
    {
        RecordingWnd a;
        old = a.Handle();
    }
    RecordingWnd b;
    EXPECT_FALSE(b.Handle() == old);
    EXPECT_FALSE(PostMessage(old, WM_TEST, 0, 0));
    k5test::Pump();
    EXPECT_TRUE(b.items.empty());
}

TEST(Messages, PostsRacingTheWindowsDeathNeverCrash)
{
    // Workers keep posting while the GUI thread deletes windows under them.
    for (int round = 0; round < 20; ++round) {
        auto* wnd = new RecordingWnd;
        const WndHandle h = wnd->Handle();
        std::atomic<bool> stop{false};
        std::vector<std::thread> posters;
        for (int t = 0; t < 3; ++t) {
            posters.emplace_back([h, &stop] {
                while (!stop.load())
                    PostMessage(h, WM_TEST, 0, 0);
            });
        }
        k5test::Pump();
        delete wnd;
        k5test::Pump();
        stop = true;
        for (auto& th : posters)
            th.join();
        k5test::Pump();
        EXPECT_FALSE(IsWindow(h));
    }
}

TEST(Messages, SendMessageCallsWindowProcAtOnceOnTheGuiThreadOnly)
{
    RecordingWnd wnd;
    EXPECT_EQ(SendMessage(wnd.Handle(), WM_TEST, 5, 6), 1005);
    ASSERT_EQ(wnd.items.size(), 1u);
    EXPECT_EQ(wnd.items[0].lParam, 6);

    LRESULT fromWorker = -1;
    std::thread([&] { fromWorker = SendMessage(wnd.Handle(), WM_TEST, 7, 0); }).join();
    EXPECT_EQ(fromWorker, 0);
    EXPECT_EQ(wnd.items.size(), 1u);
}

TEST(Messages, QueuedMessagesOfADestroyedWindowAreDropped)
{
    QPointer<RecordingWnd> wnd = new RecordingWnd;
    const WndHandle h = wnd->Handle();
    ASSERT_TRUE(PostMessage(h, WM_TEST, 1, 0));
    wnd->DestroyWindow();
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(PostMessage(h, WM_TEST, 2, 0));
    k5test::Pump();
    ASSERT_TRUE(wnd);
    EXPECT_TRUE(wnd->items.empty());
    delete wnd;
}

} // namespace
