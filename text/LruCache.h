#pragma once

#include <cstddef>
#include <list>
#include <unordered_map>
#include <utility>

// A map that holds at most `capacity` entries, dropping the one used least
// recently when a new one comes. Pointers returned stay valid until the entry
// is dropped or the cache cleared.
template <typename Key, typename Value>
class LruCache {
public:
    explicit LruCache(size_t capacity) : limit(capacity < 1 ? 1 : capacity) {}

    // The entry for `key`, now the most recently used; nullptr when absent.
    Value* find(const Key& key)
    {
        const auto it = index.find(key);
        if (it == index.end())
            return nullptr;
        order.splice(order.begin(), order, it->second);
        return &it->second->second;
    }

    // Stores `value` under `key` (replacing any entry) as the most recently used.
    Value& put(const Key& key, Value value)
    {
        if (Value* existing = find(key)) {
            *existing = std::move(value);
            return *existing;
        }
        if (order.size() == limit) {
            index.erase(order.back().first);
            order.pop_back();
        }
        order.emplace_front(key, std::move(value));
        index.emplace(key, order.begin());
        return order.front().second;
    }

    void clear()
    {
        index.clear();
        order.clear();
    }

    size_t size() const { return order.size(); }

private:
    using Entry = std::pair<Key, Value>;
    size_t limit;
    std::list<Entry> order; // most recently used first
    std::unordered_map<Key, typename std::list<Entry>::iterator> index;
};
