#include <platform/foundation/NotificationCenter.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

using vd::NotificationCenter;

TEST(NotificationCenter, DeliversSynchronouslyInOrderWithObjectFilterToObserversThatMayLeave)
{
    NotificationCenter center;
    int poster = 0, other = 0;
    std::vector<std::string> seen;
    center.addObserver(&seen, "centroor", nullptr, [&](const vd::Notification& n) { seen.push_back("any:" + n.name); });
    center.addObserver(&seen, "centroor", &poster, [&](const vd::Notification&) { seen.push_back("poster"); });
    center.post("centroor", &other);
    center.post("centroor", &poster);
    center.post("nascondilinee", &poster);
    EXPECT_EQ(seen, (std::vector<std::string> { "any:centroor", "any:centroor", "poster" }));

    // Observers may remove themselves while being notified.
    int first = 0, second = 0;
    int owner = 0;
    NotificationCenter::Token token = center.addObserver(&owner, "keycerchi", nullptr, [&](const vd::Notification&) {
        ++first;
        center.removeObserver(token);
    });
    center.addObserver(&second, "keycerchi", nullptr, [&](const vd::Notification&) { ++second; });
    center.post("keycerchi");
    center.post("keycerchi");
    EXPECT_EQ(std::pair(first, second), std::pair(1, 2));
    center.removeObserver(&second);
    center.post("keycerchi");
    EXPECT_EQ(second, 2);
}
