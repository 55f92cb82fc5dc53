#include <platform/foundation/RunLoop.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <vector>

namespace vd {

namespace {
double steadySeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
}

RunLoop& RunLoop::main()
{
    static RunLoop loop;
    return loop;
}

RunLoop::RunLoop()
    : m_realOrigin(steadySeconds())
{
}

void RunLoop::setClock(Clock clock)
{
    std::lock_guard lock(m_mutex);
    m_clock = clock;
    m_virtualNow = 0;
    m_realOrigin = steadySeconds();
}

double RunLoop::realNow() const { return steadySeconds() - m_realOrigin; }

double RunLoop::now() const
{
    std::lock_guard lock(m_mutex);
    return m_clock == Clock::Virtual ? m_virtualNow : realNow();
}

void RunLoop::post(Task task)
{
    std::function<void()> wake;
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
        wake = m_wakeHandler;
    }
    m_wake.notify_all();
    if (wake)
        wake();
}

RunLoop::TimerId RunLoop::postAfter(double seconds, Task task) { return scheduleTimer(seconds, false, std::move(task)); }

RunLoop::TimerId RunLoop::scheduleTimer(double interval, bool repeats, Task task)
{
    std::function<void()> wake;
    TimerId id;
    {
        std::lock_guard lock(m_mutex);
        const double current = m_clock == Clock::Virtual ? m_virtualNow : realNow();
        id = m_nextTimerId++;
        m_timers.emplace(id, Timer { current + std::max(0.0, interval), std::max(0.0, interval), repeats, std::move(task) });
        wake = m_wakeHandler;
    }
    m_wake.notify_all();
    if (wake)
        wake();
    return id;
}

void RunLoop::cancel(TimerId id)
{
    std::lock_guard lock(m_mutex);
    m_timers.erase(id);
}

int RunLoop::runPostedTasks()
{
    // Tasks posted while these run wait for the next turn, so a task that re-posts itself cannot
    // starve the timers.
    std::deque<Task> batch;
    {
        std::lock_guard lock(m_mutex);
        batch.swap(m_tasks);
    }
    for (auto& task : batch)
        task();
    return static_cast<int>(batch.size());
}

bool RunLoop::fireOneDueTimer(double upTo)
{
    Task task;
    {
        std::lock_guard lock(m_mutex);
        auto due = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
            if (it->second.fireAt <= upTo && (due == m_timers.end() || it->second.fireAt < due->second.fireAt))
                due = it;
        }
        if (due == m_timers.end())
            return false;
        if (m_clock == Clock::Virtual)
            m_virtualNow = std::max(m_virtualNow, due->second.fireAt);
        if (due->second.repeats && due->second.interval > 0) {
            task = due->second.task;
            due->second.fireAt += due->second.interval;
        } else {
            task = std::move(due->second.task);
            m_timers.erase(due);
        }
    }
    task();
    return true;
}

int RunLoop::runPending()
{
    int ran = runPostedTasks();
    const double current = now();
    while (fireOneDueTimer(current)) {
        ++ran;
        ran += runPostedTasks();
    }
    return ran;
}

std::optional<double> RunLoop::secondsUntilNextTimer() const
{
    std::lock_guard lock(m_mutex);
    if (m_timers.empty())
        return std::nullopt;
    double earliest = std::numeric_limits<double>::infinity();
    for (const auto& [id, timer] : m_timers)
        earliest = std::min(earliest, timer.fireAt);
    const double current = m_clock == Clock::Virtual ? m_virtualNow : realNow();
    return std::max(0.0, earliest - current);
}

bool RunLoop::hasPendingTasks() const
{
    std::lock_guard lock(m_mutex);
    return !m_tasks.empty();
}

void RunLoop::advance(double seconds)
{
    if (m_clock == Clock::Virtual) {
        double target;
        {
            std::lock_guard lock(m_mutex);
            target = m_virtualNow + std::max(0.0, seconds);
        }
        runPostedTasks();
        while (fireOneDueTimer(target))
            runPostedTasks();
        {
            std::lock_guard lock(m_mutex);
            m_virtualNow = std::max(m_virtualNow, target);
        }
        runPostedTasks();
        return;
    }
    const double end = now() + seconds;
    for (;;) {
        runPending();
        const double left = end - now();
        if (left <= 0)
            break;
        waitForWork(std::min(left, secondsUntilNextTimer().value_or(left)));
    }
}

void RunLoop::run()
{
    if (m_clock == Clock::Virtual)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_quit = false;
    }
    for (;;) {
        runPending();
        {
            std::lock_guard lock(m_mutex);
            if (m_quit)
                return;
        }
        waitForWork(secondsUntilNextTimer().value_or(1.0));
    }
}

void RunLoop::quit()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
}

void RunLoop::waitForWork(double maxSeconds)
{
    std::unique_lock lock(m_mutex);
    if (!m_tasks.empty() || m_quit || maxSeconds <= 0)
        return;
    m_wake.wait_for(lock, std::chrono::duration<double>(maxSeconds), [this] { return !m_tasks.empty() || m_quit; });
}

bool RunLoop::runUntil(const std::function<bool()>& done, double realTimeout)
{
    const double deadline = steadySeconds() + realTimeout;
    for (;;) {
        runPending();
        if (done())
            return true;
        const double left = deadline - steadySeconds();
        if (left <= 0)
            return false;
        double wait = std::min(left, 0.05);
        if (m_clock == Clock::Real)
            wait = std::min(wait, secondsUntilNextTimer().value_or(wait));
        waitForWork(wait);
    }
}

void RunLoop::setWakeHandler(std::function<void()> handler)
{
    std::lock_guard lock(m_mutex);
    m_wakeHandler = std::move(handler);
}

}
