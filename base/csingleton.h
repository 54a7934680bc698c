#pragma once

#include <atomic>
#include <mutex>

namespace Base {

// Process-wide single instance of T, created on first use and deleted after
// main() returns. The instance is published through an atomic pointer, so the
// unlocked fast path is safe to take from any thread; the mutex only guards
// creation. T's constructor may be private if T befriends CSingleton<T>.
template <typename T>
class CSingleton
{
public:
    static T *instance()
    {
        // Deletes the instance when static objects are destroyed, in reverse
        // order of first use.
        struct Owner
        {
            std::atomic<T *> pointer{nullptr};
            ~Owner() { delete pointer.load(std::memory_order_acquire); }
        };
        static Owner s_owner;
        static std::mutex s_mutex;

        T *existing = s_owner.pointer.load(std::memory_order_acquire);
        if (existing)
            return existing;

        // std::lock_guard throws std::system_error when the mutex cannot be locked.
        std::lock_guard<std::mutex> lock(s_mutex);
        existing = s_owner.pointer.load(std::memory_order_relaxed);
        if (!existing) {
            existing = new T();
            s_owner.pointer.store(existing, std::memory_order_release);
        }
        return existing;
    }

    CSingleton(const CSingleton &) = delete;
    CSingleton &operator=(const CSingleton &) = delete;

protected:
    CSingleton() = default;
    ~CSingleton() = default;
};

} // namespace Base
