#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <thread>

#include "platform/OffUiThread.h"
#include "platform/WindowMessages.h"
#include "platform/ui/QtMessagePump.h"
#include "platform/ui/QtProgressWindow.h"
#include "platform/ui/QtUi.h"
#include "platform/ui/WindowPlacement.h"

using namespace platform;

TEST(QtUi, MessageBoxMapsButtonsAndAnswers) {
    QtUi ui;
    // Press "No" on the box as soon as it shows.
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(QString("Proceed?"), box->text());
        EXPECT_EQ(box->button(QMessageBox::No), box->defaultButton());
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(IDNO, ShowMessage("Proceed?", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
}

TEST(QtUi, ProgressWindowGrowsAndReportsItsButton) {
    QtUi ui;
    auto w = GetUi().CreateProgressWindow("Scan", "Cancel");
    w->AppendText("line 1\r\n");
    w->AppendText("line 2\r\n");
    EXPECT_EQ("line 1\nline 2\n", w->Text());
    EXPECT_TRUE(w->IsOpen());
    auto* qt = static_cast<QtProgressWindow*>(w.get());
    qt->Dialog()->Button()->click();
    EXPECT_TRUE(w->ButtonPressed());
    w->Close();
    EXPECT_FALSE(w->IsOpen());
}

TEST(QtMessagePump, WorkerPostsAreDeliveredByTheEventLoop) {
    QtMessagePump pump;
    struct Target : MessageTarget {
        int got = 0;
        void OnMessage(unsigned, uintptr_t, intptr_t) override { ++got; }
    } target;
    WindowHandle h = MessageDispatcher::Instance().Register(&target);
    std::thread([h] { PostMessage(h, 0x40E); }).join();
    for (int i = 0; i < 50 && target.got == 0; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(1, target.got);
    MessageDispatcher::Instance().Unregister(h);
}

TEST(WindowPlacement, AWindowOverAParentNearTheScreenEdgeOpensWithinTheScreen) {
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    // The parent sits in the bottom right corner, as a main window moved aside does.
    QWidget parent;
    parent.resize(300, 200);
    parent.move(available.right() - 250, available.bottom() - 150);
    QWidget window(&parent, Qt::Window);
    window.resize(available.width() / 2, available.height() / 2);
    platform::PlaceOnScreen(&window);
    EXPECT_TRUE(available.contains(QRect(window.pos(), window.size()))) << window.x() << "," << window.y();
    // A window larger than the screen is made to fit.
    QWidget large(&parent, Qt::Window);
    large.resize(available.width() + 300, available.height() + 300);
    platform::PlaceOnScreen(&large);
    EXPECT_LE(large.width(), available.width());
    EXPECT_LE(large.height(), available.height());
    EXPECT_TRUE(available.contains(QRect(large.pos(), large.size())));

    EXPECT_EQ(QRect(1100, 600, 500, 400), platform::FitWithin(QRect(1400, 900, 500, 400), QRect(0, 0, 1600, 1000)));
}

// Bus work started on the window's thread runs on a worker while a timer of the window keeps
// firing; off that thread (or without a window) it runs in place.
TEST(QtUi, WorkWaitedForOnTheWindowsThreadRunsOnAWorkerWhileEventsAreServed) {
    QtUi ui;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start();
    const std::thread::id window = std::this_thread::get_id();
    std::thread::id ranOn;
    const int result = RunServingEvents([&ranOn] {
        ranOn = std::this_thread::get_id();
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        return 7;
    });
    EXPECT_EQ(7, result);
    EXPECT_NE(window, ranOn);
    EXPECT_GE(ticks, 5);  // the timer kept firing while the work ran

    std::thread::id inPlace;
    std::thread other([&inPlace] { RunServingEvents([&inPlace] { inPlace = std::this_thread::get_id(); }); });
    const std::thread::id otherId = other.get_id();
    other.join();
    EXPECT_EQ(otherId, inPlace);
}
