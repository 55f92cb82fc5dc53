#include <platform/foundation/NotificationCenter.h>

#include <algorithm>

namespace vd {

NotificationCenter& NotificationCenter::defaultCenter()
{
    // Never destroyed: objects that stop observing in their destructors may outlive the static
    // objects at the program's exit (a screen held by another static).
    static NotificationCenter* center = new NotificationCenter;
    return *center;
}

NotificationCenter::Token NotificationCenter::addObserver(const void* owner, const std::string& name, const void* object, Handler handler)
{
    const Token token = m_next++;
    m_entries.push_back(Entry { token, owner, name, object, std::move(handler) });
    return token;
}

void NotificationCenter::removeObserver(Token token)
{
    for (auto& entry : m_entries)
        if (entry.token == token)
            entry.removed = true;
    if (m_posting == 0)
        std::erase_if(m_entries, [](const Entry& e) { return e.removed; });
}

void NotificationCenter::removeObserver(const void* owner)
{
    for (auto& entry : m_entries)
        if (entry.owner == owner)
            entry.removed = true;
    if (m_posting == 0)
        std::erase_if(m_entries, [](const Entry& e) { return e.removed; });
}

void NotificationCenter::post(const std::string& name, const void* object)
{
    const Notification notification { name, object };
    // Handlers may add or remove observers while we deliver: iterate by index over the entries
    // that existed when the post began, and sweep removals afterwards.
    ++m_posting;
    const size_t count = m_entries.size();
    for (size_t i = 0; i < count; ++i) {
        if (m_entries[i].removed || m_entries[i].name != name)
            continue;
        if (m_entries[i].object && m_entries[i].object != object)
            continue;
        Handler handler = m_entries[i].handler;
        handler(notification);
    }
    if (--m_posting == 0)
        std::erase_if(m_entries, [](const Entry& e) { return e.removed; });
}

}
