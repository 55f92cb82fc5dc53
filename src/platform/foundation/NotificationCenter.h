#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vd {

struct Notification {
    std::string name;
    const void* object { nullptr }; // the poster, compared by identity only
};

// Named broadcasts delivered synchronously, on the posting thread, in the order observers were added.
class NotificationCenter {
public:
    using Handler = std::function<void(const Notification&)>;
    using Token = std::uint64_t;

    static NotificationCenter& defaultCenter();

    // object: deliver only notifications posted with this object; nullptr takes every poster.
    // owner: an identity to remove all of one observer's registrations at once.
    Token addObserver(const void* owner, const std::string& name, const void* object, Handler handler);
    void removeObserver(Token token);
    void removeObserver(const void* owner); // every registration of that owner
    void post(const std::string& name, const void* object = nullptr);

private:
    struct Entry {
        Token token;
        const void* owner;
        std::string name;
        const void* object;
        Handler handler;
        bool removed { false };
    };
    std::vector<Entry> m_entries;
    Token m_next { 1 };
    int m_posting { 0 };
};

}
