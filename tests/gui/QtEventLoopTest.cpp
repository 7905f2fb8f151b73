#include "gui/app/QtEventLoop.h"

#include "gui/app/TerminalView.h"
#include "tests/gui/GuiTestSupport.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <gtest/gtest.h>
#include <unistd.h>

namespace norix {
namespace {

using test::waitFor;

TEST(QtEventLoop, RunsPostedTasksInOrderAndTimersByDelayWhileTheLoopLives) {
    test::application();
    int fired = 0;
    {
        QtEventLoop loop;
        std::vector<std::string> order;
        loop.schedule(Milliseconds(30), [&] { order.push_back("late"); });
        loop.schedule(Milliseconds(5), [&] { order.push_back("early"); });
        const TimerId dropped =
            loop.schedule(Milliseconds(10), [&] { order.push_back("cancelled"); });
        loop.post([&] {
            order.push_back("first");
            loop.post([&] { order.push_back("nested"); });
        });
        loop.post([&] { order.push_back("second"); });
        loop.cancel(dropped);
        loop.cancel(dropped); // twice is harmless
        ASSERT_TRUE(waitFor([&] { return order.size() == 5; }, 2000));
        EXPECT_EQ(order, (std::vector<std::string>{"first", "second", "nested", "early", "late"}));
        EXPECT_EQ(loop.activeTimerCount(), 0u);

        std::function<void()> again = [&] {
            if (++fired < 3)
                loop.schedule(Milliseconds(1), again);
        };
        loop.schedule(Milliseconds(1), again);
        ASSERT_TRUE(waitFor([&] { return fired == 3; }, 2000));
        loop.schedule(Milliseconds(1), [&] { fired = 100; }); // dies with the loop
    }
    QTest::qWait(20);
    EXPECT_EQ(fired, 3);
}

TEST(QtEventLoop, WatchesADescriptorUntilUnwatchedFromItsOwnTask) {
    test::application();
    QtEventLoop loop;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::string received;
    WatchId watch = WatchId::none;
    watch = loop.watchReadable(fds[0], [&] {
        char buffer[16];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) {
            loop.unwatch(watch); // end of file: stop watching from inside the task
            return;
        }
        received.append(buffer, static_cast<std::size_t>(n));
    });
    ASSERT_EQ(write(fds[1], "abc", 3), 3);
    ASSERT_TRUE(waitFor([&] { return received == "abc"; }, 2000));
    close(fds[1]);
    ASSERT_TRUE(waitFor([&] { return loop.activeWatchCount() == 0; }, 2000));
    close(fds[0]);
}

TEST(TerminalView, ShowsEveryLineAndFollowsTheDropOfOldLines) {
    test::WindowFixture f;
    TerminalView view(f.session);
    for (int i = 1; i <= 500; ++i)
        f.session.appendTerminal("line " + std::to_string(i));
    EXPECT_EQ(view.text()->document()->blockCount(), 500);
    f.session.appendTerminal("line 501");
    EXPECT_EQ(view.text()->document()->blockCount(), 401);
    EXPECT_EQ(view.text()->document()->firstBlock().text(), QStringLiteral("line 101"));
    EXPECT_EQ(view.text()->verticalScrollBar()->value(),
              view.text()->verticalScrollBar()->maximum());
    f.session.appendTerminal("two\nlines");
    EXPECT_EQ(view.text()->document()->lastBlock().text(), QStringLiteral("lines"));
    QTest::mouseClick(view.clearButton(), Qt::LeftButton);
    EXPECT_TRUE(view.text()->toPlainText().isEmpty());

    f.session.editor().setChipCode("SETOUT 1\nSETOT 2");
    QTest::mouseClick(view.listErrorsButton(), Qt::LeftButton);
    EXPECT_EQ(view.text()->toPlainText(), QStringLiteral("Line 2: Unknown opcode 'SETOT'."));
}

} // namespace
} // namespace norix
