// Window hooks: the order in which hooks and the window see events, unhooking in any order and from
// inside a hook, the window's destruction, and Default() running the window's handling first.
#include "controls/HookWnd.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QResizeEvent>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// A window that logs the user events it handles and keeps the size of the last resize it handled.
class Window : public QWidget {
public:
    explicit Window(Log& log) : m_log(log) {}
    QSize handledSize;
    int resizes = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            m_log.push_back("window");
        return QWidget::event(e);
    }
    void resizeEvent(QResizeEvent* e) override {
        handledSize = e->size();
        ++resizes;
    }

private:
    Log& m_log;
};

// A hook that logs the user events it sees, then does what the test asks (by default: passes on).
class Hook : public CHookWnd {
public:
    Hook(std::string name, Log& log) : m_name(std::move(name)), m_log(log) {}
    std::function<bool(Hook&, QEvent*)> action;

    bool base(QEvent* e) { return CHookWnd::WindowProc(e); }
    using CHookWnd::Default;
    void log(const std::string& line) { m_log.push_back(line); }

protected:
    bool WindowProc(QEvent* e) override {
        if (e->type() == QEvent::User)
            m_log.push_back(m_name);
        return action ? action(*this, e) : CHookWnd::WindowProc(e);
    }

private:
    std::string m_name;
    Log& m_log;
};

Log send(QWidget& window, Log& log) {
    log.clear();
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&window, &event);
    return log;
}

} // namespace

TEST(HookWnd, TheHookAddedLastSeesEventsFirstAndTheWindowLast) {
    Log log;
    Window window(log);
    Hook first("first", log), second("second", log);
    ASSERT_TRUE(first.HookWindow(&window));
    ASSERT_TRUE(second.HookWindow(&window));
    EXPECT_EQ(CHookWnd::firstHookOf(&window), &second);
    EXPECT_EQ(send(window, log), (Log{"second", "first", "window"}));

    // A hook that handles the event ends its way.
    second.action = [](Hook&, QEvent*) { return true; };
    EXPECT_EQ(send(window, log), (Log{"second"}));
    EXPECT_FALSE(Hook("none", log).HookWindow(nullptr));
}

TEST(HookWnd, HooksComeOffInAnyOrder) {
    for (const bool firstOut : {true, false}) {
        Log log;
        Window window(log);
        Hook first("first", log), second("second", log);
        first.HookWindow(&window);
        second.HookWindow(&window);
        Hook& out = firstOut ? first : second;
        Hook& stays = firstOut ? second : first;
        out.Unhook();
        EXPECT_FALSE(out.IsHooked());
        EXPECT_EQ(CHookWnd::firstHookOf(&window), &stays);
        EXPECT_EQ(send(window, log), (Log{firstOut ? "second" : "first", "window"}));
        stays.Unhook();
        EXPECT_EQ(CHookWnd::firstHookOf(&window), nullptr);
        EXPECT_EQ(send(window, log), (Log{"window"}));
        // Hooked again after all came off: the chain starts anew.
        out.HookWindow(&window);
        EXPECT_EQ(send(window, log), (Log{firstOut ? "first" : "second", "window"}));
    }
}

TEST(HookWnd, DestroyingTheWindowUnhooksEveryHook) {
    Log log;
    auto window = std::make_unique<Window>(log);
    const QObject* gone = window.get();
    Hook first("first", log), second("second", log);
    first.HookWindow(window.get());
    second.HookWindow(window.get());
    window.reset();
    EXPECT_FALSE(first.IsHooked());
    EXPECT_FALSE(second.IsHooked());
    EXPECT_EQ(CHookWnd::firstHookOf(gone), nullptr);

    // A hook deleted while hooked leaves the chain; the window goes on without it.
    Window other(log);
    first.HookWindow(&other);
    {
        Hook brief("brief", log);
        brief.HookWindow(&other);
    }
    EXPECT_EQ(send(other, log), (Log{"first", "window"}));
}

TEST(HookWnd, AHookMayUnhookItselfInsideItsWindowProc) {
    Log log;
    Window window(log);
    Hook first("first", log), second("second", log);
    first.HookWindow(&window);
    second.HookWindow(&window);
    second.action = [](Hook& self, QEvent* e) {
        self.Unhook();
        return self.base(e); // goes on to the hook that followed it
    };
    EXPECT_EQ(send(window, log), (Log{"second", "first", "window"}));
    EXPECT_EQ(send(window, log), (Log{"first", "window"}));

    // The last hook of a window: the event still reaches the window, and the window is free.
    first.action = second.action;
    EXPECT_EQ(send(window, log), (Log{"first", "window"}));
    EXPECT_EQ(CHookWnd::firstHookOf(&window), nullptr);
    EXPECT_EQ(send(window, log), (Log{"window"}));
}

TEST(HookWnd, DefaultLetsTheWindowHandleTheEventBeforeTheHookGoesOn) {
    Log log;
    Window window(log);
    window.resize(100, 50);
    Hook first("first", log), second("second", log);
    first.HookWindow(&window);
    second.HookWindow(&window);
    QSize seenAfterDefault;
    second.action = [&](Hook& self, QEvent* e) {
        if (e->type() == QEvent::Resize) {
            self.Default();
            seenAfterDefault = window.handledSize;
            return self.Default(); // the window handled it already: not again
        }
        if (e->type() == QEvent::User) {
            const bool result = self.Default();
            self.log("second after");
            return result;
        }
        return self.base(e);
    };
    QResizeEvent resize(QSize(300, 200), QSize(100, 50));
    QCoreApplication::sendEvent(&window, &resize);
    EXPECT_EQ(seenAfterDefault, QSize(300, 200));
    EXPECT_EQ(window.resizes, 1);
    EXPECT_EQ(send(window, log), (Log{"second", "first", "window", "second after"}));
}
